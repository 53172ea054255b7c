#include "host/mesh/poly_mesh.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host/mesh/mesh_primitives.h"

namespace tarn {
namespace {

// Two unit quads side by side in the XY plane:
//   3---4---5
//   | 0 | 1 |
//   0---1---2
PolyMesh twoQuads() {
    PolyMesh m;
    std::string error;
    EXPECT_TRUE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
                                 {4, 4}, {0, 1, 4, 3, 1, 2, 5, 4}, m, &error))
        << error;
    return m;
}

TEST(PolyMesh, EdgesNumberedByFirstAppearance) {
    const PolyMesh m = twoQuads();
    ASSERT_EQ(m.numEdges(), 7);
    // Face 0 meets 0-1, 1-4, 4-3, 3-0; face 1 then meets 1-2, 2-5, 5-4 (4-1 already exists).
    const MeshEdge expected[] = {{0, 1}, {1, 4}, {4, 3}, {3, 0}, {1, 2}, {2, 5}, {5, 4}};
    for (int e = 0; e < 7; ++e) {
        EXPECT_EQ(m.edge(e).v0, expected[e].v0) << "edge " << e;
        EXPECT_EQ(m.edge(e).v1, expected[e].v1) << "edge " << e;
    }
    const std::vector<int> face1(m.faceEdges(1).begin(), m.faceEdges(1).end());
    EXPECT_EQ(face1, (std::vector<int>{4, 5, 6, 1}));
    EXPECT_EQ(m.findEdge(4, 1), 1);
    EXPECT_EQ(m.findEdge(0, 5), -1);
}

TEST(PolyMesh, AdjacencyOfSharedAndBorderEdges) {
    const PolyMesh m = twoQuads();
    const std::vector<int> shared(m.edgeFaces(1).begin(), m.edgeFaces(1).end());
    EXPECT_EQ(shared, (std::vector<int>{0, 1}));
    EXPECT_TRUE(m.isBorderEdge(0));
    EXPECT_FALSE(m.isBorderEdge(1));
    const std::vector<int> around4(m.vertexFaces(4).begin(), m.vertexFaces(4).end());
    EXPECT_EQ(around4, (std::vector<int>{0, 1}));
    const std::vector<int> edges4(m.vertexEdges(4).begin(), m.vertexEdges(4).end());
    EXPECT_EQ(edges4, (std::vector<int>{1, 2, 6}));
}

TEST(PolyMesh, CreateRefusesBadInputAndKeepsTarget) {
    struct Case {
        const char* what;
        std::vector<int> counts, indices;
        const char* message;
    } cases[] = {
        {"two-vertex face", {2}, {0, 1}, "at least 3"},
        {"index out of range", {3}, {0, 1, 9}, "uses vertex 9"},
        {"negative index", {3}, {0, -1, 2}, "uses vertex -1"},
        {"repeated vertex", {3}, {0, 1, 0}, "twice"},
        {"too few indices", {4}, {0, 1, 2}, "add up to 4"},
        {"too many indices", {3}, {0, 1, 2, 3}, "add up to 3"},
    };
    for (const Case& c : cases) {
        PolyMesh target = twoQuads();
        std::string error;
        EXPECT_FALSE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, c.counts,
                                      c.indices, target, &error))
            << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(target.numFaces(), 2) << c.what;
    }
}

TEST(PolyMesh, CubeCountsAndEulerCharacteristic) {
    struct Case {
        int sx, sy, sz, v, e, f;
    } cases[] = {{1, 1, 1, 8, 12, 6}, {2, 1, 1, 12, 20, 10}, {2, 3, 4, 54, 104, 52}};
    for (const Case& c : cases) {
        const PolyMesh m = makeCube(1, 1, 1, c.sx, c.sy, c.sz);
        const int faces = 2 * (c.sx * c.sy + c.sx * c.sz + c.sy * c.sz);
        EXPECT_EQ(m.numFaces(), faces);
        EXPECT_EQ(m.numVertices() - m.numEdges() + m.numFaces(), 2) << "closed genus-0 surface";
        EXPECT_EQ(m.numVertices(), c.v);
        EXPECT_EQ(m.numEdges(), c.e);
        EXPECT_EQ(m.numFaces(), c.f);
        for (int e = 0; e < m.numEdges(); ++e) EXPECT_EQ(m.edgeFaces(e).size(), 2u);
    }
}

