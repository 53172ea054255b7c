#include "host/view/active_view.h"

#include <GL/gl.h>

#include <algorithm>

#include "host/view/view_scene.h"

namespace tarn::view {

ActiveView& ActiveView::instance() {
    // Never destroyed: the GL context may be asked for while the program exits.
    static ActiveView* view = new ActiveView;
    return *view;
}

bool ActiveView::setPortSize(int width, int height, std::string* error) {
    if (width < 1 || width > kMaxPortSide || height < 1 || height > kMaxPortSide) {
        if (error)
            *error = "port size must be 1 to " + std::to_string(kMaxPortSide) +
                     " pixels each way, not " + std::to_string(width) + " x " +
                     std::to_string(height);
        return false;
    }
    m_width = width;
    m_height = height;
    clearOverlay();  // resizes the plane too
    refresh();
    return true;
}

bool ActiveView::setCamera(const std::string& name, std::string* error) {
    if (!name.empty() && findCameraShape(name).isNull()) {
        ViewCamera unused;
        namedCamera(name, unused, error);  // says why: no such node, or not a camera
        return false;
    }
    if (name != m_cameraName) m_back.clear(), m_forward.clear();
    m_cameraName = name;
    m_hasAutomatic = false;
    refresh();
    return true;
}

void ActiveView::clearAutomaticCamera() {
    m_hasAutomatic = false;
    refresh();
}

KObject ActiveView::cameraShape() const {
    KObject shape = findCameraShape(m_cameraName);
    // A bound camera that was deleted falls back to the default.
    if (shape.isNull() && !m_cameraName.empty()) shape = findCameraShape("");
    return shape;
}

void ActiveView::setAutomaticCamera(const ViewCamera& camera) {
    m_automatic = camera;
    m_hasAutomatic = true;
    m_projection = ViewProjection(camera, m_width, m_height);
}

const ViewProjection& ActiveView::refresh() {
    const KObject shape = m_hasAutomatic ? KObject() : cameraShape();
    ViewCamera camera;
    if (!shape.isNull())
        camera = cameraFromShape(shape);
    else if (m_hasAutomatic)
        camera = m_automatic;
    else
        camera = framingCamera(visibleBounds(), m_width, m_height);
    m_projection = ViewProjection(camera, m_width, m_height);
    return m_projection;
}

bool ActiveView::beginGL(std::string* error) {
    if (m_glDepth == 0) {
        m_saved = new GlCurrentGuard;
        const bool resized = m_overlay.width() != m_width || m_overlay.height() != m_height;
        if (!m_overlay.makeCurrent(m_width, m_height, 0, error)) {
            delete m_saved;
            m_saved = nullptr;
            return false;
        }
        if (resized) {
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT);
        }
    }
    ++m_glDepth;
    return true;
}

void ActiveView::endGL() {
    if (m_glDepth == 0) return;
    if (--m_glDepth > 0) return;
    glFinish();
    delete m_saved;  // makes the previous context current again
    m_saved = nullptr;
    m_overlayState = OverlayState::kUnknown;  // a tool may have drawn
}

bool ActiveView::overlayHasContent() {
    // A tool holding GL (a stroke from press to release) may draw at any event: look again.
    if (m_overlayState == OverlayState::kUnknown || m_glDepth > 0) {
        const std::vector<std::uint8_t>& p = m_overlay.pixels();
        bool drawn = false;
        for (std::size_t i = 3; i < p.size() && !drawn; i += 4) drawn = p[i] != 0;
        m_overlayState = drawn ? OverlayState::kDrawn : OverlayState::kEmpty;
    }
    return m_overlayState == OverlayState::kDrawn && m_overlay.width() == m_width &&
           m_overlay.height() == m_height;
}

void ActiveView::beginOverlayDrawing() {
    if (m_glDepth == 0) return;
    glViewport(0, 0, m_width, m_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    // Tools that draw by colour index without choosing one get palette index 2.
    const std::uint8_t* rgb = paletteColor(2);
    glColor4ub(rgb[0], rgb[1], rgb[2], 255);
}

void ActiveView::endOverlayDrawing() {
    if (m_glDepth > 0) glFlush();
}

void ActiveView::clearOverlay() {
    // Note: OSMesa keeps its own surface and copies it into the buffer when GL finishes, so
    // the plane is cleared through GL, never by writing the buffer.
    if (m_overlay.width() == 0) return;  // nothing drawn yet
    if (!beginGL(nullptr)) return;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    endGL();
    if (m_glDepth == 0) m_overlayState = OverlayState::kEmpty;
}

void ActiveView::compositeOverlay(std::vector<std::uint8_t>& rgb, int width, int height) const {
    const std::vector<std::uint8_t>& over = m_overlay.pixels();
    // The marquee is drawn whether or not a tool drew into the overlay.
    const bool plane = !over.empty() && m_overlay.width() == width && m_overlay.height() == height;
    for (int y = 0; plane && y < height; ++y) {
        const std::uint8_t* src = over.data() + static_cast<size_t>(height - 1 - y) * width * 4;
        std::uint8_t* dst = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            const int a = src[x * 4 + 3];
            if (a == 0) continue;
            for (int c = 0; c < 3; ++c)
                dst[x * 3 + c] = static_cast<std::uint8_t>(
                    (src[x * 4 + c] * a + dst[x * 3 + c] * (255 - a) + 127) / 255);
        }
    }
    if (!m_marquee.active) return;
    // The marquee outline in palette white, clipped to the image (y up in port pixels).
    const int left = std::min(m_marquee.x0, m_marquee.x1),
              right = std::max(m_marquee.x0, m_marquee.x1);
    const int bottom = std::min(m_marquee.y0, m_marquee.y1),
              top = std::max(m_marquee.y0, m_marquee.y1);
    const std::uint8_t* white = paletteColor(1);
    const auto plot = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        std::uint8_t* p = rgb.data() + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
        for (int c = 0; c < 3; ++c) p[c] = white[c];
    };
    for (int x = std::max(left, 0); x <= std::min(right, width - 1); ++x)
        plot(x, bottom), plot(x, top);
    for (int y = std::max(bottom, 0); y <= std::min(top, height - 1); ++y)
        plot(left, y), plot(right, y);
}

void ActiveView::reset() {
    m_width = 640;
    m_height = 480;
    m_cameraName.clear();
    m_hasAutomatic = false;
    m_back.clear();
    m_forward.clear();
    m_swaps = 0;
    m_marquee = {};
    clearOverlay();
}

}  // namespace tarn::view
