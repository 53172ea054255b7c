// The shadeSphere command: the job's picture from a node of the scene, lights that do not
// linger between renders, and refusals as messages.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host/lang/interpreter.h"
#include "host/lang/script_output.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/shade_job.h"

#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace tarn::render {
namespace {

namespace fs = std::filesystem;

std::string output(const std::string& name) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("shade_sphere_command_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string p = (dir / name).string();
    fs::remove(p);
    return p;
}

std::vector<unsigned char> pixels(const std::string& file, int* size = nullptr) {
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(file.c_str(), &w, &h, &channels, 3);
    std::vector<unsigned char> rgb;
    if (data) rgb.assign(data, data + w * h * 3);
    stbi_image_free(data);
    if (size) *size = w;
    return rgb;
}

lang::RunResult run(const std::string& text, std::string* printed = nullptr) {
    lang::OutputCapture capture;
    lang::RunResult r = lang::hostInterpreter().run(text);
    if (printed) *printed = capture.text();
    return r;
}

class ShadeSphereCommand : public ::testing::Test {
protected:
    void SetUp() override {
        auto& loader = plugins::PluginLoader::instance();
        std::string error;
        if (!loader.find("DermalShade")) {
            ASSERT_TRUE(loader.load(TARN_PLUGIN_DIR "/DermalShade.so", &error)) << error;
        }
    }
    std::string shade(const std::string& node, const std::string& flags, const char* name) {
        const std::string file = output(name);
        const lang::RunResult r =
            run("shadeSphere -size 32 " + flags + " -o \"" + file + "\" " + node);
        EXPECT_TRUE(r.ok) << r.error;
        return file;
    }
};

TEST_F(ShadeSphereCommand, DrawsWhatTheShadeJobDraws) {
    // Default rig and a given rig, each with a setting, and a display mapping, against the job.
    struct Case {
        const char* name;
        std::vector<std::string> lights;   // job words; the command takes the same numbers
        std::vector<std::string> display;  // job words for exposure and tone curve
        const char* displayFlags;          // the command's flags for the same
    };
    const Case cases[] = {
        {"defaultRig", {}, {}, ""},
        {"oneLight", {"0.5", "0.3", "1", "1", "0.9", "0.8"}, {}, ""},
        {"darker",
         {"0.5", "0.3", "1", "1", "0.9", "0.8"},
         {"--exposure", "-1.5"},
         "-exposure -1.5"},
        {"linearCurve", {}, {"--tone", "linear", "--exposure", "0.5"}, "-tone linear -ex 0.5"},
    };
    std::map<std::string, std::vector<unsigned char>> drawn;
    for (const Case& c : cases) {
        std::vector<std::string> job = {"--size", "32", "--set", "roughness=0.2"};
        std::string flags = c.displayFlags;
        if (!c.lights.empty()) {
            job.push_back("--light");
            flags += " -light";
            for (const std::string& w : c.lights) job.push_back(w), flags += " " + w;
        }
        job.insert(job.end(), c.display.begin(), c.display.end());
        const std::string jobFile = output(std::string(c.name) + "_job.png");
        job.insert(job.end(), {"-o", jobFile});
        ASSERT_EQ(runShadeJob(job), 0) << c.name;

        ASSERT_TRUE(run(std::string("createNode DermalShade -n ") + c.name + "; setAttr " + c.name +
                        ".roughness 0.2;")
                        .ok);
        int size = 0;
        const std::vector<unsigned char> got =
            pixels(shade(c.name, flags, (std::string(c.name) + ".png").c_str()), &size);
        EXPECT_EQ(size, 32) << c.name;
        EXPECT_EQ(got, pixels(jobFile)) << c.name;
        drawn[c.name] = got;
    }
    // The display mapping changes the picture: less exposure, darker pixels.
    long oneLight = 0, darker = 0;
    for (unsigned char v : drawn["oneLight"]) oneLight += v;
    for (unsigned char v : drawn["darker"]) darker += v;
    EXPECT_LT(darker, oneLight);
}

TEST_F(ShadeSphereCommand, EarlierRigsDoNotLinger) {
    // Rendering with three lights, then one, gives what a fresh node gives with the one.
    ASSERT_TRUE(run("createNode DermalShade -n reused; createNode DermalShade -n fresh;").ok);
    const std::string one = "-light 0.2 0.2 1 1 1 1";
    shade("reused", "-light -1 0 1 1 0 0 -light 1 0 1 0 1 0 " + one, "three.png");
    const std::vector<unsigned char> after = pixels(shade("reused", one, "reused.png"));
    const std::vector<unsigned char> fresh = pixels(shade("fresh", one, "fresh.png"));
    ASSERT_FALSE(fresh.empty());
    EXPECT_EQ(after, fresh);
}

TEST_F(ShadeSphereCommand, RefusesWithAMessageAndWritesNothing) {
    ASSERT_TRUE(run("createNode DermalShade -n refusedSkin;").ok);
    const std::string file = output("refused.png");
    const std::string o = " -o \"" + file + "\" ";
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"shadeSphere refusedSkin", "needs an output file"},
        {"shadeSphere -size 7" + o + "refusedSkin", "-size must be 8 to 4096"},
        {"shadeSphere -size 5000" + o + "refusedSkin", "-size must be 8 to 4096"},
        {"shadeSphere -light 0 0 0 1 1 1" + o + "refusedSkin", "must not be zero"},
        {"shadeSphere -light 1 0 0 1e39 1 1" + o + "refusedSkin", "six finite numbers"},
        {"shadeSphere -ambient 1 1" + o + "refusedSkin", "shadeSphere"},
        {"shadeSphere" + o + "noSuchNode", "No object matches name: noSuchNode"},
        {"shadeSphere -exposure 21" + o + "refusedSkin", "-exposure must be from -20 to 20"},
        {"shadeSphere -tone aces" + o + "refusedSkin", "-tone must be filmic or linear"},
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
}  // namespace tarn::render
