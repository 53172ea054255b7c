#pragma once
// Fixtures of the scene tests: a fresh scene per test, and running texts as the host does
// (undo on, one chunk per text) with their messages captured.

#include <gtest/gtest.h>

#include <string>

#include "host/dg/graph.h"
#include "host/lang/execute.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"

namespace tarn::scene::testing {

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        Graph::instance().clear();
        undo::undoQueue().clear();
        resetSelectionState();
        ensureSceneTypes();
    }
    void TearDown() override {
        Graph::instance().clear();
        undo::undoQueue().clear();
        resetSelectionState();
    }

    /// Options of a test text: undo on, journalled with origin "test".
    static lang::ExecuteOptions undoableTestRun() {
        lang::ExecuteOptions options;
        options.undo = true;
        options.origin = "test";
        return options;
    }
    /// Runs a text with undo on; fails the test when it fails.
    lang::Value run(const std::string& text) {
        output::Capture capture;
        const lang::RunResult r = lang::executeText(text, undoableTestRun());
        EXPECT_TRUE(r.ok) << text << "\n" << capture.errors();
        return r.value;
    }
    /// Runs a text that must fail; answers the error text printed.
    std::string runFailing(const std::string& text) {
        output::Capture capture;
        const lang::RunResult r = lang::executeText(text, undoableTestRun());
        EXPECT_FALSE(r.ok) << text;
        return capture.errors();
    }
    std::vector<std::string> strings(const std::string& text) { return run(text).asStringArray(); }
    std::int64_t integer(const std::string& text) { return run(text).asInt(); }
    void undo() { ASSERT_TRUE(undo::undoQueue().undo()); }
    void redo() { ASSERT_TRUE(undo::undoQueue().redo()); }
};

}  // namespace tarn::scene::testing
