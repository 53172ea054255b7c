#pragma once
/// Curves held by the scene's nurbsCurve shapes: reading one as a NurbsCurve and writing one
/// back (recorded for undo, by the shape's name). Main thread only.

#include <string>

#include "frame/k_object.h"
#include "host/nurbs/nurbs_curve.h"

namespace tarn::nurbs {

/// The curve shape of `node` (a curve shape, or a transform with one); null when none.
KObject curveShapeOf(const KObject& node);
/// Reads a curve shape's curve. False when `shape` is not a curve shape.
bool readCurve(const KObject& shape, NurbsCurve& curve);
/// Replaces a curve shape's curve; the change is recorded for undo when a chunk is open.
bool writeCurve(const KObject& shape, const NurbsCurve& curve);
/// Creates a transform "curve<n>" and shape "curveShape<n>" holding `curve` (recorded for undo
/// as one creation). Answers the transform, or null with `*error`.
KObject createCurve(const NurbsCurve& curve, std::string* error);

}  // namespace tarn::nurbs
