#include "bake/tangent_frame.h"

#include <cmath>

namespace bake {

namespace {

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 normalized(const Vec3& a) {
    const double length = std::sqrt(dot(a, a));
    if (!(length > 0.0)) return {};
    return {a.x / length, a.y / length, a.z / length};
}

bool finite(const Vec3& a) {
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

}  // namespace

bool triangleFrame(const Vec3 p[3], const double u[3], const double v[3], const Vec3 n[3],
                   CornerFrames& out) {
    // The cross product (Q1 - Q2) x (Q0 - Q2) of the points Q = (P.i, u, v): its first
    // component is twice the signed UV area, the same for every axis.
    const double du1 = u[1] - u[2], dv1 = v[1] - v[2];
    const double du0 = u[0] - u[2], dv0 = v[0] - v[2];
    const double a = du1 * dv0 - dv1 * du0;
    if (a == 0.0 || !std::isfinite(a)) return false;
    const double px[3] = {p[0].x, p[1].x, p[2].x};
    const double py[3] = {p[0].y, p[1].y, p[2].y};
    const double pz[3] = {p[0].z, p[1].z, p[2].z};
    const double* axes[3] = {px, py, pz};
    double tangent[3], binormal[3];
    for (int i = 0; i < 3; ++i) {
        const double d1 = axes[i][1] - axes[i][2], d0 = axes[i][0] - axes[i][2];
        const double b = dv1 * d0 - d1 * dv0;
        const double c = d1 * du0 - du1 * d0;
        tangent[i] = -b / a;
        binormal[i] = -c / a;
    }
    Vec3 t = normalized({tangent[0], tangent[1], tangent[2]});
    Vec3 b{binormal[0], binormal[1], binormal[2]};
    if (!finite(t) || !finite(b)) return false;

    // Face the frame the way the first corner's normal points.
    const Vec3 f = cross(b, t);
    if (dot(f, n[0]) < 0.0) {
        t = {-t.x, -t.y, -t.z};
        b = {-b.x, -b.y, -b.z};
    }
    for (int k = 0; k < 3; ++k) {
        const Vec3 nb = cross(n[k], b);
        out.binormal[k] = normalized(nb);
        out.tangent[k] = normalized(cross(nb, n[k]));
    }
    return true;
}

}  // namespace bake
