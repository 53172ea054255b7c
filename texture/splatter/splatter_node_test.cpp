#include "texture/splatter/splatter_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/splatter/splatter_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(splatterNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("blotPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("splatter");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x10534Au);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("splatter", splatterNode::attributeRows());
}

TEST(splatterNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("blotPattern", "splatter");
    f.set("numberOfSizes", {3.0});
    f.set("threshold", {0.6});
    f.set("minDiameter", {0.05});
    f.set("splatterColor", {0.8, 0.1, 0.1});
    SplatterParams p;
    p.numberOfSizes = 3;
    p.threshold = 0.6f;
    p.minDiameter = 0.05f;
    p.splatterColor = {0.8f, 0.1f, 0.1f};
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = splatterPattern(u, v, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

}  // namespace
}  // namespace texture
