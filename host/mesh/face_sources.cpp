#include "host/mesh/face_sources.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn {

namespace {

bool finite(const Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

double dot3(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Squared distance from p to the closest point of triangle abc (Ericson, Real-Time Collision
// Detection, 5.1.5: by the region of the triangle's plane p falls in).
double distanceSquared(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot3(ab, ap), d2 = dot3(ac, ap);
    auto sq = [](const Vec3& v) { return dot3(v, v); };
    if (d1 <= 0 && d2 <= 0) return sq(ap);
    const Vec3 bp = p - b;
    const double d3 = dot3(ab, bp), d4 = dot3(ac, bp);
    if (d3 >= 0 && d4 <= d3) return sq(bp);
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return sq(p - (a + ab * (d1 / (d1 - d3))));
    const Vec3 cp = p - c;
    const double d5 = dot3(ab, cp), d6 = dot3(ac, cp);
    if (d6 >= 0 && d5 <= d6) return sq(cp);
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return sq(p - (a + ac * (d2 / (d2 - d6))));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return sq(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
    const double denom = va + vb + vc;
    if (!(std::abs(denom) > 0)) return std::min({sq(ap), sq(bp), sq(cp)});  // degenerate
    const double v = vb / denom, w = vc / denom;
    return sq(p - (a + ab * v + ac * w));
}

}  // namespace

bool sameFaceLayout(const PolyMesh& a, const PolyMesh& b) {
    if (&a == &b) return true;
    if (a.numFaces() != b.numFaces()) return false;
    for (int f = 0; f < a.numFaces(); ++f) {
        const auto x = a.faceVertices(f), y = b.faceVertices(f);
        if (!std::equal(x.begin(), x.end(), y.begin(), y.end())) return false;
    }
    return true;
}

FaceLocator::FaceLocator(const PolyMesh& mesh) {
    for (int f = 0; f < mesh.numFaces(); ++f)
        for (int t = 0; t < mesh.numTriangles(f); ++t) {
            const auto v = mesh.triangleVertices(f, t);
            const Triangle tri{mesh.point(v[0]), mesh.point(v[1]), mesh.point(v[2]), f};
            if (!finite(tri.a) || !finite(tri.b) || !finite(tri.c)) continue;
            m_triangles.push_back(tri);
            m_box.expand(tri.a);
            m_box.expand(tri.b);
            m_box.expand(tri.c);
        }
    if (m_triangles.empty()) return;
    // About one triangle a cell: the cell edge from the box's volume (or area, or length when
    // the mesh is flat or a line).
    const Vec3 size = m_box.max - m_box.min;
    const double n = static_cast<double>(m_triangles.size());
    double extent[3] = {size.x, size.y, size.z};
    const double largest = std::max({extent[0], extent[1], extent[2]});
    if (!(largest > 0) || !std::isfinite(largest)) {
        m_cell = std::isfinite(largest) && largest > 0 ? largest : 1.0;
    } else {
        double measure = 1.0;
        int used = 0;
        for (double e : extent)
            if (e > largest * 1e-6) {
                measure *= e;
                ++used;
            }
        m_cell = std::pow(measure / n, 1.0 / used);
        if (!(m_cell > 0) || !std::isfinite(m_cell)) m_cell = largest;
    }
    // Note: a box much longer than wide would make many empty cells: a few per triangle at most.
    const double maxCells = 8 * n + 64;
    for (;;) {
        for (int k = 0; k < 3; ++k)
            m_dims[k] =
                static_cast<int>(std::clamp(std::floor(extent[k] / m_cell) + 1, 1.0, 1024.0));
        if (double(m_dims[0]) * m_dims[1] * m_dims[2] <= maxCells) break;
        m_cell *= 1.25;
    }
    const size_t cells = static_cast<size_t>(m_dims[0]) * m_dims[1] * m_dims[2];
    // Each triangle goes into the cells its box overlaps.
    std::vector<int> counts(cells + 1, 0);
    auto range = [&](const Triangle& t, int lo[3], int hi[3]) {
        Box3 b;
        b.expand(t.a);
        b.expand(t.b);
        b.expand(t.c);
        cellOf(b.min, lo);
        cellOf(b.max, hi);
    };
    for (const Triangle& t : m_triangles) {
        int lo[3], hi[3];
        range(t, lo, hi);
        for (int z = lo[2]; z <= hi[2]; ++z)
            for (int y = lo[1]; y <= hi[1]; ++y)
                for (int x = lo[0]; x <= hi[0]; ++x) ++counts[cellIndex(x, y, z) + 1];
    }
    for (size_t i = 1; i < counts.size(); ++i) counts[i] += counts[i - 1];
    m_cellStart = counts;
    m_cellItems.resize(static_cast<size_t>(counts.back()));
    for (size_t i = 0; i < m_triangles.size(); ++i) {
        int lo[3], hi[3];
        range(m_triangles[i], lo, hi);
        for (int z = lo[2]; z <= hi[2]; ++z)
            for (int y = lo[1]; y <= hi[1]; ++y)
                for (int x = lo[0]; x <= hi[0]; ++x)
                    m_cellItems[static_cast<size_t>(counts[cellIndex(x, y, z)]++)] =
                        static_cast<int>(i);
    }
}

void FaceLocator::cellOf(const Vec3& p, int out[3]) const {
    const double at[3] = {p.x - m_box.min.x, p.y - m_box.min.y, p.z - m_box.min.z};
    for (int k = 0; k < 3; ++k) {
        const double c = std::floor(at[k] / m_cell);
        out[k] = static_cast<int>(std::clamp(std::isfinite(c) ? c : 0.0, 0.0, m_dims[k] - 1.0));
    }
}

int FaceLocator::nearestFace(const Vec3& p) const {
    if (m_triangles.empty() || !finite(p)) return -1;
    int centre[3];
    cellOf(p, centre);
    double best = std::numeric_limits<double>::infinity();
    int face = -1;
    const int maxRing = std::max({m_dims[0], m_dims[1], m_dims[2]});
    for (int ring = 0; ring <= maxRing; ++ring) {
        // Every cell at Chebyshev distance `ring` from the centre cell.
        for (int z = centre[2] - ring; z <= centre[2] + ring; ++z) {
            if (z < 0 || z >= m_dims[2]) continue;
            for (int y = centre[1] - ring; y <= centre[1] + ring; ++y) {
                if (y < 0 || y >= m_dims[1]) continue;
                const bool rim = std::abs(z - centre[2]) == ring || std::abs(y - centre[1]) == ring;
                for (int x = centre[0] - ring; x <= centre[0] + ring; ++x) {
                    if (x < 0 || x >= m_dims[0]) continue;
                    if (!rim && std::abs(x - centre[0]) != ring) continue;
                    const int cell = cellIndex(x, y, z);
                    for (int i = m_cellStart[cell]; i < m_cellStart[cell + 1]; ++i) {
                        const Triangle& t = m_triangles[static_cast<size_t>(m_cellItems[i])];
                        const double d = distanceSquared(p, t.a, t.b, t.c);
                        if (d < best || (d == best && t.face < face)) {
                            best = d;
                            face = t.face;
                        }
                    }
                }
            }
        }
        // Cells beyond this ring are at least `ring` cells away from p's cell.
        if (face >= 0 && std::sqrt(best) <= ring * m_cell) break;
    }
    return face;
}

std::vector<int> faceSources(const PolyMesh& from, const PolyMesh& to) {
    std::vector<int> sources(static_cast<size_t>(to.numFaces()), -1);
    if (sameFaceLayout(from, to)) {
        for (int f = 0; f < to.numFaces(); ++f) sources[static_cast<size_t>(f)] = f;
        return sources;
    }
    const FaceLocator locator(from);
    for (int f = 0; f < to.numFaces(); ++f) {
        const auto v = to.triangleVertices(f, 0);
        const Vec3 centre = (to.point(v[0]) + to.point(v[1]) + to.point(v[2])) / 3.0;
        sources[static_cast<size_t>(f)] = locator.nearestFace(centre);
    }
    return sources;
}

}  // namespace tarn
