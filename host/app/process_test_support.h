#pragma once
// Running a command line from a test, as a person would in a shell: its exit status and what it
// wrote to standard output (add "2>&1" to the line for its errors too).

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace tarn::testing {

struct ProcessOutcome {
    int status = -1;  ///< the exit status; -1 when it did not exit normally or could not start
    std::string out;
};

inline ProcessOutcome runCommandLine(const std::string& commandLine) {
    ProcessOutcome o;
    FILE* p = popen(commandLine.c_str(), "r");
    if (!p) return o;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) o.out.append(buf.data(), n);
    const int raw = pclose(p);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

}  // namespace tarn::testing
