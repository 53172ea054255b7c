#pragma once
/// Triangulation of one planar (or nearly planar) simple polygon by ear clipping, so concave
/// faces split into triangles that stay inside them.

#include <span>
#include <vector>

#include "host/mesh/mesh_math.h"

namespace tarn {

/// Appends n - 2 triangles (3 polygon-relative corner indices each, in the polygon's winding)
/// to `out` for the polygon `loop` of n >= 3 points with normal `normal`. A degenerate or
/// self-intersecting polygon still yields n - 2 triangles (the rest is fanned). Thread-safe.
void triangulatePolygon(std::span<const Vec3> loop, const Vec3& normal, std::vector<int>& out);

}  // namespace tarn
