// The graph's commands case by case: createNode, setAttr and getAttr over every kind of
// attribute and flag, connectAttr and disconnectAttr (with -f), delete, rename and listAttr.
// Each family: the normal results, every error for bad arguments, and that a failing command
// leaves the scene, the graph and the undo queue exactly as they were.

#include "host/commands/command_test_support.h"

#include <sstream>

namespace tarn::commands::testing {
namespace {

// Two probes joined by one connection, with a light element and a lock.
const char* const kProbes =
    "createNode probe -n p1; createNode probe -n p2; createNode probe -n p3; "
    "connectAttr p1.sum p2.inputA; "
    "setAttr p1.lightDataArray[2].lightIntensity 1 2 3; "
    "setAttr -lock true p3.inputB";

class DgCommandCases : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        ASSERT_EQ(eval(kProbes), "");
        undo::undoQueue().clear();
    }
};

TEST_F(DgCommandCases, SetAndGetEveryAttributeKind) {
    expectCases({
        {"float", "setAttr p1.inputA 2.5; getAttr p1.inputA", "2.5"},
        {"short name", "setAttr p1.a 3; getAttr p1.inputA", "3"},
        {"double", "setAttr p1.inputB 0.125; getAttr p1.b", "0.125"},
        {"bool from number", "setAttr p1.doubleIt 1; getAttr p1.doubleIt", "1"},
        {"bool from word", "setAttr p1.doubleIt false; getAttr p1.doubleIt", "0"},
        {"bool from 'on'", "setAttr p1.doubleIt on; getAttr p1.doubleIt", "1"},
        {"enum", "setAttr p1.mode 0; getAttr p1.mode", "0"},
        {"string", "setAttr -type \"string\" p1.label \"two words\"; getAttr p1.label",
         "two words"},
        {"string without -type", "setAttr p1.lb plain; getAttr p1.label", "plain"},
        {"empty string", "setAttr -type \"string\" p1.label \"\"; getAttr p1.label", ""},
        {"colour", "setAttr p1.inColor 0.25 0.5 1; getAttr p1.inColor", "0.25 0.5 1"},
        {"colour child", "setAttr p1.inColorB 0.75; getAttr p1.ic", "0.25 0.5 0.75"},
        {"colour from an array", "setAttr p1.inColor {1, 0, 0}; getAttr p1.inColor", "1 0 0"},
        {"matrix",
         "setAttr -type \"matrix\" p1.placement 1 0 0 0 0 2 0 0 0 0 3 0 4 5 6 1; "
         "getAttr p1.placement",
         "1 0 0 0 0 2 0 0 0 0 3 0 4 5 6 1"},
        {"new array element",
         "setAttr p1.lightDataArray[5].lightIntensity 4 5 6; getAttr p1.lightDataArray", "2"},
        {"element child", "getAttr p1.lightDataArray[5].lightIntensityG", "5"},
        {"computed output", "setAttr p1.inputB 0; getAttr p1.sum", "8"},
        {"computed colour", "setAttr p1.doubleIt 1; getAttr p1.outColor", "2 0 0"},
        {"declined output keeps its value", "getAttr p1.passive", "7"},
        {"connected input reads its source", "getAttr p2.inputA", "8"},
        {"lock query", "getAttr -lock p3.inputB", "1"},
        {"lock query unlocked", "getAttr -l p1.inputB", "0"},
        {"negative number", "setAttr p1.inputB -0.5; getAttr p1.inputB", "-0.5"},
        {"expression value", "setAttr p1.inputB (1.0 / 4); getAttr p1.inputB", "0.25"},
    });
}

