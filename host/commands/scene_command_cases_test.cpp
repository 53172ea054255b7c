// The scene's commands case by case: select and ls with components, parent, move, rotate,
// scale and xform, hide and showHidden, the primitives, polyEvaluate, polySoftEdge, exportObj
// and optionVar. Each family: normal results, the errors for bad arguments, and that a failing
// command leaves the scene, the selection and the undo queue as they were.

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/commands/command_test_support.h"

namespace tarn::commands::testing {
namespace {

namespace fs = std::filesystem;

// Tests never touch the user's own preferences.
const bool kPrefsRedirected = [] {
    if (!std::getenv("TARN_PREFS"))
        setenv("TARN_PREFS", (::testing::TempDir() + "tcmd_scene_prefs").c_str(), 1);
    return true;
}();

// A cube, a sphere parented under a group, a camera.
const char* const kScene =
    "polyCube -n box; polySphere -n ball -sx 8 -sy 4; createNode transform -n grp; "
    "parent ball grp; camera -n cam; select -cl";

class SceneCommandCases : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        ASSERT_EQ(eval(kScene), "");
        undo::undoQueue().clear();
    }

    // One value of the scene description of a DAG node ("" when absent).
    nlohmann::json described(const std::string& name) {
        const nlohmann::json scene = nlohmann::json::parse(eval("describeScene -json"));
        for (const auto& node : scene["dag"])
            if (node["name"] == name) return node;
        return {};
    }
};

// A string read from a file may hold bytes that are not UTF-8 (a texture path in a legacy
// encoding): the description shows them replaced instead of failing.
TEST_F(SceneCommandCases, DescriptionReplacesBytesThatAreNotUtf8) {
    eval("createNode file -n tex1; setAttr -type \"string\" tex1.fileTextureName "
         "\"old\xb4name.png\"");
    const std::string text = eval("describeScene -json");
    EXPECT_FALSE(nlohmann::json::parse(text, nullptr, false).is_discarded()) << text;
    EXPECT_NE(text.find("old\xef\xbf\xbdname.png"), std::string::npos) << text;
    EXPECT_NE(eval("describeScene").find("old\xb4name.png"), std::string::npos);
}

TEST_F(SceneCommandCases, SelectAndLsWithComponents) {
    expectCases({
        {"replace", "select -r box; ls -sl", "box"},
        {"add", "select -add ball; ls -sl", "box ball"},
        {"deselect", "select -d box; ls -sl", "ball"},
        {"toggle off", "select -tgl ball; ls -sl", ""},
        {"toggle on", "select -tgl box; ls -sl", "box"},
        {"long names", "select -add ball; ls -sl -l", "|box |grp|ball"},
        {"faces", "select -r box.f[0:2] box.f[4]; ls -sl", "box.f[0:2] box.f[4]"},
        {"shape names list under the transform", "select -r boxShape.e[3]; ls -sl", "box.e[3]"},
        {"deselect one face", "select -r box.f[0:2]; select -d box.f[1]; ls -sl",
         "box.f[0] box.f[2]"},
        {"toggle a face in", "select -tgl box.f[1]; ls -sl", "box.f[0:2]"},
        {"toggle a face out", "select -tgl box.f[0]; ls -sl", "box.f[1:2]"},
        {"toggle in and out at once", "select -tgl box.f[0:1]; ls -sl", "box.f[0] box.f[2]"},
        {"vertices and faces", "select -r box.vtx[7] box.f[5]; ls -sl", "box.vtx[7] box.f[5]"},
        {"all faces", "select -r box.f[*]; ls -sl", "box.f[0:5]"},
        {"clear", "select -cl; ls -sl", ""},
        {"ls by type", "ls -type mesh", "boxShape ballShape"},
        {"ls by pattern", "ls \"b*\"", "box boxShape ball ballShape"},
        {"ls long", "ls -l ball", "|grp|ball"},
        {"ls components", "ls box.vtx[1:2]", "box.vtx[1:2]"},
        {"ls what is missing", "ls nobody", ""},
        {"ls selection by type", "select -r box cam; ls -sl -type camera", ""},
        {"ls selection by transform type", "ls -sl -type transform", "box cam"},
    });
    eval("select -r box");
    expectRejected({
        {"missing object", "select -r nobody", "No object matches name: nobody"},
        {"missing among good", "select -add ball nobody", "No object matches name: nobody"},
        {"face past the end", "select -r box.f[6]", "box.f[6]"},
        {"malformed", "select -r box.f[1", "box.f[1"},
        {"no components", "select -r cam.vtx[0]", "cam has no mesh components"},
        {"unknown flag", "select -bogus box", "select: invalid flag '-bogus'."},
        {"ls: unknown flag", "ls -bogus", "ls: invalid flag '-bogus'."},
        {"ls: type needs a value", "ls -type", "flag '-type' needs 1 argument"},
    });
}

