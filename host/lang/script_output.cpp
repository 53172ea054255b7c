#include "host/lang/script_output.h"

#include "host/sdk/host_output.h"

namespace tarn::lang {

std::string formatOutput(OutputKind kind, std::string_view text) {
    std::string out;
    switch (kind) {
        case OutputKind::Print:
            return std::string(text);
        case OutputKind::Warning:
            out = "// Warning: ";
            break;
        case OutputKind::Error:
            out = "// Error: ";
            break;
        case OutputKind::Result:
            out = "// Result: ";
            break;
        case OutputKind::Info:
        case OutputKind::Echo:
            break;
    }
    out += text;
    if (out.empty() || out.back() != '\n') out += '\n';
    return out;
}

namespace {
// Set once by the program from its command line, read by every message after; main thread.
bool gEchoShown = true;
}  // namespace

void setEchoShown(bool shown) {
    gEchoShown = shown;
}

bool echoShown() {
    return gEchoShown;
}

void scriptOutput(OutputKind kind, std::string_view text) {
    switch (kind) {
        case OutputKind::Print:
            output::print(text);
            break;
        case OutputKind::Info:
            output::info(text);
            break;
        case OutputKind::Warning:
            output::warning(text);
            break;
        case OutputKind::Error:
            output::error(text);
            break;
        case OutputKind::Result:
        case OutputKind::Echo:
            if (gEchoShown) output::print(formatOutput(kind, text));
            break;
    }
}

OutputCapture::OutputCapture() {
    output::setSink([this](output::Channel channel, std::string_view text) {
        OutputKind kind = channel == output::Channel::kInfo      ? OutputKind::Info
                          : channel == output::Channel::kWarning ? OutputKind::Warning
                          : channel == output::Channel::kError   ? OutputKind::Error
                                                                 : OutputKind::Print;
        m_items.emplace_back(kind, formatOutput(kind, text));
    });
}

OutputCapture::~OutputCapture() {
    output::setSink(nullptr);
}

std::string OutputCapture::text() const {
    std::string all;
    for (const auto& [kind, text] : m_items) all += text;
    return all;
}

std::vector<std::string> OutputCapture::of(OutputKind kind) const {
    std::vector<std::string> out;
    for (const auto& [k, text] : m_items)
        if (k == kind) out.push_back(text);
    return out;
}

}  // namespace tarn::lang
