#include "host/view/view_frame.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>

#include <algorithm>
#include <chrono>

#include "host/view/active_view.h"

namespace tarn::view {

namespace {

// Calls `draw` for every tile of a width x height frame held in `pixels` (BGRA, rows top
// first), with the renderer's context current on the tile's place in the frame: port pixels
// [left, left + w) x [bottom, bottom + h). False when GL refuses.
using TileWork = std::function<void(int left, int bottom, int w, int h, int top)>;

// Calls `draw` for every tile of a width x height frame held in `pixels` (BGRA, rows top
// first), with the renderer's context current on the tile's place in the frame: port pixels
// [left, left + w) x [bottom, bottom + h), `top` rows below the frame's top. `finished` runs
// when the tile's pixels are in the frame. False when GL refuses.
bool forEachTile(std::vector<std::uint8_t>& pixels, int width, int height, const TileWork& draw,
                 const TileWork& finished = {}) {
    GlContext& gl = rendererContext();
    for (int top = 0; top < height; top += kFrameTile)
        for (int left = 0; left < width; left += kFrameTile) {
            const int w = std::min(kFrameTile, width - left),
                      h = std::min(kFrameTile, height - top);
            std::uint8_t* at = pixels.data() + (static_cast<std::size_t>(top) * width + left) * 4;
            if (!gl.makeCurrentOn(at, w, h, width, 24, nullptr)) return false;
            draw(left, height - top - h, w, h, top);
            glFinish();
            if (finished) finished(left, height - top - h, w, h, top);
        }
    return true;
}

// Unpacking from a picture `width` pixels wide, starting `skipRows` rows and `skipPixels`
// pixels in.
void unpackFrom(int width, int skipRows, int skipPixels) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
}

void resetUnpack() {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

// The marquee's outline in palette white: one-pixel bars along the rectangle's edges, in port
// pixels (the tile's projection maps them).
void drawMarquee(const ActiveView::Marquee& m) {
    const int left = std::min(m.x0, m.x1), right = std::max(m.x0, m.x1);
    const int bottom = std::min(m.y0, m.y1), top = std::max(m.y0, m.y1);
    const std::uint8_t* white = paletteColor(1);
    glColor4ub(white[0], white[1], white[2], 255);
    glRecti(left, bottom, right + 1, bottom + 1);
    glRecti(left, top, right + 1, top + 1);
    glRecti(left, bottom, left + 1, top + 1);
    glRecti(right, bottom, right + 1, top + 1);
}

// Blends the overlay (RGBA rows bottom first, width x height) by its alpha over the port's place
// in a BGRA frame (rows top first) whose rows are `stride` pixels apart, starting at `port`.
void blendOverlay(const std::vector<std::uint8_t>& over, std::uint8_t* port, int stride, int width,
                  int height) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src =
            over.data() + static_cast<std::size_t>(height - 1 - y) * width * 4;
        std::uint8_t* dst = port + static_cast<std::size_t>(y) * stride * 4;
        for (int x = 0; x < width; ++x, src += 4, dst += 4) {
            const int a = src[3];
            if (a == 0) continue;
            for (int c = 0; c < 3; ++c)
                dst[2 - c] =
                    static_cast<std::uint8_t>((src[c] * a + dst[2 - c] * (255 - a) + 127) / 255);
        }
    }
}

// The marquee's outline in palette white over the port's place in a BGRA frame (rows top first,
// `stride` pixels apart, from `port`), clipped to the port.
void plotMarquee(const ActiveView::Marquee& m, std::uint8_t* port, int stride, int width,
                 int height) {
    const int left = std::min(m.x0, m.x1), right = std::max(m.x0, m.x1);
    const int bottom = std::min(m.y0, m.y1), top = std::max(m.y0, m.y1);
    const std::uint8_t* white = paletteColor(1);
    const auto plot = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        std::uint8_t* p = port + (static_cast<std::size_t>(height - 1 - y) * stride + x) * 4;
        p[0] = white[2], p[1] = white[1], p[2] = white[0], p[3] = 255;
    };
    for (int x = std::max(left, 0); x <= std::min(right, width - 1); ++x)
        plot(x, bottom), plot(x, top);
    for (int y = std::max(bottom, 0); y <= std::min(top, height - 1); ++y)
        plot(left, y), plot(right, y);
}

