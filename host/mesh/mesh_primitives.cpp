#include "host/mesh/mesh_primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
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

// Collects faces with per-corner UVs, welding equal points and equal UVs. Ids are given in
// order of first use. Points weld at 1e-7 of the primitive's size along each axis (`size`), so
// a tiny or a huge primitive welds exactly as a unit one does.
class MeshBuilder {
public:
    explicit MeshBuilder(const Vec3& size) : m_size(size) {}

    int addPoint(const Vec3& p) {
        const WeldKey key{std::llround(p.x / m_size.x * 1e7), std::llround(p.y / m_size.y * 1e7),
                          std::llround(p.z / m_size.z * 1e7)};
        bool added = false;
        const int id = m_pointIds.findOrAdd(key, static_cast<int>(m_points.size()), &added);
        if (added) m_points.push_back(p);
        return id;
    }
    int addUV(double u, double v) {
        const WeldKey key{std::llround(u * 1e7), std::llround(v * 1e7), 0};
        bool added = false;
        const int id = m_uvIds.findOrAdd(key, static_cast<int>(m_u.size()), &added);
        if (added) {
            m_u.push_back(static_cast<float>(u));
            m_v.push_back(static_cast<float>(v));
        }
        return id;
    }
    /// Room for `faces` more faces of about `corners` corners each.
    void reserveFaces(size_t faces, size_t corners) {
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
    PolyMesh build(bool smooth) {
        PolyMesh mesh;
        PolyMesh::create(m_points, m_counts, m_indices, mesh, nullptr);
        mesh.createUVSet("map1");
        mesh.setUVs(m_u, m_v, "map1");
        mesh.assignUVs(m_counts, m_uvIndices, "map1");
        mesh.setAllEdgesSmooth(smooth);
        return mesh;
    }

    // A grid side: corner p0, edge vectors du (nu cells) and dv (nv cells), UVs from uv0 over
    // (su, sv). du x dv points out of the solid.
    void addGrid(const Vec3& p0, const Vec3& du, const Vec3& dv, int nu, int nv, double u0,
                 double v0, double su, double sv) {
        // Each grid vertex is welded once, when a face first uses it (so ids keep the order of
        // first use); later faces read the ids from the two tables.
        const size_t row = static_cast<size_t>(nu) + 1;
        std::vector<int> vids(row * (static_cast<size_t>(nv) + 1), -1), uids(vids.size(), -1);
        auto vid = [&](int i, int j) {
            int& id = vids[j * row + i];
            if (id < 0)
                id = addPoint(p0 + du * (static_cast<double>(i) / nu) +
                              dv * (static_cast<double>(j) / nv));
            return id;
        };
        auto uid = [&](int i, int j) {
            int& id = uids[j * row + i];
            if (id < 0) id = addUV(u0 + su * i / nu, v0 + sv * j / nv);
            return id;
        };
        reserveFaces(static_cast<size_t>(nu) * nv, 4);
        for (int j = 0; j < nv; ++j)
            for (int i = 0; i < nu; ++i)
                addFace({vid(i, j), vid(i + 1, j), vid(i + 1, j + 1), vid(i, j + 1)},
                        {uid(i, j), uid(i + 1, j), uid(i + 1, j + 1), uid(i, j + 1)});
    }

private:
    Vec3 m_size;
    std::vector<Vec3> m_points;
    WeldTable m_pointIds;
    std::vector<float> m_u, m_v;
    WeldTable m_uvIds;
    std::vector<int> m_counts, m_indices, m_uvIndices;
};

}  // namespace

PolyMesh makeCube(double w, double h, double d, int sx, int sy, int sz) {
    sx = std::max(sx, 1);
    sy = std::max(sy, 1);
    sz = std::max(sz, 1);
    const double x = w / 2, y = h / 2, z = d / 2;
    MeshBuilder b({w, h, d});
    // Sides in UV-strip order: front, top, back, bottom, right, left.
    b.addGrid({-x, -y, z}, {w, 0, 0}, {0, h, 0}, sx, sy, 0.375, 0.0, 0.25, 0.25);
    b.addGrid({-x, y, z}, {w, 0, 0}, {0, 0, -d}, sx, sz, 0.375, 0.25, 0.25, 0.25);
    b.addGrid({-x, y, -z}, {w, 0, 0}, {0, -h, 0}, sx, sy, 0.375, 0.5, 0.25, 0.25);
    b.addGrid({-x, -y, -z}, {w, 0, 0}, {0, 0, d}, sx, sz, 0.375, 0.75, 0.25, 0.25);
    b.addGrid({x, -y, z}, {0, 0, -d}, {0, h, 0}, sz, sy, 0.625, 0.0, 0.25, 0.25);
    b.addGrid({-x, -y, -z}, {0, 0, d}, {0, h, 0}, sz, sy, 0.125, 0.0, 0.25, 0.25);
    return b.build(false);
}

PolyMesh makePlane(double w, double h, int sx, int sy) {
    MeshBuilder b({w, 1.0, h});
    b.addGrid({-w / 2, 0, h / 2}, {w, 0, 0}, {0, 0, -h}, std::max(sx, 1), std::max(sy, 1), 0.0, 0.0,
              1.0, 1.0);
    PolyMesh mesh = b.build(false);
    return mesh;
}

