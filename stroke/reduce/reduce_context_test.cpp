// thinPen end to end: the plug-in loaded into the host, real gestures through the view on a
// plane grid, a cube and a cylinder, and the exact texts the tool journals with the meshes they
// leave.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/scene_test_support.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"
#include "host/view/active_view.h"
#include "host/view/view_snapshot.h"
#include "stroke/common/tool_sheet_test_support.h"
#include "stroke/reduce/reduce_action.h"
#include "stroke/reduce/reduce_context.h"

namespace stroke {
namespace {

using tarn::lang::journal;
namespace output = tarn::output;

const std::string kPlugin = std::string(TARN_PLUGIN_DIR) + "/thinPen.so";

struct Pixel {
    int x = 0, y = 0;
};

class ThinPenTest : public tarn::scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        tarn::view::ActiveView::instance().reset();
        std::string error;
        ASSERT_TRUE(tarn::plugins::PluginLoader::instance().load(kPlugin, &error, &m_plugin))
            << error;
        // A 4 x 4 grid of unit faces in the XY plane, facing a camera on +Z.
        run("polyPlane -w 4 -h 4 -sx 4 -sy 4 -n grid; setAttr grid.rx 90;"
            "camera -p 0 0 10; viewCamera camera1; viewPort 240 240; viewFit");
        run("thinPenContext");
        run("thinPenContext -e thinPenContext1");  // the defaults
        run("select -r grid; setToolTo thinPenContext1");
        journal().clear();
    }
    void TearDown() override {
        run("setToolTo $gSelect");
        std::string error;
        EXPECT_TRUE(tarn::plugins::PluginLoader::instance().unload(m_plugin, true, &error))
            << error;
        tarn::view::ActiveView::instance().reset();
        SceneTest::TearDown();
    }

