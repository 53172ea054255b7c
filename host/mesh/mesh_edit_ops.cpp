#include "host/mesh/mesh_edit_ops.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

namespace tarn {

namespace {

constexpr double kParamEps = 1e-9;

Vec3 lerp(const Vec3& a, const Vec3& b, double t) {
    return a + (b - a) * t;
}

// The session's record plus bookkeeping, handed to the caller.
void finishInto(MeshEditor& ed, int verticesBefore, EditResult* out) {
    EditResult r;
    r.delta = ed.finish();
    r.faceOrigins = ed.faceOrigins();
    if (ed.mesh().numVertices() > verticesBefore) r.firstNewVertex = verticesBefore;
    if (out) *out = std::move(r);
}

// Rolls a failed session back and reports why.
OpStatus rollBack(MeshEditor& ed, std::string why) {
    const MeshDelta delta = ed.finish();
    MeshEditor::applyDelta(ed.mesh(), delta, true);
    return OpStatus::failure(std::move(why));
}

// The failure for an id that names no element of a mesh with `count` of them ("edge 9 does not
// exist (the mesh has 8 edges)").
OpStatus noSuch(const char* kind, int id, int count, const char* plural) {
    return OpStatus::failure(std::string(kind) + " " + std::to_string(id) +
                             " does not exist (the mesh has " + std::to_string(count) + " " +
                             plural + ")");
}

// Fails for the first of `ids` outside [0, count).
OpStatus checkIds(const std::vector<int>& ids, int count, const char* kind, const char* plural) {
    for (int id : ids)
        if (id < 0 || id >= count) return noSuch(kind, id, count, plural);
    return OpStatus::success();
}

bool isDeadEdge(const PolyMesh& m, int e) {
    return m.edge(e).v0 < 0;
}

// Removes edges that no face uses any more, then vertices left with no face and no edge.
void dropOrphans(MeshEditor& ed, const std::vector<int>& edges, const std::vector<int>& verts) {
    PolyMesh& m = ed.mesh();
    std::set<int> ends(verts.begin(), verts.end());
    for (int e : std::set<int>(edges.begin(), edges.end())) {
        if (e < 0 || e >= m.numEdges() || isDeadEdge(m, e) || !m.edgeFaces(e).empty()) continue;
        ends.insert({m.edge(e).v0, m.edge(e).v1});
        ed.removeEdge(e);
    }
    for (int v : ends)
        if (v >= 0 && v < m.numVertices() && m.vertexFaces(v).empty() && m.vertexEdges(v).empty())
            ed.removeVertex(v);
}

// UV of `set` (index) at a table id.
std::pair<float, float> uvAt(const PolyMesh& m, int set, int id) {
    const UVSet* s = m.uvSet(m.uvSetNames()[static_cast<size_t>(set)]);
    return {s->u[id], s->v[id]};
}

// Splits edge e at parameter t (from its vertex 0); returns the new vertex. Faces on both sides
// take the vertex; each distinct pair of corner UVs along the edge gets one interpolated UV.
int splitEdgeAt(MeshEditor& ed, int e, double t) {
    PolyMesh& m = ed.mesh();
    const MeshEdge edge = m.edge(e);
    const int a = edge.v0, b = edge.v1;
    const bool smooth = m.isEdgeSmooth(e);
    const auto users = m.edgeFaces(e);
    const std::vector<int> faces(users.begin(), users.end());
    const int n = ed.addVertex(lerp(m.point(a), m.point(b), t));
    ed.setEdge(e, a, n);
    ed.edgeBetween(n, b, smooth);
    std::map<std::tuple<int, int, int>, int> made;  // (set, uv at a, uv at b) -> new uv
    for (int f : faces) {
        FaceRecord rec = ed.readFace(f);
        const int k = static_cast<int>(rec.verts.size());
        int at = -1;  // corner after which n goes
        for (int i = 0; i < k && at < 0; ++i) {
            const int x = rec.verts[i], y = rec.verts[(i + 1) % k];
            if ((x == a && y == b) || (x == b && y == a)) at = i;
        }
        if (at < 0) continue;
        const int next = (at + 1) % k;
        const bool forward = rec.verts[at] == a;
        rec.verts.insert(rec.verts.begin() + at + 1, n);
        for (size_t s = 0; s < rec.uvs.size(); ++s) {
            std::vector<int>& ids = rec.uvs[s];
            if (ids.empty()) continue;
            const int ua = forward ? ids[at] : ids[next], ub = forward ? ids[next] : ids[at];
            int id = -1;
            if (ua >= 0 && ub >= 0) {
                auto [it, added] = made.try_emplace({static_cast<int>(s), ua, ub}, -1);
                if (added) {
                    const auto pa = uvAt(m, static_cast<int>(s), ua);
                    const auto pb = uvAt(m, static_cast<int>(s), ub);
                    const double ft = t;
                    it->second =
                        ed.addUV(static_cast<int>(s),
                                 static_cast<float>(pa.first + (pb.first - pa.first) * ft),
                                 static_cast<float>(pa.second + (pb.second - pa.second) * ft));
                }
                id = it->second;
            }
            ids.insert(ids.begin() + at + 1, id);
        }
        for (std::vector<int>& ids : rec.colors)
            if (!ids.empty()) ids.insert(ids.begin() + at + 1, ids[forward ? at : next]);
        ed.writeFace(f, rec.verts, rec.uvs, rec.colors);
    }
    return n;
}

// Per-corner values of a record in a rotated/filtered order.
struct CornerList {
    std::vector<int> verts;
    std::vector<std::vector<int>> uvs, colors;
    void init(const FaceRecord& like) {
        uvs.assign(like.uvs.size(), {});
        colors.assign(like.colors.size(), {});
    }
    void push(const FaceRecord& r, int corner) {
        verts.push_back(r.verts[corner]);
        for (size_t s = 0; s < r.uvs.size(); ++s)
            if (!r.uvs[s].empty()) uvs[s].push_back(r.uvs[s][corner]);
        for (size_t s = 0; s < r.colors.size(); ++s)
            if (!r.colors[s].empty()) colors[s].push_back(r.colors[s][corner]);
    }
    // A vertex with given per-set ids (-1 entries where a set has no id).
    void pushNew(int v, const std::vector<int>& uvIds, const FaceRecord& r) {
        verts.push_back(v);
        for (size_t s = 0; s < r.uvs.size(); ++s)
            if (!r.uvs[s].empty()) uvs[s].push_back(uvIds[s]);
        for (size_t s = 0; s < r.colors.size(); ++s)
            if (!r.colors[s].empty()) colors[s].push_back(-1);
    }
    void erase(size_t i) {
        verts.erase(verts.begin() + static_cast<long>(i));
        for (auto& ids : uvs)
            if (!ids.empty()) ids.erase(ids.begin() + static_cast<long>(i));
        for (auto& ids : colors)
            if (!ids.empty()) ids.erase(ids.begin() + static_cast<long>(i));
    }
    void rotate(size_t first) {
        auto rot = [first](std::vector<int>& v) {
            if (!v.empty()) std::rotate(v.begin(), v.begin() + static_cast<long>(first), v.end());
        };
        rot(verts);
        for (auto& ids : uvs) rot(ids);
        for (auto& ids : colors) rot(ids);
    }
    bool hasRepeats() const {
        std::vector<int> s = verts;
        std::sort(s.begin(), s.end());
        return std::adjacent_find(s.begin(), s.end()) != s.end();
    }
};

// UV ids, per set, for a point inside face record `r` (interpolated from its corners).
std::vector<int> interpolatedUVs(MeshEditor& ed, const FaceRecord& r, const Vec3& p,
                                 const Vec3& normal) {
    PolyMesh& m = ed.mesh();
    std::vector<Vec3> loop;
    for (int v : r.verts) loop.push_back(m.point(v));
    const std::vector<double> w = polygonWeights(loop, normal, p);
    std::vector<int> ids(r.uvs.size(), -1);
    for (size_t s = 0; s < r.uvs.size(); ++s) {
        if (r.uvs[s].empty()) continue;
        double u = 0, v = 0;
        bool complete = true;
        for (size_t i = 0; i < r.verts.size(); ++i) {
            if (r.uvs[s][i] < 0) {
                complete = false;
                break;
            }
            const auto uv = uvAt(m, static_cast<int>(s), r.uvs[s][i]);
            u += w[i] * uv.first;
            v += w[i] * uv.second;
        }
        if (complete)
            ids[s] = ed.addUV(static_cast<int>(s), static_cast<float>(u), static_cast<float>(v));
    }
    return ids;
}

// Splits face f between its vertices va and vb through the new vertices `inner` (in order from
// va to vb). f keeps the piece holding its corner 0; the other piece is appended.
bool splitFaceAt(MeshEditor& ed, int f, int va, int vb, std::vector<int> inner) {
    PolyMesh& m = ed.mesh();
    const FaceRecord rec = ed.readFace(f);
    const int n = static_cast<int>(rec.verts.size());
    int ia = ed.cornerOf(f, va), ib = ed.cornerOf(f, vb);
    if (ia < 0 || ib < 0 || ia == ib) return false;
    if (ia > ib) {
        std::swap(ia, ib);
        std::reverse(inner.begin(), inner.end());
    }
    if (inner.empty() && (ib == ia + 1 || (ia == 0 && ib == n - 1))) return false;
    // Newell's normal of this face alone (the mesh's normal table would be rebuilt whole).
    Vec3 normal;
    for (int i = 0; i < n; ++i) {
        const Vec3& a = m.point(rec.verts[i]);
        const Vec3& b = m.point(rec.verts[(i + 1) % n]);
        normal +=
            Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
    }
    std::vector<std::vector<int>> innerUVs;
    for (int v : inner) innerUVs.push_back(interpolatedUVs(ed, rec, m.point(v), normal));
    CornerList keep, part;
    keep.init(rec);
    part.init(rec);
    for (int i = 0; i <= ia; ++i) keep.push(rec, i);
    for (size_t k = 0; k < inner.size(); ++k) keep.pushNew(inner[k], innerUVs[k], rec);
    for (int i = ib; i < n; ++i) keep.push(rec, i);
    for (int i = ia; i <= ib; ++i) part.push(rec, i);
    for (size_t k = inner.size(); k-- > 0;) part.pushNew(inner[k], innerUVs[k], rec);
    // The cut's edges are made first, in the cut's direction.
    std::vector<int> path{rec.verts[ia]};
    path.insert(path.end(), inner.begin(), inner.end());
    path.push_back(rec.verts[ib]);
    for (size_t k = 0; k + 1 < path.size(); ++k) ed.edgeBetween(path[k], path[k + 1]);
    ed.writeFace(f, keep.verts, keep.uvs, keep.colors);
    const int added = m.numFaces();
    ed.writeFace(added, part.verts, part.uvs, part.colors);
    const auto& origins = ed.faceOrigins();
    auto it = origins.find(f);
    ed.setOrigin(added, it != origins.end() ? it->second : f);
    return true;
}

// Faces holding both vertices.
std::vector<int> sharedFaces(const PolyMesh& m, int a, int b) {
    std::vector<int> out;
    for (int f : m.vertexFaces(a))
        for (int v : m.faceVertices(f))
            if (v == b) {
                out.push_back(f);
                break;
            }
    return out;
}

bool adjacentIn(const PolyMesh& m, int f, int a, int b) {
    const auto verts = m.faceVertices(f);
    const size_t n = verts.size();
    for (size_t i = 0; i < n; ++i) {
        const int x = verts[i], y = verts[(i + 1) % n];
        if ((x == a && y == b) || (x == b && y == a)) return true;
    }
    return false;
}

// Faces of an edge point of the original mesh (its end vertex's faces at t 0 or 1).
std::vector<int> facesOfPoint(const PolyMesh& m, const SplitPoint& p) {
    std::span<const int> faces;
    if (p.edge < 0) return {p.face};
    if (p.t <= kParamEps)
        faces = m.vertexFaces(m.edge(p.edge).v0);
    else if (p.t >= 1 - kParamEps)
        faces = m.vertexFaces(m.edge(p.edge).v1);
    else
        faces = m.edgeFaces(p.edge);
    return {faces.begin(), faces.end()};
}

}  // namespace

std::vector<double> polygonWeights(const std::vector<Vec3>& loop, const Vec3& normal,
                                   const Vec3& p) {
    const size_t n = loop.size();
    std::vector<double> w(n, 0.0);
    if (n == 0) return w;
    // Project onto the plane across the normal's largest axis.
    const double ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
    const int drop = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
    auto flat = [drop](const Vec3& q) {
        return drop == 0   ? std::pair{q.y, q.z}
               : drop == 1 ? std::pair{q.z, q.x}
                           : std::pair{q.x, q.y};
    };
    const auto [px, py] = flat(p);
    std::vector<double> dx(n), dy(n), r(n);
    for (size_t i = 0; i < n; ++i) {
        const auto [qx, qy] = flat(loop[i]);
        dx[i] = qx - px;
        dy[i] = qy - py;
        r[i] = std::hypot(dx[i], dy[i]);
        if (r[i] < 1e-12) {  // on a corner
            w[i] = 1.0;
            return w;
        }
    }
    // Mean value coordinates: w_i = (tan(a_{i-1}/2) + tan(a_i/2)) / r_i.
    std::vector<double> tanHalf(n);
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        const double crossZ = dx[i] * dy[j] - dy[i] * dx[j];
        const double dotP = dx[i] * dx[j] + dy[i] * dy[j];
        if (std::abs(crossZ) < 1e-14 && dotP < 0) {  // on the edge i -> j
            const double t = r[i] / (r[i] + r[j]);
            std::fill(w.begin(), w.end(), 0.0);
            w[i] = 1 - t;
            w[j] = t;
            return w;
        }
        const double angle = std::atan2(crossZ, dotP);
        tanHalf[i] = std::tan(angle / 2);
    }
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        w[i] = (tanHalf[(i + n - 1) % n] + tanHalf[i]) / r[i];
        sum += w[i];
    }
    if (!(std::abs(sum) > 1e-14)) {
        // Degenerate projection: inverse distance weights.
        sum = 0;
        for (size_t i = 0; i < n; ++i) sum += (w[i] = 1 / r[i]);
    }
    for (double& x : w) x /= sum;
    return w;
}

