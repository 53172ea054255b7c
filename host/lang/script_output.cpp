#include "host/lang/script_output.h"

#include <cstdio>

namespace tarn::lang {

namespace {

OutputSink& sink()
{
    static OutputSink s;
    return s;
}

OutputCapture*& activeCapture()
{
    static OutputCapture* c = nullptr;
    return c;
}

}  // namespace

std::string formatOutput(OutputKind kind, std::string_view text)
{
    std::string out;
    switch (kind) {
    case OutputKind::Print: return std::string(text);
    case OutputKind::Warning: out = "// Warning: "; break;
    case OutputKind::Error: out = "// Error: "; break;
    case OutputKind::Result: out = "// Result: "; break;
    case OutputKind::Info:
    case OutputKind::Echo: break;
    }
    out += text;
    if (out.empty() || out.back() != '\n')
        out += '\n';
    return out;
}

void scriptOutput(OutputKind kind, std::string_view text)
{
    std::string formatted = formatOutput(kind, text);
    if (auto& s = sink()) {
        s(kind, formatted);
        return;
    }
    FILE* stream = (kind == OutputKind::Warning || kind == OutputKind::Error) ? stderr : stdout;
    std::fwrite(formatted.data(), 1, formatted.size(), stream);
    std::fflush(stream);
}

void setOutputSink(OutputSink s) { sink() = std::move(s); }

OutputCapture::OutputCapture() : m_previous(activeCapture())
{
    activeCapture() = this;
    setOutputSink([this](OutputKind kind, const std::string& text) {
        m_items.emplace_back(kind, text);
    });
}

OutputCapture::~OutputCapture()
{
    activeCapture() = m_previous;
    if (m_previous) {
        OutputCapture* prev = m_previous;
        setOutputSink([prev](OutputKind kind, const std::string& text) {
            prev->m_items.emplace_back(kind, text);
        });
    } else {
        setOutputSink(nullptr);
    }
}

std::string OutputCapture::text() const
{
    std::string all;
    for (const auto& [kind, text] : m_items)
        all += text;
    return all;
}

std::vector<std::string> OutputCapture::of(OutputKind kind) const
{
    std::vector<std::string> out;
    for (const auto& [k, text] : m_items)
        if (k == kind)
            out.push_back(text);
    return out;
}

}  // namespace tarn::lang
