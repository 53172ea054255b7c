// Construction history from scripts, with the probe modifier `offsetMesh` (moves vertices along
// their normals by `offset`) and creator `quadMesh`: chains follow their attributes, undo and
// redo each step, deleting a node rejoins the chain, baking keeps the mesh, edits and tweaks on
// a mesh with history, object groups reaching a node, and unloading with history present.

#include <cmath>

#include <nlohmann/json.hpp>

#include "host/commands/command_test_support.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/history.h"

namespace tarn::commands::testing {
namespace {

// A cube corner's vertex normal is the mean of its three face normals: (+-1, +-1, +-1) / sqrt 3,
// so an offset d moves each coordinate by d / sqrt 3.
double corner(double offset) {
    return 0.5 + offset / std::sqrt(3.0);
}

class HistoryCases : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        ASSERT_EQ(eval(std::string("loadPlugin \"") + TARN_TEST_PLUGIN_DIR +
                       "/probeOffsetMesh.so\"; polyCube -n box; select -cl"),
                  "");
        undo::undoQueue().clear();
    }

    // Largest x of the cube's points, as the shape shows them.
    static double maxX(const std::string& shape = "boxShape") {
        const PolyMesh& m = scene::meshNode(scene::findNode(shape))->readMesh();
        double x = -1e30;
        for (const Vec3& p : m.points()) x = std::max(x, p.x);
        return x;
    }
    static bool exists(const char* name) { return !Graph::instance().findNode(name).isNull(); }
    static Vec3 point(int v, const std::string& shape = "boxShape") {
        return scene::meshNode(scene::findNode(shape))->readMesh().point(v);
    }
};

TEST_F(HistoryCases, ChainFollowsAttributesAndUndoesStepByStep) {
    // Each step: the script, its answer, the cube's largest x after it.
    struct Step {
        const char* text;
        const char* answer;
        double x;
    };
    const Step steps[] = {
        {"polyHistory -insert offsetMesh box", "offsetMesh1", corner(0)},
        {"setAttr offsetMesh1.offset 0.5", "", corner(0.5)},
        {"polyHistory -insert offsetMesh box", "offsetMesh2", corner(0.5)},
        {"setAttr offsetMesh2.offset 0.25", "", corner(0.75)},
        {"setAttr offsetMesh1.offset 1", "", corner(1.25)},
    };
    std::vector<double> before{maxX()};
    for (const Step& s : steps) {
        EXPECT_EQ(eval(s.text), s.answer) << s.text;
        EXPECT_NEAR(maxX(), s.x, 1e-5) << s.text;
        before.push_back(maxX());
    }
    EXPECT_EQ(eval("listHistory box"), "offsetMesh2 offsetMesh1 boxShapeOrig");
    EXPECT_EQ(eval("polyEvaluate -v -f box"), "8 6");
    // Undo walks back through every state, redo forward again.
    for (size_t i = std::size(steps); i-- > 0;) {
        ASSERT_TRUE(undo::undoQueue().undo());
        EXPECT_NEAR(maxX(), before[i], 1e-5) << "undo of " << steps[i].text;
    }
    EXPECT_EQ(eval("listHistory box"), "");
    EXPECT_FALSE(exists("offsetMesh1"));
    for (size_t i = 0; i < std::size(steps); ++i) {
        ASSERT_TRUE(undo::undoQueue().redo());
        EXPECT_NEAR(maxX(), before[i + 1], 1e-5) << "redo of " << steps[i].text;
    }
    // The redone nodes are live: changing one still recomputes the shape.
    eval("setAttr offsetMesh2.offset 0");
    EXPECT_NEAR(maxX(), corner(1), 1e-5);
}

TEST_F(HistoryCases, DeletingTheMiddleNodeRejoinsTheChain) {
    eval(
        "polyHistory -insert offsetMesh box; setAttr offsetMesh1.offset 0.5; "
        "polyHistory -insert offsetMesh box; setAttr offsetMesh2.offset 0.25");
    EXPECT_EQ(eval("delete offsetMesh1"), "");
    EXPECT_EQ(eval("listHistory box"), "offsetMesh2 boxShapeOrig");
    EXPECT_NEAR(maxX(), corner(0.25), 1e-5);
    eval("setAttr offsetMesh2.offset 1");
    EXPECT_NEAR(maxX(), corner(1), 1e-5);
    ASSERT_TRUE(undo::undoQueue().undo());
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("listHistory box"), "offsetMesh2 offsetMesh1 boxShapeOrig");
    EXPECT_NEAR(maxX(), corner(0.75), 1e-5);
}

