#include "host/view/snapshot_renderer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/view/gl_context.h"
#include "host/view/view_projection.h"

namespace tarn::view {

namespace {

constexpr int kSuper = 2;                // supersamples per pixel along each axis
constexpr int kTileSide = 2048;          // supersample pixels per GL tile side (a kSuper multiple)
constexpr float kAmbient = 0.2f;         // light that reaches faces turned away from the headlight
constexpr double kMaxCoordinate = 1e15;  // camera-space coordinates beyond this are not drawn
constexpr int kGrain = 8192;
constexpr float kEdgeColor[3] = {0.06f, 0.06f, 0.08f};
constexpr float kHighlightColor[3] = {1.0f, 0.55f, 0.1f};
constexpr float kTopColor[3] = {0.36f, 0.40f, 0.46f};
constexpr float kBottomColor[3] = {0.13f, 0.14f, 0.16f};

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

float headlight(const ViewCamera& cam, const ViewTriangle& t) {
    const Vec3 n = normalize(cross(t.p[1] - t.p[0], t.p[2] - t.p[0]));
    const Vec3 centre = (t.p[0] + t.p[1] + t.p[2]) / 3.0;
    const Vec3 toLight = cam.orthographic ? -cam.forward : normalize(cam.eye - centre);
    const double lambert = std::fabs(dot(n, toLight));
    return kAmbient + (1.0f - kAmbient) * static_cast<float>(lambert);
}

// A world point relative to the eye, as GL wants it (x right, y up, looking down -z). False
// for points no float can carry.
bool toGl(const ViewProjection& p, const Vec3& world, float out[3]) {
    const Vec3 c = p.toCamera(world);
    if (!(std::fabs(c.x) < kMaxCoordinate && std::fabs(c.y) < kMaxCoordinate &&
          std::fabs(c.z) < kMaxCoordinate))
        return false;
    out[0] = static_cast<float>(c.x), out[1] = static_cast<float>(c.y),
    out[2] = static_cast<float>(-c.z);
    return true;
}

// Triangles that draw the same way: the plain ones (colour per corner), or those showing one
// texture (grey per corner, the light that modulates the texture, and UVs).
struct TriBatch {
    int texture = -1;
    bool smooth = false;               // corners differ in colour
    std::vector<float> points;         // 9 per triangle
    std::vector<std::uint8_t> colors;  // 12 per triangle (RGBA)
    std::vector<float> uvs;            // 6 per triangle, textured batches only
};

// Vertex arrays of the scene: batch 0 holds the plain triangles, batch t + 1 those of texture
// t; two ends per edge. Unusable triangles become degenerate zero entries.
struct GlScene {
    std::vector<TriBatch> batches;
    std::vector<float> edgePoints, highlightPoints;  // 6 per edge
};

bool usable(const std::vector<ViewTexture>& textures, int t) {
    if (t < 0 || t >= static_cast<int>(textures.size())) return false;
    const ViewTexture& x = textures[t];
    return x.width > 0 && x.height > 0 &&
           x.rgba.size() >= static_cast<size_t>(x.width) * x.height * 4;
}

GlScene buildScene(const ViewProjection& p, const std::vector<ViewTriangle>& triangles,
                   const std::vector<ViewEdge>& edges, bool wireframe,
                   const std::vector<ViewTexture>& textures) {
    GlScene s;
    const size_t n = triangles.size();
    s.batches.resize(textures.size() + 1);
    // Place each triangle in its batch, keeping the input order within a batch.
    std::vector<size_t> slot(n);
    std::vector<size_t> count(s.batches.size(), 0);
    for (size_t i = 0; i < n; ++i) {
        const int t = triangles[i].texture;
        const size_t b = usable(textures, t) ? static_cast<size_t>(t) + 1 : 0;
        slot[i] = count[b]++;
        if (b == 0 && triangles[i].cornerColors) s.batches[0].smooth = true;
    }
    for (size_t b = 0; b < s.batches.size(); ++b) {
        TriBatch& batch = s.batches[b];
        batch.texture = static_cast<int>(b) - 1;
        batch.points.assign(count[b] * 9, 0.0f);
        batch.colors.assign(count[b] * 12, 0);
        if (b > 0) batch.uvs.assign(count[b] * 6, 0.0f);
    }
    tbb::parallel_for(tbb::blocked_range<size_t>(0, n, kGrain), [&](const auto& r) {
        for (size_t i = r.begin(); i != r.end(); ++i) {
            const ViewTriangle& t = triangles[i];
            const bool textured = usable(textures, t.texture);
            TriBatch& batch = s.batches[textured ? t.texture + 1 : 0];
            const size_t at = slot[i];
            float* pts = &batch.points[at * 9];
            bool ok = true;
            for (int k = 0; k < 3 && ok; ++k) ok = toGl(p, t.p[k], pts + 3 * k);
            if (!ok) {
                std::fill(pts, pts + 9, 0.0f);
                continue;
            }
            const float light = headlight(p.camera(), t);
            for (int k = 0; k < 3; ++k) {
                std::uint8_t* c = &batch.colors[at * 12 + 4 * k];
                for (int ch = 0; ch < 3; ++ch) {
                    const float base = textured         ? 1.0f
                                       : t.cornerColors ? t.corner[k][ch]
                                                        : t.color[ch];
                    c[ch] = toByte(std::clamp(base, 0.0f, 1.0f) * light);
                }
                c[3] = 255;
                if (textured) {
                    batch.uvs[at * 6 + 2 * k] = t.uv[k][0];
                    batch.uvs[at * 6 + 2 * k + 1] = t.uv[k][1];
                }
            }
        }
    });
    if (wireframe)
        for (const ViewEdge& e : edges) {
            float a[3], b[3];
            if (!toGl(p, e.a, a) || !toGl(p, e.b, b)) continue;
            std::vector<float>& out = e.highlight ? s.highlightPoints : s.edgePoints;
            out.insert(out.end(), {a[0], a[1], a[2], b[0], b[1], b[2]});
        }
    return s;
}

// Draws one batch: plain colours, or its texture modulated by the corner colours (mipmapped,
// repeating, so UVs outside the unit square tile it).
void drawBatch(const TriBatch& batch, const std::vector<ViewTexture>& textures) {
    if (batch.points.empty()) return;
    GLuint name = 0;
    if (batch.texture >= 0) {
        const ViewTexture& tex = textures[batch.texture];
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tex.width, tex.height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, tex.rgba.data());
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, batch.uvs.data());
    }
    glShadeModel(batch.smooth ? GL_SMOOTH : GL_FLAT);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, batch.points.data());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, batch.colors.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(batch.points.size() / 3));
    glDisableClientState(GL_COLOR_ARRAY);
    if (name) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &name);
    }
}