TEST(PolyMesh, FaceEdgeJoinsConsecutiveCorners) {
    const PolyMesh m = makeCube(2, 2, 2, 2, 2, 2);
    for (int f = 0; f < m.numFaces(); ++f) {
        const auto verts = m.faceVertices(f);
        const auto edges = m.faceEdges(f);
        for (size_t k = 0; k < verts.size(); ++k) {
            const MeshEdge& e = m.edge(edges[k]);
            const int a = verts[k], b = verts[(k + 1) % verts.size()];
            EXPECT_TRUE((e.v0 == a && e.v1 == b) || (e.v0 == b && e.v1 == a));
        }
    }
}

TEST(PolyMesh, SeveralUVSets) {
    PolyMesh m = twoQuads();
    EXPECT_EQ(m.uvSet(), nullptr);
    ASSERT_TRUE(m.setUVs({0, 1, 0, 1}, {0, 0, 1, 1}, "map1"));
    EXPECT_EQ(m.currentUVSetName(), "map1");
    std::string error;
    ASSERT_TRUE(m.assignUVs({4, 4}, {0, 1, 3, 2, 0, 1, 3, 2}, "map1", &error)) << error;
    m.createUVSet("second");
    ASSERT_TRUE(m.setUVs({0.5f}, {0.25f}, "second"));
    ASSERT_TRUE(m.assignUVs({0, 4}, {0, 0, 0, 0}, "second", &error)) << error;

    float u = -1, v = -1;
    EXPECT_TRUE(m.getFaceVertexUV(0, 2, u, v));  // current set: map1, corner 2 -> id 3
    EXPECT_FLOAT_EQ(u, 1.0f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    EXPECT_FALSE(m.getFaceVertexUV(0, 0, u, v, "second"));
    EXPECT_TRUE(m.getFaceVertexUV(1, 3, u, v, "second"));
    EXPECT_FLOAT_EQ(u, 0.5f);
    EXPECT_FALSE(m.faceHasUVs(0, "second"));
    EXPECT_TRUE(m.faceHasUVs(1, "second"));

    EXPECT_TRUE(m.setCurrentUVSet("second"));
    EXPECT_EQ(m.faceVertexUVIndex(1, 0), 0);
    EXPECT_FALSE(m.setCurrentUVSet("missing"));
    EXPECT_EQ(m.currentUVSetName(), "second");
    EXPECT_EQ(m.uvSetNames(), (std::vector<std::string>{"map1", "second"}));
}

TEST(PolyMesh, AssignUVsRefusesMismatchesAndChangesNothing) {
    PolyMesh m = twoQuads();
    ASSERT_TRUE(m.setUVs({0, 1}, {0, 1}, "map1"));
    ASSERT_TRUE(m.assignUVs({4, 4}, {0, 1, 1, 0, 0, 1, 1, 0}));
    struct Case {
        std::vector<int> counts, ids;
    } cases[] = {
        {{4}, {0, 1, 1, 0}},                    // wrong face count
        {{3, 4}, {0, 1, 1, 0, 1, 1, 0}},        // corner count differs from the face
        {{4, 4}, {0, 1, 1, 0, 0, 1, 1, 2}},     // id past the table
        {{4, 4}, {0, 1, 1, 0, 0, 1, 1}},        // too few ids
        {{4, 4}, {0, 1, 1, 0, 0, 1, 1, 0, 0}},  // too many ids
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(m.assignUVs(c.counts, c.ids, "", &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(m.faceVertexUVIndex(1, 3), 0);
    }
    // Shrinking the table below an assigned id is refused too.
    EXPECT_FALSE(m.setUVs({0}, {0}));
    EXPECT_EQ(m.uvSet()->u.size(), 2u);
}

TEST(PolyMesh, ColoursReadNegativeWhereUnset) {
    PolyMesh m = twoQuads();
    EXPECT_EQ(m.faceVertexColor(0, 0), Rgba{});
    EXPECT_FALSE(m.faceHasColors(0));
    ASSERT_TRUE(m.setFaceVertexColor(1, 2, Rgba{0.25f, 0.5f, 1.0f, -1.0f}));
    const Rgba c = m.faceVertexColor(1, 2);
    EXPECT_FLOAT_EQ(c.g, 0.5f);
    EXPECT_LT(c.a, 0.0f);
    EXPECT_LT(m.faceVertexColor(1, 1).r, 0.0f);
    EXPECT_TRUE(m.faceHasColors(1));
    EXPECT_FALSE(m.faceHasColors(0));
    EXPECT_EQ(m.currentColorSetName(), "colorSet1");
}

TEST(PolyMesh, BoundsFollowPointEdits) {
    PolyMesh m = twoQuads();
    Box3 box = m.bounds();
    EXPECT_EQ(box.min, Vec3(0, 0, 0));
    EXPECT_EQ(box.max, Vec3(2, 1, 0));
    m.setPoint(5, {3, 4, -1});
    box = m.bounds();
    EXPECT_EQ(box.min, Vec3(0, 0, -1));
    EXPECT_EQ(box.max, Vec3(3, 4, 0));
    EXPECT_FALSE(m.setPoints({{0, 0, 0}}));
}

}  // namespace
}  // namespace tarn

namespace tarn {
namespace {

TEST(PolyMesh, DeletingTheCurrentUVSetFallsBackToTheFirst) {
    PolyMesh m = twoQuads();
    m.createUVSet("a");
    m.createUVSet("b");
    ASSERT_TRUE(m.setCurrentUVSet("b"));
    EXPECT_TRUE(m.deleteUVSet("b"));
    EXPECT_EQ(m.currentUVSetName(), "a");
    EXPECT_FALSE(m.deleteUVSet("b"));
    EXPECT_TRUE(m.deleteUVSet("a"));
    EXPECT_EQ(m.currentUVSetName(), "");
    EXPECT_EQ(m.uvSet(), nullptr);
    float u, v;
    EXPECT_FALSE(m.getFaceVertexUV(0, 0, u, v));
    EXPECT_FALSE(m.setFaceVertexUV(0, 0, 0.5f, 0.5f)) << "no set to write into";
}

TEST(PolyMesh, FaceVertexUVWritesDoNotMoveSharedUVs) {
    PolyMesh m = twoQuads();
    ASSERT_TRUE(m.setUVs({0, 1}, {0, 1}, "map1"));
    ASSERT_TRUE(m.assignUVs({4, 4}, {0, 1, 1, 0, 0, 1, 1, 0}));
    // Corner 1 of face 0 and corner 0 of face 1 share UV 1; writing one leaves the other.
    ASSERT_TRUE(m.setFaceVertexUV(0, 1, 0.25f, 0.75f));
    float u, v;
    ASSERT_TRUE(m.getFaceVertexUV(0, 1, u, v));
    EXPECT_FLOAT_EQ(u, 0.25f);
    ASSERT_TRUE(m.getFaceVertexUV(1, 1, u, v));
    EXPECT_FLOAT_EQ(u, 1.0f);
    EXPECT_EQ(m.faceCounts(), (std::vector<int>{4, 4}));
}

TEST(PolyMesh, NonManifoldEdgesListEveryFace) {
    // Three triangles sharing the edge 0-1 (a fin).
    PolyMesh m;
    ASSERT_TRUE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                                 {3, 3, 3}, {0, 1, 2, 1, 0, 3, 0, 1, 4}, m, nullptr));
    const int shared = m.findEdge(0, 1);
    ASSERT_EQ(shared, 0);
    EXPECT_EQ(m.edgeFaces(shared).size(), 3u);
    EXPECT_FALSE(m.isBorderEdge(shared));
    // Normals stay finite where more than two faces meet.
    for (int f = 0; f < 3; ++f)
        for (int c = 0; c < 3; ++c) {
            const Vec3 n = m.faceVertexNormal(f, c);
            EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        }
}

}  // namespace
}  // namespace tarn