TEST_F(DgCommandCases, HardLimitsClampSetAttrValues) {
    // inputA has the hard range [0, 10].
    expectCases({
        {"inside", "setAttr p1.inputA 9.5; getAttr p1.inputA", "9.5"},
        {"above", "setAttr p1.inputA 25; getAttr p1.inputA", "10"},
        {"below", "setAttr p1.inputA -3; getAttr p1.inputA", "0"},
        {"no limits on inputB", "setAttr p1.inputB 1e6; getAttr p1.inputB", "1e+06"},
    });
    output::Capture capture;
    lang::ExecuteOptions options;
    options.undo = true;
    ASSERT_TRUE(lang::executeText("setAttr p1.inputA 11", options).ok);
    EXPECT_EQ(capture.warnings(), "setAttr: 11 is outside the range of p1.inputA; 10 is used\n");
    // Values inside the range, and attributes without one, warn of nothing.
    capture.clear();
    ASSERT_TRUE(lang::executeText("setAttr p1.inputA 10; setAttr p1.inColor 0 1 2", options).ok);
    EXPECT_EQ(capture.warnings(), "");
}

TEST_F(DgCommandCases, SetAttrLockAndValueTogether) {
    expectCases({
        {"lock and set", "setAttr -lock true p1.inputB 2; getAttr p1.inputB", "2"},
        {"now locked", "getAttr -lock p1.inputB", "1"},
        {"unlock and set", "setAttr -lock false p1.inputB 3; getAttr p1.inputB", "3"},
        {"lock only", "setAttr -l on p1.inColor; getAttr -lock p1.inColor", "1"},
        {"child of a locked compound", "setAttr p1.inColorR 1", "locked", false},
    });
    // A refused value leaves the lock as it was too.
    expectRejected({
        {"bad value with a lock", "setAttr -lock true p1.inputA nope", "'nope' is not a number"},
        {"bad value with an unlock", "setAttr -lock false p3.inputB nope",
         "'nope' is not a number"},
        {"too many values with an unlock", "setAttr -lock off p3.inputB 1 2", "takes 1 value"},
    });
}

TEST_F(DgCommandCases, SetAttrAndGetAttrRejectBadArguments) {
    expectRejected({
        {"no arguments", "setAttr", "setAttr: expected at least 1 argument, got 0."},
        {"no value", "setAttr p1.inputA", "setAttr: no value given for p1.inputA"},
        {"unknown flag", "setAttr -bogus p1.inputA 1", "setAttr: invalid flag '-bogus'."},
        {"lock flag without value", "setAttr p1.inputA 1 -lock", "needs 1 argument"},
        {"lock not a bool", "setAttr -lock maybe p1.inputA", "invalid value 'maybe'"},
        {"missing node", "setAttr nobody.inputA 1", "No object matches name: nobody"},
        {"missing attribute", "setAttr p1.nothing 1", "No attribute 'nothing'"},
        {"no attribute named", "setAttr p1 1", "No attribute named in 'p1'"},
        {"not a number", "setAttr p1.inputA abc", "setAttr: 'abc' is not a number"},
        {"too few", "setAttr p1.inColor 1 2", "setAttr: p1.inColor takes 3 values, 2 given"},
        {"too many", "setAttr p1.inputA 1 2", "setAttr: p1.inputA takes 1 value, 2 given"},
        {"matrix short", "setAttr p1.placement 1 0 0", "takes 16 values, 3 given"},
        {"not a number word", "setAttr p1.inputB nan", "p1.inputB takes finite numbers"},
        {"infinite", "setAttr p1.inColor 1 inf 0", "p1.inColor takes finite numbers"},
        {"infinite expression", "setAttr p1.inputB (1e308 * 10)", "takes finite numbers"},
        {"string on a number", "setAttr -type \"string\" p1.inputA x", "does not hold a string"},
        {"two strings", "setAttr p1.label a b", "give one string"},
        {"output", "setAttr p1.sum 1", "not writable"},
        {"locked", "setAttr p3.inputB 1", "locked"},
        {"connected", "setAttr p2.inputA 1", "connected"},
        {"bad element value", "setAttr p1.lightDataArray[6].lightIntensity 1 x 3",
         "'x' is not a number"},
        {"get: no arguments", "getAttr", "getAttr: expected 1 argument, got 0."},
        {"get: two plugs", "getAttr p1.inputA p1.inputB", "getAttr: expected 1 argument, got 2."},
        {"get: unknown flag", "getAttr -x p1.inputA", "getAttr: invalid flag '-x'."},
        {"get: missing node", "getAttr nobody.inputA", "No object matches name: nobody"},
        {"get: missing attribute", "getAttr p1.nothing", "No attribute 'nothing'"},
    });
}

