#pragma once
/// Surfaces held by the scene's nurbsSurface shapes: finding a shape, the surface it shows (in
/// object or world space), replacing its own surface (recorded for undo), creating shapes, and
/// a surface as a polygon mesh for the view and the OBJ export. Main thread only.

#include <string>
#include <utility>

#include "frame/k_object.h"
#include "host/mesh/poly_mesh.h"
#include "host/nurbs/surface_data.h"

namespace tarn::nurbs {

/// The surface shape of `node` (a surface shape, or a transform with one); null when none.
KObject surfaceShapeOf(const KObject& node);
/// The surface a shape shows: what its `create` input holds when that is a surface, else its
/// own; null when it has neither.
SurfaceRef shapeSurface(const KObject& shape);
/// The same in world space (the shape's world matrix applied), kept on the node while neither
/// the surface nor the matrix changes, so repeated queries reuse one closest-point search.
SurfaceRef shapeWorldSurface(const KObject& shape);
/// Replaces a shape's own surface and marks its outputs dirty; recorded for undo when a chunk
/// is open. False when `shape` is not a surface shape.
bool writeSurface(const KObject& shape, SurfaceRef value);
/// Creates a transform and a nurbsSurface shape holding `value`: named `name` and
/// `name`Shape when `name` is given, else `base`<n> and `base`Shape<n>; with `parent` a
/// transform, only the shape is made, below it. Recorded for undo as one creation (redo
/// restores the surface too). Answers {transform, shape}, or nulls with `*error`.
std::pair<KObject, KObject> createSurfaceShape(SurfaceRef value, const std::string& base,
                                               const std::string& name, const KObject& parent,
                                               std::string* error);
/// Most quads along either side of a tessellation.
constexpr int kMaxTessellationQuads = 512;
/// The surface as quads (`perSpan` per span each way, fewer when a side would pass
/// kMaxTessellationQuads, at least 1) with its normalised parameters (0..1 over the domain)
/// as UVs in "map1".
PolyMesh tessellatedMesh(const NurbsSurface& surface, int perSpan);

}  // namespace tarn::nurbs
