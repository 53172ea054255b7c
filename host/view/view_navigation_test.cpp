// Camera navigation: the pose arithmetic (distances kept, the pole avoided, the dolly never
// passing the centre) and the commands on a camera node and on the automatic camera, whose
// effect is read back through the pixels points land on.

#include <gtest/gtest.h>

#include <cmath>

#include "host/undo/undo.h"
#include "host/view/active_view.h"
#include "host/view/view_frame.h"
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

TEST_F(ViewNavigationCommands, MoveTheCameraNode) {
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
    run("viewHistory -back");
    EXPECT_EQ(pixel("0 0 0"), centre);
    // Tumbling keeps the centre of interest on the same pixel and moves the rest.
    run("viewTumble 30 20");
    EXPECT_EQ(pixel("0 0 0"), centre);
    EXPECT_NE(pixel("0.5 0.5 0.5"), corner);
    run("viewHistory -back");
    EXPECT_EQ(pixel("0.5 0.5 0.5"), corner);
    // Dollying in spreads points away from the centre.
    run("viewDolly 0.5");
    const auto near = pixel("0.5 0.5 0.5");
    EXPECT_GT(near[0] - centre[0], corner[0] - centre[0]);
    EXPECT_NE(runFailing("viewDolly 1.5").find("fraction"), std::string::npos);
}

// Navigation is never an undo step: undo takes back the work before it and leaves the camera
// where navigation put it, on a camera node and on the automatic camera alike.
TEST_F(ViewNavigationCommands, UndoTakesBackWorkNotCameraMoves) {
    struct Case {
        const char* setup;
        const char* move;
    };
    const Case cases[] = {
        {"camera -p 0 0 10; viewCamera camera1; viewPort 120 100", "viewTumble 30 10"},
        {"camera -p 0 0 10; viewCamera camera1; viewPort 120 100", "viewTrack 12 -7"},
        {"camera -p 0 0 10; viewCamera camera1; viewPort 120 100", "viewFit"},
        {"viewPort 120 100", "viewFit; viewTumble 30 10"},
        {"viewPort 120 100", "viewFit; viewDolly 0.4"},
        {"viewPort 120 100", "viewFit -selection"},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        run(c.setup);
        run("polyCube -n box; select box");
        const std::size_t steps = undo::undoQueue().undoCount();
        run(c.move);
        EXPECT_EQ(undo::undoQueue().undoCount(), steps) << c.move;
        const auto moved = pixel("0.5 0.5 0.5");
        run("undo");
        EXPECT_TRUE(run("ls box").asStringArray().empty()) << c.setup << "; " << c.move;
        EXPECT_EQ(pixel("0.5 0.5 0.5"), moved) << c.setup << "; " << c.move;
        run("redo");
        EXPECT_FALSE(run("ls box").asStringArray().empty()) << c.move;
        EXPECT_EQ(pixel("0.5 0.5 0.5"), moved) << c.setup << "; " << c.move;
    }
}

// The view's own camera history: each navigation step keeps where the camera was; -continue
// joins the step before (the motions of one drag); back and forward walk it like a browser's.
TEST_F(ViewNavigationCommands, HistoryWalksBackAndForward) {
    for (const char* setup : {"camera -p 0 0 10; viewCamera camera1", "viewFit"}) {
        TearDown();
        SetUp();
        // Framing is a step too: the history starts after the setup.
        run(std::string("polyCube -n box; viewPort 90 70; ") + setup + "; viewHistory -clear");
        const auto start = pixel("0.5 0.5 0.5");
        run("viewTumble 20 0; viewTumble -continue 10 5; viewTumble -continue 5 0");
        const auto dragged = pixel("0.5 0.5 0.5");
        run("viewDolly 0.3");
        const auto dollied = pixel("0.5 0.5 0.5");
        EXPECT_EQ(run("viewHistory").asIntArray(), (std::vector<std::int64_t>{2, 0})) << setup;
        EXPECT_EQ(run("viewHistory -back").asIntArray(), (std::vector<std::int64_t>{1, 1}));
        EXPECT_EQ(pixel("0.5 0.5 0.5"), dragged) << setup;
        run("viewHistory -back");
        EXPECT_EQ(pixel("0.5 0.5 0.5"), start) << setup;
        // Nothing earlier: a warning, the camera stays.
        EXPECT_EQ(run("viewHistory -back").asIntArray(), (std::vector<std::int64_t>{0, 2}));
        EXPECT_EQ(pixel("0.5 0.5 0.5"), start) << setup;
        run("viewHistory -forward; viewHistory -forward");
        EXPECT_EQ(pixel("0.5 0.5 0.5"), dollied) << setup;
        // A move after stepping back starts a new branch: nothing lies forward any more.
        run("viewHistory -back; viewTrack 5 5");
        EXPECT_EQ(run("viewHistory").asIntArray(), (std::vector<std::int64_t>{2, 0})) << setup;
        EXPECT_NE(runFailing("viewHistory -back -forward").find("not both"), std::string::npos);
    }
    // Binding the view to another camera starts its history afresh.
    run("camera -n other -p 3 0 10; viewCamera other");
    EXPECT_EQ(run("viewHistory").asIntArray(), (std::vector<std::int64_t>{0, 0}));
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
// same picture as gathering the scene afresh, a mesh under the camera's transform included.
TEST_F(ViewNavigationCommands, FramesAfterCameraMovesMatchFreshlyGatheredOnes) {
    run("polyCube -n box; polySphere -n ball; move 2 0 0 ball; select box;"
        "camera -p 0 0 10; viewCamera camera1; viewPort 48 40");
    const auto fresh = [] {
        ViewFrames frames;
        frames.update({});
        return frames.rgb().pixels;
    };
    ViewFrames frames;
    frames.update({});
    for (const char* move : {"viewTumble 30 15", "viewTrack 4 -3", "viewDolly 0.3"}) {
        run(move);
        frames.update(ViewFrames::Change::kCamera);
        EXPECT_EQ(frames.rgb().pixels, fresh()) << move;
    }
    // The ball rides on the camera: a camera move moves it.
    run("parent ball camera1");
    frames.update({});
    const std::vector<std::uint8_t> before = frames.rgb().pixels;
    run("viewTumble 40 0");
    frames.update(ViewFrames::Change::kCamera);
    EXPECT_EQ(frames.rgb().pixels, fresh());
    EXPECT_NE(frames.rgb().pixels, before);
}

}  // namespace
}  // namespace tarn::view
