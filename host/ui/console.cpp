#include "host/ui/console.h"

#include <algorithm>

#include "host/lang/execute.h"
#include "host/lang/parser.h"
#include "host/sdk/host_output.h"

namespace tarn::ui {

namespace {

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

Console::Console(std::size_t capacity) : m_capacity(std::max<std::size_t>(capacity, 1)) {}

void Console::setInput(std::string text) {
    m_input = std::move(text);
    m_back = 0;
}

void Console::historyUp() {
    if (m_back >= m_entries.size()) return;
    if (m_back == 0) m_draft = m_input;
    ++m_back;
    m_input = m_entries[m_entries.size() - m_back].input;
}

void Console::historyDown() {
    if (m_back == 0) return;
    --m_back;
    m_input = m_back == 0 ? m_draft : m_entries[m_entries.size() - m_back].input;
}

bool Console::inputComplete() const {
    return !lang::needsMoreInput(m_input);
}

bool Console::submit() {
    if (isBlank(m_input) || !inputComplete()) return false;
    const std::string text = m_input;
    m_input.clear();
    m_draft.clear();
    m_back = 0;
    run(text);
    return true;
}

bool Console::run(const std::string& text) {
    ConsoleEntry entry;
    entry.input = text;
    // Drop the final line feed multi-line input leaves, so the history shows the text itself.
    while (!entry.input.empty() && (entry.input.back() == '\n' || entry.input.back() == '\r'))
        entry.input.pop_back();
    lang::ExecuteOptions options;
    options.undo = true;
    options.origin = "console";
    lang::RunResult r;
    {
        output::Capture capture;
        r = lang::executeText(text, options);
        entry.output = capture.transcript();
    }
    entry.ok = r.ok;
    if (r.ok && !r.value.isNone()) entry.result = r.value.toDisplay();
    m_entries.push_back(std::move(entry));
    while (m_entries.size() > m_capacity) m_entries.pop_front();
    return r.ok;
}

Completion Console::complete(std::size_t* cursor) {
    const std::size_t at = cursor ? *cursor : m_input.size();
    Completion c = ui::complete(m_input, at);
    if (!c.candidates.empty()) {
        std::size_t after = at;
        m_input = applyCompletion(m_input, c, &after);
        if (cursor) *cursor = after;
    }
    return c;
}

}  // namespace tarn::ui