TEST_F(SceneCommandCases, ParentAndListRelatives) {
    expectCases({
        {"parent", "parent box grp", "box"},
        {"children in order", "listRelatives grp", "ball box"},
        {"to the world", "parent -w box; listRelatives -p box", ""},
        {"several", "parent box cam grp; listRelatives grp", "ball box cam"},
        {"full path", "listRelatives -f -s box", "|grp|box|boxShape"},
        {"all descendants by type", "listRelatives -ad -type mesh grp", "boxShape ballShape"},
    });
    expectRejected({
        {"no parent", "parent box", "parent needs objects and a parent"},
        {"nothing to the world", "parent -w", "parent: expected at least 1 argument, got 0."},
        {"missing child", "parent nobody grp", "No object matches name: nobody"},
        {"missing parent", "parent box nobody", "No object matches name: nobody"},
        {"under itself", "parent grp grp", "under itself or its descendant"},
        {"under a descendant", "parent grp box", "under itself or its descendant"},
        {"under a shape", "parent cam boxShape", "not a transform"},
        {"a shape to the world", "parent -w boxShape", "A shape cannot be placed under the world"},
        {"second one fails", "parent cam grp box", "under itself or its descendant"},
        {"unknown flag", "parent -x box grp", "parent: invalid flag '-x'."},
    });
}

TEST_F(SceneCommandCases, MoveRotateScaleAndXform) {
    expectCases({
        {"move", "move 1 2 3 box; getAttr box.translate", "1 2 3"},
        {"move relative", "move -r 1 1 1 box; getAttr box.t", "2 3 4"},
        {"move the selection", "select -r box; move 0 0 0; getAttr box.translate", "0 0 0"},
        {"move components", "move -r 0 1 0 box.vtx[0]; polyEvaluate -bb box.vtx[0]",
         "-0.5 -0.5 0.5 0.5 0.5 0.5"},
        {"rotate", "rotate 0 90 0 box; getAttr box.rotate", "0 90 0"},
        {"scale relative multiplies", "scale 2 2 2 box; scale -r 2 3 4 box; getAttr box.scale",
         "4 6 8"},
        {"a shape moves its transform", "move 5 0 0 ballShape; getAttr ball.translate", "5 0 0"},
        {"world space under a moved parent", "move 1 0 0 grp; move -ws 3 0 0 ball; getAttr ball.t",
         "2 0 0"},
        {"xform query", "xform -q -t ball", "2 0 0"},
        {"xform query world", "xform -q -ws -t ball", "3 0 0"},
        {"xform set", "xform -t 0 1 0 -ro 0 0 45 -s 1 2 1 box; xform -q -ro box", "0 0 45"},
        {"xform scale", "xform -q -s box", "1 2 1"},
        {"xform relative", "xform -r -t 1 0 0 box; xform -q -t box", "1 1 0"},
    });
    eval("setAttr -lock true cam.translate; setAttr -lock true cam.scale; select -cl");
    expectRejected({
        {"move: too few", "move 1 2", "move: expected at least 3 arguments, got 2."},
        {"move: not a number", "move 1 2 x box", "move needs three numbers: x y z"},
        {"move: nothing selected", "move 1 2 3", "Nothing selected to transform"},
        {"move: missing object", "move 1 2 3 nobody", "No object matches name: nobody"},
        {"move: locked", "move 1 2 3 cam", "locked"},
        {"move: locked after a good one", "move 1 2 3 box cam", "locked"},
        {"move: unknown flag", "move -x 1 2 3 box", "move: invalid flag '-x'."},
        {"move: not a number", "move 1 nan 0 box",
         "move: argument 2 takes finite numbers, not 'nan'."},
        {"scale: infinite", "scale inf 1 1 box", "scale: argument 1 takes finite numbers"},
        {"xform: infinite", "xform -t 0 inf 0 box", "takes finite numbers"},
        {"rotate: components", "rotate 0 90 0 box.vtx[0]", "Only move works on components"},
        {"rotate: not numbers", "rotate a b c box", "three numbers are needed: x y z"},
        {"scale: locked after a good one", "scale 2 2 2 box cam", "locked"},
        {"move: uvs", "move 1 0 0 box.map[0]", "UVs cannot be moved with move"},
        {"xform: nothing", "xform -t 1 0 0", "xform needs a transform"},
        {"xform: missing", "xform -t 1 0 0 nobody", "No object matches name: nobody"},
        {"xform: short vector", "xform -t 1 0 box", "invalid value 'box' for flag '-t'"},
        {"xform: locked", "xform -t 1 0 0 box cam", "locked"},
    });
}

