// Scene files in the host: what a save writes comes back on open (meshes with their ids, sets,
// flags and groups, tweaks and history, NURBS, cameras, locks, sets, the selection, the scene's
// option variables), a second save gives the same bytes, a refused file changes nothing, saves
// never destroy the old file, "modified" follows the changes, and nodes of a missing plug-in
// survive as placeholders.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/dg/graph.h"
#include "host/lang/atomic_file.h"
#include "host/lang/option_vars.h"
#include "host/mesh/mesh_edit.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/scene_test_support.h"
#include "host/scenefile/placeholder_node.h"
#include "host/scenefile/scene_reader.h"
#include "host/scenefile/scene_session.h"
#include "host/scenefile/scene_writer.h"
#include "host/view/active_view.h"

namespace tarn::scenefile {
namespace {

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + "scene_file_test_" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Everything a mesh holds that ids and names depend on, as text (so two meshes compare whole).
std::string meshFacts(const PolyMesh& m) {
    std::ostringstream o;
    o.precision(17);
    for (const Vec3& p : m.points()) o << p.x << ' ' << p.y << ' ' << p.z << ';';
    o << "\nfaces";
    for (int f = 0; f < m.numFaces(); ++f) {
        o << " (";
        for (int v : m.faceVertices(f)) o << v << ' ';
        o << ')';
    }
    o << "\nedges";
    for (int e = 0; e < m.numEdges(); ++e)
        o << ' ' << m.edge(e).v0 << '-' << m.edge(e).v1 << (m.isEdgeSmooth(e) ? "s" : "h");
    for (const std::string& name : m.uvSetNames()) {
        o << "\nuv " << name << (name == m.currentUVSetName() ? "*" : "") << ':';
        for (int f = 0; f < m.numFaces(); ++f)
            for (int c = 0; c < m.faceVertexCount(f); ++c) {
                float u = -9, v = -9;
                m.getFaceVertexUV(f, c, u, v, name);
                o << ' ' << m.faceVertexUVIndex(f, c, name) << '=' << u << ',' << v;
            }
    }
    for (const std::string& name : m.colorSetNames()) {
        o << "\ncolour " << name << ':';
        for (int f = 0; f < m.numFaces(); ++f)
            for (int c = 0; c < m.faceVertexCount(f); ++c) {
                const Rgba k = m.faceVertexColor(f, c, name);
                o << ' ' << k.r << ',' << k.g << ',' << k.b << ',' << k.a;
            }
    }
    for (const auto& [id, faces] : m.objectGroups()) {
        o << "\ngroup " << id << ':';
        for (int f : faces) o << ' ' << f;
    }
    return o.str();
}

class SceneFileTest : public scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        newScene();
        view::ActiveView::instance().setCamera("", nullptr);
    }
    void TearDown() override {
        lang::resetAtomicFileCalls();
        plugins::PluginLoader::instance().unloadAll();
        plugins::PluginLoader::instance().setExplicitPath("");
        SceneTest::TearDown();
    }
    std::string describe() { return run("describeScene -json").asString(); }
    OpenOutcome open(const std::string& text) {
        output::Capture quiet;
        return openSceneText(text, "test.tscene");
    }
    // Saves, opens the text in a new scene and checks it describes the same and saves to the
    // same bytes. Answers the text.
    std::string expectRoundTrip() {
        const std::string before = describe();
        const std::string text = writeScene();
        newScene();
        const OpenOutcome out = open(text);
        EXPECT_TRUE(out.ok) << out.error << "\n" << text;
        EXPECT_EQ(describe(), before);
        EXPECT_EQ(writeScene(), text);
        return text;
    }
    PolyMesh& meshOf(const std::string& name) {
        return scene::meshNode(scene::meshShapeOf(scene::findNode(name)))->mesh();
    }
};

