#pragma once
/// NURBS curve math shared by the curve nodes, KFnNurbsCurve and the commands: a curve as
/// degree, control points (homogeneous weights) and knots, evaluation by de Boor's algorithm,
/// and closing. Pure functions of their inputs; thread safe. Surfaces will share the basis code.
///
/// Knot convention (the SDK's): a curve of n control points and degree d has n + d - 1 knots;
/// the full knot vector adds one knot before the first and one after the last, copies of the
/// end knots. The parameter domain is [knots[d - 1], knots[n - 1]]. A degree-1 curve through
/// points p0..pn-1 with knots 0, 1, ..., n-1 passes through p_i at parameter i.

#include <string>
#include <vector>

#include "host/mesh/mesh_math.h"

namespace tarn::nurbs {

enum class CurveForm { Open = 1, Closed = 2, Periodic = 3 };

struct NurbsCurve {
    int degree = 1;
    CurveForm form = CurveForm::Open;
    std::vector<Vec3> cvs;
    std::vector<double> weights;  ///< empty for a non-rational curve, else one per CV (> 0)
    std::vector<double> knots;    ///< cvs.size() + degree - 1, non-decreasing
};

/// Checks the curve's shape: degree 1..7, at least degree + 1 CVs, the knot count, knots
/// non-decreasing and finite, weights positive. False with `*error` naming the fault.
bool validate(const NurbsCurve& curve, std::string* error);

/// The parameter domain [start, end]. The curve must be valid.
void knotDomain(const NurbsCurve& curve, double& start, double& end);

/// The point at parameter t, clamped to the domain. The curve must be valid.
Vec3 evaluate(const NurbsCurve& curve, double t);

/// Closes an open curve with a segment from its last point back to its first: a CV equal to the
/// first is appended and the domain grows by the last knot interval (1 when the curve has a
/// single span). Degree 1 only (higher degrees would change the curve's shape). The form
/// becomes Closed. False with `*error` for an already closed curve or another degree.
bool closeCurve(NurbsCurve& curve, std::string* error);

}  // namespace tarn::nurbs