// A locked channel (a child of translate, rotate or scale, or a vertex's tweak) refuses every
// command that would write it, with setAttr's message, and nothing moves.
TEST_F(SceneCommandCases, LockedChannelsRefuseTransformsAndComponentMoves) {
    eval(
        "setAttr -lock 1 box.tx; setAttr -lock 1 ball.rz; setAttr -lock 1 grp.sy; "
        "setAttr -lock 1 boxShape.pnts[0]");
    const std::string tx = "The attribute 'box.translateX' is locked and cannot be modified";
    expectRejected({
        {"setAttr on the compound", "setAttr box.translate 1 2 3", tx},
        {"move", "move 1 2 3 box", tx},
        {"move relative by zero in x", "move -r 0 1 0 box", tx},
        {"move world space", "move -ws 0 1 0 box", tx},
        {"rotate", "rotate 0 0 45 ball", "The attribute 'ball.rotateZ' is locked"},
        {"scale", "scale -r 1 2 1 grp", "The attribute 'grp.scaleY' is locked"},
        {"xform translation", "xform -t 0 1 0 box", tx},
        {"xform rotation", "xform -r -ro 0 0 1 ball", "'ball.rotateZ' is locked"},
        {"xform after a free node", "xform -s 1 2 1 box grp", "'grp.scaleY' is locked"},
        {"a locked vertex", "move -r 0 1 0 box.vtx[0]", "boxShape.pnts[0]"},
        {"a face around a locked vertex", "move -r 0 1 0 box.f[*]", "locked"},
        {"a locked vertex after a free mesh", "move -r 0 1 0 ball.vtx[0] box.vtx[0]", "locked"},
    });
    expectCases({
        {"free vertices of the same mesh", "move -r 0 1 0 box.vtx[7]; polyEvaluate -bb box.vtx[0]",
         "-0.5 -0.5 -0.5 -0.5 0.5 0.5"},
        {"free channels of the same nodes", "rotate 0 45 0 box; getAttr box.rotate", "0 45 0"},
        {"unlocked again", "setAttr -lock 0 box.tx; move 1 0 0 box; getAttr box.t", "1 0 0"},
    });
}

