#include "engine/geometry/subd_face_any.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/geometry/geometry_test_support.h"
#include "host/mesh/mesh_primitives.h"

using tarn::PolyMesh;
using tarn::Vec3;

namespace {

using engine_testing::meshOf;

PolyMesh triangle() {
    return meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3}, {0, 1, 2});
}
PolyMesh pentagon() {
    return meshOf(
        {{1, 0, 0}, {0.31, 0.95, 0}, {-0.81, 0.59, 0}, {-0.81, -0.59, 0}, {0.31, -0.95, 0}}, {5},
        {0, 1, 2, 3, 4});
}

int run(TmidBody& body, int d, const TpolyGroup* faces = nullptr) {
    TpolySubdFaceAnyFty fty;
    fty.divisions[0] = fty.divisions[1] = fty.divisions[2] = d;
    return fty.doAction(&body, faces);
}

double area(const PolyMesh& m) {
    double a = 0;
    for (int f = 0; f < m.numFaces(); ++f)
        for (int t = 0; t < m.numTriangles(f); ++t) {
            const auto v = m.triangleVertices(f, t);
            a += length(cross(m.point(v[1]) - m.point(v[0]), m.point(v[2]) - m.point(v[0]))) / 2;
        }
    return a;
}

// Every edge has two faces walking it in opposite directions (a closed, consistently wound mesh).
void expectClosedAndConsistent(const PolyMesh& m) {
    for (int e = 0; e < m.numEdges(); ++e) {
        const auto faces = m.edgeFaces(e);
        ASSERT_EQ(faces.size(), 2u) << "edge " << e;
        int forward = 0;
        for (int f : faces) {
            const auto fv = m.faceVertices(f);
            for (size_t k = 0; k < fv.size(); ++k)
                if (fv[k] == m.edge(e).v0 && fv[(k + 1) % fv.size()] == m.edge(e).v1) ++forward;
        }
        EXPECT_EQ(forward, 1) << "edge " << e;
    }
}

}  // namespace

TEST(TpolySubdFaceAnyFty, CountsPerFaceKind) {
    struct Case {
        const char* name;
        PolyMesh (*mesh)();
        int divisions, faces, vertices;
    };
    const Case cases[] = {
        {"quad, 1", [] { return tarn::makePlane(1, 1); }, 1, 4, 9},
        {"quad, 2", [] { return tarn::makePlane(1, 1); }, 2, 16, 25},
        {"triangle, 1", triangle, 1, 4, 6},
        {"triangle, 2", triangle, 2, 16, 15},
        {"pentagon, 1", pentagon, 1, 5, 11},
        // 5 corners, 15 edge points, the centre, 5 spoke points, 5 inner grid points.
        {"pentagon, 2", pentagon, 2, 20, 31},
        // 6 faces of 4 grids each; 8 + 12 + 6 vertices.
        {"cube, 1", [] { return tarn::makeCube(1, 1, 1); }, 1, 24, 26},
    };
    for (const Case& c : cases) {
        TmidBody body(c.mesh());
        const double before = area(body.geom()->mesh());
        ASSERT_EQ(run(body, c.divisions), 0) << c.name;
        const PolyMesh& m = body.geom()->mesh();
        EXPECT_EQ(m.numFaces(), c.faces) << c.name;
        EXPECT_EQ(m.numVertices(), c.vertices) << c.name;
        EXPECT_NEAR(area(m), before, 1e-9) << c.name;
    }
}

TEST(TpolySubdFaceAnyFty, KeepsClosedMeshesClosedAndWound) {
    for (int d : {1, 2, 3}) {
        TmidBody body(tarn::makeCylinder(1, 2, 7, 1, 0));  // quads and two heptagon caps
        const int euler = [&] {
            const PolyMesh& m = body.geom()->mesh();
            return m.numVertices() - m.numEdges() + m.numFaces();
        }();
        ASSERT_EQ(run(body, d), 0);
        const PolyMesh& m = body.geom()->mesh();
        EXPECT_EQ(m.numVertices() - m.numEdges() + m.numFaces(), euler) << d;
        expectClosedAndConsistent(m);
        // The caps' pieces face the way the caps did.
        for (int f = 0; f < m.numFaces(); ++f) {
            const Vec3 n = m.faceNormal(f);
            const Vec3 c = m.point(m.faceVertices(f)[0]);
            if (std::abs(std::abs(n.y) - 1) < 1e-9) {
                EXPECT_GT(n.y * c.y, 0) << d;
            }
        }
    }
}

