// Surface math: evaluation pinned at hand-computed points (bilinear, bicubic Bezier, a rational
// sphere octant), derivatives against finite differences, spans, validation, and the
// primitives' shapes.

#include <gtest/gtest.h>

#include <cmath>

#include "host/nurbs/nurbs_surface.h"
#include "host/nurbs/surface_primitives.h"

namespace tarn::nurbs {
namespace {

void expectNear(const Vec3& got, const Vec3& want, double eps, const std::string& what) {
    EXPECT_NEAR(got.x, want.x, eps) << what;
    EXPECT_NEAR(got.y, want.y, eps) << what;
    EXPECT_NEAR(got.z, want.z, eps) << what;
}

NurbsSurface bilinear() {
    NurbsSurface s;
    s.degreeU = s.degreeV = 1;
    s.numU = s.numV = 2;
    s.cvs = {{0, 0, 0}, {0, 2, 1}, {1, 0, 0}, {1, 2, 3}};  // cv(i, j) = cvs[2 i + j]
    s.knotsU = {0, 1};
    s.knotsV = {0, 1};
    return s;
}

// Bicubic Bezier with cv(i, j) = (i, j, i j + 8 [i = 1, j = 2]), so that
// S(u, v) = (3u, 3v, 9uv + 8 B1(u) B2(v)) with B1(u) = 3u(1-u)^2, B2(v) = 3v^2(1-v).
NurbsSurface bicubicBezier() {
    NurbsSurface s;
    s.numU = s.numV = 4;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) s.cvs.push_back(Vec3(i, j, i * j + (i == 1 && j == 2 ? 8 : 0)));
    s.knotsU = s.knotsV = {0, 0, 0, 1, 1, 1};
    return s;
}

// An octant of the unit sphere: a quarter-circle meridian from the equator to the pole turned
// a quarter about z, both as exact rational quadratics.
NurbsSurface sphereOctant() {
    const double h = std::sqrt(0.5);
    const Vec3 profile[3] = {{1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
    const double pw[3] = {1, h, 1};
    NurbsSurface s;
    s.degreeU = s.degreeV = 2;
    s.numU = s.numV = 3;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const Vec3& q = profile[j];
            const Vec3 turned[3] = {{q.x, 0, q.z}, {q.x, q.x, q.z}, {0, q.x, q.z}};
            s.cvs.push_back(turned[i]);
            s.weights.push_back(pw[j] * (i == 1 ? h : 1.0));
        }
    s.knotsU = s.knotsV = {0, 0, 1, 1};
    return s;
}

TEST(NurbsSurface, EvaluatesAtHandComputedPoints) {
    struct Case {
        const char* what;
        NurbsSurface surface;
        double u, v;
        Vec3 point, du, dv;
    };
    const double b1 = 3 * 0.5 * 0.25, b2 = 3 * 0.0625 * 0.75;  // B1(0.5), B2(0.25)
    const double db1 = 3 * 0.25 - 6 * 0.25;                    // B1'(0.5)
    const double db2 = 6 * 0.25 * 0.75 - 3 * 0.0625;           // B2'(0.25)
    const Case cases[] = {
        {"bilinear inside", bilinear(), 0.25, 0.5, {0.25, 1.0, 0.75}, {1, 0, 1}, {0, 2, 1.5}},
        {"bilinear corner", bilinear(), 1, 1, {1, 2, 3}, {1, 0, 2}, {0, 2, 3}},
        {"bilinear clamped", bilinear(), -3, 7, {0, 2, 1}, {1, 0, 2}, {0, 2, 1}},
        {"bicubic Bezier",
         bicubicBezier(),
         0.5,
         0.25,
         {1.5, 0.75, 9 * 0.125 + 8 * b1 * b2},
         {3, 0, 9 * 0.25 + 8 * db1 * b2},
         {0, 3, 9 * 0.5 + 8 * b1 * db2}},
        {"sphere edge middle", sphereOctant(), 0.5, 0, {std::sqrt(0.5), std::sqrt(0.5), 0}, {}, {}},
        {"sphere pole", sphereOctant(), 0.3, 1, {0, 0, 1}, {}, {}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(validate(c.surface, nullptr)) << c.what;
        expectNear(evaluate(c.surface, c.u, c.v), c.point, 1e-12, c.what);
        if (c.surface.weights.empty()) {
            const SurfaceDerivs d = evaluateDerivs(c.surface, c.u, c.v);
            expectNear(d.p, c.point, 1e-12, c.what);
            expectNear(d.du, c.du, 1e-12, std::string(c.what) + " du");
            expectNear(d.dv, c.dv, 1e-12, std::string(c.what) + " dv");
        }
    }
    // Every point of the rational octant is on the unit sphere, and its normal points out.
    const NurbsSurface octant = sphereOctant();
    for (double u = 0; u <= 1.0; u += 0.125)
        for (double v = 0; v < 1.0; v += 0.125) {
            const Vec3 p = evaluate(octant, u, v);
            EXPECT_NEAR(length(p), 1.0, 1e-12) << u << " " << v;
            EXPECT_GT(dot(normalAt(octant, u, v), p), 0.999) << u << " " << v;
        }
    // At the pole du vanishes: the normal comes from a neighbouring point.
    EXPECT_GT(normalAt(octant, 0.5, 1.0).z, 0.99);
}

TEST(NurbsSurface, DerivativesMatchFiniteDifferences) {
    // A rational surface with inner knots (several spans, a double knot in v).
    NurbsSurface s;
    s.degreeU = 3, s.degreeV = 2;
    s.numU = 5, s.numV = 5;
    s.knotsU = {0, 0, 0, 0.4, 1, 1, 1};
    s.knotsV = {0, 0, 0.5, 0.5, 1, 1};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            s.cvs.push_back(Vec3(i, j, std::sin(i * 1.3 + j * 0.7)));
            s.weights.push_back(1.0 + 0.3 * ((i + 2 * j) % 3));
        }
    ASSERT_TRUE(validate(s, nullptr));
    const double h = 1e-6;
    for (const auto& [u, v] : {std::pair{0.1, 0.2}, {0.55, 0.7}, {0.93, 0.3}, {0.3, 0.45}}) {
        const SurfaceDerivs d = evaluateDerivs(s, u, v, true);
        const std::string at = std::to_string(u) + ", " + std::to_string(v);
        expectNear(d.p, evaluate(s, u, v), 1e-12, at);
        expectNear(d.du, (evaluate(s, u + h, v) - evaluate(s, u - h, v)) / (2 * h), 1e-6, at);
        expectNear(d.dv, (evaluate(s, u, v + h) - evaluate(s, u, v - h)) / (2 * h), 1e-6, at);
        const SurfaceDerivs up = evaluateDerivs(s, u + h, v), un = evaluateDerivs(s, u - h, v);
        const SurfaceDerivs vp = evaluateDerivs(s, u, v + h), vn = evaluateDerivs(s, u, v - h);
        expectNear(d.duu, (up.du - un.du) / (2 * h), 1e-4, at + " duu");
        expectNear(d.duv, (vp.du - vn.du) / (2 * h), 1e-4, at + " duv");
        expectNear(d.dvv, (vp.dv - vn.dv) / (2 * h), 1e-4, at + " dvv");
    }
    // Spans: distinct knots only (the double knot in v makes no empty span).
    EXPECT_EQ(spanBreaks(s, true), (std::vector<double>{0, 0.4, 1}));
    EXPECT_EQ(spanBreaks(s, false), (std::vector<double>{0, 0.5, 1}));
}

TEST(NurbsSurface, PatchBoxesHoldTheirPatchesTightly) {
    // Every sampled point of every patch lies in its box, on a rational surface with an uneven
    // and a double knot and on a degree-5 one.
    NurbsSurface rational;
    rational.degreeU = 3, rational.degreeV = 2;
    rational.numU = 5, rational.numV = 5;
    rational.knotsU = {0, 0, 0, 0.4, 1, 1, 1};
    rational.knotsV = {0, 0, 0.5, 0.5, 1, 1};
    NurbsSurface quintic;
    quintic.degreeU = quintic.degreeV = 5;
    quintic.numU = quintic.numV = 8;
    quintic.knotsU = quintic.knotsV = {0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 3, 3};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            if (i < 5 && j < 5) {
                rational.cvs.push_back(Vec3(i, j, std::sin(i * 1.3 + j * 0.7)));
                rational.weights.push_back(1.0 + 0.3 * ((i + 2 * j) % 3));
            }
            quintic.cvs.push_back(Vec3(i + 0.3 * std::cos(j), j, std::cos(i * j * 0.4)));
        }
    for (const NurbsSurface* s : {&rational, &quintic}) {
        ASSERT_TRUE(validate(*s, nullptr));
        const std::vector<double> bu = spanBreaks(*s, true), bv = spanBreaks(*s, false);
        for (size_t a = 0; a + 1 < bu.size(); ++a)
            for (size_t b = 0; b + 1 < bv.size(); ++b) {
                const Box3 box = patchBox(*s, bu[a], bu[a + 1], bv[b], bv[b + 1]);
                for (int i = 0; i <= 10; ++i)
                    for (int j = 0; j <= 10; ++j) {
                        const Vec3 p = evaluate(*s, bu[a] + (bu[a + 1] - bu[a]) * i / 10,
                                                bv[b] + (bv[b + 1] - bv[b]) * j / 10);
                        for (int k = 0; k < 3; ++k) {
                            EXPECT_GE(p[k], box.min[k]) << a << " " << b;
                            EXPECT_LE(p[k], box.max[k]) << a << " " << b;
                        }
                    }
            }
    }
    // A flat linear plane's patch box is the patch itself, not the hull of its B-spline CVs.
    const NurbsSurface plane = makePlaneSurface(4.0, 1.0, 3, 4, 4, PrimitiveFrame{});
    const Box3 box = patchBox(plane, 1, 2, 2, 3);
    expectNear(box.min, {-1, 0, -1}, 1e-7, "plane patch min");
    expectNear(box.max, {0, 0, 0}, 1e-7, "plane patch max");
}

TEST(NurbsSurface, ValidationNamesTheFault) {
    struct Case {
        const char* what;
        void (*spoil)(NurbsSurface&);
        const char* message;
    };
    const Case cases[] = {
        {"degree 8", [](NurbsSurface& s) { s.degreeU = 8; }, "degree in u"},
        {"too few CVs in v", [](NurbsSurface& s) { s.degreeV = 4; }, "at least 5"},
        {"knot count", [](NurbsSurface& s) { s.knotsV.push_back(1); }, "knots in v"},
        {"decreasing knots", [](NurbsSurface& s) { s.knotsU = {0, 0, 0, 1, 0.5, 1, 1}; },
         "decrease"},
        {"empty domain", [](NurbsSurface& s) { s.knotsU.assign(7, 0.0); }, "empty"},
        {"CV count", [](NurbsSurface& s) { s.cvs.pop_back(); }, "control points"},
        {"NaN CV", [](NurbsSurface& s) { s.cvs[3].y = std::nan(""); }, "finite"},
        {"zero weight", [](NurbsSurface& s) { s.weights.assign(20, 1.0), s.weights[5] = 0; },
         "positive"},
    };
    for (const Case& c : cases) {
        NurbsSurface s = bicubicBezier();
        s.numU = 5;  // one more CV row in u for an inner knot
        for (int j = 0; j < 4; ++j) s.cvs.push_back(Vec3(4, j, 0));
        s.knotsU = {0, 0, 0, 0.5, 1, 1, 1};
        ASSERT_TRUE(validate(s, nullptr));
        c.spoil(s);
        std::string error;
        EXPECT_FALSE(validate(s, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(SurfacePrimitives, ShapesFollowTheirSizesAndFrames) {
    PrimitiveFrame frame;
    // Plane: exactly linear in its parameters, knots 0..patches.
    const NurbsSurface plane = makePlaneSurface(4.0, 0.5, 3, 4, 2, frame);
    ASSERT_TRUE(validate(plane, nullptr));
    double u0, u1, v0, v1;
    knotDomain(plane, u0, u1, v0, v1);
    EXPECT_EQ(u0, 0);
    EXPECT_EQ(u1, 4);
    EXPECT_EQ(v0, 0);
    EXPECT_EQ(v1, 2);
    expectNear(evaluate(plane, 0, 0), {-2, 0, 1}, 1e-12, "plane corner");
    expectNear(evaluate(plane, 1.3, 0.7), {-2 + 1.3, 0, 1 - 0.7}, 1e-12, "plane inside");
    EXPECT_NEAR(normalAt(plane, 2.5, 1.5).y, 1.0, 1e-12);

    // Sphere: close to the radius everywhere, poles on the axis through the pivot.
    frame.axis = {0, 0, 2};
    frame.pivot = {1, 2, 3};
    const NurbsSurface sphere = makeSphereSurface(2.0, 3, 8, 4, frame);
    ASSERT_TRUE(validate(sphere, nullptr));
    double worst = 0.0;
    for (int i = 0; i <= 64; ++i)
        for (int j = 0; j <= 32; ++j) {
            const Vec3 p = evaluate(sphere, 8.0 * i / 64, 4.0 * j / 32);
            worst = std::max(worst, std::abs(length(p - frame.pivot) - 2.0));
        }
    EXPECT_LT(worst, 0.01 * 2.0);
    expectNear(evaluate(sphere, 3, 4), {1, 2, 5}, 1e-9, "north pole");
    expectNear(evaluate(sphere, 3, 0), {1, 2, 1}, 1e-9, "south pole");
    // The seam closes: u = 0 and u = 8 are the same points.
    expectNear(evaluate(sphere, 0, 1.5), evaluate(sphere, 8, 1.5), 1e-12, "seam");
    EXPECT_GT(dot(normalAt(sphere, 2.2, 1.7), evaluate(sphere, 2.2, 1.7) - frame.pivot), 0);

    // Cylinder: radius about the axis, height radius * ratio.
    const NurbsSurface cylinder = makeCylinderSurface(0.5, 4.0, 3, 8, 3, PrimitiveFrame{});
    worst = 0.0;
    for (int i = 0; i <= 80; ++i) {
        const Vec3 p = evaluate(cylinder, 8.0 * i / 80, 1.0);
        worst = std::max(worst, std::abs(std::hypot(p.x, p.z) - 0.5));
    }
    EXPECT_LT(worst, 0.005 * 0.5);
    EXPECT_NEAR(evaluate(cylinder, 2, 0).y, -1.0, 1e-12);
    EXPECT_NEAR(evaluate(cylinder, 2, 3).y, 1.0, 1e-12);
}

}  // namespace
}  // namespace tarn::nurbs
