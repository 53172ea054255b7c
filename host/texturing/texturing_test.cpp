// The sampleTexture command and the swatch job, driven through the host with the built
// texture plug-ins.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/interpreter.h"
#include "host/plugins/plugin_loader.h"
#include "host/texturing/swatch_job.h"
#include "host/texturing/texture_sampler.h"

namespace tarn::texturing {
namespace {

std::string pluginPath(const char* name) {
    return std::string(TARN_PLUGIN_DIR) + "/" + name + ".so";
}

void load(const char* name) {
    auto& loader = plugins::PluginLoader::instance();
    if (loader.find(name)) return;
    std::string error;
    ASSERT_FALSE(loader.load(pluginPath(name), &error).error()) << error;
}

std::string createNode(const char* type) {
    std::string error;
    const KObject node = Graph::instance().createNode(type, "", &error);
    EXPECT_FALSE(node.isNull()) << error;
    return NodeImpl::from(node)->name();
}

lang::RunResult run(const std::string& text) {
    return lang::hostInterpreter().run(text);
}

TEST(SampleTexture, ReturnsFourRoundTripFloatsWithoutTouchingTheNode) {
    load("shellPattern");
    const std::string node = createNode("scallop");
    // scallop at (0, 1/24): t = 0.25 with frequency 6... use the golden centre line at
    // frequency 4: (0, 0.0625) -> t = 0.25, alpha 0.0740741.
    ASSERT_TRUE(run("setAttr " + node + ".uFrequency 4; setAttr " + node + ".vFrequency 4;").ok);
    const lang::RunResult r = run("sampleTexture -uv 0 0.0625 " + node);
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<std::string> v = r.value.asStringArray();
    ASSERT_EQ(v.size(), 4u);
    const float alpha = std::strtof(v[3].c_str(), nullptr);
    EXPECT_NEAR(alpha, 0.0740741f, 2e-6f);
    // Nine significant digits: parsing the text gives the same float back.
    char again[32];
    std::snprintf(again, sizeof again, "%.9g", static_cast<double>(alpha));
    EXPECT_EQ(v[3], again);
    // The node's stored uCoord is unchanged.
    const lang::RunResult u = run("getAttr " + node + ".uCoord");
    ASSERT_TRUE(u.ok) << u.error;
    EXPECT_EQ(u.value.asFloat(), 0.0);
}

TEST(SampleTexture, PointFormForThreeDimensionalNodes) {
    load("marblePattern");
    const std::string node = createNode("veining");
    // The placement origin with the defaults is a vein: veinColor (1, 0.2, 0), alpha 1.
    const lang::RunResult r = run("sampleTexture -p 0 0 0 -local " + node);
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<double> v = r.value.asFloatArray();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], 1.0);
    EXPECT_FLOAT_EQ(static_cast<float>(v[1]), 0.2f);
    EXPECT_EQ(v[3], 1.0);
}

TEST(SampleTexture, BadUsesFailCleanly) {
    load("shellPattern");
    load("marblePattern");
    const std::string flat = createNode("scallop");
    const std::string solid = createNode("veining");
    const char* bad[] = {
        "sampleTexture -uv 0 0 noSuchNode",
        "sampleTexture -p 0 0 0 ",  // 2D node with a point
        "sampleTexture -uv 0 0 ",   // 3D node with a UV (below, solid)
        "sampleTexture ",           // neither form
        "sampleTexture -uv 0 0 -p 1 1 1 ",
    };
    EXPECT_FALSE(run(bad[0]).ok);
    EXPECT_FALSE(run(std::string(bad[1]) + flat).ok);
    EXPECT_FALSE(run(std::string(bad[2]) + solid).ok);
    EXPECT_FALSE(run(std::string(bad[3]) + flat).ok);
    EXPECT_FALSE(run(std::string(bad[4]) + flat).ok);
    EXPECT_FALSE(run("sampleTexture -uv 0 " + flat).ok);  // too few flag arguments
}

