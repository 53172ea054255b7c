#pragma once
/// Built-in commands are data: a host module describes each command once (name, usage, positional
/// argument counts and types, the flag table, query/edit modes, undoable or not) and gives a body.
/// The interpreter checks every invocation against that description and produces every message
/// about wrong counts, unknown flags and bad types; a body only ever sees validated arguments.
///
/// Registering (in a host module's own .cpp):
///
///     void tarn::lang::installDgCommands(CommandRegistry& registry) {
///         registry.add({
///             .name = "setAttr",
///             .usage = "setAttr [-lock bool] [-type string] plug [value...]",
///             .minArgs = 1, .maxArgs = kUnlimited,
///             .argTypes = {ArgType::String, ArgType::Any},
///             .flags = {{.longName = "lock", .shortName = "l", .args = {ArgType::Bool}},
///                       {.longName = "type", .shortName = "typ", .args = {ArgType::String}}},
///             .undoable = true,
///             .body = [](const CommandArgs& args, CommandContext& ctx) -> CommandResult {
///                 if (args.has("lock")) { ... args.flag("lock").asBool() ... }
///                 if (bad) return CommandResult::failure("No object matches name: " + name);
///                 return {};            // or return Value(...) for a result
///             }});
///     }
///
/// The installer names the host calls at start-up are listed in host/lang/command_modules.h.
/// Threading: the registry and the interpreter belong to the main thread.

#include "host/lang/value.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang {

class Interpreter;

/// Argument types a positional argument or flag argument may declare. Words are converted to the
/// declared type before the body runs; a word that does not convert is reported by the
/// interpreter ("Invalid argument ... expected int").
enum class ArgType {
    Any,          ///< kept as written: a word stays a string, an expression keeps its kind
    String,       ///< any value, converted to its text
    Int,          ///< an integer literal or int value (floats with no fraction are accepted)
    Float,        ///< any number
    Bool,         ///< 0/1, true/false, on/off, yes/no; converted to Int 0 or 1
    StringArray,  ///< an array value ({...} literal or array variable); scalars become 1-arrays
    IntArray,
    FloatArray,
};

/// Marks an unbounded positional maximum.
inline constexpr int kUnlimited = -1;

/// One flag of a command. An empty `args` makes the flag a switch.
/// Every member has a default, so designated initialisers may leave any out.
struct FlagSpec {
    std::string longName{};       ///< without the dash: "lock"
    std::string shortName{};      ///< without the dash: "l" (may equal longName)
    std::vector<ArgType> args{};  ///< argument types, in order, each use takes all of them
    bool multiUse = false;        ///< may be given more than once (each use kept in order)
    bool query = false;           ///< allowed with -q; in query mode the flag takes no argument
    bool edit = false;            ///< allowed with -e
    bool create = true;           ///< allowed without -q/-e
};

/// The arguments a body receives, already checked and converted.
class CommandArgs {
public:
    struct FlagUse {
        const FlagSpec* decl = nullptr;
        std::vector<Value> values;  ///< converted to decl->args (empty for switches and queries)
    };

    /// The command name as invoked.
    const std::string& commandName() const { return m_name; }
    /// True when invoked with -q/-query (only for commands with `queryMode`).
    bool isQuery() const { return m_query; }
    /// True when invoked with -e/-edit (only for commands with `editMode`).
    bool isEdit() const { return m_edit; }

    /// Positional arguments, converted to the declared types. For `rawArgs` commands every word
    /// of the invocation, flags included, in order, with words as strings.
    const std::vector<Value>& positional() const { return m_positional; }
    std::size_t count() const { return m_positional.size(); }
    /// Positional argument i (None when i >= count()).
    const Value& operator[](std::size_t i) const;

    /// True when the flag (long or short name) was given at least once.
    bool has(std::string_view name) const;
    /// Number of uses of the flag (0 when absent).
    std::size_t uses(std::string_view name) const;
    /// Argument `arg` of use `use` of the flag; None when absent or out of range.
    const Value& flag(std::string_view name, std::size_t arg = 0, std::size_t use = 0) const;
    /// Every flag use in the order given.
    const std::vector<FlagUse>& flags() const { return m_flags; }

    /// For a command that guards its arguments: the failure met while evaluating them.
    struct GuardedFailure {
        bool failed = false;
        std::string message;    ///< located ("file:line: ...") like the error line of a script
        bool reported = false;  ///< already printed by a nested run
    };
    const GuardedFailure& guardedFailure() const { return m_guarded; }
    void setGuardedFailure(GuardedFailure failure) { m_guarded = std::move(failure); }

    // Filled by the interpreter.
    void setName(std::string name) { m_name = std::move(name); }
    void setModes(bool query, bool edit) { m_query = query, m_edit = edit; }
    void addPositional(Value v) { m_positional.push_back(std::move(v)); }
    void addFlag(FlagUse use) { m_flags.push_back(std::move(use)); }

private:
    const FlagUse* findUse(std::string_view name, std::size_t use) const;