TEST_F(SceneFileTest, MeshesComeBackWithTheirIdsSetsFlagsAndGroups) {
    run("polyPlane -w 2 -h 1 -sx 2 -sy 1 -n sheet");
    // An edit numbers edges by its own rules (appended), not as a fresh mesh's face walk would.
    run("polySubdivideEdge -dv 1 sheet.e[1]");
    run("polySoftEdge -a 0 sheet.e[0] sheet.e[3]");
    PolyMesh& m = meshOf("sheet");
    m.createUVSet("second");
    std::vector<int> counts = m.faceCounts(), ids;
    for (int c : counts)
        for (int i = 0; i < c; ++i) ids.push_back(i % 2 == 0 ? 0 : 1);
    ASSERT_TRUE(m.setUVs({0.25f, 0.5f}, {0.75f, 1.0f}, "second"));
    ASSERT_TRUE(m.assignUVs(counts, ids, "second"));
    m.setCurrentUVSet("second");
    // Per-corner tables of an edited mesh run over its face-vertex slots.
    int slots = 0;
    for (int f = 0; f < m.numFaces(); ++f)
        slots = std::max(slots, m.faceOffset(f) + m.faceVertexCount(f));
    ColorSet& colours = m.createColorSet("paint");
    colours.colors = {Rgba{1, 0, 0, 1}, Rgba{0, 0.5f, 1, -1}};
    colours.faceVertexColor.assign(static_cast<std::size_t>(slots), 1);
    colours.faceVertexColor[static_cast<std::size_t>(m.faceOffset(0))] = 0;
    colours.faceVertexColor[static_cast<std::size_t>(m.faceOffset(1))] = -1;
    m.objectGroups()[3] = {1};
    const std::string facts = meshFacts(m);

    const std::string text = expectRoundTrip();
    EXPECT_NE(text.find("        edges "), std::string::npos) << "the edited edge order is written";
    EXPECT_EQ(meshFacts(meshOf("sheet")), facts);
}

TEST_F(SceneFileTest, LargeArraysTravelAsBase64AndComeBackExactly) {
    run("polySphere -sx 40 -sy 30 -n ball");
    run("setAttr ballShape.pnts[7] 0.125 0 0");
    const std::string facts = meshFacts(meshOf("ball"));
    const std::string text = expectRoundTrip();
    EXPECT_NE(text.find("points 1162 base64 "), std::string::npos);
    EXPECT_EQ(meshFacts(meshOf("ball")), facts);
    EXPECT_NE(text.find("pnts[7] = 0.125 0 0"), std::string::npos) << "the tweak stays a tweak";
}

TEST_F(SceneFileTest, HistoryTweaksAndObjectGroupsComeBack) {
    run("polyCube -n box");
    run("polyObjectGroup box.f[1:2]");
    run("move -r 0 1 0 box.vtx[3]");
    const std::string bounds = run("polyEvaluate -bb box").toDisplay();
    expectRoundTrip();
    EXPECT_EQ(run("polyEvaluate -bb box").toDisplay(), bounds);
    EXPECT_EQ(strings("listHistory box"),
              (std::vector<std::string>{"groupFaces1", "boxShapeOrig"}));
    // The history is live again: a change upstream reaches the shape.
    run("setAttr -type \"string\" groupFaces1.faces \"0\"");
    EXPECT_EQ(meshOf("box").objectGroups().at(0), (std::vector<int>{0}));
}

TEST_F(SceneFileTest, NurbsCamerasAndTheViewComeBack) {
    run("curve -d 1 -p 0 0 0 -p 1 0 0 -p 1 1 0");
    run("nurbsSphere -r 2 -n globe");
    run("camera -n cam");
    run("setAttr camShape.focalLength 50");
    run("setAttr camShape.farClipPlane 30000");
    run("setAttr camShape.nearClipPlane 20000");
    run("move 1 2 30 cam");
    run("viewCamera cam");
    const std::string text = expectRoundTrip();
    EXPECT_EQ(view::ActiveView::instance().cameraName(), "cam");
    EXPECT_NE(text.find("nearClipPlane = 20000"), std::string::npos);
}

