// The frames of the active view, as the window shows them and viewCapture writes them: planar
// faces drawn flat, smooth meshes smooth, the marquee and the overlay composed over the scene,
// a dense selected mesh still readable, selected components visible, large ports drawn in
// tiles without a seam, quick frames of very large meshes, and frames that follow the scene.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "frame/k_scene.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/view/active_view.h"
#include "host/view/view_frame.h"
#include "host/view/view_snapshot.h"
#include "host/view/view_test_support.h"

namespace tarn::view {
namespace {

class ViewFrameTest : public testing::ViewTest {
protected:
    // The pixel of a world point in the capture (rows top first).
    std::pair<int, int> at(const RgbImage& img, const std::string& point) {
        const auto p = run("viewProject " + point).asIntArray();
        return {static_cast<int>(p[0]), img.height - 1 - static_cast<int>(p[1])};
    }
    static int luminance(const RgbImage& img, int x, int y) {
        const std::uint8_t* p = img.at(x, y);
        return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
    }
};

// Lit by a directional headlight from the faces' own normals, each planar face of a cube is one
// colour (lighting per triangle from a point at the eye folded every quad along its diagonal).
TEST_F(ViewFrameTest, PlanarFacesAreFlat) {
    // The automatic camera looks from the front right, above: the top, right and front faces.
    run("polyCube -n box -w 2 -h 2 -d 2; viewPort 200 160; viewFit");
    const RgbImage img = renderActiveView();
    // Sample the three faces seen, inside their corners (a quarter in from each edge).
    struct Face {
        const char* corners[4];
    };
    const Face faces[] = {
        {{"-1 1 -1", "1 1 -1", "1 1 1", "-1 1 1"}},  // top
        {{"1 -1 -1", "1 1 -1", "1 1 1", "1 -1 1"}},  // right
        {{"-1 -1 1", "1 -1 1", "1 1 1", "-1 1 1"}},  // front
    };
    std::vector<int> means;
    for (const Face& f : faces) {
        std::pair<int, int> c[4];
        for (int k = 0; k < 4; ++k) c[k] = at(img, f.corners[k]);
        int lo = 255, hi = 0;
        for (double s = 0.25; s <= 0.75; s += 0.05)
            for (double t = 0.25; t <= 0.75; t += 0.05) {
                const double x = (1 - s) * ((1 - t) * c[0].first + t * c[1].first) +
                                 s * ((1 - t) * c[3].first + t * c[2].first);
                const double y = (1 - s) * ((1 - t) * c[0].second + t * c[1].second) +
                                 s * ((1 - t) * c[3].second + t * c[2].second);
                const int l = luminance(img, static_cast<int>(x), static_cast<int>(y));
                lo = std::min(lo, l), hi = std::max(hi, l);
            }
        EXPECT_LE(hi - lo, 1) << f.corners[0];
        means.push_back(lo);
    }
    // Faces turned differently to the light differ (right and front are turned alike).
    EXPECT_NE(means[0], means[1]);
    EXPECT_NEAR(means[1], means[2], 1);
}

TEST_F(ViewFrameTest, SmoothMeshesShadeWithoutFacets) {
    run("polySphere -n ball -sx 12 -sy 8; select -cl; viewPort 160 160; viewFit");
    const RgbImage img = renderActiveView();
    // Across the sphere's middle row the shade changes a little from pixel to pixel, never by
    // the jump a facet edge makes.
    const auto [cx, cy] = at(img, "0 0 0");
    int steepest = 0;
    for (int x = cx - 30; x < cx + 30; ++x)
        steepest = std::max(steepest, std::abs(luminance(img, x + 1, cy) - luminance(img, x, cy)));
    EXPECT_LE(steepest, 4);
}

// The marquee shows in captures (and the window) whether or not a tool drew into the overlay.
TEST_F(ViewFrameTest, MarqueeShowsWithoutAnOverlay) {
    run("polyCube -n box; viewPort 120 100; viewFit");
    run("viewEvent press 20 20; viewEvent drag 90 70");
    ASSERT_TRUE(ActiveView::instance().marquee().active);
    const RgbImage img = renderActiveView();
    const auto white = [&](int x, int portY) {
        const std::uint8_t* p = img.at(x, img.height - 1 - portY);
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    };
    for (int x = 20; x <= 90; x += 7) EXPECT_TRUE(white(x, 20) && white(x, 70)) << x;
    for (int y = 20; y <= 70; y += 5) EXPECT_TRUE(white(20, y) && white(90, y)) << y;
    EXPECT_FALSE(white(55, 45)) << "only the outline";
    run("viewEvent release 90 70");
    const RgbImage after = renderActiveView();
    EXPECT_NE(after.at(20, after.height - 1 - 20)[0], 255) << "gone with the release";
}

// A tool may keep GL begun for a whole stroke and draw at each event: its drawing shows.
TEST_F(ViewFrameTest, OverlayOfAToolHoldingGlShows) {
    run("polyCube -n box; viewPort 80 60; viewFit");
    ActiveView& v = ActiveView::instance();
    ASSERT_TRUE(v.beginGL(nullptr));
    v.beginOverlayDrawing();
    v.clearOverlay();
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 80, 0, 60, -1, 1);
    glColor4ub(255, 0, 255, 255);
    glBegin(GL_LINES);
    glVertex2f(5, 30.5f);
    glVertex2f(75, 30.5f);
    glEnd();
    glFinish();
    const RgbImage img = renderActiveView();
    v.endOverlayDrawing();
    v.endGL();
    const std::uint8_t* p = img.at(40, 60 - 1 - 30);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 255);
    // Cleared (outside GL), the overlay is gone from the next frame.
    v.clearOverlay();
    EXPECT_NE(renderActiveView().at(40, 60 - 1 - 30)[1], 0);
}

