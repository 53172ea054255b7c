#include "engine/geometry/subd_face_any.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/geometry/subd_edge_names.h"

using tarn::PolyMesh;
using tarn::Vec3;

namespace {

struct UV {
    float u = 0.0f, v = 0.0f;
};

Vec3 bilinear(const Vec3 q[4], double u, double v) {
    return q[0] * ((1 - u) * (1 - v)) + q[1] * (u * (1 - v)) + q[2] * (u * v) +
           q[3] * ((1 - u) * v);
}

UV bilinear(const UV q[4], double u, double v) {
    const double w[4] = {(1 - u) * (1 - v), u * (1 - v), u * v, (1 - u) * v};
    double su = 0, sv = 0;
    for (int i = 0; i < 4; ++i) {
        su += w[i] * q[i].u;
        sv += w[i] * q[i].v;
    }
    return {static_cast<float>(su), static_cast<float>(sv)};
}

// The result under construction: points, face loops and, per UV set, the UV table and one id
// per face corner.
struct Output {
    struct Set {
        const tarn::UVSet* in = nullptr;
        std::string name;
        std::vector<float> u, v;
        std::vector<int> ids;
    };
    std::vector<Vec3> points;
    std::vector<int> counts, indices;
    std::vector<Set> sets;

    int addUV(Set& s, UV uv) {
        s.u.push_back(uv.u);
        s.v.push_back(uv.v);
        return static_cast<int>(s.u.size()) - 1;
    }
};

class Subdivider {
public:
    Subdivider(const PolyMesh& in, int d) : m_in(in), m_d(d), m_s(2 * d) {}

    // Counts the result; false when it exceeds the limits.
    bool plan(const std::vector<std::uint8_t>& selected, std::int64_t limit) {
        m_selected = &selected;
        m_edgeBase.assign(m_in.numEdges(), -1);
        std::int64_t points = m_in.numVertices(), corners = 0;
        std::int64_t splitEdges = 0;
        const std::int64_t s = m_s, d = m_d;
        for (int f = 0; f < m_in.numFaces(); ++f) {
            if (!selected[f]) continue;
            for (int e : m_in.faceEdges(f))
                if (m_edgeBase[e] < 0) {
                    m_edgeBase[e] = 0;
                    ++splitEdges;
                }
            const std::int64_t n = m_in.faceVertexCount(f);
            if (n == 4) {
                points += (s - 1) * (s - 1);
                corners += 4 * s * s;
            } else if (n == 3) {
                points += (s - 1) * (s - 2) / 2;
                corners += 3 * s * s;
            } else {
                points += 1 + n * (d - 1) + n * (d - 1) * (d - 1);
                corners += 4 * n * d * d;
            }
        }
        points += splitEdges * (s - 1);
        for (int f = 0; f < m_in.numFaces(); ++f) {
            if (selected[f]) continue;
            corners += m_in.faceVertexCount(f);
            for (int e : m_in.faceEdges(f))
                if (m_edgeBase[e] >= 0) corners += s - 1;
        }
        m_corners = corners;
        m_points = points;
        return corners <= limit && points <= limit;
    }

