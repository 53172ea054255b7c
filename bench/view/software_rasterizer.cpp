// The view's former software rasteriser, kept only as the baseline of the view benchmark: the
// scene as z-buffered triangles rasterised band by band on the CPU (TBB), supersampled 2x2.

#include "bench/view/software_rasterizer.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn::view::baseline {

namespace {

constexpr int kSuper = 2;         // supersamples per pixel along each axis
constexpr int kBandRows = 16;     // supersample rows per parallel work item (a kSuper multiple)
constexpr float kAmbient = 0.2f;  // light that reaches faces turned away from the headlight
constexpr float kEdgeColor[3] = {0.06f, 0.06f, 0.08f};
constexpr float kHighlightColor[3] = {1.0f, 0.55f, 0.1f};
constexpr float kTopColor[3] = {0.36f, 0.40f, 0.46f};
constexpr float kBottomColor[3] = {0.13f, 0.14f, 0.16f};

// floor/ceil of v clamped to [lo, hi] before converting, so far-off coordinates (huge scenes,
// points next to the eye) never overflow an int. v must not be NaN.
int floorIn(double v, int lo, int hi) {
    return static_cast<int>(
        std::clamp(std::floor(v), static_cast<double>(lo), static_cast<double>(hi)));
}
int ceilIn(double v, int lo, int hi) {
    return static_cast<int>(
        std::clamp(std::ceil(v), static_cast<double>(lo), static_cast<double>(hi)));
}

// A triangle in supersample pixel space. `d` is what interpolates linearly across the screen:
// 1/z for perspective views, z for orthographic ones (z = distance along the view direction).
struct ScreenTriangle {
    double x[3], y[3], d[3];
    float color[3];
    int rowMin, rowMax;  // supersample rows it may cover, clamped to the image
};

struct Projector {
    const ViewCamera& cam;
    double sx, sy;  // supersample image size
    double scaleX, scaleY;

    Projector(const ViewCamera& c, int w, int h) : cam(c), sx(w), sy(h) {
        const double aspect = sx / sy;
        const double half =
            cam.orthographic ? cam.orthoWidth * 0.5 : std::tan(cam.horizontalFieldOfView * 0.5);
        scaleX = 1.0 / half;
        scaleY = aspect / half;
    }
    Vec3 toCamera(const Vec3& p) const {
        const Vec3 v = p - cam.eye;
        return {dot(v, cam.right), dot(v, cam.up), dot(v, cam.forward)};
    }
    // Camera space (z >= near) to supersample pixel x, y and the interpolated depth term.
    void toScreen(const Vec3& c, double& x, double& y, double& d) const {
        const double k = cam.orthographic ? 1.0 : 1.0 / c.z;
        x = (c.x * k * scaleX + 1.0) * 0.5 * sx;
        y = (1.0 - c.y * k * scaleY) * 0.5 * sy;
        d = cam.orthographic ? c.z : 1.0 / c.z;
    }
    double depthOf(double d) const { return cam.orthographic ? d : 1.0 / d; }
};

// Clips a camera-space polygon to z >= near; answers the number of corners (0, 3 or 4).
int clipNear(const Vec3 in[3], double nearZ, Vec3 out[4]) {
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const Vec3& a = in[i];
        const Vec3& b = in[(i + 1) % 3];
        const bool aIn = a.z >= nearZ, bIn = b.z >= nearZ;
        if (aIn) out[n++] = a;
        if (aIn != bIn) {
            const double t = (nearZ - a.z) / (b.z - a.z);
            out[n++] = a + (b - a) * t;
            out[n - 1].z = nearZ;
        }
    }
    return n < 3 ? 0 : n;
}

