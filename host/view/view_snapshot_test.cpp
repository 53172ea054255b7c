// The headless view: the rasteriser on its own (coverage, depth, clipping, determinism) and the
// viewSnapshot command on real scenes (shader colours, hidden meshes, cameras, bad arguments).

#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "host/scene/scene_test_support.h"
#include "host/view/snapshot_renderer.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace tarn::view {
namespace {

namespace fs = std::filesystem;
using scene::testing::SceneTest;

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb pixel(const RgbImage& img, int x, int y) {
    const std::uint8_t* p = img.at(x, y);
    return {p[0], p[1], p[2]};
}

Rgb background(int y, int height) {
    float c[3];
    backgroundColor(y, height, c);
    auto byte = [](float v) { return static_cast<int>(std::lround(v * 255.0f)); };
    return {byte(c[0]), byte(c[1]), byte(c[2])};
}

// Within one step of 8-bit rounding of the expected colour (0..1).
void expectColor(const Rgb& got, float r, float g, float b, const char* what) {
    EXPECT_NEAR(got.r, r * 255.0f, 1.5f) << what;
    EXPECT_NEAR(got.g, g * 255.0f, 1.5f) << what;
    EXPECT_NEAR(got.b, b * 255.0f, 1.5f) << what;
}

void expectBackground(const RgbImage& img, int x, int y, const char* what) {
    const Rgb got = pixel(img, x, y), want = background(y, img.height);
    EXPECT_EQ(got.r, want.r) << what;
    EXPECT_EQ(got.g, want.g) << what;
    EXPECT_EQ(got.b, want.b) << what;
}

// A square of half size `h` at depth z (in front of the default camera at the origin looking
// down -Z), facing the camera, as two triangles.
void addSquare(std::vector<ViewTriangle>& out, double h, double z, float r, float g, float b) {
    const Vec3 a{-h, -h, z}, c{h, -h, z}, d{h, h, z}, e{-h, h, z};
    for (const auto& tri : {std::array<Vec3, 3>{a, c, d}, std::array<Vec3, 3>{a, d, e}}) {
        ViewTriangle t;
        for (int i = 0; i < 3; ++i) t.p[i] = tri[i];
        t.color[0] = r, t.color[1] = g, t.color[2] = b;
        out.push_back(t);
    }
}

TEST(SnapshotRenderer, SquareCoversCentreAndLeavesCornersToTheBackground) {
    for (bool ortho : {false, true}) {
        ViewCamera cam;
        cam.orthographic = ortho;
        cam.orthoWidth = 4.0;
        std::vector<ViewTriangle> tris;
        addSquare(tris, 0.5, -3.0, 0.9f, 0.2f, 0.1f);
        const RgbImage img = renderView(cam, tris, {}, {64, 48, false});
        ASSERT_EQ(img.pixels.size(), 64u * 48u * 3u);
        // Facing the headlight, the face shows its colour unchanged.
        expectColor(pixel(img, 32, 24), 0.9f, 0.2f, 0.1f, ortho ? "ortho centre" : "centre");
        for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 47}, {63, 47}})
            expectBackground(img, x, y, "corner");
    }
}

TEST(SnapshotRenderer, NearerSurfaceWinsWhateverTheOrder) {
    struct Case {
        double redZ, blueZ;
        bool redFirst;
        bool redWins;
    };
    const Case cases[] = {
        {-2.0, -4.0, true, true},
        {-2.0, -4.0, false, true},
        {-4.0, -2.0, true, false},
        {-4.0, -2.0, false, false},
    };
    for (const Case& c : cases) {
        std::vector<ViewTriangle> tris;
        if (c.redFirst) addSquare(tris, 0.5, c.redZ, 1, 0, 0);
        addSquare(tris, 0.5, c.blueZ, 0, 0, 1);
        if (!c.redFirst) addSquare(tris, 0.5, c.redZ, 1, 0, 0);
        const RgbImage img = renderView(ViewCamera{}, tris, {}, {40, 40, false});
        const Rgb centre = pixel(img, 20, 20);
        EXPECT_EQ(centre.r > 200, c.redWins) << c.redZ << " " << c.blueZ << " " << c.redFirst;
        EXPECT_EQ(centre.b > 200, !c.redWins) << c.redZ << " " << c.blueZ << " " << c.redFirst;
    }
}

