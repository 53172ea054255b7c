// A whole session as a user would script it: primitives, Phong materials on some faces,
// component selection, OBJ export, and every step undone and redone.

#include "host/scene/scene_test_support.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "host/lang/command_registry.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(SceneTest, ScriptBuildsExportsAndUndoesEveryStep) {
    std::vector<std::string> steps = {
        "polyCube -n box",
        "polySphere -sx 8 -sy 6",
        "move 3 0 0 pSphere1",
        "shadingNode -asShader phong",
        "sets -renderable true -noSurfaceShader true -empty -name redSG",
        "defaultNavigation -force true -connectToExisting -source phong1 -destination redSG",
        "sets -edit -forceElement redSG box.f[0:2]",
        "shadingNode -asShader phong",
        "sets -renderable true -noSurfaceShader true -empty -name blueSG",
        "defaultNavigation -force true -connectToExisting -source phong2 -destination blueSG",
        "sets -edit -forceElement blueSG pSphere1",
        "select -r box.e[0:3] pSphere1.f[4]",
        "polySoftEdge -a 180 -ch 0",
        "hide box",
        "showHidden box",
    };
    // Colours when the graph's setAttr is there to set them.
    if (lang::commandRegistry().find("setAttr")) {
        steps.insert(steps.begin() + 4, "setAttr phong1.color -type double3 1 0 0");
        steps.push_back("setAttr phong2.color -type double3 0 0 1");
    }
    std::vector<std::string> states = {run("describeScene -json").asString()};
    for (const std::string& step : steps) {
        run(step);
        states.push_back(run("describeScene -json").asString());
        EXPECT_TRUE(states.back() != states[states.size() - 2]) << step << " changed nothing";
    }
    EXPECT_EQ(strings("ls -sl"), (std::vector<std::string>{"box.e[0:3]", "pSphere1.f[4]"}));

    // Export and read the files back.
    const auto dir = std::filesystem::temp_directory_path() / "tarn_scene_script_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string objPath = (dir / "scene.obj").string();
    EXPECT_EQ(run("exportObj \"" + objPath + "\"").asString(), objPath);
    const std::string obj = readFile(objPath);
    const std::string mtl = readFile(dir / "scene.mtl");
    std::map<std::string, int> facesPerMaterial;
    int vertices = 0, objects = 0;
    std::string material;
    std::istringstream lines(obj);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("v ", 0) == 0) ++vertices;
        if (line.rfind("o ", 0) == 0) ++objects;
        if (line.rfind("usemtl ", 0) == 0) material = line.substr(7);
        if (line.rfind("f ", 0) == 0) ++facesPerMaterial[material];
    }
    EXPECT_EQ(objects, 2);
    EXPECT_EQ(vertices, 8 + 8 * 5 + 2);
    EXPECT_EQ(facesPerMaterial["phong1"], 3);
    EXPECT_EQ(facesPerMaterial["lambert1"], 3);
    EXPECT_EQ(facesPerMaterial["phong2"], 8 * 6);
    EXPECT_NE(obj.find("mtllib scene.mtl"), std::string::npos);
    for (const char* name : {"newmtl phong1", "newmtl phong2", "newmtl lambert1"})
        EXPECT_NE(mtl.find(name), std::string::npos) << name;
    // The sphere was moved: its exported points are centred on x = 3.
    EXPECT_NE(obj.find("o pSphere1"), std::string::npos);
    std::filesystem::remove_all(dir);

    // Undo every step, checking the scene is back where it was before it; then redo them all.
    for (size_t i = steps.size(); i-- > 0;) {
        undo();
        EXPECT_TRUE(run("describeScene -json").asString() == states[i]) << "undo of: " << steps[i];
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        redo();
        EXPECT_TRUE(run("describeScene -json").asString() == states[i + 1])
            << "redo of: " << steps[i];
    }
}

TEST_F(SceneTest, DescribeSceneReportsCountsShadingAndCameras) {
    run("polyCube");
    run("sets -renderable true -noSurfaceShader true -empty -name redSG");
    run("sets -edit -forceElement redSG pCube1.f[0] pCube1.f[5]");
    run("camera -p 0 1 10");
    run("hide pCube1");
    const std::string text = run("describeScene").asString();
    EXPECT_NE(text.find("pCube1 (transform) hidden"), std::string::npos) << text;
    EXPECT_NE(text.find("vertices 8, edges 12, faces 6, uvs 14"), std::string::npos) << text;
    EXPECT_NE(text.find("faces 0 5 -> redSG"), std::string::npos) << text;
    EXPECT_NE(text.find("faces 1:4 -> initialShadingGroup"), std::string::npos) << text;
    EXPECT_NE(text.find("eye (0, 1, 10)"), std::string::npos) << text;
    EXPECT_NE(text.find("lambert1.outColor -> initialShadingGroup.surfaceShader"),
              std::string::npos)
        << text;
    const std::string json = run("describeScene -json").asString();
    EXPECT_NE(json.find("\"farClipPlane\": 10000.0"), std::string::npos) << json;
    EXPECT_NE(json.find("\"hidden\": true"), std::string::npos);
}

}  // namespace
}  // namespace tarn::scene
