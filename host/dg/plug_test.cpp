#include <gtest/gtest.h>

#include "frame/k_plug.h"
#include "host/dg/dg_test_node.h"

using dgtest::ProbeNode;
using tarn::Graph;

namespace {

class PlugTest : public ::testing::Test {
protected:
    void SetUp() override {
        Graph::instance().clear();
        ASSERT_TRUE(dgtest::registerProbe());
        std::string error;
        node = Graph::instance().createNode("probe", "n", &error);
    }
    void TearDown() override { Graph::instance().clear(); }
    KObject node;
};

TEST_F(PlugTest, NavigatesCompoundsAndArrays) {
    KPlug color(node, ProbeNode::inColor);
    EXPECT_TRUE(color.isCompound());
    EXPECT_EQ(color.numChildren(), 3u);
    KPlug green = color.child(1);
    EXPECT_EQ(green.name(), "n.inColorG");
    EXPECT_EQ(green.partialName(), "icg");
    EXPECT_TRUE(green.isChild());
    EXPECT_EQ(green.parent(), color);
    EXPECT_TRUE(green == KFnNumericAttribute(ProbeNode::inColor).child(1));
    EXPECT_TRUE(color.child(3).isNull());

    KPlug lights(node, ProbeNode::lights);
    EXPECT_TRUE(lights.isArray());
    EXPECT_FALSE(lights.isElement());
    KStatus s;
    EXPECT_TRUE(lights.child(0, &s).isNull());  // children need an element
    KPlug five = lights.elementByLogicalIndex(5);
    EXPECT_TRUE(five.isElement());
    EXPECT_EQ(five.logicalIndex(), 5);
    KPlug dirX = five.child(ProbeNode::lightDir).child(0);
    EXPECT_EQ(dirX.name(), "n.lightDataArray[5].lightDirectionX");
    EXPECT_EQ(dirX.logicalIndex(), 5);
    EXPECT_EQ(dirX.array(), lights);
    EXPECT_EQ(dirX.parent().parent(), five);
    EXPECT_TRUE(dirX.setValue(0.5f));
    EXPECT_TRUE(lights.elementByLogicalIndex(2).child(ProbeNode::lightPre).setValue(3.0f));
    EXPECT_EQ(lights.numElements(), 2u);
    EXPECT_EQ(lights.elementByPhysicalIndex(1).logicalIndex(), 5);
    EXPECT_TRUE(lights.elementByPhysicalIndex(2, &s).isNull());
    EXPECT_EQ(KPlug(node, ProbeNode::a).logicalIndex(&s), -1);
    EXPECT_EQ(s, KStatus::kFailure);
}

TEST_F(PlugTest, ValuesConvertAndRefuseTheWrongKind) {
    KPlug a(node, ProbeNode::a), mode(node, ProbeNode::mode), label(node, ProbeNode::label);
    EXPECT_TRUE(a.setValue(2.75));
    EXPECT_EQ(a.asInt(), 2);
    EXPECT_EQ(a.asShort(), 2);
    EXPECT_TRUE(a.asBool());
    EXPECT_TRUE(mode.setValue(0));
    EXPECT_FALSE(mode.asBool());
    EXPECT_EQ(label.setValue(1.0), KStatus::kInvalidParameter);
    EXPECT_EQ(a.setValue(KString("text")), KStatus::kInvalidParameter);
    EXPECT_TRUE(label.setValue("woven"));
    EXPECT_EQ(label.asString(), "woven");
    EXPECT_EQ(KPlug(node, ProbeNode::inColor).setValue(1.0), KStatus::kInvalidParameter);
    KMatrix m;
    m[3][0] = 0.1;
    EXPECT_TRUE(KPlug(node, ProbeNode::place).setValue(m));
    KMatrix back;
    EXPECT_TRUE(KPlug(node, ProbeNode::place).getValue(back));
    EXPECT_EQ(back[3][0], static_cast<double>(0.1f));  // a float matrix
}

TEST_F(PlugTest, PlugsOfOtherTypesOrDeletedNodesAreNull) {
    KObject foreign = KFnNumericAttribute().create("foreign", "fg", KFnNumericData::kFloat);
    EXPECT_TRUE(KPlug(node, foreign).isNull());
    EXPECT_TRUE(KPlug(KObject(), ProbeNode::a).isNull());
    KPlug a(node, ProbeNode::a);
    EXPECT_FALSE(a.isNull());
    std::string error;
    ASSERT_TRUE(Graph::instance().deleteNode(node, &error));
    EXPECT_TRUE(a.isNull());
    float v = 0;
    EXPECT_EQ(a.getValue(v), KStatus::kInvalidParameter);
    EXPECT_EQ(a.setValue(1.0f), KStatus::kFailure);
    EXPECT_EQ(a.name(), "");
}

}  // namespace
