// Textured surfaces in view pictures: the renderer's textures, corner colours and background on
// their own, then viewSnapshot on scenes whose shaders take their colour from a 2D texture, a
// 3D texture or an image file, and the mean texture colour exportObj writes as Kd.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "host/dg/graph.h"
#include "host/image/png_writer.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_test_support.h"
#include "host/texturing/texture_image.h"
#include "host/view/snapshot_renderer.h"
#include "host/view/view_scene.h"

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

struct Mean {
    double rgb[3] = {0, 0, 0};
    double variance = 0;  // summed over the channels, in 0..1 units
};

// Mean and variance of the pixels in the square of half side `half` around (cx, cy).
Mean regionStats(const RgbImage& img, int cx, int cy, int half) {
    Mean m;
    double sq[3] = {0, 0, 0};
    int n = 0;
    for (int y = cy - half; y <= cy + half; ++y)
        for (int x = cx - half; x <= cx + half; ++x, ++n)
            for (int c = 0; c < 3; ++c) {
                const double v = img.at(x, y)[c] / 255.0;
                m.rgb[c] += v;
                sq[c] += v * v;
            }
    for (int c = 0; c < 3; ++c) {
        m.rgb[c] /= n;
        m.variance += sq[c] / n - m.rgb[c] * m.rgb[c];
    }
    return m;
}

// A square of half size 1 at z = -2, facing the camera, as two triangles with UVs from
// (u0, v0) at the bottom-left to (u0 + 1, v0 + 1) at the top-right.
std::vector<ViewTriangle> uvSquare(float u0, float v0, int texture) {
    const Vec3 p[4] = {{-1, -1, -2}, {1, -1, -2}, {1, 1, -2}, {-1, 1, -2}};
    const float uv[4][2] = {{u0, v0}, {u0 + 1, v0}, {u0 + 1, v0 + 1}, {u0, v0 + 1}};
    std::vector<ViewTriangle> out;
    for (const auto& corners : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
        ViewTriangle t;
        t.texture = texture;
        t.color[0] = 0.2f, t.color[1] = 0.4f, t.color[2] = 0.6f;
        for (int k = 0; k < 3; ++k) {
            t.p[k] = p[corners[k]];
            t.uv[k][0] = uv[corners[k]][0];
            t.uv[k][1] = uv[corners[k]][1];
        }
        out.push_back(t);
    }
    return out;
}

// 2 x 2 texels: red and green on the bottom row (v = 0), blue and white on the top.
ViewTexture quadrants() {
    ViewTexture t;
    t.width = t.height = 2;
    t.rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    return t;
}

ViewCamera orthoCamera() {
    ViewCamera cam;
    cam.orthographic = true;
    cam.orthoWidth = 2.0;  // the square fills the picture
    return cam;
}

TEST(TexturedRenderer, QuadrantsLandWhereTheirUvsAre) {
    // Texels are centred in each quarter of a repeated texture, so a shift by whole UV units
    // draws the same picture; points a quarter in from each corner show one texel each.
    struct Case {
        float u0, v0;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{-3, 2}}) {
        const RgbImage img =
            renderView(orthoCamera(), uvSquare(c.u0, c.v0, 0), {}, {64, 64, false}, {quadrants()});
        struct Probe {
            int x, y;
            int rgb[3];
        };
        // Texel centres (filtering blends in a few levels of the neighbours).
        const Probe probes[] = {{15, 48, {255, 0, 0}},  // bottom left: v = 0, u = 0
                                {48, 48, {0, 255, 0}},  // bottom right
                                {15, 15, {0, 0, 255}},  // top left
                                {48, 15, {255, 255, 255}}};
        for (const Probe& p : probes)
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(img.at(p.x, p.y)[ch], p.rgb[ch], 8)
                    << "u0 " << c.u0 << " v0 " << c.v0 << " at " << p.x << "," << p.y;
    }
}

TEST(TexturedRenderer, MissingOrEmptyTextureFallsBackToTheColour) {
    ViewTexture empty;
    const std::vector<std::pair<int, std::vector<ViewTexture>>> cases = {
        {0, {}}, {3, {quadrants()}}, {0, {empty}}, {-1, {quadrants()}}};
    for (const auto& [index, textures] : cases) {
        const RgbImage img =
            renderView(orthoCamera(), uvSquare(0, 0, index), {}, {32, 32, false}, textures);
        const std::uint8_t* p = img.at(16, 16);
        EXPECT_NEAR(p[0], 0.2 * 255, 1.5) << index;
        EXPECT_NEAR(p[1], 0.4 * 255, 1.5) << index;
        EXPECT_NEAR(p[2], 0.6 * 255, 1.5) << index;
    }
}

