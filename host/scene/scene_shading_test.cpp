// Shading nodes, shading groups, face assignment and defaultNavigation.

#include "host/scene/scene_test_support.h"

#include "frame/k_shading.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/shading/shading_nodes.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Strings = std::vector<std::string>;

// The group name of each face of a mesh shape ("" where none).
Strings groupsOf(const char* mesh) {
    Strings out;
    for (const KObject& g : shading::faceGroups(findNode(mesh)))
        out.push_back(g.isNull() ? std::string() : nodeName(g));
    return out;
}

TEST_F(SceneTest, ShadingNodesAndGroupsByName) {
    EXPECT_EQ(run("shadingNode -asShader phong").asString(), "phong1");
    EXPECT_EQ(run("shadingNode -asTexture file").asString(), "file1");
    EXPECT_EQ(run("shadingNode -asUtility place2dTexture").asString(), "place2dTexture1");
    EXPECT_EQ(run("sets -renderable true -noSurfaceShader true -empty -name redSG").asString(),
              "redSG");
    EXPECT_EQ(run("sets -renderable true -noSurfaceShader true -empty -name redSG").asString(),
              "redSG1")
        << "a taken name is numbered and the actual name answered";
    EXPECT_NE(runFailing("shadingNode phong").find("exactly one of"), std::string::npos);
    EXPECT_NE(runFailing("shadingNode -asShader noSuchType").find("Unknown node type"),
              std::string::npos);
    EXPECT_EQ(strings("ls -type phong"), (Strings{"phong1"}));
}