// Numbers a float attribute cannot hold are refused like infinities; nothing is corrupted.
TEST_F(SceneCommandCases, NumbersBeyondTheFloatRangeAreRefused) {
    expectRejected({
        {"a tweak past the float range", "setAttr boxShape.pnts[0] 1e39 0 0",
         "takes finite numbers"},
        {"a negative one", "setAttr boxShape.pnts[1] 0 -3.5e38 0", "takes finite numbers"},
        {"one child", "setAttr boxShape.pnts[2].pnty 1e300", "takes finite numbers"},
    });
    expectCases({
        {"the largest float is kept", "setAttr boxShape.pnts[3] 3e38 0 0", ""},
        {"doubles take more", "setAttr box.tx 1e300; getAttr box.tx", "1e+300"},
        {"the box stays finite", "setAttr box.tx 0; polyEvaluate -bb box.vtx[0]",
         "-0.5 -0.5 -0.5 -0.5 0.5 0.5"},
    });
}

// A camera's lens and clip planes keep values a view can be drawn with, from every path.
TEST_F(SceneCommandCases, CameraLensAndClipPlanesAreChecked) {
    expectRejected({
        {"zero focal length", "camera -fl 0", "focalLength must be greater than 0"},
        {"negative focal length", "camera -fl -35", "focalLength must be greater than 0"},
        {"near past far", "camera -ncp 10 -fcp 5", "farClipPlane must be greater than"},
        {"near at far", "camera -ncp 5 -fcp 5", "farClipPlane must be greater than"},
        {"near past the default far", "camera -ncp 20000", "farClipPlane must be greater than"},
        {"zero near", "camera -ncp 0", "nearClipPlane must be greater than 0"},
        {"setAttr focal length", "setAttr camShape.fl 0", "focalLength must be greater than 0"},
        {"setAttr near past far", "setAttr camShape.ncp 20000", "less than farClipPlane (10000)"},
        {"setAttr far before near", "setAttr camShape.fcp 0.05",
         "greater than nearClipPlane (0.1)"},
        {"setAttr aperture", "setAttr camShape.hfa -1", "must be greater than 0"},
    });
    expectCases({
        {"far planes both given", "camera -n far -ncp 20000 -fcp 30000; getAttr farShape.ncp",
         "20000"},
        {"near planes both given", "camera -n near -ncp 0.01 -fcp 0.05; getAttr nearShape.fcp",
         "0.05"},
        {"setAttr within the range", "setAttr camShape.fl 50; getAttr camShape.fl", "50"},
    });
}

// A change made with undo off is not in the history: undo and redo refuse the older chunks
// with a message and change nothing, instead of replaying them onto the wrong nodes.
TEST_F(SceneCommandCases, UndoRefusesHistoryOlderThanAChangeMadeWithUndoOff) {
    struct Sequence {
        const char* id;
        const char* offText;  // run with undo off after "polyCube -n c1; move 1 0 0 c1"
    } sequences[] = {
        {"rename", "rename c1 foo"},
        {"rename then delete", "rename c1 foo; delete foo"},
        {"reparent", "parent c1 grp"},
        {"delete", "delete c1"},
    };
    for (const Sequence& s : sequences) {
        SCOPED_TRACE(s.id);
        undo::undoQueue().clear();
        ASSERT_EQ(eval("polyCube -n c1").rfind("ERROR", 0), std::string::npos);
        ASSERT_EQ(eval("move 1 0 0 c1"), "");
        ASSERT_EQ(eval(s.offText, false).rfind("ERROR", 0), std::string::npos);
        const std::string before = state(false);
        for (const char* text : {"undo", "undo"}) {
            const std::string got = eval(text);
            EXPECT_NE(got.find(std::string(text) + ": "), std::string::npos) << got;
            EXPECT_NE(got.find("while undo was off"), std::string::npos) << got;
            EXPECT_EQ(firstDifference(state(false), before), "") << text;
        }
        // Later changes are undone as usual.
        ASSERT_EQ(eval("createNode transform -n later"), "later");
        ASSERT_EQ(eval("undo"), "");
        EXPECT_EQ(firstDifference(state(false), before), "");
        for (const char* leftover : {"c1", "foo"}) eval(std::string("delete ") + leftover, false);
    }
    // Redo likewise: the undone move was recorded before the rename.
    undo::undoQueue().clear();
    ASSERT_EQ(eval("move 2 0 0 box"), "");
    ASSERT_EQ(eval("undo"), "");
    ASSERT_EQ(eval("rename box crate", false), "crate");
    const std::string got = eval("redo");
    EXPECT_NE(got.find("redo: "), std::string::npos) << got;
    EXPECT_EQ(eval("getAttr crate.t"), "0 0 0");
    ASSERT_EQ(eval("rename crate box", false), "box");
    // A command that failed with undo off changed nothing: the history still replays.
    undo::undoQueue().clear();
    ASSERT_EQ(eval("move 3 0 0 box"), "");
    EXPECT_EQ(eval("move 1 2 x box", false).rfind("ERROR", 0), 0u);
    ASSERT_EQ(eval("undo"), "");
    EXPECT_EQ(eval("getAttr box.t"), "0 0 0");
}

