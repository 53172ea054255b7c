// Closest points against brute force: a dense parameter grid, refined by finer grids around
// its best cell, on a plane, a sphere, a surface folded into an S and points beyond the span.
// The search may never be farther than brute force by more than the tolerance.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "host/nurbs/surface_closest_point.h"
#include "host/nurbs/surface_primitives.h"

namespace tarn::nurbs {
namespace {

ClosestPointResult bruteForce(const NurbsSurface& s, const Vec3& p) {
    double u0, u1, v0, v1;
    knotDomain(s, u0, u1, v0, v1);
    ClosestPointResult best;
    best.distance = INFINITY;
    double lu = u0, hu = u1, lv = v0, hv = v1;
    constexpr int kCoarse = 150, kFine = 20;
    for (int round = 0; round < 6; ++round) {
        const int n = round == 0 ? kCoarse : kFine;
        const double su = (hu - lu) / n, sv = (hv - lv) / n;
        for (int i = 0; i <= n; ++i)
            for (int j = 0; j <= n; ++j) {
                const double u = lu + su * i, v = lv + sv * j;
                const double d = length(evaluate(s, u, v) - p);
                if (d < best.distance) best = {u, v, evaluate(s, u, v), d};
            }
        // Zoom onto the cells around the best sample.
        lu = std::max(u0, best.u - 2 * su), hu = std::min(u1, best.u + 2 * su);
        lv = std::max(v0, best.v - 2 * sv), hv = std::min(v1, best.v + 2 * sv);
    }
    return best;
}

// A bicubic surface whose u cross-section is an S folding back on itself twice (extruded
// along y): points between the folds have several local nearest points.
NurbsSurface foldedS() {
    NurbsSurface s;
    const Vec3 profile[] = {{0, 0, 0}, {3, 0, 0}, {3, 0, 1}, {0, 0, 1},
                            {0, 0, 2}, {3, 0, 2}, {3, 0, 3}, {0, 0, 3}};
    s.numU = 8, s.numV = 4;
    for (const Vec3& q : profile)
        for (int j = 0; j < 4; ++j) s.cvs.push_back(q + Vec3(0, j, 0.2 * (j % 2)));
    s.knotsU = {0, 0, 0, 1, 2, 3, 4, 5, 5, 5};
    s.knotsV = {0, 0, 0, 1, 1, 1};
    return s;
}

struct SurfaceCase {
    const char* name;
    NurbsSurface surface;
    Box3 around;  // query points are drawn from this box
};

TEST(SurfaceClosestPoint, NeverFartherThanBruteForce) {
    PrimitiveFrame tilted;
    tilted.axis = {0.3, 1, 0.2};
    const SurfaceCase cases[] = {
        {"plane", makePlaneSurface(4, 1, 3, 4, 3, tilted), {{-2, -1, -2}, {2, 1, 2}}},
        {"plane, points beyond the span",
         makePlaneSurface(2, 1, 2, 3, 3, PrimitiveFrame{}),
         {{-4, -2, -4}, {4, 2, 4}}},
        {"sphere", makeSphereSurface(1.5, 3, 8, 4, PrimitiveFrame{}), {{-3, -3, -3}, {3, 3, 3}}},
        {"folded S", foldedS(), {{-1, -1, -0.5}, {4, 4, 3.5}}},
        {"folded S, far outside", foldedS(), {{-20, -20, -20}, {20, 20, 20}}},
    };
    constexpr double kTolerance = 1e-4;
    std::mt19937 random(7);
    for (const SurfaceCase& c : cases) {
        ASSERT_TRUE(validate(c.surface, nullptr)) << c.name;
        const SurfaceClosestPoint search(c.surface);
        std::uniform_real_distribution<double> x(c.around.min.x, c.around.max.x),
            y(c.around.min.y, c.around.max.y), z(c.around.min.z, c.around.max.z);
        int worse = 0;
        for (int k = 0; k < 60; ++k) {
            const Vec3 p{x(random), y(random), z(random)};
            const ClosestPointResult found = search.find(p, kTolerance);
            const ClosestPointResult brute = bruteForce(c.surface, p);
            // The answer is a point of the surface at the parameters given, at the distance given.
            EXPECT_LT(length(evaluate(c.surface, found.u, found.v) - found.point), 1e-9) << c.name;
            EXPECT_NEAR(length(found.point - p), found.distance, 1e-9) << c.name;
            if (found.distance > brute.distance + kTolerance) {
                ++worse;
                ADD_FAILURE() << c.name << ": at (" << p.x << ", " << p.y << ", " << p.z
                              << ") found " << found.distance << " at (" << found.u << ", "
                              << found.v << "), brute force " << brute.distance << " at ("
                              << brute.u << ", " << brute.v << ")";
            }
        }
        EXPECT_EQ(worse, 0) << c.name;
    }
}

TEST(SurfaceClosestPoint, PinnedPoints) {
    // Exact answers: a point above the plane projects straight down; beyond an edge or a
    // corner it lands on the border; between the folds of the S the global nearest wins over
    // the local minimum a Newton start on the far fold would reach.
    const NurbsSurface plane = makePlaneSurface(2, 1, 3, 2, 2, PrimitiveFrame{});  // x, -z
    const NurbsSurface fold = foldedS();
    struct Case {
        const char* what;
        const NurbsSurface& surface;
        Vec3 p;
        double distance;
    };
    const Case cases[] = {
        {"above the plane", plane, {0.3, 2, -0.4}, 2.0},
        {"beyond an edge", plane, {3, 0, 0}, 2.0},
        {"beyond a corner", plane, {4, 0, 5}, std::hypot(3.0, 4.0)},
        {"on a patch border", plane, {0, -0.5, 0}, 0.5},
    };
    const SurfaceClosestPoint planeSearch(plane);
    for (const Case& c : cases) {
        const ClosestPointResult r = planeSearch.find(c.p, 1e-6);
        EXPECT_NEAR(r.distance, c.distance, 1e-6) << c.what;
    }
    const SurfaceClosestPoint foldSearch(fold);
    for (const Vec3& p : {Vec3{2.0, 1.5, 0.5}, Vec3{2.5, 0.5, 1.6}, Vec3{1.5, 2.5, 2.5}}) {
        const ClosestPointResult r = foldSearch.find(p, 1e-6);
        EXPECT_LE(r.distance, bruteForce(fold, p).distance + 1e-6);
        // A Newton iteration alone from a start on another fold stops at a farther point.
        const ClosestPointResult local = foldSearch.refine(p, 4.5, 0.5, 1e-6);
        EXPECT_LE(r.distance, local.distance + 1e-9);
    }
}

}  // namespace
}  // namespace tarn::nurbs