// The ground of a frame around its port (BGRA).
constexpr std::uint8_t kGround[4] = {33, 31, 31, 255};

// Fills a BGRA frame (rows top first) with the ground outside the port's rectangle.
void fillGround(std::vector<std::uint8_t>& frame, int fw, int fh, int portLeft, int portTop,
                int portWidth, int portHeight) {
    const auto fill = [&](int y, int x0, int x1) {
        std::uint8_t* p = frame.data() + (static_cast<std::size_t>(y) * fw + x0) * 4;
        for (int x = x0; x < x1; ++x, p += 4) std::copy_n(kGround, 4, p);
    };
    for (int y = 0; y < fh; ++y) {
        if (y < portTop || y >= portTop + portHeight) {
            fill(y, 0, fw);
        } else {
            fill(y, 0, portLeft);
            fill(y, portLeft + portWidth, fw);
        }
    }
}

}  // namespace

void ViewFrames::forget() {
    m_geometry.clear();
    m_gathered = false;
    m_kept = false;
    m_shown = nullptr;
    m_width = m_height = 0;  // the next update sizes the pictures again
    m_shownWidth = m_shownHeight = 0;
    std::vector<std::uint8_t>().swap(m_scene);
    std::vector<std::uint8_t>().swap(m_frame);
}

void ViewFrames::drawScene(bool quick) {
    const auto start = std::chrono::steady_clock::now();
    m_geometry.showSelection();
    ActiveView& view = ActiveView::instance();
    const ViewProjection& projection = view.refresh();
    LayerStyle style;
    style.proxyAbove = quick ? kQuickAbove : 0;
    style.drawBackground = false;
    GlCurrentGuard restore;  // a tool's overlay context may be current
    forEachTile(
        m_scene, m_width, m_height,
        [&](int left, int bottom, int w, int h, int) {
            drawSceneLayer(m_geometry.scene(), projection, left, bottom, w, h, style);
        },
        [&](int left, int, int w, int h, int top) {
            layBackgroundUnder(
                m_scene.data() + (static_cast<std::size_t>(top) * m_width + left) * 4, w, h,
                m_width, top, m_height, style);
        });
    m_kept = true;
    m_quick = quick;
    m_sceneMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

bool ViewFrames::compose(const Options& options) {
    const FrameLayer& layer = options.layer;
    ActiveView& view = ActiveView::instance();
    const bool overlay = view.overlayHasContent();
    const ActiveView::Marquee& marquee = view.marquee();
    // The frame, and where the port lies in it.
    m_shownWidth = m_width;
    m_shownHeight = m_height;
    int portLeft = 0, portTop = 0;
    if (options.frameWidth > 0 && options.frameHeight > 0 && options.portLeft >= 0 &&
        options.portTop >= 0 && options.portLeft + m_width <= options.frameWidth &&
        options.portTop + m_height <= options.frameHeight) {
        m_shownWidth = options.frameWidth;
        m_shownHeight = options.frameHeight;
        portLeft = options.portLeft;
        portTop = options.portTop;
    }
    const int fw = m_shownWidth, fh = m_shownHeight;
    const bool larger = fw != m_width || fh != m_height;
    if (!overlay && !marquee.active && !layer && !options.paint && !larger) return false;
    m_frame.resize(static_cast<std::size_t>(fw) * fh * 4);
    if (!layer) {
        // Without a GL layer, the scene layer, overlay and marquee are laid into the frame in
        // memory: cheaper than drawing the scene layer back into GL.
        std::uint8_t* port =
            m_frame.data() + (static_cast<std::size_t>(portTop) * fw + portLeft) * 4;
        if (larger) fillGround(m_frame, fw, fh, portLeft, portTop, m_width, m_height);
        for (int y = 0; y < m_height; ++y)
            std::copy_n(m_scene.data() + static_cast<std::size_t>(y) * m_width * 4,
                        static_cast<std::size_t>(m_width) * 4,
                        port + static_cast<std::size_t>(y) * fw * 4);
        if (overlay) blendOverlay(view.overlayPixels(), port, fw, m_width, m_height);
        if (marquee.active) plotMarquee(marquee, port, fw, m_width, m_height);
        if (options.paint) options.paint(m_frame.data(), fw, fh);
        return true;
    }
    const int portBottom = fh - portTop - m_height;
    const std::vector<std::uint8_t>& over = view.overlayPixels();
    GlCurrentGuard restore;
    forEachTile(m_frame, fw, fh, [&](int left, int bottom, int w, int h, int) {
        glViewport(0, 0, w, h);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_DITHER);
        glDisable(GL_SCISSOR_TEST);
        if (larger) {
            // Around the port: a dark ground for the layer.
            glClearColor(kGround[2] / 255.0f, kGround[1] / 255.0f, kGround[0] / 255.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        // The port's place in this tile; GL clips what lies outside the tile.
        const int x0 = portLeft - left, y0 = portBottom - bottom;
        const bool portInTile = x0 < w && y0 < h && x0 + m_width > 0 && y0 + m_height > 0;
        if (portInTile) {
            // The kept scene layer (rows top first: drawn downwards from the port's top).
            unpackFrom(m_width, 0, 0);
            glWindowPos2i(x0, y0 + m_height);
            glPixelZoom(1.0f, -1.0f);
            glDrawPixels(m_width, m_height, GL_BGRA, GL_UNSIGNED_BYTE, m_scene.data());
            glPixelZoom(1.0f, 1.0f);
            glEnable(GL_BLEND);
            glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE,
                                GL_ONE_MINUS_SRC_ALPHA);
            // The overlay plane (RGBA rows bottom first), blended by its alpha.
            if (overlay) {
                glWindowPos2i(x0, y0);
                glDrawPixels(m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, over.data());
            }
            resetUnpack();
            if (marquee.active) {
                // Port pixels, kept inside the port.
                glEnable(GL_SCISSOR_TEST);
                glScissor(x0, y0, m_width, m_height);
                glMatrixMode(GL_PROJECTION);
                glLoadIdentity();
                glOrtho(-x0, w - x0, -y0, h - y0, -1, 1);
                glMatrixMode(GL_MODELVIEW);
                glLoadIdentity();
                drawMarquee(marquee);
                glDisable(GL_SCISSOR_TEST);
            }
        }
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_BLEND);
        layer(left, bottom, w, h, fw, fh);
    });
    if (options.paint) options.paint(m_frame.data(), fw, fh);
    return true;
}

