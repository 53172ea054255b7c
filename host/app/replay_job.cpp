#include "host/app/replay_job.h"

#include <cstdio>

#include "frame/k_global.h"
#include "host/lang/journal_replay.h"
#include "host/render/job_report.h"

namespace tarn::app {

namespace {

constexpr const char* kJob = "replay";

// A text as a string literal of the command language.
std::string quoted(const std::string& text) {
    return "\"" + escapeCommandString(KString(text)).str() + "\"";
}

}  // namespace

const char* replayUsage() {
    return "usage: tarn replay JOURNAL [--save SCENE.tscene]\n"
           "Runs the texts of a journal (tarn --journal FILE, or tarn view --journal FILE) again,\n"
           "headless and in order: the texts run at the top of the session, not those run inside\n"
           "them (a tool's commands), nor deferred ones, failed ones or queries. Stops at the\n"
           "first text that fails, naming its line in the journal.\n"
           "  --save FILE   save the scene the replay leaves (file -save)\n";
}

int runReplayJob(const std::vector<std::string>& args) {
    std::string journal, save;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--save" && i + 1 < args.size()) {
            save = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            jobs::message(kJob, "unknown option " + args[i]);
            std::fputs(replayUsage(), stderr);
            return 2;
        } else if (journal.empty()) {
            journal = args[i];
        } else {
            jobs::message(kJob, "one journal at a time");
            return 2;
        }
    }
    if (journal.empty()) {
        jobs::message(kJob, "no journal given");
        std::fputs(replayUsage(), stderr);
        return 2;
    }
    const lang::ReplayOutcome out = lang::replayJournal(journal);
    if (!out.ok) {
        jobs::message(kJob, out.error);
        return 1;
    }
    jobs::note(kJob, "ran " + std::to_string(out.ran) +
                         (out.ran == 1 ? " text of " : " texts of ") + journal + " (" +
                         std::to_string(out.skipped) + (out.skipped == 1 ? " entry" : " entries") +
                         " left out)");
    if (!save.empty()) {
        if (KGlobal::executeCommand(KString("file -save " + quoted(save))).error()) {
            jobs::message(kJob, "could not save " + save);
            return 1;
        }
        jobs::note(kJob, "wrote " + save);
    }
    return 0;
}

}  // namespace tarn::app
