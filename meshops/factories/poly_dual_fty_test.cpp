#include "meshops/factories/poly_dual_fty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "engine/geometry/geometry_test_support.h"
#include "host/mesh/mesh_primitives.h"

using tarn::PolyMesh;
using tarn::Vec3;

namespace {

using engine_testing::meshOf;

const PolyMesh& dualOf(TmidBody& body, int steps) {
    TpolyDualFty fty;
    fty.nbSteps = steps;
    EXPECT_EQ(fty.doAction(&body, nullptr), 0) << fty.message();
    return body.geom()->mesh();
}

int facesOfSize(const PolyMesh& m, int n) {
    int count = 0;
    for (int f = 0; f < m.numFaces(); ++f) count += m.faceVertexCount(f) == n;
    return count;
}

}  // namespace

TEST(TpolyDualFty, CubeAndItsDoubleDual) {
    struct Case {
        int steps, vertices, faces, faceSize;
    };
    // One step: a vertex per face, a triangle per corner; two steps: back to 8 and 6 quads.
    const Case cases[] = {{1, 6, 8, 3}, {2, 8, 6, 4}, {3, 6, 8, 3}};
    for (const Case& c : cases) {
        TmidBody body(tarn::makeCube(2, 2, 2));
        const PolyMesh& m = dualOf(body, c.steps);
        EXPECT_EQ(m.numVertices(), c.vertices) << c.steps;
        EXPECT_EQ(m.numFaces(), c.faces) << c.steps;
        EXPECT_EQ(facesOfSize(m, c.faceSize), c.faces) << c.steps;
        // Closed, and every face points away from the centre like the cube's.
        for (int e = 0; e < m.numEdges(); ++e) EXPECT_EQ(m.edgeFaces(e).size(), 2u);
        for (int f = 0; f < m.numFaces(); ++f) {
            Vec3 centre;
            for (int v : m.faceVertices(f)) centre += m.point(v);
            EXPECT_GT(dot(m.faceNormal(f), centre), 0.0) << c.steps << " face " << f;
        }
        EXPECT_FALSE(m.faceHasUVs(0));
    }
    // The first dual's vertices are the cube's face centres.
    TmidBody body(tarn::makeCube(2, 2, 2));
    const PolyMesh& m = dualOf(body, 1);
    for (const Vec3& p : m.points()) EXPECT_DOUBLE_EQ(length(p), 1.0);
}

TEST(TpolyDualFty, StepCountsOutsideTheRange) {
    struct Case {
        int steps, faces;
    };
    // 0 and below leave the cube; odd and even step counts alternate 8 and 6 faces, so 101
    // acting as 100 gives 6, and 250 gives 6 as 100 does.
    const Case cases[] = {{0, 6}, {-1, 6}, {-2147483647 - 1, 6}, {101, 6}, {250, 6}, {99, 8}};
    for (const Case& c : cases) {
        TmidBody body(tarn::makeCube(1, 1, 1));
        const TpolyGeom* before = body.geom();
        const PolyMesh& m = dualOf(body, c.steps);
        EXPECT_EQ(m.numFaces(), c.faces) << c.steps;
        if (c.steps <= 0) {
            EXPECT_EQ(body.geom(), before) << c.steps;
        }
    }
}

TEST(TpolyDualFty, OpenMeshesLoseTheirBorderRing) {
    struct Case {
        const char* name;
        PolyMesh mesh;
        int faces, vertices;
    };
    // A 2x2 grid with one more quad hanging off a corner face's outer side: that quad touches
    // no interior vertex, so its centre is dropped.
    PolyMesh hanging =
        meshOf({{0, 0, 0},
                {1, 0, 0},
                {2, 0, 0},
                {0, 1, 0},
                {1, 1, 0},
                {2, 1, 0},
                {0, 2, 0},
                {1, 2, 0},
                {2, 2, 0},
                {3, 0, 0},
                {3, 1, 0}},
               {4, 4, 4, 4, 4}, {0, 1, 4, 3, 1, 2, 5, 4, 3, 4, 7, 6, 4, 5, 8, 7, 2, 9, 10, 5});
    const Case cases[] = {
        {"3x3 grid", tarn::makePlane(3, 3, 3, 3), 4, 9},
        {"4x2 grid", tarn::makePlane(4, 2, 4, 2), 3, 8},
        {"1x4 strip", tarn::makePlane(1, 4, 1, 4), 0, 0},
        {"grid with a hanging quad", hanging, 1, 4},
    };
    for (const Case& c : cases) {
        TmidBody body(c.mesh);
        const PolyMesh& m = dualOf(body, 1);
        EXPECT_EQ(m.numFaces(), c.faces) << c.name;
        EXPECT_EQ(m.numVertices(), c.vertices) << c.name;
    }
}

TEST(TpolyDualFty, BorderVertexMakesNoFaceWhateverItsFaceOrder) {
    // Three triangles fanned around vertex 0 on a border, with a fourth face closing nothing;
    // whichever face comes first, vertex 0 is on the border and gives no face.
    const std::vector<Vec3> pts = {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {-0.5, 1, 0}, {-1, 0, 0}};
    std::vector<std::array<int, 3>> tris = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
    std::sort(tris.begin(), tris.end());
    do {
        std::vector<int> idx;
        for (const auto& t : tris) idx.insert(idx.end(), t.begin(), t.end());
        TmidBody body(meshOf(pts, {3, 3, 3}, idx));
        EXPECT_EQ(dualOf(body, 1).numFaces(), 0);
    } while (std::next_permutation(tris.begin(), tris.end()));
}

TEST(TpolyDualFty, SmallAndMissingMeshes) {
    TpolyDualFty fty;
    EXPECT_EQ(fty.doAction(nullptr, nullptr), -1);
    TmidBody empty;
    EXPECT_EQ(fty.doAction(&empty, nullptr), -1);
    EXPECT_FALSE(fty.message().empty());

    // Two faces or fewer give an empty mesh.
    TmidBody two(meshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {3, 3}, {0, 1, 2, 0, 2, 3}));
    const PolyMesh& m = dualOf(two, 1);
    EXPECT_EQ(m.numFaces(), 0);
    EXPECT_EQ(m.numVertices(), 0);

    // A non-manifold vertex (two cones sharing their apex) makes no face.
    TmidBody cones(
        meshOf({{0, 0, 0}, {1, 0, 1}, {1, 0, -1}, {2, 0, 0}, {-1, 0, 1}, {-1, 0, -1}, {-2, 0, 0}},
               {3, 3, 3, 3, 3, 3}, {0, 1, 2, 0, 2, 3, 0, 3, 1, 0, 5, 4, 0, 6, 5, 0, 4, 6}));
    EXPECT_FALSE(cones.geom()->isVertexTwoManifold(0));
    EXPECT_EQ(dualOf(cones, 1).numFaces(), 0);
}