TEST_F(HistoryCases, BakingKeepsTheMeshAndDropsTheNodes) {
    eval("polyHistory -insert offsetMesh box; setAttr offsetMesh1.offset 0.5");
    EXPECT_EQ(eval("delete -ch box"), "");
    EXPECT_EQ(eval("listHistory box"), "");
    EXPECT_FALSE(exists("offsetMesh1") || exists("boxShapeOrig"));
    EXPECT_NEAR(maxX(), corner(0.5), 1e-5);
    // A baked mesh is a plain mesh again: baking twice changes nothing (and records nothing).
    const size_t done = undo::undoQueue().undoCount();
    EXPECT_EQ(eval("delete -ch box"), "");
    EXPECT_EQ(undo::undoQueue().undoCount(), done);
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("listHistory box"), "offsetMesh1 boxShapeOrig");
    eval("setAttr offsetMesh1.offset 0");
    EXPECT_NEAR(maxX(), corner(0), 1e-5);
    // Deleting the object takes its history along.
    eval("delete box");
    EXPECT_FALSE(exists("offsetMesh1") || exists("boxShapeOrig"));
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("listHistory box"), "offsetMesh1 boxShapeOrig");
}

TEST_F(HistoryCases, EditsBakeFirstAndTweaksApplyAfterTheLastModifier) {
    eval("polyHistory -insert offsetMesh box; setAttr offsetMesh1.offset 0.5");
    // A topology edit bakes the history, then edits; undo gives both back.
    EXPECT_EQ(eval("polySubdivideEdge -dv 1 box.e[0]; polyEvaluate -v box"), "9");
    EXPECT_EQ(eval("listHistory box"), "");
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("listHistory box"), "offsetMesh1 boxShapeOrig");
    EXPECT_EQ(eval("polyEvaluate -v box"), "8");
    // Soft-edge flags belong to the shape's own mesh too: baked first.
    EXPECT_EQ(eval("polySoftEdge -a 0 box"), "");
    EXPECT_EQ(eval("listHistory box"), "");
    ASSERT_TRUE(undo::undoQueue().undo());
    // A move becomes a tweak and survives a change upstream.
    const Vec3 start = point(0);
    eval("move -r 0 1 0 box.vtx[0]");
    EXPECT_NEAR(point(0).y, start.y + 1, 1e-5);
    eval("setAttr offsetMesh1.offset 0");
    EXPECT_NEAR(point(0).y, -0.5 + 1, 1e-5);
    EXPECT_EQ(eval("listHistory box"), "offsetMesh1 boxShapeOrig");
    ASSERT_TRUE(undo::undoQueue().undo());
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_NEAR(point(0).y, start.y, 1e-5);
}

TEST_F(HistoryCases, FirstModifierKeepsTheTweakedMeshAsTheOriginal) {
    ASSERT_EQ(eval("setAttr boxShape.pt[0] 0 1 0"), "");
    const double y = point(0).y;
    ASSERT_NEAR(y, 0.5, 1e-6);
    EXPECT_EQ(eval("polyHistory -insert offsetMesh box"), "offsetMesh1");
    // The tweak is folded into the original: the point stays, pnts reads zero.
    EXPECT_EQ(eval("getAttr boxShape.pt[0]"), "0 0 0");
    EXPECT_NEAR(point(0).y, y, 1e-6);
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("getAttr boxShape.pt[0]"), "0 1 0");
    EXPECT_NEAR(point(0).y, y, 1e-6);
    EXPECT_EQ(eval("listHistory box"), "");
    // Deleting the only modifier leaves the original feeding the shape.
    ASSERT_TRUE(undo::undoQueue().redo());
    eval("setAttr offsetMesh1.offset 1; delete offsetMesh1");
    EXPECT_EQ(eval("listHistory box"), "boxShapeOrig");
    EXPECT_NEAR(point(0).y, y, 1e-6);
}

