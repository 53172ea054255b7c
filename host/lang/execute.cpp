#include "host/lang/execute.h"

#include "host/lang/journal.h"

namespace tarn::lang {

RunResult executeText(std::string_view text, const ExecuteOptions& options)
{
    RunOptions ro;
    ro.display = options.display;
    ro.undo = options.undo;
    ro.sourceName = options.sourceName;
    ro.firstLine = options.firstLine;
    ro.flushIdleEachStatement = options.flushIdleEachStatement;
    RunResult r = hostInterpreter().run(text, ro);
    JournalEntry e;
    e.text = std::string(text);
    e.display = options.display;
    e.undo = options.undo;
    e.result = r.ok ? r.value.toDisplay() : std::string();
    e.status = r.ok ? 0 : 1;
    e.error = r.error;
    e.origin = options.origin;
    journal().record(std::move(e));
    return r;
}

}  // namespace tarn::lang
