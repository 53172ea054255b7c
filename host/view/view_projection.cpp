#include "host/view/view_projection.h"

#include <algorithm>
#include <cmath>

namespace tarn::view {

namespace {

int clampToShort(double v) {
    if (!(v == v)) return 0;
    return static_cast<int>(std::clamp(std::floor(v), -32768.0, 32767.0));
}

}  // namespace

ViewProjection::ViewProjection(const ViewCamera& camera, int width, int height)
    : m_camera(camera), m_width(std::max(width, 1)), m_height(std::max(height, 1)) {
    const double aspect = static_cast<double>(m_width) / m_height;
    const double half = m_camera.orthographic ? m_camera.orthoWidth * 0.5
                                              : std::tan(m_camera.horizontalFieldOfView * 0.5);
    m_scaleX = 1.0 / half;
    m_scaleY = aspect / half;
}

bool ViewProjection::toPixel(const Vec3& world, int& x, int& y) const {
    Vec3 c = toCamera(world);
    bool inFront = true;
    if (!m_camera.orthographic && !(c.z > 0.0)) {
        // Behind the eye: answer the mirrored point's pixel so callers still get numbers.
        inFront = false;
        c.z = std::max(std::fabs(c.z), 1e-12);
    }
    double u = 0, v = 0;
    cameraToPort(c, u, v);
    x = clampToShort(u);
    y = clampToShort(v);
    return inFront;
}

ViewRay ViewProjection::rayAt(double u, double v) const {
    const double nx = u / m_width * 2.0 - 1.0;
    const double ny = v / m_height * 2.0 - 1.0;
    const double cx = nx / m_scaleX, cy = ny / m_scaleY;
    ViewRay ray;
    if (m_camera.orthographic) {
        ray.origin = m_camera.eye + m_camera.right * cx + m_camera.up * cy +
                     m_camera.forward * m_camera.nearClip;
        ray.direction = m_camera.forward;
    } else {
        const Vec3 d = m_camera.right * cx + m_camera.up * cy + m_camera.forward;
        ray.origin = m_camera.eye + d * m_camera.nearClip;
        ray.direction = normalize(d);
    }
    return ray;
}

void ViewProjection::glMatrix(double u0, double v0, double u1, double v1, float out[16]) const {
    // Normalised device coordinates of the whole port, then a scale and shift so that the
    // sub-rectangle fills [-1, 1] on both axes.
    const double sx = m_width / (u1 - u0), sy = m_height / (v1 - v0);
    const double tx = (m_width - (u0 + u1)) / (u1 - u0);
    const double ty = (m_height - (v0 + v1)) / (v1 - v0);
    const double n = m_camera.nearClip, f = m_camera.farClip;
    double m[16] = {0};
    if (m_camera.orthographic) {
        m[0] = m_scaleX * sx;
        m[5] = m_scaleY * sy;
        m[10] = -2.0 / (f - n);
        m[12] = tx;
        m[13] = ty;
        m[14] = -(f + n) / (f - n);
        m[15] = 1.0;
    } else {
        // x_clip = scaleX * x + t * (-z) keeps the sub-rectangle shift after the divide by w.
        m[0] = m_scaleX * sx;
        m[5] = m_scaleY * sy;
        m[8] = -tx;
        m[9] = -ty;
        m[10] = -(f + n) / (f - n);
        m[11] = -1.0;
        m[14] = -2.0 * f * n / (f - n);
    }
    for (int i = 0; i < 16; ++i) out[i] = static_cast<float>(m[i]);
}

}  // namespace tarn::view
