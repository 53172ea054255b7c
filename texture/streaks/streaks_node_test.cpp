#include "texture/streaks/streaks_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/streaks/streaks_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(streaksNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("smearPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("streaks");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105345u);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("streaks", streaksNode::attributeRows());
}

TEST(streaksNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("smearPattern", "streaks");
    f.set("frequency", {30.0});
    f.set("octaves", {3.0});
    f.set("moreStreaks", {0.2});
    f.set("streakColor", {0.2, 0.1, 0.0});
    StreaksParams p;
    p.frequency = 30.0f;
    p.octaves = 3;
    p.moreStreaks = 0.2f;
    p.streakColor = {0.2f, 0.1f, 0.0f};
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = streaksPattern(u, v, fs, fs, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

}  // namespace
}  // namespace texture
