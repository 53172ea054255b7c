// `tarn demo --quick` end to end: every expected picture exists and decodes at its size, the
// page links only files that exist, and a headless browser shows every picture with no script
// error (skipped with a message when no browser is installed).

#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include "host/app/process_test_support.h"
#include "stb_image.h"

namespace {

namespace fs = std::filesystem;

constexpr int kQuick = 48;  // $gGallerySize in quick mode

using Outcome = tarn::testing::ProcessOutcome;

Outcome run(const std::string& command) {
    return tarn::testing::runCommandLine(command + " 2>&1");
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every picture the quick gallery makes, with its size.
struct Expected {
    std::string path;
    int width, height;
};

std::vector<Expected> expectedPictures() {
    std::vector<Expected> all;
    const std::pair<const char*, std::vector<const char*>> textures[] = {
        {"denim", {"default", "coarse", "clean", "red"}},
        {"treeBark", {"default", "small", "furrowed", "plain"}},
        {"rings", {"default", "dense", "large", "varied"}},
        {"freckles", {"default", "dense", "soft", "seed"}},
        {"streaks", {"default", "wide", "short", "more"}},
        {"scallop", {"default", "large", "thick", "hard"}},
        {"splatter", {"default", "heavy", "large", "two"}},
    };
    for (const auto& [node, variants] : textures)
        for (const char* v : variants)
            all.push_back({std::string("textures/") + node + "_" + v + ".png", kQuick, kQuick});
    for (const char* name :
         {"corrosion_default", "corrosion_sphere", "corrosion_rusty", "corrosion_rough",
          "veining_default", "veining_sphere", "veining_broad", "veining_thick"})
        all.push_back({std::string("textures3d/") + name + ".png", kQuick, kQuick});
    for (const char* name :
         {"default", "key", "dermis", "dermis_low", "epidermis", "smooth", "rough", "aniso"})
        all.push_back({std::string("skin/skin_") + name + ".png", kQuick, kQuick});
    all.push_back({"scene/sample_view.png", 2 * kQuick, 3 * kQuick / 2});
    all.push_back({"scene/sample_wire.png", 2 * kQuick, 3 * kQuick / 2});
    all.push_back({"bake/bake_mesh.png", kQuick, kQuick});
    for (const char* attribute : {"normal", "position", "uv", "tangent"}) {
        // Each map, and the sphere wearing it.
        all.push_back(
            {std::string("bake/bake_bakeSphere_") + attribute + ".png", 2 * kQuick, kQuick});
        all.push_back({std::string("bake/bake_") + attribute + "_on_mesh.png", kQuick, kQuick});
    }
    for (const char* name : {"stroke_grid", "stroke_drawn", "stroke_reduced", "stroke_cylinder",
                             "stroke_slice_drawn", "stroke_sliced"})
        all.push_back({std::string("stroke/") + name + ".png", kQuick, kQuick});
    for (const char* name : {"patch_cast_normalized", "patch_cast_raw"})
        all.push_back({std::string("uvproject/") + name + ".png", 2 * kQuick, 3 * kQuick / 2});
    for (const char* op : {"dual", "subd", "tripatch", "digits"})
        for (const char* when : {"before", "after"})
            // The digits are seen from the front, in a picture as wide as they are.
            all.push_back({std::string("meshops/meshops_") + op + "_" + when + ".png",
                           std::string(op) == "digits" ? 2 * kQuick : kQuick, kQuick});
    return all;
}

class DemoGallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_out = fs::path(::testing::TempDir()) / ("demo_gallery_" + std::to_string(getpid()));
        fs::remove_all(s_out);
        s_run = run("TARN_PREFS='" + (s_out.string() + ".prefs") +
                    "' " TARN_BINARY_DIR "/bin/tarn demo --quick --out '" + s_out.string() + "'");
    }
    static void TearDownTestSuite() {
        fs::remove_all(s_out);
        fs::remove(s_out.string() + ".prefs");
    }
    static fs::path s_out;
    static Outcome s_run;
};