    // Writes the result; its edges are named by `names`, which holds the input mesh (this
    // subdivider's input), so the result's edge table is made from them when first needed.
    PolyMesh build(const std::shared_ptr<TsubdEdgeNames>& names, std::string& error) {
        Output& o = m_out;
        o.points.reserve(static_cast<std::size_t>(m_points));
        o.points.assign(m_in.points().begin(), m_in.points().end());
        o.indices.reserve(static_cast<std::size_t>(m_corners));
        for (const std::string& name : m_in.uvSetNames()) {
            Output::Set s;
            s.in = m_in.uvSet(name);
            s.name = name;
            s.u = s.in->u;
            s.v = s.in->v;
            s.ids.reserve(static_cast<std::size_t>(m_corners));
            o.sets.push_back(std::move(s));
        }
        // Cut every marked edge into s pieces, its new points running from vertex 0 to 1.
        for (int e = 0; e < m_in.numEdges(); ++e) {
            if (m_edgeBase[e] < 0) continue;
            m_edgeBase[e] = static_cast<int>(o.points.size());
            const Vec3 a = m_in.point(m_in.edge(e).v0), b = m_in.point(m_in.edge(e).v1);
            for (int k = 1; k < m_s; ++k) o.points.push_back(a + (b - a) * (double(k) / m_s));
        }
        for (int f = 0; f < m_in.numFaces(); ++f) {
            const int n = m_in.faceVertexCount(f);
            if (!(*m_selected)[f])
                keepFace(f);
            else if (n == 4)
                gridQuad(f);
            else if (n == 3)
                gridTriangle(f);
            else
                fanOfQuads(f);
        }
        PolyMesh out;
        if (!PolyMesh::create(
                std::move(o.points), o.counts, std::move(o.indices),
                [names](std::vector<int>& list) { names->name(list); },
                static_cast<int>(names->bound()), names->distinctPairs(), out, &error))
            return out;
        for (Output::Set& s : o.sets) {
            out.setUVs(std::move(s.u), std::move(s.v), s.name);
            out.assignUVs(o.counts, std::move(s.ids), s.name);
        }
        if (!m_in.currentUVSetName().empty()) out.setCurrentUVSet(m_in.currentUVSetName());
        keepHardEdges(out, *names);
        return out;
    }

private:
    // Point k (0..s) of edge e counted from its end `from`.
    int edgePoint(int e, int from, int k) const {
        const tarn::MeshEdge& me = m_in.edge(e);
        const int to = me.v0 == from ? me.v1 : me.v0;
        if (k == 0) return from;
        if (k == m_s) return to;
        return me.v0 == from ? m_edgeBase[e] + k - 1 : m_edgeBase[e] + (m_s - k) - 1;
    }

    int cornerUV(const Output::Set& s, int f, int c) const {
        if (s.in->idsAreVertices) return m_in.faceVertices(f)[c];
        return s.in->faceVertexUV.empty() ? -1 : s.in->faceVertexUV[m_in.faceOffset(f) + c];
    }
    UV uvAt(const Output::Set& s, int id) const { return {s.u[id], s.v[id]}; }

    // Gathers the UVs of f's corners in every set; a set where a corner lacks one gets none.
    void cornerUVs(int f, int n) {
        m_cornerUV.resize(m_out.sets.size());
        m_hasUV.assign(m_out.sets.size(), 1);
        for (std::size_t si = 0; si < m_out.sets.size(); ++si) {
            m_cornerUV[si].resize(n);
            for (int c = 0; c < n; ++c) {
                const int id = cornerUV(m_out.sets[si], f, c);
                if (id < 0) {
                    m_hasUV[si] = 0;
                    break;
                }
                m_cornerUV[si][c] = uvAt(m_out.sets[si], id);
            }
        }
    }

    // An unselected face, with the new points of its cut edges taken into its loop.
    void keepFace(int f) {
        Output& o = m_out;
        const std::span<const int> fv = m_in.faceVertices(f);
        const std::span<const int> fe = m_in.faceEdges(f);
        const int n = static_cast<int>(fv.size());
        int count = 0;
        for (int k = 0; k < n; ++k) {
            o.indices.push_back(fv[k]);
            for (Output::Set& s : o.sets) s.ids.push_back(cornerUV(s, f, k));
            ++count;
            if (m_edgeBase[fe[k]] < 0) continue;
            for (int j = 1; j < m_s; ++j) o.indices.push_back(edgePoint(fe[k], fv[k], j));
            count += m_s - 1;
            for (Output::Set& s : o.sets) {
                const int a = cornerUV(s, f, k), b = cornerUV(s, f, (k + 1) % n);
                for (int j = 1; j < m_s; ++j) {
                    if (a < 0 || b < 0) {
                        s.ids.push_back(-1);
                        continue;
                    }
                    const UV ua = uvAt(s, a), ub = uvAt(s, b);
                    const float t = static_cast<float>(j) / m_s;
                    s.ids.push_back(
                        o.addUV(s, {ua.u + (ub.u - ua.u) * t, ua.v + (ub.v - ua.v) * t}));
                }
            }
        }
        o.counts.push_back(count);
    }

