#pragma once
/// The `replay` job of the tarn program: `tarn replay JOURNAL [--save SCENE.tscene]` runs the
/// texts of a journal again (host/lang/journal_replay.h), headless, and saves the scene it
/// leaves when asked. Main thread only.

#include <string>
#include <vector>

namespace tarn::app {

/// `args` are the words after "replay". Answers the exit status: 0 when every text ran (and
/// the save succeeded), 1 when a text failed, 2 for bad arguments.
int runReplayJob(const std::vector<std::string>& args);
const char* replayUsage();

}  // namespace tarn::app
