// Command edge cases: polyEvaluate over components, polySoftEdge by angle, exportObj failures,
// xform in world space.

#include "host/scene/scene_test_support.h"

#include <filesystem>
#include <fstream>

#include "frame/k_mesh.h"
#include "host/lang/command_registry.h"
#include "host/scene/dag.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Strings = std::vector<std::string>;
using Ints = std::vector<std::int64_t>;

TEST_F(SceneTest, PolyEvaluateCountsMeshesAndComponentLists) {
    run("polyCube -sx 2");
    run("polyPlane -sx 3 -sy 2");
    struct Case {
        const char* command;
        Ints expected;
    } cases[] = {
        {"polyEvaluate pCube1", {12, 20, 10, 19}},  // 15 UVs on the strip, 2 on each side
        {"polyEvaluate -v -f pPlane1", {12, 6}},
        {"polyEvaluate -t pCube1", {20}},
        {"polyEvaluate -f pCube1.f[0:3] pPlane1.f[5]", {5}},
        {"polyEvaluate -e pCube1.e[2:4]", {3}},
        {"polyEvaluate -v pCube1.f[0]", {0}},  // a face list holds no vertices
        {"polyEvaluate -uv pPlane1.map[0:2]", {3}},
        {"polyEvaluate -v pCube1 pPlane1", {24}},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.command).asIntArray(), c.expected) << c.command;
    // The box of a face list covers only those faces' vertices, in world space.
    run("move 0 0 10 pPlane1");
    EXPECT_EQ(run("polyEvaluate -bb pPlane1.f[0]").asFloatArray(),
              (std::vector<double>{-0.5, -0.5 + 1.0 / 3.0, 0, 0, 10, 10.5}));
    EXPECT_NE(runFailing("polyEvaluate lambert1").find("needs a mesh"), std::string::npos);
    run("select -cl");
    EXPECT_NE(runFailing("polyEvaluate").find("needs a mesh"), std::string::npos);
}

TEST_F(SceneTest, PolySoftEdgeByAngleAndUndo) {
    run("polyCylinder -sx 8 -sy 1 -sc 0");
    KFnMesh fn(findNode("pCylinder1"));
    auto softCount = [&] {
        int soft = 0;
        for (int e = 0; e < fn.numEdges(); ++e) soft += fn.isEdgeSmooth(e) ? 1 : 0;
        return soft;
    };
    // Sides meet at 45 degrees, the caps meet the sides at 90.
    EXPECT_EQ(softCount(), 8);
    run("polySoftEdge -a 30 pCylinder1");
    EXPECT_EQ(softCount(), 0);
    run("polySoftEdge -a 60 pCylinder1");
    EXPECT_EQ(softCount(), 8);
    run("polySoftEdge -a 180 -ch 1 pCylinder1.f[0]");
    EXPECT_EQ(softCount(), 10) << "face 0's two cap edges become soft too";
    undo();
    EXPECT_EQ(softCount(), 8);
    undo();
    EXPECT_EQ(softCount(), 0);
    EXPECT_NE(runFailing("polySoftEdge -a 10 pCylinder1.vtx[0]").find("meshes, edges and faces"),
              std::string::npos);
    // Normals follow: a soft side edge shares its normal across the two side faces.
    run("polySoftEdge -a 180 pCylinder1");
    KVector a, b;
    KIntArray verts;
    fn.getPolygonVertices(0, verts);
    fn.getFaceVertexNormal(0, verts[1], a);
    fn.getFaceVertexNormal(1, verts[1], b);
    EXPECT_TRUE(a.isEquivalent(b, 1e-12));
}

