#pragma once
/// Curves held by the scene's nurbsCurve shapes: reading the curve a shape shows (in object or
/// world space) and writing its own curve back (recorded for undo, by the shape's name).
/// Main thread only.

#include <string>

#include "frame/k_object.h"
#include "host/nurbs/nurbs_curve.h"

namespace tarn::nurbs {

/// The curve shape of `node` (a curve shape, or a transform with one); null when none.
KObject curveShapeOf(const KObject& node);
/// Reads the curve a shape shows: what its connected `create` input holds when that is a
/// curve, else its own. False when `shape` is not a curve shape.
bool readCurve(const KObject& shape, NurbsCurve& curve);
/// The same with the shape's world matrix applied to the CVs (weights kept).
bool readWorldCurve(const KObject& shape, NurbsCurve& curve);
/// The curve with every CV transformed by `m` (weights kept): exact for affine maps.
NurbsCurve transformed(const NurbsCurve& curve, const Mat4& m);
/// Replaces a curve shape's own curve and marks its outputs dirty; the change is recorded for
/// undo when a chunk is open.
bool writeCurve(const KObject& shape, const NurbsCurve& curve);
/// Creates a transform "curve<n>" and shape "curveShape<n>" holding `curve` (recorded for undo
/// as one creation). Answers the transform, or null with `*error`.
KObject createCurve(const NurbsCurve& curve, std::string* error);

}  // namespace tarn::nurbs
