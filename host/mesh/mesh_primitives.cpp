#include "host/mesh/mesh_primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

namespace tarn {

namespace {

// A point or UV rounded to 1e-7, the grain at which the builder welds them.
struct WeldKey {
    long long x, y, z;
    bool operator==(const WeldKey&) const = default;
};

struct WeldKeyHash {
    // The 64-bit finaliser of splitmix64: every input bit reaches every output bit.
    static std::uint64_t mix(std::uint64_t h) {
        h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
        return h ^ (h >> 31);
    }
    size_t operator()(const WeldKey& k) const {
        std::uint64_t h = mix(static_cast<std::uint64_t>(k.x));
        h = mix(h ^ static_cast<std::uint64_t>(k.y));
        return static_cast<size_t>(mix(h ^ static_cast<std::uint64_t>(k.z)));
    }
};

// Ids of welded points by key: open addressing with linear probing in one array, so a weld is
// a hash and a short scan with no allocation per point.
class WeldTable {
public:
    /// The id stored for `key`; when there is none, stores `next` and returns it with `*added`.
    int findOrAdd(const WeldKey& key, int next, bool* added) {
        if (2 * (m_count + 1) > m_slots.size()) grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = WeldKeyHash{}(key)&mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.id < 0) {
                slot = {key, next};
                ++m_count;
                *added = true;
                return next;
            }
            if (slot.key == key) {
                *added = false;
                return slot.id;
            }
        }
    }

private:
    struct Slot {
        WeldKey key{};
        int id = -1;
    };
    void grow() {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(std::max<size_t>(64, 2 * old.size()), Slot{});
        m_count = 0;
        bool added = false;
        for (const Slot& slot : old)
            if (slot.id >= 0) findOrAdd(slot.key, slot.id, &added);
    }

    std::vector<Slot> m_slots;  // a power of two long, at most half full
    size_t m_count = 0;
};

// Collects faces with per-corner UVs. Ids are given in order of first use. Points and UVs that
// may coincide with others are welded: at 1e-7 of the primitive's size along each axis
// (`size`), so a tiny or a huge primitive welds exactly as a unit one does. Points and UVs known
// to be unique are appended without a look-up.
class MeshBuilder {
public:
    explicit MeshBuilder(const Vec3& size) : m_size(size) {}

    int weldPoint(const Vec3& p) {
        const WeldKey key{std::llround(p.x / m_size.x * 1e7), std::llround(p.y / m_size.y * 1e7),
                          std::llround(p.z / m_size.z * 1e7)};
        bool added = false;
        const int id = m_pointIds.findOrAdd(key, static_cast<int>(m_points.size()), &added);
        if (added) m_points.push_back(p);
        return id;
    }
    int newPoint(const Vec3& p) {
        m_points.push_back(p);
        return static_cast<int>(m_points.size()) - 1;
    }
    int weldUV(double u, double v) {
        const WeldKey key{std::llround(u * 1e7), std::llround(v * 1e7), 0};
        bool added = false;
        const int id = m_uvIds.findOrAdd(key, static_cast<int>(m_u.size()), &added);
        if (added) newUV(u, v);
        return id;
    }
    int newUV(double u, double v) {
        m_u.push_back(static_cast<float>(u));
        m_v.push_back(static_cast<float>(v));
        return static_cast<int>(m_u.size()) - 1;
    }
    /// Room for `points` more points and UVs, and `faces` more faces of about `corners`
    /// corners each.
    void reserve(size_t points, size_t faces, size_t corners) {
        m_points.reserve(m_points.size() + points);
        m_u.reserve(m_u.size() + points);
        m_v.reserve(m_v.size() + points);
        m_counts.reserve(m_counts.size() + faces);
        m_indices.reserve(m_indices.size() + faces * corners);
        m_uvIndices.reserve(m_uvIndices.size() + faces * corners);
    }
    void addFace(std::initializer_list<int> verts, std::initializer_list<int> uvs) {
        m_counts.push_back(static_cast<int>(verts.size()));
        m_indices.insert(m_indices.end(), verts);
        m_uvIndices.insert(m_uvIndices.end(), uvs);
    }
    void addFace(const std::vector<int>& verts, const std::vector<int>& uvs) {
        m_counts.push_back(static_cast<int>(verts.size()));
        m_indices.insert(m_indices.end(), verts.begin(), verts.end());
        m_uvIndices.insert(m_uvIndices.end(), uvs.begin(), uvs.end());
    }
    /// The mesh (the builder is left empty).
    PolyMesh build(bool smooth) {
        PolyMesh mesh;
        PolyMesh::create(std::move(m_points), m_counts, std::move(m_indices), mesh, nullptr);
        mesh.createUVSet("map1");
        mesh.setUVs(std::move(m_u), std::move(m_v), "map1");
        mesh.assignUVs(m_counts, std::move(m_uvIndices), "map1");
        mesh.setAllEdgesSmooth(smooth);
        return mesh;
    }

private:
    Vec3 m_size;
    std::vector<Vec3> m_points;
    WeldTable m_pointIds;
    std::vector<float> m_u, m_v;
    WeldTable m_uvIds;
    std::vector<int> m_counts, m_indices, m_uvIndices;
};

