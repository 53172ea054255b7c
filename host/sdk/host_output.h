#pragma once
/// The host's output channels: print (script output), info, warning and error. Text goes to
/// the terminal (print/info on stdout, warning/error on stderr with "// Warning: " and
/// "// Error: " prefixes) unless a capture is active, which keeps it per channel instead.
/// A sink may replace the terminal (the command journal uses that). Thread safe.

#include <functional>
#include <string>
#include <string_view>

namespace tarn::output {

enum class Channel { kPrint = 0, kInfo = 1, kWarning = 2, kError = 3 };

/// Writes `text` to a channel. Info, warning and error texts are one message each: a line feed
/// is added when missing. Print text is written as given.
void write(Channel channel, std::string_view text);
inline void print(std::string_view text) { write(Channel::kPrint, text); }
inline void info(std::string_view text) { write(Channel::kInfo, text); }
inline void warning(std::string_view text) { write(Channel::kWarning, text); }
inline void error(std::string_view text) { write(Channel::kError, text); }

/// Replaces the terminal with `sink` (null restores the terminal). Captures still take
/// precedence. The sink receives the channel and the text (line feed included).
using Sink = std::function<void(Channel, std::string_view)>;
void setSink(Sink sink);

/// While alive, keeps every message instead of printing it. Nested captures each see the text
/// written during their life; the outermost one decides that nothing is printed.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    /// Text of one channel so far (messages with their line feeds, no prefixes).
    std::string text(Channel channel) const;
    std::string errors() const { return text(Channel::kError); }
    std::string warnings() const { return text(Channel::kWarning); }
    std::string infos() const { return text(Channel::kInfo); }
    std::string prints() const { return text(Channel::kPrint); }
    /// Every message so far in the order written, as the terminal shows it (warnings and errors
    /// after their "// Warning: " and "// Error: " prefixes).
    std::string transcript() const;
    void clear();

    /// Host use: receives a message.
    void receive(Channel channel, std::string_view text);

private:
    std::string m_text[4];
    std::string m_transcript;
};

}  // namespace tarn::output
