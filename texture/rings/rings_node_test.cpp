#include "texture/rings/rings_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/rings/rings_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(ringsNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("annulusPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("rings");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105343u);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("rings", ringsNode::attributeRows());
}

TEST(ringsNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("annulusPattern", "rings");
    f.set("numberOfSizes", {4.0});
    f.set("percentage", {0.8});
    f.set("uniformWidth", {0.0});
    f.set("ringColor", {0.9, 0.4, 0.1});
    f.set("maxWidth", {0.05});
    RingsParams p;
    p.numberOfSizes = 4;
    p.percentage = 0.8f;
    p.uniformWidth = false;
    p.ringColor = {0.9f, 0.4f, 0.1f};
    p.maxWidth = 0.05f;
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = ringsPattern(u, v, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

}  // namespace
}  // namespace texture
