// The interactive shell on a real terminal (a pseudo-terminal): Tab completes a command name,
// then an attribute after a dot, through readline, and the completed texts run.

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>

namespace {

class Terminal {
public:
    Terminal() {
        const std::string dir = ::testing::TempDir();
        m_pid = forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_pid == 0) {
            setenv("TARN_PREFS", (dir + "shell_completion_test.prefs").c_str(), 1);
            setenv("XDG_STATE_HOME", (dir + "shell_completion_state").c_str(), 1);
            setenv("TERM", "dumb", 1);
            execl(TARN_BINARY_DIR "/bin/tarn", "tarn", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Terminal() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_master >= 0) close(m_master);
    }
    bool started() const { return m_pid > 0 && m_master >= 0; }

    // Reads until `text` has appeared since the last wait (or 20 seconds pass).
    bool waitFor(const std::string& text) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_seen.find(text, m_from) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) return false;
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(m_master, buf, sizeof buf);
            if (n <= 0) return false;
            m_seen.append(buf, std::size_t(n));
        }
        m_from = m_seen.find(text, m_from) + text.size();
        return true;
    }
    void type(const std::string& keys) {
        ASSERT_EQ(write(m_master, keys.data(), keys.size()), ssize_t(keys.size()));
    }
    const std::string& seen() const { return m_seen; }

private:
    pid_t m_pid = -1;
    int m_master = -1;
    std::string m_seen;
    std::size_t m_from = 0;
};

TEST(ShellCompletion, TabCompletesCommandsAndAttributes) {
    Terminal t;
    ASSERT_TRUE(t.started());
    ASSERT_TRUE(t.waitFor("tarn> ")) << t.seen();
    // One command starts with "polyCu": Tab completes it (and a blank).
    t.type("polyCu\t-n zed\n");
    ASSERT_TRUE(t.waitFor("// Result: zed zedShape")) << t.seen();
    ASSERT_TRUE(t.waitFor("tarn> ")) << t.seen();
    // Several attributes start with "transl": Tab gives their common start, "translate".
    t.type("getAttr zed.transl\tX\n");
    ASSERT_TRUE(t.waitFor("// Result: 0")) << t.seen();
    t.type("exit\n");
}

}  // namespace
