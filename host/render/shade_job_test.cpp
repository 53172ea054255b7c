#include "host/render/shade_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "host/render/shade_options.h"

// A private PNG reader for checking the output. Note: unused-function warnings of the static
// reader are reported at the end of the file, so they stay off for the whole file.
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace tarn::render {
namespace {

using Args = std::vector<std::string>;

TEST(ParseShadeOptions, AcceptsAndRejects) {
    struct Case {
        Args args;
        bool ok;
        const char* error;  // part of the message when rejected
        bool usage;         // rejected as a usage error (the usage is shown)
    };
    const Case cases[] = {
        {{"-o", "a.png"}, true, "", false},
        {{"--size", "64", "--set", "dermis=0.5,0.4,0.3", "--set", "rgh=0.2", "-o", "a.png"},
         true,
         "",
         false},
        {{"--light", "0", "0", "1", "1", "1", "1", "--ambient", "0.1", "0.1", "0.1", "-o", "x.png"},
         true,
         "",
         false},
        {{"--light", "0,0,1,1,1,1", "--ambient", "0.1,0.1,0.1"}, true, "", false},
        {{}, true, "", false},
        {{"--list"}, true, "", false},
        {{"-o", "a.jpg"}, true, "", false},
        {{"-o", "a.gif"}, false, "cannot tell the image format", false},
        {{"-o", "png"}, false, "cannot tell the image format", false},
        {{"-o"}, false, "needs a file name", true},
        {{"--size", "7", "-o", "a.png"}, false, "--size", false},
        {{"--size", "4097", "-o", "a.png"}, false, "--size", false},
        {{"--size", "12.5", "-o", "a.png"}, false, "--size", false},
        {{"--size"}, false, "--size needs a number", true},
        {{"--light", "0", "0", "1", "1", "1", "-o", "a.png"}, false, "is not a number", false},
        {{"--light", "0", "0", "1", "1", "1"}, false, "needs 6 numbers", true},
        {{"--light", "0,0,1,1,1"}, false, "takes 6 numbers, got '0,0,1,1,1'", false},
        {{"--light", "0,0,1,1,1,1,1"}, false, "takes 6 numbers", false},
        {{"--light", "0,0,,1,1,1"}, false, "'' is not a number", false},
        {{"--light", "0", "0", "0", "1", "1", "1", "-o", "a.png"},
         false,
         "must not be zero",
         false},
        {{"--light", "0,0,0,1,1,1"}, false, "must not be zero", false},
        {{"--light", "nan", "0", "1", "1", "1", "1", "-o", "a.png"}, false, "not a number", false},
        {{"--light", "1e39", "0", "1", "1", "1", "1", "-o", "a.png"}, false, "out of range", false},
        {{"--ambient", "0.1", "-1e39", "0", "-o", "a.png"}, false, "out of range", false},
        {{"--ambient", "0.1,-1e39,0"}, false, "out of range", false},
        {{"--set", "dermis", "-o", "a.png"}, false, "ATTR=VALUE", false},
        {{"--set"}, false, "--set needs ATTR=VALUE", true},
        {{"--set", "dermis=1,2", "-o", "a.png"}, false, "one value or three", false},
        {{"--set", "dermis=red", "-o", "a.png"}, false, "not a number", false},
        {{"--frobnicate", "-o", "a.png"}, false, "unknown argument", true},
        {{"--exposure", "-1.5", "--tone", "linear", "-o", "a.png"}, true, "", false},
        {{"--exposure", "21", "-o", "a.png"}, false, "-20 to 20", false},
        {{"--exposure", "-o", "a.png"}, false, "is not a number", false},
        {{"--tone", "aces", "-o", "a.png"}, false, "filmic or linear", false},
        {{"--tone"}, false, "filmic or linear", true},
    };
    for (const Case& c : cases) {
        const std::string words = ::testing::PrintToString(c.args);
        ShadeOptions options;
        jobs::ArgumentError error;
        EXPECT_EQ(parseShadeOptions(c.args, options, &error), c.ok) << words << ": " << error.text;
        if (!c.ok) {
            EXPECT_NE(error.text.find(c.error), std::string::npos) << words << ": " << error.text;
            EXPECT_EQ(error.usage, c.usage) << words << ": " << error.text;
        }
    }
}

TEST(ParseShadeOptions, BothSpellingsOfNumbersGiveTheSameLights) {
    ShadeOptions spaced, commas;
    jobs::ArgumentError error;
    ASSERT_TRUE(parseShadeOptions(
        {"--light", "-1", "0.5", "2", "0.25", "0.5", "1", "--ambient", "0.1", "0.2", "0.3"}, spaced,
        &error));
    ASSERT_TRUE(parseShadeOptions({"--light", "-1,0.5,2,0.25,0.5,1", "--ambient", "0.1,0.2,0.3"},
                                  commas, &error));
    ASSERT_EQ(spaced.lights.size(), 1u);
    ASSERT_EQ(commas.lights.size(), 1u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(spaced.lights[0].direction[i], commas.lights[0].direction[i]);
        EXPECT_EQ(spaced.lights[0].colour[i], commas.lights[0].colour[i]);
        EXPECT_EQ(spaced.ambient[i], commas.ambient[i]);
    }
    EXPECT_EQ(commas.lights[0].direction[0], -1.0f);
    EXPECT_EQ(commas.lights[0].colour[2], 1.0f);
    EXPECT_EQ(commas.ambient[2], 0.3f);
    // Without -o the picture is named after the node type, as a swatch is.
    EXPECT_EQ(commas.output, "DermalShade.png");
}

TEST(ToneMap, CurvesAndExposure) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float linear, exposure;
        ToneCurve curve;
        float expected;
    } cases[] = {
        {0.0f, 0.0f, ToneCurve::kLinear, 0.0f},   {0.25f, 1.0f, ToneCurve::kLinear, 0.5f},
        {0.5f, -1.0f, ToneCurve::kLinear, 0.25f}, {3.0f, 0.0f, ToneCurve::kLinear, 1.0f},
        {-1.0f, 0.0f, ToneCurve::kLinear, 0.0f},  {nan, 0.0f, ToneCurve::kFilmic, 0.0f},
        {inf, 0.0f, ToneCurve::kFilmic, 1.0f},    {0.0f, 0.0f, ToneCurve::kFilmic, 0.0f},
        {1e30f, 20.0f, ToneCurve::kFilmic, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(toneMap(c.linear, c.exposure, c.curve), c.expected) << c.linear;
    // The filmic curve rises until white, which it reaches only well above 1.
    float last = 0.0f;
    for (float x = 0.01f; x < 7.0f; x *= 1.5f) {
        const float y = toneMap(x, 0.0f, ToneCurve::kFilmic);
        EXPECT_GT(y, last) << x;
        last = y;
    }
    EXPECT_LT(last, 1.0f);
    EXPECT_NEAR(toneMap(0.18f, 0.0f, ToneCurve::kFilmic), 0.267f, 0.002f);
    EXPECT_NEAR(toneMap(1.0f, 0.0f, ToneCurve::kFilmic), 0.804f, 0.002f);
    EXPECT_EQ(toneMap(8.0f, 0.0f, ToneCurve::kFilmic), 1.0f);
}

TEST(ParseShadeOptions, UsageNamesTheDefaultRig) {
    const std::string usage = shadeUsage();
    EXPECT_NE(usage.find("--light -0.6,0.5,0.4,0.6,0.58,0.55"), std::string::npos) << usage;
    EXPECT_NE(usage.find("--light 0.8,0.1,0.3,0.12,0.12,0.15"), std::string::npos) << usage;
    EXPECT_NE(usage.find("--ambient 0.015,0.015,0.02"), std::string::npos) << usage;
    ShadeOptions options;
    jobs::ArgumentError error;
    ASSERT_TRUE(parseShadeOptions({"-o", "a.png"}, options, &error));
    EXPECT_EQ(options.lights[0].colour[1], kDefaultKeyLight.colour[1]);
    EXPECT_EQ(options.lights[1].direction[0], kDefaultRimLight.direction[0]);
}

TEST(ParseShadeOptions, DefaultLightingOnlyWithoutAnyLight) {
    ShadeOptions options;
    jobs::ArgumentError error;
    ASSERT_TRUE(parseShadeOptions({"-o", "a.png"}, options, &error));
    EXPECT_EQ(options.lights.size(), 2u);
    EXPECT_TRUE(options.hasAmbient);
    EXPECT_EQ(options.size, 256);

    ASSERT_TRUE(parseShadeOptions({"--ambient", "1", "1", "1", "-o", "a.png"}, options, &error));
    EXPECT_TRUE(options.lights.empty());
    EXPECT_EQ(options.ambient[1], 1.0f);
}

class ShadeJobTest : public ::testing::Test {
protected:
    std::string path(const char* name) {
        const std::filesystem::path dir = std::filesystem::path(TARN_BINARY_DIR) / "tests";
        std::filesystem::create_directories(dir);
        const std::string p = (dir / name).string();
        std::filesystem::remove(p);
        return p;
    }

    struct Image {
        int width = 0, height = 0;
        std::vector<unsigned char> rgb;
        const unsigned char* at(int x, int y) const { return &rgb[(y * width + x) * 3]; }
    };
    static Image load(const std::string& file) {
        Image image;
        int channels = 0;
        unsigned char* data = stbi_load(file.c_str(), &image.width, &image.height, &channels, 3);
        if (data) {
            image.rgb.assign(data, data + image.width * image.height * 3);
            stbi_image_free(data);
        }
        return image;
    }
};

TEST_F(ShadeJobTest, RendersALitSkinSphere) {
    const std::string out = path("shade_default.png");
    ASSERT_EQ(runShadeJob({"--size", "48", "-o", out}), 0);
    const Image image = load(out);
    ASSERT_EQ(image.width, 48);
    ASSERT_EQ(image.height, 48);
    // The lit side of the sphere is warm (red over green over blue); the corner is background.
    const unsigned char* lit = image.at(18, 18);
    EXPECT_GT(lit[0], 80);
    EXPECT_GT(lit[0], lit[1]);
    EXPECT_GT(lit[1], lit[2]);
    const unsigned char* corner = image.at(0, 0);
    EXPECT_LT(corner[0], 60);
    EXPECT_EQ(corner[0], corner[1]);
}

TEST_F(ShadeJobTest, SettingsReachTheNode) {
    const std::string out = path("shade_no_red.png");
    ASSERT_EQ(runShadeJob({"--size", "32", "--set", "dermis=0,0.979,0.943", "--set", "Surface=0",
                           "--light", "0", "0", "1", "0.3", "0.3", "0.3", "-o", out}),
              0);
    const Image image = load(out);
    ASSERT_EQ(image.width, 32);
    const unsigned char* centre = image.at(16, 16);
    EXPECT_EQ(centre[0], 0);  // no red subsurface light and no highlight
    EXPECT_GT(centre[1], 50);
}

TEST_F(ShadeJobTest, LightDirectionsOfAnyLengthLightAlike) {
    // Only a light's direction counts: very long and very short ones normalise like a unit one.
    std::vector<Image> images;
    for (const char* scale : {"1", "1e30", "1e-30"}) {
        const std::string out = path((std::string("shade_light_") + scale + ".png").c_str());
        ASSERT_EQ(
            runShadeJob({"--size", "24", "--light", scale, scale, "0", "1", "1", "1", "-o", out}),
            0)
            << scale;
        images.push_back(load(out));
    }
    ASSERT_EQ(images[0].width, 24);
    EXPECT_EQ(images[1].rgb, images[0].rgb);
    EXPECT_EQ(images[2].rgb, images[0].rgb);
}

TEST_F(ShadeJobTest, DirectionsAtTheFloatLimitLightLikeUnitOnes) {
    // The length of (3e38, 3e38, 3e38) overflows a float; the light must still shine.
    std::vector<Image> images;
    for (const char* c : {"1", "3e38", "-3e38"}) {
        const std::string out = path((std::string("shade_limit_") + c + ".png").c_str());
        ASSERT_EQ(runShadeJob({"--size", "24", "--light", c, c, c, "1", "1", "1", "-o", out}), 0);
        images.push_back(load(out));
    }
    ASSERT_EQ(images[0].width, 24);
    EXPECT_EQ(images[1].rgb, images[0].rgb);
    // Opposite light: the lit and the dark side swap, the picture is not the same.
    EXPECT_NE(images[2].rgb, images[0].rgb);
    EXPECT_GT(images[1].at(12, 12)[0], 40);
}

TEST_F(ShadeJobTest, DefaultRigDoesNotWashOutAndExposureBrightens) {
    struct Stats {
        int clipped = 0;
        long sum = 0;
    };
    auto stats = [&](const std::vector<std::string>& extra) {
        const std::string out = path("shade_tone.png");
        std::vector<std::string> args = {"--size", "48", "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(runShadeJob(args), 0);
        const Image image = load(out);
        Stats s;
        for (size_t i = 0; i < image.rgb.size(); i += 3) {
            s.sum += image.rgb[i];
            if (std::max({image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]}) >= 250) ++s.clipped;
        }
        return s;
    };
    const Stats filmic = stats({});
    const Stats linear = stats({"--tone", "linear"});
    const Stats brighter = stats({"--exposure", "1"});
    EXPECT_EQ(filmic.clipped, 0);
    EXPECT_GT(linear.clipped, 0) << "the default rig clips without the curve";
    EXPECT_GT(brighter.sum, filmic.sum);
}

TEST_F(ShadeJobTest, BadArgumentsWriteNothing) {
    const std::string out = path("shade_bad.png");
    EXPECT_EQ(runShadeJob({"--size", "2", "-o", out}), 2);
    EXPECT_EQ(runShadeJob({"--set", "noSuchAttr=1", "-o", out}), 2);
    EXPECT_EQ(runShadeJob({"--set", "roughness=1,2,3", "-o", out}), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(runShadeJob({"--size", "16", "-o", "/no/such/folder/x.png"}), 1);
}

}  // namespace
}  // namespace tarn::render
