// The command half of KGlobal: texts through the host interpreter, the idle queue and the
// message channels.

#include "frame/k_global.h"

#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/script_output.h"

#include <thread>

namespace {

// libtarn is initialised on the program's main thread; command texts belong to that thread.
const std::thread::id kMainThread = std::this_thread::get_id();

bool onMainThread() {
    if (std::this_thread::get_id() == kMainThread) return true;
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Error,
                             "Command texts can only run on the main thread; ignored.");
    return false;
}

using tarn::lang::RunResult;
using tarn::lang::Value;

// Runs a text for a caller of the SDK; nothing escapes into plug-in code.
bool run(const KString& command, bool display, bool undo, Value* result) {
    if (!onMainThread()) return false;
    try {
        tarn::lang::ExecuteOptions o;
        o.display = display;
        o.undo = undo;
        o.origin = "api";
        // A text run with undo on is one step for the user: all of it, or none of it.
        o.allOrNothing = undo;
        RunResult r = tarn::lang::executeText(command.str(), o);
        if (result) *result = std::move(r.value);
        return r.ok;
    } catch (...) {
        return false;
    }
}

KStatus status(bool ok) {
    return ok ? KStatus() : KStatus(KStatus::kFailure);
}

}  // namespace

KStatus KGlobal::executeCommand(const KString& command, bool displayEnabled, bool undoEnabled) {
    return status(run(command, displayEnabled, undoEnabled, nullptr));
}

KStatus KGlobal::executeCommand(const KString& command, KString& result, bool displayEnabled,
                                bool undoEnabled) {
    Value v;
    bool ok = run(command, displayEnabled, undoEnabled, &v);
    result = KString(v.toDisplay());
    return status(ok);
}

KStatus KGlobal::executeCommand(const KString& command, int& result, bool displayEnabled,
                                bool undoEnabled) {
    Value v;
    bool ok = run(command, displayEnabled, undoEnabled, &v);
    result = int(v.asInt());
    return status(ok);
}

KStatus KGlobal::executeCommand(const KString& command, double& result, bool displayEnabled,
                                bool undoEnabled) {
    Value v;
    bool ok = run(command, displayEnabled, undoEnabled, &v);
    result = v.asFloat();
    return status(ok);
}

KStatus KGlobal::executeCommand(const KString& command, KStringArray& result, bool displayEnabled,
                                bool undoEnabled) {
    Value v;
    bool ok = run(command, displayEnabled, undoEnabled, &v);
    result.clear();
    for (const auto& s : v.asStringArray()) result.append(KString(s));
    return status(ok);
}

KStatus KGlobal::executeCommand(const KString& command, KIntArray& result, bool displayEnabled,
                                bool undoEnabled) {
    Value v;
    bool ok = run(command, displayEnabled, undoEnabled, &v);
    result.clear();
    for (auto i : v.asIntArray()) result.append(int(i));
    return status(ok);
}

KStatus KGlobal::executeCommand(const KString& command, KDoubleArray& result, bool displayEnabled,
                                bool undoEnabled) {
    Value v;
    bool ok = run(command, displayEnabled, undoEnabled, &v);
    result.clear();
    for (auto d : v.asFloatArray()) result.append(d);
    return status(ok);
}

KStatus KGlobal::executeCommandOnIdle(const KString& command, bool displayEnabled) {
    if (!onMainThread()) return KStatus(KStatus::kFailure);
    try {
        tarn::lang::idleQueue().push(command.str(), displayEnabled);
        return KStatus();
    } catch (...) {
        return KStatus(KStatus::kFailure);
    }
}

void KGlobal::displayInfo(const KString& text) {
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Info, text.str());
}

void KGlobal::displayWarning(const KString& text) {
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Warning, text.str());
}

void KGlobal::displayError(const KString& text) {
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Error, text.str());
}