TEST_F(ViewFrameTest, CapturesFollowTheScene) {
    run("polyCube -n box; viewPort 64 48; camera -p 0 0 6; viewCamera camera1");
    const RgbImage before = renderActiveView();
    // Forgetting what the frames keep gives the same picture, gathered anew, overlay or not.
    captureFrames().forget();
    EXPECT_EQ(renderActiveView().pixels, before.pixels);
    run("viewEvent press 2 2; viewEvent drag 30 30");
    captureFrames().forget();
    EXPECT_NE(renderActiveView().pixels, before.pixels) << "the marquee";
    run("viewEvent release 30 30");
    run("move 1.2 0 0 box");
    const RgbImage moved = renderActiveView();
    EXPECT_NE(before.pixels, moved.pixels);
    run("setAttr lambert1.color -type double3 0.9 0.1 0.1");
    const RgbImage red = renderActiveView();
    const auto [x, y] = at(red, "1.2 0 0.5");
    EXPECT_GT(red.at(x, y)[0], 2 * red.at(x, y)[1]);
    run("delete box");
    const RgbImage empty = renderActiveView();
    EXPECT_EQ(empty.at(x, y)[0], empty.at(0, y)[0]) << "only the background";
}

// A selected sphere of 120,000 faces keeps its shading: its wireframe fades where edges crowd.
TEST_F(ViewFrameTest, DenseSelectedMeshStaysReadable) {
    run("polySphere -n ball -sx 400 -sy 300; select -cl; viewPort 160 120; viewFit");
    const RgbImage plain = renderActiveView();
    run("select ball");
    const RgbImage selected = renderActiveView();
    const auto [cx, cy] = at(plain, "0 0 1");
    long a = 0, b = 0;
    for (int y = cy - 15; y <= cy + 15; ++y)
        for (int x = cx - 15; x <= cx + 15; ++x)
            a += luminance(plain, x, y), b += luminance(selected, x, y);
    EXPECT_GT(b, a * 8 / 10) << "a black wire over every face would darken it far more";
    EXPECT_NE(a, b) << "the selection shows";
}

TEST_F(ViewFrameTest, SelectedComponentsAreHighlighted) {
    run("polyPlane -n sheet -w 4 -h 4 -sx 2 -sy 2; setAttr sheet.rx 90; viewPort 160 160;"
        "camera -p 0 0 8; viewCamera camera1; hilite sheet; select -r sheet.vtx[4] sheet.f[0]");
    const RgbImage img = renderActiveView();
    // Vertex 4 is an orange dot.
    const KObject shape = scene::findNode("sheetShape");
    const Vec3 v = scene::meshNode(shape)->readMesh().point(4);
    const KPoint w = KPoint(v.x, v.y, v.z) * scene::worldMatrix(shape);
    const auto centre =
        at(img, std::to_string(w.x) + " " + std::to_string(w.y) + " " + std::to_string(w.z));
    const std::uint8_t* c = img.at(centre.first, centre.second);
    EXPECT_GT(c[0], 200);
    EXPECT_GT(c[1], 90);
    EXPECT_LT(c[1], 200);
    EXPECT_LT(c[2], 100);
    // Exactly one of the four faces, the selected one, is tinted.
    int tinted = 0;
    for (const char* middle : {"-1 -1 0", "1 -1 0", "-1 1 0", "1 1 0"}) {
        const auto p = at(img, middle);
        const std::uint8_t* q = img.at(p.first, p.second);
        tinted += q[0] > q[2] + 30;
    }
    EXPECT_EQ(tinted, 1);
}