    Pixel pixel(double x, double y, double z = 0.0) {
        const auto v = run("viewProject " + std::to_string(x) + " " + std::to_string(y) + " " +
                           std::to_string(z))
                           .asIntArray();
        EXPECT_EQ(v.size(), 2u);
        return v.size() == 2 ? Pixel{int(v[0]), int(v[1])} : Pixel{};
    }
    // "{x0, y0, x1, y1, ...}" through the pixels of world points on the grid's plane.
    std::string points(std::initializer_list<std::pair<double, double>> world) {
        std::string s = "{";
        for (const auto& w : world) {
            const Pixel p = pixel(w.first, w.second);
            s += (s.size() > 1 ? ", " : "") + std::to_string(p.x) + ", " + std::to_string(p.y);
        }
        return s + "}";
    }
    // Texts the tool ran through the SDK since the journal was cleared.
    std::vector<std::string> apiTexts() {
        std::vector<std::string> out;
        for (const auto& e : journal().entries())
            if (e.origin == "api") out.push_back(e.text);
        return out;
    }
    // The one reduction text the tool ran (the text that prints its result line).
    std::string actionText() {
        std::string found;
        int count = 0;
        for (const std::string& t : apiTexts())
            if (t.find("// Result: Performed a ") != std::string::npos) {
                found = t;
                ++count;
            }
        EXPECT_LE(count, 1);
        return found;
    }
    bool ran(const std::string& text) {
        const auto texts = apiTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::int64_t faces(const std::string& mesh = "grid") {
        return integer("polyEvaluate -f " + mesh);
    }
    std::int64_t vertices(const std::string& mesh = "grid") {
        return integer("polyEvaluate -v " + mesh);
    }
    // Whether some vertex of the grid lies within `tolerance` of (x, y) in the grid's plane.
    bool vertexNear(double x, double y, double tolerance) {
        const std::int64_t n = vertices();
        for (std::int64_t v = 0; v < n; ++v) {
            const auto b =
                run("polyEvaluate -bb grid.vtx[" + std::to_string(v) + "]").asFloatArray();
            if (b.size() == 6 && std::fabs(b[0] - x) < tolerance && std::fabs(b[2] - y) < tolerance)
                return true;
        }
        return false;
    }
    void option(const std::string& name, const std::string& value) {
        run("optionVar -iv QT_drawReduce" + name + " " + value);
    }

    std::string m_plugin;
};

TEST_F(ThinPenTest, IdentityAndEditHookTexts) {
    struct Row {
        const char* query;
        const char* answer;
    };
    const Row rows[] = {
        {"contextInfo -ex thinPenContext1", "1"},
        {"contextInfo -title thinPenContext1", "Draw Reduce Tool"},
        {"contextInfo -image1 thinPenContext1", "drawReduceIcon.xpm"},
        {"contextInfo -class thinPenContext1", "drawReduce"},
        {"contextInfo -helpString thinPenContext1",
         "draw over a selected mesh to reduce it with the drawn line."},
        {"contextInfo -cursor thinPenContext1", "pencil"},
        {"contextInfo thinPenContext1", "thinPenContext"},
    };
    for (const Row& r : rows) EXPECT_EQ(run(r.query).asString(), r.answer) << r.query;

    // The hook resets every option and refreshes the controls, in that order.
    option("ReductionType", "2");
    run("optionVar -fv QT_drawReduceEdgeSnappingOffset 0.125");
    journal().clear();
    run("thinPenContext -e thinPenContext1");
    const std::vector<std::string> hook = reduceEditHookTexts();
    ASSERT_EQ(hook.size(), 2u);
    const std::vector<std::string> expected{"contextInfo -ex thinPenContext1", hook[0], hook[1]};
    EXPECT_EQ(apiTexts(), expected);
    const std::string k13(13, ' '), k16(16, ' '), k11(11, ' ');
    EXPECT_EQ(hook[0], k13 + "optionVar -iv QT_drawReduceMinSampleSize 25;" + k13 +
                           "optionVar -iv QT_drawReduceReductionType 1;" + k13 +
                           "optionVar -iv QT_drawReduceMergeVerticesAt 1;" + k13 +
                           "optionVar -iv QT_drawReduceEdgeSnappingWhen 1;" + k13 +
                           "optionVar -iv QT_drawReduceEdgeSnappingType 1;" + k13 +
                           "optionVar -fv QT_drawReduceEdgeSnappingOffset 0.5;" + k13 +
                           "optionVar -iv QT_drawReduceEdgeSnappingIntervals 2;" + k13 +
                           "optionVar -iv QT_drawReduceAutoBackfaceCulling 1;" + k11);
    // The control string, row by row as the tool-property window's controls are named.
    const std::pair<const char*, const char*> controls[] = {
        {"intSliderGrp -ex QT_drawReduceMinSampleSizeIntSliderGrp",
         "intSliderGrp -e -value `optionVar -q QT_drawReduceMinSampleSize` "
         "QT_drawReduceMinSampleSizeIntSliderGrp;"},
        {"radioButtonGrp -ex QT_drawReduceReductionTypeRadioButtonGrp",
         "radioButtonGrp -e -select `optionVar -q QT_drawReduceReductionType` "
         "QT_drawReduceReductionTypeRadioButtonGrp;"},
        {"radioButtonGrp -ex QT_drawReduceMergeVerticesAtRadioButtonGrp",
         "radioButtonGrp -e -select `optionVar -q QT_drawReduceMergeVerticesAt` "
         "QT_drawReduceMergeVerticesAtRadioButtonGrp;"},
        {"radioButtonGrp -ex QT_drawReduceEdgeSnappingWhenRadioButtonGrp",
         "radioButtonGrp -e -select (`optionVar -q QT_drawReduceEdgeSnappingWhen`+1) "
         "QT_drawReduceEdgeSnappingWhenRadioButtonGrp;"},
        {"radioButtonGrp -ex QT_drawReduceEdgeSnappingTypeRadioButtonGrp",
         "radioButtonGrp -e -en `optionVar -q QT_drawReduceEdgeSnappingWhen` -select `optionVar "
         "-q QT_drawReduceEdgeSnappingType` QT_drawReduceEdgeSnappingTypeRadioButtonGrp;"},
        {"floatSlider -ex QT_drawReduceEdgeSnappingOffsetFloatSliderGrp",
         "floatSliderGrp -e -en (`optionVar -q QT_drawReduceEdgeSnappingWhen`&&(`optionVar -q "
         "QT_drawReduceEdgeSnappingType`==1)) -value `optionVar -q "
         "QT_drawReduceEdgeSnappingOffset` QT_drawReduceEdgeSnappingOffsetFloatSliderGrp;"},
        {"intSliderGrp -ex QT_drawReduceEdgeSnappingIntervalsIntSliderGrp",
         "intSliderGrp -e -en (`optionVar -q QT_drawReduceEdgeSnappingWhen`&&(`optionVar -q "
         "QT_drawReduceEdgeSnappingType`==2)) -value `optionVar -q "
         "QT_drawReduceEdgeSnappingIntervals` QT_drawReduceEdgeSnappingIntervalsIntSliderGrp;"},
        {"checkBox -ex QT_drawReduceAutoBackfaceCullingCheckBox",
         "checkBox -e -value `optionVar -q QT_drawReduceAutoBackfaceCulling` "
         "QT_drawReduceAutoBackfaceCullingCheckBox;"},
    };
    std::string full;
    for (const auto& [test, edit] : controls) full += k13 + "if(`" + test + "`)" + k16 + edit;
    EXPECT_EQ(hook[1], full + k13 + "deleteUI toolProperties;" + k13 + "toolPropertyWindow;" + k13 +
                           "polyOptions -global -fullBack;" + k11);
    // Spot checks of the control string: its first row, the enabled-by row and the close.
    EXPECT_EQ(
        hook[1].rfind(k13 + "if(`intSliderGrp -ex QT_drawReduceMinSampleSizeIntSliderGrp`)" + k16 +
                          "intSliderGrp -e -value `optionVar -q "
                          "QT_drawReduceMinSampleSize` "
                          "QT_drawReduceMinSampleSizeIntSliderGrp;",
                      0),
        0u);
    EXPECT_NE(
        hook[1].find(k13 + "if(`floatSlider -ex QT_drawReduceEdgeSnappingOffsetFloatSliderGrp`)" +
                     k16 +
                     "floatSliderGrp -e -en (`optionVar -q QT_drawReduceEdgeSnappingWhen`&&(`"
                     "optionVar -q QT_drawReduceEdgeSnappingType`==1)) -value `optionVar -q "
                     "QT_drawReduceEdgeSnappingOffset` "
                     "QT_drawReduceEdgeSnappingOffsetFloatSliderGrp;"),
        std::string::npos);
    EXPECT_NE(hook[1].find("radioButtonGrp -e -select (`optionVar -q "
                           "QT_drawReduceEdgeSnappingWhen`+1) "
                           "QT_drawReduceEdgeSnappingWhenRadioButtonGrp;"),
              std::string::npos);
    const std::string closing = k13 + "deleteUI toolProperties;" + k13 + "toolPropertyWindow;" +
                                k13 + "polyOptions -global -fullBack;" + k11;
    EXPECT_EQ(hook[1].substr(hook[1].size() - closing.size()), closing);
    EXPECT_EQ(integer("optionVar -q QT_drawReduceReductionType"), 1);
    EXPECT_DOUBLE_EQ(run("optionVar -q QT_drawReduceEdgeSnappingOffset").asFloat(), 0.5);
}

TEST_F(ThinPenTest, SecondRegistrationFailsWithItsStepNamed) {
    // A second copy of the library under another name finds "thinPenContext" taken: the load
    // fails and names the failing step; unloading the first prints nothing.
    const std::filesystem::path copy = std::filesystem::temp_directory_path() /
                                       ("thinPenCopy_" + std::to_string(::getpid()) + ".so");
    std::filesystem::copy_file(kPlugin, copy, std::filesystem::copy_options::overwrite_existing);
    output::Capture capture;
    std::string error, name;
    EXPECT_FALSE(tarn::plugins::PluginLoader::instance().load(copy.string(), &error, &name));
    EXPECT_EQ(capture.errors().rfind("registerContextCommand: ", 0), 0u) << capture.errors();
    std::filesystem::remove(copy);
    run("setToolTo $gSelect");
    capture.clear();
    ASSERT_TRUE(tarn::plugins::PluginLoader::instance().unload(m_plugin, true, &error)) << error;
    EXPECT_EQ(capture.errors() + capture.warnings() + capture.infos(), "");
    ASSERT_TRUE(tarn::plugins::PluginLoader::instance().load(kPlugin, &error, &m_plugin)) << error;
    run("thinPenContext");
}

TEST_F(ThinPenTest, SetUpAndCleanUpSaveAndRestoreTheSelectionState) {
    run("setToolTo $gSelect; selectMode -component; selectType -vertex");
    run("select -r grid");
    output::Capture capture;
    journal().clear();
    run("setToolTo thinPenContext1");
    EXPECT_TRUE(ran("optionVar -q QT_drawReduceAutoBackfaceCulling"));
    EXPECT_TRUE(ran("polyOptions -global -fullBack"));
    EXPECT_TRUE(ran("getAttr gridShape.bck"));
    EXPECT_EQ(capture.infos(),
              "Backface-culling is *OFF* for current mesh.  *ALL* sides of mesh will be reduced "
              "simultaneously.\n");
    // A stroke switches to edge picking; leaving the tool restores vertex picking.
    run("viewStroke " + points({{-1.5, 0.5}, {-0.5, 0.5}}));
    journal().clear();
    run("setToolTo $gSelect");
    EXPECT_TRUE(ran("polyOptions -global -backCulling"));
    EXPECT_EQ(run("selectMode").asString(), "component");
    EXPECT_EQ(run("selectType").asString(), "vertex");
}

TEST_F(ThinPenTest, DeleteEdgesUnderAStroke) {
    option("ReductionType", "2");
    struct Row {
        const char* what;
        const char* flags;
        const char* operation;
        std::int64_t faces, vertices;
    };
    // Across the second row of faces: three inner edges (x = -1, 0, 1).
    const Row rows[] = {
        {"left: edges only", "", "polyDelEdge -ch on -cv off;", 13, 25},
        // -cv on also removes the vertices left with two edges: none here, all inner.
        {"middle: edges and lone vertices", "-button middle ", "polyDelEdge -ch on -cv on;", 13,
         25},
    };
    for (const Row& r : rows) {
        output::Capture capture;
        journal().clear();
        run(std::string("viewStroke ") + r.flags + points({{-1.5, 0.5}, {1.5, 0.5}}));
        const std::string text = actionText();
        EXPECT_EQ(text.rfind("select -r gridShape.e[", 0), 0u) << r.what << "\n" << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '['), 3) << r.what << "\n" << text;
        EXPECT_NE(text.find(std::string(";\n") + r.operation +
                            "\nselect -r gridShape;\nprint \"// Result: Performed a "
                            "polyDelEdge.\\n\""),
                  std::string::npos)
            << r.what << "\n"
            << text;
        EXPECT_EQ(faces(), r.faces) << r.what;
        EXPECT_EQ(vertices(), r.vertices) << r.what;
        EXPECT_EQ(capture.prints(), "// Result: Performed a polyDelEdge.\n") << r.what;
        // One stroke is one undo step.
        undo();
        EXPECT_EQ(faces(), 16) << r.what;
        run("select -r grid");
    }
}

