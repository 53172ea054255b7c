// The undo/redo property of mesh edits, construction history and shading assignments, on
// fixed seeds: random sessions of steps on primitives (fuzz/mesh_history_session.h) where a
// failing step changes nothing, every mesh stays valid after every step, undoing every step
// gives `describeScene -json` of the start back and redoing them that of the end.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/host_session.h"
#include "fuzz/mesh_history_session.h"

namespace tarn::fuzz {
namespace {

class MeshHistoryProperty : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override { unloadPluginsAndReset(); }
    void TearDown() override { unloadPluginsAndReset(); }
};

TEST_P(MeshHistoryProperty, UndoingEveryStepGivesTheStartAndRedoingEveryStepTheEnd) {
    std::mt19937 engine(GetParam());
    const Chooser choose = [&](int n) {
        return std::uniform_int_distribution<int>(0, n - 1)(engine);
    };
    std::string error;
    ASSERT_TRUE(MeshHistorySession::setUp(&error)) << error;
    MeshHistorySession session;
    const SessionReport report = session.run(50, choose);
    EXPECT_EQ(report.fault, "") << report.detail;
    // Most steps are meant to go through, history changes among them.
    EXPECT_GE(report.done, 20);
    EXPECT_GE(report.history, 3);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MeshHistoryProperty, ::testing::Range(1u, 17u));

}  // namespace
}  // namespace tarn::fuzz