TEST(TexturedRenderer, CornerColoursBlendAcrossTheFace) {
    ViewTriangle t;
    t.p[0] = {-1, -1, -2}, t.p[1] = {1, -1, -2}, t.p[2] = {-1, 1, -2};
    t.cornerColors = true;
    const float corner[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::copy(&corner[0][0], &corner[0][0] + 9, &t.corner[0][0]);
    const RgbImage img = renderView(orthoCamera(), {t}, {}, {64, 64, false});
    // Near each corner its own colour dominates; in between the channels mix.
    const struct {
        int x, y, channel;
    } near[] = {{2, 61, 0}, {57, 61, 1}, {2, 6, 2}};  // about 0.9 of their corner's weight
    for (const auto& n : near) {
        const std::uint8_t* p = img.at(n.x, n.y);
        EXPECT_GT(p[n.channel], 200) << n.x << "," << n.y;
        for (int ch = 0; ch < 3; ++ch) {
            if (ch != n.channel) {
                EXPECT_LT(p[ch], 40) << n.x << "," << n.y;
            }
        }
    }
    const std::uint8_t* mid = img.at(16, 40);
    for (int ch = 0; ch < 3; ++ch) EXPECT_GT(mid[ch], 40) << "channel " << ch;
}

TEST(TexturedRenderer, FlatBackgroundReplacesTheGradient) {
    RenderOptions flat{16, 16, false};
    flat.flatBackground = true;
    flat.background[0] = 1.0f, flat.background[1] = 0.5f, flat.background[2] = 0.0f;
    const RgbImage a = renderView(ViewCamera{}, {}, {}, flat);
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {7, 8}, {0, 15}}) {
        EXPECT_EQ(a.at(x, y)[0], 255);
        EXPECT_EQ(a.at(x, y)[1], 128);
        EXPECT_EQ(a.at(x, y)[2], 0);
    }
    const RgbImage g = renderView(ViewCamera{}, {}, {}, {16, 16, false});
    EXPECT_GT(g.at(0, 0)[2], g.at(0, 15)[2]) << "the default gradient is lighter at the top";
}

// Whole scenes with texture plug-ins, through viewSnapshot.
class TexturedSnapshotTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        m_dir = fs::temp_directory_path() /
                ("view_texture_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        fs::remove_all(m_dir);
        SceneTest::TearDown();
    }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    static void loadPlugin(const char* name) {
        // Each test starts from an empty graph, node types included: load afresh.
        auto& loader = plugins::PluginLoader::instance();
        std::string error;
        if (loader.find(name)) loader.unload(name, true, &error);
        ASSERT_FALSE(loader.load(std::string(TARN_PLUGIN_DIR) + "/" + name + ".so", &error).error())
            << error;
    }

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

    // A cube (subdivided `sub` times a side) whose black phong shader takes its colour from a
    // new node of `textureType`; a camera on +Z looks at its front face.
    std::string texturedCube(const std::string& textureType, int sub = 1) {
        const std::string s = std::to_string(sub);
        run("polyCube -sx " + s + " -sy " + s + " -sz " + s + " -n box");
        run("shadingNode -asShader phong -n boxPhong");
        run("sets -renderable true -noSurfaceShader true -empty -name boxSG");
        run("defaultNavigation -connectToExisting -source boxPhong -destination boxSG");
        run("setAttr boxPhong.color -type double3 0 0 0");
        run("sets -edit -forceElement boxSG box");
        const std::string tex = run("createNode " + textureType).asString();
        run("connectAttr " + tex + ".outColor boxPhong.color");
        run("camera -p 0 0 3");
        return tex;
    }

    RgbImage snapshot(const std::string& extra = "") {
        const std::string file = path("shot.png");
        run("viewSnapshot -width 160 -height 120 " + extra + " -o \"" + file + "\"");
        return load(file);
    }

    std::unique_ptr<texturing::TextureSampler> sampler(const std::string& node) {
        std::string error;
        auto s = texturing::TextureSampler::create(Graph::instance().findNode(node), &error);
        EXPECT_TRUE(s) << error;
        return s;
    }

    fs::path m_dir;
};

TEST_F(TexturedSnapshotTest, DenimCubeShowsTheWeaveInsteadOfItsBlackShader) {
    loadPlugin("twillPattern");
    const std::string denim = texturedCube("denim");
    float mean[3];
    std::string error;
    ASSERT_TRUE(texturing::averageColor(*sampler(denim), 16, mean, &error)) << error;
    // The front face fills the middle of the picture, lit almost head on.
    const Mean got = regionStats(snapshot(), 80, 60, 14);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got.rgb[c], mean[c], 0.08) << "channel " << c;
    EXPECT_GT(got.rgb[0] + got.rgb[1] + got.rgb[2], 0.15) << "not the black shader colour";
    EXPECT_GT(got.variance, 1e-4) << "the weave varies across the face";
}