    // A (g+1) x (g+1) grid over the quad q (positions qp, UVs per set in quv), its border points
    // given by `border(i, j)` (-1 inside), emitted as g x g quads.
    template <typename Border>
    void emitGrid(int g, const Vec3 qp[4], const std::vector<std::array<UV, 4>>& quv,
                  Border border) {
        Output& o = m_out;
        const int w = g + 1;
        m_grid.resize(static_cast<std::size_t>(w) * w);
        for (int j = 0; j <= g; ++j)
            for (int i = 0; i <= g; ++i) {
                int idx = border(i, j);
                if (idx < 0) {
                    idx = static_cast<int>(o.points.size());
                    o.points.push_back(bilinear(qp, double(i) / g, double(j) / g));
                }
                m_grid[j * w + i] = idx;
            }
        for (std::size_t si = 0; si < o.sets.size(); ++si) {
            std::vector<int>& uvGrid = m_uvGrid;
            uvGrid.assign(static_cast<std::size_t>(w) * w, -1);
            if (m_hasUV[si])
                for (int j = 0; j <= g; ++j)
                    for (int i = 0; i <= g; ++i)
                        uvGrid[j * w + i] = o.addUV(
                            o.sets[si], bilinear(quv[si].data(), double(i) / g, double(j) / g));
            for (int j = 0; j < g; ++j)
                for (int i = 0; i < g; ++i)
                    for (int at : {j * w + i, j * w + i + 1, (j + 1) * w + i + 1, (j + 1) * w + i})
                        o.sets[si].ids.push_back(uvGrid[at]);
        }
        for (int j = 0; j < g; ++j)
            for (int i = 0; i < g; ++i) {
                for (int at : {j * w + i, j * w + i + 1, (j + 1) * w + i + 1, (j + 1) * w + i})
                    o.indices.push_back(m_grid[at]);
                o.counts.push_back(4);
            }
    }

    void gridQuad(int f) {
        const std::span<const int> fv = m_in.faceVertices(f);
        const std::span<const int> fe = m_in.faceEdges(f);
        const Vec3 qp[4] = {m_in.point(fv[0]), m_in.point(fv[1]), m_in.point(fv[2]),
                            m_in.point(fv[3])};
        cornerUVs(f, 4);
        m_quadUV.resize(m_out.sets.size());
        for (std::size_t si = 0; si < m_out.sets.size(); ++si)
            if (m_hasUV[si])
                for (int c = 0; c < 4; ++c) m_quadUV[si][c] = m_cornerUV[si][c];
        const int s = m_s;
        emitGrid(s, qp, m_quadUV, [&](int i, int j) {
            if (j == 0) return edgePoint(fe[0], fv[0], i);
            if (i == s) return edgePoint(fe[1], fv[1], j);
            if (j == s) return edgePoint(fe[2], fv[3], i);
            if (i == 0) return edgePoint(fe[3], fv[0], j);
            return -1;
        });
    }