// Fills a tile's RGBA rows (bottom row first) with the background: the tile starts at
// supersample row `tileTop` from the top of an image `outHeight` output rows high.
void fillBackground(std::vector<std::uint8_t>& buffer, int tileW, int tileH, int tileTop,
                    const RenderOptions& options) {
    for (int row = 0; row < tileH; ++row) {
        const int fromTop = tileTop + (tileH - 1 - row);
        float bg[3] = {options.background[0], options.background[1], options.background[2]};
        if (!options.flatBackground) backgroundColor(fromTop / kSuper, options.height, bg);
        const std::uint8_t rgba[4] = {toByte(bg[0]), toByte(bg[1]), toByte(bg[2]), 255};
        std::uint8_t* p = buffer.data() + static_cast<size_t>(row) * tileW * 4;
        for (int x = 0; x < tileW; ++x) std::copy(rgba, rgba + 4, p + x * 4);
    }
}

void drawLines(const std::vector<float>& points, const float color[3]) {
    if (points.empty()) return;
    glColor4f(color[0], color[1], color[2], 1.0f);
    glVertexPointer(3, GL_FLOAT, 0, points.data());
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(points.size() / 3));
}

GlContext& rendererContext() {
    // Never destroyed: it may be used while the program exits.
    static GlContext* context = new GlContext;
    return *context;
}

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
    RgbImage image;
    image.width = options.width;
    image.height = options.height;
    image.pixels.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
    const int sw = options.width * kSuper, sh = options.height * kSuper;
    // The view's one projection, on the supersampled image.
    const ViewProjection projection(camera, sw, sh);
    const GlScene scene = buildScene(projection, triangles, edges, options.wireframe, textures);

    GlCurrentGuard restore;  // a tool's overlay context may be current
    GlContext& gl = rendererContext();
    std::vector<std::uint8_t> background(static_cast<size_t>(std::min(kTileSide, sw)) *
                                         std::min(kTileSide, sh) * 4);
    for (int tileTop = 0; tileTop < sh; tileTop += kTileSide)
        for (int tileLeft = 0; tileLeft < sw; tileLeft += kTileSide) {
            const int tw = std::min(kTileSide, sw - tileLeft),
                      th = std::min(kTileSide, sh - tileTop);
            std::string error;
            if (!gl.makeCurrent(tw, th, 24, &error)) return image;
            // Note: OSMesa renders into its own surface and copies it to the buffer when GL
            // finishes, so the background goes in through GL, byte for byte.
            fillBackground(background, tw, th, tileTop, options);
            // The tile as a sub-rectangle of the port (port y runs up from the bottom).
            float m[16];
            projection.glMatrix(tileLeft, sh - tileTop - th, tileLeft + tw, sh - tileTop, m);
            glViewport(0, 0, tw, th);
            glMatrixMode(GL_PROJECTION);
            glLoadMatrixf(m);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glClear(GL_DEPTH_BUFFER_BIT);
            glDisable(GL_DEPTH_TEST);
            glWindowPos2i(0, 0);
            glDrawPixels(tw, th, GL_RGBA, GL_UNSIGNED_BYTE, background.data());
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LESS);
            glDisable(GL_LIGHTING);
            glDisable(GL_CULL_FACE);
            glEnableClientState(GL_VERTEX_ARRAY);
            // Faces sit a little behind the edges drawn on them.
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
            for (const TriBatch& batch : scene.batches) drawBatch(batch, textures);
            glDisable(GL_POLYGON_OFFSET_FILL);
            glShadeModel(GL_FLAT);
            glDepthFunc(GL_LEQUAL);
            glLineWidth(static_cast<float>(kSuper));  // about one output pixel
            drawLines(scene.edgePoints, kEdgeColor);
            drawLines(scene.highlightPoints, kHighlightColor);
            glDisableClientState(GL_VERTEX_ARRAY);
            glFinish();
            // Box filter of each 2x2 block into the output rows of this tile.
            const std::vector<std::uint8_t>& px = gl.pixels();
            tbb::parallel_for(tbb::blocked_range<int>(0, th / kSuper), [&](const auto& r) {
                for (int oy = r.begin(); oy != r.end(); ++oy) {
                    const int outY = tileTop / kSuper + oy;
                    for (int ox = 0; ox < tw / kSuper; ++ox) {
                        const int outX = tileLeft / kSuper + ox;
                        for (int c = 0; c < 3; ++c) {
                            int sum = 0;
                            for (int sy = 0; sy < kSuper; ++sy)
                                for (int sx = 0; sx < kSuper; ++sx) {
                                    const int row = th - 1 - (oy * kSuper + sy);
                                    sum +=
                                        px[(static_cast<size_t>(row) * tw + ox * kSuper + sx) * 4 +
                                           c];
                                }
                            image.pixels[(static_cast<size_t>(outY) * image.width + outX) * 3 + c] =
                                static_cast<std::uint8_t>((sum + kSuper * kSuper / 2) /
                                                          (kSuper * kSuper));
                        }
                    }
                }
            });
        }
    return image;
}

}  // namespace tarn::view
