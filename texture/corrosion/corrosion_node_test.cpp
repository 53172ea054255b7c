#include "texture/corrosion/corrosion_node.h"

#include <gtest/gtest.h>

#include "frame/k_math.h"
#include "texture/common/node_test_support.h"
#include "texture/corrosion/corrosion_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(corrosionNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("rustPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("corrosion");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105341u);
    EXPECT_EQ(type->classification, "texture/3d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` )  "
                            "{refreshCreateRenderNodeWindow(\"texture/3d\");}\n"));
    testing::expectTypeMatchesRows("corrosion", corrosionNode::attributeRows());
}

TEST(corrosionNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("rustPattern", "corrosion");
    f.set("octaves", {3.0});
    f.set("turbulence", {0.9});
    f.set("contrast", {0.3});
    f.set("rustColor", {0.5, 0.2, 0.0});
    CorrosionParams p;
    p.octaves = 3;
    p.turbulence = 0.9f;
    p.contrast = 0.3f;
    p.rustColor = {0.5f, 0.2f, 0.0f};
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.point(u, v, 0.25f, true, fs, fs);
        const PatternResult r = corrosionPattern(u, v, 0.25f, fs, fs, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

// The placement frame shared by the 3D textures, corrosion's open-box variant.
TEST(Placement3dFrame, OpenBoxFacesAndFade) {
    NodeFixture f("rustPattern", "corrosion");
    f.set("wrap", {0});
    // On a face (x = 1 or -1) the point is outside: default colour, alpha its luminance 0.5.
    for (float x : {1.0f, -1.0f, 1.5f}) {
        const auto s = f.point(x, 0.2f, 0.3f);
        EXPECT_EQ(s.r, 0.5f);
        EXPECT_EQ(s.a, 0.5f);
    }
    // Blend 1: the centre is the pure pattern (sum 0 there: (0.65, 0.5, 0.5), alpha 0.5);
    // at x = 0.99 the result is almost the default colour and alpha almost 0.
    f.set("blend", {1});
    f.set("defaultColor", {0, 0, 1});
    const auto centre = f.point(0, 0, 0);
    EXPECT_FLOAT_EQ(centre.r, 0.65f);
    EXPECT_FLOAT_EQ(centre.a, 0.5f);
    const auto edge = f.point(0.99f, 0, 0);
    EXPECT_NEAR(edge.b, 1.0f, 1e-3f);
    EXPECT_NEAR(edge.a, 0.0f, 1e-3f);
    // Blend 0: no fade next to the face.
    f.set("blend", {0});
    const PatternResult r = corrosionPattern(0.999f, 0.0f, 0.0f, 0.001f, 0.001f, CorrosionParams{});
    EXPECT_EQ(f.point(0.999f, 0, 0).r, r.color.r);
}

TEST(Placement3dFrame, LocalUsesObjectPointAndPlacementOnly) {
    NodeFixture f("rustPattern", "corrosion");
    KFloatMatrix eye;  // eye-to-world: translate by (1, 2, 3)
    eye.matrix[3][0] = 1, eye.matrix[3][1] = 2, eye.matrix[3][2] = 3;
    f.setMatrix("eyeToWorldMatrix", eye);
    KFloatMatrix place;  // placement: scale by 2
    place.matrix[0][0] = place.matrix[1][1] = place.matrix[2][2] = 2;
    f.setMatrix("placementMatrix", place);
    const CorrosionParams p;
    // Local: q = P * placement = 2P; the eye matrix plays no part.
    const auto local = f.point(0.1f, 0.2f, 0.3f, true);
    EXPECT_EQ(local.a, corrosionPattern(0.2f, 0.4f, 0.6f, 0.001f, 0.001f, p).alpha);
    // Camera: q = P * (eye * placement) = 2 (P + (1, 2, 3)).
    const auto camera = f.point(0.1f, 0.2f, 0.3f, false);
    EXPECT_EQ(camera.a, corrosionPattern(2.2f, 4.4f, 6.6f, 0.001f, 0.001f, p).alpha);
}

}  // namespace
}  // namespace texture
