#pragma once
/// The script console panel's model: the texts run from it with what they wrote and answered
/// (the last few hundred), the input being typed (several lines allowed), Up/Down through the
/// texts run before, and completion. Running goes through the host like the shell's texts do:
/// journalled (origin "console") with undo on. Main thread only.

#include <cstddef>
#include <deque>
#include <string>

#include "host/ui/completion.h"

namespace tarn::ui {

struct ConsoleEntry {
    std::string input;   ///< the text as run
    std::string output;  ///< what it wrote, in order, as the terminal shows it
    std::string result;  ///< its result as the shell shows it ("" for none)
    bool ok = true;      ///< false when it failed (the error is in `output`)
};

class Console {
public:
    /// Keeps the newest `capacity` entries (at least 1).
    explicit Console(std::size_t capacity = 500);

    const std::deque<ConsoleEntry>& entries() const { return m_entries; }
    std::size_t capacity() const { return m_capacity; }
    void clearEntries() { m_entries.clear(); }

    /// The input being typed. Typing ends any walk through the history.
    const std::string& input() const { return m_input; }
    void setInput(std::string text);

    /// Up: the previous text run (the first Up keeps the draft); Down: the next one, and past
    /// the newest the draft again. Nothing happens at either end.
    void historyUp();
    void historyDown();

    /// True when the input is a whole text: no block, string, back-quote or parenthesis open.
    bool inputComplete() const;
    /// Runs the input and records it with its output and result, then empties the input. False
    /// (nothing runs, the input stays) when the input is blank or not complete.
    bool submit();
    /// Runs `text` as submit() does, whatever the input holds; answers whether it succeeded.
    bool run(const std::string& text);

    /// Completion of the word before `cursor` in the input; with one candidate (or a longer
    /// common start) the input takes it and `*cursor` moves past it.
    Completion complete(std::size_t* cursor);

private:
    std::size_t m_capacity;
    std::deque<ConsoleEntry> m_entries;
    std::string m_input;
    std::string m_draft;
    /// Entries back from the newest while walking the history (0: not walking).
    std::size_t m_back = 0;
};

}  // namespace tarn::ui