TEST(SnapshotRenderer, ClipsAtTheNearAndFarPlanes) {
    struct Case {
        double z;
        bool drawn;
    };
    // The camera sees depths 1..10 along -Z.
    for (const Case& c : {Case{-0.5, false}, Case{-5.0, true}, Case{-20.0, false}}) {
        ViewCamera cam;
        cam.nearClip = 1.0;
        cam.farClip = 10.0;
        std::vector<ViewTriangle> tris;
        addSquare(tris, 0.4 * -c.z, c.z, 0, 1, 0);
        const RgbImage img = renderView(cam, tris, {}, {32, 32, false});
        EXPECT_EQ(pixel(img, 16, 16).g > 200, c.drawn) << c.z;
    }
    // A floor running from behind the camera into the distance is cut at the near plane and
    // still fills the lower half of the view.
    ViewCamera cam;
    std::vector<ViewTriangle> tris;
    const Vec3 a{-50, -1, 5}, b{50, -1, 5}, c{50, -1, -50}, d{-50, -1, -50};
    ViewTriangle t1, t2;
    t1.p[0] = a, t1.p[1] = b, t1.p[2] = c;
    t2.p[0] = a, t2.p[1] = c, t2.p[2] = d;
    tris = {t1, t2};
    const RgbImage img = renderView(cam, tris, {}, {32, 32, false});
    EXPECT_NE(pixel(img, 16, 31).r, background(31, 32).r) << "floor below the horizon";
    expectBackground(img, 16, 0, "sky above the horizon");
}

TEST(SnapshotRenderer, HugeAndBrokenCoordinatesAreSkippedOrClipped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // A triangle with a broken point, one beyond any sensible range (skipped or clipped, never
    // a crash), and a very large but sound one that must still fill the view behind the square.
    auto triangle = [](Vec3 a, Vec3 b, Vec3 c) {
        ViewTriangle t;
        t.p[0] = a, t.p[1] = b, t.p[2] = c;
        return t;
    };
    std::vector<ViewTriangle> tris = {
        triangle({nan, 0, -3}, {1, 0, -3}, {0, 1, -3}),
        triangle({-1e200, -1e200, -5}, {1e200, -1e200, -5}, {0, 1e200, -5}),
        triangle({-1e6, -1e6, -6}, {1e6, -1e6, -6}, {0, 1e6, -6}),
    };
    tris[2].color[0] = 0.0f, tris[2].color[1] = 1.0f, tris[2].color[2] = 0.0f;
    addSquare(tris, 0.5, -3.0, 1, 0, 0);
    const std::vector<ViewEdge> edges = {{{nan, 0, -3}, {0, 0, -3}},
                                         {{-1e200, 0, -4}, {1e200, 0, -4}}};
    const RgbImage img = renderView(ViewCamera{}, tris, edges, {32, 32, true});
    EXPECT_GT(pixel(img, 16, 16).r, 200) << "the square in front still shows";
    const Rgb corner = pixel(img, 2, 30);
    EXPECT_GT(corner.g, corner.r + 10) << "the large green triangle fills the rest";
    EXPECT_EQ(corner.r, 0);
}