float headlight(const ViewCamera& cam, const ViewTriangle& t) {
    const Vec3 n = normalize(cross(t.p[1] - t.p[0], t.p[2] - t.p[0]));
    const Vec3 centre = (t.p[0] + t.p[1] + t.p[2]) / 3.0;
    const Vec3 toLight = cam.orthographic ? -cam.forward : normalize(cam.eye - centre);
    const double lambert = std::fabs(dot(n, toLight));
    return kAmbient + (1.0f - kAmbient) * static_cast<float>(lambert);
}

std::vector<ScreenTriangle> project(const Projector& proj, const std::vector<ViewTriangle>& tris) {
    std::vector<ScreenTriangle> out;
    out.reserve(tris.size());
    const int rows = static_cast<int>(proj.sy);
    for (const ViewTriangle& t : tris) {
        const Vec3 cam[3] = {proj.toCamera(t.p[0]), proj.toCamera(t.p[1]), proj.toCamera(t.p[2])};
        Vec3 poly[4];
        const int n = clipNear(cam, proj.cam.nearClip, poly);
        if (n == 0) continue;
        const float light = headlight(proj.cam, t);
        double px[4], py[4], pd[4];
        for (int i = 0; i < n; ++i) proj.toScreen(poly[i], px[i], py[i], pd[i]);
        for (int k = 1; k + 1 < n; ++k) {
            ScreenTriangle s;
            const int idx[3] = {0, k, k + 1};
            double lo = std::numeric_limits<double>::infinity(), hi = -lo;
            for (int i = 0; i < 3; ++i) {
                s.x[i] = px[idx[i]], s.y[i] = py[idx[i]], s.d[i] = pd[idx[i]];
                lo = std::min(lo, s.y[i]), hi = std::max(hi, s.y[i]);
            }
            bool finite = true;
            for (int i = 0; i < 3; ++i)
                finite = finite && std::isfinite(s.x[i]) && std::isfinite(s.y[i]) &&
                         std::isfinite(s.d[i]);
            if (!finite || hi < 0.0 || lo >= rows) continue;  // broken points, or off screen
            s.rowMin = floorIn(lo, 0, rows - 1);
            s.rowMax = ceilIn(hi, 0, rows - 1);
            for (int c = 0; c < 3; ++c) s.color[c] = std::clamp(t.color[c], 0.0f, 1.0f) * light;
            out.push_back(s);
        }
    }
    return out;
}

// One band of supersample rows [row0, row1): its colours and depths. Bands are rendered one at
// a time per thread into reused buffers, so memory stays small whatever the image size.
struct Band {
    int w = 0;  // supersample width
    int row0 = 0, row1 = 0;
    std::vector<float> color;
    std::vector<double> depth;

    size_t index(int x, int y) const { return static_cast<size_t>(y - row0) * w + x; }
};

// Draws one triangle into the band. Allocation free.
void rasterize(const ScreenTriangle& t, const Projector& proj, Band& b) {
    const double area =
        (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.x[2] - t.x[0]) * (t.y[1] - t.y[0]);
    // Degenerate, or too large for doubles to rasterise (the weights would be meaningless).
    if (!std::isfinite(area) || !(std::fabs(area) >= 1e-12)) return;
    const double inv = 1.0 / area;
    const double xlo = std::min({t.x[0], t.x[1], t.x[2]});
    const double xhi = std::max({t.x[0], t.x[1], t.x[2]});
    if (!(xhi >= 0.0) || !(xlo < b.w)) return;
    const int x0 = floorIn(xlo, 0, b.w - 1);
    const int x1 = ceilIn(xhi, 0, b.w - 1);
    const int y0 = std::max(b.row0, t.rowMin), y1 = std::min(b.row1 - 1, t.rowMax);
    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5;
            // Barycentric weights, positive inside whatever the winding.
            const double w0 =
                ((t.x[2] - t.x[1]) * (py - t.y[1]) - (t.y[2] - t.y[1]) * (px - t.x[1])) * inv;
            const double w1 =
                ((t.x[0] - t.x[2]) * (py - t.y[2]) - (t.y[0] - t.y[2]) * (px - t.x[2])) * inv;
            const double w2 = 1.0 - w0 - w1;
            if (w0 < 0.0 || w1 < 0.0 || w2 < 0.0) continue;
            const double z = proj.depthOf(w0 * t.d[0] + w1 * t.d[1] + w2 * t.d[2]);
            if (!(z <= proj.cam.farClip)) continue;
            const size_t i = b.index(x, y);
            if (z >= b.depth[i]) continue;
            b.depth[i] = z;
            for (int c = 0; c < 3; ++c) b.color[i * 3 + c] = t.color[c];
        }
    }
}