// Coordinates and filter sizes are single precision: one that would round to infinity is
// refused by name instead of sampling NaN; a number within the float range still samples.
TEST(SampleTexture, NumbersBeyondTheFloatRangeAreRefused) {
    load("shellPattern");
    load("marblePattern");
    const std::string flat = createNode("scallop");
    const std::string solid = createNode("veining");
    struct Case {
        std::string text;
        const char* error;  // nullptr: succeeds
    } cases[] = {
        {"sampleTexture -uv 1e39 0 " + flat, "sampleTexture: -uv takes finite numbers"},
        {"sampleTexture -uv 0 -1e39 " + flat, "sampleTexture: -uv takes finite numbers"},
        {"sampleTexture -uv 0 0 -fs 1e300 0 " + flat, "sampleTexture: -fs takes finite numbers"},
        {"sampleTexture -p 0 4e38 0 " + solid, "sampleTexture: -p takes finite numbers"},
        {"sampleTexture -uv 3e38 0 " + flat, nullptr},
    };
    for (const Case& c : cases) {
        const lang::RunResult r = run(c.text);
        if (!c.error) {
            EXPECT_TRUE(r.ok) << c.text << ": " << r.error;
            continue;
        }
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
}

TEST(SwatchOptions, ParsesAndRejects) {
    SwatchOptions o;
    std::string error;
    ASSERT_TRUE(parseSwatchOptions({"twillPattern", "denim", "--set", "uColor=1,0,0", "--size",
                                    "64", "--threads", "2", "-o", "x.png"},
                                   &o, &error))
        << error;
    EXPECT_EQ(o.size, 64);
    EXPECT_EQ(o.threads, 2);
    ASSERT_EQ(o.settings.size(), 1u);
    EXPECT_EQ(o.settings[0].values.size(), 3u);
    EXPECT_EQ(o.output, "x.png");

    const std::vector<std::vector<std::string>> bad = {
        {"twillPattern"},
        {"twillPattern", "denim", "--size", "0"},
        {"twillPattern", "denim", "--size", "12x"},
        {"twillPattern", "denim", "--threads", "-1"},
        {"twillPattern", "denim", "--set", "novalue"},
        {"twillPattern", "denim", "--scale", "nan"},
        {"twillPattern", "denim", "--scale", "1e39"},
        {"twillPattern", "denim", "--bogus"},
        {"twillPattern", "denim", "--size"},
    };
    for (const auto& args : bad) {
        SwatchOptions b;
        EXPECT_FALSE(parseSwatchOptions(args, &b, &error)) << args.back();
    }
    EXPECT_EQ(runSwatchJob({"twillPattern"}), 2);
}

TEST(Swatch, SameImageOnOneThreadOrMany) {
    for (const char* decl : {"twillPattern denim", "rustPattern corrosion"}) {
        const std::string s(decl);
        const std::string plugin = s.substr(0, s.find(' '));
        const std::string type = s.substr(s.find(' ') + 1);
        SwatchOptions one;
        one.plugin = pluginPath(plugin.c_str());
        one.nodeType = type;
        one.size = 48;
        one.threads = 1;
        SwatchOptions many = one;
        many.threads = 4;
        std::vector<unsigned char> a, b;
        std::string error;
        ASSERT_EQ(renderSwatch(one, &a, &error), 0) << error;
        ASSERT_EQ(renderSwatch(many, &b, &error), 0) << error;
        EXPECT_EQ(a, b) << type;
        // Not a flat image.
        bool varied = false;
        for (std::size_t i = 3; i < a.size(); ++i) varied |= a[i] != a[i % 3];
        EXPECT_TRUE(varied) << type;
    }
}

TEST(Swatch, SettingsApplyAndBadSettingsFail) {
    SwatchOptions o;
    o.plugin = pluginPath("shellPattern");
    o.nodeType = "scallop";
    o.size = 8;
    o.settings = {{"radius", {"0"}}, {"backgroundColor", {"1", "0", "0"}}};
    std::vector<unsigned char> rgb;
    std::string error;
    ASSERT_EQ(renderSwatch(o, &rgb, &error), 0) << error;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        EXPECT_EQ(rgb[i], 255);
        EXPECT_EQ(rgb[i + 1], 0);
    }
    for (const SwatchSetting& bad :
         {SwatchSetting{"noSuchAttr", {"1"}}, SwatchSetting{"radius", {"1", "2"}},
          SwatchSetting{"radius", {"abc"}}, SwatchSetting{"outAlpha", {"1"}}}) {
        SwatchOptions b = o;
        b.settings = {bad};
        EXPECT_EQ(renderSwatch(b, &rgb, &error), 1) << bad.attribute;
    }
}

TEST(Swatch, WritesAPng) {
    const std::string out = std::string(TARN_BINARY_DIR) + "/tests/swatch_test_scallop.png";
    std::remove(out.c_str());
    EXPECT_EQ(runSwatchJob({pluginPath("shellPattern"), "scallop", "--size", "16", "-o", out}), 0);
    std::FILE* f = std::fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char magic[8] = {};
    EXPECT_EQ(std::fread(magic, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(magic[1], 'P');
    EXPECT_EQ(magic[2], 'N');
    EXPECT_EQ(runSwatchJob({pluginPath("shellPattern"), "scallop", "--size", "4", "-o",
                            "/nonexistent-dir/x.png"}),
              1);
}

}  // namespace
}  // namespace tarn::texturing