fs::path DemoGallery::s_out;
Outcome DemoGallery::s_run;

TEST_F(DemoGallery, RunsEverySectionAndEndsWithThePagePath) {
    ASSERT_EQ(s_run.status, 0) << s_run.out;
    // One progress line per section, in order, then the page.
    const std::vector<std::string> lines = {"[1/8] 2D textures: 28 files",
                                            "[2/8] 3D textures: 8 files",
                                            "[3/8] DermalShade skin shader: 8 files",
                                            "[4/8] QMF scene import: ",
                                            "[5/8] surfaceBake attribute maps: 9 files",
                                            "[6/8] thinPen and slicePen stroke tools: 6 files",
                                            "[7/8] patchCast UVs from a NURBS surface: 2 files",
                                            "[8/8] meshKit mesh operations: 8 files"};
    std::size_t at = 0;
    for (const std::string& line : lines) {
        at = s_run.out.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << s_run.out;
    }
    const std::string last = (s_out / "index.html").string() + "\n";
    ASSERT_GE(s_run.out.size(), last.size());
    EXPECT_EQ(s_run.out.substr(s_run.out.size() - last.size()), last) << s_run.out;
}

TEST_F(DemoGallery, EveryPictureDecodesAtItsSize) {
    for (const Expected& e : expectedPictures()) {
        const fs::path file = s_out / e.path;
        int w = 0, h = 0, channels = 0;
        unsigned char* pixels = stbi_load(file.c_str(), &w, &h, &channels, 3);
        ASSERT_NE(pixels, nullptr) << e.path << ": " << stbi_failure_reason();
        EXPECT_EQ(w, e.width) << e.path;
        EXPECT_EQ(h, e.height) << e.path;
        // A picture of one flat colour means the node or the renderer drew nothing.
        bool varied = false;
        for (int i = 3; i < w * h * 3 && !varied; ++i) varied = pixels[i] != pixels[i % 3];
        EXPECT_TRUE(varied) << e.path << " is one flat colour";
        stbi_image_free(pixels);
    }
    // The OBJ export and its materials, and the scripts beside their pictures.
    for (const char* file :
         {"scene/sample.obj", "scene/sample.mtl", "textures/textures.tcs", "skin/skin.tcs",
          "scene/scene.tcs", "textures3d/textures3d.tcs", "bake/bake.tcs", "stroke/stroke.tcs"})
        EXPECT_GT(fs::exists(s_out / file) ? fs::file_size(s_out / file) : 0u, 0u) << file;
    EXPECT_NE(readAll(s_out / "scene/sample.obj").find("\nf "), std::string::npos);
}

TEST_F(DemoGallery, PageLinksOnlyExistingFilesAndShowsEveryPicture) {
    const std::string html = readAll(s_out / "index.html");
    ASSERT_FALSE(html.empty());
    std::set<std::string> images;
    const std::regex link("(src|href)=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), link);
         it != std::sregex_iterator(); ++it) {
        const std::string target = (*it)[2];
        if (target.rfind("#", 0) == 0) continue;  // a section on the same page
        EXPECT_EQ(target.find(':'), std::string::npos) << "not a relative link: " << target;
        EXPECT_TRUE(fs::is_regular_file(s_out / target)) << target;
        if ((*it)[1] == "src") images.insert(target);
    }
    for (const Expected& e : expectedPictures()) EXPECT_EQ(images.count(e.path), 1u) << e.path;
    // Each picture sits beside the line that wrote it.
    for (const char* piece : {"gallerySwatch denimDefault &quot;denim_default.png&quot;;",
                              "setAttr skinSmooth.roughness 0.15;",
                              "exportObj ($gGalleryOut + &quot;sample.obj&quot;);"})
        EXPECT_NE(html.find(piece), std::string::npos) << piece;
}

// The RGB pixels of a gallery picture (empty when it does not decode).
std::vector<unsigned char> picture(const fs::path& file, int* width = nullptr) {
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(file.c_str(), &w, &h, &channels, 3);
    std::vector<unsigned char> rgb;
    if (data) rgb.assign(data, data + std::size_t(w) * h * 3);
    stbi_image_free(data);
    if (width) *width = w;
    return rgb;
}

