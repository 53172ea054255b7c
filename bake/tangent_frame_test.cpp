// The triangle tangent frame: one derived case, invariants over varied triangles, and the
// triangles that have no frame.
#include "bake/tangent_frame.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using bake::Vec3;

double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double length(const Vec3& a) {
    return std::sqrt(dot(a, a));
}

TEST(TangentFrame, FlatTriangleInTheXyPlane) {
    // P = (u, v, 0), normal +z: dP/du = (1,0,0), dP/dv = (0,1,0). b x t = -z faces away from
    // the normal, so both flip: t = (-1,0,0), b = (0,-1,0). Then binormal = n x b = (1,0,0)
    // and tangent = (n x b) x n = (0,-1,0) at every corner.
    const Vec3 p[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const double u[3] = {0, 1, 0}, v[3] = {0, 0, 1};
    const Vec3 n[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    bake::CornerFrames f;
    ASSERT_TRUE(bake::triangleFrame(p, u, v, n, f));
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f.binormal[k].x, 1.0, 1e-12);
        EXPECT_NEAR(f.binormal[k].y, 0.0, 1e-12);
        EXPECT_NEAR(f.tangent[k].y, -1.0, 1e-12);
        EXPECT_NEAR(f.tangent[k].x, 0.0, 1e-12);
    }
}

TEST(TangentFrame, FramesAreUnitAndOrthogonalToTheNormals) {
    struct Case {
        Vec3 p[3];
        double u[3], v[3];
        Vec3 n[3];
    };
    const double s = 1.0 / std::sqrt(3.0);
    const Case cases[] = {
        {{{0, 0, 0}, {2, 0, 1}, {0, 3, 0}},
         {0, 1, 0},
         {0, 0, 1},
         {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}},
        {{{1, 2, 3}, {4, 0, 1}, {0, 5, 2}},
         {0.1, 0.9, 0.3},
         {0.2, 0.1, 0.8},
         {{s, s, s}, {0, 1, 0}, {1, 0, 0}}},
        // Mirrored UVs (u grows the other way).
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
         {1, 0, 1},
         {0, 0, 1},
         {{0, 0, -1}, {0, 0, -1}, {0, 0, -1}}},
    };
    for (const Case& c : cases) {
        bake::CornerFrames f;
        ASSERT_TRUE(bake::triangleFrame(c.p, c.u, c.v, c.n, f));
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(length(f.tangent[k]), 1.0, 1e-9);
            EXPECT_NEAR(length(f.binormal[k]), 1.0, 1e-9);
            EXPECT_NEAR(dot(f.tangent[k], c.n[k]), 0.0, 1e-9);
            EXPECT_NEAR(dot(f.binormal[k], c.n[k]), 0.0, 1e-9);
            EXPECT_NEAR(dot(f.tangent[k], f.binormal[k]), 0.0, 1e-9);
        }
    }
}

TEST(TangentFrame, TrianglesWithoutUvAreaHaveNoFrame) {
    const Vec3 p[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vec3 n[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    struct Case {
        double u[3], v[3];
    };
    const Case cases[] = {
        {{0.5, 0.5, 0.5}, {0, 0.5, 1}},  // all u equal
        {{0, 1, 2}, {0, 1, 2}},          // on a line
        {{0, 0, 0}, {0, 0, 0}},          // one point
        {{0, NAN, 1}, {0, 0, 1}},        // not a number
    };
    for (const Case& c : cases) {
        bake::CornerFrames f;
        f.tangent[0] = {9, 9, 9};
        EXPECT_FALSE(bake::triangleFrame(p, c.u, c.v, n, f));
        EXPECT_EQ(f.tangent[0].x, 9.0) << "frames untouched";
    }
}

}  // namespace