TEST_F(ThinPenTest, ShortDragAddsNoSampleAndIsAClick) {
    option("ReductionType", "2");
    const Pixel a = pixel(-0.2, 0.5);
    // 24 pixels to the right: below the minimum sample size of 25, so no second sample.
    journal().clear();
    run("viewStroke {" + std::to_string(a.x) + ", " + std::to_string(a.y) + ", " +
        std::to_string(a.x + 23) + ", " + std::to_string(a.y) + "}");
    EXPECT_EQ(actionText(), "");
    EXPECT_EQ(faces(), 16);
    // With a smaller minimum the same drag crosses the edge at x = 0.
    option("MinSampleSize", "10");
    run("select -r grid");
    journal().clear();
    run("viewStroke {" + std::to_string(a.x) + ", " + std::to_string(a.y) + ", " +
        std::to_string(a.x + 23) + ", " + std::to_string(a.y) + "}");
    EXPECT_EQ(faces(), 15) << actionText();
}

TEST_F(ThinPenTest, EachSegmentRecordsItsOwnCrossing) {
    option("ReductionType", "2");
    // There and back over the edge at x = 0: two segments, the edge listed twice.
    journal().clear();
    run("viewStroke " + points({{-0.5, 0.5}, {0.5, 0.5}, {-0.5, 0.5}}));
    const std::string text = actionText();
    const size_t first = text.find("gridShape.e[");
    ASSERT_NE(first, std::string::npos) << text;
    const std::string edge = text.substr(first, text.find(']', first) - first + 1);
    EXPECT_EQ(text.rfind("select -r " + edge + " " + edge + ";\n", 0), 0u) << text;
    EXPECT_EQ(faces(), 15);
}

