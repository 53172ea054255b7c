// Fuzz target of the command language: the input is a script run as one top-level text in a
// fresh interpreter over the host's commands. It must succeed or fail with a message; a failure
// that printed nothing is a finding, like a crash. Endless loops are stopped by a watchdog that
// interrupts the run, so only a single statement that runs too long reaches libFuzzer's timeout.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "fuzz/fuzz_targets.h"
#include "fuzz/host_session.h"
#include "host/lang/idle_queue.h"
#include "host/lang/interpreter.h"
#include "host/sdk/host_output.h"

namespace tarn::fuzz {

namespace {

/// Interrupts the armed interpreters (and the host's, which runs deferred and sourced texts)
/// once an input has run longer than its budget, and keeps interrupting until disarmed: a
/// top-level run clears a pending interrupt when it starts.
class Watchdog {
public:
    explicit Watchdog(std::chrono::milliseconds budget) : m_budget(budget) {
        m_thread = std::thread([this] { loop(); });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void arm(lang::Interpreter* interp) {
        std::lock_guard lock(m_mutex);
        m_target = interp;
        m_deadline = std::chrono::steady_clock::now() + m_budget;
        m_wake.notify_all();
    }
    void disarm() {
        std::lock_guard lock(m_mutex);
        m_target = nullptr;
    }

private:
    void loop() {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (!m_target) {
                m_wake.wait(lock);
            } else if (std::chrono::steady_clock::now() < m_deadline) {
                m_wake.wait_until(lock, m_deadline);
            } else {
                m_target->interrupt();
                lang::hostInterpreter().interrupt();
                m_wake.wait_for(lock, std::chrono::milliseconds(5));
            }
        }
    }

    std::chrono::milliseconds m_budget;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    lang::Interpreter* m_target = nullptr;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_quit = false;
    std::thread m_thread;
};

Watchdog& watchdog() {
    // Note: created before the host interpreter is first used by a run, destroyed at exit.
    static Watchdog dog(std::chrono::milliseconds(2000));
    return dog;
}

}  // namespace

void langSetup() {
    enterScratchFolder();
    installPathSandbox();
    lang::hostInterpreter();
    watchdog();
    unloadPluginsAndReset();
}

void langOne(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    lang::RunResult result;
    std::string messages;
    {
        output::Capture capture;
        lang::Interpreter interp;
        lang::RunOptions options;
        options.undo = true;
        watchdog().arm(&interp);
        result = interp.run(text, options);
        lang::idleQueue().flush();
        watchdog().disarm();
        messages = capture.errors();
    }
    if (!result.ok && result.error.empty() && messages.empty())
        reportFinding("a script failed without a message", text);
    unloadPluginsAndReset();
}

}  // namespace tarn::fuzz
