// Curves: evaluation pinned at sample points (degree 1 through points, a quadratic Bezier, a
// rational quarter circle), validation of bad input, closing a stroke curve and evaluating over
// the range it leaves, and the curve nodes through KFnNurbsCurve and the commands.

#include <gtest/gtest.h>

#include <cmath>

#include "frame/k_nurbs.h"
#include "host/nurbs/curve_node.h"
#include "host/nurbs/nurbs_curve.h"
#include "host/scene/dag.h"
#include "host/scene/scene_test_support.h"

namespace tarn::nurbs {
namespace {

NurbsCurve strokeCurve() {
    NurbsCurve c;
    c.degree = 1;
    c.cvs = {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}};
    c.knots = {0, 1, 2};
    return c;
}

void expectNear(const Vec3& got, const Vec3& want, const char* what) {
    EXPECT_NEAR(got.x, want.x, 1e-12) << what;
    EXPECT_NEAR(got.y, want.y, 1e-12) << what;
    EXPECT_NEAR(got.z, want.z, 1e-12) << what;
}

TEST(NurbsCurve, EvaluatesAtSamplePoints) {
    NurbsCurve bezier;  // (1-t)^2 P0 + 2t(1-t) P1 + t^2 P2
    bezier.degree = 2;
    bezier.cvs = {{0, 0, 0}, {1, 2, 0}, {2, 0, 0}};
    bezier.knots = {0, 0, 1, 1};
    NurbsCurve arc;  // a quarter circle of radius 1, weights 1, sqrt(2)/2, 1
    arc.degree = 2;
    arc.cvs = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    arc.weights = {1, std::sqrt(0.5), 1};
    arc.knots = {0, 0, 1, 1};
    struct Case {
        const char* what;
        const NurbsCurve& curve;
        double t;
        Vec3 expected;
    };
    const NurbsCurve stroke = strokeCurve();
    const Case cases[] = {
        {"stroke start", stroke, 0.0, {0, 0, 0}},
        {"stroke knot 1", stroke, 1.0, {2, 0, 0}},
        {"stroke mid span 2", stroke, 1.5, {2, 1.5, 0}},
        {"stroke end", stroke, 2.0, {2, 3, 0}},
        {"stroke clamped below", stroke, -4.0, {0, 0, 0}},
        {"stroke clamped above", stroke, 9.0, {2, 3, 0}},
        {"bezier middle", bezier, 0.5, {1, 1, 0}},
        {"bezier quarter", bezier, 0.25, {0.5, 0.75, 0}},
        {"arc middle", arc, 0.5, {std::sqrt(0.5), std::sqrt(0.5), 0}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(validate(c.curve, nullptr)) << c.what;
        expectNear(evaluate(c.curve, c.t), c.expected, c.what);
    }
    // Every point of the rational arc is on the circle.
    for (double t = 0; t <= 1.0; t += 0.125) EXPECT_NEAR(length(evaluate(arc, t)), 1.0, 1e-12);
}

TEST(NurbsCurve, ValidationNamesTheFault) {
    struct Case {
        const char* what;
        void (*spoil)(NurbsCurve&);
        const char* message;
    };
    const Case cases[] = {
        {"degree 0", [](NurbsCurve& c) { c.degree = 0; }, "degree"},
        {"too few points", [](NurbsCurve& c) { c.cvs.resize(1), c.knots = {0}; }, "at least"},
        {"knot count", [](NurbsCurve& c) { c.knots.push_back(3); }, "knots"},
        {"decreasing knots",
         [](NurbsCurve& c) {
             c.knots = {0, 2, 1};
         },
         "decrease"},
        {"empty domain",
         [](NurbsCurve& c) {
             c.knots = {1, 1, 1};
         },
         "empty"},
        {"bad weight",
         [](NurbsCurve& c) {
             c.weights = {1, 0, 1};
         },
         "positive"},
        {"NaN knot", [](NurbsCurve& c) { c.knots[1] = std::nan(""); }, "finite"},
    };
    for (const Case& c : cases) {
        NurbsCurve curve = strokeCurve();
        c.spoil(curve);
        std::string error;
        EXPECT_FALSE(validate(curve, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(NurbsCurve, ClosingAddsASegmentBackToTheStart) {
    NurbsCurve c = strokeCurve();
    ASSERT_TRUE(closeCurve(c, nullptr));
    EXPECT_EQ(c.form, CurveForm::Closed);
    ASSERT_TRUE(validate(c, nullptr));
    double start, end;
    knotDomain(c, start, end);
    EXPECT_EQ(start, 0.0);
    EXPECT_EQ(end, 3.0);
    expectNear(evaluate(c, 2.0), {2, 3, 0}, "old end");
    expectNear(evaluate(c, 2.5), {1, 1.5, 0}, "on the closing segment");
    expectNear(evaluate(c, 3.0), {0, 0, 0}, "back at the start");
    std::string error;
    EXPECT_FALSE(closeCurve(c, &error));
    EXPECT_NE(error.find("already closed"), std::string::npos);
    NurbsCurve cubic;
    cubic.degree = 3;
    cubic.cvs = {{0, 0, 0}, {1, 1, 0}, {2, 1, 0}, {3, 0, 0}};
    cubic.knots = {0, 0, 0, 1, 1, 1};
    EXPECT_FALSE(closeCurve(cubic, &error));
}

class CurveNodeTest : public scene::testing::SceneTest {};

TEST_F(CurveNodeTest, StrokeCurveThroughTheSdkIsANodeThatEvaluatesAndDeletes) {
    KPointArray points;
    KDoubleArray knots;
    for (int i = 0; i < 4; ++i) {
        points.append(KPoint(i, i * i, -1));
        knots.append(i);
    }
    KFnNurbsCurve fn;
    KStatus status;
    const KObject made =
        fn.create(points, knots, 1, KFnNurbsCurve::kOpen, false, false, KObject::kNullObj, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(scene::nodeName(made), "curve1");
    EXPECT_EQ(fn.numCVs(), 4);
    EXPECT_EQ(fn.numSpans(), 3);
    KPoint p;
    ASSERT_TRUE(fn.getPointAtParam(2.5, p));
    EXPECT_DOUBLE_EQ(p.x, 2.5);
    EXPECT_DOUBLE_EQ(p.y, 6.5);
    // World space follows the transform.
    run("move 10 0 0 curve1");
    ASSERT_TRUE(fn.getPointAtParam(1.0, p, KSpace::kWorld));
    EXPECT_DOUBLE_EQ(p.x, 11.0);

    run("closeCurve -ch 0 -ps 1 -rpo 1 -bb 0.5 -bki 0 -p 0.1 curve1");
    EXPECT_EQ(fn.form(), KFnNurbsCurve::kClosed);
    double start = 0, end = 0;
    fn.getKnotDomain(start, end);
    EXPECT_EQ(end, 4.0);
    ASSERT_TRUE(fn.getPointAtParam(3.5, p));
    EXPECT_DOUBLE_EQ(p.x, 1.5);
    EXPECT_DOUBLE_EQ(p.y, 4.5);
    undo();  // the close
    EXPECT_EQ(fn.form(), KFnNurbsCurve::kOpen);
    redo();
    EXPECT_EQ(fn.form(), KFnNurbsCurve::kClosed);

    run("delete curve1");
    EXPECT_TRUE(scene::findNode("curve1").isNull());
    EXPECT_TRUE(scene::findNode("curveShape1").isNull());

    // Bad input is refused without a node.
    KDoubleArray shortKnots;
    shortKnots.append(0);
    fn.create(points, shortKnots, 1, KFnNurbsCurve::kOpen, false, false, KObject::kNullObj,
              &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
    EXPECT_TRUE(scene::findNode("curve2").isNull());
}

TEST_F(CurveNodeTest, CurveCommandSurvivesUndoAndRedoOfItsCreation) {
    EXPECT_EQ(run("curve -d 1 -p 0 0 0 -p 1 0 0 -p 1 1 0").asString(), "curve1");
    undo();
    EXPECT_TRUE(scene::findNode("curve1").isNull());
    redo();
    KFnNurbsCurve fn(scene::findNode("curve1"));
    EXPECT_EQ(fn.numCVs(), 3);
    KPoint p;
    fn.getPointAtParam(1.5, p);
    EXPECT_DOUBLE_EQ(p.y, 0.5);
    EXPECT_NE(runFailing("curve -d 3 -p 0 0 0 -p 1 0 0").find("at least"), std::string::npos);
    EXPECT_NE(runFailing("closeCurve box").find("not a curve"), std::string::npos);
}

}  // namespace
}  // namespace tarn::nurbs