TEST_F(ThinPenTest, CollapseLeavesTheVertexWhereTheStrokeCrossed) {
    // Across the horizontal edge x in [0, 1], y = 0, at x = 0.25 from below.
    journal().clear();
    run("viewStroke " + points({{0.25, -0.5}, {0.25, 0.5}}));
    const std::string text = actionText();
    EXPECT_EQ(text.rfind("polyMoveVertex;\nsetAttr gridShape.pt[", 0), 0u) << text;
    EXPECT_NE(text.find("; \nselect -r gridShape.e["), std::string::npos) << text;
    EXPECT_NE(text.find("];\npolyCollapseEdge -ch on;\nselect -r gridShape;\nprint \"// Result: "
                        "Performed a polyCollapseEdge.\\n\""),
              std::string::npos)
        << text;
    EXPECT_EQ(vertices(), 24);
    EXPECT_EQ(faces(), 16);
    // The merged vertex sits near the crossing (to the pixel: about 1/60 of a face).
    EXPECT_TRUE(vertexNear(0.25, 0.0, 0.05)) << text;
}

TEST_F(ThinPenTest, SnappingWhenCtrlIsHeldOrAlways) {
    // Crossing the edge at x in [0, 1], y = 0 near x = 0.3: snapped to the middle with two
    // intervals when snapping applies, kept when it does not.
    struct Row {
        const char* what;
        const char* when;
        const char* flags;
        int type;
        const char* intervals;
        double expectedX;
        const char* message;
    };
    const Row rows[] = {
        {"never", "0", "-ctrl ", 2, "2", 0.3, ""},
        {"Ctrl at press", "1", "-ctrl ", 2, "2", 0.5,
         "\"Edge-Snapping\" turned *ON* for next edges drawn over.\n"},
        {"always", "2", "", 2, "2", 0.5, ""},
        {"always, offset", "2", "", 1, "2", 0.25, ""},
    };
    for (const Row& r : rows) {
        option("EdgeSnappingWhen", r.when);
        option("EdgeSnappingType", std::to_string(r.type));
        option("EdgeSnappingIntervals", r.intervals);
        run("optionVar -fv QT_drawReduceEdgeSnappingOffset 0.25");
        output::Capture capture;
        journal().clear();
        run(std::string("viewStroke ") + r.flags + points({{0.3, -0.5}, {0.3, 0.5}}));
        EXPECT_EQ(capture.infos(), r.message) << r.what;
        EXPECT_TRUE(vertexNear(r.expectedX, 0.0, 0.05)) << r.what << "\n" << actionText();
        undo();
        run("select -r grid");
    }
}