void ViewFrames::update(const Options& options) {
    const ActiveView& view = ActiveView::instance();
    const bool resized = view.width() != m_width || view.height() != m_height;
    if (resized) {
        m_width = view.width();
        m_height = view.height();
        m_scene.assign(static_cast<std::size_t>(m_width) * m_height * 4, 0);
        m_kept = false;
    }
    Change change = options.change;
    if (!m_gathered)
        change = Change::kScene;
    else if (!m_kept && change == Change::kOverlay)
        change = Change::kCamera;
    if (change == Change::kScene) {
        m_geometry.gather({});
        m_gathered = true;
    } else if (change == Change::kCamera) {
        // Placements may ride on the camera; textures are not sampled again.
        SceneGeometry::Options o;
        o.sampleTextures = false;
        m_geometry.gather(o);
    }
    m_drewScene = change != Change::kOverlay || options.quick != m_quick;
    if (m_drewScene) drawScene(options.quick);
    m_shown = compose(options) ? m_frame.data() : m_scene.data();
}

namespace {

RgbImage toRgb(const std::uint8_t* bgra, int width, int height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * height * 3);
    if (!bgra) return image;
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
        image.pixels[3 * i] = bgra[4 * i + 2];
        image.pixels[3 * i + 1] = bgra[4 * i + 1];
        image.pixels[3 * i + 2] = bgra[4 * i];
    }
    return image;
}

}  // namespace

RgbImage ViewFrames::rgb() const {
    return toRgb(m_shown, m_shownWidth, m_shownHeight);
}

RgbImage ViewFrames::sceneRgb() const {
    return toRgb(m_kept ? m_scene.data() : nullptr, m_width, m_height);
}

}  // namespace tarn::view
