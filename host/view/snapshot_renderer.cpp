#include "host/view/snapshot_renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/view/draw_scene.h"
#include "host/view/scene_layer.h"

namespace tarn::view {

namespace {

constexpr float kTopColor[3] = {0.36f, 0.40f, 0.46f};
constexpr float kBottomColor[3] = {0.13f, 0.14f, 0.16f};

}  // namespace

bool orientCamera(ViewCamera& camera, const Vec3& forward, const Vec3& up) {
    const Vec3 f = normalize(forward);
    if (length(f) == 0.0) return false;
    Vec3 r = cross(f, up);
    if (length(r) < 1e-12) r = cross(f, Vec3{0, 0, -1});  // looking straight up or down
    if (length(r) < 1e-12) r = Vec3{1, 0, 0};
    r = normalize(r);
    camera.forward = f;
    camera.right = r;
    camera.up = normalize(cross(r, f));
    return true;
}

ViewCamera framingCamera(const Box3& box, int width, int height) {
    Box3 b = box;
    if (b.empty()) {
        b.expand({-0.5, -0.5, -0.5});
        b.expand({0.5, 0.5, 0.5});
    }
    const Vec3 centre = (b.min + b.max) * 0.5;
    const double radius = std::max(length(b.max - b.min) * 0.5, 1e-3);
    ViewCamera cam;
    cam.horizontalFieldOfView = 0.8;
    const double tanH = std::tan(cam.horizontalFieldOfView * 0.5);
    const double tanV = tanH * static_cast<double>(height) / std::max(width, 1);
    const double half = std::atan(std::min(tanH, tanV));
    const double distance = radius / std::sin(half) * 1.05;
    const Vec3 toward{-1.0, -0.75, -1.0};
    orientCamera(cam, toward, {0, 1, 0});
    cam.eye = centre - cam.forward * distance;
    cam.nearClip = std::max(distance - radius * 1.5, distance * 1e-3);
    cam.farClip = distance + radius * 2.0;
    cam.orthoWidth = radius * 2.0;
    return cam;
}

void backgroundColor(int y, int height, float out[3]) {
    const float t = height > 1 ? static_cast<float>(y) / static_cast<float>(height - 1) : 0.0f;
    for (int c = 0; c < 3; ++c) out[c] = kTopColor[c] + (kBottomColor[c] - kTopColor[c]) * t;
}

RgbImage renderView(const ViewCamera& camera, const std::vector<ViewTriangle>& triangles,
                    const std::vector<ViewEdge>& edges, const RenderOptions& options,
                    const std::vector<ViewTexture>& textures) {
    return renderScene(drawSceneOf(triangles, edges, options.wireframe, textures), camera, options);
}

}  // namespace tarn::view