TEST_F(ThinPenTest, InvalidSnappingTypeIsReportedAndGivesNoNumberOfNothing) {
    option("EdgeSnappingWhen", "2");
    for (const char* setting : {"EdgeSnappingType 3", "EdgeSnappingIntervals 0"}) {
        option("EdgeSnappingType", "2");
        option("EdgeSnappingIntervals", "2");
        run(std::string("optionVar -iv QT_drawReduce") + setting);
        output::Capture capture;
        journal().clear();
        // Over the edges at y = -1 and y = 0: the error once for each crossing.
        run("viewStroke " + points({{0.3, -1.5}, {0.3, 0.5}}));
        EXPECT_EQ(capture.errors(),
                  "INVALID \"EDGE-SNAPPING TYPE\"!\nINVALID \"EDGE-SNAPPING TYPE\"!\n")
            << setting;
        const std::string text = actionText();
        EXPECT_EQ(text.find("nan"), std::string::npos) << text;
        // t = 0 at both: each vertex 0 stays (its offset is zero, signed as the edge), each
        // vertex 1 moves the whole edge onto it.
        std::size_t unmoved = 0;
        for (std::size_t at = 0; (at = text.find("] ", at)) != std::string::npos; ++at)
            unmoved +=
                text.compare(at, 8, "] 0 0 0;") == 0 || text.compare(at, 9, "] -0 0 0;") == 0;
        EXPECT_EQ(unmoved, 2u) << text;
        undo();
        run("select -r grid");
    }
}

TEST_F(ThinPenTest, MergeAtTheReleasePointOrWhereTheHostPutsIt) {
    // Middle button with Ctrl over the two edges at x = -1 and x = 0 in the second row, each
    // crossed nearer its lower end: each gives its nearer vertex only.
    struct Row {
        const char* mergeAt;
        bool moved;
    };
    for (const Row r : {Row{"1", true}, Row{"0", false}}) {
        option("MergeVerticesAt", r.mergeAt);
        journal().clear();
        run("viewStroke -button middle -ctrl " + points({{-1.5, 0.2}, {0.5, 0.2}}));
        const std::string text = actionText();
        EXPECT_EQ(text.rfind("select -r gridShape.vtx[", 0), 0u) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '['), 2) << text;
        EXPECT_EQ(text.find("move -a -ws ") != std::string::npos, r.moved) << text;
        EXPECT_NE(text.find("polyMergeVertex -d 1000000 -ch on;\nselect -r gridShape;\nprint "
                            "\"// Result: Performed a polyMergeVert.\\n\""),
                  std::string::npos)
            << text;
        EXPECT_EQ(vertices(), 24) << text;
        // Moved to the point under the release: the two nearer vertices meet there.
        if (r.moved) {
            EXPECT_TRUE(vertexNear(0.5, 0.2, 0.05)) << text;
        }
        undo();
        run("select -r grid");
    }
}

