#include "host/mesh/mesh_raycast.h"

#include <algorithm>
#include <cmath>

namespace tarn {

namespace {

// Moeller-Trumbore, two-sided. Fills s, b1, b2 on a hit with s >= 0.
bool hitTriangle(const Vec3& o, const Vec3& d, const Vec3& p0, const Vec3& p1, const Vec3& p2,
                 double& s, double& b1, double& b2) {
    const Vec3 e1 = p1 - p0, e2 = p2 - p0;
    const Vec3 pv = cross(d, e2);
    const double det = dot(e1, pv);
    const double scale = length(e1) * length(e2) * length(d);
    if (std::abs(det) <= 1e-14 * scale) return false;  // parallel or degenerate
    const double inv = 1.0 / det;
    const Vec3 tv = o - p0;
    b1 = dot(tv, pv) * inv;
    if (b1 < 0.0 || b1 > 1.0) return false;
    const Vec3 qv = cross(tv, e1);
    b2 = dot(d, qv) * inv;
    if (b2 < 0.0 || b1 + b2 > 1.0) return false;
    s = dot(e2, qv) * inv;
    return s >= 0.0;
}

// Visits the hits of each face; a ray through the diagonal shared by two triangles of one
// face counts once.
template <typename Visit>
void forEachHit(const PolyMesh& mesh, const Vec3& o, const Vec3& d, Visit&& visit) {
    for (int f = 0; f < mesh.numFaces(); ++f) {
        double last = -1.0;
        for (int t = 0; t < mesh.numTriangles(f); ++t) {
            const auto v = mesh.triangleVertices(f, t);
            double s, b1, b2;
            if (!hitTriangle(o, d, mesh.point(v[0]), mesh.point(v[1]), mesh.point(v[2]), s, b1, b2))
                continue;
            if (last >= 0.0 && std::abs(s - last) <= 1e-9 * (1.0 + s)) continue;
            last = s;
            visit(MeshHit{s, f, t, b1, b2, o + d * s});
        }
    }
}

}  // namespace

std::vector<MeshHit> intersectMesh(const PolyMesh& mesh, const Vec3& origin,
                                   const Vec3& direction) {
    std::vector<MeshHit> hits;
    forEachHit(mesh, origin, direction, [&](const MeshHit& h) { hits.push_back(h); });
    std::stable_sort(hits.begin(), hits.end(),
                     [](const MeshHit& a, const MeshHit& b) { return a.distance < b.distance; });
    return hits;
}

bool intersectMeshFirst(const PolyMesh& mesh, const Vec3& origin, const Vec3& direction,
                        MeshHit& hit) {
    bool found = false;
    forEachHit(mesh, origin, direction, [&](const MeshHit& h) {
        if (!found || h.distance < hit.distance) hit = h;
        found = true;
    });
    return found;
}

}  // namespace tarn
