// Every script in examples/ run as the README says (`build/bin/tarn examples/...` from the
// repository root), each in a scratch stand-in for that root: it succeeds without an error and
// writes only into out/, never beside the sources or into the folder it was started in.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/app/process_test_support.h"

namespace {

namespace fs = std::filesystem;

// Every file under `folder` with its size and time of last change, by path.
using TreeState = std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>;

TreeState treeState(const fs::path& folder) {
    TreeState state;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file(ec))
            state[fs::relative(e.path(), folder).string()] = {e.file_size(ec),
                                                              e.last_write_time(ec)};
    return state;
}

std::vector<std::string> exampleScripts(const fs::path& examples) {
    std::vector<std::string> scripts;
    for (const auto& e : fs::recursive_directory_iterator(examples))
        if (e.path().extension() == ".tcs")
            scripts.push_back(fs::relative(e.path(), examples).string());
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

TEST(Examples, EachRunsFromTheRootAndWritesOnlyIntoOut) {
    const fs::path sources = fs::path(TARN_SOURCE_DIR) / "examples";
    const std::vector<std::string> scripts = exampleScripts(sources);
    ASSERT_GE(scripts.size(), 10u);
    const TreeState sourcesBefore = treeState(sources);

    // The stand-in root holds the examples (a link to the real folder) and nothing else.
    const fs::path root = fs::path(::testing::TempDir()) / ("examples_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    fs::create_directory_symlink(sources, root / "examples");
    const std::string prefs = root.string() + ".prefs";

    for (const std::string& script : scripts) {
        SCOPED_TRACE(script);
        const TreeState outBefore = treeState(root / "out");
        const tarn::testing::ProcessOutcome run = tarn::testing::runCommandLine(
            "cd '" + root.string() + "' && TARN_PREFS='" + prefs +
            "' " TARN_BINARY_DIR "/bin/tarn 'examples/" + script + "' 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out.find("// Error"), std::string::npos) << run.out;
        // Nothing lands in the folder the program was started in, except under out/.
        for (const auto& e : fs::directory_iterator(root)) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name == "examples" || name == "out") << name;
        }
        // A script that writes files names where they went (the folder under out/).
        const TreeState outAfter = treeState(root / "out");
        for (const auto& [path, stamp] : outAfter) {
            const auto before = outBefore.find(path);
            if (before != outBefore.end() && before->second == stamp) continue;
            const std::string folder = fs::path("out" / fs::path(path)).parent_path().string();
            EXPECT_NE(run.out.find(folder), std::string::npos) << path << " in\n" << run.out;
        }
    }
    // Nothing is written beside the sources.
    EXPECT_EQ(treeState(sources), sourcesBefore);
    fs::remove_all(root);
    fs::remove(prefs);
}

}  // namespace