    void gridTriangle(int f) {
        Output& o = m_out;
        const std::span<const int> fv = m_in.faceVertices(f);
        const std::span<const int> fe = m_in.faceEdges(f);
        const Vec3 p0 = m_in.point(fv[0]), p1 = m_in.point(fv[1]), p2 = m_in.point(fv[2]);
        const int s = m_s, w = s + 1;
        // Point (a, b) sits at p0 + a/s (p1 - p0) + b/s (p2 - p0).
        m_grid.assign(static_cast<std::size_t>(w) * w, -1);
        for (int b = 0; b <= s; ++b)
            for (int a = 0; a + b <= s; ++a) {
                int idx;
                if (b == 0)
                    idx = edgePoint(fe[0], fv[0], a);
                else if (a + b == s)
                    idx = edgePoint(fe[1], fv[1], b);
                else if (a == 0)
                    idx = edgePoint(fe[2], fv[0], b);
                else {
                    idx = static_cast<int>(o.points.size());
                    o.points.push_back(p0 + (p1 - p0) * (double(a) / s) +
                                       (p2 - p0) * (double(b) / s));
                }
                m_grid[b * w + a] = idx;
            }
        cornerUVs(f, 3);
        auto emit = [&](std::initializer_list<int> at) {
            for (int i : at) o.indices.push_back(m_grid[i]);
            o.counts.push_back(3);
            for (std::size_t si = 0; si < o.sets.size(); ++si)
                for (int i : at) o.sets[si].ids.push_back(m_uvGrid[si * w * w + i]);
        };
        m_uvGrid.assign(o.sets.size() * w * w, -1);
        for (std::size_t si = 0; si < o.sets.size(); ++si) {
            if (!m_hasUV[si]) continue;
            const UV* c = m_cornerUV[si].data();
            for (int b = 0; b <= s; ++b)
                for (int a = 0; a + b <= s; ++a) {
                    const float ta = float(a) / s, tb = float(b) / s;
                    m_uvGrid[si * w * w + b * w + a] = o.addUV(
                        o.sets[si], {c[0].u + (c[1].u - c[0].u) * ta + (c[2].u - c[0].u) * tb,
                                     c[0].v + (c[1].v - c[0].v) * ta + (c[2].v - c[0].v) * tb});
                }
        }
        for (int b = 0; b < s; ++b)
            for (int a = 0; a + b < s; ++a) {
                emit({b * w + a, b * w + a + 1, (b + 1) * w + a});
                if (a + b < s - 1) emit({b * w + a + 1, (b + 1) * w + a + 1, (b + 1) * w + a});
            }
    }

    void fanOfQuads(int f) {
        Output& o = m_out;
        const std::span<const int> fv = m_in.faceVertices(f);
        const std::span<const int> fe = m_in.faceEdges(f);
        const int n = static_cast<int>(fv.size()), d = m_d;
        Vec3 centre;
        for (int v : fv) centre += m_in.point(v);
        centre = centre / double(n);
        const int c = static_cast<int>(o.points.size());
        o.points.push_back(centre);
        // Spoke k runs from the middle of edge k (j = 0) to the centre (j = d).
        m_spokes.resize(n);
        for (int k = 0; k < n; ++k) {
            m_spokes[k] = static_cast<int>(o.points.size());
            const Vec3 m = o.points[edgePoint(fe[k], fv[k], d)];
            for (int j = 1; j < d; ++j) o.points.push_back(m + (centre - m) * (double(j) / d));
        }
        auto spoke = [&](int k, int j) {
            if (j == 0) return edgePoint(fe[k], fv[k], d);
            return j == d ? c : m_spokes[k] + j - 1;
        };
        cornerUVs(f, n);
        m_quadUV.resize(o.sets.size());
        for (int k = 0; k < n; ++k) {
            const int prev = (k + n - 1) % n;
            const Vec3 qp[4] = {o.points[fv[k]], o.points[spoke(k, 0)], centre,
                                o.points[spoke(prev, 0)]};
            for (std::size_t si = 0; si < o.sets.size(); ++si) {
                if (!m_hasUV[si]) continue;
                const std::vector<UV>& cu = m_cornerUV[si];
                UV mid{0, 0};
                for (const UV& uv : cu) {
                    mid.u += uv.u / n;
                    mid.v += uv.v / n;
                }
                const UV a = cu[k], b = cu[(k + 1) % n], p = cu[prev];
                m_quadUV[si] = {a, UV{(a.u + b.u) / 2, (a.v + b.v) / 2}, mid,
                                UV{(a.u + p.u) / 2, (a.v + p.v) / 2}};
            }
            emitGrid(d, qp, m_quadUV, [&](int i, int j) {
                if (j == 0) return edgePoint(fe[k], fv[k], i);
                if (i == d) return spoke(k, j);
                if (j == d) return spoke(prev, i);
                if (i == 0) return edgePoint(fe[prev], fv[k], j);
                return -1;
            });
        }
    }

