// The fuzz harness in the ordinary build: every checked-in input of every target runs through
// the same one-input function libFuzzer calls (a finding aborts the test), and the harness's
// own rules hold: silent failures are findings, file commands stay in the scratch folder, and
// endless loops are interrupted.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "fuzz/host_session.h"
#include "host/dg/graph.h"
#include "host/lang/command_registry.h"
#include "host/lang/execute.h"
#include "host/plugins/plugin_loader.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"

namespace tarn::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void runText(const FuzzTarget& target, const std::string& text) {
    target.runOne(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

const FuzzTarget& lang() {
    const FuzzTarget* t = findFuzzTarget("lang");
    EXPECT_NE(t, nullptr);
    t->setup();
    return *t;
}

TEST(FuzzCorpus, EveryCheckedInInputRuns) {
    // Seeds, and the findings pinned after their fix, of every target.
    int inputs = 0;
    for (const FuzzTarget& target : fuzzTargets()) {
        target.setup();
        for (const char* folder : {"corpus", "regressions"}) {
            const fs::path dir = fs::path(TARN_SOURCE_DIR) / "fuzz" / folder / target.name;
            std::error_code ec;
            if (!fs::is_directory(dir, ec)) continue;
            for (const auto& entry : fs::directory_iterator(dir)) {
                SCOPED_TRACE(entry.path().string());
                const std::vector<std::uint8_t> bytes = readBytes(entry.path());
                target.runOne(bytes.data(), bytes.size());
                ++inputs;
            }
        }
    }
    EXPECT_GT(inputs, 20);
}

TEST(FuzzCorpus, TargetsAreFoundByName) {
    for (const FuzzTarget& target : fuzzTargets()) EXPECT_EQ(findFuzzTarget(target.name), &target);
    EXPECT_EQ(findFuzzTarget("no such target"), nullptr);
}

TEST(FuzzHarness, FileCommandsRefusePathsOutsideTheScratchFolder) {
    const FuzzTarget& target = lang();
    const fs::path outside = fs::temp_directory_path() / "tarn-fuzz-sandbox-probe.obj";
    fs::remove(outside);
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"polyCube; exportObj \"inside.obj\"", true},
        {"exportObj \"../escaped.obj\"", false},
        {"source \"/dev/null\"", false},
        {"loadPlugin \"/usr/lib/no.so\"", false},
        {"file -import \"/etc/passwd\"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        output::Capture capture;
        const lang::RunResult r = lang::executeText(c.text);
        EXPECT_EQ(r.ok, c.ok);
        if (!c.ok) {
            EXPECT_NE(capture.errors().find("paths are refused"), std::string::npos);
        }
    }
    EXPECT_TRUE(fs::exists(enterScratchFolder() + "/inside.obj"));
    EXPECT_FALSE(fs::exists(fs::path(enterScratchFolder()).parent_path() / "escaped.obj"));
    runText(target, std::string("polyCube; exportObj \"") + outside.string() + "\";");
    EXPECT_FALSE(fs::exists(outside));
    unloadPluginsAndReset();
}

TEST(FuzzHarness, EndlessLoopsAreInterrupted) {
    const FuzzTarget& target = lang();
    const auto start = std::chrono::steady_clock::now();
    for (const char* text :
         {"while (1) {}", "for (;;) { int $i = 1; }", "evalDeferred \"while(1){}\""})
        runText(target, text);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(FuzzHarness, EachInputMeetsAnEmptyScene) {
    const FuzzTarget& target = lang();
    const std::size_t defaults = Graph::instance().nodes().size();
    runText(target, "polyCube -n left; loadPlugin twillPattern; createNode denim; undo;");
    EXPECT_TRUE(Graph::instance().findNode("left").isNull());
    EXPECT_TRUE(plugins::PluginLoader::instance().loadedNames().empty());
    EXPECT_EQ(Graph::instance().nodes().size(), defaults);
    EXPECT_EQ(undo::undoQueue().undoCount(), 0u);
}

TEST(FuzzHarnessDeathTest, AFailureWithoutAMessageIsAFinding) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const FuzzTarget& target = lang();
    lang::commandRegistry().add(
        {.name = "fuzzSilentFailure", .body = [](const lang::CommandArgs&, lang::CommandContext&) {
             return lang::CommandResult::failure("");
         }});
    EXPECT_DEATH(runText(target, "fuzzSilentFailure"), "failed without a message");
    lang::commandRegistry().remove("fuzzSilentFailure");
}

}  // namespace
}  // namespace tarn::fuzz
