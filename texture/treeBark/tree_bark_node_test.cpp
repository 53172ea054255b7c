#include "texture/treeBark/tree_bark_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/treeBark/tree_bark_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(treeBarkNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("trunkPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("treeBark");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105346u);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("treeBark", treeBarkNode::attributeRows());
}

TEST(treeBarkNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("trunkPattern", "treeBark");
    f.set("frequency", {2.0});
    f.set("hueOffset", {20.0});
    f.set("mottling", {0.0});
    f.set("crackColor", {0.3, 0.3, 0.9});
    f.set("furrowWidth", {0.35});
    TreeBarkParams p;
    p.frequency = 2.0f;
    p.hueOffset = 20.0f;
    p.mottling = false;
    p.crackColor = {0.3f, 0.3f, 0.9f};
    p.furrowWidth = 0.35f;
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = treeBarkPattern(u, v, fs, fs, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

}  // namespace
}  // namespace texture
