// Journal replay: which texts of a journal run again (top-level, successful, not deferred, not
// queries), in order, and a replay that stops at the first failure with its journal line.

#include <gtest/gtest.h>

#include <fstream>

#include "host/lang/execute.h"
#include "host/lang/journal.h"
#include "host/lang/journal_replay.h"
#include "host/sdk/host_output.h"

namespace tarn::lang {
namespace {

std::string entry(long seq, const std::string& text, const std::string& origin, int status = 0) {
    return "{\"seq\":" + std::to_string(seq) + ",\"text\":\"" + text +
           "\",\"display\":false,\"undo\":true,\"result\":\"\",\"status\":" +
           std::to_string(status) + ",\"origin\":\"" + origin + "\"}\n";
}

std::vector<std::string> chosen(const std::string& journal) {
    std::vector<ReplayText> texts;
    std::string error;
    EXPECT_TRUE(replayTexts(journal, texts, &error)) << error;
    std::vector<std::string> out;
    for (const ReplayText& t : texts) out.push_back(std::to_string(t.line) + " " + t.text);
    return out;
}

TEST(JournalReplay, QueriesAreTextsThatOnlyAsk) {
    const struct {
        const char* text;
        bool query;
    } cases[] = {
        {"getAttr box.tx", true},
        {"polyEvaluate -v box; ls -sl", true},
        {"optionVar -q scene_units", true},
        {"file -q -modified", true},
        {"camera -query cam", true},
        {"ls `polyCube`", false},  // the back-quote runs a command
        {"setAttr box.tx 1", false},
        {"getAttr box.tx; move 1 0 0 box", false},
        {"viewEvent press 10 20", false},
        {"$a = `getAttr box.tx`", false},
        {"", false},
        {"getAttr (", false},  // not a text at all
    };
    for (const auto& c : cases) EXPECT_EQ(isQueryOnly(c.text), c.query) << c.text;
}

TEST(JournalReplay, RunsTopLevelTextsOnly) {
    // A stroke: the window's events, the tool's commands run inside the release (written
    // before it, as they finish first), a deferred text, a failure and a query.
    const std::string journal =
        entry(0, "polyPlane -n grid", "script") + entry(1, "select grid", "window") +
        entry(2, "viewEvent press 1 2", "window") + entry(4, "polySplit -ep 1 0.5", "api") +
        entry(5, "select grid.vtx[9]", "api") + entry(3, "viewEvent release 3 4", "window") +
        entry(6, "refreshTool", "idle") + entry(7, "polyCube -q -w", "shell") +
        entry(8, "nosuchCommand", "shell", 1) + "\n" + entry(9, "move 1 0 0 grid", "shell");
    EXPECT_EQ(chosen(journal), (std::vector<std::string>{
                                   "1 polyPlane -n grid", "2 select grid", "3 viewEvent press 1 2",
                                   "6 viewEvent release 3 4", "11 move 1 0 0 grid"}));
}

TEST(JournalReplay, ALineThatIsNoEntryIsNamed) {
    std::vector<ReplayText> texts;
    std::string error;
    EXPECT_FALSE(replayTexts(entry(0, "polyCube", "shell") + "polyCube;\n", texts, &error));
    EXPECT_EQ(error, "2: not a journal entry (a JSON object with a text)");
}

TEST(JournalReplay, ReplaysInOrderAndStopsAtTheFirstFailure) {
    const std::string path = ::testing::TempDir() + "journal_replay_test.jsonl";
    std::ofstream(path) << entry(0, "createNode transform -n replayProbe", "shell")
                        << entry(1, "setAttr replayProbe.tx 10", "shell")
                        << entry(2, "setAttr replayProbe.tx (`getAttr replayProbe.tx` + 5)",
                                 "shell");
    ReplayOutcome out = replayJournal(path);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(out.ran, 3);
    EXPECT_EQ(executeText("getAttr replayProbe.tx").value.asFloat(), 15.0) << "in journal order";

    std::ofstream(path) << entry(0, "setAttr replayProbe.tx 0", "shell")
                        << entry(1, "nosuchCommand", "shell")
                        << entry(2, "setAttr replayProbe.tx 99", "shell");
    output::Capture quiet;
    out = replayJournal(path);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.ran, 1);
    EXPECT_NE(out.error.find(path + ":2: the replay stopped here"), std::string::npos) << out.error;
    EXPECT_EQ(executeText("getAttr replayProbe.tx").value.asFloat(), 0.0)
        << "nothing after the failure ran";
    EXPECT_NE(replayJournal(path + ".missing").error.find("File not found"), std::string::npos);
}

}  // namespace
}  // namespace tarn::lang
