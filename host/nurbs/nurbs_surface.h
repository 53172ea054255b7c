#pragma once
/// NURBS surface math shared by the surface shapes, surface data, KFnNurbsSurface and the
/// commands: a surface as degrees, a grid of control points (optional weights) and a knot
/// vector per direction, evaluation of points and derivatives, spans and tessellation. Pure
/// functions of their inputs; thread safe.
///
/// Knots follow the curve convention (nurbs_curve.h) in each direction: numU CVs of degree du
/// take numU + du - 1 knots in u, and the u domain is [knotsU[du - 1], knotsU[numU - 1]].
/// CVs are stored with v varying fastest: cv(i, j) = cvs[i * numV + j].

#include <string>
#include <vector>

#include "host/mesh/mesh_math.h"

namespace tarn::nurbs {

enum class SurfaceForm { Open = 1, Closed = 2, Periodic = 3 };

constexpr int kMaxSurfaceDegree = 7;

struct NurbsSurface {
    int degreeU = 3, degreeV = 3;
    int numU = 0, numV = 0;  ///< CV counts in u and v
    SurfaceForm formU = SurfaceForm::Open, formV = SurfaceForm::Open;
    std::vector<Vec3> cvs;        ///< numU * numV, v fastest
    std::vector<double> weights;  ///< empty for a non-rational surface, else one per CV (> 0)
    std::vector<double> knotsU, knotsV;

    const Vec3& cv(int i, int j) const { return cvs[static_cast<size_t>(i) * numV + j]; }
    double weight(int i, int j) const {
        return weights.empty() ? 1.0 : weights[static_cast<size_t>(i) * numV + j];
    }
};

/// Point, first and second partial derivatives at one parameter pair.
struct SurfaceDerivs {
    Vec3 p, du, dv, duu, duv, dvv;
};

/// Checks the surface: degrees 1..7, at least degree + 1 CVs and the knot count in each
/// direction, finite non-decreasing knots with a non-empty domain, finite CVs, positive
/// weights. False with `*error` naming the fault.
bool validate(const NurbsSurface& surface, std::string* error);

/// The parameter domain. The surface must be valid.
void knotDomain(const NurbsSurface& s, double& u0, double& u1, double& v0, double& v1);

/// The distinct knot values bounding the spans of one direction, ascending: span k runs from
/// breaks[k] to breaks[k + 1]. At least two values for a valid surface.
std::vector<double> spanBreaks(const NurbsSurface& s, bool inU);

/// The point at (u, v), each clamped to its domain. The surface must be valid.
Vec3 evaluate(const NurbsSurface& s, double u, double v);

/// Point and derivatives at (u, v), clamped to the domain; second derivatives only with
/// `second` (else left zero). One-sided at knots (the span to the right, the last span at the
/// end). The surface must be valid.
SurfaceDerivs evaluateDerivs(const NurbsSurface& s, double u, double v, bool second = false);

/// A box holding the surface over [u0, u1] x [v0, v1], which must be one span in each
/// direction: the box of that patch's Bezier control net (the patch lies in its convex hull).
Box3 patchBox(const NurbsSurface& s, double u0, double u1, double v0, double v1);

/// Unit normal du x dv at (u, v); where that vanishes (a pole), the normal of a point nudged
/// into the domain. Zero only for a surface degenerate everywhere near (u, v).
Vec3 normalAt(const NurbsSurface& s, double u, double v);

/// The surface with every CV transformed by `m` (weights kept): exact for affine maps.
NurbsSurface transformed(const NurbsSurface& s, const Mat4& m);

/// A grid tessellation: (perSpanU * spansU + 1) x (perSpanV * spansV + 1) points sampled at
/// even steps inside each span. Points are row-major with v fastest (row i is us[i], column j
/// is vs[j]); quads are (i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1).
struct SurfaceGrid {
    int rows = 0, cols = 0;  ///< samples along u and along v
    std::vector<Vec3> points;
    std::vector<double> us, vs;  ///< raw parameters of the rows and of the columns
};
SurfaceGrid tessellate(const NurbsSurface& s, int perSpanU, int perSpanV);

}  // namespace tarn::nurbs
