// The textureSwatch command: the same picture as the swatch job, spheres of 3D textures, and
// every refusal as a message rather than a file.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/interpreter.h"
#include "host/lang/script_output.h"
#include "host/plugins/plugin_loader.h"
#include "host/texturing/swatch_job.h"

#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace tarn::texturing {
namespace {

namespace fs = std::filesystem;

void load(const char* name) {
    auto& loader = plugins::PluginLoader::instance();
    if (loader.find(name)) return;
    std::string error;
    ASSERT_FALSE(loader.load(std::string(TARN_PLUGIN_DIR) + "/" + name + ".so", &error).error())
        << error;
}

std::string output(const char* name) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("texture_swatch_command_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string p = (dir / name).string();
    fs::remove(p);
    return p;
}

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[(y * width + x) * 3]; }
};

Image read(const std::string& file) {
    Image image;
    int channels = 0;
    unsigned char* data = stbi_load(file.c_str(), &image.width, &image.height, &channels, 3);
    if (data) {
        image.rgb.assign(data, data + image.width * image.height * 3);
        stbi_image_free(data);
    }
    return image;
}

lang::RunResult run(const std::string& text, std::string* printed = nullptr) {
    lang::OutputCapture capture;
    lang::RunResult r = lang::hostInterpreter().run(text);
    if (printed) *printed = capture.text();
    return r;
}

TEST(TextureSwatchCommand, DrawsWhatTheSwatchJobDraws) {
    // One 2D and one 3D texture, with a setting, against the job's renderer.
    struct Case {
        const char* plugin;
        const char* type;
        const char* attribute;
        const char* value;
    };
    const Case cases[] = {{"twillPattern", "denim", "uFrequency", "12"},
                          {"marblePattern", "veining", "frequency", "2"}};
    for (const Case& c : cases) {
        load(c.plugin);
        SwatchOptions job;
        job.plugin = c.plugin;
        job.nodeType = c.type;
        job.size = 24;
        job.settings.push_back({c.attribute, {c.value}});
        std::vector<unsigned char> expected;
        std::string error;
        ASSERT_EQ(renderSwatch(job, &expected, &error), 0) << error;

        const std::string node = std::string(c.type) + "Cmd";
        const std::string file = output((node + ".png").c_str());
        ASSERT_TRUE(run(std::string("createNode ") + c.type + " -n " + node + "; setAttr " + node +
                        "." + c.attribute + " " + c.value + ";")
                        .ok);
        const lang::RunResult r = run("textureSwatch -size 24 -o \"" + file + "\" " + node);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.value.asString(), file);
        const Image image = read(file);
        EXPECT_EQ(image.width, 24) << c.type;
        EXPECT_EQ(image.height, 24) << c.type;
        EXPECT_EQ(image.rgb, expected) << c.type;
    }
}

TEST(TextureSwatchCommand, PutsA3dTextureOnALitSphere) {
    load("rustPattern");
    ASSERT_TRUE(run("createNode corrosion -n rustBall;").ok);
    const std::string file = output("sphere.png");
    ASSERT_TRUE(run("textureSwatch -sphere -size 40 -o \"" + file + "\" rustBall").ok);
    const Image image = read(file);
    ASSERT_EQ(image.width, 40);
    // Corners are background; the lit upper left of the ball is brighter than its lower right.
    for (const auto& [x, y] : {std::pair{0, 0}, {39, 0}, {0, 39}, {39, 39}})
        EXPECT_EQ(image.at(x, y)[0], 20) << x << "," << y;
    auto brightness = [&](int x, int y) {
        const unsigned char* p = image.at(x, y);
        return p[0] + p[1] + p[2];
    };
    int lit = 0, dark = 0;
    for (int d = 0; d < 4; ++d) {
        lit += brightness(12 + d, 12 + d);
        dark += brightness(27 + d, 27 + d);
    }
    EXPECT_GT(lit, dark);
}

TEST(TextureSwatchCommand, RefusesWithAMessageAndWritesNothing) {
    load("twillPattern");
    ASSERT_TRUE(run("createNode denim -n refusedDenim; createNode transform -n notATexture;").ok);
    const std::string file = output("refused.png");
    const std::string o = " -o \"" + file + "\" ";
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"textureSwatch refusedDenim", "needs an output file"},
        {"textureSwatch -size 0" + o + "refusedDenim", "-size must be 1 to 8192"},
        {"textureSwatch -size 4294967297" + o + "refusedDenim", "-size must be 1 to 8192"},
        {"textureSwatch -scale 0" + o + "refusedDenim", "-scale must be a positive number"},
        {"textureSwatch -scale 1e39" + o + "refusedDenim", "-scale must be a positive number"},
        {"textureSwatch" + o + "noSuchNode", "No object matches name: noSuchNode"},
        {"textureSwatch -sphere" + o + "refusedDenim", "is a 2D texture"},
        {"textureSwatch" + o + "notATexture", "textureSwatch: "},
    };
    for (const Case& c : cases) {
        std::string printed;
        const lang::RunResult r = run(c.text, &printed);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_NE(printed.find(c.message), std::string::npos) << c.text << "\n" << printed;
        EXPECT_FALSE(fs::exists(file)) << c.text;
    }
}

}  // namespace
}  // namespace tarn::texturing