    std::string m_name;
    bool m_query = false;
    bool m_edit = false;
    std::vector<Value> m_positional;
    std::vector<FlagUse> m_flags;
    GuardedFailure m_guarded;
};

/// What a body answers: a result value (None for no result) or an error message. The
/// interpreter prints the message once as "// Error: <message>" and the statement fails.
struct CommandResult {
    bool ok = true;
    Value value;
    std::string error;

    CommandResult() = default;
    CommandResult(Value v) : value(std::move(v)) {}
    /// A successful result carrying `v`.
    static CommandResult success(Value v = {}) { return CommandResult(std::move(v)); }
    /// A failure with a message (no prefix, no trailing line feed). Empty messages are allowed
    /// when the body already reported through CommandContext::error.
    static CommandResult failure(std::string message) {
        CommandResult r;
        r.ok = false;
        r.error = std::move(message);
        return r;
    }
};

/// What a body can do besides reading its arguments: report messages and run other commands.
/// Valid only during the body call.
class CommandContext {
public:
    explicit CommandContext(Interpreter& interp) : m_interp(interp) {}

    /// Message channels: printed with "// Warning: " / "// Error: " prefixes (info unprefixed)
    /// through the host output and captured for tests.
    void info(std::string_view text);
    void warning(std::string_view text);
    void error(std::string_view text);

    /// Runs a text (statements of the language) as a nested command: it joins the open undo
    /// chunk, is not journalled separately and shares the global variables. Returns the value of
    /// the last statement, or failure (its error already printed).
    CommandResult run(std::string_view text);
    /// Runs one command with ready-made words, no quoting needed: strings that start with "-"
    /// and a letter are flags, everything else is an argument. Same rules as run().
    CommandResult call(std::string_view name, std::vector<Value> words);

    Interpreter& interpreter() { return m_interp; }

    /// For a command that outputs into its last argument: the value the caller's variable gets.
    void setOutput(Value v) { m_output = std::move(v), m_hasOutput = true; }
    bool hasOutput() const { return m_hasOutput; }
    const Value& output() const { return m_output; }

private:
    Interpreter& m_interp;
    Value m_output;
    bool m_hasOutput = false;
};

using CommandBody = std::function<CommandResult(const CommandArgs&, CommandContext&)>;

/// The description of one command.
struct CommandSpec {
    std::string name{};
    std::string usage{};              ///< one line, shown by `help NAME` and in count errors
    std::string summary{};            ///< what the command does, shown by `help NAME` (optional)
    int minArgs = 0;                  ///< positional arguments, after flags are taken out
    int maxArgs = 0;                  ///< kUnlimited for no maximum
    std::vector<ArgType> argTypes{};  ///< type of position i = argTypes[min(i, size-1)]; empty: Any
    std::vector<FlagSpec> flags{};
    bool queryMode = false;  ///< -q/-query switches to query mode
    bool editMode = false;   ///< -e/-edit switches to edit mode
    bool undoable = false;   ///< changes the scene and records its changes for undo
    bool rawArgs = false;    ///< no checking: every word goes to positional() as given
    /// The last positional argument is the caller's variable, which the body fills through
    /// CommandContext::setOutput (tokenize's buffer). Such a command takes no flags.
    bool outputsLast = false;
    /// The arguments are evaluated under a guard (catch): when evaluating them fails, the
    /// statement goes on and the body runs with CommandArgs::guardedFailure() set instead of
    /// arguments. An interrupt is never caught.
    bool guardsArguments = false;
    CommandBody body{};
    std::string owner = "host";  ///< "host" or the plug-in that registered it
    /// An interface command of a window system this host does not have: accepted so that
    /// scripts written for a host with windows run, but it shows nothing (`help` says so).
    bool windowless = false;
};

/// The table of commands the interpreter knows, by name.
class CommandRegistry {
public:
    /// Adds a command. Fails (false, reason in *error) for an empty or taken name, a missing
    /// body, or a flag table with duplicate names.
    bool add(CommandSpec decl, std::string* error = nullptr);
    /// Removes a command; false when no such name.
    bool remove(std::string_view name);
    /// The command named `name`, or null. The pointer stays valid until it is removed.
    const CommandSpec* find(std::string_view name) const;
    /// All names, sorted.
    std::vector<std::string> names() const;

private:
    std::map<std::string, std::unique_ptr<CommandSpec>, std::less<>> m_commands;
};

/// The host's one registry (process-wide, created on first use, which also runs every module's
/// installer once; see command_modules.h). Main thread only.
CommandRegistry& commandRegistry();

/// Looks a flag up by long or short name in a decl; null when unknown.
const FlagSpec* findFlag(const CommandSpec& decl, std::string_view name);

}  // namespace tarn::lang
