// The node and attribute procedures over a real scene: what exists, node types, attribute
// descriptions, vertex positions in both spaces (pointPosition and xform -q -t), and that a
// failing command inside catch leaves the scene as it was.

#include "host/plugins/plugin_loader.h"
#include "host/scene/scene_test_support.h"

#include <cmath>

namespace tarn::scene::testing {
namespace {

class NodeProcedures : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        // A unit cube moved to (1, 2, 3) and scaled by 2 under a group moved up by 10.
        run("polyCube -n box; createNode transform -n grp; parent box grp; "
            "move 0 10 0 grp; move 1 2 3 box; scale 2 2 2 box; createNode lambert -n mat");
        undo::undoQueue().clear();
    }
    void TearDown() override {
        plugins::PluginLoader::instance().unloadAll();
        SceneTest::TearDown();
    }
    std::string text(const std::string& script) { return run(script).toDisplay(); }
    std::vector<double> numbers(const std::string& script) { return run(script).asFloatArray(); }
};

TEST_F(NodeProcedures, ObjExistsForNodesPathsPlugsAndComponents) {
    const struct {
        const char* name;
        int exists;
    } rows[] = {
        {"box", 1},           {"boxShape", 1}, {"|grp|box", 1},       {"mat", 1},
        {"box.translate", 1}, {"box.tx", 1},   {"box.vtx[7]", 1},     {"box*", 1},
        {"nothing", 0},       {"", 0},         {"box.noSuchAttr", 0}, {"box.vtx[8]", 0},
        {"box.vtx[", 0},      {"|box", 0},     {"mat.color", 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(integer(std::string("objExists \"") + row.name + "\""), row.exists) << row.name;
}

TEST_F(NodeProcedures, NodeTypeOfNodesPlugsAndComponents) {
    EXPECT_EQ(text("nodeType box"), "transform");
    EXPECT_EQ(text("nodeType boxShape"), "mesh");
    EXPECT_EQ(text("nodeType mat"), "lambert");
    EXPECT_EQ(text("nodeType box.translateX"), "transform");
    EXPECT_EQ(text("nodeType box.vtx[2]"), "mesh");
    EXPECT_NE(runFailing("nodeType ghost").find("No object matches name: ghost"),
              std::string::npos);
}

TEST_F(NodeProcedures, AttributeQueryDescribesAttributes) {
    EXPECT_EQ(integer("attributeQuery -node box -exists translate"), 1);
    EXPECT_EQ(integer("attributeQuery -node box -exists tx"), 1);
    EXPECT_EQ(integer("attributeQuery -node box -exists nope"), 0);
    EXPECT_EQ(integer("attributeQuery -type transform -exists rotate"), 1);
    EXPECT_EQ(text("attributeQuery -node box -attributeType translate"), "double3");
    EXPECT_EQ(text("attributeQuery -node box -at visibility"), "bool");
    EXPECT_EQ(text("attributeQuery -node mat -at color"), "float3");
    EXPECT_EQ(text("attributeQuery -node box -listChildren translate"),
              "translateX translateY translateZ");
    EXPECT_EQ(text("attributeQuery -node box -listParent tz"), "translate");
    EXPECT_EQ(integer("attributeQuery -node box -numberOfChildren scale"), 3);
    EXPECT_EQ(text("attributeQuery -node box -listDefault scale"), "1 1 1");
    EXPECT_EQ(text("attributeQuery -node box -listDefault visibility"), "1");
    EXPECT_EQ(text("attributeQuery -node box -longName tx"), "translateX");
}

TEST_F(NodeProcedures, AttributeQueryRangesFollowTheAttributeLimits) {
    // Every attribute with a hard limit answers it, per child for compounds; one without a
    // limit answers none.
    run("loadPlugin twillPattern; createNode denim -n cloth");
    const auto& attributes =
        NodeImpl::from(Graph::instance().findNode("cloth"))->type().attributes();
    int checked = 0;
    for (const auto& a : attributes) {
        if (!a->isNumericLeaf() || a->parent) continue;
        const std::string q = " -node cloth " + a->longName;
        EXPECT_EQ(integer("attributeQuery -minExists" + q), a->minValue.has_value()) << a->longName;
        EXPECT_EQ(integer("attributeQuery -maxExists" + q), a->maxValue.has_value()) << a->longName;
        const auto lo = numbers("attributeQuery -minimum" + q);
        ASSERT_EQ(lo.size(), a->minValue ? 1u : 0u) << a->longName;
        if (a->minValue) {
            EXPECT_DOUBLE_EQ(lo[0], *a->minValue) << a->longName;
        }
        const auto hi = numbers("attributeQuery -maximum" + q);
        ASSERT_EQ(hi.size(), a->maxValue ? 1u : 0u) << a->longName;
        if (a->maxValue) {
            EXPECT_DOUBLE_EQ(hi[0], *a->maxValue) << a->longName;
        }
        EXPECT_DOUBLE_EQ(numbers("attributeQuery -listDefault" + q).at(0), a->defaultValue)
            << a->longName;
        ++checked;
    }
    EXPECT_GT(checked, 3);
}

TEST_F(NodeProcedures, AttributeQueryRefusesWhatItCannotAnswer) {
    EXPECT_NE(runFailing("attributeQuery -exists translate").find("-node or -type"),
              std::string::npos);
    EXPECT_NE(runFailing("attributeQuery -node ghost -exists tx").find("No object matches"),
              std::string::npos);
    EXPECT_NE(runFailing("attributeQuery -type noType -exists tx").find("Unknown node type"),
              std::string::npos);
    EXPECT_NE(runFailing("attributeQuery -node box -at nope").find("No attribute named nope"),
              std::string::npos);
    EXPECT_NE(runFailing("attributeQuery -node box translate").find("name what to ask"),
              std::string::npos);
}

TEST_F(NodeProcedures, PointPositionAndXformAnswerVertexPoints) {
    // Vertex 0 of a unit cube is (-0.5, -0.5, 0.5); scaled by 2, moved by (1, 2, 3) and by the
    // group's (0, 10, 0) it is at (0, 11, 4) in the world.
    const std::vector<double> local = {-0.5, -0.5, 0.5}, world = {0, 11, 4};
    EXPECT_EQ(numbers("pointPosition box.vtx[0]"), world);
    EXPECT_EQ(numbers("pointPosition -world box.vtx[0]"), world);
    EXPECT_EQ(numbers("pointPosition -local box.vtx[0]"), local);
    EXPECT_EQ(numbers("xform -q -ws -t box.vtx[0]"), world);
    EXPECT_EQ(numbers("xform -q -t box.vtx[0]"), local);
    // The transform itself still answers its translation.
    EXPECT_EQ(numbers("xform -q -t box"), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(numbers("xform -q -ws -t box"), (std::vector<double>{1, 12, 3}));
    // Several vertices answer their points one after the other; a moved vertex its new place.
    run("move -r 0 1 0 box.vtx[1]");
    const auto two = numbers("xform -q -t box.vtx[0:1]");
    EXPECT_EQ(two, (std::vector<double>{-0.5, -0.5, 0.5, 0.5, 0.5, 0.5}));
    EXPECT_EQ(numbers("pointPosition -local box.vtx[1]"), (std::vector<double>{0.5, 0.5, 0.5}));
}

TEST_F(NodeProcedures, VertexQueriesRefuseOtherComponents) {
    EXPECT_NE(runFailing("pointPosition box.e[0]").find("expected mesh vertices"),
              std::string::npos);
    EXPECT_NE(runFailing("pointPosition box.vtx[0:1]").find("name one vertex, not 2"),
              std::string::npos);
    EXPECT_NE(runFailing("pointPosition box.vtx[99]").find("pointPosition"), std::string::npos);
    EXPECT_NE(runFailing("xform -q -ro box.vtx[0]").find("only a translation"), std::string::npos);
}

TEST_F(NodeProcedures, CatchLeavesTheSceneAsItWas) {
    const std::string before = text("describeScene");
    EXPECT_EQ(integer("catch(`polyCube -w -1 -n bad`)"), 1);
    EXPECT_EQ(integer("catch(`parent box ghost`)"), 1);
    EXPECT_EQ(text("describeScene"), before);
    EXPECT_EQ(integer("objExists bad"), 0);
    // The statements around a caught failure run and stay undoable as one chunk.
    run("polySphere -n s1; catch(`setAttr box.tx nope`); setAttr box.tx 5");
    EXPECT_EQ(integer("objExists s1"), 1);
    EXPECT_EQ(text("getAttr box.tx"), "5");
    undo();
    EXPECT_EQ(integer("objExists s1"), 0);
    EXPECT_EQ(text("getAttr box.tx"), "1");
}

}  // namespace
}  // namespace tarn::scene::testing
