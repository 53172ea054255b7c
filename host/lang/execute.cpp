#include "host/lang/execute.h"

#include "host/lang/journal.h"

namespace tarn::lang {

RunResult executeText(std::string_view text, const ExecuteOptions& options) {
    RunOptions ro;
    ro.display = options.display;
    ro.undo = options.undo;
    ro.sourceName = options.sourceName;
    ro.firstLine = options.firstLine;
    ro.flushIdleEachStatement = options.flushIdleEachStatement;
    ro.allOrNothing = options.allOrNothing;
    ro.reportErrors = options.reportErrors;
    JournalEntry e;
    e.text = std::string(text);
    e.display = options.display;
    e.undo = options.undo;
    e.origin = options.origin;
    std::size_t id = journal().begin(std::move(e));
    RunResult r = hostInterpreter().run(text, ro);
    journal().finish(id, r.ok ? r.value.toDisplay() : std::string(), r.ok ? 0 : 1, r.error);
    return r;
}

}  // namespace tarn::lang
