// Curve data: KFnNurbsCurve filling and reading curve data (rational included), curve shapes
// handing their curve on through `local` / `worldSpace[0]` to another shape's `create` (and
// following moves, reparenting, edits and undo), and data handles and plugs holding it.

#include <gtest/gtest.h>

#include <cmath>

#include <nlohmann/json.hpp>

#include "frame/k_data.h"
#include "frame/k_nurbs.h"
#include "frame/k_plug.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/scene_test_support.h"

namespace tarn::nurbs {
namespace {

class CurveDataTest : public scene::testing::SceneTest {
protected:
    KPoint pointAt(const std::string& node, double t, KSpace space = KSpace::kObject) {
        KFnNurbsCurve fn(scene::findNode(node));
        KPoint p;
        EXPECT_TRUE(fn.getPointAtParam(t, p, space)) << node;
        return p;
    }
    KObject plugData(const std::string& plug) {
        Graph& graph = Graph::instance();
        std::string error;
        KStatus status;
        const KDataHandle h = graph.readHandle(graph.parsePlug(plug, &error), &status);
        EXPECT_TRUE(status) << plug << " " << error;
        return h.asNurbsCurve();
    }
};

TEST_F(CurveDataTest, DataIsFilledAndReadBackWithoutEnteringTheDag) {
    const double h = std::sqrt(0.5);
    struct Case {
        const char* what;
        std::vector<KPoint> cvs;  // homogeneous when rational
        std::vector<double> knots;
        unsigned degree;
        bool rational;
        double param;
        KPoint expected;
    };
    const Case cases[] = {
        {"stroke", {{0, 0, 0}, {2, 0, 0}, {2, 3, 0}}, {0, 1, 2}, 1, false, 1.5, {2, 1.5, 0}},
        {"quadratic Bezier",
         {{0, 0, 0}, {1, 2, 0}, {2, 0, 0}},
         {0, 0, 1, 1},
         2,
         false,
         0.5,
         {1, 1, 0}},
        // A quarter of the unit circle: the middle CV weighs sqrt(1/2).
        {"rational arc",
         {{1, 0, 0}, {h, h, 0, h}, {0, 1, 0}},
         {0, 0, 1, 1},
         2,
         true,
         0.5,
         {h, h, 0}},
    };
    const size_t dagSize = scene::allDagNodes().size();
    for (const Case& c : cases) {
        KStatus status;
        const KObject data = KFnNurbsCurveData().create(&status);
        ASSERT_TRUE(status) << c.what;
        KFnNurbsCurve fn(data, &status);
        ASSERT_TRUE(status) << c.what;
        EXPECT_EQ(fn.numCVs(&status), 0) << c.what;
        EXPECT_EQ(status, KStatus::kInvalidParameter) << c.what;  // empty data

        KPointArray cvs;
        for (const KPoint& p : c.cvs) cvs.append(p);
        KDoubleArray knots;
        for (double k : c.knots) knots.append(k);
        EXPECT_EQ(
            fn.create(cvs, knots, c.degree, KFnNurbsCurve::kOpen, false, c.rational, data, &status),
            data)
            << c.what;
        ASSERT_TRUE(status) << c.what;
        EXPECT_EQ(fn.degree(), static_cast<int>(c.degree)) << c.what;
        EXPECT_EQ(fn.numCVs(), 3) << c.what;
        KDoubleArray gotKnots;
        ASSERT_TRUE(fn.getKnots(gotKnots));
        EXPECT_EQ(gotKnots.length(), knots.length()) << c.what;

        // CVs come back Euclidean with the weight in w, the same in either space.
        KPointArray got, world;
        ASSERT_TRUE(fn.getCVs(got));
        ASSERT_TRUE(fn.getCVs(world, KSpace::kWorld));
        ASSERT_EQ(got.length(), 3u);
        for (unsigned i = 0; i < 3; ++i) {
            const double w = c.rational ? c.cvs[i].w : 1.0;
            EXPECT_NEAR(got[i].x, c.cvs[i].x / w, 1e-12) << c.what;
            EXPECT_NEAR(got[i].y, c.cvs[i].y / w, 1e-12) << c.what;
            EXPECT_NEAR(got[i].w, w, 1e-12) << c.what;
            EXPECT_NEAR(world[i].x, got[i].x, 1e-12) << c.what;
        }
        KPoint p;
        ASSERT_TRUE(fn.getPointAtParam(c.param, p, KSpace::kWorld));
        EXPECT_NEAR(p.x, c.expected.x, 1e-12) << c.what;
        EXPECT_NEAR(p.y, c.expected.y, 1e-12) << c.what;
    }
    EXPECT_EQ(scene::allDagNodes().size(), dagSize);
}

TEST_F(CurveDataTest, RefusedInputLeavesDataAndDagAlone) {
    KPointArray cvs;
    for (int i = 0; i < 3; ++i) cvs.append(KPoint(i, 0, 0));
    KDoubleArray knots;
    for (double k : {0.0, 1.0, 2.0}) knots.append(k);
    const KObject data = KFnNurbsCurveData().create();
    KFnNurbsCurve fn;
    KStatus status;
    ASSERT_EQ(fn.create(cvs, knots, 1, KFnNurbsCurve::kOpen, false, false, data, &status), data);

    // Bad knots into filled data keep its curve.
    KDoubleArray bad;
    for (double k : {2.0, 1.0, 0.0}) bad.append(k);
    fn.create(cvs, bad, 1, KFnNurbsCurve::kOpen, false, false, data, &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
    KFnNurbsCurve onData(data);
    EXPECT_EQ(onData.numCVs(), 3);
    // Owners that are neither a transform nor curve data are refused with nothing made.
    const KObject surfaceData = KFnNurbsSurfaceData().create();
    run("polyPlane -n mesh");
    for (const KObject& owner : {surfaceData, scene::findNode("meshShape")}) {
        const size_t before = scene::allDagNodes().size();
        fn.create(cvs, knots, 1, KFnNurbsCurve::kOpen, false, false, owner, &status);
        EXPECT_EQ(status, KStatus::kInvalidParameter);
        EXPECT_EQ(scene::allDagNodes().size(), before);
    }
    KFnNurbsSurface(surfaceData).degreeU(&status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);  // the surface data stays empty
    // A function set refuses other kinds of object.
    KFnNurbsCurve none(surfaceData, &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
}

TEST_F(CurveDataTest, WorldSpaceFlowsToAnotherShapeAndFollowsMovesEditsAndUndo) {
    run("curve -d 1 -p 0 0 0 -p 1 0 0 -p 1 1 0");  // curve1: the source
    run("curve -d 1 -p 5 5 5 -p 6 5 5");           // curve2: shows curve1 once connected
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve2")).numCVs(), 2);
    run("connectAttr curveShape1.worldSpace[0] curveShape2.create");
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve2")).numCVs(), 3);
    EXPECT_NEAR(pointAt("curve2", 1.5).y, 0.5, 1e-12);

    // Moving the source's transform reaches the reader; undo takes it back.
    run("move 0 3 0 curve1");
    EXPECT_NEAR(pointAt("curve2", 1.5).y, 3.5, 1e-12);
    undo();
    EXPECT_NEAR(pointAt("curve2", 1.5).y, 0.5, 1e-12);
    redo();
    EXPECT_NEAR(pointAt("curve2", 1.5).y, 3.5, 1e-12);
    undo();
    // So does putting it under a moved transform, and taking it back out.
    run("createNode transform -n holder; move 0 5 0 holder");
    run("parent curve1 holder");
    EXPECT_NEAR(pointAt("curve2", 0).y, 5, 1e-12);
    undo();
    EXPECT_NEAR(pointAt("curve2", 0).y, 0, 1e-12);

    // An edit of the source flows too.
    run("closeCurve -ch 0 -ps 1 -rpo 1 curve1");
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve2")).numCVs(), 4);
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve2")).form(), KFnNurbsCurve::kClosed);
    undo();
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve2")).numCVs(), 3);

    // The reader's own transform places what it shows; its object space is the input.
    run("move 10 0 0 curve2");
    EXPECT_NEAR(pointAt("curve2", 0).x, 0, 1e-12);
    EXPECT_NEAR(pointAt("curve2", 0, KSpace::kWorld).x, 10, 1e-12);
    // The reader's own world output carries both transforms.
    KFnNurbsCurve chained(plugData("curveShape2.worldSpace[0]"));
    KPoint p;
    ASSERT_TRUE(chained.getPointAtParam(1.5, p));
    EXPECT_NEAR(p.x, 11, 1e-12);
    EXPECT_NEAR(p.y, 0.5, 1e-12);

    // Disconnected, the reader shows its own curve again.
    run("disconnectAttr curveShape1.worldSpace[0] curveShape2.create");
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve2")).numCVs(), 2);
    EXPECT_NEAR(pointAt("curve2", 0).x, 5, 1e-12);
}

TEST_F(CurveDataTest, PlugsAndHandlesHoldCurveData) {
    run("curve -d 1 -p 0 0 0 -p 2 0 0 -p 2 2 0");
    run("move 0 0 7 curve1");
    // local is object space, worldSpace[0] has the transform applied.
    struct Case {
        const char* plug;
        double z;
    };
    for (const Case& c : {Case{"curveShape1.local", 0}, Case{"curveShape1.worldSpace[0]", 7}}) {
        const KObject data = plugData(c.plug);
        ASSERT_EQ(data.apiType(), KFn::kNurbsCurveData) << c.plug;
        KFnNurbsCurve fn(data);
        KPoint p;
        ASSERT_TRUE(fn.getPointAtParam(2, p)) << c.plug;
        EXPECT_NEAR(p.x, 2, 1e-12) << c.plug;
        EXPECT_NEAR(p.z, c.z, 1e-12) << c.plug;
    }

    // Data written through a handle is what the plug answers.
    KPointArray cvs;
    KDoubleArray knots;
    for (int i = 0; i < 4; ++i) {
        cvs.append(KPoint(i, 1, 0));
        knots.append(i);
    }
    const KObject data = KFnNurbsCurveData().create();
    KFnNurbsCurve().create(cvs, knots, 1, KFnNurbsCurve::kOpen, false, false, data);
    Graph& graph = Graph::instance();
    std::string error;
    const KPlug create = graph.parsePlug("curveShape1.create", &error);
    KStatus status;
    KDataHandle h = graph.writeHandle(create, &status);
    ASSERT_TRUE(status);
    ASSERT_TRUE(h.set(data));
    graph.valueChanged(create);
    EXPECT_EQ(plugData("curveShape1.create"), data);
    // An unconnected create input does not replace the shape's own curve.
    EXPECT_EQ(KFnNurbsCurve(scene::findNode("curve1")).numCVs(), 3);

    // Outputs refuse writes; a surface does not feed a curve input.
    EXPECT_FALSE(runFailing("setAttr curveShape1.local 1").empty());
    run("nurbsPlane -n pl");
    EXPECT_FALSE(runFailing("connectAttr plShape.worldSpace[0] curveShape1.create").empty());
    EXPECT_FALSE(runFailing("connectAttr curveShape1.worldSpace[0] plShape.create").empty());
}

TEST_F(CurveDataTest, DescribeSceneListsCurvesAsBefore) {
    run("curve -d 1 -p 0 0 0 -p 1 0 0");
    run("curve -d 1 -p 0 0 0 -p 0 1 0");
    run("connectAttr curveShape1.worldSpace[0] curveShape2.create");
    const nlohmann::json scene = nlohmann::json::parse(run("describeScene -json").asString());
    int curves = 0;
    for (const auto& n : scene["dag"])
        if (n["type"] == "nurbsCurve") {
            ++curves;
            EXPECT_FALSE(n.contains("surface")) << n.dump();
            EXPECT_FALSE(n.contains("mesh")) << n.dump();
        }
    EXPECT_EQ(curves, 2);
}

}  // namespace
}  // namespace tarn::nurbs
