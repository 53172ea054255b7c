#include "texture/freckles/freckles_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/freckles/freckles_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(frecklesNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("specklePattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("freckles");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105342u);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("freckles", frecklesNode::attributeRows());
}

TEST(frecklesNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("specklePattern", "freckles");
    f.set("numberOfSizes", {5.0});
    f.set("percentage", {0.8});
    f.set("frecklesColor", {0.6, 0.3, 0.1});
    f.set("maxRadius", {0.2});
    f.set("uniformFalloff", {0.0});
    FrecklesParams p;
    p.numberOfSizes = 5;
    p.percentage = 0.8f;
    p.frecklesColor = {0.6f, 0.3f, 0.1f};
    p.maxRadius = 0.2f;
    p.uniformFalloff = false;
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = frecklesPattern(u, v, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

}  // namespace
}  // namespace texture
