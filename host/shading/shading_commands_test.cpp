// Shading through commands and the function set: shadingNode, sets (shading groups and plain
// sets), defaultNavigation with and without -force, what the materials compute, and that bad
// arguments change nothing while undo and redo are exact.

#include "host/commands/command_test_support.h"

#include "frame/k_global.h"
#include "frame/k_shading.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/shading/shading_nodes.h"

namespace tarn::commands::testing {
namespace {

// A cube and a plane, a phong in its own shading group holding two cube faces, a file texture
// with a placement, and a camera.
const char* const kShading =
    "polyCube -n box; polyPlane -n flat -sx 2 -sy 1; camera -n cam; "
    "shadingNode -asShader phong; sets -renderable true -noSurfaceShader true -empty -name redSG; "
    "connectAttr phong1.outColor redSG.surfaceShader; sets -edit -forceElement redSG box.f[1:2]; "
    "shadingNode -asTexture file; shadingNode -asUtility place2dTexture; select -cl";

class ShadingCommandCases : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        ASSERT_EQ(eval(kShading), "");
        undo::undoQueue().clear();
    }
};

TEST_F(ShadingCommandCases, ShadingNodeCreatesByRole) {
    expectCases({
        {"shader", "shadingNode -asShader phong", "phong2"},
        {"short flag", "shadingNode -as lambert", "lambert2"},
        {"texture", "shadingNode -at file", "file2"},
        {"utility", "shadingNode -asUtility place2dTexture", "place2dTexture2"},
        {"named", "shadingNode -asShader phong -n plastic", "plastic"},
        {"taken name", "shadingNode -asShader lambert -n plastic", "plastic1"},
        {"listed by type", "ls -type phong", "phong1 phong2 plastic"},
        {"undo", "undo; ls -type lambert", "lambert1 lambert2"},
    });
    expectRejected({
        {"no role", "shadingNode phong", "needs exactly one of"},
        {"two roles", "shadingNode -asShader -asTexture phong", "needs exactly one of"},
        {"unknown type", "shadingNode -asShader velvet", "Unknown node type: velvet"},
        {"no type", "shadingNode -asShader", "shadingNode: expected 1 argument, got 0."},
        {"two types", "shadingNode -asShader phong file", "expected 1 argument, got 2."},
        {"unknown flag", "shadingNode -asMaterial phong", "invalid flag '-asMaterial'."},
        {"name needs a value", "shadingNode -asShader phong -n", "flag '-n' needs 1 argument"},
        {"bad name", "shadingNode -asShader phong -n \"a b\"", "Invalid node name"},
    });
}

TEST_F(ShadingCommandCases, SetsCreateQueryAndForceElements) {
    expectCases({
        {"group", "sets -renderable true -noSurfaceShader true -empty -name blueSG", "blueSG"},
        {"short flags", "sets -r 1 -nss 1 -em -n greenSG", "greenSG"},
        {"query empty", "sets -q blueSG", ""},
        {"query parts", "sets -q redSG", "box.f[1:2]"},
        {"whole mesh", "sets -e -forceElement blueSG flat; sets -q blueSG", "flatShape"},
        {"faces leave their group", "sets -e -fe blueSG box.f[2] flat.f[0]; sets -q redSG",
         "box.f[1]"},
        {"both meshes in the new group", "sets -q blueSG", "box.f[2] flatShape"},
        {"the selection", "select -r box.f[5]; sets -e -forceElement greenSG; sets -q greenSG",
         "box.f[5]"},
        {"a plain set of the selection", "select -r cam box.vtx[0]; sets -name keep", "keep"},
        {"plain set members", "sets -q keep", "cam box.vtx[0]"},
        {"add to a plain set", "sets -e -addElement keep flat cam; sets -q keep",
         "cam box.vtx[0] flat"},
        {"members follow a rename", "rename cam eye; sets -q keep", "eye box.vtx[0] flat"},
        {"a deleted member drops out", "delete flat; sets -q keep", "eye box.vtx[0]"},
        {"and comes back with undo", "undo; sets -q keep", "eye box.vtx[0] flat"},
        {"a new node of the old name is another", "camera -n cam; sets -q keep",
         "eye box.vtx[0] flat"},
        {"a group made with members", "sets -renderable true -name fullSG box; sets -q fullSG",
         "boxShape"},
    });
    expectRejected({
        {"query two", "sets -q redSG blueSG", "sets -q needs one set"},
        {"query missing", "sets -q nobodySG", "No set matches name: nobodySG"},
        {"query not a set", "sets -q phong1", "phong1 is not a set"},
        {"edit without element flag", "sets -e redSG", "needs -forceElement or -addElement"},
        {"force outside edit", "sets -forceElement redSG box",
         "flag '-forceElement' can only be used in query or edit mode."},
        {"query and edit", "sets -q -e redSG", "-query and -edit cannot be used together."},
        {"not a mesh", "sets -e -forceElement redSG cam", "cam cannot join a shading group"},
        {"edges", "sets -e -forceElement redSG box.e[0]", "Only faces can join a shading group"},
        {"face past the end", "sets -e -forceElement redSG box.f[6]", "box.f[6]"},
        {"bad after good", "sets -e -forceElement redSG flat nobody",
         "No object matches name: nobody"},
        {"group of a camera", "sets -renderable true -name camSG cam",
         "cam cannot join a shading group"},
        {"group of a missing object", "sets -renderable true -name goneSG nobody",
         "No object matches name: nobody"},
        {"renderable not a bool", "sets -renderable maybe -empty", "invalid value 'maybe'"},
        {"unknown flag", "sets -bogus -empty", "sets: invalid flag '-bogus'."},
    });
}