// Reading never changes the scene: not even a missing array element is made by looking at it.
TEST_F(DgCommandCases, GetAttrChangesNothing) {
    const struct {
        const char* text;
        const char* want;
    } reads[] = {
        // A missing element reads as the light data's defaults (direction, intensity, ambient,
        // diffuse, specular, shadow fraction, pre-shadow intensity, blind data).
        {"getAttr p1.lightDataArray[9].lightIntensity", "0 0 0"},
        {"getAttr p1.lightDataArray[9]", "0 0 0 0 0 0 1 1 0 0 1 0"},
        {"getAttr p1.lightDataArray", "1"},
        {"getAttr p2.sum", "2"},
        {"getAttr -lock p1.lightDataArray[9].lightIntensity", "0"},
        {"listConnections p1.lightDataArray[9]", ""},
    };
    for (const auto& r : reads) {
        const std::string before = state();
        EXPECT_EQ(eval(r.text), r.want) << r.text;
        EXPECT_EQ(firstDifference(state(), before), "") << r.text;
    }
    expectRejected({
        {"set a whole array", "setAttr p1.lightDataArray 1", "p1.lightDataArray"},
    });
}

TEST_F(DgCommandCases, CreateNodeRenameAndListAttr) {
    expectCases({
        {"numbered", "createNode probe", "probe1"},
        {"named", "createNode probe -n q", "q"},
        {"taken name is numbered", "createNode probe -n q", "q1"},
        {"dag node under a parent", "createNode transform -n grp; createNode transform -p grp",
         "transform1"},
        {"parent is set", "listRelatives -p transform1", "grp"},
        {"rename", "rename q r", "r"},
        {"rename to itself", "rename r r", "r"},
        {"rename to a taken name", "rename r p1", "p4"},
        {"rename by short flagless path", "rename |grp group", "group"},
        {"listAttr keyable", "listAttr -k p1", "inputA"},
        {"listAttr short names of arrays", "listAttr -a -sn p1", "ltd"},
    });
    expectRejected({
        {"create: no type", "createNode", "createNode: expected 1 argument, got 0."},
        {"create: two types", "createNode probe probe", "expected 1 argument, got 2."},
        {"create: unknown type", "createNode nothing", "Unknown node type: nothing"},
        {"create: unknown flag", "createNode -q probe", "createNode: invalid flag '-q'."},
        {"create: name needs a value", "createNode probe -n", "flag '-n' needs 1 argument"},
        {"create: missing parent", "createNode transform -p nobody",
         "No object matches name: nobody"},
        {"create: bad name", "createNode probe -n \"a b\"", "Invalid node name"},
        {"rename: one word", "rename p1", "rename: expected 2 arguments, got 1."},
        {"rename: missing node", "rename nobody x", "No object matches name: nobody"},
        {"rename: empty name", "rename p1 \"\"", "Invalid node name"},
        {"rename: bad name", "rename p1 \"p 1\"", "Invalid node name"},
        {"rename: default material", "rename lambert1 mat", "Cannot rename the default node"},
        {"rename: default group", "rename initialShadingGroup sg",
         "Cannot rename the default node initialShadingGroup"},
        {"listAttr: missing node", "listAttr nobody", "No object matches name: nobody"},
        {"listAttr: unknown flag", "listAttr -z p1", "listAttr: invalid flag '-z'."},
    });
}

// listAttr -w names exactly what setAttr may write: the children of an output compound are
// read-only like their parent.
TEST_F(DgCommandCases, ListAttrWritableMatchesWhatSetAttrTakes) {
    const std::string writable = eval("listAttr -w p1");
    const std::string readOnly = eval("listAttr -ro p1");
    std::istringstream names(writable);
    std::string name;
    int count = 0;
    while (names >> name) {
        ++count;
        const std::string got = eval("setAttr p1." + name + " 0");
        EXPECT_EQ(got.find("not writable"), std::string::npos) << name << ": " << got;
    }
    EXPECT_GT(count, 3) << writable;
    for (const char* output : {"sum", "outColor", "outColorR", "outColorB"}) {
        EXPECT_EQ((" " + writable + " ").find(std::string(" ") + output + " "), std::string::npos)
            << output;
        EXPECT_NE((" " + readOnly + " ").find(std::string(" ") + output + " "), std::string::npos)
            << output;
    }
}