TEST(SnapshotRenderer, EdgesOverlayOnlyWithWireframeAndOnlyWhereVisible) {
    ViewCamera cam;
    std::vector<ViewTriangle> tris;
    addSquare(tris, 1.0, -3.0, 1, 1, 1);
    // One edge across the front of the square, one hidden behind it.
    const std::vector<ViewEdge> edges = {{{-1, 0, -3}, {1, 0, -3}}, {{0, -0.6, -6}, {0, 0.6, -6}}};
    const RgbImage plain = renderView(cam, tris, edges, {64, 64, false});
    const RgbImage wire = renderView(cam, tris, edges, {64, 64, true});
    EXPECT_GT(pixel(plain, 40, 32).r, 200);
    EXPECT_LT(pixel(wire, 40, 32).r, 160) << "the front edge darkens the row it crosses";
    EXPECT_EQ(pixel(wire, 32, 24).r, pixel(plain, 32, 24).r) << "the hidden edge stays hidden";
    // A vertical edge stays unbroken across every row it spans (rows are rendered in bands).
    const std::vector<ViewEdge> vertical = {{{0.25, -1, -3}, {0.25, 1, -3}}};
    const RgbImage v = renderView(cam, tris, vertical, {64, 64, true});
    int darkRows = 0;
    for (int y = 0; y < 64; ++y) {
        int darkest = 255;
        for (int x = 30; x < 40; ++x) darkest = std::min(darkest, pixel(v, x, y).r);
        darkRows += darkest < 160;
    }
    EXPECT_GE(darkRows, 40) << "the square spans rows 11..52 of 64";
}

TEST(SnapshotRenderer, OutputIsDeterministic) {
    std::vector<ViewTriangle> tris;
    for (int i = 0; i < 200; ++i)
        addSquare(tris, 0.3 + 0.01 * (i % 17), -3.0 - 0.05 * (i % 23), (i % 3) / 2.0f,
                  (i % 5) / 4.0f, (i % 7) / 6.0f);
    const RgbImage a = renderView(ViewCamera{}, tris, {}, {97, 71, true});
    RgbImage b;
    {
        tbb::global_control one(tbb::global_control::max_allowed_parallelism, 1);
        b = renderView(ViewCamera{}, tris, {}, {97, 71, true});
    }
    EXPECT_EQ(a.pixels, b.pixels) << "one thread or many, the same bytes";
}

TEST(SnapshotRenderer, FramingCameraSeesTheWholeBox) {
    struct Case {
        Vec3 lo, hi;
        int w, h;
    };
    const Case cases[] = {{{-1, -1, -1}, {1, 1, 1}, 64, 48},
                          {{100, 20, -40}, {130, 22, -35}, 48, 64},
                          {{0, 0, 0}, {0, 0, 0}, 32, 32}};
    for (const Case& c : cases) {
        Box3 box;
        box.expand(c.lo);
        box.expand(c.hi);
        const ViewCamera cam = framingCamera(box, c.w, c.h);
        // Every corner of the box projects inside the image and lies between the clip planes.
        const double tanH = std::tan(cam.horizontalFieldOfView / 2);
        const double tanV = tanH * c.h / c.w;
        for (int k = 0; k < 8; ++k) {
            const Vec3 p{k & 1 ? c.hi.x : c.lo.x, k & 2 ? c.hi.y : c.lo.y, k & 4 ? c.hi.z : c.lo.z};
            const Vec3 v = p - cam.eye;
            const double z = dot(v, cam.forward);
            EXPECT_GT(z, cam.nearClip);
            EXPECT_LT(z, cam.farClip);
            EXPECT_LE(std::fabs(dot(v, cam.right)) / z, tanH);
            EXPECT_LE(std::fabs(dot(v, cam.up)) / z, tanV);
        }
        EXPECT_GT(dot(cam.forward, Vec3{0, -1, 0}), 0.2) << "looks down on the scene";
    }
}

// The command on real scenes, checked through the PNG it writes.
class ViewSnapshotTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        m_dir = fs::temp_directory_path() /
                ("view_snapshot_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        fs::remove_all(m_dir);
        SceneTest::TearDown();
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    RgbImage load(const std::string& file) {
        int w = 0, h = 0, n = 0;
        std::unique_ptr<stbi_uc, void (*)(void*)> data(stbi_load(file.c_str(), &w, &h, &n, 3),
                                                       stbi_image_free);
        RgbImage img;
        if (!data) {
            ADD_FAILURE() << "cannot read " << file;
            return img;
        }
        img.width = w, img.height = h;
        img.pixels.assign(data.get(), data.get() + w * h * 3);
        return img;
    }
    // A cube of colour (r, g, b) through its own phong shader and shading group.
    void colouredCube(const std::string& name, const std::string& rgb, const std::string& at) {
        run("polyCube -n " + name);
        run("shadingNode -asShader phong -n " + name + "Phong");
        run("sets -renderable true -noSurfaceShader true -empty -name " + name + "SG");
        run("defaultNavigation -connectToExisting -source " + name + "Phong -destination " + name +
            "SG");
        run("setAttr " + name + "Phong.color -type double3 " + rgb);
        run("sets -edit -forceElement " + name + "SG " + name);
        run("move " + at + " " + name);
    }

    fs::path m_dir;
};