TEST_F(ShadingCommandCases, DefaultNavigationByKind) {
    auto connectionsInto = [](const std::string& plug) {
        std::string out;
        for (const Connection& c : Graph::instance().connections())
            if (c.dstNode->name() + "." + c.dstAttr->longName == plug)
                out += c.srcNode->name() + "." + c.srcAttr->longName;
        return out;
    };
    const std::string nav = "defaultNavigation -connectToExisting ";
    expectCases({
        {"placement to texture", nav + "-source place2dTexture1 -destination file1", ""},
        {"texture to shader", nav + "-source file1 -destination phong1", ""},
        {"again is quiet", nav + "-source file1 -destination phong1", ""},
        {"shader to group",
         "shadingNode -asShader lambert; sets -r 1 -em -n leafSG; " + nav + "-s lambert2 -d leafSG",
         ""},
        {"texture to a mesh", "shadingNode -asTexture file; " + nav + "-s file2 -d flat", ""},
    });
    EXPECT_EQ(connectionsInto("file1.uvCoord"), "place2dTexture1.outUV");
    EXPECT_EQ(connectionsInto("phong1.color"), "file1.outColor");
    EXPECT_EQ(connectionsInto("leafSG.surfaceShader"), "lambert2.outColor");
    EXPECT_EQ(connectionsInto("lambert1.color"), "file2.outColor")
        << "flat is in the default group";
    expectRejected({
        {"occupied", nav + "-source file2 -destination phong1", "already connected"},
        {"no source", nav + "-destination phong1", "needs -source and -destination"},
        {"missing source", nav + "-source nobody -destination phong1",
         "No object matches name: nobody"},
        {"missing destination", nav + "-source file1 -destination nobody",
         "No object matches name: nobody"},
        {"shader onto a mesh", nav + "-source phong1 -destination box", "through a shading group"},
        {"wrong kinds", nav + "-source box -destination phong1", "cannot connect box to phong1"},
        {"force not a bool", nav + "-source file2 -destination phong1 -force maybe",
         "invalid value 'maybe'"},
        {"positional", "defaultNavigation file1 phong1", "expected 0 arguments, got 2."},
    });
    expectCases({
        {"forced", nav + "-source file2 -destination phong1 -force true", ""},
        {"forced again is quiet", nav + "-source file2 -destination phong1 -force true", ""},
    });
    EXPECT_EQ(connectionsInto("phong1.color"), "file2.outColor");
}