TEST_F(TexturedSnapshotTest, TexturedPixelsFollowTheSampledTexture) {
    loadPlugin("twillPattern");
    const std::string denim = texturedCube("denim");
    // Coarse threads make single texels span several pixels.
    run("setAttr " + denim + ".uFrequency 3; setAttr " + denim + ".vFrequency 3");
    const RgbImage img = snapshot();
    // The front face's UVs are an affine function of x and y: solve it from three corners and
    // compare a few pixels with the sampler at the UV they show.
    const PolyMesh& mesh = scene::meshNode(scene::findNode("boxShape"))->mesh();
    int front = -1;
    for (int f = 0; f < mesh.numFaces() && front < 0; ++f) {
        bool allFront = true;
        for (int v : mesh.faceVertices(f)) allFront &= mesh.point(v).z > 0.49;
        if (allFront) front = f;
    }
    ASSERT_GE(front, 0);
    double x[3], y[3], fu[3], fv[3];
    for (int c = 0; c < 3; ++c) {
        const Vec3 p = mesh.point(mesh.faceVertices(front)[c]);
        float u, v;
        ASSERT_TRUE(mesh.getFaceVertexUV(front, c, u, v));
        x[c] = p.x, y[c] = p.y, fu[c] = u, fv[c] = v;
    }
    const double det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    ASSERT_NE(det, 0.0);
    const auto affine = [&](const double* f, double px, double py) {
        const double s = ((px - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (py - y[0])) / det;
        const double t = ((x[1] - x[0]) * (py - y[0]) - (px - x[0]) * (y[1] - y[0])) / det;
        return f[0] + s * (f[1] - f[0]) + t * (f[2] - f[0]);
    };
    // Pixel of the face point (x, y) at z = 0.5 seen from z = 3 with the 0.8 rad field of view.
    const double scale = 80.0 / std::tan(0.4) / 2.5;
    auto sampler3 = sampler(denim);
    std::unique_ptr<SampleBlock> block = sampler3->makeBlock();
    int close = 0, probes = 0;
    for (double fx : {-0.3, -0.1, 0.15, 0.35})
        for (double fy : {-0.35, -0.05, 0.2, 0.3}) {
            const int px = static_cast<int>(80 + fx * scale),
                      py = static_cast<int>(60 - fy * scale);
            const double cx = (px + 0.5 - 80) / scale, cy = (60 - py - 0.5) / scale;
            const float u = static_cast<float>(affine(fu, cx, cy));
            const float v = static_cast<float>(affine(fv, cx, cy));
            texturing::SampleValue want;
            ASSERT_FALSE(sampler3->sampleUv(*block, u, v, 1.0f / 256, 1.0f / 256, &want).error());
            const std::uint8_t* got = img.at(px, py);
            // The headlight is within a few percent of full at these points; texels blend with
            // their neighbours, so most (not all) probes match closely.
            const double d = std::fabs(got[0] / 255.0 - want.r) +
                             std::fabs(got[1] / 255.0 - want.g) +
                             std::fabs(got[2] / 255.0 - want.b);
            close += d < 0.15;
            ++probes;
        }
    EXPECT_GE(close, probes * 3 / 4) << close << " of " << probes;
}

TEST_F(TexturedSnapshotTest, FacesWithoutUvsKeepTheShaderColour) {
    loadPlugin("twillPattern");
    texturedCube("denim");
    PolyMesh& mesh = scene::meshNode(scene::findNode("boxShape"))->mesh();
    ASSERT_TRUE(mesh.deleteUVSet(mesh.currentUVSetName()));
    const ViewScene scene = gatherScene(false);
    ASSERT_FALSE(scene.triangles.empty());
    for (const ViewTriangle& t : scene.triangles) EXPECT_EQ(t.texture, -1);
    const Mean got = regionStats(snapshot(), 80, 60, 10);
    EXPECT_LT(got.variance, 1e-4) << "one flat colour";
}

TEST_F(TexturedSnapshotTest, SolidTextureIsSampledAtTheVertices) {
    loadPlugin("marblePattern");
    const std::string marble = texturedCube("veining", 6);
    const ViewScene scene = gatherScene(false);
    const PolyMesh& mesh = scene::meshNode(scene::findNode("boxShape"))->mesh();
    // Every corner carries the texture's colour at its object-space point.
    std::vector<float> points;
    for (int v = 0; v < mesh.numVertices(); ++v)
        points.insert(points.end(),
                      {static_cast<float>(mesh.point(v).x), static_cast<float>(mesh.point(v).y),
                       static_cast<float>(mesh.point(v).z)});
    std::vector<float> want;
    std::string error;
    ASSERT_TRUE(texturing::samplePoints(*sampler(marble), points, want, &error)) << error;
    ASSERT_FALSE(scene.triangles.empty());
    int matched = 0, corners = 0;
    for (const ViewTriangle& t : scene.triangles) {
        ASSERT_TRUE(t.cornerColors);
        for (int k = 0; k < 3; ++k, ++corners)
            for (int v = 0; v < mesh.numVertices(); ++v)
                if (length(mesh.point(v) - t.p[k]) < 1e-9 && t.corner[k][0] == want[3 * v] &&
                    t.corner[k][1] == want[3 * v + 1] && t.corner[k][2] == want[3 * v + 2]) {
                    ++matched;
                    break;
                }
    }
    EXPECT_EQ(matched, corners);
    EXPECT_GT(regionStats(snapshot(), 80, 60, 14).variance, 1e-5) << "not one flat colour";
}

TEST_F(TexturedSnapshotTest, FileTextureShowsItsImageOrElseTheShaderColour) {
    // A file texture of two halves: red at the bottom of the image, blue at the top.
    const std::string image = path("halves.png");
    std::vector<std::uint8_t> rgb(8 * 8 * 3, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) rgb[(y * 8 + x) * 3 + (y < 4 ? 2 : 0)] = 255;
    ASSERT_TRUE(image::writePngRgb(image, 8, 8, rgb.data(), nullptr));
    const std::string file = texturedCube("file");
    // What the shader's colour reads (through the connection) when the image is not shown.
    const KVector shaderColour = scene::readVector(scene::findNode("boxPhong"), "color");
    struct Case {
        std::string name;
        bool shown;
    };
    for (const Case& c :
         {Case{image, true}, Case{path("missing.png"), false}, Case{path("shot.png.txt"), false}}) {
        if (!c.shown) {
            std::ofstream(path("shot.png.txt")) << "not an image";
        }
        run("setAttr " + file + ".fileTextureName -type \"string\" \"" + c.name + "\"");
        const ViewScene scene = gatherScene(false);
        EXPECT_EQ(scene.textures.size(), c.shown ? 1u : 0u) << c.name;
        const RgbImage img = snapshot();
        const Mean middle = regionStats(img, 80, 60, 4);
        if (c.shown) {
            EXPECT_GT(middle.rgb[0] + middle.rgb[2], 0.8) << "red or blue from the image";
            EXPECT_LT(middle.rgb[1], 0.05);
        } else {
            EXPECT_NEAR(middle.rgb[0], shaderColour.x, 0.06) << c.name;
            EXPECT_NEAR(middle.rgb[1], shaderColour.y, 0.06) << c.name;
            EXPECT_LT(middle.variance, 1e-4) << c.name;
        }
    }
}

TEST_F(TexturedSnapshotTest, BackgroundFlagPaintsAFlatColourAndChecksItsValues) {
    run("polyCube -n box");
    run("camera -p 0 0 5");
    const RgbImage img = snapshot("-background 0 0.5 1");
    for (auto [x, y] : {std::pair{0, 0}, {159, 0}, {0, 119}, {159, 119}}) {
        EXPECT_EQ(img.at(x, y)[0], 0);
        EXPECT_EQ(img.at(x, y)[1], 128);
        EXPECT_EQ(img.at(x, y)[2], 255);
    }
    for (const char* bad : {"-background 1.5 0 0", "-background 0 -1 0", "-background 0 0"}) {
        const std::string errors =
            runFailing(std::string("viewSnapshot ") + bad + " -o \"" + path("bad.png") + "\"");
        EXPECT_FALSE(errors.empty()) << bad;
        EXPECT_FALSE(fs::exists(path("bad.png"))) << bad;
    }
}

TEST_F(TexturedSnapshotTest, ExportObjWritesTheMeanTextureColourAsKd) {
    loadPlugin("twillPattern");
    const std::string denim = texturedCube("denim");
    float mean[3];
    std::string error;
    ASSERT_TRUE(texturing::averageColor(*sampler(denim), 16, mean, &error)) << error;
    run("exportObj \"" + path("box.obj") + "\"");
    std::ifstream in(path("box.mtl"));
    std::string line;
    bool found = false;
    while (std::getline(in, line))
        if (line.rfind("Kd ", 0) == 0) {
            std::istringstream words(line.substr(3));
            float kd[3];
            words >> kd[0] >> kd[1] >> kd[2];
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(kd[c], mean[c], 1e-4) << line;
            found = true;
        }
    EXPECT_TRUE(found);
    EXPECT_GT(mean[0] + mean[1] + mean[2], 0.15) << "denim is not black";
}

}  // namespace
}  // namespace tarn::view