PolyMesh makeSphere(double r, int sx, int sy) {
    sx = std::max(sx, 3);
    sy = std::max(sy, 2);
    const double pi = std::numbers::pi;
    MeshBuilder b({r, r, r});
    auto ringPoint = [&](int i, int j) {  // j in 1..sy-1, from the south pole up
        const double theta = 2.0 * pi * (i % sx) / sx;
        const double phi = -pi / 2 + pi * j / sy;
        return Vec3{r * std::cos(phi) * std::cos(theta), r * std::sin(phi),
                    -r * std::cos(phi) * std::sin(theta)};
    };
    // Ids by grid position, welded when a face first uses them (ids keep the order of first
    // use; later faces read the tables).
    const size_t row = static_cast<size_t>(sx) + 1;
    std::vector<int> vids(row * (static_cast<size_t>(sy) + 1), -1), uids(vids.size(), -1);
    auto vid = [&](int i, int j) {
        int& id = vids[j * row + i];
        if (id < 0)
            id = j == 0    ? b.addPoint({0, -r, 0})
                 : j == sy ? b.addPoint({0, r, 0})
                           : b.addPoint(ringPoint(i, j));
        return id;
    };
    auto uid = [&](int i, int j) {
        int& id = uids[j * row + i];
        if (id < 0) id = b.addUV(static_cast<double>(i) / sx, static_cast<double>(j) / sy);
        return id;
    };
    b.reserveFaces(static_cast<size_t>(sx) * sy, 4);
    for (int j = 0; j < sy; ++j) {
        for (int i = 0; i < sx; ++i) {
            if (j == 0) {
                b.addFace({vid(i, 0), vid(i + 1, 1), vid(i, 1)},
                          {b.addUV((i + 0.5) / sx, 0.0), uid(i + 1, 1), uid(i, 1)});
            } else if (j == sy - 1) {
                b.addFace({vid(i, j), vid(i + 1, j), vid(i, sy)},
                          {uid(i, j), uid(i + 1, j), b.addUV((i + 0.5) / sx, 1.0)});
            } else {
                b.addFace({vid(i, j), vid(i + 1, j), vid(i + 1, j + 1), vid(i, j + 1)},
                          {uid(i, j), uid(i + 1, j), uid(i + 1, j + 1), uid(i, j + 1)});
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
        return b.addPoint({radius * std::cos(theta), y, -radius * std::sin(theta)});
    };
    // Sides: u around, v up, in the upper half of UV space.
    for (int j = 0; j < sy; ++j) {
        const double y0 = -h / 2 + h * j / sy, y1 = -h / 2 + h * (j + 1) / sy;
        const double v0 = 0.5 + 0.5 * j / sy, v1 = 0.5 + 0.5 * (j + 1) / sy;
        for (int i = 0; i < sx; ++i) {
            const double u0 = static_cast<double>(i) / sx, u1 = static_cast<double>(i + 1) / sx;
            b.addFace({ring(i, r, y0), ring(i + 1, r, y0), ring(i + 1, r, y1), ring(i, r, y1)},
                      {b.addUV(u0, v0), b.addUV(u1, v0), b.addUV(u1, v1), b.addUV(u0, v1)});
        }
    }
    // Caps: discs in the lower half of UV space, bottom at (0.25, 0.25), top at (0.75, 0.25).
    for (int side = 0; side < 2; ++side) {
        const double y = side == 0 ? -h / 2 : h / 2;
        const double cu = side == 0 ? 0.25 : 0.75;
        auto capUV = [&](int i, double frac) {
            const double theta = 2.0 * pi * (i % sx) / sx;
            return b.addUV(cu + 0.24 * frac * std::cos(theta),
                           0.25 + 0.24 * frac * std::sin(theta));
        };
        // Winding: the bottom faces -y, the top +y.
        auto face = [&](std::vector<int> vs, std::vector<int> us) {
            if (side == 0) {
                std::reverse(vs.begin(), vs.end());
                std::reverse(us.begin(), us.end());
            }
            b.addFace(vs, us);
        };
        if (caps == 0) {
            std::vector<int> vs, us;
            for (int i = 0; i < sx; ++i) {
                vs.push_back(ring(i, r, y));
                us.push_back(capUV(i, 1.0));
            }
            face(vs, us);
            continue;
        }
        const int centre = b.addPoint({0, y, 0});
        const int centreUV = b.addUV(cu, 0.25);
        for (int k = 0; k < caps; ++k) {
            const double f0 = static_cast<double>(k) / caps, f1 = static_cast<double>(k + 1) / caps;
            for (int i = 0; i < sx; ++i) {
                if (k == 0)
                    face({centre, ring(i, r * f1, y), ring(i + 1, r * f1, y)},
                         {centreUV, capUV(i, f1), capUV(i + 1, f1)});
                else
                    face({ring(i, r * f0, y), ring(i, r * f1, y), ring(i + 1, r * f1, y),
                          ring(i + 1, r * f0, y)},
                         {capUV(i, f0), capUV(i, f1), capUV(i + 1, f1), capUV(i + 1, f0)});
            }
        }
    }
    PolyMesh mesh = b.build(true);
    // Hard edges around the caps' borders only.
    for (int e = 0; e < mesh.numEdges(); ++e) {
        const Vec3 a = mesh.point(mesh.edge(e).v0), c = mesh.point(mesh.edge(e).v1);
        const bool onRim = std::abs(std::abs(a.y) - h / 2) < 1e-12 && a.y == c.y &&
                           std::abs(std::hypot(a.x, a.z) - r) < 1e-9 &&
                           std::abs(std::hypot(c.x, c.z) - r) < 1e-9;
        if (onRim) mesh.setEdgeSmooth(e, false);
    }
    return mesh;
}

}  // namespace tarn
