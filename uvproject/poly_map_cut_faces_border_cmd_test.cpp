// polyMapCutFacesBorder run through the command language on real meshes: which "polyMapCut"
// texts it executes for each kind of selection, its messages, and undo and redo of the cuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/undo/undo.h"
#include "uvproject/patch_cast_test_support.h"

namespace {

using patchcast::testing::journalTexts;
using patchcast::testing::run;
using Texts = std::vector<std::string>;

class CutFacesBorderTest : public ::testing::Test {
protected:
    /// A fresh scene. Clearing the graph forgets the plug-in's node type too, so the plug-in is
    /// loaded again (its unload reports the type missing: that message is dropped).
    void SetUp() override {
        tarn::Graph::instance().clear();
        tarn::undo::undoQueue().clear();
        tarn::scene::resetSelectionState();
        tarn::scene::ensureSceneTypes();
        {
            tarn::output::Capture quiet;
            std::string error;
            tarn::plugins::PluginLoader::instance().unload("patchCast", true, &error);
        }
        patchcast::testing::loadPatchCast();
        tarn::lang::journal().clear();
    }

    /// Runs a set-up text that must succeed.
    void setUpScene(const std::string& text) {
        const auto o = run(text);
        ASSERT_TRUE(o.ok) << text << "\n" << o.error;
        tarn::lang::journal().clear();
    }

    /// The "polyMapCut" texts the command executed, with undo and display off.
    static Texts cuts() {
        for (const auto& e : tarn::lang::journal().entries())
            if (e.text == "polyMapCut" || e.text.rfind("polyMapCut ", 0) == 0) {
                EXPECT_FALSE(e.undo) << e.text;
                EXPECT_FALSE(e.display) << e.text;
            }
        return journalTexts("polyMapCut");
    }

    static KFnMesh meshOf(const char* name) {
        KSelectionList list;
        list.add(KString(name));
        KDagPath path;
        list.getDagPath(0, path);
        return KFnMesh(path);
    }

    /// The edges of face `face` of `mesh` but `skip`, as the text " mesh.e[a] mesh.e[b]...".
    static std::string faceEdges(const char* mesh, int face, int skip = -1) {
        KIntArray edges;
        meshOf(mesh).getPolygonEdges(face, edges);
        std::string text;
        for (unsigned i = 0; i < edges.length(); ++i)
            if (edges[i] != skip)
                text += std::string(" ") + mesh + ".e[" + std::to_string(edges[i]) + "]";
        return text;
    }

