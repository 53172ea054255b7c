#pragma once
/// Primitive meshes centred on the origin, with UVs in the set "map1". Subdivision counts below
/// 1 are raised to 1 (sphere and cylinder axis counts to 3, sphere height count to 2).

#include "host/mesh/poly_mesh.h"

namespace tarn {

/// Box of width (x), height (y) and depth (z) with sx, sy, sz subdivisions; hard edges.
/// Unsubdivided: 8 vertices, 12 edges, 6 faces, 14 UVs laid out as an unfolded cross.
PolyMesh makeCube(double width, double height, double depth, int sx = 1, int sy = 1, int sz = 1);

/// Plane in XZ facing +Y, width along x and height along z; UVs fill 0..1.
PolyMesh makePlane(double width, double height, int sx = 1, int sy = 1);

/// Sphere of `radius` with sx axis and sy height subdivisions: triangles at the poles, quads
/// elsewhere, soft edges, UVs u = around, v = pole to pole.
PolyMesh makeSphere(double radius, int sx = 20, int sy = 20);

/// Cylinder along y of `radius` and `height`, sx around, sy along; caps are one n-gon each when
/// capSubdivisions is 0, else rings of quads around a fan of triangles. Side edges soft, the
/// cap borders hard.
PolyMesh makeCylinder(double radius, double height, int sx = 20, int sy = 1,
                      int capSubdivisions = 1);

}  // namespace tarn
