#include "host/view/gl_context.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>

namespace tarn::view {

namespace {

constexpr std::uint8_t kPalette[kPaletteSize][3] = {
    {0, 0, 0},        // 0 black
    {255, 255, 255},  // 1 white
    {255, 230, 40},   // 2 yellow: strokes and tool feedback
    {230, 40, 40},    // 3 red
    {40, 200, 60},    // 4 green
    {60, 110, 255},   // 5 blue
    {40, 220, 230},   // 6 cyan
    {230, 60, 220},   // 7 magenta
};

}  // namespace

const std::uint8_t* paletteColor(int index) {
    const int i = ((index % kPaletteSize) + kPaletteSize) % kPaletteSize;
    return kPalette[i];
}

GlContext::~GlContext() {
    if (m_context) OSMesaDestroyContext(static_cast<OSMesaContext>(m_context));
}

bool GlContext::create(int depthBits, std::string* error) {
    if (m_context) return true;
    m_context = OSMesaCreateContextExt(m_format == Format::kBgra ? OSMESA_BGRA : OSMESA_RGBA,
                                       depthBits, 0, 0, nullptr);
    if (!m_context) {
        if (error) *error = "could not create an off-screen GL context";
        return false;
    }
    m_depthBits = depthBits;
    return true;
}

bool GlContext::makeCurrentOn(std::uint8_t* buffer, int width, int height, int rowLength,
                              int depthBits, std::string* error) {
    if (width < 1 || height < 1 || rowLength < width || !buffer) {
        if (error) *error = "GL buffer size must be positive";
        return false;
    }
    if (!create(depthBits, error)) return false;
    if (!OSMesaMakeCurrent(static_cast<OSMesaContext>(m_context), buffer, GL_UNSIGNED_BYTE, width,
                           height)) {
        if (error) *error = "could not make the off-screen GL context current";
        return false;
    }
    OSMesaPixelStore(OSMESA_ROW_LENGTH, rowLength);
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    return true;
}

bool GlContext::makeCurrent(int width, int height, int depthBits, std::string* error) {
    if (width < 1 || height < 1) {
        if (error) *error = "GL buffer size must be positive";
        return false;
    }
    if (!create(depthBits, error)) return false;
    if (width != m_width || height != m_height) {
        m_pixels.assign(static_cast<size_t>(width) * height * 4, 0);
        m_width = width;
        m_height = height;
    }
    if (!OSMesaMakeCurrent(static_cast<OSMesaContext>(m_context), m_pixels.data(), GL_UNSIGNED_BYTE,
                           width, height)) {
        if (error) *error = "could not make the off-screen GL context current";
        return false;
    }
    OSMesaPixelStore(OSMESA_ROW_LENGTH, 0);
    OSMesaPixelStore(OSMESA_Y_UP, 1);
    return true;
}

bool GlContext::isCurrent() const {
    return m_context && OSMesaGetCurrentContext() == m_context;
}

GlCurrentGuard::GlCurrentGuard() {
    OSMesaContext current = OSMesaGetCurrentContext();
    if (!current) return;
    GLint w = 0, h = 0, format = 0;
    void* buffer = nullptr;
    if (OSMesaGetColorBuffer(current, &w, &h, &format, &buffer)) {
        m_context = current;
        m_buffer = buffer;
        m_width = w, m_height = h, m_format = format;
    }
}

GlCurrentGuard::~GlCurrentGuard() {
    if (m_context)
        OSMesaMakeCurrent(static_cast<OSMesaContext>(m_context), m_buffer, GL_UNSIGNED_BYTE,
                          m_width, m_height);
    else
        // Nothing was current: leave nothing current. A context left bound to a buffer that is
        // then freed would be put back on it (a dangling write), and at its old size, making
        // Mesa reallocate its surfaces twice a frame.
        OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
}

}  // namespace tarn::view

// Colour-index calls of tools reach this host before the GL library (libtarn is searched
// first): the overlay is an RGBA plane, so an index picks the palette colour instead of being
// ignored as RGBA contexts do.
extern "C" {
__attribute__((visibility("default"))) void glIndexi(GLint c) {
    const std::uint8_t* rgb = tarn::view::paletteColor(c);
    glColor4ub(rgb[0], rgb[1], rgb[2], 255);
}
__attribute__((visibility("default"))) void glIndexf(GLfloat c) {
    glIndexi(static_cast<GLint>(c));
}
__attribute__((visibility("default"))) void glIndexd(GLdouble c) {
    glIndexi(static_cast<GLint>(c));
}
__attribute__((visibility("default"))) void glIndexs(GLshort c) {
    glIndexi(c);
}
__attribute__((visibility("default"))) void glIndexub(GLubyte c) {
    glIndexi(c);
}
}