TEST_F(SceneTest, WholeMeshesAndFaceSubsetsMoveBetweenGroups) {
    run("polyCube");
    EXPECT_EQ(groupsOf("pCubeShape1"), Strings(6, "initialShadingGroup"));
    run("sets -renderable true -noSurfaceShader true -empty -name redSG");
    run("sets -renderable true -noSurfaceShader true -empty -name blueSG");
    run("sets -edit -forceElement redSG pCube1");
    EXPECT_EQ(groupsOf("pCubeShape1"), Strings(6, "redSG"));
    run("sets -edit -forceElement blueSG pCube1.f[1:2] pCube1.f[4]");
    EXPECT_EQ(groupsOf("pCubeShape1"),
              (Strings{"redSG", "blueSG", "blueSG", "redSG", "blueSG", "redSG"}));
    EXPECT_EQ(strings("sets -q blueSG"), (Strings{"pCube1.f[1:2]", "pCube1.f[4]"}));
    EXPECT_EQ(strings("sets -q redSG"), (Strings{"pCube1.f[0]", "pCube1.f[3]", "pCube1.f[5]"}));
    EXPECT_EQ(strings("sets -q initialShadingGroup"), Strings{});
    // Taking faces back moves them out of blueSG.
    run("sets -edit -forceElement redSG pCube1.f[2]");
    EXPECT_EQ(strings("sets -q blueSG"), (Strings{"pCube1.f[1]", "pCube1.f[4]"}));
    undo();
    EXPECT_EQ(strings("sets -q blueSG"), (Strings{"pCube1.f[1:2]", "pCube1.f[4]"}));
    undo();
    undo();
    EXPECT_EQ(groupsOf("pCubeShape1"), Strings(6, "initialShadingGroup"));

    // Bad items change nothing.
    struct Case {
        const char* command;
        const char* message;
    } cases[] = {
        {"sets -edit -forceElement redSG pCube1.f[7]", "out of range"},
        {"sets -edit -forceElement redSG pCube1.e[0]", "Only faces"},
        {"sets -edit -forceElement noSet pCube1", "No set matches name: noSet"},
        {"sets -edit -forceElement pCube1 pCube1", "is not a set"},
        {"sets -edit -forceElement redSG pCube1 phong9", "No object matches name: phong9"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(runFailing(c.command).find(c.message), std::string::npos) << c.command;
        EXPECT_EQ(groupsOf("pCubeShape1"), Strings(6, "initialShadingGroup")) << c.command;
    }
}

TEST_F(SceneTest, DefaultNavigationConnectsByKind) {
    run("polyPlane -sx 1 -sy 1");
    const std::string shader = run("shadingNode -asShader phong").asString();
    const std::string file = run("shadingNode -asTexture file").asString();
    const std::string place = run("shadingNode -asUtility place2dTexture").asString();
    const std::string sg =
        run("sets -renderable true -noSurfaceShader true -empty -name phong1SG").asString();
    run("defaultNavigation -force true -connectToExisting -source " + shader + " -destination " +
        sg);
    EXPECT_EQ(nodeName(shading::surfaceShaderOf(findNode(sg))), shader);
    run("defaultNavigation -connectToExisting -source " + place + " -destination " + file);
    run("sets -edit -forceElement " + sg + " pPlane1");
    // A texture sent to a mesh lands on the colour of the mesh's shader; the flag may repeat.
    run("defaultNavigation -connectToExisting -source " + file +
        " -destination pPlane1 -connectToExisting");
    const auto connected = [&](const std::string& from, const std::string& to) {
        std::string error;
        for (const Connection& c : Graph::instance().connections())
            if (c.srcNode->name() + "." + c.srcAttr->longName == from &&
                c.dstNode->name() + "." + c.dstAttr->longName == to)
                return true;
        return false;
    };
    EXPECT_TRUE(connected("phong1.outColor", "phong1SG.surfaceShader"));
    EXPECT_TRUE(connected("place2dTexture1.outUV", "file1.uvCoord"));
    EXPECT_TRUE(connected("file1.outColor", "phong1.color"));
    // A second shader needs -force to replace the first one.
    run("shadingNode -asShader phong");
    EXPECT_NE(
        runFailing("defaultNavigation -connectToExisting -source phong2 -destination phong1SG")
            .find("already connected"),
        std::string::npos);
    run("defaultNavigation -force true -connectToExisting -source phong2 -destination phong1SG");
    EXPECT_EQ(nodeName(shading::surfaceShaderOf(findNode(sg))), "phong2");
    undo();
    EXPECT_EQ(nodeName(shading::surfaceShaderOf(findNode(sg))), "phong1");
    EXPECT_NE(runFailing("defaultNavigation -connectToExisting -source pPlane1 -destination phong1")
                  .find("cannot connect"),
              std::string::npos);
}

TEST_F(SceneTest, PhongFunctionSetColoursAndName) {
    KFnPhongShader fn;
    KStatus status;
    const KObject node = fn.create(true, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(fn.name(), KString("phong1"));
    EXPECT_EQ(fn.color(), KColor(0.5f, 0.5f, 0.5f, 1.0f));
    ASSERT_TRUE(fn.setColor(KColor(1, 0, 0)));
    ASSERT_TRUE(fn.setSpecularColor(KColor(0.2f, 0.3f, 0.4f, 1.0f)));
    ASSERT_TRUE(fn.setTransparency(KColor(0.25f, 0.25f, 0.25f)));
    EXPECT_EQ(fn.specularColor(), KColor(0.2f, 0.3f, 0.4f, 1.0f));
    EXPECT_EQ(fn.transparency(), KColor(0.25f, 0.25f, 0.25f, 1.0f));
    EXPECT_EQ(fn.setName("plastic"), KString("plastic"));
    EXPECT_EQ(KFnPhongShader(node).color(), KColor(1, 0, 0, 1));
    // outColor follows colour and diffuse.
    EXPECT_NEAR(readVector(node, "outColor").x, 0.8, 1e-6);
    KStatus wrong;
    KFnPhongShader notPhong(findNode("lambert1"), &wrong);
    EXPECT_EQ(wrong, KStatus::kInvalidParameter);
}

}  // namespace
}  // namespace tarn::scene
