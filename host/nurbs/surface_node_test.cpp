// Surface shapes: the primitive commands with undo, KFnNurbsSurface on shapes and on data,
// surface data flowing from `worldSpace` to another node's input (and following a move),
// describeScene and the OBJ export of surfaces.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "frame/k_data.h"
#include "frame/k_nurbs.h"
#include "host/dg/graph.h"
#include "host/nurbs/surface_node.h"
#include "host/nurbs/surface_primitives.h"
#include "host/scene/dag.h"
#include "host/scene/scene_test_support.h"
#include "host/view/view_scene.h"

namespace tarn::nurbs {
namespace {

class SurfaceNodeTest : public scene::testing::SceneTest {
protected:
    KPoint pointAt(const std::string& node, double u, double v, KSpace space = KSpace::kObject) {
        KFnNurbsSurface fn(scene::findNode(node));
        KPoint p;
        EXPECT_TRUE(fn.getPointAtParam(u, v, p, space)) << node;
        return p;
    }
};

TEST_F(SurfaceNodeTest, PrimitiveCommandsMakeSurfacesAndUndo) {
    struct Case {
        const char* script;
        std::vector<std::string> names;
        int patchesU, patchesV, degree;
        double uEnd, vEnd;
    };
    const Case cases[] = {
        {"nurbsPlane", {"nurbsPlane1", "nurbsPlaneShape1"}, 1, 1, 3, 1, 1},
        {"nurbsPlane -d 1 -u 4 -v 2 -w 4 -lr 0.5 -n pl -ch 0", {"pl", "plShape"}, 4, 2, 1, 4, 2},
        {"nurbsSphere -r 2 -s 6 -nsp 3", {"nurbsSphere1", "nurbsSphereShape1"}, 6, 3, 3, 6, 3},
        {"nurbsCylinder -degree 2 -patchesU 5 -patchesV 2 -hr 3",
         {"nurbsCylinder1", "nurbsCylinderShape1"},
         5,
         2,
         2,
         5,
         2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(strings(c.script), c.names) << c.script;
        KStatus status;
        KFnNurbsSurface fn(scene::findNode(c.names[0]), &status);
        ASSERT_TRUE(status) << c.script;
        EXPECT_EQ(fn.numPatchesInU(), c.patchesU) << c.script;
        EXPECT_EQ(fn.numPatchesInV(), c.patchesV) << c.script;
        EXPECT_EQ(fn.numPatches(), c.patchesU * c.patchesV) << c.script;
        EXPECT_EQ(fn.degreeU(), c.degree) << c.script;
        EXPECT_EQ(fn.numCVsInU(), c.patchesU + c.degree) << c.script;
        EXPECT_EQ(fn.numKnotsInV(), c.patchesV + 2 * c.degree - 1) << c.script;
        double u0, u1, v0, v1;
        ASSERT_TRUE(fn.getKnotDomain(u0, u1, v0, v1));
        EXPECT_EQ(u0, 0.0);
        EXPECT_EQ(u1, c.uEnd);
        EXPECT_EQ(v0, 0.0);
        EXPECT_EQ(v1, c.vEnd);
        EXPECT_EQ(strings("ls -sl"), std::vector<std::string>{c.names[0]}) << c.script;

        undo();
        EXPECT_TRUE(scene::findNode(c.names[0]).isNull()) << c.script;
        EXPECT_TRUE(scene::findNode(c.names[1]).isNull()) << c.script;
        redo();
        KFnNurbsSurface again(scene::findNode(c.names[1]), &status);
        ASSERT_TRUE(status) << c.script;
        EXPECT_EQ(again.numPatchesInU(), c.patchesU) << c.script << " after redo";
    }
    // The plane is flat and linear: w 4 along x, 4 * 0.5 along -z, knots 0..patches.
    const KPoint corner = pointAt("pl", 0, 0), inner = pointAt("pl", 3, 0.5);
    EXPECT_DOUBLE_EQ(corner.x, -2);
    EXPECT_DOUBLE_EQ(corner.z, 1);
    EXPECT_DOUBLE_EQ(inner.x, 1);
    EXPECT_DOUBLE_EQ(inner.z, 0.5);
    EXPECT_DOUBLE_EQ(inner.y, 0);

    // Refused values make nothing.
    const struct {
        const char* script;
        const char* message;
    } refused[] = {
        {"nurbsPlane -d 0", "-degree must be 1 to 7"},
        {"nurbsPlane -d 8", "-degree must be 1 to 7"},
        {"nurbsSphere -u 0", "patch counts"},
        {"nurbsCylinder -v 257", "patch counts"},
        {"nurbsPlane -w -1", "-width must be greater than 0"},
        {"nurbsSphere -r 0", "-radius must be greater than 0"},
        {"nurbsPlane -ax 0 0 0", "-axis must be a non-zero vector"},
    };
    const size_t before = scene::allDagNodes().size();
    for (const auto& r : refused)
        EXPECT_NE(runFailing(r.script).find(r.message), std::string::npos) << r.script;
    EXPECT_EQ(scene::allDagNodes().size(), before);
}

TEST_F(SurfaceNodeTest, FunctionSetEvaluatesInObjectAndWorldSpace) {
    run("nurbsSphere -r 2 -ax 0 0 1 -p 0 0 1 -n ball");
    run("move 10 0 0 ball");
    KFnNurbsSurface fn(scene::findNode("ball"));
    // The poles lie on the axis through the pivot, in object space; world adds the move.
    const KPoint pole = pointAt("ballShape", 0.3, 4),
                 worldPole = pointAt("ball", 0.3, 4, KSpace::kWorld);
    EXPECT_NEAR(pole.z, 3, 1e-9);
    EXPECT_NEAR(pole.x, 0, 1e-9);
    EXPECT_NEAR(worldPole.x, 10, 1e-9);
    EXPECT_NEAR(worldPole.z, 3, 1e-9);
    KPoint p;
    KVector du, dv;
    ASSERT_TRUE(fn.getDerivativesAtParm(1.2, 2.1, p, du, dv));
    const KVector n = fn.normal(1.2, 2.1);
    EXPECT_NEAR(n.x * du.x + n.y * du.y + n.z * du.z, 0.0, 1e-9);
    EXPECT_GT(n.x * p.x + n.y * p.y + n.z * (p.z - 1), 0.0);  // outward
    EXPECT_FALSE(fn.isFoldedOnBispan());

    // Closest points: a world point gives the world nearest; its parameters name it.
    double u = -1, v = -1;
    KStatus status;
    const KPoint q = fn.closestPoint(KPoint(10, 0, 9), &u, &v, true, 1e-4, KSpace::kWorld, &status);
    ASSERT_TRUE(status);
    // Note: the cubic sphere is within 0.5% of round, so the nearest point is near the pole.
    EXPECT_NEAR(q.x, 10, 1e-2);
    EXPECT_NEAR(q.z, 3, 1e-2);
    EXPECT_NEAR(v, 4, 1e-2);
    const KPoint local = fn.closestPoint(KPoint(0, 0, 9), nullptr, nullptr, true, 1e-4);
    EXPECT_NEAR(local.z, 3, 1e-2);
    EXPECT_NEAR(local.x, q.x - 10, 1e-5);  // object space is world space moved back
    fn.closestPoint(KPoint(NAN, 0, 0), &u, &v, true, 1e-4, KSpace::kObject, &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);

    // setCVs moves the shape and undoes.
    KPointArray cvs;
    ASSERT_TRUE(fn.getCVs(cvs));
    for (unsigned i = 0; i < cvs.length(); ++i) cvs[i].y += 5;
    {
        undo::undoQueue().openChunk("test");  // the SDK records into an open chunk
        ASSERT_TRUE(fn.setCVs(cvs));
        undo::undoQueue().closeChunk();
    }
    EXPECT_NEAR(pointAt("ball", 0.3, 4).y, 5, 1e-9);
    undo();
    EXPECT_NEAR(pointAt("ball", 0.3, 4).y, 0, 1e-9);

    // A function set on anything but a surface refuses.
    run("polyCube -n box");
    KFnNurbsSurface none(scene::findNode("box"), &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
    EXPECT_EQ(none.numPatchesInU(&status), 0);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
}

TEST_F(SurfaceNodeTest, CreateMakesShapesAndFillsData) {
    // A bilinear 2 x 3 grid, rational points as (x w, y w, z w, w).
    KPointArray cvs;
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 3; ++j) cvs.append(KPoint(2.0 * i, 2.0 * j, 0.0, 2.0));
    KDoubleArray ku, kv;
    for (double k : {0.0, 1.0}) ku.append(k);
    for (double k : {0.0, 1.0, 2.0}) kv.append(k);
    KFnNurbsSurface fn;
    KStatus status;
    const KObject made = fn.create(cvs, ku, kv, 1, 1, KFnNurbsSurface::kOpen,
                                   KFnNurbsSurface::kOpen, true, KObject::kNullObj, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(scene::nodeName(made), "nurbsSurface1");
    KPoint p;
    ASSERT_TRUE(fn.getPointAtParam(0.5, 1.5, p));
    EXPECT_DOUBLE_EQ(p.x, 0.5);
    EXPECT_DOUBLE_EQ(p.y, 1.5);
    EXPECT_EQ(fn.numPatchesInV(), 2);

    // Under an existing transform only the shape is made.
    const KObject shape = fn.create(cvs, ku, kv, 1, 1, KFnNurbsSurface::kOpen,
                                    KFnNurbsSurface::kOpen, true, made, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(scene::parentOf(shape), made);

    // Into surface data: nothing enters the DAG.
    const size_t dagSize = scene::allDagNodes().size();
    const KObject data = KFnNurbsSurfaceData().create(&status);
    ASSERT_TRUE(status);
    KFnNurbsSurface onData(data, &status);
    EXPECT_EQ(onData.numCVsInU(&status), 0);
    EXPECT_EQ(status, KStatus::kInvalidParameter);  // empty data
    EXPECT_EQ(onData.create(cvs, ku, kv, 1, 1, KFnNurbsSurface::kOpen, KFnNurbsSurface::kOpen, true,
                            data, &status),
              data);
    ASSERT_TRUE(status);
    EXPECT_EQ(onData.numCVsInV(), 3);
    EXPECT_EQ(scene::allDagNodes().size(), dagSize);

    EXPECT_FALSE(onData.isFoldedOnBispan());
    // A bicubic patch whose u profile turns back (a U) folds: its normal reverses in the patch.
    KPointArray folded;
    const double profile[4][2] = {{0, 0}, {3, 0}, {3, 1}, {0, 1}};  // x, z
    for (const auto& q : profile)
        for (int j = 0; j < 4; ++j) folded.append(KPoint(q[0], j, q[1]));
    KDoubleArray bezier;
    for (double k : {0.0, 0.0, 0.0, 1.0, 1.0, 1.0}) bezier.append(k);
    const KObject u = KFnNurbsSurfaceData().create();
    KFnNurbsSurface onU;
    onU.create(folded, bezier, bezier, 3, 3, KFnNurbsSurface::kOpen, KFnNurbsSurface::kOpen, false,
               u, &status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(onU.isFoldedOnBispan());

    // Counts and knots that do not make a surface are refused with nothing made.
    kv.append(3.0);
    fn.create(cvs, ku, kv, 1, 1, KFnNurbsSurface::kOpen, KFnNurbsSurface::kOpen, true,
              KObject::kNullObj, &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
    fn.create(cvs, ku, ku, 9, 1, KFnNurbsSurface::kOpen, KFnNurbsSurface::kOpen, false,
              KObject::kNullObj, &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
    EXPECT_EQ(scene::allDagNodes().size(), dagSize);
}

TEST_F(SurfaceNodeTest, WorldSpaceDataFlowsToInputsAndFollowsMoves) {
    run("nurbsPlane -u 2 -v 2 -w 2 -n src");
    run("nurbsPlane -n dst");
    // dst's create input takes src's world-space surface.
    run("connectAttr srcShape.worldSpace[0] dstShape.create");
    EXPECT_EQ(KFnNurbsSurface(scene::findNode("dst")).numPatchesInU(), 2);
    EXPECT_NEAR(pointAt("dst", 0, 0).x, -1, 1e-12);
    // Moving the source's transform dirties its world-space output and what reads it.
    run("move 0 3 0 src");
    EXPECT_NEAR(pointAt("dst", 0, 0).y, 3, 1e-12);
    undo();
    EXPECT_NEAR(pointAt("dst", 0, 0).y, 0, 1e-12);
    // So does putting it under a moved transform, and taking it back out.
    run("createNode transform -n holder; move 0 5 0 holder");
    run("parent src holder");
    EXPECT_NEAR(pointAt("dst", 0, 0).y, 5, 1e-12);
    undo();
    EXPECT_NEAR(pointAt("dst", 0, 0).y, 0, 1e-12);

    // The data read from the plug is surface data a function set attaches to.
    Graph& graph = Graph::instance();
    std::string error;
    KStatus status;
    const KDataHandle h = graph.readHandle(graph.parsePlug("srcShape.local", &error), &status);
    ASSERT_TRUE(status);
    ASSERT_EQ(h.asNurbsSurface().apiType(), KFn::kNurbsSurfaceData);
    KFnNurbsSurface onData(h.asNurbsSurface(), &status);
    ASSERT_TRUE(status);
    double u, v;
    onData.closestPoint(KPoint(0.5, 1, -0.5), &u, &v);
    EXPECT_NEAR(u, 1.5, 1e-3);
    EXPECT_NEAR(v, 1.5, 1e-3);

    // Outputs refuse writes and a mesh output does not connect to a surface input.
    EXPECT_FALSE(runFailing("setAttr srcShape.local 1").empty());
    run("polyPlane -n mesh");
    EXPECT_FALSE(runFailing("connectAttr srcShape.local meshShape.pnts[0]").empty());
}

TEST_F(SurfaceNodeTest, SurfacesAppearInTheViewDescribeSceneAndObjExport) {
    run("nurbsCylinder -u 6 -v 2 -r 1 -hr 2 -n can");
    // The view draws 8 x 8 quads a patch, two triangles each, in world space; hidden: nothing.
    run("move 5 0 0 can");
    const view::ViewScene drawn = view::gatherScene(false, false);
    EXPECT_EQ(drawn.triangles.size(), 6u * 2 * 64 * 2);
    EXPECT_NEAR(drawn.bounds.min.x, 4, 1e-2);
    EXPECT_NEAR(drawn.bounds.max.x, 6, 1e-2);
    run("hide can");
    EXPECT_TRUE(view::gatherScene(false, false).triangles.empty());
    run("showHidden can");
    // Many patches get fewer quads each: at most 512 a side.
    const PolyMesh big = tessellatedMesh(makePlaneSurface(1, 1, 1, 256, 1, PrimitiveFrame{}), 8);
    EXPECT_EQ(big.numFaces(), 512 * 2);
    ASSERT_NE(big.uvSet("map1"), nullptr);
    const nlohmann::json scene = nlohmann::json::parse(run("describeScene -json").asString());
    const nlohmann::json* shape = nullptr;
    for (const auto& n : scene["dag"])
        if (n["name"] == "canShape") shape = &n;
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ((*shape)["type"], "nurbsSurface");
    const nlohmann::json& s = (*shape)["surface"];
    EXPECT_EQ(s["patches"], nlohmann::json::array({6, 2}));
    EXPECT_EQ(s["degree"], nlohmann::json::array({3, 3}));
    EXPECT_EQ(s["form"][0], "closed");
    EXPECT_NEAR(s["boundingBox"][1][1].get<double>(), 1.0, 1e-9);

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarn_nurbs_obj";
    std::filesystem::create_directories(dir);
    const std::string plain = (dir / "plain.obj").string(), with = (dir / "with.obj").string();
    run("exportObj \"" + plain + "\"");
    run("exportObj -nurbs \"" + with + "\"");
    const auto count = [](const std::string& path, const std::string& prefix) {
        std::ifstream in(path);
        int n = 0;
        for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0;
        return n;
    };
    EXPECT_EQ(count(plain, "v "), 0);
    // 8 quads a span each way: (6 * 8 + 1) x (2 * 8 + 1) points, 48 x 16 faces.
    EXPECT_EQ(count(with, "v "), 49 * 17);
    EXPECT_EQ(count(with, "f "), 48 * 16);
    EXPECT_EQ(count(with, "o can"), 1);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarn::nurbs
