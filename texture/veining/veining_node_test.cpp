#include "texture/veining/veining_node.h"

#include <gtest/gtest.h>

#include "texture/common/node_test_support.h"
#include "texture/veining/veining_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(veiningNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("marblePattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("veining");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105347u);
    EXPECT_EQ(type->classification, "texture/3d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/3d\");}\n"));
    testing::expectTypeMatchesRows("veining", veiningNode::attributeRows());
}

TEST(veiningNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("marblePattern", "veining");
    f.set("octaves", {3.0});
    f.set("frequency", {3.0});
    f.set("veinWidth", {0.3});
    f.set("veinColor", {0.1, 0.1, 0.6});
    VeiningParams p;
    p.octaves = 3;
    p.frequency = 3.0f;
    p.veinWidth = 0.3f;
    p.veinColor = {0.1f, 0.1f, 0.6f};
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.point(u, v, 0.25f, true, fs, fs);
        const PatternResult r = veiningPattern(u, v, 0.25f, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

TEST(Placement3dFrame, ClosedBoxEvaluatesFacePointsWithFullFade) {
    NodeFixture f("marblePattern", "veining");
    f.set("wrap", {0});
    f.set("defaultColor", {0.2, 0.4, 0.6});
    // Outside: the default colour with its luminance as alpha.
    const auto out = f.point(1.01f, 0, 0);
    EXPECT_EQ(out.g, 0.4f);
    EXPECT_FLOAT_EQ(out.a, 0.3f * 0.2f + 0.59f * 0.4f + 0.11f * 0.6f);
    // On the face with blend: evaluated, faded fully into the default colour, alpha 0.
    f.set("blend", {0.5});
    const auto face = f.point(1.0f, 0, 0);
    EXPECT_FLOAT_EQ(face.g, 0.4f);
    EXPECT_EQ(face.a, 0.0f);
    // The placement origin with the defaults is a vein (alpha 1) and is not faded.
    const auto origin = f.point(0, 0, 0);
    EXPECT_EQ(origin.a, 1.0f);
    EXPECT_EQ(origin.r, 1.0f);
    EXPECT_FLOAT_EQ(origin.g, 0.2f);
}

}  // namespace
}  // namespace texture