// The points and UVs of one side of a primitive, named by their place (i, j) on a lattice of
// (nu + 1) x (nv + 1) places: a grid, the rings of a sphere or of a cap. `pointAt(i, j)` and
// `uvAt(i, j)` give each place's point and UV (as a pair). Each place gets its ids when a face
// first uses it. Only places on the lattice's border are welded: there a side meets the sides
// built before it, or its own other end across a seam or at a pole. Inner places are unique to
// the side and are appended directly.
template <typename PointAt, typename UVAt>
class Lattice {
public:
    Lattice(MeshBuilder& b, int nu, int nv, PointAt pointAt, UVAt uvAt)
        : m_b(b),
          m_nu(nu),
          m_nv(nv),
          m_row(static_cast<size_t>(nu) + 1),
          m_points(m_row * (static_cast<size_t>(nv) + 1), -1),
          m_uvs(m_points.size(), -1),
          m_pointAt(pointAt),
          m_uvAt(uvAt) {}

    int point(int i, int j) {
        int& id = m_points[j * m_row + i];
        if (id < 0)
            id = border(i, j) ? m_b.weldPoint(m_pointAt(i, j)) : m_b.newPoint(m_pointAt(i, j));
        return id;
    }
    int uv(int i, int j) {
        int& id = m_uvs[j * m_row + i];
        if (id < 0) {
            const auto [u, v] = m_uvAt(i, j);
            id = border(i, j) ? m_b.weldUV(u, v) : m_b.newUV(u, v);
        }
        return id;
    }

private:
    bool border(int i, int j) const { return i == 0 || j == 0 || i == m_nu || j == m_nv; }

    MeshBuilder& m_b;
    int m_nu, m_nv;
    size_t m_row;
    std::vector<int> m_points, m_uvs;
    PointAt m_pointAt;
    UVAt m_uvAt;
};

// A grid side: corner p0, edge vectors du (nu cells) and dv (nv cells), UVs from (u0, v0) over
// (su, sv). du x dv points out of the solid.
void addGrid(MeshBuilder& b, const Vec3& p0, const Vec3& du, const Vec3& dv, int nu, int nv,
             double u0, double v0, double su, double sv) {
    Lattice grid(
        b, nu, nv,
        [&](int i, int j) {
            return p0 + du * (static_cast<double>(i) / nu) + dv * (static_cast<double>(j) / nv);
        },
        [&](int i, int j) {
            return std::pair{u0 + su * i / nu, v0 + sv * j / nv};
        });
    b.reserve((static_cast<size_t>(nu) + 1) * (static_cast<size_t>(nv) + 1),
              static_cast<size_t>(nu) * nv, 4);
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i)
            b.addFace({grid.point(i, j), grid.point(i + 1, j), grid.point(i + 1, j + 1),
                       grid.point(i, j + 1)},
                      {grid.uv(i, j), grid.uv(i + 1, j), grid.uv(i + 1, j + 1), grid.uv(i, j + 1)});
}

}  // namespace