// Ports larger than a GL tile are drawn in tiles straight into the frame: no seam.
TEST_F(ViewFrameTest, WidePortsHaveNoSeamBetweenTiles) {
    // A smooth sphere across the boundary between the first and second tile.
    run("viewPort 4200 24; camera -p 0 0 30; viewCamera camera1; polySphere -n ball -r 0.3");
    const auto ray = run("viewRay " + std::to_string(kFrameTile) + " 12").asFloatArray();
    run("move " + std::to_string(ray[0] + 25 * ray[3]) + " " +
        std::to_string(ray[1] + 25 * ray[4]) + " " + std::to_string(ray[2] + 25 * ray[5]) +
        " ball");
    ViewFrames frames;
    frames.update(ViewFrames::Change::kScene);
    const RgbImage img = frames.rgb();
    ASSERT_EQ(img.width, 4200);
    for (int y = 0; y < img.height; ++y)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(img.at(kFrameTile - 1, y)[c], img.at(kFrameTile, y)[c], 6) << y;
    EXPECT_NE(img.at(kFrameTile, 12)[0], img.at(kFrameTile + 60, 12)[0]) << "the ball is there";
}

// A layer drawn last (panels over the view) goes into the same frame after the scene, the
// overlay and the marquee; composed in GL, a layer that draws nothing leaves the same frame as
// the composition in memory.
TEST_F(ViewFrameTest, ALastLayerDrawsOverEverything) {
    run("polyCube -n box; select -cl; viewPort 90 70; viewFit");
    run("viewEvent press 10 10; viewEvent drag 60 50");
    ActiveView& v = ActiveView::instance();
    ASSERT_TRUE(v.beginGL(nullptr));
    v.beginOverlayDrawing();
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 90, 0, 70, -1, 1);
    glColor4ub(0, 255, 0, 128);
    glRecti(30, 20, 50, 40);
    v.endOverlayDrawing();
    v.endGL();
    ViewFrames frames;
    frames.update(ViewFrames::Change::kScene);
    const RgbImage inMemory = frames.rgb();
    ViewFrames::Options empty(ViewFrames::Change::kOverlay);
    empty.layer = [](int, int, int, int, int, int) {};
    frames.update(empty);
    const RgbImage inGl = frames.rgb();
    ASSERT_EQ(inGl.pixels.size(), inMemory.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < inGl.pixels.size(); ++i)
        worst = std::max(worst, std::abs(inGl.pixels[i] - inMemory.pixels[i]));
    EXPECT_LE(worst, 1);
    // A panel in the bottom-left corner, over the marquee's corner.
    ViewFrames::Options panel(ViewFrames::Change::kOverlay);
    int calls = 0;
    panel.layer = [&](int left, int bottom, int, int, int portWidth, int portHeight) {
        ++calls;
        EXPECT_EQ(left, 0);
        EXPECT_EQ(bottom, 0);
        EXPECT_EQ(portWidth, 90);
        EXPECT_EQ(portHeight, 70);
        glMatrixMode(GL_PROJECTION);
        glOrtho(0, portWidth, 0, portHeight, -1, 1);
        glColor4ub(10, 20, 200, 255);
        glRecti(0, 0, 15, 15);
    };
    frames.update(panel);
    EXPECT_EQ(calls, 1);
    const RgbImage ui = frames.rgb();
    const std::uint8_t* p = ui.at(10, 70 - 1 - 10);
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 200);
    EXPECT_EQ(ui.at(40, 70 - 1 - 30)[1], inMemory.at(40, 70 - 1 - 30)[1]) << "the overlay stays";
    v.clearOverlay();
    run("viewEvent release 60 50");
}