// Undo of a connection puts back what the destination had: its own value, or the connection a
// forced one replaced at its old place, so the scene reads exactly as before.
TEST_F(ShadingCommandCases, UndoAndRedoAreExact) {
    eval(
        "setAttr phong1.color 1 0 0; shadingNode -asShader phong; shadingNode -asTexture file; "
        "connectAttr file2.outColor phong2.color; connectAttr file1.outAlpha phong2.diffuse; "
        "connectAttr file1.outColor phong1.color");
    undo::undoQueue().clear();
    const std::string nav = "defaultNavigation -connectToExisting ";
    const std::string rows[] = {
        "shadingNode -asShader phong -n gold",
        "sets -renderable true -noSurfaceShader true -empty -name blueSG",
        "sets -e -forceElement redSG flat box.f[0]",
        "sets -e -forceElement initialShadingGroup box",
        "select -r cam; sets -name keep; sets -e -addElement keep flat",
        nav + "-source place2dTexture1 -destination file1",
        nav + "-source file2 -destination phong1 -force true",
        nav + "-source phong2 -destination redSG -force true",
        "disconnectAttr file1.outColor phong1.color; " + nav + "-s file2 -d phong1",
        "connectAttr -f file2.outColor phong1.color",
        "connectAttr -f file2.outAlpha phong1.diffuse",
        "disconnectAttr file2.outColor phong2.color",
        "delete phong1",
        "delete file1 redSG",
    };
    for (const std::string& text : rows) {
        SCOPED_TRACE(text);
        const std::string before = state(false);
        ASSERT_NE(eval(text).rfind("ERROR", 0), 0u) << eval(text);
        const std::string after = state(false);
        EXPECT_NE(after, before);
        undo();
        EXPECT_EQ(firstDifference(state(false), before), "");
        redo();
        EXPECT_EQ(firstDifference(state(false), after), "");
        undo();
        EXPECT_EQ(firstDifference(state(false), before), "");
    }
}

// The texts a plug-in runs through the SDK, undo off, answer their results there; a failing
// one answers a failure and changes nothing.
TEST_F(ShadingCommandCases, PluginTextsThroughTheSdk) {
    output::Capture quiet;
    KString shader, group;
    ASSERT_TRUE(KGlobal::executeCommand("shadingNode -asShader phong -n skin", shader));
    EXPECT_EQ(shader, KString("skin"));
    ASSERT_TRUE(KGlobal::executeCommand(
        "sets -renderable true -noSurfaceShader true -empty -name skinSG", group));
    EXPECT_EQ(group, KString("skinSG"));
    ASSERT_TRUE(KGlobal::executeCommand(
        "defaultNavigation -connectToExisting -source skin -destination skinSG"));
    ASSERT_TRUE(KGlobal::executeCommand("sets -edit -forceElement skinSG flat box.f[0]"));
    KStringArray members;
    ASSERT_TRUE(KGlobal::executeCommand("sets -q skinSG", members));
    ASSERT_EQ(members.length(), 2u);
    EXPECT_EQ(members[0], KString("box.f[0]"));
    EXPECT_EQ(members[1], KString("flatShape"));
    EXPECT_EQ(undo::undoQueue().undoCount(), 0u) << "undo off records nothing";

    const std::string before = state();
    EXPECT_FALSE(KGlobal::executeCommand("sets -edit -forceElement skinSG box.f[0] cam"));
    EXPECT_FALSE(KGlobal::executeCommand("sets -renderable true -name camSG cam", group));
    EXPECT_FALSE(KGlobal::executeCommand(
        "defaultNavigation -connectToExisting -source phong1 -destination skinSG"));
    EXPECT_EQ(firstDifference(state(), before), "");
}

TEST_F(ShadingCommandCases, MaterialsComputeFromTheirInputs) {
    // outColor is colour times diffuse; outTransparency is the transparency.
    expectCases({
        {"phong default", "getAttr phong1.outColor", "0.4 0.4 0.4"},
        {"phong colour", "setAttr phong1.color 1 0.5 0; setAttr phong1.dc 0.5; getAttr phong1.oc",
         "0.5 0.25 0"},
        {"phong transparency", "setAttr phong1.it 0.25 0.5 0.75; getAttr phong1.outTransparency",
         "0.25 0.5 0.75"},
        {"lambert default", "getAttr lambert1.outColor", "0.4 0.4 0.4"},
        {"through a texture",
         "setAttr file1.outColor 1 1 0; connectAttr file1.outColor phong1.color; "
         "getAttr phong1.outColor",
         "0.5 0.5 0"},
        {"texture changes follow", "setAttr file1.outColor 0 0 1; getAttr phong1.outColor",
         "0 0 0.5"},
        {"the group's shader", "getAttr redSG.surfaceShader", "0 0 0.5"},
        {"a child of the output", "getAttr phong1.outColorB", "0.5"},
        {"lambert through a connected diffuse",
         "connectAttr file1.outAlpha lambert1.diffuse; setAttr file1.outAlpha 0.25; "
         "getAttr lambert1.outColor",
         "0.125 0.125 0.125"},
        {"placement defaults", "getAttr place2dTexture1.repeatUV", "1 1"},
        {"phong attributes", "getAttr phong1.cosinePower; getAttr phong1.reflectivity", "0.5"},
    });
}