TEST_F(ThinPenTest, CubeWithCullingOffersOnlyItsFrontEdges) {
    run("setToolTo $gSelect; delete grid; polyCube -w 2 -h 2 -d 2 -n box; viewFit");
    run("select -r box; setToolTo thinPenContext1");
    option("ReductionType", "2");
    // Top to bottom through the middle of the front face: in perspective the back face's top
    // and bottom edges lie inside the front's on screen, so the stroke crosses them too unless
    // culling hides the back.
    struct Row {
        int bck;
        int edges;
    };
    for (const Row r : {Row{0, 4}, Row{3, 2}}) {
        run("setAttr boxShape.bck " + std::to_string(r.bck));
        journal().clear();
        run("viewStroke " + points({{0.1, 1.5}, {0.1, -1.5}}));
        const std::string text = actionText();
        EXPECT_EQ(std::count(text.begin(), text.end(), '['), r.edges) << r.bck << "\n" << text;
        undo();
        run("select -r box");
    }
}

TEST_F(ThinPenTest, DeleteVerticesWithCtrl) {
    option("ReductionType", "2");
    struct Row {
        const char* flags;
        const char* operation;
        std::int64_t vertices;  // the host's polyDeleteVertex also drops the corners left behind
    };
    const Row rows[] = {{"", "polyDelVertex -ch on;", 24},
                        {"-button middle ", "polyDeleteVertex;", 23}};
    for (const Row& r : rows) {
        journal().clear();
        // The inner vertex (0, 1) is the nearer end of the edge x = 0 crossed at y = 0.8.
        run(std::string("viewStroke -ctrl ") + r.flags + points({{-0.5, 0.8}, {0.5, 0.8}}));
        const std::string text = actionText();
        EXPECT_EQ(text.rfind("select -r gridShape.vtx[", 0), 0u) << text;
        EXPECT_NE(text.find(std::string("];\n") + r.operation +
                            "\nselect -r gridShape;\nprint \"// "
                            "Result: Performed a polyDelVertex.\\n\""),
                  std::string::npos)
            << text;
        EXPECT_EQ(vertices(), r.vertices) << text;
        undo();
        run("select -r grid");
    }
}

TEST_F(ThinPenTest, ClicksToggleCullingAndShowVertices) {
    run("setAttr gridShape.bck 3");
    const Pixel p = pixel(0.5, 0.5);
    const std::string at = "{" + std::to_string(p.x) + ", " + std::to_string(p.y) + "}";
    output::Capture capture;
    journal().clear();
    run("viewStroke -ctrl " + at);
    EXPECT_TRUE(ran("setAttr gridShape.bck 0"));
    EXPECT_EQ(integer("getAttr gridShape.bck"), 0);
    EXPECT_NE(capture.infos().find("Backface-culling is *OFF* for current mesh.  *ALL* sides of "
                                   "mesh will be reduced simultaneously."),
              std::string::npos);
    run("viewStroke -ctrl " + at);
    EXPECT_EQ(integer("getAttr gridShape.bck"), 3);
    journal().clear();
    run("viewStroke -ctrl -button middle " + at);
    EXPECT_TRUE(ran("polyOptions -r -dv true"));
    EXPECT_EQ(faces(), 16);
}

TEST_F(ThinPenTest, MarqueeOverTwoObjectsWarns) {
    run("polyCube -n box; move 5 0 0 box; viewFit; select -cl");
    output::Capture capture;
    run("viewStroke {2, 2, 238, 238}");
    EXPECT_EQ(capture.warnings(),
              "Only *ONE* poly surface can be reduced at a time!  Please re-select a \"single\" "
              "poly surface.\n");
    const std::vector<std::string> selected = strings("ls -sl");
    EXPECT_EQ(selected.size(), 2u);
}

TEST_F(ThinPenTest, LineModeMovesTheSegmentEndPerPixel) {
    option("ReductionType", "2");
    const Pixel a = pixel(-1.5, 0.5), far = pixel(1.5, 0.5), back = pixel(-0.5, 0.5);
    output::Capture capture;
    journal().clear();
    run("viewEvent -shift press " + std::to_string(a.x) + " " + std::to_string(a.y));
    EXPECT_EQ(capture.infos(),
              "\"Line Mode\" invoked.  Please continue pressing and dragging to place the new "
              "segment's endpoint.\n");
    // Out across three edges, then back pixel by pixel: the end follows, one segment.
    run("viewEvent -shift drag " + std::to_string(far.x) + " " + std::to_string(far.y));
    for (int x = far.x - 1; x >= back.x; --x)
        run("viewEvent -shift drag " + std::to_string(x) + " " + std::to_string(a.y));
    run("viewEvent release " + std::to_string(back.x) + " " + std::to_string(back.y));
    const std::string text = actionText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '['), 1) << text;
    EXPECT_EQ(faces(), 15);
}

