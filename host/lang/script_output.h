#pragma once
/// The script output: where `print`, results, infos, warnings and errors of the command language
/// go. The tarn program prints to the terminal; tests capture. Main thread only.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang {

enum class OutputKind { Print, Info, Warning, Error, Result, Echo };

/// Writes one message. Print text is written as given; Info, Warning, Error, Result and Echo
/// are written as one line each with their prefixes ("// Warning: ", "// Error: ",
/// "// Result: ") and a line feed added when the text lacks one.
void scriptOutput(OutputKind kind, std::string_view text);

/// The text scriptOutput writes for a message (prefix and final line feed included). Pure.
std::string formatOutput(OutputKind kind, std::string_view text);

/// Receives every message (already formatted) instead of the default terminal writer (stdout
/// for print, info, results and echoes; stderr for warnings and errors). Null restores it.
using OutputSink = std::function<void(OutputKind, const std::string&)>;
void setOutputSink(OutputSink sink);

/// Collects everything written while it lives (and suppresses the terminal output), for tests.
class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    /// Everything written, concatenated.
    std::string text() const;
    /// Messages of one kind (formatted), in order.
    std::vector<std::string> of(OutputKind kind) const;
    void clear() { m_items.clear(); }

private:
    std::vector<std::pair<OutputKind, std::string>> m_items;
    OutputCapture* m_previous;
};

}  // namespace tarn::lang
