// Tool contexts end to end with a real plug-in (test_plugins/view_probe_tool.cpp): its context
// command in the language, setToolTo with set-up and clean-up, every gesture arriving with its
// button, modifiers and position, the overlay drawn by the plug-in's own GL calls showing in the
// capture, the camera lock texts of the stroke tools on the view's camera, and a session
// replayed from its journal giving the same scene.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "frame/k_3d_view.h"
#include "frame/k_nurbs.h"
#include "host/lang/journal.h"
#include "host/nurbs/curve_node.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/scene_test_support.h"
#include "host/sdk/host_output.h"
#include "host/view/active_view.h"
#include "host/view/tool_contexts.h"
#include "host/view/view_snapshot.h"

namespace tarn::view {
namespace {

const std::string kProbe = std::string(TARN_TEST_PLUGIN_DIR) + "/viewProbeTool.so";

class ToolContextTest : public scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ActiveView::instance().reset();
        std::string error;
        ASSERT_TRUE(plugins::PluginLoader::instance().load(kProbe, &error, &m_plugin)) << error;
        run("polyCube -n box; camera -p 0 0 4; viewCamera camera1; viewPort 120 90");
    }
    void TearDown() override {
        run("setToolTo $gSelect");
        std::string error;
        EXPECT_TRUE(plugins::PluginLoader::instance().unload(m_plugin, true, &error)) << error;
        ActiveView::instance().reset();
        SceneTest::TearDown();
    }
    // Runs a text and answers the info lines it printed.
    std::string infos(const std::string& text) {
        output::Capture capture;
        run(text);
        return capture.infos();
    }

    std::string m_plugin;
};

TEST_F(ToolContextTest, ContextCommandMakesNumberedContextsWithTheirIdentity) {
    EXPECT_EQ(run("viewProbeContext").asString(), "viewProbeContext1");
    EXPECT_EQ(run("viewProbeContext").asString(), "viewProbeContext2");
    EXPECT_EQ(run("viewProbeContext myProbe").asString(), "myProbe");
    EXPECT_NE(runFailing("viewProbeContext myProbe").find("already exists"), std::string::npos);
    struct Row {
        const char* query;
        const char* answer;
    };
    const Row rows[] = {
        {"contextInfo -ex viewProbeContext1", "1"},
        {"contextInfo -ex viewProbeContext9", "0"},
        {"contextInfo -title viewProbeContext1", "View Probe Tool"},
        {"contextInfo -image1 viewProbeContext1", "viewProbe.xpm"},
        {"contextInfo -cursor viewProbeContext1", "pencil"},
        {"contextInfo -class viewProbeContext1", "viewProbe"},
        {"contextInfo viewProbeContext2", "viewProbeContext"},
        {"contextInfo -ex $gSelect", "1"},
        {"currentCtx", "selectSuperContext"},
    };
    for (const Row& r : rows) EXPECT_EQ(run(r.query).asString(), r.answer) << r.query;
    // The edit hook runs, and can itself query the contexts through the language.
    EXPECT_EQ(infos("viewProbeContext -e viewProbeContext1"), "probe edit 1\n");
    EXPECT_NE(runFailing("viewProbeContext -e noSuchContext").find("noSuchContext"),
              std::string::npos);
}

TEST_F(ToolContextTest, SetToolToRunsSetUpAndCleanUpInOrder) {
    run("viewProbeContext");
    EXPECT_EQ(infos("setToolTo viewProbeContext1"), "probe setup\n");
    EXPECT_EQ(run("currentCtx").asString(), "viewProbeContext1");
    EXPECT_EQ(run("contextInfo -helpString viewProbeContext1").asString(),
              "drag to draw a probe stroke");
    // The complete action hands back to the selection tool through $gSelect.
    EXPECT_EQ(infos("toolAction complete"), "probe cleanup\n");
    EXPECT_EQ(run("currentCtx").asString(), "selectSuperContext");
    run("setToolTo viewProbeContext1");
    EXPECT_EQ(infos("toolAction delete"), "probe delete\n");
    EXPECT_EQ(infos("toolAction abort"), "probe cleanup\n");
    EXPECT_NE(runFailing("setToolTo nowhere").find("no tool context named nowhere"),
              std::string::npos);
    EXPECT_NE(runFailing("toolAction explode").find("unknown action"), std::string::npos);
}