TEST_F(ThinPenTest, LineModeStaysOpenAcrossReleasesWithShift) {
    option("ReductionType", "2");
    const Pixel a = pixel(-1.5, 0.5), b = pixel(-0.5, 0.5), c = pixel(0.5, 0.5);
    auto event = [&](const std::string& what, Pixel p) {
        run("viewEvent " + what + " " + std::to_string(p.x) + " " + std::to_string(p.y));
    };
    event("-shift press", a);
    event("-shift drag", b);
    output::Capture capture;
    event("-shift release", b);  // the stroke stays open
    EXPECT_EQ(actionText(), "");
    EXPECT_NE(capture.infos().find("\"Line Mode\" invoked."), std::string::npos);
    // The camera stays locked while the stroke is open.
    EXPECT_EQ(integer("getAttr -lock camera1.translate"), 1);
    event("-shift press", b);
    // A hold shows the message again.
    capture.clear();
    event("-shift hold", b);
    EXPECT_NE(capture.infos().find("\"Line Mode\" invoked."), std::string::npos);
    event("-shift drag", c);
    journal().clear();
    event("release", c);
    // Two segments: x = -1 and x = 0 deleted.
    EXPECT_EQ(faces(), 14) << actionText();
    EXPECT_EQ(integer("getAttr -lock camera1.translate"), 0);
}

TEST_F(ThinPenTest, PressWithoutShiftEndsLineModeAndTheStrokeGoesOn) {
    option("ReductionType", "2");
    const Pixel a = pixel(-1.5, 0.5), b = pixel(-0.5, 0.5), c = pixel(1.5, 0.5);
    auto event = [&](const std::string& what, Pixel p) {
        run("viewEvent " + what + " " + std::to_string(p.x) + " " + std::to_string(p.y));
    };
    event("-shift press", a);
    event("-shift drag", b);
    event("-shift release", b);
    output::Capture capture;
    event("press", b);
    EXPECT_EQ(capture.infos(), "\"Line Mode\" ended.\n");
    // The press added nothing; drags past the minimum sample size extend the stroke.
    event("drag", c);
    journal().clear();
    event("release", c);
    EXPECT_EQ(faces(), 13) << actionText();
}

TEST_F(ThinPenTest, CameraLockLeavesTheUsersOwnLocks) {
    const Pixel a = pixel(-1.5, 0.5), b = pixel(-0.5, 0.5);
    // Without user locks: both locked during the stroke with the exact text, both unlocked.
    journal().clear();
    run("viewEvent press " + std::to_string(a.x) + " " + std::to_string(a.y));
    EXPECT_TRUE(ran("setAttr -lock 1 camera1.translate; setAttr -lock 1 camera1.rotate"));
    EXPECT_EQ(integer("getAttr -lock camera1.rotate"), 1);
    run("viewEvent release " + std::to_string(a.x) + " " + std::to_string(a.y));
    EXPECT_TRUE(ran("setAttr -lock 0 camera1.translate; setAttr -lock 0 camera1.rotate"));
    EXPECT_EQ(integer("getAttr -lock camera1.rotate"), 0);
    // The user's own translate lock survives the stroke.
    run("setAttr -lock 1 camera1.translate; select -r grid");
    journal().clear();
    run("viewStroke {" + std::to_string(a.x) + ", " + std::to_string(a.y) + ", " +
        std::to_string(b.x) + ", " + std::to_string(b.y) + "}");
    EXPECT_TRUE(ran("setAttr -lock 1 camera1.rotate"));
    EXPECT_TRUE(ran("setAttr -lock 0 camera1.rotate"));
    EXPECT_EQ(integer("getAttr -lock camera1.translate"), 1);
    EXPECT_EQ(integer("getAttr -lock camera1.rotate"), 0);
}

TEST_F(ThinPenTest, OverlayLineShowsInTheCompositedView) {
    const Pixel a = pixel(-1.5, 0.5), b = pixel(1.5, 0.5);
    run("viewEvent press " + std::to_string(a.x) + " " + std::to_string(a.y));
    run("viewEvent drag " + std::to_string(b.x) + " " + std::to_string(b.y));
    const auto yellowOnRow = [&] {
        const tarn::view::RgbImage image = tarn::view::renderActiveView();
        int yellow = 0;
        for (int x = a.x + 2; x < b.x - 2; ++x) {
            const std::uint8_t* p = image.at(x, image.height - 1 - a.y);
            yellow += p[0] > 240 && p[1] > 200 && p[2] < 80;
        }
        return yellow;
    };
    EXPECT_GE(yellowOnRow(), b.x - a.x - 6);
    // The release ends the stroke and clears the plane.
    run("viewEvent release " + std::to_string(b.x) + " " + std::to_string(b.y));
    EXPECT_EQ(yellowOnRow(), 0);
}