// A session's first command may create a host type: the types are there without a scene
// command having run before.
TEST_F(DgCommandCases, HostTypesExistFromTheFirstCommand) {
    for (const char* type : {"transform", "phong", "shadingEngine"}) {
        Graph::instance().clear();
        EXPECT_EQ(eval(std::string("createNode ") + type + " -n first"), "first") << type;
    }
}

TEST_F(DgCommandCases, ConnectAndDisconnect) {
    expectCases({
        {"connect", "connectAttr p1.sum p3.inputA", "Connected p1.sum to p3.inputA."},
        {"short names", "connectAttr p1.oc p3.ic", "Connected p1.outColor to p3.inColor."},
        {"value flows", "setAttr p1.inputA 6; getAttr p3.inputA", "7"},
        {"force replaces", "connectAttr -f p2.sum p3.inputA", "Connected p2.sum to p3.inputA."},
        {"new source feeds", "getAttr p3.inputA", "7"},
        {"element destination",
         "connectAttr p1.sum p3.lightDataArray[4].lightShadowFraction; getAttr p3.ltd", "1"},
        {"disconnect", "disconnectAttr p2.sum p3.inputA; setAttr p3.inputA 2; getAttr p3.inputA",
         "2"},
        // inputB resets to its default when its connection goes; inputA keeps the last value.
        {"reset on disconnect",
         "connectAttr p1.sum p2.inputB; getAttr p2.inputB; disconnectAttr p1.sum p2.inputB; "
         "getAttr p2.inputB",
         "0"},
        {"keep on disconnect", "disconnectAttr p1.sum p2.inputA; getAttr p2.inputA", "7"},
    });
    expectRejected({
        {"count", "connectAttr p1.sum", "connectAttr: expected 2 arguments, got 1."},
        {"unknown flag", "connectAttr -x p1.sum p3.inputA", "connectAttr: invalid flag '-x'."},
        {"missing source node", "connectAttr nobody.sum p3.inputA",
         "No object matches name: nobody"},
        {"missing destination attribute", "connectAttr p1.sum p3.nothing",
         "No attribute 'nothing'"},
        {"occupied", "connectAttr p2.sum p3.inColorR",
         "'p3.inColorR' already has an incoming connection from 'p1.outColor'"},
        {"again", "connectAttr p1.outColor p3.inColor", "is already connected"},
        {"incompatible", "connectAttr p1.outColor p2.inputA", "are not compatible"},
        {"to an output", "connectAttr p1.sum p2.sum", "is an output"},
        {"locked destination", "connectAttr p1.sum p3.inputB", "is locked"},
        {"cycle", "connectAttr p3.sum p1.inputA", "would create a cycle"},
        {"to itself", "connectAttr p1.sum p1.inputB",
         "attributes of the same node are not supported"},
        {"whole array", "connectAttr p1.sum p2.lightDataArray", "Name an element"},
        {"disconnect: count", "disconnectAttr p1.sum", "expected 2 arguments, got 1."},
        {"disconnect: flag", "disconnectAttr -f p1.sum p2.inputA", "invalid flag '-f'."},
        {"disconnect: none", "disconnectAttr p2.sum p3.inputA",
         "There is no connection from 'p2.sum' to 'p3.inputA'"},
        {"disconnect: missing", "disconnectAttr p1.sum nobody.inputA",
         "No object matches name: nobody"},
    });
}

