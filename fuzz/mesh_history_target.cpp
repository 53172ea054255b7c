// Fuzz target of mesh edits, construction history and shading assignments: the input's bytes
// choose a session of steps on primitives (fuzz/mesh_history_session.h). A step that fails
// must change nothing, every mesh must stay valid after every step, and undoing every step
// must give the start back (redoing them, the end); anything else is a finding, like a crash.
#include <algorithm>

#include "fuzz/fuzz_targets.h"
#include "fuzz/host_session.h"
#include "fuzz/mesh_history_session.h"
#include "host/lang/interpreter.h"

namespace tarn::fuzz {

void meshHistorySetup() {
    enterScratchFolder();
    installPathSandbox();
    lang::hostInterpreter();
    unloadPluginsAndReset();
}

void meshHistoryOne(const std::uint8_t* data, std::size_t size) {
    // Each choice takes the next byte (two for more than 256 choices); past the end, 0.
    std::size_t at = 0;
    const Chooser choose = [&](int n) {
        if (n <= 1) return 0;
        unsigned value = at < size ? data[at++] : 0u;
        if (n > 256) value = value << 8 | (at < size ? data[at++] : 0u);
        return static_cast<int>(value % static_cast<unsigned>(n));
    };
    std::string error;
    if (!MeshHistorySession::setUp(&error)) reportFinding("the session could not be set up", error);
    // About one step for every three bytes; a long input stays a bounded run.
    const int steps = static_cast<int>(std::min<std::size_t>(size / 3, 80));
    MeshHistorySession session;
    const SessionReport report = session.run(steps, choose);
    if (!report.fault.empty()) reportFinding(report.fault, report.detail);
    unloadPluginsAndReset();
}

}  // namespace tarn::fuzz
