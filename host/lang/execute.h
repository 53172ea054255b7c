#pragma once
/// Running a text the way the host does for its callers: through the host interpreter, with the
/// display and undo flags, and recorded in the journal. KGlobal::executeCommand, the idle queue
/// and the tarn program all come through here. Main thread only.

#include "host/lang/interpreter.h"

#include <string>
#include <string_view>

namespace tarn::lang {

struct ExecuteOptions {
    bool display = false;
    bool undo = false;
    std::string origin = "api";  ///< journal origin: "api", "idle", "script", "shell", ...
    std::string sourceName;      ///< file name for messages
    int firstLine = 1;
    bool flushIdleEachStatement = false;
    bool allOrNothing = false;  ///< see RunOptions::allOrNothing
    bool reportErrors = true;   ///< see RunOptions::reportErrors
};

/// Runs `text` on the host interpreter and journals it.
RunResult executeText(std::string_view text, const ExecuteOptions& options = {});

}  // namespace tarn::lang
