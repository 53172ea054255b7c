#pragma once
// Fixtures of the panel model tests: a fresh scene per test, plug-ins loaded on demand and
// unloaded after, the tool-property window and the active tool reset between tests.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/plugins/plugin_loader.h"
#include "host/scene/scene_test_support.h"
#include "host/ui/tool_property_window.h"
#include "host/view/active_view.h"

namespace tarn::ui::testing {

class UiTest : public scene::testing::SceneTest {
protected:
    void SetUp() override {
        // The option variables the cases set (tool options, panel layout) go to a preferences
        // file of this run's own, not the user's (which other programs and tests read).
        static const bool isolated = [] {
            const std::string prefs =
                ::testing::TempDir() + "tarn_ui_prefs_" + std::to_string(::getpid()) + ".json";
            std::remove(prefs.c_str());
            return ::setenv("TARN_PREFS", prefs.c_str(), 1) == 0;
        }();
        EXPECT_TRUE(isolated);
        SceneTest::SetUp();
        view::ActiveView::instance().reset();
        ToolPropertyWindow::instance().reset();
    }
    void TearDown() override {
        run("setToolTo $gSelect");
        ToolPropertyWindow::instance().reset();
        plugins::PluginLoader::instance().unloadAll();
        view::ActiveView::instance().reset();
        SceneTest::TearDown();
    }

    /// Loads a built plug-in (by name, from the build's plug-in folder) for this test.
    void load(const std::string& plugin) {
        auto& loader = plugins::PluginLoader::instance();
        if (loader.find(plugin)) return;
        std::string error;
        ASSERT_TRUE(loader.load(std::string(TARN_PLUGIN_DIR) + "/" + plugin + ".so", &error))
            << error;
    }

    /// Runs a text a panel built; fails the test when it is empty or fails.
    lang::Value send(const std::string& text) {
        EXPECT_FALSE(text.empty()) << "the panel built no text";
        return run(text);
    }
};

}  // namespace tarn::ui::testing