TEST(TpolySubdFaceAnyFty, SelectedFacesOnlyAndNeighboursTakeTheCuts) {
    TmidBody body(tarn::makeCube(1, 1, 1));
    TpolyGroup top{"sel", kGrpFace, {1}};
    ASSERT_EQ(run(body, 1, &top), 0);
    const PolyMesh& m = body.geom()->mesh();
    EXPECT_EQ(m.numFaces(), 4 + 5);
    EXPECT_EQ(m.numVertices(), 8 + 4 + 1);
    int pentagons = 0;
    for (int f = 0; f < m.numFaces(); ++f) pentagons += m.faceVertexCount(f) == 5;
    EXPECT_EQ(pentagons, 4);
    expectClosedAndConsistent(m);
    // Faces keep their order: face 0 is still the input's face 0 (now with one cut edge).
    EXPECT_EQ(m.faceVertexCount(0), 5);
    // An all-hard mesh stays all hard.
    EXPECT_EQ(m.uniformEdgeSmoothing(), 0);

    // A mesh with one hard edge keeps it in two pieces.
    PolyMesh plane = tarn::makePlane(1, 1);
    plane.setAllEdgesSmooth(true);
    plane.setEdgeSmooth(0, false);
    const tarn::MeshEdge hard = plane.edge(0);
    TmidBody flat(std::move(plane));
    ASSERT_EQ(run(flat, 1), 0);
    const PolyMesh& out = flat.geom()->mesh();
    int hardEdges = 0;
    for (int e = 0; e < out.numEdges(); ++e) {
        if (out.isEdgeSmooth(e)) continue;
        ++hardEdges;
        const tarn::MeshEdge& oe = out.edge(e);
        EXPECT_TRUE(oe.v0 == hard.v0 || oe.v1 == hard.v0 || oe.v0 == hard.v1 || oe.v1 == hard.v1);
    }
    EXPECT_EQ(hardEdges, 2);
}

TEST(TpolySubdFaceAnyFty, UVsFollowThePositions) {
    // The plane's UVs are an affine function of x and z; every new corner must keep to it.
    for (int d : {1, 3}) {
        PolyMesh plane = tarn::makePlane(2, 2, 2, 1);
        auto fit = [&](bool wantU) {
            // Solve value = a x + b z + c from three corners of face 0.
            double p[3][3];
            for (int c = 0; c < 3; ++c) {
                float u, v;
                plane.getFaceVertexUV(0, c, u, v);
                const Vec3& q = plane.point(plane.faceVertices(0)[c]);
                p[c][0] = q.x;
                p[c][1] = q.z;
                p[c][2] = wantU ? u : v;
            }
            const double det = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) -
                               (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
            const double a = ((p[1][2] - p[0][2]) * (p[2][1] - p[0][1]) -
                              (p[2][2] - p[0][2]) * (p[1][1] - p[0][1])) /
                             det;
            const double b = ((p[1][0] - p[0][0]) * (p[2][2] - p[0][2]) -
                              (p[2][0] - p[0][0]) * (p[1][2] - p[0][2])) /
                             det;
            return std::array<double, 3>{a, b, p[0][2] - a * p[0][0] - b * p[0][1]};
        };
        const auto fu = fit(true), fv = fit(false);
        TpolyGroup first{"sel", kGrpFace, {0}};
        TmidBody body(std::move(plane));
        ASSERT_EQ(run(body, d, &first), 0);
        const PolyMesh& m = body.geom()->mesh();
        for (int f = 0; f < m.numFaces(); ++f) {
            ASSERT_TRUE(m.faceHasUVs(f)) << f;
            for (int c = 0; c < m.faceVertexCount(f); ++c) {
                float u, v;
                m.getFaceVertexUV(f, c, u, v);
                const Vec3& q = m.point(m.faceVertices(f)[c]);
                EXPECT_NEAR(u, fu[0] * q.x + fu[1] * q.z + fu[2], 1e-5);
                EXPECT_NEAR(v, fv[0] * q.x + fv[1] * q.z + fv[2], 1e-5);
            }
        }
    }
}

TEST(TpolySubdFaceAnyFty, ZeroDivisionsLeaveTheMeshAndNegativeOnesAreRefused) {
    struct Case {
        int divisions;
        int result;  // 0: nothing to do; -1: refused with a message
    };
    for (const Case& c : {Case{0, 0}, Case{-1, -1}, Case{-1000, -1}}) {
        TmidBody body(tarn::makeCube(1, 1, 1));
        const TpolyGeom* before = body.geom();
        TpolySubdFaceAnyFty fty;
        for (int& d : fty.divisions) d = c.divisions;
        EXPECT_EQ(fty.doAction(&body, nullptr), c.result) << c.divisions;
        EXPECT_EQ(fty.message().empty(), c.result == 0) << fty.message();
        if (c.result != 0) {
            EXPECT_NE(fty.message().find(std::to_string(c.divisions)), std::string::npos);
        }
        EXPECT_EQ(body.geom(), before) << c.divisions;
        EXPECT_EQ(body.geom()->nbFace(), 6);
    }
}

