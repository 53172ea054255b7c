#pragma once
/// Ray-mesh intersection over the faces' triangles (both sides of each face count).

#include <vector>

#include "host/mesh/poly_mesh.h"

namespace tarn {

struct MeshHit {
    double distance = 0.0;  // along the ray, in units of |direction|
    int face = -1;
    int triangle = -1;   // triangle of the face
    double bary1 = 0.0;  // barycentric weights of triangle corners 1 and 2
    double bary2 = 0.0;
    Vec3 point;  // in the ray's space
};

/// All hits of the ray origin + s * direction with s >= 0, nearest first. Mesh and ray are in
/// the same space. Safe from many threads at once (the mesh builds what it needs once).
std::vector<MeshHit> intersectMesh(const PolyMesh& mesh, const Vec3& origin, const Vec3& direction);

/// The nearest hit only; false when the ray misses. Allocates nothing once the mesh's triangle
/// cache is filled.
bool intersectMeshFirst(const PolyMesh& mesh, const Vec3& origin, const Vec3& direction,
                        MeshHit& hit);

}  // namespace tarn
