#pragma once
/// The interactive shell of the tarn program: line editing and history (readline) on a
/// terminal, plain line reading otherwise. Statements may span lines; the idle queue runs at
/// every prompt. Main thread only.

namespace tarn::app {

struct ShellOptions {
    bool quiet = false;  ///< no banner, no result lines
};

/// Runs until end of input or `quit`. Answers the process exit status: 0, or 1 when input came
/// from a pipe and a statement failed.
int runShell(const ShellOptions& options);

}  // namespace tarn::app