TEST_F(ThinPenTest, CylinderWithCullingReducesOnlyTheNearSide) {
    run("setToolTo $gSelect; delete grid; polyCylinder -r 1 -h 2 -sx 8 -sy 2 -n can; viewFit");
    run("select -r can; setToolTo thinPenContext1; setAttr canShape.bck 3");
    option("ReductionType", "2");
    // Across the middle ring of side edges, left to right through the whole silhouette: with
    // culling only the edges of faces turned to the camera are picked.
    const Pixel l = pixel(-1.2, 0.5, 0), r = pixel(1.2, 0.5, 0);
    const std::int64_t before = faces("can");
    journal().clear();
    run("viewStroke {" + std::to_string(l.x) + ", " + std::to_string(l.y) + ", " +
        std::to_string(r.x) + ", " + std::to_string(r.y) + "}");
    const std::string text = actionText();
    const auto deleted = std::count(text.begin(), text.end(), '[');
    EXPECT_GE(deleted, 2) << text;
    EXPECT_LE(deleted, 5) << text;
    EXPECT_EQ(faces("can"), before - deleted) << text;
}

TEST_F(ThinPenTest, MeshDeletedDuringTheStrokeIsReportedNotCrashed) {
    const Pixel a = pixel(-1.5, 0.5), b = pixel(1.5, 0.5);
    run("viewEvent press " + std::to_string(a.x) + " " + std::to_string(a.y));
    run("viewEvent drag " + std::to_string(b.x) + " " + std::to_string(b.y));
    run("delete grid");
    output::Capture capture;
    journal().clear();
    run("viewEvent release " + std::to_string(b.x) + " " + std::to_string(b.y));
    EXPECT_EQ(capture.errors(), "Reduction failed to compute!  Please try again.\n");
    EXPECT_EQ(actionText(), "");
    // The stroke ended all the same: the camera is free again.
    EXPECT_EQ(integer("getAttr -lock camera1.translate"), 0);
}

TEST_F(ThinPenTest, TextFailingPartWayChangesNothing) {
    // The reduction runs as one step: a later statement failing takes back the earlier ones,
    // and the result line, its last statement, is not printed.
    const auto before = run("polyEvaluate -bb grid.vtx[7]").asFloatArray();
    for (const bool nested : {false, true}) {
        output::Capture capture;
        const std::string text =
            "polyMoveVertex;\nsetAttr gridShape.pt[7] 0 0 3; \nselect -r gridShape.e[99999];\n"
            "polyCollapseEdge -ch on;\nselect -r gridShape;\nprint \"// Result: Performed a "
            "polyCollapseEdge.\\n\"";
        // Nested: as from a gesture command, inside the caller's undo chunk.
        if (nested) tarn::undo::undoQueue().openChunk("gesture");
        EXPECT_FALSE(runReduceText(text));
        if (nested) tarn::undo::undoQueue().closeChunk();
        EXPECT_EQ(capture.prints(), "");
        EXPECT_EQ(run("polyEvaluate -bb grid.vtx[7]").asFloatArray(), before);
    }
}

TEST_F(ThinPenTest, ExampleScriptReducesTheGridAndWritesBothPictures) {
    std::ifstream in(std::string(TARN_SOURCE_DIR) + "/examples/stroke/reduce_grid.tcs");
    ASSERT_TRUE(in) << "examples/stroke/reduce_grid.tcs";
    std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("reduce_grid_" + std::to_string(::getpid()));
    const size_t at = script.find("\"out/stroke\"");
    ASSERT_NE(at, std::string::npos);
    script.replace(at, 12, "\"" + out.string() + "\"");
    // The plug-in is loaded already; the script's own load is then a no-op.
    run("setToolTo $gSelect; delete grid");
    output::Capture capture;
    run(script);
    // The 7 inner edges of one row of the 8 x 8 grid are gone.
    EXPECT_EQ(faces("reduceGrid"), 57);
    EXPECT_NE(capture.prints().find("// Result: Performed a polyDelEdge."), std::string::npos);
    for (const char* name : {"reduce_grid_before.png", "reduce_grid_after.png"})
        EXPECT_GT(std::filesystem::file_size(out / name), 0u) << name;
    std::filesystem::remove_all(out);
}

TEST(ThinPenSheet, OneRowPerOptionNamingTheControlsTheEditHookRefreshes) {
    testing::expectSheetMatches(reduceOptionVars(), reduceToolProperties(), reduceEditHookTexts());
}

}  // namespace
}  // namespace stroke
