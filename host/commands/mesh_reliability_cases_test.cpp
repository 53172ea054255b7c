// The mesh-editing commands where they used to go wrong: costs and limits of many new vertices,
// sizes that are not numbers, undo of edits that removed every edge, results with an edge of
// more than two faces or a point that is not finite, merges of vertices that share a face but
// no edge, a stop asked for during an edit, and shading groups through construction history.

#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/commands/command_test_support.h"
#include "host/lang/interpreter.h"
#include "host/scene/dag.h"

namespace tarn::commands::testing {
namespace {

class MeshReliabilityCases : public CommandTest {
protected:
    // The OBJ a mesh exports to, as text (its normals show its soft edges).
    std::string objOf(const std::string& mesh) {
        const std::string path = ::testing::TempDir() + "mesh_reliability.obj";
        EXPECT_EQ(eval("exportObj \"" + path + "\" " + mesh), path);
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(MeshReliabilityCases, EdgeFlagsComeBackWithTheEdgesOnUndo) {
    struct Row {
        const char* id;
        std::string mesh, setup, edit;
    } rows[] = {
        {"the only face deleted", "p", "polyPlane -sx 1 -sy 1 -n p; polySoftEdge -a 180 p.e[0:1]",
         "polyDeleteVertex p.vtx[0]"},
        {"every vertex merged", "m", "polyCube -n m; polySoftEdge -a 180 m.e[0:5]",
         "polyMergeVertex -d 10 m.vtx[*]"},
        {"every edge collapsed", "c", "polyCube -n c; polySoftEdge -a 180 c.e[0:5]",
         "polyCollapseEdge c.e[*]"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        ASSERT_EQ(eval(r.setup).rfind("ERROR", 0), std::string::npos);
        const std::string obj = objOf(r.mesh);
        const std::string before = state(false);
        ASSERT_EQ(eval(r.edit).rfind("ERROR", 0), std::string::npos) << r.edit;
        ASSERT_TRUE(undo::undoQueue().undo());
        EXPECT_EQ(firstDifference(state(false), before), "");
        EXPECT_EQ(objOf(r.mesh), obj);
    }
    // Two soft edges before the edit, and again after its undo.
    ASSERT_EQ(eval("polyDeleteVertex p.vtx[0]; polyEvaluate -f p"), "0");
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_NE(eval("describeScene -json").find("\"softEdges\": 2"), std::string::npos);
}

TEST_F(MeshReliabilityCases, CountsAndSizesAreCheckedBeforeAnythingIsMade) {
    ASSERT_EQ(eval("polyCube -n box; polyPlane -sx 4 -sy 4 -n grid; select -cl"), "");
    expectRejected({
        {"divisions past the limit", "polySubdivideEdge -dv 2000000000 box.e[0]",
         "the edges would get 2000000000 new vertices; at most 1000000 may be added at once"},
        {"the limit over two edges", "polySubdivideEdge -dv 600000 box.e[0:1]",
         "the edges would get 1200000 new vertices"},
        {"a size so small it makes too many", "polySubdivideEdge -s 1e-12 box.e[0]",
         "would get more than 1000000 new vertices"},
        {"a size that is no number", "polySubdivideEdge -s nan box.e[0]",
         "polySubdivideEdge: flag '-s' takes finite numbers, not 'nan'."},
        {"a negative size", "polySubdivideEdge -s -1 box.e[0]", "-s must be a finite size above 0"},
        {"split subdivisions past the limit", "polySplit -s 3000000 -ep 4 0.5 -ep 7 0.5 box",
         "-s 3000000 is above the maximum of 1000000"},
        {"merge distance that is no number", "polyMergeVertex -d nan box.vtx[0:1]",
         "polyMergeVertex: flag '-d' takes finite numbers, not 'nan'."},
    });
    // What the stroke tools write: -s 0 leaves the count to -dv.
    EXPECT_EQ(eval("polySubdivideEdge -ch 1 -ws 0 -s 0 -dv 2 box.e[0]; polyEvaluate -v box"), "10");
    // Many vertices in one edit go through.
    EXPECT_EQ(eval("polySubdivideEdge -dv 20000 grid.e[0]; polyEvaluate -v grid"), "20025");
    EXPECT_EQ(eval("polySplit -s 5000 -ep 4 0.5 -ep 7 0.5 box; polyEvaluate -v box"), "5011");
}

TEST_F(MeshReliabilityCases, ResultsThatBreakTheMeshAreRefusedAndChangeNothing) {
    ASSERT_EQ(eval("polyPlane -sx 4 -sy 4 -n m; polyCylinder -sx 4 -sy 1 -sc 0 -n c; "
                   "polySplit -ep 2 1 -ep 9 1 c; polyDelEdge -cv 0 c.e[1]; polyPlane -sx 1 -sy 1 "
                   "-n a; polyMoveVertex -t 1e308 0 0 a.vtx[0]; select -cl")
                  .rfind("ERROR", 0),
              std::string::npos);
    expectRejected({
        {"merge making an edge of four faces", "polyMergeVertex -d 100 m.vtx[1] m.vtx[10]",
         "m: the edit would make edge 1 shared by 4 faces (at most two may share an edge)"},
        {"split laying an edge on a shared one", "polySplit -ep 6 0 -ep 3 0 c",
         "the edit would make edge 1 shared by 4 faces"},
        {"move overflowing to infinity", "polyMoveVertex -t 1e308 0 0 a.vtx[0]",
         "a: the edit would move vertex 0 to a point that is not a finite number"},
    });
    EXPECT_EQ(eval("polyEvaluate -bb a").find("inf"), std::string::npos);
}

TEST_F(MeshReliabilityCases, VerticesSharingAFaceButNoEdgeMerge) {
    ASSERT_EQ(eval("polyPlane -w 2 -h 2 -sx 2 -sy 2 -n p; select -cl"), "");
    const std::string before = state(false);
    // Vertices 0 and 2 are opposite corners of face 0, which goes; the other three faces stay.
    EXPECT_EQ(eval("select -r p.vtx[0] p.vtx[2]; polyMergeVertex -d 1000000; polyEvaluate -v -e -f "
                   "p"),
              "8 10 3");
    const std::string after = state(false);
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(firstDifference(state(false), before), "");
    ASSERT_TRUE(undo::undoQueue().redo());
    EXPECT_EQ(firstDifference(state(false), after), "");
}

TEST_F(MeshReliabilityCases, AStopAskedForDuringAnEditLeavesTheMeshAsItWas) {
    ASSERT_EQ(eval("polyPlane -sx 30 -sy 30 -n m; select -cl"), "");
    const std::string before = state();
    // A stop pending when the command runs (as Ctrl-C or SIGTERM during it would leave it):
    // called directly, no statement boundary checks it first; the edit itself must.
    lang::Interpreter& interp = lang::hostInterpreter();
    for (const char* command : {"polyDelEdge", "polyDelVertex", "polyMergeVertex",
                                "polySubdivideEdge", "polyCollapseEdge"}) {
        SCOPED_TRACE(command);
        interp.stop();
        output::Capture capture;
        const lang::CommandResult r =
            interp.call(command, {lang::Value(std::string(command) == "polyDelVertex" ||
                                                      std::string(command) == "polyMergeVertex"
                                                  ? "m.vtx[*]"
                                                  : "m.e[*]")});
        interp.clearStop();
        EXPECT_FALSE(r.ok);
        EXPECT_NE(capture.errors().find("Interrupted."), std::string::npos) << capture.errors();
        EXPECT_EQ(firstDifference(state(), before), "");
    }
    // Without the stop the same edit goes through.
    EXPECT_EQ(eval("polyDelEdge m.e[*]; polyEvaluate -f m"), "1");
}

TEST_F(MeshReliabilityCases, ShadingGroupsFollowTheFacesThroughHistory) {
    ASSERT_EQ(eval(std::string("loadPlugin \"") + TARN_PLUGIN_DIR + "/meshKit.so\"; select -cl")
                  .rfind("ERROR", 0),
              std::string::npos);
    const char* setup =
        "polyCube -sx 2 -sy 2 -sz 2 -n m; "
        "sets -renderable true -noSurfaceShader true -empty -name redSG; "
        "sets -renderable true -noSurfaceShader true -empty -name blueSG; "
        "sets -edit -forceElement redSG m.f[20:23]; select -cl";
    ASSERT_EQ(eval(setup).rfind("ERROR", 0), std::string::npos);
    const std::string start = state(false);
    const std::string shading = eval("sets -q redSG");
    EXPECT_EQ(shading, "m.f[20:23]");
    // The patch replaces face 10 by triangles: they join face 10's group.
    ASSERT_EQ(eval("sets -edit -forceElement blueSG m.f[10]").rfind("ERROR", 0), std::string::npos);
    const std::string blue = state(false);
    ASSERT_EQ(eval("polyTriPatch m.f[10]").rfind("ERROR", 0), std::string::npos);
    const int patchFaces = std::stoi(eval("polyEvaluate -f m"));
    EXPECT_GT(patchFaces, 1);
    EXPECT_EQ(eval("sets -q blueSG"), "mShape");  // every face of the patch
    // Undo takes the patch back exactly; redo and deleting the node too.
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(firstDifference(state(false), blue), "");
    EXPECT_EQ(eval("sets -q redSG"), shading);
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(firstDifference(state(false), start), "");
    ASSERT_TRUE(undo::undoQueue().redo());
    ASSERT_TRUE(undo::undoQueue().redo());
    EXPECT_EQ(eval("sets -q blueSG"), "mShape");
    ASSERT_EQ(eval("delete polyTriPatch1"), "");
    EXPECT_EQ(eval("sets -q redSG"), shading);
    EXPECT_EQ(eval("sets -q blueSG"), "m.f[10]");
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("sets -q blueSG"), "mShape");

    // A face of the patch assigned alone, a parameter changed and changed back by undo: the face
    // is as it was assigned.
    ASSERT_EQ(eval("sets -edit -forceElement redSG m.f[1]"), "");
    const std::string assigned = state(false);
    ASSERT_EQ(eval("setAttr polyTriPatch1.divisions 2").rfind("ERROR", 0), std::string::npos);
    EXPECT_NE(std::stoi(eval("polyEvaluate -f m")), patchFaces);
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(firstDifference(state(false), assigned), "");
}

}  // namespace
}  // namespace tarn::commands::testing