PolyMesh makeCube(double w, double h, double d, int sx, int sy, int sz) {
    sx = std::max(sx, 1);
    sy = std::max(sy, 1);
    sz = std::max(sz, 1);
    const double x = w / 2, y = h / 2, z = d / 2;
    MeshBuilder b({w, h, d});
    // Sides in UV-strip order: front, top, back, bottom, right, left.
    addGrid(b, {-x, -y, z}, {w, 0, 0}, {0, h, 0}, sx, sy, 0.375, 0.0, 0.25, 0.25);
    addGrid(b, {-x, y, z}, {w, 0, 0}, {0, 0, -d}, sx, sz, 0.375, 0.25, 0.25, 0.25);
    addGrid(b, {-x, y, -z}, {w, 0, 0}, {0, -h, 0}, sx, sy, 0.375, 0.5, 0.25, 0.25);
    addGrid(b, {-x, -y, -z}, {w, 0, 0}, {0, 0, d}, sx, sz, 0.375, 0.75, 0.25, 0.25);
    addGrid(b, {x, -y, z}, {0, 0, -d}, {0, h, 0}, sz, sy, 0.625, 0.0, 0.25, 0.25);
    addGrid(b, {-x, -y, -z}, {0, 0, d}, {0, h, 0}, sz, sy, 0.125, 0.0, 0.25, 0.25);
    return b.build(false);
}

PolyMesh makePlane(double w, double h, int sx, int sy) {
    MeshBuilder b({w, 1.0, h});
    addGrid(b, {-w / 2, 0, h / 2}, {w, 0, 0}, {0, 0, -h}, std::max(sx, 1), std::max(sy, 1), 0.0,
            0.0, 1.0, 1.0);
    return b.build(false);
}

PolyMesh makeSphere(double r, int sx, int sy) {
    sx = std::max(sx, 3);
    sy = std::max(sy, 2);
    const double pi = std::numbers::pi;
    MeshBuilder b({r, r, r});
    // Place (i, j): ring j (1..sy-1, from the south pole up) at angle i; rows 0 and sy are the
    // poles and column sx is column 0 again, all on the lattice's border.
    Lattice grid(
        b, sx, sy,
        [&](int i, int j) {
            if (j == 0) return Vec3{0, -r, 0};
            if (j == sy) return Vec3{0, r, 0};
            const double theta = 2.0 * pi * (i % sx) / sx;
            const double phi = -pi / 2 + pi * j / sy;
            return Vec3{r * std::cos(phi) * std::cos(theta), r * std::sin(phi),
                        -r * std::cos(phi) * std::sin(theta)};
        },
        [&](int i, int j) {
            return std::pair{static_cast<double>(i) / sx, static_cast<double>(j) / sy};
        });
    b.reserve(static_cast<size_t>(sx) * sy + 2, static_cast<size_t>(sx) * sy, 4);
    for (int j = 0; j < sy; ++j) {
        for (int i = 0; i < sx; ++i) {
            // Each pole triangle has a UV of its own, unlike any other.
            if (j == 0) {
                b.addFace({grid.point(i, 0), grid.point(i + 1, 1), grid.point(i, 1)},
                          {b.newUV((i + 0.5) / sx, 0.0), grid.uv(i + 1, 1), grid.uv(i, 1)});
            } else if (j == sy - 1) {
                b.addFace({grid.point(i, j), grid.point(i + 1, j), grid.point(i, sy)},
                          {grid.uv(i, j), grid.uv(i + 1, j), b.newUV((i + 0.5) / sx, 1.0)});
            } else {
                b.addFace(
                    {grid.point(i, j), grid.point(i + 1, j), grid.point(i + 1, j + 1),
                     grid.point(i, j + 1)},
                    {grid.uv(i, j), grid.uv(i + 1, j), grid.uv(i + 1, j + 1), grid.uv(i, j + 1)});
            }
        }
    }
    return b.build(true);
}