TEST_F(ToolContextTest, GesturesArriveWithButtonModifiersAndPosition) {
    run("viewProbeContext; setToolTo viewProbeContext1");
    struct Row {
        const char* text;
        const char* seen;
    };
    const Row rows[] = {
        {"viewEvent press 10 20", "probe press 10 20 left\n"},
        {"viewEvent -button middle -shift drag 11 21", "probe drag 11 21 middle shift\n"},
        {"viewEvent -ctrl -b left hold 12 22", "probe hold 12 22 left ctrl\n"},
        {"viewEvent -shift -ctrl -button right release 13 -4",
         "probe release 13 -4 right shift ctrl\n"},
        {"viewStroke -hold 1 {5, 6, 30, 6, 60, 40}",
         "probe press 5 6 left\nprobe drag 30 6 left\nprobe hold 30 6 left\nprobe drag 60 40 "
         "left\nprobe release 60 40 left\n"},
        {"viewStroke -ctrl {7, 8}", "probe press 7 8 left ctrl\nprobe release 7 8 left ctrl\n"},
    };
    for (const Row& r : rows) EXPECT_EQ(infos(r.text), r.seen) << r.text;
    const char* bad[] = {"viewEvent squeeze 1 2", "viewEvent press 1 99999",
                         "viewEvent -button thumb press 1 2", "viewStroke {1, 2, 3}",
                         "viewStroke -hold 5 {1, 2, 3, 4}"};
    for (const char* text : bad) runFailing(text);
}

TEST_F(ToolContextTest, OverlayDrawnByThePluginsGlShowsInTheCapture) {
    run("viewProbeContext; setToolTo viewProbeContext1");
    const RgbImage before = renderActiveView();
    run("viewEvent press 10 45; viewEvent drag 110 45");
    const RgbImage after = renderActiveView();
    // Palette index 2 (yellow) along row 45 from the bottom, i.e. image row 44 from the top;
    // the scene under it is unchanged elsewhere.
    int yellow = 0;
    for (int x = 12; x < 108; ++x) {
        const std::uint8_t* p = after.at(x, 89 - 45);
        yellow += p[0] > 240 && p[1] > 200 && p[2] < 80;
    }
    EXPECT_GE(yellow, 90);
    EXPECT_EQ(std::vector<std::uint8_t>(before.at(0, 0), before.at(0, 10)),
              std::vector<std::uint8_t>(after.at(0, 0), after.at(0, 10)));
    EXPECT_GT(ActiveView::instance().swapCount(), 0);
    // A new press clears the plane: the old line is gone.
    run("viewEvent press 60 80");
    const RgbImage cleared = renderActiveView();
    const std::uint8_t* p = cleared.at(30, 89 - 45);
    EXPECT_FALSE(p[0] > 240 && p[1] > 200 && p[2] < 80);
}

TEST_F(ToolContextTest, CameraLockTextsWorkOnTheViewsCamera) {
    KDagPath camera;
    ASSERT_TRUE(K3dView::active3dView().getCamera(camera));
    const std::string transform = scene::nodeName(camera.transform());
    EXPECT_EQ(transform, "camera1");
    run("setAttr -lock 1 " + transform + ".translate; setAttr -lock 1 " + transform + ".rotate");
    runFailing("setAttr " + transform + ".tx 3");
    runFailing("setAttr " + transform + ".ry 10");
    run("setAttr -lock 0 " + transform + ".translate; setAttr -lock 0 " + transform + ".rotate");
    run("setAttr " + transform + ".tx 3");
    // The view follows the moved camera.
    short x = 0, y = 0;
    K3dView::active3dView().worldToView(KPoint(3, 0, 0), x, y);
    EXPECT_EQ(x, 60);
}

