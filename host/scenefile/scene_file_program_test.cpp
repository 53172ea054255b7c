// Scene files across processes, as a person keeps work: a scene with construction history of
// two plug-ins, a textured shading network, a NURBS surface, a camera, object groups and tweaks
// is saved, opened by a fresh tarn and found the same (described, pictured, saved again byte
// for byte); a file with a statement of the command language is refused and runs nothing; a
// scene saved with a plug-in, opened without it and saved again is whole where it is back.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/app/process_test_support.h"

namespace {

using tarn::testing::runCommandLine;

const std::string kTarn = TARN_BINARY_DIR "/bin/tarn";

std::string folder() {
    static const std::string f = [] {
        const std::string path = ::testing::TempDir() + "scene_file_program_test";
        std::filesystem::create_directories(path);
        return path;
    }();
    return f;
}

std::string at(const std::string& name) {
    return folder() + "/" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// tarn in the test's folder; ARGS and TEXT as given (TEXT in single quotes). Its messages
// join its output unless `dataOnly`.
tarn::testing::ProcessOutcome tarn(const std::string& args, const std::string& text = "",
                                   bool dataOnly = false) {
    std::string line = "cd '" + folder() + "' && " + kTarn + " " + args;
    if (!text.empty()) line += " -c '" + text + "'";
    return runCommandLine(line + (dataOnly ? " 2>/dev/null" : " 2>&1"));
}

// The scene of the issue: meshKit history on a cube (polyDual), a plane whose UVs come from a
// NURBS surface through patchCast, an object group, tweaks on both, a file texture on a phong
// in a shading group, a camera the view looks through, a selection.
const std::string kScene = R"(loadPlugin -quiet meshKit;
loadPlugin -quiet patchCast;
polyCube -n box;
string $dual[] = `polyDual box`;
polyPlane -w 4 -h 4 -sx 4 -sy 4 -n sheet;
nurbsPlane -d 3 -u 2 -v 2 -w 4 -n surf;
xform -ro 0 30 0 surf;
string $cast = `polyHistory -insert patchCastNode sheet`;
connectAttr surfShape.worldSpace[0] ($cast + ".inSurface");
setAttr ($cast + ".normalize") 1;
polyObjectGroup sheet.f[0:3];
move -r 0 0.5 0 sheet.vtx[2];
move -r 0.1 0 0 box.vtx[1];
shadingNode -asTexture file -n tex;
setAttr -type "string" tex.fileTextureName ")" TARN_SOURCE_DIR R"(/docs/gallery/denim_default.png";
shadingNode -asShader phong -n mat;
setAttr mat.specularColor 0.2 0.3 0.4;
defaultNavigation -connectToExisting -source tex -destination mat;
sets -renderable true -noSurfaceShader true -empty -name matSG;
defaultNavigation -connectToExisting -source mat -destination matSG;
sets -edit -forceElement matSG box sheet.f[5:7];
camera -n cam;
move 6 5 9 cam;
rotate -25 30 0 cam;
viewCamera cam;
select box sheet.vtx[3];
)";

TEST(SceneFileProgram, AScenesWorkIsFoundAsItWasLeftInAFreshProcess) {
    std::ofstream(at("scene.tcs")) << kScene << "file -save \"scene.tscene\";\n"
                                   << "string $j = `describeScene -json`;\n"
                                   << "print $j;\n"
                                   << "viewSnapshot -width 160 -height 120 -o \"before.png\";\n";
    const auto made = tarn("-q scene.tcs", "", true);
    ASSERT_EQ(made.status, 0) << made.out;
    const std::string described = made.out;
    ASSERT_NE(described.find("polyDual1"), std::string::npos) << described;

    const auto opened = tarn("--result-only scene.tscene",
                             "viewSnapshot -width 160 -height 120 -o \"after.png\"; "
                             "file -save \"again.tscene\"; describeScene -json",
                             true);
    ASSERT_EQ(opened.status, 0) << opened.out;
    EXPECT_EQ(opened.out, described + "\n") << "describeScene -json after opening";
    EXPECT_EQ(readFile(at("again.tscene")), readFile(at("scene.tscene")))
        << "saved again byte for byte";
    const std::string before = readFile(at("before.png")), after = readFile(at("after.png"));
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(before, after) << "the snapshots differ";

    const std::string text = readFile(at("scene.tscene"));
    for (const char* expected :
         {"requires \"meshKit\"", "requires \"patchCast\"", "node polyDual polyDual1 plugin",
          "node patchCastNode patchCastNode1 plugin", "node nurbsSurface surfShape", "surface {",
          "group 0 4 [0 1 2 3]", "pnts[2] = 0 0.5 0", "denim_default.png\"",
          "connect tex.outColor mat.color", "shading matSG 5:7", "camera cam", "select box"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(SceneFileProgram, AFileWithACommandIsRefusedAndRunsNothing) {
    std::ofstream(at("foreign.tscene")) << "tscene 1\n"
                                        << "node transform t {\n}\n"
                                        << "sysFile -makeDir \"made_by_file\";\n";
    std::filesystem::remove_all(at("made_by_file"));
    const auto r = tarn("foreign.tscene", "ls -type transform");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("foreign.tscene:4: expected a statement"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(at("made_by_file")));
    // Nothing of it reached the scene, opened from a script either.
    const auto s = tarn("--result-only", "polyCube -n mine; file -open -force \"foreign.tscene\"");
    EXPECT_EQ(s.status, 1);
    const auto t = tarn("--result-only", "ls -type transform");
    EXPECT_EQ(t.out.find("\"t\""), std::string::npos);
}

TEST(SceneFileProgram, ASceneOfAMissingPlugInStaysWholeForWhenItIsBack) {
    const std::string probes = "--plugin-path '" TARN_TEST_PLUGIN_DIR "'";
    const auto made = tarn(probes + " -q",
                           "loadPlugin probeOffsetMesh; polyCube -n box; "
                           "string $n = `polyHistory -insert offsetMesh box`; "
                           "setAttr ($n + \".offset\") 0.5; file -save \"with.tscene\"");
    ASSERT_EQ(made.status, 0) << made.out;
    const auto whole = tarn(probes + " --result-only with.tscene", "describeScene -json", true);
    ASSERT_EQ(whole.status, 0) << whole.out;

    const auto without = tarn("-q with.tscene", "file -save \"without.tscene\"");
    EXPECT_EQ(without.status, 0) << without.out;
    EXPECT_NE(without.out.find("the plug-in probeOffsetMesh is not available"), std::string::npos)
        << without.out;
    EXPECT_EQ(readFile(at("without.tscene")), readFile(at("with.tscene")));

    const auto back = tarn(probes + " --result-only without.tscene", "describeScene -json", true);
    EXPECT_EQ(back.out, whole.out);
    const auto history = tarn(probes + " --result-only without.tscene", "listHistory box");
    EXPECT_NE(history.out.find("offsetMesh1"), std::string::npos) << history.out;
}

TEST(SceneFileProgram, AJournalReplaysHeadlessAndItsSceneIsSaved) {
    std::filesystem::remove(at("session.jsonl"));
    const auto session = tarn("--journal session.jsonl",
                              "polyCube -n crate; move 1 2 3 crate; getAttr crate.tx; "
                              "polySphere -n ball; delete ball");
    ASSERT_EQ(session.status, 0) << session.out;
    const auto replayed = tarn("replay session.jsonl --save replayed.tscene");
    EXPECT_EQ(replayed.status, 0) << replayed.out;
    EXPECT_NE(replayed.out.find("tarn replay: ran 1 text of"), std::string::npos) << replayed.out;
    const std::string text = readFile(at("replayed.tscene"));
    EXPECT_NE(text.find("node transform crate {\n    translate = 1 2 3\n}"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("ball"), std::string::npos) << text;

    // A text that fails stops the replay at its line.
    std::ofstream(at("broken.jsonl"))
        << "{\"seq\":0,\"text\":\"polyCube -n a\",\"status\":0,\"origin\":\"shell\"}\n"
        << "{\"seq\":1,\"text\":\"move 1 0 0 nothing\",\"status\":0,\"origin\":\"shell\"}\n";
    const auto stopped = tarn("replay broken.jsonl");
    EXPECT_EQ(stopped.status, 1);
    EXPECT_NE(stopped.out.find("broken.jsonl:2: the replay stopped here"), std::string::npos)
        << stopped.out;
    // A script and a text together are refused; a scene and a text are not.
    EXPECT_EQ(tarn("scene.tcs", "ls").status, 2);
}

}  // namespace