TEST(TpolySubdFaceAnyFty, RefusesOversizedAndMismatchedCounts) {
    struct Case {
        int d0, d1, d2;
        PolyMesh (*mesh)();
    };
    const Case cases[] = {
        {TpolySubdFaceAnyFty::kMaxDivisions + 1, TpolySubdFaceAnyFty::kMaxDivisions + 1,
         TpolySubdFaceAnyFty::kMaxDivisions + 1, [] { return tarn::makeCube(1, 1, 1); }},
        {1, 2, 1, [] { return tarn::makeCube(1, 1, 1); }},
        {2147483647, 2147483647, 2147483647, [] { return tarn::makeCube(1, 1, 1); }},
        // Within the count limit, but the result would pass the size limit.
        {64, 64, 64, [] { return tarn::makeSphere(1, 200, 100); }},
    };
    for (const Case& c : cases) {
        TmidBody body(c.mesh());
        const int faces = body.geom()->nbFace();
        TpolySubdFaceAnyFty fty;
        fty.divisions[0] = c.d0;
        fty.divisions[1] = c.d1;
        fty.divisions[2] = c.d2;
        EXPECT_EQ(fty.doAction(&body, nullptr), -1) << c.d0;
        EXPECT_FALSE(fty.message().empty());
        EXPECT_EQ(body.geom()->nbFace(), faces);
    }
    TmidBody empty;
    TpolySubdFaceAnyFty fty;
    EXPECT_EQ(fty.doAction(&empty, nullptr), -1);
}

TEST(TpolySubdFaceAnyFty, MaximumStillWorks) {
    TmidBody body(triangle());
    ASSERT_EQ(run(body, TpolySubdFaceAnyFty::kMaxDivisions), 0);
    const int s = 2 * TpolySubdFaceAnyFty::kMaxDivisions;
    EXPECT_EQ(body.geom()->nbFace(), s * s);
}

TEST(TpolySubdFaceAnyFty, EmitsTheEdgeTableTheWalkWouldBuild) {
    // The result's edges are numbered while its faces are written; the table must be the one
    // the kernel builds by walking the same faces.
    PolyMesh creased = tarn::makePlane(3, 2, 3, 2);
    creased.setAllEdgesSmooth(true);
    for (int e : {0, 4, 9}) creased.setEdgeSmooth(e, false);
    struct Case {
        const char* what;
        PolyMesh mesh;
        std::vector<int> faces;  // selected faces; empty: all
        bool fromNames;
    };
    const Case cases[] = {
        {"cube", tarn::makeCube(1, 2, 3, 2, 1, 1), {}, true},
        {"sphere: triangles and quads", tarn::makeSphere(1, 6, 4), {}, true},
        {"cylinder: pentagon caps", tarn::makeCylinder(1, 2, 5, 2, 0), {}, true},
        {"pentagon", pentagon(), {}, true},
        {"some faces of a sphere", tarn::makeSphere(1, 6, 4), {0, 1, 7, 13, 20, 23}, true},
        {"some faces of a creased plane", creased, {1, 3, 4}, true},
        // Two triangles with the same corners: their grids share the edges across the corners,
        // which the names alone cannot tell; the table falls back to the walk.
        {"twin triangles",
         engine_testing::meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3, 3}, {0, 1, 2, 0, 2, 1}),
         {},
         false},
    };
    for (const Case& c : cases) {
        for (int d : {1, 2, 3}) {
            const std::string what = std::string(c.what) + ", divisions " + std::to_string(d);
            TmidBody body(c.mesh);
            TpolyGroup group{"sel", kGrpFace, c.faces};
            ASSERT_EQ(run(body, d, c.faces.empty() ? nullptr : &group), 0) << what;
            const PolyMesh& m = body.geom()->mesh();
            EXPECT_EQ(m.edgesCameFromNames(), c.fromNames) << what;
            engine_testing::expectEdgesAsWalked(m, what);
            // Each hard edge of the input is hard in every piece, and nothing else is.
            const PolyMesh& in = c.mesh;
            if (in.uniformEdgeSmoothing() >= 0) {
                EXPECT_EQ(m.uniformEdgeSmoothing(), in.uniformEdgeSmoothing()) << what;
                continue;
            }
            int expected = 0, hard = 0;
            for (int e = 0; e < in.numEdges(); ++e) {
                if (in.isEdgeSmooth(e)) continue;
                bool cut = c.faces.empty();
                for (int f : in.edgeFaces(e))
                    cut = cut || std::find(c.faces.begin(), c.faces.end(), f) != c.faces.end();
                expected += cut ? 2 * d : 1;
            }
            for (int e = 0; e < m.numEdges(); ++e) hard += m.isEdgeSmooth(e) ? 0 : 1;
            EXPECT_EQ(hard, expected) << what;
        }
    }
}
