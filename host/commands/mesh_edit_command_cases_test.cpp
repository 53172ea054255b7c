// The mesh-editing commands case by case on a cube, a plane grid, a cylinder and a sphere:
// counts after each command, ids a caller predicts, undo restoring the scene and the geometry
// exactly (and redo the edited state), and errors that change nothing.

#include <cstdio>

#include "host/commands/command_test_support.h"
#include "host/scene/dag.h"

namespace tarn::commands::testing {
namespace {

class MeshEditCases : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        ASSERT_EQ(eval("polyCube -n box; polyPlane -n grid -sx 3 -sy 3; "
                       "polyCylinder -n can -sx 8 -sy 1 -sc 0; polySphere -n ball -sx 8 -sy 6; "
                       "select -cl"),
                  "");
        undo::undoQueue().clear();
    }

    // Points, face loops and corner UVs of a mesh, as text.
    static std::string geometry(const std::string& shape) {
        const PolyMesh& m = scene::meshNode(scene::findNode(shape))->mesh();
        std::string s;
        char buf[96];
        for (const Vec3& p : m.points()) {
            std::snprintf(buf, sizeof buf, "(%.9g %.9g %.9g)", p.x, p.y, p.z);
            s += buf;
        }
        for (int f = 0; f < m.numFaces(); ++f) {
            s += "\nf";
            for (int c = 0; c < m.faceVertexCount(f); ++c) {
                float u = -1, v = -1;
                m.getFaceVertexUV(f, c, u, v);
                std::snprintf(buf, sizeof buf, " %d:%d/%d(%.6g,%.6g)", m.faceVertices(f)[c],
                              m.faceEdges(f)[c], m.faceVertexUVIndex(f, c), u, v);
                s += buf;
            }
        }
        return s;
    }

    std::string everything() {
        std::string s = state(false);
        for (const char* shape : {"boxShape", "gridShape", "canShape", "ballShape"})
            s += "\n" + std::string(shape) + ":" + geometry(shape);
        return s;
    }

    // Runs `text`, checks the counts it leaves, then undo restores everything exactly and
    // redo the edited state.
    void expectEditUndoRedo(const std::string& id, const std::string& text,
                            const std::string& object, const std::string& counts) {
        SCOPED_TRACE(id);
        const std::string before = everything();
        const std::string result = eval(text);
        ASSERT_EQ(result.rfind("ERROR", 0), std::string::npos) << text << "\n" << result;
        EXPECT_EQ(eval("polyEvaluate -v -e -f -uv " + object), counts) << text;
        const std::string after = everything();
        ASSERT_TRUE(undo::undoQueue().undo());
        EXPECT_EQ(firstDifference(everything(), before), "") << text;
        ASSERT_TRUE(undo::undoQueue().redo());
        EXPECT_EQ(firstDifference(everything(), after), "") << text;
        ASSERT_TRUE(undo::undoQueue().undo());
    }
};