TEST_F(SceneFileTest, LocksStringsSetsSelectionAndSceneOptionsComeBack) {
    run("polyCube -n box");
    run("setAttr -lock true box.translateX");
    run("shadingNode -asTexture file -n tex");
    run("setAttr -type \"string\" tex.fileTextureName \"my \\\"wood\\\"\\nfile.png\"");
    run("sets -name corners box.vtx[0:2]");
    run("select box.f[1] box.e[2:3]");
    run("hilite box");
    run("optionVar -sv scene_units \"cm\" -iv userPref 3");
    const std::string text = expectRoundTrip();
    EXPECT_EQ(text.find("userPref"), std::string::npos) << "preferences stay with the user";
    EXPECT_EQ(run("getAttr -lock box.translateX").asInt(), 1);
    EXPECT_EQ(strings("sets -q corners"), (std::vector<std::string>{"box.vtx[0:2]"}));
    EXPECT_EQ(strings("ls -sl"), (std::vector<std::string>{"box.f[1]", "box.e[2:3]"}));
    EXPECT_EQ(run("optionVar -q scene_units").asString(), "cm");
    // Opening replaces the scene's option variables and leaves the others alone.
    run("optionVar -sv scene_units \"m\" -iv userPref 4 -iv scene_extra 1");
    ASSERT_TRUE(open(text).ok);
    EXPECT_EQ(run("optionVar -q scene_units").asString(), "cm");
    EXPECT_EQ(run("optionVar -ex scene_extra").asInt(), 0);
    EXPECT_EQ(run("optionVar -q userPref").asInt(), 4);
}

TEST_F(SceneFileTest, RefusedFilesChangeNothing) {
    run("polyCube -n keep");
    run("select keep.f[2]");
    const std::string before = describe();
    const std::size_t undoSteps = undo::undoQueue().undoCount();
    const std::string node = "tscene 1\nnode transform t {\n";
    const struct {
        std::string text;
        const char* says;
    } cases[] = {
        {node + "    translate = 1 2\n}\n", "test.tscene:3: t.translate takes 3 values, 2 given"},
        {node + "    translate = 1e309 0 0\n}\n", "test.tscene:3: expected a number"},
        {node + "    frobnicate = 1\n}\n",
         "test.tscene:3: the node t (transform) has no attribute"},
        {node + "    translate = \"x\"\n}\n", "does not hold a string"},
        {node + "    translateX[2] = 1\n}\n", "is not an array"},
        {"tscene 1\nnode noSuchType n {\n}\n", "test.tscene:2: unknown node type noSuchType"},
        {"tscene 1\nnode mesh m parent later {\n}\nnode transform later {\n}\n",
         "must be a node written before it"},
        {"tscene 1\nnode mesh m {\n    outMesh = mesh {\n    }\n}\n", "computed by the node"},
        {"tscene 1\nnode mesh m {\n    mesh {\n        points 3 [0 0 0 1 0 0 0 1 0]\n"
         "        faces 1 [3]\n        vertices 3 [0 1 7]\n    }\n}\n",
         "test.tscene:3: the mesh is not valid: face 0 uses vertex 7"},
        {"tscene 1\nnode mesh m {\n    mesh {\n        points 3 [0 0 0 1 0 0 0 1 0]\n"
         "        faces 1 [3]\n        vertices 3 [0 1 2]\n    }\n    shading initialShadingGroup "
         "0:4\n}\n",
         "face 4 of m is past its 1 faces"},
        {"tscene 1\nnode camera c {\n    nearClipPlane = 500\n    farClipPlane = 100\n}\n",
         "nearClipPlane must be less than farClipPlane"},
        {"tscene 1\nnode lambert lambert1 {\n}\nnode phong initialShadingGroup {\n}\n",
         "the default node initialShadingGroup is a shadingEngine"},
        {"tscene 1\nnode transform a {\n}\nnode transform a {\n}\n", "a second node named a"},
        {"tscene 1\nnode transform a {\n}\nconnect a.translate lambert1.color\n"
         "connect a.visibility lambert1.color\n",
         "test.tscene:5: a.visibility and lambert1.color do not hold the same kind of value"},
        {"tscene 1\nconnect lambert1.outColor ghost.color\n", "names no node of the file"},
        {"tscene 1\noption \"editorTheme\" string \"dark\"\n", "is a preference"},
        {"tscene 1\nnode transform a {\n}\nnode fooNode b plugin \"noSuchPlugin\" {\n}\n"
         "node mesh c parent b {\n}\n",
         "is a node of the missing plug-in"},
    };
    for (const auto& c : cases) {
        const OpenOutcome out = open(c.text);
        EXPECT_FALSE(out.ok) << c.text;
        EXPECT_NE(out.error.find(c.says), std::string::npos) << out.error;
        EXPECT_EQ(describe(), before) << c.text;
        EXPECT_EQ(undo::undoQueue().undoCount(), undoSteps) << c.text;
    }
    EXPECT_TRUE(
        Graph::instance().findType(kPlaceholderType) == nullptr ||
        Graph::instance().nodesOfType(*Graph::instance().findType(kPlaceholderType)).empty());
}

