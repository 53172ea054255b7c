// Undo coverage of the mutating commands: each row runs one command in a small scene and checks
// that undo brings back exactly the scene before it and redo exactly the scene after it.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/dg/dg_test_node.h"
#include "host/dg/graph.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/scene_test_support.h"

namespace tarn::scene::testing {
namespace {

// A scene with DAG nodes, a shading network with face membership, and two graph nodes joined
// by a connection, one of them with array elements and a lock.
const char* const kSetup =
    "polyCube -n box; polySphere; camera; "
    "shadingNode -asShader phong; shadingNode -asTexture file; "
    "sets -renderable true -noSurfaceShader true -empty -name redSG; "
    "connectAttr phong1.outColor redSG.surfaceShader; "
    "sets -edit -forceElement redSG box.f[1:2]; "
    "createNode probe -n p1; createNode probe -n p2; "
    "connectAttr p1.sum p2.inputA; "
    "setAttr p1.lightDataArray[2].lightIntensity 1 2 3; "
    "setAttr p1.lightDataArray[7].lightIntensity 4 5 6; "
    "setAttr -lock true p1.inputB; setAttr p1.inputA 2.5; "
    "setAttr -type \"string\" p1.label \"before\"; "
    "hide pSphere1; select -r box";

// Plugs read into every snapshot (a missing node or plug reads as "-").
const std::vector<std::string> kPlugs = {
    "p1.inputA", "p1.inputB", "p1.label", "p1.sum", "p1.lightDataArray",
    "p1.lightDataArray[2].lightIntensity", "p1.lightDataArray[7].lightIntensity",
    "p1.lightDataArray[5].lightIntensity", "p2.inputA", "p2.sum", "p2.inColor",
    "box.translate", "box.rotate", "box.scale", "box.visibility", "pSphere1.visibility"};
const std::vector<std::string> kLocks = {"p1.inputA", "p1.inputB", "p2.inputA", "box.translate"};

// The lines of `actual` and `expected` that differ, "" when equal (short failure messages).
std::string lineDiff(const std::string& actual, const std::string& expected) {
    auto split = [](const std::string& text) {
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        lines.push_back(text.substr(start));
        return lines;
    };
    const std::vector<std::string> a = split(actual), e = split(expected);
    // The first difference from each end frames the changed block.
    size_t head = 0, tail = 0;
    while (head < a.size() && head < e.size() && a[head] == e[head]) ++head;
    if (head == a.size() && head == e.size()) return {};
    while (tail < a.size() - head && tail < e.size() - head &&
           a[a.size() - 1 - tail] == e[e.size() - 1 - tail])
        ++tail;
    auto block = [&](const std::vector<std::string>& lines) {
        std::string out;
        for (size_t i = head; i < lines.size() - tail && i < head + 6; ++i) out += lines[i] + "|";
        return out;
    };
    return "line " + std::to_string(head) + ": got [" + block(a) + "] want [" + block(e) + "]";
}

struct Row {
    const char* id;
    std::string command;
};

class UndoCoverageTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_TRUE(dgtest::registerProbe());
    }
    void TearDown() override {
        plugins::PluginLoader::instance().unloadAll();
        SceneTest::TearDown();
    }

    std::string quiet(const std::string& text) {
        output::Capture capture;
        lang::ExecuteOptions options;
        options.undo = false;
        const lang::RunResult r = lang::executeText(text, options);
        if (!r.ok) return "-";
        if (r.value.isArray()) {
            std::string out;
            for (const std::string& s : r.value.asStringArray()) out += s + " ";
            return out;
        }
        return r.value.asString();
    }

    // The scene's description, the graph's nodes and connections in order, and touched plugs.
    std::string snapshot() {
        std::string s = quiet("describeScene -json") + "\nnodes:";
        for (const KObject& n : Graph::instance().nodes())
            s += " " + NodeImpl::from(n)->name() + ":" + NodeImpl::from(n)->type().name;
        // Connections as a set: undo of a replaced connection brings it back at the end of the
        // graph's list (the per-node order describeScene shows is compared above).
        std::vector<std::string> connections;
        for (const Connection& c : Graph::instance().connections()) {
            connections.push_back(c.srcNode->name() + "." + c.srcAttr->longName + "[" +
                                  std::to_string(c.srcIndex) + "]>" + c.dstNode->name() + "." +
                                  c.dstAttr->longName + "[" + std::to_string(c.dstIndex) + "]");
        }
        std::sort(connections.begin(), connections.end());
        s += "\nconnections:";
        for (const std::string& c : connections) s += " " + c;
        for (const std::string& p : kPlugs) s += "\n" + p + "=" + quiet("getAttr " + p);
        for (const std::string& p : kLocks) s += "\nlock " + p + "=" + quiet("getAttr -lock " + p);
        s += "\nselection=" + quiet("ls -sl");
        return s;
    }
};