TEST_F(MeshEditCases, EveryCommandEditsAndUndoesExactly) {
    struct Row {
        const char* id;
        std::string text, object, counts;
    } rows[] = {
        // Cube: 8 vertices, 12 edges, 6 faces, 14 UVs; edges 4 (2-4) and 7 (4-6) bound face 4.
        // A new vertex on a UV seam takes a UV on each side of it (edges 4 and 7 are seams).
        {"split", "select -r box; polySplit -ep 4 0.5 -ep 7 0.25", "box", "10 15 7 18"},
        {"split with face points",
         "select -r box; polySplit -s 1 -ep 4 0.5 -fp 4 0.5 0.1 0.2 -ep 7 0.25", "box",
         "11 16 7 19"},
        {"split subdivided", "select -r box; polySplit -s 3 -ep 4 0.5 -ep 7 0.25", "box",
         "12 17 7 20"},
        {"subdivide", "polySubdivideEdge -dv 2 box.e[4] box.e[5]", "box", "12 16 6 20"},
        {"collapse", "polyCollapseEdge box.e[0]", "box", "7 11 6 14"},
        {"merge", "polyMergeVertex -d 10 box.vtx[0] box.vtx[1]", "box", "7 11 6 14"},
        {"delete edge", "polyDelEdge -cv off box.e[1]", "box", "8 11 5 14"},
        {"delete edge cleaning", "polyDelEdge -cv on box.e[1]", "box", "6 9 5 14"},
        {"delete vertex joins faces", "polyDelVertex box.vtx[3]", "box", "7 9 4 14"},
        {"delete vertex with faces", "polyDeleteVertex box.vtx[3]", "box", "7 9 3 14"},
        {"uv cut", "polyMapCut box.e[4] box.e[7] box.e[1] box.e[10]", "box", "8 12 6 16"},
        {"move vertex", "polyMoveVertex -t 0 1 0 box.vtx[2]", "box", "8 12 6 14"},
        // A one-point cut: a vertex on the edge (a UV on each side of the seam), no face cut.
        {"split at one point", "select -r box; polySplit -ep 4 0.5", "box", "9 13 6 16"},
        // Grid 3x3: 16 vertices, 24 edges, 9 faces, 16 UVs.
        {"grid split", "select -r grid; polySplit -ep 0 0.5 -ep 2 0.5", "grid", "18 27 10 18"},
        {"grid split at one point", "polySplit -ep 0 0.25 grid", "grid", "17 25 9 17"},
        {"grid delete centre fan", "polyDelVertex grid.vtx[5]", "grid", "15 20 6 16"},
        // Sphere 8x6: 42 vertices, 88 edges, 48 faces.
        {"sphere collapse", "polyCollapseEdge ball.e[20]", "ball", "41 87 48 "},
    };
    // The sphere's UV count is whatever it is; read it rather than hard-coding it.
    const std::string ballUVs = eval("polyEvaluate -uv ball");
    rows[std::size(rows) - 1].counts += ballUVs;
    for (const Row& r : rows) expectEditUndoRedo(r.id, r.text, r.object, r.counts);
}

TEST_F(MeshEditCases, EditedMeshStaysSelectedAndIdsArePredictable) {
    expectCases({
        {"split selects the mesh", "select -r box; polySplit -ep 4 0.5 -ep 7 0.25; ls -sl", "box"},
        // New vertices are the range after the old count; edge 4 keeps the piece from vertex 2.
        {"new vertices", "polyListComponentConversion -fe -tv box.e[4]", "box.vtx[2] box.vtx[8]"},
        {"second chain on ids computed before the first",
         "select -r box; polySplit -ep 9 0.5 -ep 11 0.75; polyEvaluate -v -f", "12 8"},
        {"collapse selects the mesh", "select -r grid.e[0]; polyCollapseEdge; ls -sl", "grid"},
    });
}

TEST_F(MeshEditCases, AOnePointSplitPutsItsVertexAtTheParameter) {
    const PolyMesh& before = scene::meshNode(scene::findNode("gridShape"))->mesh();
    const MeshEdge edge = before.edge(0);
    const Vec3 a = before.point(edge.v0), b = before.point(edge.v1);
    expectCases({
        {"one point", "polySplit -ep 0 0.25 grid; polyEvaluate -v -e -f grid", "17 25 9"},
        // Edge 0 keeps the piece from its vertex 0; the new vertex is the next id.
        {"on its edge", "polyListComponentConversion -fe -tv grid.e[0]",
         "grid.vtx[" + std::to_string(edge.v0) + "] grid.vtx[16]"},
        // At an end vertex the cut names a vertex that exists: nothing changes.
        {"at an end", "polySplit -ep 5 1 grid; polyEvaluate -v -e -f grid", "17 25 9"},
    });
    const Vec3 p = scene::meshNode(scene::findNode("gridShape"))->mesh().point(16);
    EXPECT_NEAR(p.x, a.x + 0.25 * (b.x - a.x), 1e-12);
    EXPECT_NEAR(p.y, a.y + 0.25 * (b.y - a.y), 1e-12);
    EXPECT_NEAR(p.z, a.z + 0.25 * (b.z - a.z), 1e-12);
}