// Undo of a forced connection brings the replaced one back where it was in the graph's list, so
// the scene reads exactly as before.
TEST_F(DgCommandCases, ForcedConnectionUndoRestoresTheOldOrder) {
    ASSERT_EQ(eval("createNode probe -n p4; createNode probe -n p5; "
                   "connectAttr p1.sum p3.inputA; connectAttr p1.sum p4.inputA"),
              "Connected p1.sum to p4.inputA.");
    struct Row {
        const char* id;
        const char* text;
    } rows[] = {
        {"first of three", "connectAttr -f p5.sum p2.inputA"},
        {"middle", "connectAttr -f p5.sum p3.inputA"},
        {"last", "connectAttr -f p5.sum p4.inputA"},
        {"disconnect the first", "disconnectAttr p1.sum p2.inputA"},
        {"disconnect the middle", "disconnectAttr p1.sum p3.inputA"},
        {"onto a child of a connected compound",
         "connectAttr p1.outColor p5.inColor; "
         "connectAttr -f p2.sum p5.inColorG"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const std::string before = state(false);
        ASSERT_NE(eval(row.text).rfind("ERROR", 0), 0u);
        const std::string after = state(false);
        undo();
        EXPECT_EQ(firstDifference(state(false), before), "");
        redo();
        EXPECT_EQ(firstDifference(state(false), after), "");
        undo();
        EXPECT_EQ(firstDifference(state(false), before), "");
    }
}

TEST_F(DgCommandCases, ListConnections) {
    ASSERT_EQ(eval("connectAttr p1.outColor p3.inColor; connectAttr p2.sum p3.inputA"),
              "Connected p2.sum to p3.inputA.");
    expectCases({
        {"both sides in list order", "listConnections p3", "p1 p2"},
        {"source and destination", "listConnections p2", "p1 p3"},
        {"sources only", "listConnections -d false p2", "p1"},
        {"destinations only", "listConnections -s false p2", "p3"},
        {"plugs", "listConnections -p true p3", "p1.outColor p2.sum"},
        {"pairs", "listConnections -c true -p true p2.sum", "p2.sum p3.inputA"},
        {"a child of a connected compound", "listConnections p3.inColorR", "p1"},
        {"by type", "listConnections -type transform p3", ""},
        {"nothing", "listConnections p1.inputB", ""},
        {"several words, each node once", "listConnections p1.outColor p2.sum", "p3"},
    });
    expectRejected({
        {"no words", "listConnections", "listConnections: expected at least 1 argument, got 0."},
        {"missing", "listConnections nobody", "No object matches name: nobody"},
        {"bad plug", "listConnections p1.nothing", "No attribute 'nothing'"},
        {"flag not a bool", "listConnections -s maybe p1", "invalid value 'maybe'"},
    });
}

TEST_F(DgCommandCases, DeleteAndItsErrors) {
    expectCases({
        {"delete connected source", "delete p1; ls -type probe", "p2 p3"},
        {"connection went with it", "setAttr p2.inputA 1; getAttr p2.inputA", "1"},
        {"undo", "undo; undo; getAttr p2.inputA", "2"},
        {"several", "delete p2 p3; ls -type probe", "p1"},
        {"a DAG parent takes its children",
         "createNode transform -n g; createNode transform -n c -p g; delete g; ls c", ""},
    });
    expectRejected({
        {"nothing named", "delete", "delete: expected at least 1 argument, got 0."},
        {"missing", "delete nobody", "No object matches name: nobody"},
        {"one missing of two", "delete p1 nobody", "No object matches name: nobody"},
        {"default group", "delete p1 initialShadingGroup",
         "Cannot delete the default node initialShadingGroup"},
        {"default material", "delete lambert1", "Cannot delete the default node lambert1"},
        {"unknown flag", "delete -x p1", "delete: invalid flag '-x'."},
    });
}

// A failing statement after good ones: the good ones stand as their own chunk's changes, the
// failing one adds nothing, and redo history is not lost to a failure.
TEST_F(DgCommandCases, FailureKeepsTheRedoList) {
    ASSERT_EQ(eval("setAttr p1.inputA 5"), "");
    undo();
    const std::string before = state();
    EXPECT_EQ(eval("setAttr p1.inputA 6; setAttr p1.nothing 1").rfind("ERROR", 0), 0u);
    EXPECT_EQ(eval("getAttr p1.inputA"), "6");
    undo();
    EXPECT_EQ(firstDifference(state(), before), "");
    EXPECT_EQ(eval("setAttr p1.nothing 1").rfind("ERROR", 0), 0u);
    redo();
    EXPECT_EQ(eval("getAttr p1.inputA"), "6");
}

}  // namespace
}  // namespace tarn::commands::testing
