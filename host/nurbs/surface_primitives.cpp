#include "host/nurbs/surface_primitives.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn::nurbs {

namespace {

constexpr int kFitRounds = 12;

// Uniform clamped knots for `patches` spans of `degree`: d zeros, 1 .. patches - 1, d copies
// of patches (patches + 2d - 1 knots for patches + d CVs).
std::vector<double> uniformKnots(int degree, int patches) {
    std::vector<double> k(static_cast<size_t>(degree), 0.0);
    for (int i = 1; i < patches; ++i) k.push_back(i);
    k.insert(k.end(), static_cast<size_t>(degree), static_cast<double>(patches));
    return k;
}

// The Greville abscissae: the parameter each CV sits at when the CVs reproduce a line.
std::vector<double> greville(const std::vector<double>& knots, int degree, int count) {
    const auto full = [&](int i) {
        return knots[std::clamp(i - 1, 0, static_cast<int>(knots.size()) - 1)];
    };
    std::vector<double> g;
    for (int i = 0; i < count; ++i) {
        double sum = 0.0;
        for (int j = 1; j <= degree; ++j) sum += full(i + j);
        g.push_back(sum / degree);
    }
    return g;
}

// Rotates `p` by the smallest rotation taking +Y onto `axis` (unit).
Vec3 fromY(const Vec3& p, const Vec3& axis) {
    const Vec3 y{0, 1, 0};
    const double c = dot(y, axis);
    const Vec3 k = cross(y, axis);
    const double s = length(k);
    if (s < 1e-12) return c > 0 ? p : Vec3{p.x, -p.y, -p.z};  // half turn about X
    const Vec3 n = k / s;
    // Rodrigues' formula.
    return p * c + cross(n, p) * s + n * (dot(n, p) * (1.0 - c));
}

NurbsSurface grid(int degree, int patchesU, int patchesV) {
    NurbsSurface s;
    s.degreeU = s.degreeV = degree;
    s.numU = patchesU + degree;
    s.numV = patchesV + degree;
    s.knotsU = uniformKnots(degree, patchesU);
    s.knotsV = uniformKnots(degree, patchesV);
    s.cvs.resize(static_cast<size_t>(s.numU) * s.numV);
    return s;
}

void place(NurbsSurface& s, const PrimitiveFrame& frame) {
    const Vec3 axis = length(frame.axis) > 0.0 ? normalize(frame.axis) : Vec3{0, 1, 0};
    for (Vec3& p : s.cvs) p = fromY(p, axis) + frame.pivot;
}

// Moves the CVs out along `radial(p)` until the surface at each CV's Greville parameters is at
// distance `radius` (measured by `radial`) from the axis or centre.
template <class Radial>
void fitRadius(NurbsSurface& s, double radius, Radial radial) {
    const std::vector<double> gu = greville(s.knotsU, s.degreeU, s.numU);
    const std::vector<double> gv = greville(s.knotsV, s.degreeV, s.numV);
    for (int round = 0; round < kFitRounds; ++round) {
        std::vector<double> scale(s.cvs.size(), 1.0);
        for (int i = 0; i < s.numU; ++i)
            for (int j = 0; j < s.numV; ++j) {
                const double reach = length(radial(evaluate(s, gu[i], gv[j])));
                if (reach > 1e-9 * radius) scale[i * s.numV + j] = radius / reach;
            }
        for (size_t k = 0; k < s.cvs.size(); ++k) {
            const Vec3 r = radial(s.cvs[k]);
            s.cvs[k] = s.cvs[k] + r * (scale[k] - 1.0);
        }
    }
}

}  // namespace

NurbsSurface makePlaneSurface(double width, double lengthRatio, int degree, int patchesU,
                              int patchesV, const PrimitiveFrame& frame) {
    NurbsSurface s = grid(degree, patchesU, patchesV);
    const double len = width * lengthRatio;
    const std::vector<double> gu = greville(s.knotsU, degree, s.numU);
    const std::vector<double> gv = greville(s.knotsV, degree, s.numV);
    for (int i = 0; i < s.numU; ++i)
        for (int j = 0; j < s.numV; ++j)
            s.cvs[i * s.numV + j] = {width * (gu[i] / patchesU - 0.5), 0.0,
                                     -len * (gv[j] / patchesV - 0.5)};
    place(s, frame);
    return s;
}

NurbsSurface makeSphereSurface(double radius, int degree, int patchesU, int patchesV,
                               const PrimitiveFrame& frame) {
    NurbsSurface s = grid(degree, patchesU, patchesV);
    s.formU = SurfaceForm::Closed;
    const std::vector<double> gu = greville(s.knotsU, degree, s.numU);
    const std::vector<double> gv = greville(s.knotsV, degree, s.numV);
    const double pi = std::numbers::pi;
    for (int i = 0; i < s.numU; ++i)
        for (int j = 0; j < s.numV; ++j) {
            const double theta = 2.0 * pi * gu[i] / patchesU;
            const double phi = -pi / 2 + pi * gv[j] / patchesV;
            s.cvs[i * s.numV + j] = Vec3{std::cos(phi) * std::cos(theta), std::sin(phi),
                                         -std::cos(phi) * std::sin(theta)} *
                                    radius;
        }
    // Note: the seam columns must stay equal, so both are fitted by the same measure.
    fitRadius(s, radius, [](const Vec3& p) { return p; });
    place(s, frame);
    return s;
}

NurbsSurface makeCylinderSurface(double radius, double heightRatio, int degree, int patchesU,
                                 int patchesV, const PrimitiveFrame& frame) {
    NurbsSurface s = grid(degree, patchesU, patchesV);
    s.formU = SurfaceForm::Closed;
    const double height = radius * heightRatio;
    const std::vector<double> gu = greville(s.knotsU, degree, s.numU);
    const std::vector<double> gv = greville(s.knotsV, degree, s.numV);
    const double pi = std::numbers::pi;
    for (int i = 0; i < s.numU; ++i)
        for (int j = 0; j < s.numV; ++j) {
            const double theta = 2.0 * pi * gu[i] / patchesU;
            s.cvs[i * s.numV + j] = {radius * std::cos(theta), height * (gv[j] / patchesV - 0.5),
                                     -radius * std::sin(theta)};
        }
    fitRadius(s, radius, [](const Vec3& p) { return Vec3{p.x, 0.0, p.z}; });
    place(s, frame);
    return s;
}

}  // namespace tarn::nurbs
