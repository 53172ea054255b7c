#include "host/sdk/host_output.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace tarn::output {
namespace {

struct State {
    std::mutex mutex;
    std::vector<Capture*> captures;
    Sink sink;
};

State& state() {
    // Never destroyed: plug-ins unloading at exit may still report.
    static State* s = new State;
    return *s;
}

void toTerminal(Channel channel, std::string_view text) {
    FILE* stream = (channel == Channel::kWarning || channel == Channel::kError) ? stderr : stdout;
    const char* prefix = channel == Channel::kWarning ? "// Warning: "
                         : channel == Channel::kError ? "// Error: "
                                                      : "";
    std::fputs(prefix, stream);
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

void write(Channel channel, std::string_view text) {
    std::string message(text);
    if (channel != Channel::kPrint && (message.empty() || message.back() != '\n')) message += '\n';
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.captures.empty()) {
        for (Capture* capture : s.captures) capture->receive(channel, message);
        return;
    }
    if (s.sink) {
        s.sink(channel, message);
        return;
    }
    toTerminal(channel, message);
}

void setSink(Sink sink) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sink = std::move(sink);
}

Capture::Capture() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.captures.push_back(this);
}

Capture::~Capture() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::erase(s.captures, this);
}

std::string Capture::text(Channel channel) const {
    std::lock_guard<std::mutex> lock(state().mutex);
    return m_text[static_cast<int>(channel)];
}

std::string Capture::transcript() const {
    std::lock_guard<std::mutex> lock(state().mutex);
    return m_transcript;
}

void Capture::clear() {
    std::lock_guard<std::mutex> lock(state().mutex);
    for (auto& t : m_text) t.clear();
    m_transcript.clear();
}

void Capture::receive(Channel channel, std::string_view text) {
    m_text[static_cast<int>(channel)] += text;
    m_transcript += channel == Channel::kWarning ? "// Warning: "
                    : channel == Channel::kError ? "// Error: "
                                                 : "";
    m_transcript += text;
}

}  // namespace tarn::output