// An overlay edge in supersample pixel space, clipped to the near plane.
struct ScreenEdge {
    double ax, ay, ad, cx, cy, cd;
    int steps;  // samples along the edge, about one per supersample pixel
    bool highlight;
    int rowMin, rowMax;  // rows it may touch
};

bool projectEdge(const ViewEdge& e, const Projector& proj, ScreenEdge& out) {
    Vec3 a = proj.toCamera(e.a), c = proj.toCamera(e.b);
    const double nearZ = proj.cam.nearClip;
    if (a.z < nearZ && c.z < nearZ) return false;
    if (a.z < nearZ) a = a + (c - a) * ((nearZ - a.z) / (c.z - a.z)), a.z = nearZ;
    if (c.z < nearZ) c = c + (a - c) * ((nearZ - c.z) / (a.z - c.z)), c.z = nearZ;
    out.highlight = e.highlight;
    proj.toScreen(a, out.ax, out.ay, out.ad);
    proj.toScreen(c, out.cx, out.cy, out.cd);
    const double span = std::max(std::fabs(out.cx - out.ax), std::fabs(out.cy - out.ay));
    if (!std::isfinite(span)) return false;
    // Edges far longer than the image are sampled no finer than its size allows.
    out.steps = static_cast<int>(std::min(std::ceil(span), 1e6)) + 1;
    const double lo = std::min(out.ay, out.cy) - 1.0, hi = std::max(out.ay, out.cy) + 1.0;
    if (hi < 0.0 || lo >= proj.sy) return false;
    out.rowMin = floorIn(lo, 0, static_cast<int>(proj.sy) - 1);
    out.rowMax = ceilIn(hi, 0, static_cast<int>(proj.sy) - 1);
    return true;
}

// Draws the part of an edge inside the band where nothing nearer hides it (a 2x2 supersample
// pen, so about one output pixel wide). Allocation free.
void drawEdge(const ScreenEdge& e, const Projector& proj, Band& b) {
    int s0 = 0, s1 = e.steps;
    const double dy = e.cy - e.ay;
    if (std::fabs(dy) > 1e-9) {  // only the samples whose rows reach this band
        double t0 = (b.row0 - 2.0 - e.ay) / dy, t1 = (b.row1 + 2.0 - e.ay) / dy;
        if (t0 > t1) std::swap(t0, t1);
        s0 = floorIn(t0 * e.steps, 0, e.steps);
        s1 = ceilIn(t1 * e.steps, 0, e.steps);
    }
    for (int s = s0; s <= s1; ++s) {
        const double t = static_cast<double>(s) / e.steps;
        const double z = proj.depthOf(e.ad + (e.cd - e.ad) * t);
        if (!(z <= proj.cam.farClip)) continue;
        const double fx = std::floor(e.ax + (e.cx - e.ax) * t - 0.5);
        const double fy = std::floor(e.ay + (e.cy - e.ay) * t - 0.5);
        if (!(fx >= -1.0 && fx < b.w && fy >= b.row0 - 1.0 && fy < b.row1)) continue;
        const int px = static_cast<int>(fx), py = static_cast<int>(fy);
        for (int y = std::max(py, b.row0); y <= std::min(py + 1, b.row1 - 1); ++y)
            for (int x = std::max(px, 0); x <= std::min(px + 1, b.w - 1); ++x) {
                const size_t i = b.index(x, y);
                // A small tolerance keeps the edges of the faces they bound.
                if (z > b.depth[i] * (1.0 + 2e-3) + 1e-6) continue;
                const float* color = e.highlight ? kHighlightColor : kEdgeColor;
                for (int k = 0; k < 3; ++k) b.color[i * 3 + k] = color[k];
            }
    }
}