TEST_F(ViewSnapshotTest, CubeInFrontOfCameraShowsItsShaderColour) {
    colouredCube("box", "0.8 0.1 0.2", "0 0 0");
    run("camera -p 0 0 5");
    const std::string file = path("cube.png");
    EXPECT_EQ(run("viewSnapshot -width 80 -height 60 -o \"" + file + "\"").asString(), file);
    const RgbImage img = load(file);
    ASSERT_EQ(img.width, 80);
    ASSERT_EQ(img.height, 60);
    expectColor(pixel(img, 40, 30), 0.8f, 0.1f, 0.2f, "centre");
    for (auto [x, y] : {std::pair{0, 0}, {79, 0}, {0, 59}, {79, 59}})
        expectBackground(img, x, y, "corner");
    EXPECT_FALSE(fs::exists(file + ".tmp" + std::to_string(::getpid())));
}

TEST_F(ViewSnapshotTest, HiddenMeshIsNotDrawn) {
    colouredCube("box", "0.8 0.1 0.2", "0 0 0");
    run("camera -p 0 0 5");
    run("hide box");
    run("viewSnapshot -width 40 -height 40 -o \"" + path("hidden.png") + "\"");
    const RgbImage img = load(path("hidden.png"));
    ASSERT_EQ(img.width, 40);
    expectBackground(img, 20, 20, "hidden cube");
    run("showHidden box");
    run("viewSnapshot -width 40 -height 40 -o \"" + path("shown.png") + "\"");
    expectColor(pixel(load(path("shown.png")), 20, 20), 0.8f, 0.1f, 0.2f, "shown again");
}

TEST_F(ViewSnapshotTest, NearerOfTwoCubesWins) {
    for (bool nearFirst : {true, false}) {
        Graph::instance().clear();
        if (nearFirst) colouredCube("nearBox", "0 0.9 0", "0 0 2");
        colouredCube("farBox", "0.9 0 0", "0 0 0");
        if (!nearFirst) colouredCube("nearBox", "0 0.9 0", "0 0 2");
        run("camera -p 0 0 6");
        const std::string file = path(nearFirst ? "a.png" : "b.png");
        run("viewSnapshot -width 40 -height 40 -o \"" + file + "\"");
        expectColor(pixel(load(file), 20, 20), 0.0f, 0.9f, 0.0f, "near cube in front");
    }
}

// A shader's transparency lets what is behind show through, whatever order the meshes came in:
// a closed glass cube blends its far side, then its near side, over the wall behind it.
TEST_F(ViewSnapshotTest, TransparentShadersShowWhatIsBehind) {
    for (bool glassFirst : {true, false}) {
        Graph::instance().clear();
        if (glassFirst) colouredCube("glass", "0 0 0.9", "0 0 2");
        colouredCube("wall", "0.9 0 0", "0 0 0");
        if (!glassFirst) colouredCube("glass", "0 0 0.9", "0 0 2");
        run("camera -p 0 0 6");
        const auto centre = [&](const std::string& transparency) {
            run("setAttr glassPhong.transparency -type double3 " + transparency);
            const std::string file = path("glass.png");
            run("viewSnapshot -width 40 -height 40 -o \"" + file + "\"");
            return pixel(load(file), 20, 20);
        };
        expectColor(centre("0 0 0"), 0.0f, 0.0f, 0.9f, "opaque glass");
        expectColor(centre("1 1 1"), 0.9f, 0.0f, 0.0f, "clear glass");
        // 60 % transparent: two layers of 40 % blue over the red wall.
        const Rgb seen = centre("0.6 0.6 0.6");
        const float wall = 0.9f * 0.6f * 0.6f, blue = 0.9f * 0.4f * (1.0f + 0.6f);
        EXPECT_NEAR(seen.r, wall * 255.0f, 3.0f) << glassFirst;
        EXPECT_NEAR(seen.g, 0.0f, 1.5f) << glassFirst;
        EXPECT_NEAR(seen.b, blue * 255.0f, 3.0f) << glassFirst;
    }
}