TEST_F(ShadingCommandCases, PhongFunctionSet) {
    KFnPhongShader fn;
    KStatus status;
    const KObject node = fn.create(true, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(fn.name(), KString("phong2"));
    const struct {
        KStatus (KFnPhongShader::*set)(const KColor&);
        KColor (KFnPhongShader::*get)(KStatus*) const;
        const char* plug;
    } colours[] = {
        {&KFnPhongShader::setColor, &KFnPhongShader::color, "phong2.color"},
        {&KFnPhongShader::setSpecularColor, &KFnPhongShader::specularColor, "phong2.specularColor"},
        {&KFnPhongShader::setTransparency, &KFnPhongShader::transparency, "phong2.transparency"},
        {&KFnPhongShader::setAmbientColor, &KFnPhongShader::ambientColor, "phong2.ambientColor"},
        {&KFnPhongShader::setIncandescence, &KFnPhongShader::incandescence, "phong2.incandescence"},
    };
    for (const auto& c : colours) {
        SCOPED_TRACE(c.plug);
        ASSERT_TRUE((fn.*c.set)(KColor(0.25f, 0.5f, 0.75f, 1.0f)));
        EXPECT_EQ((fn.*c.get)(nullptr), KColor(0.25f, 0.5f, 0.75f, 1.0f));
        EXPECT_EQ(eval(std::string("getAttr ") + c.plug), "0.25 0.5 0.75");
    }
    ASSERT_TRUE(fn.setCosPower(12.5f));
    EXPECT_FLOAT_EQ(fn.cosPower(), 12.5f);
    EXPECT_EQ(eval("getAttr phong2.cosinePower"), "12.5");

    // A set that is not attached, or attached to something else, answers a failure.
    KFnPhongShader unattached;
    KStatus answer;
    EXPECT_EQ(unattached.setColor(KColor(1, 0, 0)), KStatus::kInvalidParameter);
    EXPECT_EQ(unattached.color(&answer), KColor());
    EXPECT_TRUE(answer.error());
    for (const char* other : {"lambert1", "file1", "redSG", "box"}) {
        KStatus wrong;
        KFnPhongShader set(scene::findNode(other), &wrong);
        EXPECT_EQ(wrong, KStatus::kInvalidParameter) << other;
    }
    EXPECT_EQ(KFnPhongShader(node).cosPower(), 12.5f);
}

TEST_F(ShadingCommandCases, GroupsAndKindsOfNodes) {
    struct Row {
        const char* node;
        shading::ShadingKind kind;
    } rows[] = {
        {"phong1", shading::ShadingKind::Shader},
        {"lambert1", shading::ShadingKind::Shader},
        {"file1", shading::ShadingKind::Texture},
        {"place2dTexture1", shading::ShadingKind::Placement},
        {"redSG", shading::ShadingKind::ShadingGroup},
        {"initialShadingGroup", shading::ShadingKind::ShadingGroup},
        {"box", shading::ShadingKind::None},
        {"boxShape", shading::ShadingKind::None},
    };
    for (const Row& r : rows) {
        const KObject node = scene::findNode(r.node);
        EXPECT_EQ(shading::shadingKind(node), r.kind) << r.node;
        EXPECT_EQ(shading::isShadingGroup(node), r.kind == shading::ShadingKind::ShadingGroup)
            << r.node;
    }
    EXPECT_EQ(scene::nodeName(shading::surfaceShaderOf(scene::findNode("redSG"))), "phong1");
    EXPECT_EQ(scene::nodeName(shading::surfaceShaderOf(shading::initialShadingGroup())),
              "lambert1");
    EXPECT_TRUE(shading::surfaceShaderOf(scene::findNode("phong1")).isNull());
    // A deleted shader leaves its group without one; undo brings it back.
    eval("delete phong1");
    EXPECT_TRUE(shading::surfaceShaderOf(scene::findNode("redSG")).isNull());
    undo();
    EXPECT_EQ(scene::nodeName(shading::surfaceShaderOf(scene::findNode("redSG"))), "phong1");
    // Deleting a group leaves its faces in none; undo puts them back.
    eval("delete redSG");
    EXPECT_EQ(eval("describeScene -json").find("redSG"), std::string::npos);
    const std::vector<KObject> groups = shading::faceGroups(scene::findNode("boxShape"));
    ASSERT_EQ(groups.size(), 6u);
    EXPECT_TRUE(groups[1].isNull());
    undo();
    EXPECT_EQ(eval("sets -q redSG"), "box.f[1:2]");
}

}  // namespace
}  // namespace tarn::commands::testing