    // Hard edges of the input stay hard along each of their pieces.
    void keepHardEdges(PolyMesh& out, const TsubdEdgeNames& names) const {
        const int uniform = m_in.uniformEdgeSmoothing();
        if (uniform >= 0) {
            out.setAllEdgesSmooth(uniform == 1);
            return;
        }
        (void)out.numEdges();  // makes the edge table, naming the pieces
        for (int e = 0; e < m_in.numEdges(); ++e) {
            if (m_in.isEdgeSmooth(e)) continue;
            for (int k = 0; k < names.pieceCount(e); ++k)
                if (const int oe = names.pieceEdge(e, k); oe >= 0) out.setEdgeSmooth(oe, false);
        }
    }

    const PolyMesh& m_in;
    const int m_d, m_s;
    const std::vector<std::uint8_t>* m_selected = nullptr;
    std::vector<int> m_edgeBase;  // first new point of each cut edge, -1 when not cut
    std::int64_t m_corners = 0, m_points = 0;
    Output m_out;
    std::vector<int> m_grid, m_uvGrid, m_spokes;
    std::vector<std::vector<UV>> m_cornerUV;
    std::vector<std::uint8_t> m_hasUV;
    std::vector<std::array<UV, 4>> m_quadUV;
};

}  // namespace

int TpolySubdFaceAnyFty::modify(TmidBody& body) {
    const int d = divisions[0];
    // A negative count is refused with a message (a node reports it); 0 means no subdivision.
    for (int count : divisions)
        if (count < 0)
            return fail("divisions " + std::to_string(count) +
                        " is below 0; the faces are left as they are");
    if (d == 0 || divisions[1] == 0 || divisions[2] == 0) return 0;
    if (divisions[1] != d || divisions[2] != d)
        return fail("the three division counts differ (" + std::to_string(d) + ", " +
                    std::to_string(divisions[1]) + ", " + std::to_string(divisions[2]) +
                    "); a cut edge needs the same count on both of its faces");
    if (d > kMaxDivisions)
        return fail("divisions " + std::to_string(d) + " is above the maximum of " +
                    std::to_string(kMaxDivisions));
    TpolyGeom* geom = body.geom();
    if (!geom) return fail("there is no mesh to subdivide");
    if (!geom->update(7)) return fail(geom->error());

    // The result names its edges from the input as it is made; the input moves out of the
    // body and goes back if anything fails.
    auto input = std::make_shared<PolyMesh>(geom->takeMesh());
    struct PutBack {
        TpolyGeom& geom;
        std::shared_ptr<PolyMesh>& mesh;
        bool done = false;
        ~PutBack() {
            if (!done) geom = TpolyGeom(std::move(*mesh));
        }
    } putBack{*geom, input};
    const PolyMesh& in = *input;

    // Select the active face group, or every face when there is none.
    std::vector<std::uint8_t> selected(in.numFaces(), 0);
    int grp = -1;
    if (getActiveGrpName(&body, nullptr, kGrpFace, grp)) {
        TpolyIter it;
        it.grpInit(body, grp);
        for (int f; it.grpFwd(f);)
            if (f >= 0 && f < in.numFaces()) selected[f] = 1;
    } else {
        selected.assign(in.numFaces(), 1);
    }

    Subdivider sub(in, d);
    if (!sub.plan(selected, kMaxFaceVertices))
        return fail("divisions " + std::to_string(d) + " would make a mesh of more than " +
                    std::to_string(kMaxFaceVertices) + " face corners");
    std::string error;
    PolyMesh out = sub.build(std::make_shared<TsubdEdgeNames>(input, selected, d), error);
    if (!error.empty()) return fail(error);
    putBack.done = true;
    body.setMidBody(new TpolyGeom(std::move(out)));
    return 0;
}