// The stroke tools hold the view's camera still with these texts while a stroke is drawn.
TEST_F(SceneCommandCases, CameraLockTextsOfTheStrokeTools) {
    expectCases({{"lock", "setAttr -lock 1 cam.translate; setAttr -lock 1 cam.rotate", ""}});
    expectRejected({
        {"move", "move -r 0 0 1 cam", "locked"},
        {"rotate", "rotate 0 45 0 cam", "locked"},
        {"xform", "xform -t 1 2 3 cam", "locked"},
        {"a child of translate", "setAttr cam.tx 2", "locked"},
        {"unlocking a child only", "setAttr -lock false cam.tx 2", "locked"},
    });
    expectCases({
        {"scale is still free", "scale 2 2 2 cam; getAttr cam.scale", "2 2 2"},
        {"unlock", "setAttr -lock 0 cam.translate; setAttr -lock 0 cam.rotate", ""},
        {"moves again", "move -r 0 0 1 cam; rotate 0 45 0 cam; xform -q -t cam", "0 0 1"},
    });
}

// A vertex named by several items (a face and the vertex itself) moves once.
TEST_F(SceneCommandCases, MoveComponentsOncePerVertex) {
    expectCases({
        {"faces and one of their vertices",
         "move -r 1 0 0 box.f[*] box.vtx[0]; polyEvaluate -bb box.vtx[0]",
         "0.5 0.5 -0.5 -0.5 0.5 0.5"},
        {"edges and vertices of two meshes",
         "move -r 0 1 0 box.e[*] box.vtx[0] ball.vtx[0]; "
         "polyEvaluate -bb box.vtx[0]",
         "0.5 0.5 0.5 0.5 0.5 0.5"},
        {"one undo takes back both meshes", "undo; polyEvaluate -bb box.vtx[0]",
         "0.5 0.5 -0.5 -0.5 0.5 0.5"},
    });
}

TEST_F(SceneCommandCases, HideAndShowHidden) {
    expectCases({
        {"hide", "hide box; getAttr box.visibility", "0"},
        {"hide a shape hides its transform", "hide ballShape; getAttr ball.v", "0"},
        {"show", "showHidden box; getAttr box.visibility", "1"},
        {"show all", "showHidden -all; getAttr ball.visibility", "1"},
        {"hide the selection", "select -r box cam; hide; getAttr cam.visibility", "0"},
    });
    EXPECT_TRUE(described("box")["hidden"].get<bool>());
    eval("showHidden -all; setAttr -lock true cam.visibility; select -cl");
    EXPECT_FALSE(described("box")["hidden"].get<bool>());
    expectRejected({
        {"nothing", "hide", "Nothing to hide"},
        {"missing", "hide nobody", "No object matches name: nobody"},
        {"locked after a good one", "hide box cam", "locked"},
        {"unknown flag", "hide -all box", "hide: invalid flag '-all'."},
    });
}