TEST_F(ToolContextTest, JournalOfGesturesReplaysToTheSameScene) {
    lang::journal().clear();
    lang::ExecuteOptions script;
    script.origin = "script";
    script.undo = true;
    const char* session[] = {"viewProbeContext",
                             "setToolTo viewProbeContext1",
                             "viewStroke {10, 10, 50, 30, 100, 80}",
                             "viewEvent press 20 70",
                             "viewEvent -shift drag 40 60",
                             "viewEvent release 60 50"};
    for (const char* text : session) ASSERT_TRUE(lang::executeText(text, script).ok) << text;
    const auto curves = [] {
        std::vector<std::vector<double>> out;
        for (const char* name : {"curve1", "curve2"}) {
            KFnNurbsCurve fn(scene::findNode(name));
            KPointArray cvs;
            fn.getCVs(cvs, KSpace::kWorld);
            std::vector<double> flat;
            for (unsigned i = 0; i < cvs.length(); ++i)
                flat.insert(flat.end(), {cvs[i].x, cvs[i].y, cvs[i].z});
            out.push_back(flat);
        }
        return out;
    };
    const auto first = curves();
    ASSERT_EQ(first[0].size(), 9u);
    ASSERT_EQ(first[1].size(), 6u);  // press and one drag
    std::vector<std::string> replay;
    for (const auto& e : lang::journal().entries())
        if (e.origin == "script") replay.push_back(e.text);
    ASSERT_EQ(replay.size(), std::size(session));

    // A fresh host: no scene, no contexts of the plug-in, the default tool.
    run("setToolTo $gSelect");
    ToolContexts::instance().removeMadeBy("viewProbeContext");
    Graph::instance().clear();
    scene::ensureSceneTypes();
    ActiveView::instance().reset();
    run("polyCube -n box; camera -p 0 0 4; viewCamera camera1; viewPort 120 90");
    for (const std::string& text : replay) ASSERT_TRUE(lang::executeText(text, script).ok) << text;
    EXPECT_EQ(curves(), first);
}

TEST_F(ToolContextTest, PluginSelectsEdgesFromTheScreen) {
    run("select -r box; hilite box; selectMode -component; selectType -edge");
    run("viewProbeContext; setToolTo viewProbeContext1");
    // A stroke from corner to corner of the port takes every edge of the cube in view.
    run("viewStroke -ctrl {0, 0, 119, 89}");
    const std::vector<std::string> picked = strings("ls -sl");
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0], "box.e[0:11]");
}

TEST_F(ToolContextTest, UndoTakesBackWhatAStrokeMade) {
    run("viewProbeContext; setToolTo viewProbeContext1");
    run("viewStroke {10, 10, 60, 40}");
    EXPECT_FALSE(scene::findNode("curve1").isNull());
    undo();
    EXPECT_TRUE(scene::findNode("curve1").isNull());
    redo();
    KFnNurbsCurve fn(scene::findNode("curve1"));
    EXPECT_EQ(fn.numCVs(), 2);
}

TEST_F(ToolContextTest, ProbeScriptStrokesSelectsEdgesAndCapturesTheOverlay) {
    std::ifstream in(std::string(TARN_SOURCE_DIR) + "/host/view/test_plugins/stroke_probe.tcs");
    ASSERT_TRUE(in) << "host/view/test_plugins/stroke_probe.tcs";
    std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string png = (std::filesystem::temp_directory_path() /
                             ("stroke_probe_" + std::to_string(::getpid()) + ".png"))
                                .string();
    const size_t at = script.find("\"stroke_probe.png\"");
    ASSERT_NE(at, std::string::npos);
    script.replace(at, 18, "\"" + png + "\"");
    run(script);
    // The marquee took edges of the cube (and only edges).
    const std::vector<std::string> picked = strings("ls -sl");
    ASSERT_FALSE(picked.empty());
    for (const std::string& p : picked) EXPECT_NE(p.find("strokeBox.e["), std::string::npos) << p;
    // The capture shows the probe's yellow stroke and the orange selected edges.
    const RgbImage image = renderActiveView();
    int yellow = 0, orange = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.at(x, y);
            yellow += p[0] > 240 && p[1] > 200 && p[2] < 80;
            orange += p[0] > 150 && p[0] - p[2] > 80 && p[1] < 190;
        }
    EXPECT_GT(yellow, 200);
    EXPECT_GT(orange, 50);
    EXPECT_TRUE(std::filesystem::exists(png));
    std::filesystem::remove(png);
}

}  // namespace
}  // namespace tarn::view