TEST_F(SceneFileTest, AGraphRefusalPutsTheSceneBackWhole) {
    run("polyCube -n keep");
    run("polyObjectGroup keep.f[0]");
    const std::vector<std::string> selected = strings("ls -sl");
    run("select keep.vtx[1]");
    run("optionVar -iv scene_level 2");
    const std::string before = describe();
    // Passes every check but the graph's own: the connections close a loop.
    const OpenOutcome out = open(
        "tscene 1\nnode groupFaces a {\n}\nnode groupFaces b {\n}\n"
        "connect a.outMesh b.inMesh\nconnect b.outMesh a.inMesh\n");
    EXPECT_FALSE(out.ok);
    EXPECT_NE(out.error.find("test.tscene:7:"), std::string::npos) << out.error;
    EXPECT_EQ(describe(), before);
    EXPECT_EQ(run("optionVar -q scene_level").asInt(), 2);
    // The very nodes are back: undo still knows them.
    undo();
    EXPECT_EQ(strings("ls -sl"), selected);
}

TEST_F(SceneFileTest, ValuesBeyondHardLimitsAreMovedIntoThemWithAWarning) {
    plugins::PluginLoader::instance().setExplicitPath(TARN_PLUGIN_DIR);
    const OpenOutcome out = open(
        "tscene 1\nrequires \"blotPattern\" \"\"\nnode splatter s plugin \"blotPattern\" {\n"
        "    threshold = 7\n}\n");
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.warnings.size(), 1u);
    EXPECT_EQ(out.warnings[0], "test.tscene:4: 7 is outside the range of s.threshold; 1 is used");
    EXPECT_EQ(run("getAttr s.threshold").asFloat(), 1.0);
}

TEST_F(SceneFileTest, ModifiedFollowsChangesAndGuardsUnsavedWork) {
    const std::string path = tempPath("guard.tscene");
    EXPECT_EQ(run("file -q -modified").asInt(), 0);
    EXPECT_EQ(run("file -q -sceneName").asString(), "");
    run("polyCube -n box");
    EXPECT_EQ(run("file -q -modified").asInt(), 1);
    run("file -save \"" + path + "\"");
    EXPECT_EQ(run("file -q -modified").asInt(), 0);
    EXPECT_EQ(run("file -q -sceneName").asString(), path);
    undo();
    EXPECT_EQ(run("file -q -modified").asInt(), 1) << "undo changes the scene too";
    EXPECT_NE(runFailing("file -new").find("unsaved changes"), std::string::npos);
    EXPECT_NE(runFailing("file -open \"" + path + "\"").find("unsaved changes"), std::string::npos);
    EXPECT_TRUE(strings("ls box").empty()) << "a refused open changes nothing";
    run("file -open -force \"" + path + "\"");
    EXPECT_EQ(run("file -q -modified").asInt(), 0);
    EXPECT_EQ(strings("ls box"), std::vector<std::string>{"box"});
    run("file -save");  // to its own file
    run("polySphere");
    run("file -new -force");
    EXPECT_EQ(run("file -q -sceneName").asString(), "");
    EXPECT_EQ(run("file -q -modified").asInt(), 0);
    EXPECT_TRUE(strings("ls -type mesh").empty());
    EXPECT_NE(runFailing("file -save").find("no file yet"), std::string::npos);
    EXPECT_NE(runFailing("file -save \"x.obj\"").find("ends in .tscene"), std::string::npos);
}

