// The view's one projection: pixel <-> ray round trips for perspective and orthographic views
// and odd port sizes, the GL matrix against the direct mapping, and K3dView answering the same
// pixels as the projection of the scene's camera.

#include <gtest/gtest.h>

#include <cmath>

#include "frame/k_3d_view.h"
#include "host/scene/dag.h"
#include "host/view/active_view.h"
#include "host/view/view_projection.h"
#include "host/view/view_test_support.h"

namespace tarn::view {
namespace {

struct CameraCase {
    const char* name;
    bool orthographic;
    int width, height;
    Vec3 forward, up;
};

const CameraCase kCameras[] = {
    {"perspective 640x480", false, 640, 480, {0, 0, -1}, {0, 1, 0}},
    {"perspective odd 101x37", false, 101, 37, {0.3, -0.4, -1}, {0, 1, 0}},
    {"perspective tall 1x257", false, 1, 257, {1, 0.2, 0.1}, {0, 1, 0}},
    {"orthographic 333x111", true, 333, 111, {0, -1, -0.2}, {0, 1, 0}},
    {"orthographic odd 7x5", true, 7, 5, {-1, -0.75, -1}, {0, 1, 0}},
};

ViewCamera makeCamera(const CameraCase& c) {
    ViewCamera cam;
    cam.eye = {1.5, 2.0, 7.0};
    orientCamera(cam, c.forward, c.up);
    cam.orthographic = c.orthographic;
    cam.orthoWidth = 6.0;
    cam.horizontalFieldOfView = 0.9;
    cam.nearClip = 0.05;
    cam.farClip = 500.0;
    return cam;
}

TEST(ViewProjection, EveryPixelRayProjectsBackToItsPixel) {
    for (const CameraCase& c : kCameras) {
        const ViewProjection p(makeCamera(c), c.width, c.height);
        for (int y = 0; y < c.height; y += std::max(1, c.height / 9))
            for (int x = 0; x < c.width; x += std::max(1, c.width / 9))
                for (double distance : {0.0, 0.7, 40.0}) {
                    const ViewRay r = p.pixelRay(x, y);
                    int px = -1, py = -1;
                    ASSERT_TRUE(p.toPixel(r.origin + r.direction * distance, px, py)) << c.name;
                    EXPECT_EQ(px, x) << c.name << " distance " << distance;
                    EXPECT_EQ(py, y) << c.name << " distance " << distance;
                }
    }
}

TEST(ViewProjection, RaysStartOnTheNearPlaneAndPointAway) {
    for (const CameraCase& c : kCameras) {
        const ViewCamera cam = makeCamera(c);
        const ViewProjection p(cam, c.width, c.height);
        const ViewRay r = p.pixelRay(0, c.height - 1);
        EXPECT_NEAR(dot(r.origin - cam.eye, cam.forward), cam.nearClip, 1e-9) << c.name;
        EXPECT_NEAR(length(r.direction), 1.0, 1e-12) << c.name;
        EXPECT_GT(dot(r.direction, cam.forward), 0.0) << c.name;
    }
}

TEST(ViewProjection, OriginIsBottomLeftAndCentreIsCentre) {
    ViewCamera cam;  // at the origin looking down -Z, +Y up
    const ViewProjection p(cam, 200, 100);
    int x = 0, y = 0;
    p.toPixel({0, 0, -10}, x, y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
    p.toPixel({-3, -1.5, -10}, x, y);  // left of and below the centre
    EXPECT_LT(x, 100);
    EXPECT_LT(y, 50);
    // Behind the eye: reported, and far-off points stay in the 16-bit range.
    EXPECT_FALSE(p.toPixel({0, 0, 5}, x, y));
    EXPECT_TRUE(p.toPixel({1e12, 0, -1e-9}, x, y));
    EXPECT_EQ(x, 32767);
}

TEST(ViewProjection, GlMatrixMapsLikeTheProjection) {
    for (const CameraCase& c : kCameras) {
        const ViewProjection p(makeCamera(c), c.width, c.height);
        float m[16];
        // The whole port and a tile of it.
        const double tiles[][4] = {{0, 0, double(c.width), double(c.height)},
                                   {c.width / 3.0, c.height / 4.0, c.width * 0.9, c.height * 0.8}};
        for (const auto& t : tiles) {
            p.glMatrix(t[0], t[1], t[2], t[3], m);
            const Vec3 world = p.pixelRay(c.width / 2, c.height / 3).origin +
                               p.pixelRay(c.width / 2, c.height / 3).direction * 3.0;
            Vec3 cam = p.toCamera(world);
            cam.z = -cam.z;  // GL looks down -z
            const double clip[4] = {m[0] * cam.x + m[4] * cam.y + m[8] * cam.z + m[12],
                                    m[1] * cam.x + m[5] * cam.y + m[9] * cam.z + m[13],
                                    m[2] * cam.x + m[6] * cam.y + m[10] * cam.z + m[14],
                                    m[3] * cam.x + m[7] * cam.y + m[11] * cam.z + m[15]};
            const double u = t[0] + (clip[0] / clip[3] + 1.0) * 0.5 * (t[2] - t[0]);
            const double v = t[1] + (clip[1] / clip[3] + 1.0) * 0.5 * (t[3] - t[1]);
            double pu = 0, pv = 0;
            ASSERT_TRUE(p.project(world, pu, pv));
            EXPECT_NEAR(u, pu, 1e-3) << c.name;
            EXPECT_NEAR(v, pv, 1e-3) << c.name;
            const double depth = clip[2] / clip[3];
            EXPECT_GT(depth, -1.0) << c.name;
            EXPECT_LT(depth, 1.0) << c.name;
        }
    }
}

class K3dViewTest : public testing::ViewTest {};

TEST_F(K3dViewTest, AnswersThePixelsOfTheBoundCamera) {
    run("camera -p 0 1 6");
    run("camera -p 4 0 0");
    run("rotate 0 90 0 camera2");
    run("viewPort 301 199");
    for (const char* name : {"camera1", "camera2"}) {
        run(std::string("viewCamera ") + name);
        const K3dView view = K3dView::active3dView();
        EXPECT_EQ(view.portWidth(), 301);
        EXPECT_EQ(view.portHeight(), 199);
        KDagPath path;
        ASSERT_TRUE(view.getCamera(path));
        EXPECT_EQ(path.apiType(), KFn::kCamera);
        EXPECT_EQ(scene::nodeName(path.transform()), name);
        for (int y : {0, 57, 198})
            for (int x : {0, 150, 300}) {
                KPoint nearPt;
                KVector dir;
                ASSERT_TRUE(view.viewToWorld(x, y, nearPt, dir));
                short px = 0, py = 0;
                view.worldToView(nearPt + dir * 2.5, px, py);
                EXPECT_EQ(px, x) << name;
                EXPECT_EQ(py, y) << name;
                // The command answers the same pixel.
                const auto pixel = run("viewProject " + std::to_string(nearPt.x + dir.x * 2.5) +
                                       " " + std::to_string(nearPt.y + dir.y * 2.5) + " " +
                                       std::to_string(nearPt.z + dir.z * 2.5))
                                       .asIntArray();
                ASSERT_EQ(pixel.size(), 2u);
                EXPECT_NEAR(pixel[0], x, 1) << name;  // the text rounds the point to 6 decimals
                EXPECT_NEAR(pixel[1], y, 1) << name;
            }
    }
    // The camera at (0, 1, 6) looking down -Z sees the origin below the port's centre line.
    run("viewCamera camera1");
    short x = 0, y = 0;
    K3dView::active3dView().worldToView(KPoint(0, 0, 0), x, y);
    EXPECT_EQ(x, 150);
    EXPECT_LT(y, 99);
}

TEST_F(K3dViewTest, ViewCommandsCheckTheirArguments) {
    EXPECT_NE(runFailing("viewPort 0 10").find("port size"), std::string::npos);
    EXPECT_NE(runFailing("viewPort 10 9000").find("port size"), std::string::npos);
    EXPECT_NE(runFailing("viewCamera nothingHere").find("nothingHere"), std::string::npos);
    run("polyCube -n box");
    EXPECT_NE(runFailing("viewCamera box").find("not a camera"), std::string::npos);
    EXPECT_NE(runFailing("viewRay 40000 1").find("16 bits"), std::string::npos);
    EXPECT_NE(runFailing("viewEdges -edge {99} box").find("no edge 99"), std::string::npos);
    EXPECT_EQ(run("viewPort").asIntArray(), (std::vector<std::int64_t>{640, 480}));
}

TEST_F(K3dViewTest, RayCommandMatchesViewToWorld) {
    run("camera -p 0 0 5");
    run("viewCamera camera1");
    run("viewPort 64 48");
    const std::vector<double> ray = run("viewRay 10 40").asFloatArray();
    ASSERT_EQ(ray.size(), 6u);
    KPoint nearPt;
    KVector dir;
    K3dView::active3dView().viewToWorld(10, 40, nearPt, dir);
    EXPECT_NEAR(ray[0], nearPt.x, 1e-9);
    EXPECT_NEAR(ray[2], nearPt.z, 1e-9);
    EXPECT_NEAR(ray[4], dir.y, 1e-9);
    EXPECT_GT(dir.y, 0.0);  // row 40 of 48 is in the upper half
    EXPECT_LT(dir.x, 0.0);  // column 10 of 64 is left
}

TEST_F(K3dViewTest, FramingMovesTheCameraSoTheSceneIsInThePort) {
    run("polyCube -n box");
    run("move 20 3 -4 box");
    run("camera -p 0 0 5");
    run("viewCamera camera1");
    run("viewPort 120 80");
    run("viewFit");
    const auto edges = run("viewEdges box").asIntArray();
    EXPECT_NE(runFailing("select -cl; viewFit -selection").find("nothing selected"),
              std::string::npos);
    ASSERT_EQ(edges.size() % 7, 0u);
    ASSERT_FALSE(edges.empty());
    for (size_t i = 0; i < edges.size(); i += 7)
        for (int k : {3, 5}) {
            EXPECT_GE(edges[i + k], 0);
            EXPECT_LT(edges[i + k], 120);
            EXPECT_GE(edges[i + k + 1], 0);
            EXPECT_LT(edges[i + k + 1], 80);
        }
}

}  // namespace
}  // namespace tarn::view
