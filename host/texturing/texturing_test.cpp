// The sampleTexture command and the swatch job, driven through the host with the built
// texture plug-ins.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/image/png_writer.h"
#include "host/lang/interpreter.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag_nodes.h"
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

// A file node samples its image as the view shows it: v = 0 at the picture's bottom row,
// bilinear between pixel centres, repeating outside the unit square.
TEST(SampleTexture, FileNodesSampleTheirImage) {
    // 2 x 2 RGB, top row first: red, green / blue, white.
    scene::ensureSceneTypes();
    const std::uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::string path = ::testing::TempDir() + "tarn_file_texture.png";
    std::string error;
    ASSERT_TRUE(image::writePngRgb(path, 2, 2, rgb, &error)) << error;
    const std::string node = createNode("file");
    auto sample = [&](const std::string& uv) {
        const lang::RunResult r = run("sampleTexture -uv " + uv + " " + node);
        EXPECT_TRUE(r.ok) << uv << ": " << r.error;
        std::string joined;
        for (const std::string& v : r.value.asStringArray())
            joined += (joined.empty() ? "" : " ") + v;
        return joined;
    };
    // Without an image: a refusal that says so, not an evaluation error.
    lang::RunResult r = run("sampleTexture -uv 0.5 0.5 " + node);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(node + " shows no image: no image file is set"), std::string::npos)
        << r.error;
    ASSERT_TRUE(run("setAttr -type \"string\" " + node + ".fileTextureName \"" + path + "\"").ok);
    EXPECT_EQ(sample("0.25 0.25"), "0 0 1 1");     // bottom left: blue
    EXPECT_EQ(sample("0.75 0.75"), "0 1 0 1");     // top right: green
    EXPECT_EQ(sample("0.5 0.75"), "0.5 0.5 0 1");  // between red and green
    EXPECT_EQ(sample("1.25 -0.75"), sample("0.25 0.25"));
    EXPECT_EQ(sample("0 0.25"), "0.5 0.5 1 1");  // across the seam: blue and white
    r = run("sampleTexture -p 0 0 0 " + node);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("2D texture"), std::string::npos) << r.error;
    // A file that cannot be read is named with the reader's reason.
    ASSERT_TRUE(
        run("setAttr -type \"string\" " + node + ".fileTextureName \"" + path + ".gone\"").ok);
    r = run("sampleTexture -uv 0.5 0.5 " + node);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("no such file"), std::string::npos) << r.error;
    std::remove(path.c_str());
}

TEST(SwatchOptions, ParsesAndRejects) {
    SwatchOptions o;
    jobs::ArgumentError error;
    ASSERT_TRUE(parseSwatchOptions({"twillPattern", "denim", "--set", "uColor=1,0,0", "--size",
                                    "64", "--threads", "2", "-o", "x.png"},
                                   &o, &error))
        << error.text;
    EXPECT_EQ(o.size, 64);
    EXPECT_EQ(o.threads, 2);
    ASSERT_EQ(o.settings.size(), 1u);
    EXPECT_EQ(o.settings[0].values.size(), 3u);
    EXPECT_EQ(o.output, "x.png");

    // Words that are no command line of the job are usage errors; wrong values are not.
    const struct {
        std::vector<std::string> args;
        bool usage;
    } bad[] = {
        {{}, true},
        {{"twillPattern", "denim", "--size", "0"}, false},
        {{"twillPattern", "denim", "--size", "12x"}, false},
        {{"twillPattern", "denim", "--threads", "-1"}, false},
        {{"twillPattern", "denim", "--set", "novalue"}, false},
        {{"twillPattern", "denim", "--scale", "nan"}, false},
        {{"twillPattern", "denim", "--scale", "1e39"}, false},
        {{"twillPattern", "denim", "--bogus"}, true},
        {{"twillPattern", "denim", "--size"}, true},
        {{"twillPattern", "denim", "-o", "x.gif"}, false},
        {{"twillPattern", "denim", "--size", "8193"}, false},
        {{"twillPattern", "denim", "--samples", "0"}, false},
        {{"twillPattern", "denim", "--samples", "17"}, false},
        {{"twillPattern", "denim", "--tile", "0"}, false},
        {{"denim", "--size", "16", "--tile", "17"}, false},
        {{"a", "b", "c"}, true},
    };
    for (const auto& b : bad) {
        SwatchOptions parsed;
        jobs::ArgumentError why;
        EXPECT_FALSE(parseSwatchOptions(b.args, &parsed, &why)) << ::testing::PrintToString(b.args);
        EXPECT_EQ(why.usage, b.usage) << ::testing::PrintToString(b.args) << ": " << why.text;
    }
    // A lone word is the node type; no plug-in registers one named like this.
    EXPECT_EQ(runSwatchJob({"twillPattern"}), 2);

    // The plug-in may be left out; the largest values are accepted.
    SwatchOptions one;
    ASSERT_TRUE(parseSwatchOptions(
        {"denim", "--size", "8192", "--samples", "16", "--tile", "8192", "--list"}, &one, &error))
        << error.text;
    EXPECT_EQ(one.plugin, "");
    EXPECT_EQ(one.nodeType, "denim");
    EXPECT_EQ(one.output, "denim.png");
    EXPECT_TRUE(one.list);
    EXPECT_EQ(one.samples, 16);
    EXPECT_EQ(one.tile, 8192);
}

