#include "host/mesh/mesh_triangulation.h"

#include <cmath>

#include "host/mesh/poly_mesh.h"

namespace tarn {

namespace {

struct P2 {
    double x, y;
};

double orient(const P2& a, const P2& b, const P2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// True when p lies inside or on the counter-clockwise triangle abc.
bool insideTriangle(const P2& a, const P2& b, const P2& c, const P2& p) {
    return orient(a, b, p) >= 0.0 && orient(b, c, p) >= 0.0 && orient(c, a, p) >= 0.0;
}

}  // namespace

void triangulatePolygon(std::span<const Vec3> loop, const Vec3& normal, std::vector<int>& out) {
    const int n = static_cast<int>(loop.size());
    if (n < 3) return;
    if (n == 3) {
        out.insert(out.end(), {0, 1, 2});
        return;
    }
    // Project onto the plane that drops the normal's dominant axis, keeping the loop
    // counter-clockwise in 2D.
    const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
    int drop = 2;
    if (ax >= ay && ax >= az)
        drop = 0;
    else if (ay >= az)
        drop = 1;
    const double sign = normal[drop] < 0.0 ? -1.0 : 1.0;
    std::vector<P2> pts(n);
    for (int i = 0; i < n; ++i) {
        const Vec3& p = loop[i];
        if (drop == 0)
            pts[i] = {p.y, p.z * sign};
        else if (drop == 1)
            pts[i] = {p.z, p.x * sign};
        else
            pts[i] = {p.x, p.y * sign};
    }

    // Clip ears from the remaining loop.
    std::vector<int> rest(n);
    for (int i = 0; i < n; ++i) rest[i] = i;
    int guard = 0;
    size_t i = 0;
    while (rest.size() > 3) {
        const size_t m = rest.size();
        const int a = rest[(i + m - 1) % m], b = rest[i % m], c = rest[(i + 1) % m];
        bool ear = orient(pts[a], pts[b], pts[c]) > 0.0;
        for (size_t k = 0; ear && k < m; ++k) {
            const int q = rest[k];
            if (q == a || q == b || q == c) continue;
            if (insideTriangle(pts[a], pts[b], pts[c], pts[q])) ear = false;
        }
        if (ear) {
            out.insert(out.end(), {a, b, c});
            rest.erase(rest.begin() + static_cast<long>(i % m));
            guard = 0;
            if (i >= rest.size()) i = 0;
            continue;
        }
        i = (i + 1) % m;
        if (++guard > static_cast<int>(m)) {
            // No ear left (degenerate or self-intersecting): fan the remainder.
            for (size_t k = 1; k + 1 < rest.size(); ++k)
                out.insert(out.end(), {rest[0], rest[k], rest[k + 1]});
            return;
        }
    }
    out.insert(out.end(), {rest[0], rest[1], rest[2]});
}

const PolyMesh::Triangulation& PolyMesh::buildTriangulation() const {
    const std::vector<Vec3>& faceN = faceNormals().values;
    std::lock_guard lock(buildMutex());
    if (const Triangulation* built = m_triangulation.get()) return *built;
    auto out = std::make_shared<Triangulation>();
    out->corners.reserve(3 * (m_faceVerts.size()));
    out->offsets.assign(numFaces() + 1, 0);
    std::vector<Vec3> loop;
    for (int f = 0; f < numFaces(); ++f) {
        loop.clear();
        for (int v : faceVertices(f)) loop.push_back(m_points[v]);
        out->offsets[f] = static_cast<int>(out->corners.size() / 3);
        triangulatePolygon(loop, faceN[f], out->corners);
    }
    out->offsets[numFaces()] = static_cast<int>(out->corners.size() / 3);
    return m_triangulation.publish(std::move(out));
}

std::array<int, 3> PolyMesh::triangleCorners(int f, int t) const {
    // A triangle is its own triangulation: no table needed.
    if (faceVertexCount(f) == 3) return {0, 1, 2};
    const Triangulation& tri = triangulation();
    const int at = 3 * (tri.offsets[f] + t);
    return {tri.corners[at], tri.corners[at + 1], tri.corners[at + 2]};
}

std::array<int, 3> PolyMesh::triangleVertices(int f, int t) const {
    const auto c = triangleCorners(f, t);
    const int base = m_faceOffsets[f];
    return {m_faceVerts[base + c[0]], m_faceVerts[base + c[1]], m_faceVerts[base + c[2]]};
}

}  // namespace tarn