TEST_F(ViewSnapshotTest, NamedCameraIsUsedAndUnknownOnesFail) {
    colouredCube("box", "0.1 0.2 0.9", "0 0 0");
    run("camera -p 0 0 5 -n front");
    run("camera -p 0 0 -5 -n away");  // looks down -Z, away from the cube
    run("viewSnapshot -camera away -width 40 -height 40 -o \"" + path("away.png") + "\"");
    expectBackground(load(path("away.png")), 20, 20, "camera looking away");
    run("viewSnapshot -camera front -width 40 -height 40 -o \"" + path("front.png") + "\"");
    expectColor(pixel(load(path("front.png")), 20, 20), 0.1f, 0.2f, 0.9f, "front camera");
}

TEST_F(ViewSnapshotTest, AutomaticCameraFramesTheScene) {
    colouredCube("box", "0.9 0.9 0.1", "40 -12 7");
    run("scale 3 3 3 box");
    const std::string file = path("auto.png");
    run("viewSnapshot -width 64 -height 48 \"" + file + "\"");
    const RgbImage img = load(file);
    ASSERT_EQ(img.width, 64);
    // The cube is in the middle, fully inside the picture, and fills a fair part of it.
    EXPECT_GT(pixel(img, 32, 24).r, 60);
    int covered = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const bool bg = pixel(img, x, y).r == background(y, img.height).r &&
                            pixel(img, x, y).b == background(y, img.height).b;
            covered += !bg;
            if (x == 0 || y == 0 || x == img.width - 1 || y == img.height - 1) {
                EXPECT_TRUE(bg) << "border pixel " << x << "," << y;
            }
        }
    EXPECT_GT(covered, img.width * img.height / 8);
}

TEST_F(ViewSnapshotTest, BadArgumentsWriteNothingAndChangeNothing) {
    colouredCube("box", "0.8 0.1 0.2", "0 0 0");
    const std::string kept = path("kept.png");
    { std::ofstream(kept) << "keep"; }
    const std::string fresh = path("fresh.png");
    const std::string before = run("describeScene -json").asString();
    struct Case {
        std::string command;
        std::string message;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"viewSnapshot -width 0 -o \"" + fresh + "\"", "1 to 8192", fresh},
        {"viewSnapshot -height 8193 -o \"" + fresh + "\"", "1 to 8192", fresh},
        {"viewSnapshot -width 99999999999 -o \"" + fresh + "\"", "1 to 8192", fresh},
        {"viewSnapshot -width -4 -o \"" + kept + "\"", "1 to 8192", kept},
        {"viewSnapshot -camera noSuchCamera -o \"" + fresh + "\"", "No camera named noSuchCamera",
         fresh},
        {"viewSnapshot -camera box -o \"" + kept + "\"", "box is not a camera", kept},
        {"viewSnapshot", "needs an output file", ""},
        {"viewSnapshot -o a.png b.png", "one output file", ""},
        {"viewSnapshot -o \"" + path("no/such/dir/x.png") + "\"", "cannot write",
         path("no/such/dir/x.png")},
        {"viewSnapshot -o \"" + m_dir.string() + "\"", "directory", ""},
    };
    for (const Case& c : cases) {
        const std::string errors = runFailing(c.command);
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.command << "\n" << errors;
        if (c.file == fresh) {
            EXPECT_FALSE(fs::exists(fresh)) << c.command;
        }
        if (c.file == kept) {
            std::ifstream in(kept);
            std::string text;
            in >> text;
            EXPECT_EQ(text, "keep") << c.command;
        }
    }
    EXPECT_EQ(run("describeScene -json").asString(), before);
    // Nothing but the kept file was left in the folder (no temporaries either).
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(m_dir)) ++files;
    EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace tarn::view
