#include "texture/scallop/scallop_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/scallop/scallop_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(scallopNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("shellPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("scallop");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105344u);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("scallop", scallopNode::attributeRows());
}

TEST(scallopNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("shellPattern", "scallop");
    f.set("uFrequency", {4.0});
    f.set("radius", {0.6});
    f.set("scallopColor", {0.3, 0.6, 0.2});
    f.set("edgeFalloff", {0.5});
    ScallopParams p;
    p.uFrequency = 4.0f;
    p.radius = 0.6f;
    p.scallopColor = {0.3f, 0.6f, 0.2f};
    p.edgeFalloff = 0.5f;
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = scallopPattern(u, v, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

}  // namespace
}  // namespace texture