// Panels beside the view: a frame larger than the port holds the port's pictures (scene,
// overlay, marquee) at their place, a dark ground around them, and the layer over the whole
// frame; a port that does not fit gives the port-sized frame.
TEST_F(ViewFrameTest, AFrameLargerThanThePortHoldsItWhereAsked) {
    run("polyCube -n box; select -cl; viewPort 90 70; viewFit");
    run("viewEvent press 10 10; viewEvent drag 60 50");
    ViewFrames frames;
    frames.update(ViewFrames::Change::kScene);
    const RgbImage port = frames.rgb();
    ViewFrames::Options o(ViewFrames::Change::kOverlay);
    o.frameWidth = 130;
    o.frameHeight = 100;
    o.portLeft = 30;
    o.portTop = 10;
    std::vector<std::array<int, 4>> tiles;
    o.layer = [&](int left, int bottom, int w, int h, int fw, int fh) {
        tiles.push_back({left, bottom, fw, fh});
        glMatrixMode(GL_PROJECTION);
        glOrtho(left, left + w, bottom, bottom + h, -1, 1);
        glColor4ub(200, 10, 20, 255);
        glRecti(0, 0, 5, 5);  // the frame's bottom-left corner
    };
    frames.update(o);
    ASSERT_EQ(tiles.size(), 1u);
    EXPECT_EQ(tiles[0], (std::array<int, 4>{0, 0, 130, 100}));
    EXPECT_EQ(frames.frameWidth(), 130);
    EXPECT_EQ(frames.frameHeight(), 100);
    EXPECT_EQ(frames.width(), 90) << "the port keeps its size";
    const RgbImage all = frames.rgb();
    ASSERT_EQ(all.width, 130);
    int worst = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 90; ++x)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(all.at(x + 30, y + 10)[c] - port.at(x, y)[c]));
    EXPECT_LE(worst, 1) << "the port's pictures, marquee included, at their place";
    const std::uint8_t* ground = all.at(10, 50);
    EXPECT_LT(ground[0], 60);
    EXPECT_EQ(ground[0], ground[1]) << "a dark grey ground beside the port";
    EXPECT_EQ(all.at(2, 97)[0], 200) << "the layer draws in frame pixels";
    EXPECT_EQ(all.at(2, 97)[2], 20);
    // Composed in memory (no GL layer), a layer laid over the pixels: the same frame.
    ViewFrames::Options m = o;
    m.layer = {};
    int painted = 0;
    m.paint = [&](std::uint8_t* bgra, int fw, int fh) {
        ++painted;
        EXPECT_EQ(fw, 130);
        EXPECT_EQ(fh, 100);
        bgra[(97 * fw + 2) * 4 + 2] = 200;  // red, in the bottom-left corner
    };
    frames.update(m);
    EXPECT_EQ(painted, 1);
    const RgbImage memory = frames.rgb();
    ASSERT_EQ(memory.width, 130);
    worst = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 130; ++x) {
            if (x < 5 && y >= 95) continue;  // the GL layer's square
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(memory.at(x, y)[c] - all.at(x, y)[c]));
        }
    EXPECT_LE(worst, 1) << "ground, port, overlay and marquee as composed in GL";
    EXPECT_EQ(memory.at(2, 97)[0], 200);
    // A port that does not fit in the frame asked for: the frame is the port.
    o.frameWidth = 100;
    frames.update(o);
    EXPECT_EQ(frames.frameWidth(), 90);
    EXPECT_EQ(frames.rgb().width, 90);
    // Without a layer the frame is the port's, as before.
    frames.update(ViewFrames::Change::kOverlay);
    EXPECT_EQ(frames.frameWidth(), 90);
    EXPECT_EQ(frames.rgb().pixels, port.pixels);
    run("viewEvent release 60 50");
}

// During a camera drag a mesh above ViewFrames::kQuickAbove triangles is drawn decimated; the
// full picture follows without gathering anything again.
TEST_F(ViewFrameTest, QuickFramesOfVeryLargeMeshes) {
    run("polyPlane -n sheet -sx 400 -sy 300; setAttr sheet.rx 50; viewPort 120 90; viewFit");
    ViewFrames frames;
    frames.update(ViewFrames::Change::kScene);
    const std::vector<std::uint8_t> full = frames.rgb().pixels;
    ViewFrames::Options quick(ViewFrames::Change::kCamera);
    quick.quick = true;
    frames.update(quick);
    EXPECT_TRUE(frames.sceneIsQuick());
    const RgbImage q = frames.rgb();
    const auto [x, y] = at(q, "0 0 0");
    EXPECT_NE(q.at(x, y)[0], q.at(0, 0)[0]) << "the decimated sheet is drawn";
    frames.update(ViewFrames::Change::kOverlay);
    EXPECT_FALSE(frames.sceneIsQuick());
    EXPECT_EQ(frames.rgb().pixels, full);
}

}  // namespace
}  // namespace tarn::view
