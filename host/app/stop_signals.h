#pragma once
/// Ending a script file run or `tarn -c` on Ctrl-C (SIGINT) or SIGTERM: the handler only sets
/// the interpreter's stop flag, which the interpreter checks before every statement, on every
/// loop turn and at every command call, so the run ends at the next of those with
/// "Interrupted.", the idle queue runs nothing more, and the journal keeps every text that
/// finished. A second signal while the first is still being acted on ends the process at once
/// (for a single command that runs long). The interactive shell keeps its own Ctrl-C handling
/// (it interrupts the running statement, not the shell). Main thread only.

namespace tarn::app {

/// Installs the handlers for SIGINT and SIGTERM.
void installStopSignals();

/// The signal that stopped the run (SIGINT or SIGTERM), or 0.
int stopSignal();

}  // namespace tarn::app
