#pragma once
/// The terminal that started the window keeps taking commands while the window is open: a
/// thread reads standard input and hands each piece to the main thread, waking the window's
/// wait, so the window and the terminal are served together without polling.

#include <functional>
#include <memory>
#include <string>

namespace tarn::window {

class TerminalReader {
public:
    /// Starts reading; `wake` runs on the reading thread after each piece (and at the end of
    /// input) and must be safe to call from there.
    explicit TerminalReader(std::function<void()> wake);
    /// Stops handing over. A read in progress cannot be interrupted, so the thread is left to
    /// end with the process; it touches nothing of this object's owner again.
    ~TerminalReader();
    TerminalReader(const TerminalReader&) = delete;
    TerminalReader& operator=(const TerminalReader&) = delete;

    /// What was read since the last call. `*ended` is true once the input has ended (end of
    /// file or a read error) and everything before was taken.
    std::string take(bool* ended);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace tarn::window
