#pragma once
/// The script output: where `print`, results, infos, warnings and errors of the command language
/// go. Everything goes through the host's output channels (host/sdk/host_output.h): results and
/// echoed texts on the print channel with their "// Result: " prefix, the rest on their own
/// channel. Main thread only.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang {

enum class OutputKind { Print, Info, Warning, Error, Result, Echo };

/// Writes one message. Print text is written as given; Info, Warning, Error, Result and Echo
/// are written as one line each with their prefixes ("// Warning: ", "// Error: ",
/// "// Result: ") and a line feed added when the text lacks one.
void scriptOutput(OutputKind kind, std::string_view text);

/// Whether texts run with display on are echoed and their results written (Echo and Result
/// messages); on by default. A quiet program (`tarn -q`) turns it off, so a plug-in's
/// displayed text writes nothing but its own prints, infos, warnings and errors.
void setEchoShown(bool shown);
bool echoShown();

/// The text scriptOutput writes for a message (prefix and final line feed included). Pure.
std::string formatOutput(OutputKind kind, std::string_view text);

/// Collects everything written on the host's channels while it lives, in order and formatted as
/// the terminal shows it, and suppresses the terminal output (for tests). Not nestable with
/// another sink user.
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
};

}  // namespace tarn::lang