TEST_F(MeshEditCases, SplitChainAroundACylinderClosesOnItself) {
    // Walk the ring of side quads through their vertical edges, as a stroke tool would.
    const PolyMesh& m = scene::meshNode(scene::findNode("canShape"))->mesh();
    std::vector<int> chain;
    int face = -1;
    for (int f = 0; f < m.numFaces() && face < 0; ++f)
        if (m.faceVertexCount(f) == 4) face = f;
    for (int step = 0; step < 8; ++step) {
        for (int e : m.faceEdges(face)) {
            const auto fs = m.edgeFaces(e);
            const bool side =
                fs.size() == 2 && m.faceVertexCount(fs[0]) == 4 && m.faceVertexCount(fs[1]) == 4;
            if (!side || (!chain.empty() && e == chain.back()) ||
                (chain.size() > 1 && e == chain.front()))
                continue;
            chain.push_back(e);
            break;
        }
        face = m.edgeFaces(chain.back())[0] == face ? m.edgeFaces(chain.back())[1]
                                                    : m.edgeFaces(chain.back())[0];
    }
    std::string text = "select -r can; polySplit -ch on -s 1";
    for (int e : chain) text += " -ep " + std::to_string(e) + " 0.5";
    text += " -ep " + std::to_string(chain.front()) + " 0.5";
    const std::string counts = eval("polyEvaluate -v -e -f can");
    ASSERT_EQ(counts, "16 24 10");
    // One of the cut edges is the UV seam: nine new UVs for eight new vertices.
    const int uvs = std::stoi(eval("polyEvaluate -uv can"));
    expectEditUndoRedo("ring", text, "can", "24 40 18 " + std::to_string(uvs + 9));
}

TEST_F(MeshEditCases, MultiSliceSplitCutsParallelSlices) {
    // Edges 1 (1-2) and 7 (4-6) are opposite sides of face 4; side A runs 1 -> 6, side B 2 -> 4.
    // Edge 1 lies on a UV seam, edge 7 not: three UVs per slice.
    struct Row {
        int slices;
        const char* counts;
    } rows[] = {{1, "10 15 7"}, {2, "12 18 8"}, {3, "14 21 9"}};
    for (const Row& r : rows) {
        const std::string text = "multiSliceSplit(\"box\", " + std::to_string(r.slices) +
                                 ", 1, 1, {1, 7}, {1, 4}, {1, 6}, {2, 4}, {0.5, 0.25}, -1, -1, "
                                 "-1, -1)";
        expectEditUndoRedo(text, text, "box",
                           std::string(r.counts) + " " + std::to_string(14 + 3 * r.slices));
    }
    // With two slices the cuts sit a third of the way from the line towards each rail.
    ASSERT_EQ(eval("multiSliceSplit(\"box\", 2, 1, 1, {1, 7}, {1, 4}, {1, 6}, {2, 4}, "
                   "{0.5, 0.5}, -1, -1, -1, -1)"),
              "");
    const PolyMesh& m = scene::meshNode(scene::findNode("boxShape"))->mesh();
    const double along[] = {m.point(8).y, m.point(9).y, m.point(10).y, m.point(11).y};
    const double y1 = m.point(1).y, y2 = m.point(2).y;
    EXPECT_NEAR(along[0], y1 + (y2 - y1) / 3, 1e-9);
    EXPECT_NEAR(along[2], y1 + 2 * (y2 - y1) / 3, 1e-9);
    (void)along[1];
    (void)along[3];
}

TEST_F(MeshEditCases, MoveVertexBakesTweaksSoOffsetsStartFromTheCurrentPoint) {
    const std::string before = eval("polyEvaluate -bb box.vtx[0]");
    expectCases({
        {"tweak", "setAttr boxShape.pt[0] 0 1 0; polyEvaluate -bb box.vtx[0]",
         "-0.5 -0.5 0.5 0.5 0.5 0.5"},
        {"bake", "polyMoveVertex box; getAttr boxShape.pt[0]", "0 0 0"},
        {"offset from the baked point", "setAttr boxShape.pt[0] 0 1 0; polyEvaluate -bb box.vtx[0]",
         "-0.5 -0.5 1.5 1.5 0.5 0.5"},
    });
    ASSERT_TRUE(undo::undoQueue().undo());  // the second tweak
    ASSERT_TRUE(undo::undoQueue().undo());  // the bake
    EXPECT_EQ(eval("getAttr boxShape.pt[0]"), "0 1 0");
    EXPECT_EQ(eval("polyEvaluate -bb box.vtx[0]"), "-0.5 -0.5 0.5 0.5 0.5 0.5");
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("polyEvaluate -bb box.vtx[0]"), before);
}