    /// The current UV set of `mesh` (name, values, assignments) as text, to compare states.
    static std::string uvState(const char* mesh) {
        const KFnMesh fn = meshOf(mesh);
        KFloatArray u, v;
        KIntArray counts, ids;
        fn.getUVs(u, v);
        fn.getAssignedUVs(counts, ids);
        std::string s = fn.currentUVSetName().asChar();
        for (unsigned i = 0; i < u.length(); ++i)
            s += " " + std::to_string(u[i]) + "," + std::to_string(v[i]);
        s += " |";
        for (unsigned i = 0; i < ids.length(); ++i) s += " " + std::to_string(ids[i]);
        return s;
    }
};

TEST_F(CutFacesBorderTest, FaceSelectionsGiveOneCutPerMesh) {
    setUpScene("polyPlane -sx 2 -sy 2 -n grid; polyCube -n box; polyPlane -sx 1 -sy 1 -n tile");
    // grid's faces 0 and 1 are side by side: the edge between them cancels out.
    KIntArray first, second;
    meshOf("grid").getPolygonEdges(0, first);
    meshOf("grid").getPolygonEdges(1, second);
    int shared = -1;
    for (unsigned i = 0; i < first.length(); ++i)
        for (unsigned j = 0; j < second.length(); ++j)
            if (first[i] == second[j]) shared = first[i];
    ASSERT_GE(shared, 0);

    struct Case {
        const char* what;
        const char* selection;
        Texts expected;
    } cases[] = {
        {"one face of a plane: its edges in face order",
         "select -r grid.f[0]",
         {"polyMapCut" + faceEdges("grid", 0)}},
        {"shared edge appended then removed",
         "select -r grid.f[0:1]",
         {"polyMapCut" + faceEdges("grid", 0, shared) + faceEdges("grid", 1, shared)}},
        {"every face of a closed mesh leaves no border", "select -r box.f[0:5]", {"polyMapCut"}},
        {"two meshes, two runs, each with its own transform",
         "select -r tile.f[0] grid.f[3]",
         {"polyMapCut" + faceEdges("tile", 0), "polyMapCut" + faceEdges("grid", 3)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setUpScene(c.selection);
        const auto o = run("polyMapCutFacesBorder");
        EXPECT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.stderrText, "");
        EXPECT_EQ(o.warning, "");
        EXPECT_EQ(cuts(), c.expected);
        ASSERT_TRUE(run("undo").ok);
    }
}

TEST_F(CutFacesBorderTest, SelectionsThatCutNothing) {
    setUpScene("polyPlane -sx 2 -sy 2 -n grid; polyPlane -n other");
    struct Case {
        const char* what;
        const char* selection;
    } cases[] = {
        {"empty selection", "select -cl"},
        {"whole object first, faces after it", "select -r other; select -add grid.f[0]"},
        {"edges first: not a face component", "select -r grid.e[0]; select -add grid.f[0]"},
    };
    // Each ends the walk quietly: no cut, no message of any kind.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setUpScene(c.selection);
        const std::string before = uvState("grid");
        const auto o = run("polyMapCutFacesBorder");
        EXPECT_TRUE(o.ok) << o.error;
        EXPECT_EQ(cuts(), Texts{});
        EXPECT_EQ(uvState("grid"), before);
        EXPECT_EQ(o.stderrText, "");
        EXPECT_EQ(o.warning, "");
        EXPECT_EQ(o.error, "");
    }
}

TEST_F(CutFacesBorderTest, AWholeObjectAfterFacesKeepsTheCutsBeforeIt) {
    setUpScene("polyPlane -sx 2 -sy 2 -n grid; polyPlane -n other; polyPlane -n third");
    setUpScene("select -r grid.f[0]; select -add other; select -add third.f[0]");
    const auto o = run("polyMapCutFacesBorder");
    EXPECT_TRUE(o.ok) << o.error;
    EXPECT_EQ(cuts(), Texts{"polyMapCut" + faceEdges("grid", 0)});
    EXPECT_EQ(o.warning, "");
}

TEST_F(CutFacesBorderTest, UndoPutsTheUVsBackAndRedoCutsAgain) {
    setUpScene("polyPlane -sx 3 -sy 3 -n grid; polyPlane -sx 2 -sy 2 -n tile");
    setUpScene("select -r grid.f[4] tile.f[0:1]");
    const std::string gridBefore = uvState("grid"), tileBefore = uvState("tile");
    ASSERT_TRUE(run("polyMapCutFacesBorder").ok);
    const std::string gridCut = uvState("grid"), tileCut = uvState("tile");
    EXPECT_NE(gridCut, gridBefore);  // the middle face of grid became an island
    EXPECT_NE(tileCut, tileBefore);
    ASSERT_EQ(cuts().size(), 2u);

    // Redo must not depend on the selection of the moment (changed with undo off, so that
    // `undo` takes back the command).
    ASSERT_TRUE(run("select -cl", false).ok);
    ASSERT_TRUE(run("undo").ok);
    EXPECT_EQ(uvState("grid"), gridBefore);
    EXPECT_EQ(uvState("tile"), tileBefore);
    tarn::lang::journal().clear();
    ASSERT_TRUE(run("redo").ok);
    EXPECT_EQ(uvState("grid"), gridCut);
    EXPECT_EQ(uvState("tile"), tileCut);
    EXPECT_EQ(cuts().size(), 2u);
    ASSERT_TRUE(run("undo").ok);
    EXPECT_EQ(uvState("grid"), gridBefore);
}

TEST_F(CutFacesBorderTest, RedoFindsAMeshMadeAnewUnderItsName) {
    // Undoing past the plane's creation deletes it; redoing makes a new node named the same.
    setUpScene("polyPlane -sx 2 -sy 2 -n grid");
    setUpScene("select -r grid.f[0]");
    ASSERT_TRUE(run("polyMapCutFacesBorder").ok);
    const std::string cut = uvState("grid");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(run("undo").ok) << i;
    for (int i = 0; i < 3; ++i) {
        const auto o = run("redo");
        ASSERT_TRUE(o.ok) << i << ": " << o.error;
        EXPECT_EQ(o.stderrText, "") << i;
    }
    EXPECT_EQ(uvState("grid"), cut);
}

TEST_F(CutFacesBorderTest, ALaterFailureTakesTheEarlierCutsBack) {
    // The second item is not in the DAG, so its path cannot be taken.
    setUpScene("polyPlane -sx 2 -sy 2 -n grid; shadingNode -asShader lambert -n paint");
    setUpScene("select -r grid.f[0]; select -add paint");
    const std::string before = uvState("grid");
    const auto o = run("polyMapCutFacesBorder");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.stderrText, "failed to get dagpath\n");
    EXPECT_EQ(cuts().size(), 1u);        // grid was cut...
    EXPECT_EQ(uvState("grid"), before);  // ...and put back
}

TEST_F(CutFacesBorderTest, ArgumentsAreIgnored) {
    setUpScene("polyPlane -sx 2 -sy 2 -n grid; polyPlane -n other; select -r grid.f[0]");
    // A word naming other faces changes nothing: the selection decides.
    for (const char* text : {"polyMapCutFacesBorder -ch 1", "polyMapCutFacesBorder other.f[0]",
                             "polyMapCutFacesBorder -anything"}) {
        SCOPED_TRACE(text);
        const auto o = run(text);
        EXPECT_TRUE(o.ok) << o.error;
        EXPECT_EQ(o.error, "");
        EXPECT_EQ(cuts(), Texts{"polyMapCut" + faceEdges("grid", 0)});
        ASSERT_TRUE(run("undo").ok);
        tarn::lang::journal().clear();
    }
}

}  // namespace
