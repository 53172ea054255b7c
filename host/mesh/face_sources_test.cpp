// Which face of one mesh each face of another comes from: faces laid out alike are their own
// source, split and moved faces find the face they lie on, and the nearest-face grid agrees
// with a search over every triangle.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "host/mesh/face_sources.h"
#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"

namespace tarn {
namespace {

// The face nearest p by looking at every triangle (lowest id on ties).
int nearestByEveryTriangle(const PolyMesh& m, const Vec3& p) {
    double best = std::numeric_limits<double>::infinity();
    int face = -1;
    for (int f = 0; f < m.numFaces(); ++f)
        for (int t = 0; t < m.numTriangles(f); ++t) {
            const auto v = m.triangleVertices(f, t);
            // Dense sampling of the triangle: the reference needs no cleverness.
            for (int i = 0; i <= 40; ++i)
                for (int j = 0; i + j <= 40; ++j) {
                    const double a = i / 40.0, b = j / 40.0;
                    const Vec3 q =
                        m.point(v[0]) * (1 - a - b) + m.point(v[1]) * a + m.point(v[2]) * b;
                    const double d = length(q - p);
                    if (d < best - 1e-12) {
                        best = d;
                        face = f;
                    }
                }
        }
    return face;
}

TEST(FaceSources, FacesLaidOutAlikeAreTheirOwnSourceWhereverTheirPointsMoved) {
    const PolyMesh sphere = makeSphere(1, 8, 6);
    PolyMesh moved = sphere;
    std::vector<Vec3> points = moved.points();
    for (Vec3& p : points) p = p * 3.0 + Vec3{5, 0, 0};
    moved.setPoints(points);
    const std::vector<int> sources = faceSources(sphere, moved);
    for (int f = 0; f < moved.numFaces(); ++f) EXPECT_EQ(sources[f], f);
    EXPECT_TRUE(sameFaceLayout(sphere, moved));
}

TEST(FaceSources, PiecesOfASplitFaceComeFromIt) {
    const PolyMesh cube = makeCube(1, 1, 1);
    PolyMesh split = cube;
    const auto e = cube.faceEdges(1);
    ASSERT_TRUE(splitMesh(split, {{SplitPoint::onEdge(e[0], 0.3), SplitPoint::onEdge(e[2], 0.6)}},
                          3, nullptr)
                    .ok);
    ASSERT_EQ(split.numFaces(), 7);
    EXPECT_FALSE(sameFaceLayout(cube, split));
    const std::vector<int> sources = faceSources(cube, split);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(sources[f], f) << "face " << f;
    EXPECT_EQ(sources[6], 1);  // the piece split off face 1
}

TEST(FaceSources, NearestFaceAgreesWithEveryTriangle) {
    const PolyMesh meshes[] = {makeSphere(1, 10, 7), makeCylinder(1, 2, 9, 3, 1),
                               makePlane(2, 1, 5, 3), makeCube(1, 2, 3, 2, 1, 3)};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coordinate(-2.0, 2.0);
    for (const PolyMesh& m : meshes) {
        const FaceLocator locator(m);
        for (int i = 0; i < 60; ++i) {
            const Vec3 p{coordinate(rng), coordinate(rng), coordinate(rng)};
            const int got = locator.nearestFace(p), want = nearestByEveryTriangle(m, p);
            if (got == want) continue;
            // A point nearly as near two faces may go either way: the distances must agree.
            auto distanceTo = [&](int f) {
                double best = std::numeric_limits<double>::infinity();
                for (int t = 0; t < m.numTriangles(f); ++t) {
                    const auto v = m.triangleVertices(f, t);
                    for (int a = 0; a <= 40; ++a)
                        for (int b = 0; a + b <= 40; ++b)
                            best = std::min(best, length(m.point(v[0]) * (1 - (a + b) / 40.0) +
                                                         m.point(v[1]) * (a / 40.0) +
                                                         m.point(v[2]) * (b / 40.0) - p));
                }
                return best;
            };
            EXPECT_NEAR(distanceTo(got), distanceTo(want), 0.05) << p.x << " " << p.y << " " << p.z;
        }
    }
}

TEST(FaceSources, NothingToFindAnswersNoFace) {
    const FaceLocator empty{PolyMesh()};
    EXPECT_EQ(empty.nearestFace({0, 0, 0}), -1);
    const FaceLocator cube{makeCube(1, 1, 1)};
    EXPECT_EQ(cube.nearestFace({std::nan(""), 0, 0}), -1);
    EXPECT_EQ(cube.nearestFace({std::numeric_limits<double>::infinity(), 0, 0}), -1);
    // Far away, the nearest face is still found.
    EXPECT_GE(cube.nearestFace({1e6, 0, 0}), 0);
    EXPECT_EQ(faceSources(PolyMesh(), makeCube(1, 1, 1)), std::vector<int>(6, -1));
}

}  // namespace
}  // namespace tarn