TEST_F(SceneTest, ExportObjFailsCleanlyAndSkipsHiddenMeshes) {
    run("polyCube");
    run("polyPlane");
    const auto dir = std::filesystem::temp_directory_path() / "tarn_export_obj_test";
    std::filesystem::remove_all(dir);
    EXPECT_NE(runFailing("exportObj \"" + (dir / "missing" / "a.obj").string() + "\"")
                  .find("cannot write"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir));
    std::filesystem::create_directories(dir);
    run("hide pPlane1");
    const std::string path = (dir / "only.obj").string();
    run("exportObj \"" + path + "\"");
    ASSERT_TRUE(std::filesystem::exists(path));
    ASSERT_TRUE(std::filesystem::exists(dir / "only.mtl"));
    std::ifstream in(path);
    int objects = 0;
    for (std::string line; std::getline(in, line);) objects += line.rfind("o ", 0) == 0 ? 1 : 0;
    EXPECT_EQ(objects, 1);
    EXPECT_NE(runFailing("exportObj \"" + path + "\" noSuchMesh").find("No object matches name"),
              std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST_F(SceneTest, XformInWorldSpaceUnderAMovedParent) {
    run("polyCube");
    run("polyCube");
    run("move 10 0 0 pCube1");
    run("scale 2 2 2 pCube1");
    run("parent pCube2 pCube1");
    run("xform -ws -t 12 0 0 pCube2");
    EXPECT_EQ(run("xform -q -t pCube2").asFloatArray(), (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(run("xform -q -ws -t pCube2").asFloatArray(), (std::vector<double>{12, 0, 0}));
    run("xform -r -t 1 0 0 pCube2");
    EXPECT_EQ(run("xform -q -t pCube2").asFloatArray(), (std::vector<double>{2, 0, 0}));
    const std::vector<double> m = run("xform -q -ws -m pCube2").asFloatArray();
    ASSERT_EQ(m.size(), 16u);
    EXPECT_EQ(m[0], 2.0);
    EXPECT_EQ(m[12], 14.0);
    EXPECT_EQ(strings("listRelatives -s pCube2"), (Strings{"pCubeShape2"}));
    EXPECT_EQ(strings("listRelatives -f -p pCubeShape2"), (Strings{"|pCube1|pCube2"}));
    EXPECT_NE(runFailing("parent -w pCubeShape2").find("cannot be placed under the world"),
              std::string::npos);
}

TEST_F(SceneTest, MoveComponentsRelativeAndAbsolute) {
    run("polyCube");
    run("move 5 0 0 pCube1");
    run("select -r pCube1.vtx[0] pCube1.vtx[1]");
    run("move -r -os 0 1 0");
    KFnMesh fn(findNode("pCube1"));
    KPoint p;
    fn.getPoint(0, p);
    EXPECT_DOUBLE_EQ(p.y, 0.5);
    run("move -a -ws 5 2 0 pCube1.vtx[2]");
    fn.getPoint(2, p);
    EXPECT_TRUE(p.isEquivalent(KPoint(0, 2, 0))) << "world (5, 2, 0) is object (0, 2, 0)";
    undo();
    undo();
    fn.getPoint(0, p);
    EXPECT_DOUBLE_EQ(p.y, -0.5);
    EXPECT_NE(runFailing("rotate 0 10 0 pCube1.vtx[0]").find("Only move works on components"),
              std::string::npos);
}

}  // namespace
}  // namespace tarn::scene

namespace tarn::scene {
namespace {

// The graph's own commands on scene nodes: tweaks, backface culling, locks and connections.
TEST_F(SceneTest, GraphCommandsWorkOnSceneNodes) {
    if (!lang::commandRegistry().find("setAttr"))
        GTEST_SKIP() << "the graph's commands are not built";
    run("polyCube");
    run("setAttr pCubeShape1.pt[3] 0 1 0");
    EXPECT_EQ(run("polyEvaluate -bb pCube1").asFloatArray()[3], 1.5);
    undo();
    EXPECT_EQ(run("polyEvaluate -bb pCube1").asFloatArray()[3], 0.5);
    run("setAttr pCubeShape1.bck 3");
    EXPECT_EQ(integer("getAttr pCubeShape1.bck"), 3);
    run("setAttr -lock 1 pCube1.translate");
    EXPECT_FALSE(runFailing("move 1 1 1 pCube1").empty());
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{0, 0, 0}));
    run("setAttr -lock 0 pCube1.translate");
    run("setAttr pCube1.translateY 4");
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{0, 4, 0}));
    const std::string file = run("shadingNode -asTexture file").asString();
    run("connectAttr " + file + ".outColor lambert1.color");
    EXPECT_NE(run("describeScene").asString().find("file1.outColor -> lambert1.color"),
              std::string::npos);
}

}  // namespace
}  // namespace tarn::scene
