#include "meshops/factories/poly_tri_patch_fty.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/geometry/geometry_test_support.h"
#include "host/mesh/mesh_primitives.h"

using tarn::PolyMesh;
using tarn::Vec3;

namespace {

using engine_testing::meshOf;

// A tilted flat triangle (all its corner normals are its face normal).
PolyMesh flatTriangle() {
    return meshOf({{0, 0, 0}, {2, 0, 1}, {0, 2, 1}}, {3}, {0, 1, 2});
}

TpolyGroup allFaces(const TmidBody& body) {
    TpolyGroup g{"all", kGrpFace, {}};
    for (int f = 0; f < body.geom()->nbFace(); ++f) g.members.push_back(f);
    return g;
}

int patch(TmidBody& body, TpolyTriPatchFty& fty) {
    const TpolyGroup g = allFaces(body);
    return fty.doAction(&body, &g);
}

}  // namespace

TEST(TpolyTriPatchFty, GridCountsWithAndWithoutHole) {
    struct Case {
        int divisions;
        bool hole;
        int vertices, faces;
    };
    const Case cases[] = {
        {1, false, 6, 4}, {1, true, 6, 3}, {2, false, 10, 9}, {2, true, 10, 6}, {3, false, 15, 16},
    };
    for (const Case& c : cases) {
        TmidBody body(flatTriangle());
        TpolyTriPatchFty fty;
        fty.divisions = c.divisions;
        fty.hole = c.hole;
        ASSERT_EQ(patch(body, fty), 0) << fty.message();
        const PolyMesh& m = body.geom()->mesh();
        EXPECT_EQ(m.numVertices(), c.vertices) << c.divisions << c.hole;
        EXPECT_EQ(m.numFaces(), c.faces) << c.divisions << c.hole;
        // Every triangle faces the way the input did; without a hole the patch is one disk
        // whose inner edges are shared by two faces, with a hole nothing is shared.
        const Vec3 n0 = normalize(Vec3{-2, -2, 4});
        for (int f = 0; f < m.numFaces(); ++f) EXPECT_GT(dot(m.faceNormal(f), n0), 0.99);
        int border = 0;
        for (int e = 0; e < m.numEdges(); ++e) {
            ASSERT_LE(m.edgeFaces(e).size(), 2u);
            border += m.isBorderEdge(e);
        }
        EXPECT_EQ(border, c.hole ? 3 * c.faces : 3 * (c.divisions + 1));
        // Corners of the patch are the triangle's corners.
        for (const Vec3& corner : {Vec3{0, 0, 0}, Vec3{2, 0, 1}, Vec3{0, 2, 1}}) {
            bool found = false;
            for (const Vec3& p : m.points()) found |= length(p - corner) < 1e-6;
            EXPECT_TRUE(found);
        }
    }
}

TEST(TpolyTriPatchFty, FlatTrianglesStayFlat) {
    struct Case {
        float flatness, tangent, bulge;
    };
    const Case cases[] = {{1, 1, 1.5f}, {0, 1, 1.5f}, {2.5f, 0.3f, 4}, {-1, 2, -3}, {1, 1, 1}};
    const Vec3 n = normalize(Vec3{-2, -2, 4});
    for (const Case& c : cases) {
        TmidBody body(flatTriangle());
        TpolyTriPatchFty fty;
        fty.divisions = 3;
        fty.flatness = c.flatness;
        fty.tangent = c.tangent;
        fty.bulge = c.bulge;
        ASSERT_EQ(patch(body, fty), 0);
        for (const Vec3& p : body.geom()->mesh().points())
            EXPECT_NEAR(dot(p, n), 0.0, 1e-5) << c.flatness << " " << c.tangent << " " << c.bulge;
    }
}

