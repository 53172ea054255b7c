// The chain walk on real meshes: order and faces of open chains on a plane grid, walks both ways
// from an interior seed, strokes touching a vertex, and a short chain on a ring that stays open.
// (Groups and the closed ring are pinned through their texts in split_action_test.cpp.)

#include "stroke/split/split_chains.h"

#include "stroke/split/split_test_support.h"

namespace stroke::testing {
namespace {

// A 3 x 3 grid of unit quads in the XZ plane, corners at -1.5 .. 1.5.
class SplitChains : public SplitTest {
protected:
    void SetUp() override {
        SplitTest::SetUp();
        run("polyPlane -n grid -w 3 -h 3 -sx 3 -sy 3");
    }
    // The vertical edge (along z) at x between z0 and z1.
    static int zEdge(double x, double z0, double z1) { return gridEdge("gridShape", x, z0, x, z1); }
    static std::vector<int> facesOf(int edge) {
        std::vector<int> faces;
        SplitMeshQuery(shapePath("gridShape")).edgeFaces(edge, faces);
        return faces;
    }
};

TEST_F(SplitChains, OpenChainRunsFromTheMostRecentCrossingFaceToFace) {
    // A stroke along the middle row (z in -0.5..0.5) from left to right crosses four edges.
    const int e[4] = {zEdge(-1.5, -0.5, 0.5), zEdge(-0.5, -0.5, 0.5), zEdge(0.5, -0.5, 0.5),
                      zEdge(1.5, -0.5, 0.5)};
    StrokeRecord r = recordFor("gridShape");
    for (int i = 0; i < 4; ++i) addCrossing(r, e[i], 0.25 * (i + 1), i + 0.5);
    const SplitMeshQuery mesh(r.mesh.path);
    const auto chains = buildSplitChains(r, mesh);
    ASSERT_EQ(chains.size(), 1u);
    const SplitChain& c = chains[0];
    // Seeded at the right border edge, walked back along the stroke.
    EXPECT_EQ(c.edges, (std::vector<int>{e[3], e[2], e[1], e[0]}));
    EXPECT_EQ(c.t, (std::vector<double>{1.0, 0.75, 0.5, 0.25}));
    EXPECT_EQ(c.positions, (std::vector<double>{3.5, 2.5, 1.5, 0.5}));
    // Face k lies between edges k - 1 and k: the one both share; a border seed has none before.
    EXPECT_EQ(c.faces[0], -1);
    for (int k = 1; k < 4; ++k) {
        const auto a = facesOf(c.edges[k - 1]), b = facesOf(c.edges[k]);
        EXPECT_NE(std::find(a.begin(), a.end(), c.faces[k]), a.end()) << k;
        EXPECT_NE(std::find(b.begin(), b.end(), c.faces[k]), b.end()) << k;
    }
    EXPECT_FALSE(c.closed);
    EXPECT_FALSE(c.touchesVertex);
}

TEST_F(SplitChains, InteriorSeedWalksBothWays) {
    // The most recent crossing is the middle one: the backward walk adds the rest in front.
    const int e[3] = {zEdge(-0.5, -0.5, 0.5), zEdge(1.5, -0.5, 0.5), zEdge(0.5, -0.5, 0.5)};
    StrokeRecord r = recordFor("gridShape");
    addCrossing(r, e[0], 0.5, 0.5);
    addCrossing(r, e[1], 0.5, 2.5);
    addCrossing(r, e[2], 0.5, 1.5);
    const auto chains = buildSplitChains(r, SplitMeshQuery(r.mesh.path));
    ASSERT_EQ(chains.size(), 1u);
    const SplitChain& c = chains[0];
    ASSERT_EQ(c.size(), 3);
    // The seed sits in the middle, its neighbours on either side in some direction.
    EXPECT_EQ(c.edges[1], e[2]);
    EXPECT_TRUE((c.edges[0] == e[0] && c.edges[2] == e[1]) ||
                (c.edges[0] == e[1] && c.edges[2] == e[0]));
    // The face before the first edge is across it: none for the right border edge.
    EXPECT_EQ(c.faces[0] == -1, c.edges[0] == e[1]);
    EXPECT_FALSE(c.closed);  // the backward walk's first edge shares only its own face
}

TEST_F(SplitChains, StrokeFromAVertexMarksTheChain) {
    // Start at the interior vertex (-0.5, -0.5) on the edge going +z from it.
    const int v = vertexAt("gridShape", -0.5, 0, -0.5);
    const int snapEdge = zEdge(-0.5, -0.5, 0.5);
    StrokeRecord r = recordFor("gridShape");
    r.startedAtVertex = true;
    r.startSnap.edge = snapEdge;
    r.startSnap.vertex = v;
    r.startSnap.param = point("gridShape", v).z < -0.4 ? 0.0 : 1.0;
    addCrossing(r, snapEdge, 0.0, 0.0);
    addCrossing(r, zEdge(0.5, -0.5, 0.5), 0.5, 1.5);
    const auto chains = buildSplitChains(r, SplitMeshQuery(r.mesh.path));
    ASSERT_EQ(chains.size(), 1u);
    EXPECT_TRUE(chains[0].touchesVertex);
    EXPECT_EQ(chains[0].size(), 2);
}

class CylinderChains : public SplitTest {};

TEST_F(CylinderChains, TwoCrossingsOfARingStayOpen) {
    // Fewer than three edges never close, even though both lie on one face.
    run("polyCylinder -n can -r 1 -h 2 -sx 8 -sy 1 -sc 0");
    KFnMesh mesh(shapePath("canShape"));
    std::vector<int> faceEdges;
    SplitMeshQuery query(shapePath("canShape"));
    // A side quad: two of its edges are vertical.
    int face = -1;
    for (int f = 0; f < mesh.numPolygons() && face < 0; ++f)
        if (mesh.polygonVertexCount(f) == 4) face = f;
    query.faceEdges(face, faceEdges);
    std::vector<int> vertical;
    for (int e : faceEdges) {
        const auto [a, b] = query.edgeVertices(e);
        if (std::abs(query.point(a).x - query.point(b).x) < 1e-6 &&
            std::abs(query.point(a).z - query.point(b).z) < 1e-6)
            vertical.push_back(e);
    }
    ASSERT_EQ(vertical.size(), 2u);
    StrokeRecord r = recordFor("canShape");
    addCrossing(r, vertical[0], 0.5, 0.5);
    addCrossing(r, vertical[1], 0.5, 1.5);
    const auto chains = buildSplitChains(r, query);
    ASSERT_EQ(chains.size(), 1u);
    EXPECT_EQ(chains[0].size(), 2);
    EXPECT_FALSE(chains[0].closed);
}

}  // namespace
}  // namespace stroke::testing
