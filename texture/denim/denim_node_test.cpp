#include "texture/denim/denim_node.h"

#include <gtest/gtest.h>

#include "host/sdk/data_handle.h"
#include "texture/common/node_test_support.h"
#include "texture/common/scalar_ops.h"
#include "texture/denim/denim_pattern.h"

namespace texture {
namespace {

using testing::NodeFixture;

TEST(denimNode, RegistersItsRowAndAttributeTable) {
    testing::loadPlugin("twillPattern");
    const tarn::NodeType* type = tarn::Graph::instance().findType("denim");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x105349u);
    EXPECT_EQ(type->classification, "texture/2d");
    EXPECT_TRUE(
        testing::journalHas("if( `window -exists createRenderNodeWindow` ) "
                            "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n"));
    testing::expectTypeMatchesRows("denim", denimNode::attributeRows());
}

TEST(denimNode, ComputeThroughTheHostEqualsThePattern) {
    // Non-default own values must reach the pattern through the node's attribute table.
    NodeFixture f("twillPattern", "denim");
    f.set("uFrequency", {7.0});
    f.set("vColor", {0.1, 0.7, 0.2});
    f.set("stainFrequency", {3.0});
    f.set("hueOffset", {40.0});
    f.set("creaseColor", {0.05, 0.02, 0.3});
    DenimParams p;
    p.uFrequency = 7.0f;
    p.vColor = {0.1f, 0.7f, 0.2f};
    p.stainFrequency = 3.0f;
    p.hueOffset = 40.0f;
    p.creaseColor = {0.05f, 0.02f, 0.3f};
    const float fs = 0.002f;
    for (int i = 0; i < 40; ++i) {
        const float u = 0.013f + i * 0.0517f, v = 0.9f - i * 0.0213f;
        const tarn::texturing::SampleValue s = f.uv(u, v, fs, fs);
        const PatternResult r = denimPattern(u, v, fs, fs, p);
        EXPECT_EQ(s.r, r.color.r) << u << "," << v;
        EXPECT_EQ(s.g, r.color.g);
        EXPECT_EQ(s.b, r.color.b);
        EXPECT_EQ(s.a, r.alpha);
    }
}

// The output stage shared by every 2D texture, exercised on denim.
TEST(Texture2dFrame, MissingUvShowsTheDefaultColourUntouched) {
    NodeFixture f("twillPattern", "denim");
    f.set("defaultColor", {0.2, 0.4, 0.6});
    f.set("invert", {1});
    f.set("colorGain", {0.5, 2.0, 3.0});
    struct Case {
        float u, v;
        bool alphaIsLuminance;
        float alpha;
    } cases[] = {
        {-10000000.0f, 0.3f, false, 0.0f},
        {0.3f, -10000000.0f, false, 0.0f},
        {-2e7f, -2e7f, false, 0.0f},
        // 0.3 * 0.2 + 0.59 * 0.4 + 0.11 * 0.6 in double, rounded once.
        {-10000000.0f, 0.5f, true, static_cast<float>(0.3 * 0.2f + 0.59 * 0.4f + 0.11 * 0.6f)},
    };
    for (const Case& c : cases) {
        f.set("alphaIsLuminance", {c.alphaIsLuminance ? 1.0 : 0.0});
        const auto s = f.uv(c.u, c.v);
        EXPECT_EQ(s.r, 0.2f);
        EXPECT_EQ(s.g, 0.4f);
        EXPECT_EQ(s.b, 0.6f);
        EXPECT_EQ(s.a, c.alpha);
    }
    // Just above the marker is an ordinary sample: the gains apply.
    const auto normal = f.uv(-9999999.0f, 0.3f);
    const PatternResult r = denimPattern(-9999999.0f, 0.3f, 0.001f, 0.001f, DenimParams{});
    EXPECT_FLOAT_EQ(normal.g, (1.0f - r.color.g) * 2.0f);
}

TEST(Texture2dFrame, InvertGainsAndOffsets) {
    NodeFixture f("twillPattern", "denim");
    const DenimParams p;
    struct Sample {
        float u, v;
    } samples[] = {{1.0f, 0.5f}, {0.31f, 0.77f}, {2.25f, 0.25f}, {0.6f, 0.1f}};

    // Invert with luminance alpha: 1 minus the luminance of the colour before inversion.
    f.set("invert", {1});
    f.set("alphaIsLuminance", {1});
    for (const Sample& s : samples) {
        const PatternResult r = denimPattern(s.u, s.v, 0.001f, 0.001f, p);
        const auto out = f.uv(s.u, s.v);
        EXPECT_EQ(out.a, 1.0f - luminance(r.color));
        EXPECT_EQ(out.r, 1.0f - r.color.r);
    }
    f.set("invert", {0});
    f.set("alphaIsLuminance", {0});

    // Gain 0 and an offset: the offset everywhere.
    f.set("colorGain", {0, 0, 0});
    f.set("colorOffset", {0.2, 0.3, 0.4});
    for (const Sample& s : samples) {
        const auto out = f.uv(s.u, s.v);
        EXPECT_EQ(out.r, 0.2f);
        EXPECT_EQ(out.g, 0.3f);
        EXPECT_EQ(out.b, 0.4f);
    }

    // Alpha gain and offset are not clamped: a thread sample (alpha 1) gives 2.5.
    f.set("alphaGain", {2});
    f.set("alphaOffset", {0.5});
    DenimParams plain;
    plain.uFrequency = plain.vFrequency = 1.0f;
    f.set("uFrequency", {1});
    f.set("vFrequency", {1});
    const PatternResult r = denimPattern(1.0f, 0.5f, 0.001f, 0.001f, plain);
    EXPECT_EQ(r.alpha, 1.0f);
    EXPECT_EQ(f.uv(1.0f, 0.5f).a, 2.5f);
}

TEST(Texture2dFrame, ForeignPlugsAreNotMineAndChildPlugsWriteBoth) {
    NodeFixture f("twillPattern", "denim");
    const tarn::NodeType& type = f.impl().type();
    const tarn::AttributeImpl* outColor = type.findAttribute("outColor");
    const tarn::AttributeImpl* outAlpha = type.findAttribute("outAlpha");

    tarn::DataStore store(f.impl().store());
    tarn::storeHandle(store, *outColor, -1, false).set(7.0f, 7.0f, 7.0f);
    tarn::storeHandle(store, *outAlpha, -1, false).set(7.0f);
    EXPECT_EQ(f.computeOn("filter", store), KStatus::kUnknownParameter);
    EXPECT_EQ(f.computeOn("uColor", store), KStatus::kUnknownParameter);
    EXPECT_EQ(tarn::storeHandle(store, *outAlpha, -1, false).asFloat(), 7.0f);

    for (const char* plug : {"outColorG", "outAlpha", "outColorR"}) {
        tarn::storeHandle(store, *outColor, -1, false).set(7.0f, 7.0f, 7.0f);
        tarn::storeHandle(store, *outAlpha, -1, false).set(7.0f);
        EXPECT_EQ(f.computeOn(plug, store), KStatus::kSuccess) << plug;
        EXPECT_NE(tarn::storeHandle(store, *outAlpha, -1, false).asFloat(), 7.0f) << plug;
        EXPECT_NE(tarn::storeHandle(store, *outColor, -1, false).asFloatVector().x, 7.0f) << plug;
    }
}

TEST(Texture2dFrame, UnloadRunsTheRefreshCommandAgain) {
    testing::loadPlugin("twillPattern");
    const std::string refresh =
        "if( `window -exists createRenderNodeWindow` ) "
        "{refreshCreateRenderNodeWindow(\"texture/2d\");}\n";
    auto count = [&] {
        int n = 0;
        for (const auto& t : tarn::lang::journal().texts()) n += t == refresh;
        return n;
    };
    const int before = count();
    std::string error;
    ASSERT_FALSE(
        tarn::plugins::PluginLoader::instance().unload("twillPattern", true, &error).error())
        << error;
    EXPECT_EQ(tarn::Graph::instance().findType("denim"), nullptr);
    EXPECT_EQ(count(), before + 1);
    testing::loadPlugin("twillPattern");
    EXPECT_NE(tarn::Graph::instance().findType("denim"), nullptr);
}

}  // namespace
}  // namespace texture
