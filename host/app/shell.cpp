#include "host/app/shell.h"

#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/parser.h"
#include "host/lang/script_output.h"
#include "host/ui/completion.h"
#include "host/version.h"

#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <readline/history.h>
#include <readline/readline.h>

namespace tarn::app {

namespace {

void onInterrupt(int) {
    // Stops a running script at its next statement or loop turn.
    lang::hostInterpreter().interrupt();
}

std::string historyPath() {
    if (const char* s = std::getenv("XDG_STATE_HOME"); s && *s)
        return std::string(s) + "/tarn/history";
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.local/state/tarn/history";
    return {};
}

// "exit" and "quit", with or without a semicolon and blanks around them, end the shell.
bool isLeaveWord(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    auto last = line.find_last_not_of(" \t;");
    if (last == std::string::npos || last < first) return false;
    const std::string word = line.substr(first, last - first + 1);
    if (word != "exit" && word != "quit") return false;
    // Only blanks and at most one semicolon may follow the word.
    const std::string rest = line.substr(last + 1);
    return rest.find_first_not_of(" \t;") == std::string::npos &&
           std::count(rest.begin(), rest.end(), ';') <= 1;
}

// Tab completion: the console's completion of commands, flags, nodes and attributes. The
// matches of one request, handed to readline one by one.
std::vector<std::string>& completionMatches() {
    static std::vector<std::string> matches;
    return matches;
}

char* nextMatch(const char*, int state) {
    static std::size_t next = 0;
    if (state == 0) next = 0;
    const auto& matches = completionMatches();
    return next < matches.size() ? strdup(matches[next++].c_str()) : nullptr;
}

char** completeWord(const char*, int start, int end) {
    rl_attempted_completion_over = 1;  // never fall back to file names
    completionMatches() = ui::completionsFrom(rl_line_buffer, std::size_t(start), std::size_t(end));
    if (completionMatches().empty()) return nullptr;
    // "pCube1.vtx[" waits for its index: no blank after it.
    const std::string& only = completionMatches().front();
    if (completionMatches().size() == 1 && !only.empty() && only.back() == '[')
        rl_completion_suppress_append = 1;
    return rl_completion_matches("", nextMatch);
}

void setUpCompletion() {
    // Words hold names, plugs, components and flags: only blanks and operators end them.
    static char breaks[] = " \t\n;{}()`\"'=+*/<>!&,";
    rl_basic_word_break_characters = breaks;
    rl_completer_word_break_characters = breaks;
    rl_attempted_completion_function = completeWord;
}

bool readLine(bool terminal, const char* prompt, std::string& line) {
    if (terminal) {
        char* raw = readline(prompt);
        if (!raw) return false;
        line = raw;
        std::free(raw);
        return true;
    }
    return static_cast<bool>(std::getline(std::cin, line));
}

}  // namespace

int runShell(const ShellOptions& options) {
    bool terminal = ::isatty(STDIN_FILENO) != 0;
    if (terminal) setUpCompletion();
    std::string history = terminal ? historyPath() : std::string();
    if (!history.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(history).parent_path(), ec);
        read_history(history.c_str());
    }
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);

    if (terminal && !options.quiet)
        std::printf("%s - type help for the commands, exit or Ctrl-D to leave.\n", hostVersion());

    int status = 0;
    int lineNumber = 0;
    std::string pending;
    int pendingFirstLine = 1;
    for (;;) {
        lang::idleQueue().flush();
        std::string line;
        if (!readLine(terminal, pending.empty() ? "tarn> " : "....> ", line)) break;
        ++lineNumber;
        if (pending.empty()) {
            pendingFirstLine = lineNumber;
            if (isLeaveWord(line)) break;
        }
        pending += line;
        pending += '\n';
        // Keep reading while a block, string, back-quote or parenthesis is open.
        if (lang::needsMoreInput(pending)) continue;
        std::string text;
        text.swap(pending);
        if (text.find_first_not_of(" \t\n") == std::string::npos) continue;
        if (terminal) add_history(text.substr(0, text.size() - 1).c_str());
        lang::ExecuteOptions o;
        o.undo = true;
        o.origin = "shell";
        if (!terminal) {
            o.sourceName = "<stdin>";
            o.firstLine = pendingFirstLine;
        }
        lang::RunResult r = lang::executeText(text, o);
        if (r.ok && !options.quiet && !r.value.isNone())
            lang::scriptOutput(lang::OutputKind::Result, r.value.toDisplay());
        if (!r.ok && !terminal) status = 1;
    }
    if (!pending.empty()) {
        lang::scriptOutput(lang::OutputKind::Error,
                           "Input ended inside an unfinished statement (line " +
                               std::to_string(pendingFirstLine) + ").");
        status = 1;
    }
    lang::idleQueue().flush();
    if (!history.empty()) write_history(history.c_str());
    if (terminal && !options.quiet) std::printf("\n");
    return status;
}

}  // namespace tarn::app