std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

RgbImage renderViewSoftware(const ViewCamera& camera, const std::vector<ViewTriangle>& triangles,
                            const std::vector<ViewEdge>& edges, const RenderOptions& options) {
    RgbImage image;
    image.width = options.width;
    image.height = options.height;
    image.pixels.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
    const int sw = options.width * kSuper, sh = options.height * kSuper;
    const Projector proj(camera, sw, sh);
    const std::vector<ScreenTriangle> screen = project(proj, triangles);
    std::vector<ScreenEdge> screenEdges;
    if (options.wireframe)
        for (int pass = 0; pass < 2; ++pass)  // highlighted edges last, so they stay on top
            for (const ViewEdge& e : edges)
                if (ScreenEdge se; e.highlight == (pass == 1) && projectEdge(e, proj, se))
                    screenEdges.push_back(se);

    // Each band lists the triangles and edges touching it, in input order, so every pixel sees
    // the same sequence of depth tests however the bands are scheduled.
    const int bands = (sh + kBandRows - 1) / kBandRows;
    std::vector<std::vector<int>> bandTriangles(bands), bandEdges(bands);
    for (int i = 0; i < static_cast<int>(screen.size()); ++i)
        for (int k = screen[i].rowMin / kBandRows; k <= screen[i].rowMax / kBandRows; ++k)
            bandTriangles[k].push_back(i);
    for (int i = 0; i < static_cast<int>(screenEdges.size()); ++i)
        for (int k = screenEdges[i].rowMin / kBandRows; k <= screenEdges[i].rowMax / kBandRows; ++k)
            bandEdges[k].push_back(i);

    tbb::enumerable_thread_specific<Band> bandBuffers([&] {
        Band b;
        b.w = sw;
        b.color.resize(static_cast<size_t>(sw) * kBandRows * 3);
        b.depth.resize(static_cast<size_t>(sw) * kBandRows);
        return b;
    });
    tbb::parallel_for(tbb::blocked_range<int>(0, bands), [&](const tbb::blocked_range<int>& r) {
        Band& b = bandBuffers.local();
        for (int band = r.begin(); band != r.end(); ++band) {
            b.row0 = band * kBandRows;
            b.row1 = std::min(sh, b.row0 + kBandRows);
            std::fill(b.depth.begin(), b.depth.end(), std::numeric_limits<double>::infinity());
            for (int y = b.row0; y < b.row1; ++y) {
                float bg[3];
                view::backgroundColor(y / kSuper, options.height, bg);
                float* row = b.color.data() + b.index(0, y) * 3;
                for (int x = 0; x < sw; ++x)
                    for (int c = 0; c < 3; ++c) row[x * 3 + c] = bg[c];
            }
            for (int i : bandTriangles[band]) rasterize(screen[i], proj, b);
            for (int i : bandEdges[band]) drawEdge(screenEdges[i], proj, b);
            // Box filter of each 2x2 block into the output rows of this band.
            for (int y = b.row0 / kSuper; y < b.row1 / kSuper; ++y)
                for (int x = 0; x < image.width; ++x)
                    for (int c = 0; c < 3; ++c) {
                        float sum = 0.0f;
                        for (int sy = 0; sy < kSuper; ++sy)
                            for (int sx = 0; sx < kSuper; ++sx)
                                sum += b.color[b.index(x * kSuper + sx, y * kSuper + sy) * 3 + c];
                        image.pixels[(static_cast<size_t>(y) * image.width + x) * 3 + c] =
                            toByte(sum / (kSuper * kSuper));
                    }
        }
    });
    return image;
}

}  // namespace tarn::view::baseline
