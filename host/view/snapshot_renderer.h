#pragma once
/// The renderer's vocabulary (camera, triangles, textures, edges, options, images) and its
/// entry point for triangle lists: lit triangles seen through a perspective or orthographic
/// camera, an optional edge overlay and a background gradient, drawn with OpenGL (the
/// process's OSMesa) tile by tile (scene_layer.h does the drawing). It knows nothing of the
/// scene; view_scene.h gathers what it draws.

#include <cstdint>
#include <vector>

#include "host/mesh/mesh_math.h"

namespace tarn::view {

/// Where the view is seen from, in world space. `forward`, `up` and `right` form an orthonormal
/// frame (right = forward x up). Distances in scene units, the field of view in radians.
struct ViewCamera {
    Vec3 eye{0, 0, 0};
    Vec3 forward{0, 0, -1};
    Vec3 up{0, 1, 0};
    Vec3 right{1, 0, 0};
    double horizontalFieldOfView = 0.8;  ///< perspective only, in (0, pi)
    bool orthographic = false;
    double orthoWidth = 10.0;  ///< orthographic only: the width seen, > 0
    double nearClip = 0.1;     ///< > 0
    double farClip = 10000.0;  ///< > nearClip
};

/// One triangle to draw: world-space corners and its already shaded-to-be base colour (0..1).
/// With `cornerColors` each corner has its own colour (`corner`), blended across the face;
/// with `texture` >= 0 the face shows that texture at the corners' `uv` (repeating outside the
/// unit square), and the colour is ignored.
struct ViewTriangle {
    Vec3 p[3];
    float color[3] = {0.5f, 0.5f, 0.5f};
    int texture = -1;  ///< index into renderView's textures, -1: none
    bool cornerColors = false;
    float uv[3][2] = {};
    float corner[3][3] = {};
};

/// A texture image for faces: RGBA bytes, row 0 at v = 0 (the bottom of the UV square).
struct ViewTexture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  ///< width * height * 4 bytes
};

/// One edge of the overlay, world space. Highlighted edges (selected components) are drawn in
/// the highlight colour, after the others.
struct ViewEdge {
    Vec3 a, b;
    bool highlight = false;
};

struct RenderOptions {
    int width = 640;   ///< output pixels, 1..8192
    int height = 480;  ///< output pixels, 1..8192
    bool wireframe = false;
    bool flatBackground = false;      ///< background of one colour instead of the gradient
    float background[3] = {0, 0, 0};  ///< that colour, 0..1
    /// 2: drawn at twice the size each way and box filtered (smooth edges for pictures kept
    /// as files); 1: drawn at the output size.
    int supersample = 2;
};

/// An 8-bit RGB image, rows top to bottom.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;  ///< width * height * 3 bytes

    /// The pixel at column x, row y (0 at the top), as {r, g, b}.
    const std::uint8_t* at(int x, int y) const { return pixels.data() + (y * width + x) * 3; }
};

/// Builds a camera frame looking from `eye` along `forward` with `up` as near its Y as
/// possible. False when `forward` is zero.
bool orientCamera(ViewCamera& camera, const Vec3& forward, const Vec3& up);

/// A perspective camera framing `box` (world space) from a three-quarter view: from the front
/// right, above, looking at the box's centre along (-1, -0.75, -1), with the box's bounding
/// sphere filling the narrower side of a width x height image. An empty box frames the unit
/// cube around the origin.
ViewCamera framingCamera(const Box3& box, int width, int height);

/// The background colour (0..1) at output row y of an image `height` rows high: a vertical
/// gradient, lighter at the top.
void backgroundColor(int y, int height, float out[3]);

/// Renders the triangles (lit by a directional headlight along the view, two-sided Lambert on
/// each triangle's own plane, modulating colours and textures alike) and, with `wireframe`, the
/// plain edges where no nearer face hides them; highlighted edges always. Deterministic: the
/// same input gives the same bytes. Points that are not finite or reach 1e15 in size are not
/// drawn; a triangle naming a missing or empty texture is drawn in its colour. Restores the GL
/// context that was current. Options must be in range. Main thread.
RgbImage renderView(const ViewCamera& camera, const std::vector<ViewTriangle>& triangles,
                    const std::vector<ViewEdge>& edges, const RenderOptions& options,
                    const std::vector<ViewTexture>& textures = {});

}  // namespace tarn::view