TEST(Swatch, FindsThePluginThatRegistersTheNodeType) {
    std::string error;
    plugins::PluginLoader::instance().unload("shellPattern", true, &error);
    SwatchOptions o;
    o.nodeType = "scallop";
    o.size = 4;
    std::vector<unsigned char> rgb;
    ASSERT_EQ(renderSwatch(o, &rgb, &error), 0) << error;
    EXPECT_NE(plugins::PluginLoader::instance().find("shellPattern"), nullptr);
    o.nodeType = "noSuchNodeType";
    EXPECT_EQ(renderSwatch(o, &rgb, &error), 2);
    EXPECT_NE(error.find("no plug-in on the plug-in path registers"), std::string::npos) << error;
    // A named plug-in that does not register the type is a bad argument too.
    o.plugin = pluginPath("shellPattern");
    o.nodeType = "denim";
    if (!Graph::instance().findType("denim")) {
        EXPECT_EQ(renderSwatch(o, &rgb, &error), 2);
        EXPECT_NE(error.find("registers no node type named 'denim'"), std::string::npos) << error;
    }
}

TEST(Swatch, TilesRepeatTheSingleSwatchExactly) {
    // Tile positions are the single swatch's sample positions scaled by a power of two, so each
    // quadrant of a 2 x 2 tiling at 32 pixels is the 16-pixel swatch byte for byte.
    SwatchOptions single;
    single.plugin = pluginPath("shellPattern");
    single.nodeType = "scallop";
    single.size = 16;
    SwatchOptions tiled = single;
    tiled.size = 32;
    tiled.tile = 2;
    std::vector<unsigned char> a, b;
    std::string error;
    ASSERT_EQ(renderSwatch(single, &a, &error), 0) << error;
    ASSERT_EQ(renderSwatch(tiled, &b, &error), 0) << error;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(b[(y * 32 + x) * 3 + c], a[((y % 16) * 16 + x % 16) * 3 + c])
                    << x << "," << y;
}

TEST(Swatch, SamplesAverageTheFinerGrid) {
    // N x N samples per pixel are the pixels of an N-times larger swatch, averaged (within the
    // rounding of the bytes). Both a 2D and a 3D texture.
    for (const char* decl : {"shellPattern scallop", "rustPattern corrosion"}) {
        const std::string s(decl);
        SwatchOptions fine;
        fine.plugin = pluginPath(s.substr(0, s.find(' ')).c_str());
        fine.nodeType = s.substr(s.find(' ') + 1);
        fine.size = 24;
        SwatchOptions averaged = fine;
        averaged.size = 12;
        averaged.samples = 2;
        std::vector<unsigned char> a, b;
        std::string error;
        ASSERT_EQ(renderSwatch(fine, &a, &error), 0) << error;
        ASSERT_EQ(renderSwatch(averaged, &b, &error), 0) << error;
        int differing = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                for (int c = 0; c < 3; ++c) {
                    auto at = [&](int fx, int fy) { return a[(fy * 24 + fx) * 3 + c]; };
                    const double mean = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) +
                                         at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1)) /
                                        4.0;
                    const double got = b[(y * 12 + x) * 3 + c];
                    EXPECT_NEAR(got, mean, 1.0) << decl << " " << x << "," << y;
                    differing += got != a[(2 * y * 24 + 2 * x) * 3 + c];
                }
        EXPECT_GT(differing, 0) << decl << ": averaging must change some pixels";
    }
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
        EXPECT_EQ(renderSwatch(b, &rgb, &error), 2) << bad.attribute;
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