TEST_F(SceneCommandCases, PrimitivesAndTheirFlags) {
    // Counts follow from the subdivisions; each closed primitive has Euler characteristic 2.
    struct Row {
        const char* text;
        const char* transform;
        const char* shape;
        std::int64_t vertices, faces, euler;  // -1: not pinned
    } rows[] = {
        {"polyCube", "pCube1", "pCubeShape1", 8, 6, 2},
        {"polyCube -sx 2 -sy 3 -sz 4 -w 2 -h 3 -d 4", "pCube2", "pCubeShape2", 54, 52, 2},
        {"polyPlane -sx 2 -sy 3", "pPlane1", "pPlaneShape1", 12, 6, 1},
        {"polyPlane", "pPlane2", "pPlaneShape2", 121, 100, 1},
        {"polySphere -sx 8 -sy 4 -r 2", "pSphere1", "pSphereShape1", 26, 32, 2},
        {"polySphere", "pSphere2", "pSphereShape2", 382, 400, 2},
        {"polyCylinder -sx 6 -sy 2 -sc 1", "pCylinder1", "pCylinderShape1", -1, -1, 2},
        {"polyCylinder -n can -r 0.5 -h 4", "can", "canShape", -1, -1, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(eval(r.text), std::string(r.transform) + " " + r.shape);
        EXPECT_EQ(eval("ls -sl"), r.transform) << "the new mesh is selected";
        EXPECT_NE(eval("sets -q initialShadingGroup").find(r.shape), std::string::npos);
        const std::string name = r.transform;
        const std::int64_t v = integer("polyEvaluate -v " + name);
        const std::int64_t e = integer("polyEvaluate -e " + name);
        const std::int64_t f = integer("polyEvaluate -f " + name);
        if (r.vertices >= 0) {
            EXPECT_EQ(v, r.vertices);
        }
        if (r.faces >= 0) {
            EXPECT_EQ(f, r.faces);
        }
        EXPECT_EQ(v - e + f, r.euler);
        EXPECT_GT(integer("polyEvaluate -uv " + name), 0);
    }
    expectCases({
        {"size flags", "polyCube -w 2 -h 4 -d 6; polyEvaluate -bb pCube3", "-1 1 -2 2 -3 3"},
        {"sphere radius", "polySphere -r 3 -sx 4 -sy 2; polyEvaluate -bb pSphere3",
         "-3 3 -3 3 -3 3"},
        {"plane size", "polyPlane -w 2 -h 4 -sx 1 -sy 1; polyEvaluate -bb", "-1 1 0 0 -2 2"},
        {"taken name is numbered", "polyCube -n can", "can1 can1Shape"},
        {"accepted for other hosts' scripts", "polyPlane -ch 1 -cuv 1 -n flat", "flat flatShape"},
        // Subdivisions below the least a primitive can have are raised to it.
        {"zero subdivisions", "polyPlane -sx 0 -sy -3; polyEvaluate -v -f", "4 1"},
        {"negative subdivisions", "polyCube -sx -2 -sz 0; polyEvaluate -f", "6"},
        {"too few around", "polySphere -sx 2 -sy 1; polyEvaluate -v -f", "5 6"},
    });
    expectRejected({
        {"zero width", "polyCube -w 0", "-width must be greater than 0"},
        {"negative radius", "polySphere -r -1", "-radius must be greater than 0"},
        {"negative height", "polyCylinder -h -2", "-height must be greater than 0"},
        {"not a number", "polyPlane -w wide", "invalid value 'wide' for flag '-w'"},
        {"fractional subdivisions", "polyPlane -sx 1.5", "invalid value"},
        {"positional", "polyCube box", "polyCube: expected 0 arguments, got 1."},
        {"unknown flag", "polyCube -x 1", "polyCube: invalid flag '-x'."},
        {"bad name", "polyCube -n \"a b\"", "Invalid node name"},
        // Refused before anything is allocated.
        {"huge plane", "polyPlane -sx 100000 -sy 100000",
         "polyPlane: the subdivisions make 10000000000 faces; at most 10000000 are allowed"},
        {"huge cube", "polyCube -sx 2000 -sy 2000 -sz 2000", "polyCube: the subdivisions make"},
        {"huge sphere", "polySphere -sx 2147483647 -sy 2147483647", "at most 10000000"},
        {"huge cylinder caps", "polyCylinder -sx 100000 -sc 100", "polyCylinder: the subdivisions"},
    });
}

TEST_F(SceneCommandCases, PolyEvaluateAndPolySoftEdge) {
    expectCases({
        {"all counts", "polyEvaluate box", "8 12 6 14"},
        {"one flag is an int", "polyEvaluate -f box", "6"},
        {"several flags", "polyEvaluate -v -t box", "8 12"},
        {"components", "polyEvaluate -v -e -f box.vtx[0:3] box.e[1] box.f[2:3]", "4 1 2"},
        {"the selection", "select -r box.f[0:1]; polyEvaluate -f", "2"},
        {"world box", "move 1 0 0 box; polyEvaluate -bb box", "0.5 1.5 -0.5 0.5 -0.5 0.5"},
        {"two meshes add up", "polyEvaluate -f box ball", "38"},
        {"soften all", "polySoftEdge -a 180 box; polySoftEdge -a 180 -ch 1 box.e[0]", ""},
    });
    EXPECT_EQ(described("boxShape")["mesh"]["softEdges"], 12);
    eval("polySoftEdge -a 0 box.f[0]");
    EXPECT_EQ(described("boxShape")["mesh"]["softEdges"], 8) << "the four edges of face 0";
    undo();
    EXPECT_EQ(described("boxShape")["mesh"]["softEdges"], 12);
    eval("select -cl");
    expectRejected({
        {"no mesh", "polyEvaluate cam", "polyEvaluate needs a mesh or mesh components"},
        {"missing", "polyEvaluate nobody", "No object matches name: nobody"},
        {"nothing selected", "polyEvaluate", "needs a mesh"},
        {"unknown flag", "polyEvaluate -x box", "polyEvaluate: invalid flag '-x'."},
        {"soft: no mesh", "polySoftEdge -a 30 cam", "polySoftEdge needs a mesh or mesh edges"},
        {"soft: vertices", "polySoftEdge -a 30 box.vtx[0]", "works on meshes, edges and faces"},
        {"soft: bad angle", "polySoftEdge -a steep box", "invalid value 'steep' for flag '-a'"},
        {"soft: missing", "polySoftEdge -a 30 box nobody", "No object matches name: nobody"},
    });
}

TEST_F(SceneCommandCases, ExportObjWritesOrFailsCleanly) {
    const std::string dir = ::testing::TempDir() + "tcmd_export";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string file = dir + "/scene.obj";
    EXPECT_EQ(eval("exportObj \"" + file + "\" box"), file);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    size_t vertices = 0, faces = 0;
    for (std::string line; std::getline(text, line);) {
        vertices += line.rfind("v ", 0) == 0;
        faces += line.rfind("f ", 0) == 0;
    }
    EXPECT_EQ(vertices, 8u);
    EXPECT_EQ(faces, 6u);
    EXPECT_TRUE(fs::exists(dir + "/scene.mtl"));

    const std::string missingDir = dir + "/no/such/folder/x.obj";
    expectRejected({
        {"no file", "exportObj", "exportObj: expected at least 1 argument, got 0."},
        {"empty name", "exportObj \"\"", "exportObj needs a file name"},
        {"missing mesh", "exportObj \"" + dir + "/y.obj\" nobody",
         "No object matches name: nobody"},
        {"unknown flag", "exportObj -x \"" + dir + "/y.obj\"", "exportObj: invalid flag '-x'."},
        {"unwritable folder", "exportObj \"" + missingDir + "\"", "cannot write"},
        {"OBJ named like its MTL", "exportObj \"" + dir + "/x.mtl\" box",
         "the OBJ would overwrite its own material library"},
        {"a folder as the OBJ", "exportObj \"" + dir + "\" box", "it is a folder"},
    });
    EXPECT_FALSE(fs::exists(dir + "/x.mtl"));
    EXPECT_FALSE(fs::exists(dir + "/y.obj"));
    EXPECT_FALSE(fs::exists(missingDir));
}

TEST_F(SceneCommandCases, ExportOfTheSelectionWarnsWhenItHoldsNoMesh) {
    const std::string file = ::testing::TempDir() + "tcmd_selection.obj";
    const struct {
        const char* selection;
        const char* warning;  // empty: none
    } cases[] = {{"select -cl", "nothing is selected"},
                 {"select -r cam", "no mesh is selected"},
                 {"select -r box", ""}};
    for (const auto& c : cases) {
        eval(c.selection);
        output::Capture capture;
        EXPECT_EQ(eval("exportObj -sl \"" + file + "\""), file) << c.selection;
        if (*c.warning) {
            EXPECT_NE(capture.warnings().find(c.warning), std::string::npos) << c.selection;
        } else {
            EXPECT_EQ(capture.warnings(), "") << c.selection;
        }
    }
    fs::remove(file);
    fs::remove(::testing::TempDir() + "tcmd_selection.mtl");
}

TEST_F(SceneCommandCases, OptionVarFlagsInOrderAndErrors) {
    eval("optionVar -remove tc_i -remove tc_s -remove tc_f -remove tc_a");
    expectCases({
        {"set then query in one", "optionVar -iv tc_i 3 -q tc_i", "3"},
        {"float", "optionVar -fv tc_f 0.25; optionVar -q tc_f", "0.25"},
        {"string", "optionVar -sv tc_s \"a b\"; optionVar -q tc_s", "a b"},
        {"int array", "optionVar -iva tc_a 1 -iva tc_a 2; optionVar -q tc_a", "1 2"},
        {"size", "optionVar -arraySize tc_a", "2"},
        {"query before set", "optionVar -q tc_i -iv tc_i 4", "3"},
        {"after", "optionVar -q tc_i", "4"},
        {"missing answers 0", "optionVar -q tc_none", "0"},
        {"preferences are not undone", "undo; optionVar -q tc_i", "4"},
    });
    expectRejected({
        {"int from a word", "optionVar -iv tc_i many", "invalid value 'many' for flag '-iv'"},
        {"name only", "optionVar -iv tc_i", "flag '-iv' needs 2 arguments"},
        {"unknown flag", "optionVar -bogus tc_i", "optionVar: invalid flag '-bogus'."},
        {"positional", "optionVar tc_i", "optionVar: expected 0 arguments, got 1."},
        {"bad after good", "optionVar -iv tc_i 9 -fv tc_f nine", "invalid value 'nine'"},
        {"empty name", "optionVar -sv \"\" x", "optionVar: -sv needs a variable name"},
        {"empty name after good", "optionVar -iv tc_i 9 -q \"\"", "-q needs a variable name"},
    });
    EXPECT_EQ(eval("optionVar -q tc_i"), "4");
}

// Undo and redo of each scene command give back exactly the state before and after it.
TEST_F(SceneCommandCases, UndoAndRedoAreExact) {
    const char* const rows[] = {
        "select -r box.f[1] ball", "select -tgl box.f[1:2]",   "parent box cam grp",
        "parent -w ball",          "move -r 1 2 3 box grp",    "move -r 0 1 0 box.vtx[0:2]",
        "rotate 10 20 30 ball",    "scale -r 2 2 2 grp",       "xform -ws -t 1 1 1 ball",
        "hide box ball",           "polyCube -n crate",        "polyPlane -sx 2 -sy 2",
        "polySoftEdge -a 0 ball",  "polyCylinder; polySphere", "camera -n shot -p 1 2 3",
    };
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        const std::string before = state(false);
        ASSERT_NE(eval(text).rfind("ERROR", 0), 0u);
        const std::string after = state(false);
        EXPECT_NE(after, before);
        undo();
        EXPECT_EQ(firstDifference(state(false), before), "");
        redo();
        EXPECT_EQ(firstDifference(state(false), after), "");
        undo();
    }
}

}  // namespace
}  // namespace tarn::commands::testing