TEST_F(UndoCoverageTest, EveryMutatingCommandUndoesAndRedoesExactly) {
    const std::vector<Row> rows = {
        {"createNode", "createNode probe -n p3"},
        {"createNode dag", "createNode transform -n grp -p box"},
        {"rename", "rename p1 q1"},
        {"rename dag", "rename box crate"},
        {"setAttr number", "setAttr p1.inputA 7"},
        {"setAttr compound", "setAttr box.translate 1 2 3"},
        {"setAttr new element", "setAttr p1.lightDataArray[5].lightIntensity 9 8 7"},
        {"setAttr -lock on", "setAttr -lock true p1.inputA"},
        {"setAttr -lock off", "setAttr -lock false p1.inputB"},
        {"setAttr -type string", "setAttr -type \"string\" p1.label \"after\""},
        {"connectAttr", "connectAttr p1.outColor p2.inColor"},
        {"connectAttr -f", "connectAttr -f p1.passive p2.inputA"},
        {"disconnectAttr", "disconnectAttr p1.sum p2.inputA"},
        {"delete source node", "delete p1"},
        {"delete destination node", "delete p2"},
        {"delete two nodes", "delete p2 p1"},
        {"delete transform", "delete box"},
        {"delete shape", "delete boxShape"},
        {"delete hidden transform", "delete pSphere1"},
        {"delete camera", "delete camera1"},
        {"delete shading group", "delete redSG"},
        {"delete shader", "delete phong1"},
        {"delete mixed", "delete box phong1 p1"},
        {"parent", "parent pSphere1 box"},
        {"parent -w", "parent pSphere1 box; parent -w pSphere1"},
        {"hide", "hide box"},
        {"showHidden", "showHidden pSphere1"},
        {"move", "move 1 2 3 box"},
        {"move -r components", "move -r 0 5 0 box.vtx[0:1]"},
        {"rotate", "rotate 10 20 30 box"},
        {"scale", "scale 2 3 4 box"},
        {"xform", "xform -t 1 0 0 -ro 0 45 0 -s 2 2 2 box"},
        {"camera", "camera -n shot -p 1 2 3"},
        {"polyCube", "polyCube"},
        {"polyPlane", "polyPlane -sx 2 -sy 2"},
        {"polySphere", "polySphere -n ball"},
        {"polyCylinder", "polyCylinder"},
        {"nurbsPlane", "nurbsPlane -u 2 -v 3 -n sheet"},
        {"nurbsSphere", "nurbsSphere -r 2 -p 1 0 0"},
        {"nurbsCylinder", "nurbsCylinder -d 2 -ax 1 0 0"},
        {"nurbs move then delete", "nurbsPlane -n sheet; move 0 1 0 sheet; delete sheet"},
        {"polySoftEdge", "polySoftEdge -a 180 box"},
        {"shadingNode", "shadingNode -asUtility place2dTexture"},
        {"sets create", "sets -renderable true -noSurfaceShader true -empty -name blueSG"},
        {"sets forceElement whole", "sets -edit -forceElement redSG pSphere1"},
        {"sets forceElement faces", "sets -edit -forceElement redSG box.f[4] pSphere1.f[0:3]"},
        {"defaultNavigation",
         "defaultNavigation -connectToExisting -source file1 -destination phong1"},
        {"defaultNavigation -force",
         "shadingNode -asShader phong; "
         "defaultNavigation -connectToExisting -source phong2 -destination redSG -force true"},
        {"polyObjectGroup", "polyObjectGroup box.f[0:1]"},
        {"polyHistory -insert node", "createNode groupFaces -n g; polyHistory -insert g box"},
        {"polyHistory -insert on faces", "polyHistory -insert groupFaces box.f[2]"},
        {"polyHistory -create",
         "polyObjectGroup box.f[0]; polyHistory -create boxShapeOrig -n copy"},
        {"delete history node",
         "polyObjectGroup box.f[0]; polyObjectGroup box.f[1]; delete groupFaces1"},
        {"delete mesh with history", "polyObjectGroup box.f[0]; delete box"},
        {"select", "select -r pSphere1 box.f[0]"},
        {"select -cl", "select -cl"},
        {"several commands", "delete p1; createNode probe -n p1; setAttr p1.inputA 4; delete box"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        SetUp();
        run(kSetup);
        const std::string before = snapshot();
        run(row.command);
        const std::string after = snapshot();
        EXPECT_NE(before, after) << "the command changed nothing";
        undo();
        EXPECT_EQ(lineDiff(snapshot(), before), "") << "after undo";
        redo();
        EXPECT_EQ(lineDiff(snapshot(), after), "") << "after redo";
        // A second round trip replays what redo recorded.
        undo();
        EXPECT_EQ(lineDiff(snapshot(), before), "") << "after the second undo";
        redo();
        EXPECT_EQ(lineDiff(snapshot(), after), "") << "after the second redo";
        TearDown();
    }
}

// A setAttr on a missing array element creates it; undo removes it again, and a refused value
// leaves no element behind.
TEST_F(UndoCoverageTest, SetAttrOnANewElementUndoesTheElement) {
    run("createNode probe -n q; setAttr q.lightDataArray[1].lightIntensity 1 1 1");
    const struct {
        const char* text;
        bool ok;
        std::int64_t countAfter;
    } cases[] = {
        {"setAttr q.lightDataArray[4].lightIntensity 1 2 3", true, 2},
        {"setAttr q.lightDataArray[6].lightIntensity 1 2", false, 1},
        {"setAttr q.lightDataArray[6].lightIntensity one two three", false, 1},
        {"setAttr q.lightDataArray[1].lightIntensity 5 5 5", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.ok) run(c.text);
        else runFailing(c.text);
        EXPECT_EQ(integer("getAttr q.lightDataArray"), c.countAfter);
        if (!c.ok) continue;
        undo();
        EXPECT_EQ(integer("getAttr q.lightDataArray"), 1);
        EXPECT_EQ(strings("getAttr q.lightDataArray[1].lightIntensity"),
                  (std::vector<std::string>{"1", "1", "1"}));
        redo();
        EXPECT_EQ(integer("getAttr q.lightDataArray"), c.countAfter);
        undo();
    }
}

// Undoing the creation of a node that a later chunk deleted and restored: the chain of chunks
// replays by name, so the re-created node is the one the later delete takes again.
TEST_F(UndoCoverageTest, DeleteAfterRecreatedNodeReplaysByName) {
    run("createNode probe -n p9");
    run("setAttr p9.inputA 3");
    run("delete p9");
    EXPECT_TRUE(Graph::instance().findNode("p9").isNull());
    undo();
    undo();
    undo();
    EXPECT_TRUE(Graph::instance().findNode("p9").isNull());
    redo();
    redo();
    redo();
    EXPECT_TRUE(Graph::instance().findNode("p9").isNull());
    undo();
    EXPECT_EQ(run("getAttr p9.inputA").asFloat(), 3.0);
}

// Deleted nodes are kept only while undo can bring them back: dropping the undo list, deleting
// with undo off, or unloading the node's plug-in destroys them.
TEST_F(UndoCoverageTest, DetachedNodesLiveOnlyAsLongAsTheirUndoRecord) {
    Graph& graph = Graph::instance();
    run("createNode probe -n a; createNode probe -n b; connectAttr a.sum b.inputA");

    const size_t connected = graph.connections().size();
    run("delete a");
    EXPECT_EQ(graph.detachedCount(), 1u);
    EXPECT_EQ(graph.connections().size(), connected - 1);
    undo::undoQueue().clear();
    EXPECT_EQ(graph.detachedCount(), 0u);

    {
        output::Capture capture;
        lang::ExecuteOptions options;
        options.undo = false;
        ASSERT_TRUE(lang::executeText("delete b", options).ok);
    }
    EXPECT_EQ(graph.detachedCount(), 0u);
    EXPECT_TRUE(graph.findNode("b").isNull());

    // Redo after a new chunk is gone: the undone delete's record is dropped with the redo list.
    run("createNode probe -n c");
    run("delete c");
    undo();
    EXPECT_EQ(graph.detachedCount(), 0u);
    run("delete c");
    EXPECT_EQ(graph.detachedCount(), 1u);
    runFailing("createNode probe -n d; delete d nobody");  // fails before detaching anything
    EXPECT_EQ(graph.detachedCount(), 1u);
}

TEST_F(UndoCoverageTest, UnloadingAPluginClearsUndo) {
    const std::string load = std::string("loadPlugin \"") + TARN_TEST_PLUGIN_DIR + "/probeNode.so\"";
    run(load);
    run("createNode probeNode -n tex; setAttr tex.gain 0.5");
    run("delete tex");
    ASSERT_EQ(Graph::instance().detachedCount(), 1u);
    ASSERT_GT(undo::undoQueue().undoCount(), 0u);
    std::string error;
    ASSERT_TRUE(plugins::PluginLoader::instance().unload("probeNode", false, &error)) << error;
    EXPECT_EQ(Graph::instance().detachedCount(), 0u);
    EXPECT_EQ(undo::undoQueue().undoCount(), 0u);
    EXPECT_EQ(undo::undoQueue().redoCount(), 0u);
    EXPECT_FALSE(undo::undoQueue().undo());
}

// A type going away takes the nodes kept for its undo with it, so an old record cannot bring
// back a node whose type no longer exists.
TEST_F(UndoCoverageTest, DeregisteringATypeDestroysItsDetachedNodes) {
    run("createNode probe -n gone");
    run("delete gone");
    std::string error;
    ASSERT_TRUE(Graph::instance().deregisterType(KTypeId(0x7f001), &error)) << error;
    EXPECT_EQ(Graph::instance().detachedCount(), 0u);
    undo();  // the record finds nothing to put back
    EXPECT_TRUE(Graph::instance().findNode("gone").isNull());
}

}  // namespace
}  // namespace tarn::scene::testing
