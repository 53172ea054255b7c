#pragma once
/// The command-language interpreter: runs parsed texts against the command registry, with
/// variables (session, block and proc scopes, and globals), procs, back-quote substitution and
/// the undo chunking of top-level texts. Errors are printed once as "// Error: ..." and make the
/// run fail; a failing command takes back what it had recorded in the open undo chunk.
/// Main thread only.

#include "host/lang/arg_binding.h"
#include "host/lang/ast.h"
#include "host/lang/command_registry.h"
#include "host/lang/value.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang {

/// How a top-level text runs.
struct RunOptions {
    std::string sourceName;  ///< file name for messages ("" for a command text)
    int firstLine = 1;       ///< number of the text's first line in that file
    bool undo = true;        ///< one undo chunk around the text; off: changes not recorded
    bool display = false;    ///< echo the text and print its result
    bool flushIdleEachStatement = false;  ///< run the idle queue after every top-level statement
    /// With undo on: a text that fails takes back everything it changed, not only the failing
    /// command's changes (the statements before it do not stand).
    bool allOrNothing = false;
    /// Print the error line of a failure; off when the caller reports it otherwise (the Python
    /// module raises it as an exception). RunResult::error has the message either way.
    bool reportErrors = true;
};

/// The outcome of a run: the value of the last statement, or failure with the message already
/// printed and the line it happened on (file line numbering, 0 when unknown).
struct RunResult {
    bool ok = true;
    Value value;
    std::string error;
    int line = 0;
};

class Interpreter {
public:
    /// An interpreter over `registry` (the host's registry by default).
    explicit Interpreter(CommandRegistry& registry = commandRegistry());
    ~Interpreter();

    /// Parses and runs a text. Nested calls (from a command body) join the open undo chunk.
    RunResult run(std::string_view text, const RunOptions& options = {});
    /// Reads and runs a file (the `source` command); a missing file fails cleanly.
    RunResult runFile(const std::string& path, const RunOptions& options = {});
    /// Runs one command with ready-made words (see CommandContext::call).
    CommandResult call(std::string_view name, std::vector<Value> words);
    /// Runs one command or proc with words already marked as flags or values (no guessing from
    /// a leading "-"), as the Python module calls commands. A failure is printed once and
    /// answered with an empty message (lastError() has it). `output` receives what a command
    /// that outputs into its last argument (tokenize) put there.
    CommandResult callWords(std::string_view name, std::vector<Word> words, Value* output = nullptr,
                            bool reportErrors = true);
    /// The last error message printed (or kept quiet by catchQuiet) by this interpreter.
    const std::string& lastError() const;

    /// Global variables: declared (or replaced) with the value's kind.
    void setGlobal(const std::string& name, Value value);
    /// A global's value, or null.
    const Value* global(const std::string& name) const;
    /// A variable visible at top level (session scope, then globals), or null.
    const Value* variable(const std::string& name) const;

    /// True while a text is being run (commands calling back in run nested).
    bool isRunning() const { return m_depth > 0; }
    /// Asks running loops and scripts to stop with "Interrupted." (safe from a signal handler).
    /// Cleared when the next top-level text starts (Ctrl-C at the shell prompt stops nothing).
    void interrupt() {
        m_interrupt.store(true);
        if (auto listener = m_stopListener.load()) listener();
    }
    /// Like interrupt(), but it stays: every later statement, loop turn and command call fails
    /// with "Interrupted.", and the idle queue runs nothing, until clearStop(). For ending a
    /// script or `tarn -c` on a signal (safe from a signal handler).
    void stop() {
        m_stop.store(true);
        if (auto listener = m_stopListener.load()) listener();
    }
    /// A function that interrupt() and stop() call too, so from a signal handler: it must be
    /// async-signal-safe. The embedded Python sets one to raise KeyboardInterrupt in a running
    /// script. Null for none.
    void setStopListener(void (*listener)()) { m_stopListener.store(listener); }
    bool stopRequested() const { return m_stop.load(); }
    /// True while a stop or an interrupt is pending: long commands ask this as loops are
    /// asked, and end with "Interrupted." (safe from any thread).
    bool interruptRequested() const { return m_stop.load() || m_interrupt.load(); }
    void clearStop() { m_stop.store(false); }

    /// Whether a user proc of that name exists.
    bool hasProc(std::string_view name) const;
    /// The names of the user procs, sorted.
    std::vector<std::string> procNames() const;
    /// The file of the innermost running script that came from a file ("" when none).
    std::string currentSourceName() const;
    /// Nesting limit for procs, eval, source and back-quotes.
    static constexpr int kMaxDepth = 100;

    CommandRegistry& registry() { return m_registry; }

    struct Impl;

private:
    CommandRegistry& m_registry;
    std::unique_ptr<Impl> m_impl;
    int m_depth = 0;
    std::atomic<bool> m_interrupt{false};
    std::atomic<bool> m_stop{false};
    std::atomic<void (*)()> m_stopListener{nullptr};
    friend struct Impl;
};

/// The host's interpreter (created on first use). Main thread only.
Interpreter& hostInterpreter();

}  // namespace tarn::lang