TEST_F(MeshEditCases, ComponentConversion) {
    expectCases({
        {"edge to vertices", "polyListComponentConversion -fe -tv box.e[4]",
         "box.vtx[2] box.vtx[4]"},
        {"face to edges", "polyListComponentConversion -ff -te box.f[0]", "box.e[0:3]"},
        {"vertex to faces", "polyListComponentConversion -fv -tf box.vtx[0]",
         "box.f[0] box.f[3] box.f[5]"},
        {"vertices to internal edges",
         "polyListComponentConversion -fv -te -in box.vtx[0] box.vtx[1] box.vtx[2]", "box.e[0:1]"},
        // Grid faces 0 and 1 meet at edge 1; edges 0, 3 and 4 lie on the grid's border.
        {"faces to border edges", "polyListComponentConversion -ff -te -bo grid.f[0:1]",
         "grid.e[0] grid.e[2:6]"},
        {"faces to internal edges", "polyListComponentConversion -ff -te -in grid.f[0:1]",
         "grid.e[1]"},
        {"selection", "select -r box.e[0]; polyListComponentConversion -tv", "box.vtx[0:1]"},
        {"other kinds are skipped", "polyListComponentConversion -fe -tv box.f[0]", ""},
    });
}

TEST_F(MeshEditCases, MapCutAndOptions) {
    expectCases({
        {"bare cut", "select -cl; polyMapCut; polyEvaluate -uv box", "14"},
        {"faces selected", "select -r box.f[0]; polyMapCut; polyEvaluate -uv box", "14"},
        {"global full back", "polyOptions -global -fullBack; polyOptions -q -global -fullBack",
         "1"},
        {"global culling", "polyOptions -global -backCulling; polyOptions -q -global -fullBack",
         "0"},
        {"display vertices", "polyOptions -r -dv true; polyOptions -q -dv", "1"},
        {"mesh culling", "polyOptions -backCulling box; getAttr boxShape.bck", "3"},
    });
}

TEST_F(MeshEditCases, BadInputsFailWithOneMessageAndChangeNothing) {
    eval("select -cl");
    undo::undoQueue().clear();
    expectRejected({
        {"edge past the end", "polySubdivideEdge box.e[99]", "box.e[99]"},
        {"unknown object", "polyCollapseEdge nobody.e[1]", "nobody"},
        {"nothing selected", "polyCollapseEdge", "needs mesh edges"},
        {"vertices for an edge command", "polyDelEdge box.vtx[1]", "works on mesh edges"},
        {"whole mesh for a vertex command", "polyDelVertex box", "works on mesh vertices"},
        {"split edge out of range", "polySplit -ep 40 0.5 -ep 7 0.5 box", "edge 40 does not exist"},
        {"split points apart", "polySplit -ep 0 0.5 -ep 9 0.5 box", "share no face"},
        {"split without a mesh", "polySplit -ep 4 0.5 -ep 7 0.5", "needs a mesh"},
        {"split without points", "polySplit box", "needs -ep or -fp"},
        {"split unknown mesh", "polySplit -ep 4 0.5 -ep 7 0.5 nobody", "nobody"},
        {"merge negative distance", "polyMergeVertex -d -1 box.vtx[0]", "must not be negative"},
        {"border edge", "polyDelEdge grid.e[0]", "border"},
        {"slice lists disagree",
         "multiSliceSplit(\"box\", 2, 1, 1, {1, 7}, {1}, {1, 6}, {2, 4}, {0.5, 0.25}, -1, -1, -1, "
         "-1)",
         "one entry per edge"},
        {"slice unknown mesh",
         "multiSliceSplit(\"nobody\", 2, 1, 1, {1}, {1}, {1}, {2}, {0.5}, -1, -1, -1, -1)",
         "nobody"},
        {"map cut bad edge", "polyMapCut box.e[50]", "box.e[50]"},
        {"conversion without a target", "polyListComponentConversion box.e[0]", "-tv, -te or -tf"},
    });
}

}  // namespace
}  // namespace tarn::commands::testing