TEST_F(HistoryCases, ObjectGroupsReachTheNode) {
    EXPECT_EQ(eval("polyObjectGroup box.f[0:1]"), "0");
    EXPECT_EQ(eval("polyObjectGroup box.f[3]"), "1");
    eval("polyHistory -insert offsetMesh box; setAttr offsetMesh1.offset 1");
    // groupId picks the group the node reads: its face count and only its vertices move.
    const struct {
        int gid;
        const char* size;
    } cases[] = {{-1, "-1"}, {0, "2"}, {1, "1"}};
    for (const auto& c : cases) {
        eval("setAttr offsetMesh1.groupId " + std::to_string(c.gid));
        EXPECT_EQ(eval("getAttr offsetMesh1.groupSize"), c.size) << c.gid;
    }
    // On faces: a group of those faces is made and the node told its id.
    EXPECT_EQ(eval("polyHistory -insert offsetMesh box.f[2]"), "offsetMesh2");
    EXPECT_EQ(eval("getAttr offsetMesh2.groupId"), "2");
    EXPECT_EQ(eval("getAttr offsetMesh2.groupSize"), "1");
    EXPECT_NE(eval("polyObjectGroup box").find("polyObjectGroup: name or select faces"),
              std::string::npos);
}

TEST_F(HistoryCases, CreatorGivesANewShapeItsMesh) {
    EXPECT_EQ(eval("polyHistory -create quadMesh -n quad"), "quad quadShape quadMesh1");
    EXPECT_EQ(eval("polyEvaluate -v -f quad"), "4 1");
    eval("setAttr quadMesh1.size 4");
    EXPECT_EQ(eval("polyEvaluate -bb quad"), "-2 2 0 0 -2 2");
    ASSERT_TRUE(undo::undoQueue().undo());
    EXPECT_EQ(eval("polyEvaluate -bb quad"), "-0.5 0.5 0 0 -0.5 0.5");
    EXPECT_EQ(eval("polyHistory -insert offsetMesh quad"), "offsetMesh1");
    EXPECT_EQ(eval("listHistory quad"), "offsetMesh1 quadMesh1");
}

TEST_F(HistoryCases, RefusalsChangeNothing) {
    eval("polyHistory -insert offsetMesh box");
    const std::string before = state(false);
    const Rejected cases[] = {
        {"not a modifier", "polyHistory -insert lambert1 box", "no mesh modifier"},
        {"unknown", "polyHistory -insert nothingHere box", "No node or node type"},
        {"connected", "polyHistory -insert offsetMesh1 box", "already connected"},
        {"creator expected", "polyHistory -create offsetMesh", "gives no mesh from nothing"},
        {"no mode", "polyHistory box", "give -insert or -create"},
        {"edges", "polyHistory -insert offsetMesh box.e[1]", "only faces"},
    };
    for (const Rejected& c : cases) {
        const std::string got = eval(c.text);
        EXPECT_NE(got.find(c.message), std::string::npos) << c.id << ": " << got;
        EXPECT_EQ(state(false), before) << c.id;
    }
}

TEST_F(HistoryCases, TransformNamesTheDrawnShape) {
    eval(
        "polyHistory -insert offsetMesh box; setAttr offsetMesh1.offset 1; "
        "createNode mesh -n hidden -p box; setAttr hidden.intermediateObject 1");
    EXPECT_EQ(eval("polyEvaluate -f box.f[2]"), "1");
    EXPECT_EQ(eval("polyEvaluate -v box"), "8");
    // Only a mesh with history lists it.
    const auto scene = nlohmann::json::parse(eval("describeScene -json"));
    for (const auto& node : scene["dag"]) {
        if (!node.contains("mesh")) continue;
        const std::string name = node["name"];
        if (name == "boxShape")
            EXPECT_EQ(node["mesh"]["history"],
                      nlohmann::json::array({"offsetMesh1", "boxShapeOrig"}));
        else
            EXPECT_FALSE(node["mesh"].contains("history")) << name;
    }
}

TEST_F(HistoryCases, UnloadKeepsTheMeshTheHistoryGaveLast) {
    eval("polyHistory -insert offsetMesh box; setAttr offsetMesh1.offset 0.5");
    EXPECT_NE(eval("unloadPlugin probeOffsetMesh").find("in use by nodes offsetMesh1"),
              std::string::npos);
    // Changed but never read: the unload still gives the shape the current result.
    eval("setAttr offsetMesh1.offset 1");
    EXPECT_EQ(eval("unloadPlugin -f probeOffsetMesh"), "probeOffsetMesh");
    EXPECT_NEAR(maxX(), corner(1), 1e-5);
    EXPECT_EQ(eval("listHistory box"), "");
    EXPECT_EQ(eval("polyEvaluate -v box"), "8");
}

}  // namespace
}  // namespace tarn::commands::testing
