#include "host/window/terminal_reader.h"

#include <unistd.h>

#include <cerrno>

#include <mutex>
#include <thread>

namespace tarn::window {

// Kept alive by the reading thread as long as it runs, so it may outlive the reader.
struct TerminalReader::Shared {
    std::mutex mutex;
    std::string pending;
    bool ended = false;
    std::function<void()> wake;  // empty once the reader is gone
};

TerminalReader::TerminalReader(std::function<void()> wake) : m_shared(std::make_shared<Shared>()) {
    m_shared->wake = std::move(wake);
    std::thread([shared = m_shared] {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;  // a signal arrived: read on
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (n > 0)
                shared->pending.append(buffer, static_cast<std::size_t>(n));
            else
                shared->ended = true;
            if (shared->wake) shared->wake();
            if (n <= 0 || !shared->wake) return;
        }
    }).detach();
}

TerminalReader::~TerminalReader() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->wake = nullptr;
}

std::string TerminalReader::take(bool* ended) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    std::string out;
    out.swap(m_shared->pending);
    *ended = m_shared->ended;
    return out;
}

}  // namespace tarn::window
