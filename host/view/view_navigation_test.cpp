// Camera navigation: the pose arithmetic (distances kept, the pole avoided, the dolly never
// passing the centre) and the commands on a camera node and on the automatic camera, whose
// effect is read back through the pixels points land on.

#include <gtest/gtest.h>

#include <cmath>

#include "host/view/active_view.h"
#include "host/view/view_navigation.h"
#include "host/view/view_scene.h"
#include "host/view/view_snapshot.h"
#include "host/view/view_test_support.h"

namespace tarn::view {
namespace {

void expectNear(const Vec3& a, const Vec3& b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(ViewNavigation, TumbleTurnsAboutTheCentreKeepingTheDistance) {
    struct Case {
        double yaw, pitch;
        Vec3 eye;
    };
    // The eye starts 10 units along +Z of the centre (1, 2, 3).
    const Case cases[] = {
        {0, 0, {1, 2, 13}},
        {90, 0, {11, 2, 3}},
        {-90, 0, {-9, 2, 3}},
        {180, 0, {1, 2, -7}},
        {0, 30, {1, 2 + 5.0, 3 + 10 * std::cos(3.14159265358979323846 / 6)}},
    };
    const OrbitPose start{{1, 2, 13}, {1, 2, 3}};
    for (const Case& c : cases) {
        const OrbitPose p = tumblePose(start, c.yaw, c.pitch);
        expectNear(p.eye, c.eye);
        expectNear(p.centre, start.centre);
        EXPECT_NEAR(length(p.eye - p.centre), 10.0, 1e-9);
    }
    // Turning there and back returns to the start.
    expectNear(tumblePose(tumblePose(start, 37, -21), -37, 21).eye, start.eye);
}

TEST(ViewNavigation, TumbleStopsShortOfThePoles) {
    const OrbitPose start{{0, 0, 5}, {0, 0, 0}};
    for (double pitch : {89.5, 90.0, 135.0, 720.0, -90.0, -400.0}) {
        const OrbitPose p = tumblePose(start, 0, pitch);
        const double elevation =
            std::asin(p.eye.y / length(p.eye)) * 180.0 / 3.14159265358979323846;
        EXPECT_LE(std::abs(elevation), 89.0 + 1e-9) << pitch;
        EXPECT_GT(std::hypot(p.eye.x, p.eye.z), 0.0) << pitch;
        EXPECT_NEAR(length(p.eye), 5.0, 1e-9) << pitch;
    }
    // An eye on the centre has no direction to turn: the pose stays.
    const OrbitPose degenerate{{1, 1, 1}, {1, 1, 1}};
    expectNear(tumblePose(degenerate, 45, 45).eye, degenerate.eye);
}

TEST(ViewNavigation, TrackMovesBothAndDollyApproachesTheCentre) {
    const OrbitPose start{{0, 0, 10}, {0, 0, 0}};
    const OrbitPose t = trackPose(start, {1, 0, 0}, {0, 1, 0}, 2, -3);
    expectNear(t.eye, {2, -3, 10});
    expectNear(t.centre, {2, -3, 0});
    struct Case {
        double fraction;
        double eyeZ;
    };
    // Fractions past 0.9 stop at 0.9: the eye never reaches the centre.
    const Case cases[] = {{0, 10}, {0.5, 5}, {-1, 20}, {0.9, 1}, {1.0, 1}, {5.0, 1}};
    for (const Case& c : cases) {
        const OrbitPose d = dollyPose(start, c.fraction);
        expectNear(d.eye, {0, 0, c.eyeZ});
        expectNear(d.centre, start.centre);
    }
}

class ViewNavigationCommands : public testing::ViewTest {
protected:
    std::vector<std::int64_t> pixel(const char* point) {
        return run(std::string("viewProject ") + point).asIntArray();
    }
};

TEST_F(ViewNavigationCommands, MoveTheCameraNodeAndUndoRestoresIt) {
    run("polyCube -n box; camera -p 0 0 10; viewCamera camera1; viewPort 201 101;"
        "setAttr cameraShape1.coi 10");
    const auto centre = pixel("0 0 0");
    const auto corner = pixel("0.5 0.5 0.5");
    EXPECT_EQ(centre, (std::vector<std::int64_t>{100, 50}));
    // An odd port puts the centre of interest mid-pixel, clear of rounding.
    // Tracking moves the scene with the pointer: right and up by about the pixels asked.
    run("viewTrack 20 10");
    const auto tracked = pixel("0 0 0");
    EXPECT_NEAR(double(tracked[0]), 120.0, 1.0);
    EXPECT_NEAR(double(tracked[1]), 60.0, 1.0);
    run("undo");
    EXPECT_EQ(pixel("0 0 0"), centre);
    // Tumbling keeps the centre of interest on the same pixel and moves the rest.
    run("viewTumble 30 20");
    EXPECT_EQ(pixel("0 0 0"), centre);
    EXPECT_NE(pixel("0.5 0.5 0.5"), corner);
    run("undo");
    EXPECT_EQ(pixel("0.5 0.5 0.5"), corner);
    // Dollying in spreads points away from the centre.
    run("viewDolly 0.5");
    const auto near = pixel("0.5 0.5 0.5");
    EXPECT_GT(near[0] - centre[0], corner[0] - centre[0]);
    EXPECT_NE(runFailing("viewDolly 1.5").find("fraction"), std::string::npos);
}

TEST_F(ViewNavigationCommands, MoveTheAutomaticCameraWithoutACameraNode) {
    run("polyCube -n box; viewPort 120 120; viewFit");
    const auto before = pixel("0.5 0.5 0.5");
    run("viewTumble 45 0");
    EXPECT_NE(pixel("0.5 0.5 0.5"), before);
    run("viewTumble -45 0");
    const auto back = pixel("0.5 0.5 0.5");
    EXPECT_NEAR(double(back[0]), double(before[0]), 1.0);
    EXPECT_NEAR(double(back[1]), double(before[1]), 1.0);
    EXPECT_EQ(run("ls -type camera").asStringArray().size(), 0u);
}

// A window's frames after camera moves draw the kept geometry from the new position: the
// same picture as gathering the scene again. A mesh under the camera's transform moves with
// the camera, so then the geometry is gathered again.
TEST_F(ViewNavigationCommands, FramesAfterCameraMovesMatchFreshlyGatheredOnes) {
    run("polyCube -n box; polySphere -n ball; move 2 0 0 ball; select box;"
        "camera -p 0 0 10; viewCamera camera1; viewPort 48 40");
    SceneFrames frames;
    frames.render(false);
    for (const char* move : {"viewTumble 30 15", "viewTrack 4 -3", "viewDolly 0.3"}) {
        run(move);
        EXPECT_EQ(frames.render(true).pixels, renderActiveScene().pixels) << move;
    }
    EXPECT_FALSE(cameraCarriesGeometry());
    // The ball rides on the camera: a camera move moves it.
    run("parent ball camera1");
    EXPECT_TRUE(cameraCarriesGeometry());
    frames.render(false);
    const RgbImage before = renderActiveScene();
    run("viewTumble 40 0");
    const RgbImage after = frames.render(true);
    EXPECT_EQ(after.pixels, renderActiveScene().pixels);
    EXPECT_NE(after.pixels, before.pixels);
    // Without a camera node nothing rides on the automatic camera.
    run("viewCamera \"\"; delete camera1; viewFit");
    EXPECT_FALSE(cameraCarriesGeometry());
}

// A window gathers each frame into the previous frame's arrays: nothing of the earlier scene
// may stay behind.
TEST_F(ViewNavigationCommands, RegatheringReplacesEverythingTheArraysHeld) {
    run("polyCube -n box; polySphere -n ball; move 5 0 0 ball; select box");
    ViewScene scene;
    regatherScene(scene, true);
    ASSERT_FALSE(scene.edges.empty());
    EXPECT_GT(scene.bounds.max.x, 5.0);
    run("delete ball; polyPlane -n pl -sx 1 -sy 1");
    regatherScene(scene, false);
    const ViewScene fresh = gatherScene(false);
    EXPECT_EQ(scene.triangles.size(), fresh.triangles.size());
    EXPECT_EQ(scene.triangles.size(), 12u + 2u);
    EXPECT_TRUE(scene.edges.empty());
    EXPECT_EQ(scene.textures.size(), fresh.textures.size());
    EXPECT_EQ(scene.bounds.max.x, fresh.bounds.max.x);
    EXPECT_EQ(scene.bounds.min.x, fresh.bounds.min.x);
    EXPECT_LT(scene.bounds.max.x, 1.0);
}

}  // namespace
}  // namespace tarn::view