TEST(TpolyTriPatchFty, ControlPoints) {
    const std::array<TriPatchPoint, 3> p = {{{0, 0, 0}, {3, 0, 0}, {0, 3, 0}}};
    // Corner normals leaning outward, so the edge points leave the plane.
    const float s = 1.0f / std::sqrt(2.0f);
    const std::array<TriPatchPoint, 3> n = {{{-s, 0, s}, {s, 0, s}, {0, s, s}}};
    TpolyTriPatchFty fty;
    fty.bulge = 1.0f;
    const TriPatchControl k = fty.controlPoints(p, n);
    // With bulge 1 the centre point is the mean of the six edge points.
    const TriPatchPoint pts[] = {k.b01, k.b10, k.b02, k.b20, k.b12, k.b21};
    float mx = 0, my = 0, mz = 0;
    for (const TriPatchPoint& q : pts) {
        mx += q.x / 6;
        my += q.y / 6;
        mz += q.z / 6;
    }
    EXPECT_NEAR(k.b111.x, mx, 1e-6);
    EXPECT_NEAR(k.b111.y, my, 1e-6);
    EXPECT_NEAR(k.b111.z, mz, 1e-6);
    // b01 starts a third of the way from corner 0 and is pulled onto corner 0's tangent plane.
    EXPECT_NEAR((k.b01.x - p[0].x) * n[0].x + (k.b01.z - p[0].z) * n[0].z, 0.0f, 1e-6);
    EXPECT_NEAR(k.b01.y, 0.0f, 1e-6);
    // Default bulge 1.5 pushes the centre half as far again beyond the mean.
    fty.bulge = 1.5f;
    const TriPatchControl k15 = fty.controlPoints(p, n);
    const float vz = 0.0f;
    EXPECT_NEAR(k15.b111.z - vz, 1.5f * (mz - vz), 1e-5);
    // The patch passes through its corners.
    const TriPatchPoint c1 = TpolyTriPatchFty::evaluate(k, 0, 1, 0);
    EXPECT_FLOAT_EQ(c1.x, 3.0f);
    EXPECT_FLOAT_EQ(c1.z, 0.0f);
}

TEST(TpolyTriPatchFty, SelectedFacesOnlyAndFailures) {
    // Face 1 of a cube only: its two triangles, 4 + 4 faces, nothing else copied.
    TmidBody cube(tarn::makeCube(1, 1, 1));
    TpolyTriPatchFty fty;
    TpolyGroup one{"sel", kGrpFace, {1}};
    ASSERT_EQ(fty.doAction(&cube, &one), 0);
    EXPECT_EQ(cube.geom()->nbFace(), 8);
    EXPECT_EQ(cube.geom()->nbVertex(), 12);
    EXPECT_FALSE(cube.geom()->mesh().faceHasUVs(0));

    struct Case {
        const char* name;
        int divisions;
        bool group;
        int result;
    };
    const Case cases[] = {
        {"no active face group", 1, false, -1},
        {"divisions 0", 0, true, 0},
        {"divisions -4", -4, true, 0},
        {"divisions above the maximum", TpolyTriPatchFty::kMaxDivisions + 1, true, -1},
        {"divisions at INT_MAX", 2147483647, true, -1},
    };
    for (const Case& c : cases) {
        TmidBody body(tarn::makeCube(1, 1, 1));
        const TpolyGeom* before = body.geom();
        TpolyTriPatchFty f;
        f.divisions = c.divisions;
        const TpolyGroup g = allFaces(body);
        EXPECT_EQ(f.doAction(&body, c.group ? &g : nullptr), c.result) << c.name;
        EXPECT_EQ(body.geom(), before) << c.name;
        EXPECT_EQ(c.result != 0, !f.message().empty()) << c.name;
    }
    // The maximum itself passes the size check on one triangle.
    TmidBody body(flatTriangle());
    TpolyTriPatchFty big;
    big.divisions = 200;
    ASSERT_EQ(patch(body, big), 0);
    EXPECT_EQ(body.geom()->nbFace(), 201 * 201);
}
