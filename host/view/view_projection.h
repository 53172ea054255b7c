#pragma once
/// The one projection of the view: world space to port coordinates and back. worldToView,
/// viewToWorld, screen selection and every snapshot (software or GL) go through it, so a point
/// lands on the same pixel everywhere.
///
/// Port coordinates are continuous, origin at the bottom-left corner of the port, x to the right
/// and y up, one unit per pixel. Pixel (i, j) covers [i, i+1) x [j, j+1); its centre is
/// (i + 0.5, j + 0.5).

#include "host/mesh/mesh_math.h"
#include "host/view/snapshot_renderer.h"

namespace tarn::view {

/// A ray in world space: a point on the near plane and a unit direction.
struct ViewRay {
    Vec3 origin;
    Vec3 direction;
};

class ViewProjection {
public:
    ViewProjection() = default;
    /// `width` and `height` are the port size in pixels (>= 1).
    ViewProjection(const ViewCamera& camera, int width, int height);

    const ViewCamera& camera() const { return m_camera; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    /// World point to camera space: x right, y up, z the distance along the view direction.
    Vec3 toCamera(const Vec3& world) const {
        const Vec3 v = world - m_camera.eye;
        return {dot(v, m_camera.right), dot(v, m_camera.up), dot(v, m_camera.forward)};
    }
    /// Camera-space point to port coordinates. False (u, v untouched) for a perspective point
    /// at or behind the eye plane.
    bool cameraToPort(const Vec3& c, double& u, double& v) const {
        double k = 1.0;
        if (!m_camera.orthographic) {
            if (!(c.z > 0.0)) return false;
            k = 1.0 / c.z;
        }
        u = (c.x * k * m_scaleX + 1.0) * 0.5 * m_width;
        v = (c.y * k * m_scaleY + 1.0) * 0.5 * m_height;
        return true;
    }
    /// World point to port coordinates (see cameraToPort).
    bool project(const Vec3& world, double& u, double& v) const {
        return cameraToPort(toCamera(world), u, v);
    }
    /// World point to the pixel it falls in, clamped to the 16-bit range. False when the point
    /// is at or behind the eye of a perspective view (x, y are then the pixel of its mirror).
    bool toPixel(const Vec3& world, int& x, int& y) const;
    /// The ray through port coordinates (u, v), starting on the near plane.
    ViewRay rayAt(double u, double v) const;
    /// The ray through the centre of pixel (x, y).
    ViewRay pixelRay(int x, int y) const { return rayAt(x + 0.5, y + 0.5); }

    /// Scale from camera space (divided by depth for perspective) to normalised device
    /// coordinates along x and y.
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }

    /// The OpenGL projection matrix (column major) for camera-space input whose z is negated
    /// (GL looks down -z), mapping the port sub-rectangle [u0, u1) x [v0, v1) to the viewport.
    /// Used by tiled rendering; the whole port is (0, 0, width, height).
    void glMatrix(double u0, double v0, double u1, double v1, float out[16]) const;

private:
    ViewCamera m_camera;
    int m_width = 1, m_height = 1;
    double m_scaleX = 1.0, m_scaleY = 1.0;
};

}  // namespace tarn::view