TEST_F(DemoGallery, SkinPicturesShowEachControlWithoutClipping) {
    // The key-light and sharp-highlight pictures keep every pixel below white.
    for (const char* name : {"skin/skin_key.png", "skin/skin_smooth.png"}) {
        const std::vector<unsigned char> rgb = picture(s_out / name);
        ASSERT_FALSE(rgb.empty()) << name;
        EXPECT_LT(*std::max_element(rgb.begin(), rgb.end()), 255) << name << " clips to white";
    }
    // The centre of the sphere: the warm dermis is redder against blue than the default, and a
    // dermis of 0.9 lets through far less light.
    auto centre = [&](const char* name) {
        int w = 0;
        const std::vector<unsigned char> rgb = picture(s_out / "skin" / name, &w);
        const std::size_t at = (std::size_t(w / 2) * w + w / 2) * 3;
        return rgb.size() > at + 2 ? std::array<int, 3>{rgb[at], rgb[at + 1], rgb[at + 2]}
                                   : std::array<int, 3>{0, 0, 0};
    };
    const std::array<int, 3> normal = centre("skin_default.png");
    const std::array<int, 3> warm = centre("skin_dermis.png");
    const std::array<int, 3> low = centre("skin_dermis_low.png");
    EXPECT_GT(warm[0] - warm[2], normal[0] - normal[2] + 20);
    EXPECT_LT(low[0] + low[1] + low[2], normal[0] + normal[1] + normal[2] - 100);
    // It is grey: no channel stands out.
    EXPECT_LT(std::max({low[0], low[1], low[2]}) - std::min({low[0], low[1], low[2]}), 12);
}

// The browser: Debian's chromium when installed.
std::string findChromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const Outcome o = run(std::string("command -v ") + name);
        if (o.status == 0 && !o.out.empty()) return o.out.substr(0, o.out.find('\n'));
    }
    return {};
}

TEST_F(DemoGallery, BrowserShowsEveryPictureWithoutScriptErrors) {
    const std::string chromium = findChromium();
    if (chromium.empty()) GTEST_SKIP() << "chromium is not installed (./run installs it)";
    ASSERT_EQ(s_run.status, 0);
    const fs::path profile = s_out.string() + "_browser";
    fs::remove_all(profile);
    const std::string flags =
        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
        " --disable-background-networking --disable-component-update --disable-sync"
        " --virtual-time-budget=10000 --user-data-dir='" +
        profile.string() + "'";
    const std::string url = "'file://" + (s_out / "index.html").string() + "'";

    // One launch dumps the DOM after the page's own check ran and keeps a picture of the page
    // for a person to look at.
    const std::string shot = TARN_BINARY_DIR "/tests/demo_gallery_page.png";
    fs::remove(shot);
    const Outcome dom = run(chromium + flags + " --hide-scrollbars --window-size=1280,4000" +
                            " --screenshot='" + shot + "' --dump-dom " + url);
    std::smatch m;
    const std::regex body("<body([^>]*)>");
    ASSERT_TRUE(std::regex_search(dom.out, m, body)) << dom.out.substr(0, 2000);
    const std::string attributes = m[1];
    auto attribute = [&](const std::string& name) {
        std::smatch a;
        const std::regex r(name + "=\"([^\"]*)\"");
        return std::regex_search(attributes, a, r) ? a[1].str() : std::string("missing");
    };
    const std::string total = std::to_string(expectedPictures().size());
    EXPECT_EQ(attribute("data-checked"), "yes") << attributes;
    EXPECT_EQ(attribute("data-images"), total);
    EXPECT_EQ(attribute("data-images-loaded"), total);
    EXPECT_EQ(attribute("data-script-errors"), "0");
    EXPECT_TRUE(fs::exists(shot)) << "no screenshot at " << shot;
    fs::remove_all(profile);
}

}  // namespace