TEST_F(SceneFileTest, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    const std::string path = tempPath("kept.tscene");
    run("polyCube -n first");
    run("file -save \"" + path + "\"");
    const std::string old = readFile(path);
    run("polySphere -n second");
    lang::atomicFileCalls().write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const std::string error = runFailing("file -save");
    lang::resetAtomicFileCalls();
    EXPECT_NE(error.find("was not saved"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(run("file -q -modified").asInt(), 1);
}

TEST_F(SceneFileTest, NodesOfAMissingPlugInAreKeptAndWrittenBackUnchanged) {
    auto& loader = plugins::PluginLoader::instance();
    std::string error;
    ASSERT_FALSE(
        loader.load(std::string(TARN_TEST_PLUGIN_DIR) + "/probeOffsetMesh.so", &error).error())
        << error;
    run("polyCube -n box");
    run("string $n = `polyHistory -insert offsetMesh box`; setAttr ($n + \".offset\") 0.25");
    const std::string whole = describe();
    const std::string text = writeScene();
    ASSERT_NE(text.find("plugin \"probeOffsetMesh\""), std::string::npos);
    newScene();
    ASSERT_FALSE(loader.unload("probeOffsetMesh", false, &error).error()) << error;

    // Not on the plug-in path: the node becomes a placeholder, with a warning naming it.
    OpenOutcome out = open(text);
    ASSERT_TRUE(out.ok) << out.error;
    ASSERT_EQ(out.warnings.size(), 1u);
    EXPECT_NE(out.warnings[0].find("the plug-in probeOffsetMesh is not available"),
              std::string::npos);
    EXPECT_NE(out.warnings[0].find("offsetMesh1"), std::string::npos);
    EXPECT_EQ(strings("ls -type placeholder"), std::vector<std::string>{"offsetMesh1"});
    EXPECT_EQ(writeScene(), text) << "written back unchanged";

    // With the plug-in found again the scene is whole.
    newScene();
    loader.setExplicitPath(TARN_TEST_PLUGIN_DIR);
    out = open(text);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_TRUE(out.warnings.empty());
    EXPECT_EQ(describe(), whole);
    EXPECT_EQ(run("getAttr offsetMesh1.offset").asFloat(), 0.25);
}

TEST_F(SceneFileTest, PlaceholderConnectionsFollowTheNodesAtTheirOtherEnds) {
    // A texture of a plug-in no one has feeds a material; the material is renamed, then the
    // placeholder's own node is renamed: the file names both by their new names, in place.
    const std::string text =
        "tscene 1\nrequires \"noSuchPlugin\" \"2.0\"\n"
        "node lambert lambert1 {\n}\nnode shadingEngine initialShadingGroup {\n}\n"
        "node ghostTexture ghost plugin \"noSuchPlugin\" {\n    seed = 7\n}\n"
        "node lambert mat {\n}\n"
        "connect lambert1.outColor initialShadingGroup.surfaceShader\n"
        "connect ghost.outColor mat.color\n";
    ASSERT_TRUE(open(text).ok);
    EXPECT_EQ(writeScene(), text);
    run("rename mat paint");
    run("rename ghost spook");
    const std::string renamed = writeScene();
    EXPECT_NE(renamed.find("node ghostTexture spook plugin \"noSuchPlugin\" {\n    seed = 7\n}"),
              std::string::npos)
        << renamed;
    EXPECT_NE(renamed.find("connect spook.outColor paint.color\n"), std::string::npos) << renamed;
    EXPECT_NE(renamed.find("requires \"noSuchPlugin\" \"2.0\""), std::string::npos);
    // The material's colour comes from the placeholder: it is not written as a value.
    run("setAttr paint.color 0.1 0.2 0.3");
    EXPECT_EQ(writeScene().find("color = "), std::string::npos);
    run("delete paint");
    EXPECT_EQ(writeScene().find("connect spook"), std::string::npos)
        << "a link to a deleted node goes with it";
}

TEST_F(SceneFileTest, ARefusedFileUnloadsThePlugInsItLoaded) {
    plugins::PluginLoader::instance().setExplicitPath(TARN_PLUGIN_DIR);
    const OpenOutcome out = open(
        "tscene 1\nrequires \"blotPattern\" \"\"\nnode splatter s plugin \"blotPattern\" {\n"
        "    noSuchAttribute = 1\n}\n");
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(plugins::PluginLoader::instance().find("blotPattern"), nullptr);
}

}  // namespace
}  // namespace tarn::scenefile