PolyMesh makeCylinder(double r, double h, int sx, int sy, int caps) {
    sx = std::max(sx, 3);
    sy = std::max(sy, 1);
    caps = std::max(caps, 0);
    const double pi = std::numbers::pi;
    MeshBuilder b({r, h, r});
    auto ring = [&](int i, double radius, double y) {
        const double theta = 2.0 * pi * (i % sx) / sx;
        return Vec3{radius * std::cos(theta), y, -radius * std::sin(theta)};
    };
    const size_t capFaces = static_cast<size_t>(sx) * std::max(caps, 1);
    b.reserve(static_cast<size_t>(sx + 1) * (sy + 1) + 2 * (capFaces + 1),
              static_cast<size_t>(sx) * sy + 2 * capFaces, 4);
    // Sides: u around, v up, in the upper half of UV space. Column sx is column 0 again; rows 0
    // and sy are the rims the caps share.
    Lattice side(
        b, sx, sy, [&](int i, int j) { return ring(i, r, -h / 2 + h * j / sy); },
        [&](int i, int j) {
            return std::pair{static_cast<double>(i) / sx, 0.5 + 0.5 * j / sy};
        });
    for (int j = 0; j < sy; ++j)
        for (int i = 0; i < sx; ++i)
            b.addFace({side.point(i, j), side.point(i + 1, j), side.point(i + 1, j + 1),
                       side.point(i, j + 1)},
                      {side.uv(i, j), side.uv(i + 1, j), side.uv(i + 1, j + 1), side.uv(i, j + 1)});
    // Caps: discs in the lower half of UV space, bottom at (0.25, 0.25), top at (0.75, 0.25).
    for (int capSide = 0; capSide < 2; ++capSide) {
        const double y = capSide == 0 ? -h / 2 : h / 2;
        const double cu = capSide == 0 ? 0.25 : 0.75;
        // Place (i, k): ring k of `rings` (0 the centre, `rings` the rim) at angle i.
        const int rings = std::max(caps, 1);
        Lattice cap(
            b, sx, rings,
            [&](int i, int k) {
                return k == 0 ? Vec3{0, y, 0} : ring(i, r * (static_cast<double>(k) / rings), y);
            },
            [&](int i, int k) {
                const double frac = static_cast<double>(k) / rings;
                const double theta = 2.0 * pi * (i % sx) / sx;
                return std::pair{cu + 0.24 * frac * std::cos(theta),
                                 0.25 + 0.24 * frac * std::sin(theta)};
            });
        // Winding: the bottom faces -y, the top +y.
        auto face = [&](std::vector<int> vs, std::vector<int> us) {
            if (capSide == 0) {
                std::reverse(vs.begin(), vs.end());
                std::reverse(us.begin(), us.end());
            }
            b.addFace(vs, us);
        };
        if (caps == 0) {
            std::vector<int> vs, us;
            for (int i = 0; i < sx; ++i) {
                vs.push_back(cap.point(i, 1));
                us.push_back(cap.uv(i, 1));
            }
            face(vs, us);
            continue;
        }
        const int centre = cap.point(0, 0);
        const int centreUV = cap.uv(0, 0);
        for (int k = 0; k < caps; ++k) {
            for (int i = 0; i < sx; ++i) {
                if (k == 0)
                    face({centre, cap.point(i, 1), cap.point(i + 1, 1)},
                         {centreUV, cap.uv(i, 1), cap.uv(i + 1, 1)});
                else
                    face({cap.point(i, k), cap.point(i, k + 1), cap.point(i + 1, k + 1),
                          cap.point(i + 1, k)},
                         {cap.uv(i, k), cap.uv(i, k + 1), cap.uv(i + 1, k + 1), cap.uv(i + 1, k)});
            }
        }
    }
    PolyMesh mesh = b.build(true);
    // Hard edges around the caps' borders only: the rims, edge 0 of the sides' first row and
    // edge 2 of their last.
    const int lastRow = (sy - 1) * sx;
    for (int i = 0; i < sx; ++i) {
        mesh.setEdgeSmooth(mesh.faceEdges(i)[0], false);
        mesh.setEdgeSmooth(mesh.faceEdges(lastRow + i)[2], false);
    }
    return mesh;
}

}  // namespace tarn