OpStatus splitMesh(PolyMesh& mesh, const std::vector<std::vector<SplitPoint>>& chains,
                   int subdivisions, EditResult* out) {
    // Prepare: every id in range, chains that start and end on edges, and consecutive points
    // that share a face of the original mesh.
    const int ne = mesh.numEdges(), nf = mesh.numFaces();
    if (chains.empty()) return OpStatus::failure("no split points given");
    for (const auto& chain : chains) {
        // A chain of one edge point splits that edge there (a one-point cut).
        if (chain.empty()) return OpStatus::failure("a split needs at least one point");
        if (chain.front().edge < 0 || chain.back().edge < 0)
            return OpStatus::failure("a split must start and end on an edge");
        for (const SplitPoint& p : chain) {
            if (p.edge >= ne || (p.edge < 0 && (p.face < 0 || p.face >= nf)))
                return p.edge >= 0 ? noSuch("edge", p.edge, ne, "edges")
                                   : noSuch("face", p.face, nf, "faces");
            if (p.edge >= 0 && !(p.t >= 0.0 && p.t <= 1.0))
                return OpStatus::failure("edge parameter " + std::to_string(p.t) +
                                         " is outside 0..1");
        }
        for (size_t i = 1; i < chain.size(); ++i) {
            const std::vector<int> a = facesOfPoint(mesh, chain[i - 1]),
                                   b = facesOfPoint(mesh, chain[i]);
            bool shared = false;
            for (int f : a) shared |= std::find(b.begin(), b.end(), f) != b.end();
            if (!shared)
                return OpStatus::failure("split points " + std::to_string(i - 1) + " and " +
                                         std::to_string(i) + " share no face");
        }
    }
    subdivisions = std::max(1, subdivisions);

    // Apply.
    const int verticesBefore = mesh.numVertices();
    std::unordered_map<int, MeshEdge> original;  // the chain edges as they were
    for (const auto& chain : chains)
        for (const SplitPoint& p : chain)
            if (p.edge >= 0) original[p.edge] = mesh.edge(p.edge);
    MeshEditor ed(mesh);
    std::map<int, std::vector<std::pair<double, int>>> made;  // original edge -> (t, vertex)
    auto edgeVertex = [&](const SplitPoint& p) -> int {
        const MeshEdge e = original.at(p.edge);
        if (p.t <= kParamEps) return e.v0;
        if (p.t >= 1 - kParamEps) return e.v1;
        auto& list = made[p.edge];
        std::pair<double, int> lo{0.0, e.v0}, hi{1.0, e.v1};
        for (const auto& entry : list) {
            if (std::abs(entry.first - p.t) < kParamEps) return entry.second;
            if (entry.first < p.t && entry.first > lo.first) lo = entry;
            if (entry.first > p.t && entry.first < hi.first) hi = entry;
        }
        const int piece = mesh.findEdge(lo.second, hi.second);
        if (piece < 0) return -1;
        double local = (p.t - lo.first) / (hi.first - lo.first);
        if (mesh.edge(piece).v0 != lo.second) local = 1 - local;
        const int v = splitEdgeAt(ed, piece, local);
        list.emplace_back(p.t, v);
        return v;
    };
    auto positionOf = [&](const SplitPoint& p) {
        if (p.edge < 0) return p.pos;
        const MeshEdge e = original.at(p.edge);
        return lerp(mesh.point(e.v0), mesh.point(e.v1), p.t);
    };
    for (const auto& chain : chains) {
        int from = -1, hint = -1;
        Vec3 last;
        std::vector<int> inner;
        for (size_t i = 0; i < chain.size(); ++i) {
            const SplitPoint& p = chain[i];
            const Vec3 at = positionOf(p);
            if (i > 0)
                for (int j = 1; j < subdivisions; ++j)
                    inner.push_back(ed.addVertex(lerp(last, at, double(j) / subdivisions)));
            last = at;
            if (p.edge < 0) {
                inner.push_back(ed.addVertex(p.pos));
                hint = p.face;
                continue;
            }
            const int v = edgeVertex(p);
            if (v < 0) return rollBack(ed, "split point " + std::to_string(i) + " was lost");
            if (from >= 0) {
                if (v == from && inner.empty()) continue;
                std::vector<int> faces = sharedFaces(mesh, from, v);
                int face = -1;
                for (int f : faces)
                    if (f == hint) face = f;
                for (int f : faces)
                    if (face < 0 && (!inner.empty() || !adjacentIn(mesh, f, from, v))) face = f;
                if (face >= 0) {
                    if (!splitFaceAt(ed, face, from, v, inner))
                        return rollBack(ed, "cannot cut face " + std::to_string(face) +
                                                " between split points " + std::to_string(i - 1) +
                                                " and " + std::to_string(i));
                } else if (faces.empty()) {
                    return rollBack(ed, "split points " + std::to_string(i - 1) + " and " +
                                            std::to_string(i) + " share no face");
                }
            }
            from = v;
            inner.clear();
            hint = -1;
        }
    }
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

OpStatus subdivideEdges(PolyMesh& mesh, const std::vector<int>& edges, int divisions,
                        EditResult* out) {
    std::vector<std::pair<int, int>> plan;
    for (int e : std::set<int>(edges.begin(), edges.end())) plan.emplace_back(e, divisions);
    return subdivideEdges(mesh, plan, out);
}

OpStatus subdivideEdges(PolyMesh& mesh, const std::vector<std::pair<int, int>>& edgeDivisions,
                        EditResult* out) {
    if (edgeDivisions.empty()) return OpStatus::failure("no edges to subdivide");
    for (const auto& [e, divisions] : edgeDivisions) {
        if (e < 0 || e >= mesh.numEdges()) return noSuch("edge", e, mesh.numEdges(), "edges");
        if (divisions < 1) return OpStatus::failure("the number of divisions must be at least 1");
    }
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    for (const auto& [e, divisions] : edgeDivisions) {
        // Each cut takes the next even step of what remains of the edge beyond vertex 0.
        int piece = e;
        for (int k = 0; k < divisions; ++k) {
            splitEdgeAt(ed, piece, 1.0 / (divisions + 1 - k));
            piece = mesh.numEdges() - 1;
        }
    }
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

namespace {

// Merges vertex `gone` into `keep` (which takes position `at`). False (nothing changed) when a
// face holds both without their being neighbours, which would make it repeat a vertex.
bool weld(MeshEditor& ed, int keep, int gone, const Vec3& at) {
    PolyMesh& m = ed.mesh();
    const auto usersF = m.vertexFaces(gone);
    const std::vector<int> faces(usersF.begin(), usersF.end());
    for (int f : faces)
        if (ed.cornerOf(f, keep) >= 0 && !adjacentIn(m, f, keep, gone)) return false;
    std::vector<int> oldEdges, oldVerts{keep};
    for (int f : faces) {
        const auto fe = m.faceEdges(f);
        const auto fv = m.faceVertices(f);
        oldEdges.insert(oldEdges.end(), fe.begin(), fe.end());
        oldVerts.insert(oldVerts.end(), fv.begin(), fv.end());
    }
    // Edges at `gone`: the one to `keep` goes, one doubling an edge of `keep` goes, the rest
    // move their end to `keep`.
    const auto usersE = m.vertexEdges(gone);
    for (int e : std::vector<int>(usersE.begin(), usersE.end())) {
        const MeshEdge edge = m.edge(e);
        const int other = edge.v0 == gone ? edge.v1 : edge.v0;
        if (other == keep || m.findEdge(keep, other) >= 0)
            ed.removeEdge(e);
        else
            ed.setEdge(e, edge.v0 == gone ? keep : edge.v0, edge.v1 == gone ? keep : edge.v1);
    }
    ed.setPoint(keep, at);
    for (int f : faces) {
        const FaceRecord rec = ed.readFace(f);
        CornerList loop;
        loop.init(rec);
        // The corner of `gone` next to `keep` goes (the corner of `keep` keeps its UVs); a lone
        // corner of `gone` becomes `keep`.
        const size_t n = rec.verts.size();
        for (size_t i = 0; i < n; ++i) {
            const bool nextToKeep =
                rec.verts[(i + 1) % n] == keep || rec.verts[(i + n - 1) % n] == keep;
            if (rec.verts[i] == gone && nextToKeep) continue;
            loop.push(rec, static_cast<int>(i));
            if (loop.verts.back() == gone) loop.verts.back() = keep;
        }
        if (loop.verts.size() < 3)
            ed.removeFace(f);
        else
            ed.writeFace(f, loop.verts, loop.uvs, loop.colors);
    }
    oldVerts.push_back(gone);
    dropOrphans(ed, oldEdges, oldVerts);
    if (m.vertexFaces(gone).empty() && m.vertexEdges(gone).empty()) ed.removeVertex(gone);
    return true;
}

}  // namespace

OpStatus collapseEdges(PolyMesh& mesh, const std::vector<int>& edges, EditResult* out) {
    if (edges.empty()) return OpStatus::failure("no edges to collapse");
    if (OpStatus bad = checkIds(edges, mesh.numEdges(), "edge", "edges"); !bad.ok) return bad;
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    int done = 0;
    for (int e : std::set<int>(edges.begin(), edges.end())) {
        if (isDeadEdge(mesh, e)) continue;  // already taken by an earlier collapse
        const MeshEdge edge = mesh.edge(e);
        if (edge.v0 == edge.v1) continue;
        const int keep = std::min(edge.v0, edge.v1), gone = std::max(edge.v0, edge.v1);
        const Vec3 mid = (mesh.point(edge.v0) + mesh.point(edge.v1)) * 0.5;
        if (weld(ed, keep, gone, mid)) ++done;
    }
    if (done == 0) return rollBack(ed, "none of the edges can be collapsed");
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

OpStatus mergeVertices(PolyMesh& mesh, const std::vector<int>& vertices, double distance,
                       EditResult* out) {
    if (vertices.empty()) return OpStatus::failure("no vertices to merge");
    if (OpStatus bad = checkIds(vertices, mesh.numVertices(), "vertex", "vertices"); !bad.ok)
        return bad;
    // Group: each vertex not yet grouped gathers the later ones within the distance.
    const std::set<int> unique(vertices.begin(), vertices.end());
    const std::vector<int> ids(unique.begin(), unique.end());
    std::vector<std::vector<int>> groups;
    std::vector<bool> taken(ids.size(), false);
    for (size_t i = 0; i < ids.size(); ++i) {
        if (taken[i]) continue;
        groups.push_back({ids[i]});
        for (size_t j = i + 1; j < ids.size(); ++j)
            if (!taken[j] && length(mesh.point(ids[j]) - mesh.point(ids[i])) <= distance) {
                taken[j] = true;
                groups.back().push_back(ids[j]);
            }
    }
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    for (const auto& g : groups) {
        if (g.size() < 2) continue;
        Vec3 mean;
        for (int v : g) mean += mesh.point(v);
        mean = mean / static_cast<double>(g.size());
        for (size_t k = 1; k < g.size(); ++k)
            if (!weld(ed, g[0], g[k], mean))
                return rollBack(ed, "merging vertices " + std::to_string(g[0]) + " and " +
                                        std::to_string(g[k]) +
                                        " would make a face use one vertex twice");
    }
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

namespace {

// Dissolves a vertex with exactly two edges into the faces around it. False when that would
// leave a face with fewer than three corners or double an edge.
bool dissolve(MeshEditor& ed, int v) {
    PolyMesh& m = ed.mesh();
    const auto es = m.vertexEdges(v);
    if (es.size() != 2) return false;
    const int e0 = std::min(es[0], es[1]), e1 = std::max(es[0], es[1]);
    const MeshEdge a = m.edge(e0), b = m.edge(e1);
    const int u = a.v0 == v ? a.v1 : a.v0, w = b.v0 == v ? b.v1 : b.v0;
    if (u == w || m.findEdge(u, w) >= 0) return false;
    const auto fs = m.vertexFaces(v);
    const std::vector<int> faces(fs.begin(), fs.end());
    for (int f : faces)
        if (m.faceVertexCount(f) <= 3) return false;
    ed.removeEdge(e1);
    ed.setEdge(e0, a.v0 == v ? w : a.v0, a.v1 == v ? w : a.v1);
    for (int f : faces) {
        const FaceRecord rec = ed.readFace(f);
        CornerList loop;
        loop.init(rec);
        for (size_t i = 0; i < rec.verts.size(); ++i)
            if (rec.verts[i] != v) loop.push(rec, static_cast<int>(i));
        ed.writeFace(f, loop.verts, loop.uvs, loop.colors);
    }
    ed.removeVertex(v);
    return true;
}

}  // namespace

OpStatus deleteEdges(PolyMesh& mesh, const std::vector<int>& edges, bool cleanVertices,
                     EditResult* out) {
    if (edges.empty()) return OpStatus::failure("no edges to delete");
    if (OpStatus bad = checkIds(edges, mesh.numEdges(), "edge", "edges"); !bad.ok) return bad;
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    int done = 0;
    std::vector<int> ends;
    for (int e : std::set<int>(edges.begin(), edges.end())) {
        if (isDeadEdge(mesh, e)) continue;
        const auto fs = mesh.edgeFaces(e);
        if (fs.size() != 2) continue;  // border or non-manifold: left alone
        const int f1 = fs[0], f2 = fs[1];
        const FaceRecord r1 = ed.readFace(f1), r2 = ed.readFace(f2);
        const int n1 = static_cast<int>(r1.verts.size()), n2 = static_cast<int>(r2.verts.size());
        const int i =
            static_cast<int>(std::find(r1.edges.begin(), r1.edges.end(), e) - r1.edges.begin());
        const int j =
            static_cast<int>(std::find(r2.edges.begin(), r2.edges.end(), e) - r2.edges.begin());
        // f1 runs x -> y along the edge; f2 must run y -> x (consistent winding).
        const int x = r1.verts[i], y = r1.verts[(i + 1) % n1];
        if (r2.verts[j] != y || r2.verts[(j + 1) % n2] != x) continue;
        CornerList loop;
        loop.init(r1);
        for (int k = 1; k <= n1; ++k) loop.push(r1, (i + k) % n1);  // y ... x
        for (int k = 2; k < n2; ++k) loop.push(r2, (j + k) % n2);   // after x ... before y
        // Faces that shared more than this edge leave spurs (a, b, a): fold them away.
        for (bool again = true; again && loop.verts.size() > 3;) {
            again = false;
            const size_t n = loop.verts.size();
            for (size_t k = 0; k < n; ++k)
                if (loop.verts[(k + n - 1) % n] == loop.verts[(k + 1) % n]) {
                    const size_t second = (k + 1) % n;
                    loop.erase(std::max(k, second));
                    loop.erase(std::min(k, second));
                    again = true;
                    break;
                }
        }
        if (loop.verts.size() < 3 || loop.hasRepeats()) continue;
        // f1's first vertex stays first where it survives.
        const auto first = std::find(loop.verts.begin(), loop.verts.end(), r1.verts[0]);
        if (first != loop.verts.end()) loop.rotate(static_cast<size_t>(first - loop.verts.begin()));
        ed.removeFace(f2);
        ed.removeEdge(e);
        ed.writeFace(f1, loop.verts, loop.uvs, loop.colors);
        std::vector<int> oldEdges(r2.edges);
        oldEdges.insert(oldEdges.end(), r1.edges.begin(), r1.edges.end());
        dropOrphans(ed, oldEdges, {});
        ends.insert(ends.end(), {x, y});
        ++done;
    }
    if (done == 0) return rollBack(ed, "none of the edges can be deleted (border edges stay)");
    if (cleanVertices)
        for (int v : std::set<int>(ends.begin(), ends.end()))
            if (mesh.vertexEdges(v).size() == 2 && !mesh.vertexFaces(v).empty()) dissolve(ed, v);
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

namespace {

// Joins the faces around v into one face without v (see deleteVertices).
bool joinFan(MeshEditor& ed, int v) {
    PolyMesh& m = ed.mesh();
    const auto fs = m.vertexFaces(v);
    const std::vector<int> faces(fs.begin(), fs.end());
    if (faces.empty()) return false;
    struct Wedge {
        int face, corner, next, prev;
    };
    std::vector<Wedge> wedges;
    for (int f : faces) {
        const int c = ed.cornerOf(f, v);
        const auto verts = m.faceVertices(f);
        const int n = static_cast<int>(verts.size());
        wedges.push_back({f, c, verts[(c + 1) % n], verts[(c + n - 1) % n]});
    }
    // Order the faces around v: the face after W is the one whose next is W's prev.
    auto after = [&](const Wedge& w) -> int {
        for (size_t k = 0; k < wedges.size(); ++k)
            if (wedges[k].next == w.prev) return static_cast<int>(k);
        return -1;
    };
    size_t start = 0;
    bool open = false;
    for (size_t k = 0; k < wedges.size(); ++k) {
        bool preceded = false;
        for (const Wedge& w : wedges) preceded |= w.prev == wedges[k].next;
        if (!preceded) {
            start = k;
            open = true;
            break;
        }
    }
    std::vector<size_t> order{start};
    for (int k = after(wedges[start]); k >= 0 && static_cast<size_t>(k) != start;
         k = after(wedges[static_cast<size_t>(k)])) {
        if (order.size() > wedges.size()) return false;
        order.push_back(static_cast<size_t>(k));
    }
    if (order.size() != wedges.size()) return false;  // not a single fan
    CornerList loop;
    std::vector<FaceRecord> recs;
    for (size_t k : order) recs.push_back(ed.readFace(wedges[k].face));
    loop.init(recs[0]);
    for (size_t k = 0; k < order.size(); ++k) {
        const FaceRecord& r = recs[k];
        const int n = static_cast<int>(r.verts.size());
        const int c = wedges[order[k]].corner;
        for (int s = 1; s < n; ++s) {
            if (k > 0 && s == 1) continue;  // shared with the previous face
            loop.push(r, (c + s) % n);
        }
    }
    if (!open && loop.verts.size() > 1) loop.erase(loop.verts.size() - 1);
    if (loop.verts.size() < 3 || loop.hasRepeats()) return false;
    int keep = faces[0];
    for (int f : faces) keep = std::min(keep, f);
    const FaceRecord keptRec = ed.readFace(keep);
    const auto first = std::find(loop.verts.begin(), loop.verts.end(), keptRec.verts[0]);
    if (first != loop.verts.end()) loop.rotate(static_cast<size_t>(first - loop.verts.begin()));
    std::vector<int> spokes(m.vertexEdges(v).begin(), m.vertexEdges(v).end());
    for (int f : faces)
        if (f != keep) ed.removeFace(f);
    for (int e : spokes) ed.removeEdge(e);
    ed.writeFace(keep, loop.verts, loop.uvs, loop.colors);
    ed.removeVertex(v);
    return true;
}

}  // namespace

OpStatus deleteVertices(PolyMesh& mesh, const std::vector<int>& vertices, bool withFaces,
                        EditResult* out) {
    if (vertices.empty()) return OpStatus::failure("no vertices to delete");
    if (OpStatus bad = checkIds(vertices, mesh.numVertices(), "vertex", "vertices"); !bad.ok)
        return bad;
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    for (int v : std::set<int>(vertices.begin(), vertices.end())) {
        if (withFaces) {
            const auto fs = mesh.vertexFaces(v);
            const std::vector<int> faces(fs.begin(), fs.end());
            std::vector<int> oldEdges, oldVerts{v};
            for (int f : faces) {
                const FaceRecord r = ed.readFace(f);
                oldEdges.insert(oldEdges.end(), r.edges.begin(), r.edges.end());
                oldVerts.insert(oldVerts.end(), r.verts.begin(), r.verts.end());
                ed.removeFace(f);
            }
            dropOrphans(ed, oldEdges, oldVerts);
            continue;
        }
        const size_t valence = mesh.vertexEdges(v).size();
        bool ok = false;
        if (valence == 0) {
            ed.removeVertex(v);
            ok = true;
        } else if (valence == 2) {
            ok = dissolve(ed, v) || joinFan(ed, v);
        } else {
            ok = joinFan(ed, v);
        }
        if (!ok)
            return rollBack(
                ed, "vertex " + std::to_string(v) + " cannot be removed without breaking a face");
    }
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

OpStatus cutUVs(PolyMesh& mesh, const std::vector<int>& edges, EditResult* out) {
    if (OpStatus bad = checkIds(edges, mesh.numEdges(), "edge", "edges"); !bad.ok) return bad;
    const std::set<int> cut(edges.begin(), edges.end());
    std::set<int> verts;
    for (int e : cut) verts.insert({mesh.edge(e).v0, mesh.edge(e).v1});
    const int sets = static_cast<int>(mesh.uvSetNames().size());
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    for (int s = 0; s < sets; ++s) {
        for (int a : verts) {
            const auto fs = mesh.vertexFaces(a);
            const std::vector<int> faces(fs.begin(), fs.end());
            const size_t n = faces.size();
            std::vector<int> ids(n, -1), parent(n);
            std::iota(parent.begin(), parent.end(), 0);
            auto root = [&](size_t i) {
                while (parent[i] != static_cast<int>(i)) i = static_cast<size_t>(parent[i]);
                return i;
            };
            for (size_t k = 0; k < n; ++k) {
                const FaceRecord r = ed.readFace(faces[k]);
                if (!r.uvs[s].empty()) ids[k] = r.uvs[s][ed.cornerOf(faces[k], a)];
            }
            // Join faces across uncut edges at `a` where they share the UV.
            for (int e : mesh.vertexEdges(a)) {
                if (cut.count(e)) continue;
                const auto ef = mesh.edgeFaces(e);
                for (size_t x = 0; x < ef.size(); ++x)
                    for (size_t y = x + 1; y < ef.size(); ++y) {
                        const size_t i = static_cast<size_t>(
                            std::find(faces.begin(), faces.end(), ef[x]) - faces.begin());
                        const size_t j = static_cast<size_t>(
                            std::find(faces.begin(), faces.end(), ef[y]) - faces.begin());
                        if (i < n && j < n && ids[i] >= 0 && ids[i] == ids[j])
                            parent[root(i)] = static_cast<int>(root(j));
                    }
            }
            // The group holding the lowest face keeps each UV; other groups get copies.
            std::map<int, size_t> keeper;  // uv id -> root keeping it
            std::map<size_t, int> copies;  // root -> new uv id
            for (size_t k = 0; k < n; ++k) {
                if (ids[k] < 0) continue;
                const size_t r = root(k);
                auto [it, first] = keeper.try_emplace(ids[k], r);
                if (first || it->second == r) continue;
                auto [c, added] = copies.try_emplace(r, -1);
                if (added) {
                    const auto uv = uvAt(mesh, s, ids[k]);
                    c->second = ed.addUV(s, uv.first, uv.second);
                }
                FaceRecord rec = ed.readFace(faces[k]);
                rec.uvs[s][ed.cornerOf(faces[k], a)] = c->second;
                ed.writeFace(faces[k], rec.verts, rec.uvs, rec.colors);
            }
        }
    }
    finishInto(ed, verticesBefore, out);
    return OpStatus::success();
}

}  // namespace tarn
