#include "host/mesh/mesh_edit_ops.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

#include "host/mesh/mesh_edit_support.h"

namespace tarn {

namespace detail {

OpStatus finishEdit(MeshEditor& ed, int verticesBefore, EditResult* out) {
    int faces = 0;
    if (const int e = ed.overloadedEdge(faces); e >= 0) {
        const MeshEdge edge = ed.mesh().edge(e);
        const std::string which = e < ed.edgesBefore()
                                      ? "edge " + std::to_string(e)
                                      : "a new edge between vertices " + std::to_string(edge.v0) +
                                            " and " + std::to_string(edge.v1);
        return rollBack(ed, "the edit would make " + which + " shared by " + std::to_string(faces) +
                                " faces (at most two may share an edge)");
    }
    // Written straight into the caller's result: moving a record is not free.
    EditResult unused;
    EditResult& r = out ? *out : unused;
    r.delta = ed.finish();
    r.faceOrigins = ed.takeFaceOrigins();
    r.firstNewVertex = ed.mesh().numVertices() > verticesBefore ? verticesBefore : -1;
    return OpStatus::success();
}

OpStatus rollBack(MeshEditor& ed, std::string why) {
    const MeshDelta delta = ed.finish();
    MeshEditor::applyDelta(ed.mesh(), delta, true);
    return OpStatus::failure(std::move(why));
}

OpStatus noSuch(const char* kind, int id, int count, const char* plural) {
    return OpStatus::failure(std::string(kind) + " " + std::to_string(id) +
                             " does not exist (the mesh has " + std::to_string(count) + " " +
                             plural + ")");
}

OpStatus checkIds(const std::vector<int>& ids, int count, const char* kind, const char* plural) {
    for (int id : ids)
        if (id < 0 || id >= count) return noSuch(kind, id, count, plural);
    return OpStatus::success();
}

}  // namespace detail

namespace {

using detail::noSuch;
using detail::rollBack;
using detail::StopPoll;

constexpr double kParamEps = 1e-9;

Vec3 lerp(const Vec3& a, const Vec3& b, double t) {
    return a + (b - a) * t;
}

OpStatus tooManyVertices(long long count) {
    return OpStatus::failure("the edit would add " + std::to_string(count) + " vertices; at most " +
                             std::to_string(kMaxNewVertices) + " may be added at once");
}

// UV of `set` (index) at a table id.
std::pair<float, float> uvAt(const MeshEditor& ed, int set, int id) {
    const UVSet& s = ed.uvSetAt(set);
    return {s.u[id], s.v[id]};
}

// A face an edge split reaches: where the edge lies in it and its direction.
struct EdgeUse {
    int face = -1;
    FaceRecord rec;
    int at = -1;  // corner after which the new vertices go
    bool forward = true;
    std::vector<std::vector<int>> uvs;  // per set: the UV of each new vertex, from a
};

// The lists of splitEdgeRun, kept between runs so that splitting an edge of a few faces
// allocates nothing once they have grown (edits run on the main thread only; a run never
// starts inside another).
struct EdgeRunScratch {
    std::vector<EdgeUse> uses;
    std::vector<std::pair<std::pair<int, int>, int>> cut;
    std::vector<int> faces, made, chain, pieces, start, end, inserted;
};

// Faces on an edge up to which splitEdgeRun finds a cut's shared UVs by scanning.
constexpr size_t kScannedUses = 8;

// Kept out of line: inlined, the thread's copy would be looked up again after every call the
// caller makes.
[[gnu::noinline]] EdgeRunScratch& edgeRunScratch() {
    thread_local EdgeRunScratch scratch;
    return scratch;
}

// Splits edge e (vertex 0 a -> vertex 1 b) at one new vertex per entry of `steps`, exactly as
// that many single splits would: cut k falls at parameter steps[k] along what is left of the
// edge beyond the vertex cut k - 1 made (a single split at t is {t}). The edge keeps the piece
// from a; the new edges follow in order towards b, the new vertices are numbered from a. Faces
// on either side take the vertices; each distinct pair of end UVs along the edge gets one
// interpolated UV per cut, and the new corners copy the colour of the face's corner at a.
// Costs O(steps x faces on the edge). Returns the first new vertex.
int splitEdgeRun(MeshEditor& ed, int e, std::span<const double> steps) {
    PolyMesh& m = ed.mesh();
    EdgeRunScratch& w = edgeRunScratch();
    const MeshEdge edge = m.edge(e);
    const int a = edge.v0, b = edge.v1;
    const bool smooth = m.isEdgeSmooth(e);
    const size_t k = steps.size();
    // The edge's faces, copied: adding the vertices and edges below may move the lists.
    const auto users = m.edgeFaces(e);
    w.faces.assign(users.begin(), users.end());
    // The new points, each cut on what is left of the edge.
    std::vector<int>& made = w.made;
    made.resize(k);
    Vec3 from = m.point(a);
    const Vec3 to = m.point(b);
    for (size_t i = 0; i < k; ++i) {
        from = lerp(from, to, steps[i]);
        made[i] = ed.addVertex(from);
    }
    ed.setEdge(e, a, made[0]);
    w.chain.assign(made.begin(), made.end());
    w.chain.push_back(b);
    const int firstPiece = ed.addEdgeChain(w.chain, smooth);
    // Piece i runs made[i - 1] (a for i = 0) -> made[i] (b at k).
    std::vector<int>& pieces = w.pieces;
    pieces.assign(1, e);
    for (size_t i = 0; i < k; ++i) pieces.push_back(firstPiece + static_cast<int>(i));
    // Per face: where the edge lies in it and its direction.
    std::span<EdgeUse> uses;
    {
        size_t count = 0;
        for (int f : w.faces) {
            if (w.uses.size() <= count) w.uses.emplace_back();
            EdgeUse& u = w.uses[count];
            u.face = f;
            u.at = -1;
            ed.readFace(f, u.rec);
            const int n = static_cast<int>(u.rec.verts.size());
            for (int i = 0; i < n && u.at < 0; ++i) {
                const int x = u.rec.verts[i], y = u.rec.verts[(i + 1) % n];
                if ((x == a && y == b) || (x == b && y == a)) u.at = i;
            }
            if (u.at < 0) continue;
            u.forward = u.rec.verts[u.at] == a;
            u.uvs.resize(u.rec.uvs.size());
            for (std::vector<int>& ids : u.uvs) ids.clear();
            ++count;
        }
        uses = std::span<EdgeUse>(w.uses.data(), count);
    }
    // UVs cut by cut, faces in order, so that ids come out as single splits make them.
    const int sets = ed.numUVSets();
    for (int s = 0; s < sets; ++s) {
        const UVSet& set = ed.uvSetAt(s);
        const size_t si = static_cast<size_t>(s);
        w.start.assign(uses.size(), -1);
        w.end.assign(uses.size(), -1);
        for (size_t j = 0; j < uses.size(); ++j) {
            const EdgeUse& u = uses[j];
            if (si >= u.rec.uvs.size() || u.rec.uvs[si].empty()) continue;
            const int n = static_cast<int>(u.rec.verts.size());
            const int next = (u.at + 1) % n;
            w.start[j] = u.rec.uvs[si][u.forward ? u.at : next];
            w.end[j] = u.rec.uvs[si][u.forward ? next : u.at];
        }
        for (size_t i = 0; i < k; ++i) {
            // (uv at the piece's start, at b) -> new: scanned for the few faces an edge
            // usually has, looked up in a tree for more.
            std::map<std::pair<int, int>, int> cut;
            w.cut.clear();
            for (size_t j = 0; j < uses.size(); ++j) {
                EdgeUse& u = uses[j];
                if (si >= u.rec.uvs.size() || u.rec.uvs[si].empty()) continue;
                int id = -1;
                if (w.start[j] >= 0 && w.end[j] >= 0) {
                    const std::pair<int, int> key{w.start[j], w.end[j]};
                    int* found = nullptr;
                    if (uses.size() <= kScannedUses) {
                        for (auto& [k2, v2] : w.cut)
                            if (k2 == key) found = &v2;
                    } else if (auto it = cut.find(key); it != cut.end()) {
                        found = &it->second;
                    }
                    if (!found) {
                        const double pu = set.u[key.first], pv = set.v[key.first];
                        const double qu = set.u[key.second], qv = set.v[key.second];
                        const int uv = ed.addUV(s, static_cast<float>(pu + (qu - pu) * steps[i]),
                                                static_cast<float>(pv + (qv - pv) * steps[i]));
                        if (uses.size() <= kScannedUses)
                            w.cut.emplace_back(key, uv);
                        else
                            cut.emplace(key, uv);
                        id = uv;
                    } else {
                        id = *found;
                    }
                }
                u.uvs[si].push_back(id);
                w.start[j] = id;
            }
        }
    }
    // Each face written once, the new corners in its own direction.
    std::vector<int>& inserted = w.inserted;
    for (EdgeUse& u : uses) {
        FaceRecord& rec = u.rec;
        const int n = static_cast<int>(rec.verts.size());
        const int next = (u.at + 1) % n;
        const auto insertAt = static_cast<long>(u.at + 1);
        // Lists run from a to b along a forward face, from b to a along the other way.
        auto place = [&](std::vector<int>& ids, const std::vector<int>& fromA) {
            inserted.assign(fromA.begin(), fromA.end());
            if (!u.forward) std::reverse(inserted.begin(), inserted.end());
            ids.insert(ids.begin() + insertAt, inserted.begin(), inserted.end());
        };
        place(rec.verts, made);
        inserted.assign(pieces.begin() + 1, pieces.end());
        if (u.forward) {
            rec.edges[u.at] = e;
        } else {
            // Backwards, corner `at` leads along the last piece and the new corners along the
            // pieces before it, from b's side.
            rec.edges[u.at] = pieces[k];
            inserted.assign(pieces.rbegin() + 1, pieces.rend());
        }
        rec.edges.insert(rec.edges.begin() + insertAt, inserted.begin(), inserted.end());
        for (size_t s = 0; s < rec.uvs.size(); ++s)
            if (!rec.uvs[s].empty()) place(rec.uvs[s], u.uvs[s]);
        for (std::vector<int>& ids : rec.colors) {
            if (ids.empty()) continue;
            const int colour = ids[u.forward ? u.at : next];
            ids.insert(ids.begin() + insertAt, k, colour);
        }
        ed.writeFaceRecord(u.face, rec);
    }
    return made[0];
}

// Per-corner values of a face being built from corners of a record and new vertices, kept as
// a face record (its edges are found when it is written), with the record's corner each one
// came from (-1 for a new vertex).
struct CornerList {
    FaceRecord& out;
    std::vector<int>& from;
    // Starts an empty face with the sets of `like`, reusing the lists' storage.
    CornerList(FaceRecord& record, std::vector<int>& corners, const FaceRecord& like)
        : out(record), from(corners) {
        out.verts.clear();
        out.edges.clear();
        from.clear();
        out.uvs.resize(like.uvs.size());
        for (std::vector<int>& ids : out.uvs) ids.clear();
        out.colors.resize(like.colors.size());
        for (std::vector<int>& ids : out.colors) ids.clear();
    }
    void push(const FaceRecord& r, int corner) {
        out.verts.push_back(r.verts[corner]);
        from.push_back(corner);
        for (size_t s = 0; s < r.uvs.size(); ++s)
            if (!r.uvs[s].empty()) out.uvs[s].push_back(r.uvs[s][corner]);
        for (size_t s = 0; s < r.colors.size(); ++s)
            if (!r.colors[s].empty()) out.colors[s].push_back(r.colors[s][corner]);
    }
    // A vertex with given per-set ids (-1 entries where a set has no id).
    void pushNew(int v, const std::vector<int>& uvIds, const FaceRecord& r) {
        out.verts.push_back(v);
        from.push_back(-1);
        for (size_t s = 0; s < r.uvs.size(); ++s)
            if (!r.uvs[s].empty()) out.uvs[s].push_back(uvIds[s]);
        for (size_t s = 0; s < r.colors.size(); ++s)
            if (!r.colors[s].empty()) out.colors[s].push_back(-1);
    }
    // Writes the face as f. Two corners that follow each other in `source` keep the edge
    // between them there; any other corner's edge is found or created, in corner order.
    void write(MeshEditor& ed, int f, const FaceRecord& source) {
        const size_t n = out.verts.size();
        const int m = static_cast<int>(source.verts.size());
        for (size_t i = 0; i < n; ++i) {
            const size_t j = (i + 1) % n;
            const int a = from[i], b = from[j];
            out.edges.push_back(a >= 0 && b == (a + 1) % m
                                    ? source.edges[static_cast<size_t>(a)]
                                    : ed.edgeBetween(out.verts[i], out.verts[j]));
        }
        ed.writeFaceRecord(f, out);
    }
};

// Records a face cut reads and builds, kept between cuts so that cutting one face allocates
// nothing once they have grown (edits run on the main thread only).
struct CutScratch {
    FaceRecord face, keep, part;
    std::vector<int> keepFrom, partFrom;
};

// Kept out of line: inlined, the thread's copy would be looked up again after every call the
// caller makes.
[[gnu::noinline]] CutScratch& cutScratch() {
    thread_local CutScratch scratch;
    return scratch;
}

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
            const auto uv = uvAt(ed, static_cast<int>(s), r.uvs[s][i]);
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
    CutScratch& scratch = cutScratch();
    ed.readFace(f, scratch.face);
    const FaceRecord& rec = scratch.face;
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
    CornerList keep(scratch.keep, scratch.keepFrom, rec), part(scratch.part, scratch.partFrom, rec);
    for (int i = 0; i <= ia; ++i) keep.push(rec, i);
    for (size_t k = 0; k < inner.size(); ++k) keep.pushNew(inner[k], innerUVs[k], rec);
    for (int i = ib; i < n; ++i) keep.push(rec, i);
    for (int i = ia; i <= ib; ++i) part.push(rec, i);
    for (size_t k = inner.size(); k-- > 0;) part.pushNew(inner[k], innerUVs[k], rec);
    // The cut's edges are made first, in the cut's direction.
    int along = rec.verts[ia];
    for (int v : inner) {
        ed.edgeBetween(along, v);
        along = v;
    }
    ed.edgeBetween(along, rec.verts[ib]);
    keep.write(ed, f, rec);
    const int added = m.numFaces();
    part.write(ed, added, rec);
    const auto& origins = ed.faceOrigins();
    auto it = origins.find(f);
    ed.setOrigin(added, it != origins.end() ? it->second : f);
    return true;
}

// Faces holding both vertices, into `out`.
void sharedFaces(const PolyMesh& m, int a, int b, std::vector<int>& out) {
    out.clear();
    for (int f : m.vertexFaces(a))
        for (int v : m.faceVertices(f))
            if (v == b) {
                out.push_back(f);
                break;
            }
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

// Faces of a split point of the original mesh: its face, or for an edge point the edge's
// faces (its end vertex's at t 0 or 1). The span lasts until the mesh is edited.
std::span<const int> facesOfPoint(const PolyMesh& m, const SplitPoint& p) {
    if (p.edge < 0) return {&p.face, 1};
    if (p.t <= kParamEps) return m.vertexFaces(m.edge(p.edge).v0);
    if (p.t >= 1 - kParamEps) return m.vertexFaces(m.edge(p.edge).v1);
    return m.edgeFaces(p.edge);
}

bool shareAFace(const PolyMesh& m, const SplitPoint& p, const SplitPoint& q) {
    const auto a = facesOfPoint(m, p), b = facesOfPoint(m, q);
    for (int f : a)
        if (std::find(b.begin(), b.end(), f) != b.end()) return true;
    return false;
}

// The edges a split's chains cross, as they were before the split, with the vertices made on
// each so far: each edge once, found by binary search; the vertices on an edge are a list
// threaded through one array.
class ChainEdges {
public:
    ChainEdges(const PolyMesh& m, const std::vector<std::vector<SplitPoint>>& chains) {
        for (const auto& chain : chains)
            for (const SplitPoint& p : chain)
                if (p.edge >= 0) m_edges.push_back({p.edge, m.edge(p.edge), -1});
        std::sort(m_edges.begin(), m_edges.end(),
                  [](const Crossed& a, const Crossed& b) { return a.id < b.id; });
        m_edges.erase(std::unique(m_edges.begin(), m_edges.end(),
                                  [](const Crossed& a, const Crossed& b) { return a.id == b.id; }),
                      m_edges.end());
    }
    /// Edge e as it was.
    const MeshEdge& original(int e) const { return find(e).ends; }
    /// The vertex made at parameter t of edge e, or -1; `lo` and `hi` receive the nearest
    /// vertices made (or the ends) below and above t, as (t, vertex).
    int madeAt(int e, double t, std::pair<double, int>& lo, std::pair<double, int>& hi) const {
        const Crossed& c = find(e);
        lo = {0.0, c.ends.v0};
        hi = {1.0, c.ends.v1};
        for (int k = c.first; k >= 0; k = m_made[static_cast<size_t>(k)].next) {
            const Made& entry = m_made[static_cast<size_t>(k)];
            if (std::abs(entry.t - t) < kParamEps) return entry.vertex;
            if (entry.t < t && entry.t > lo.first) lo = {entry.t, entry.vertex};
            if (entry.t > t && entry.t < hi.first) hi = {entry.t, entry.vertex};
        }
        return -1;
    }
    void addMade(int e, double t, int vertex) {
        Crossed& c = find(e);
        m_made.push_back({t, vertex, c.first});
        c.first = static_cast<int>(m_made.size()) - 1;
    }

private:
    struct Crossed {
        int id;
        MeshEdge ends;
        int first;  // the latest vertex made on it in m_made, or -1
    };
    struct Made {
        double t;
        int vertex, next;
    };
    const Crossed& find(int e) const {
        return *std::lower_bound(m_edges.begin(), m_edges.end(), e,
                                 [](const Crossed& c, int id) { return c.id < id; });
    }
    Crossed& find(int e) {
        return *std::lower_bound(m_edges.begin(), m_edges.end(), e,
                                 [](const Crossed& c, int id) { return c.id < id; });
    }
    std::vector<Crossed> m_edges;
    std::vector<Made> m_made;
};

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
                   int subdivisions, EditResult* out, const StopCheck& stop) {
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
            if (!shareAFace(mesh, chain[i - 1], chain[i]))
                return OpStatus::failure("split points " + std::to_string(i - 1) + " and " +
                                         std::to_string(i) + " share no face");
        }
    }
    subdivisions = std::max(1, subdivisions);
    long long added = 0;
    for (const auto& chain : chains) {
        const auto points = static_cast<long long>(chain.size());
        added += points + (subdivisions - 1LL) * (points - 1);
    }
    if (added > kMaxNewVertices) return tooManyVertices(added);

    // Apply.
    const int verticesBefore = mesh.numVertices();
    ChainEdges crossed(mesh, chains);
    MeshEditor ed(mesh);
    auto edgeVertex = [&](const SplitPoint& p) -> int {
        const MeshEdge e = crossed.original(p.edge);
        if (p.t <= kParamEps) return e.v0;
        if (p.t >= 1 - kParamEps) return e.v1;
        std::pair<double, int> lo, hi;
        if (const int v = crossed.madeAt(p.edge, p.t, lo, hi); v >= 0) return v;
        // Until a vertex is made on it the edge itself is the piece to cut.
        const int piece =
            lo.second == e.v0 && hi.second == e.v1 ? p.edge : mesh.findEdge(lo.second, hi.second);
        if (piece < 0) return -1;
        double local = (p.t - lo.first) / (hi.first - lo.first);
        if (mesh.edge(piece).v0 != lo.second) local = 1 - local;
        const double step[] = {local};
        const int v = splitEdgeRun(ed, piece, step);
        crossed.addMade(p.edge, p.t, v);
        return v;
    };
    auto positionOf = [&](const SplitPoint& p) {
        if (p.edge < 0) return p.pos;
        const MeshEdge e = crossed.original(p.edge);
        return lerp(mesh.point(e.v0), mesh.point(e.v1), p.t);
    };
    StopPoll stopped(stop, 4096);
    std::vector<int> faces;
    for (const auto& chain : chains) {
        int from = -1, hint = -1;
        Vec3 last;
        std::vector<int> inner;
        for (size_t i = 0; i < chain.size(); ++i) {
            const SplitPoint& p = chain[i];
            const Vec3 at = positionOf(p);
            if (i > 0)
                for (int j = 1; j < subdivisions; ++j) {
                    if (stopped()) return rollBack(ed, kInterruptedMessage);
                    inner.push_back(ed.addVertex(lerp(last, at, double(j) / subdivisions)));
                }
            if (stopped()) return rollBack(ed, kInterruptedMessage);
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
                sharedFaces(mesh, from, v, faces);
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
    return detail::finishEdit(ed, verticesBefore, out);
}

OpStatus subdivideEdges(PolyMesh& mesh, const std::vector<int>& edges, int divisions,
                        EditResult* out, const StopCheck& stop) {
    std::vector<std::pair<int, int>> plan;
    for (int e : std::set<int>(edges.begin(), edges.end())) plan.emplace_back(e, divisions);
    return subdivideEdges(mesh, plan, out, stop);
}

OpStatus subdivideEdges(PolyMesh& mesh, const std::vector<std::pair<int, int>>& edgeDivisions,
                        EditResult* out, const StopCheck& stop) {
    if (edgeDivisions.empty()) return OpStatus::failure("no edges to subdivide");
    long long total = 0;
    for (const auto& [e, divisions] : edgeDivisions) {
        if (e < 0 || e >= mesh.numEdges()) return noSuch("edge", e, mesh.numEdges(), "edges");
        if (divisions < 1) return OpStatus::failure("the number of divisions must be at least 1");
        total += divisions;
    }
    if (total > kMaxNewVertices) return tooManyVertices(total);
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    StopPoll stopped(stop);
    std::vector<double> steps;
    for (const auto& [e, divisions] : edgeDivisions) {
        if (stopped()) return rollBack(ed, kInterruptedMessage);
        // Each cut takes the next even step of what remains of the edge beyond vertex 0.
        steps.resize(static_cast<size_t>(divisions));
        for (int k = 0; k < divisions; ++k) steps[k] = 1.0 / (divisions + 1 - k);
        splitEdgeRun(ed, e, steps);
    }
    return detail::finishEdit(ed, verticesBefore, out);
}

OpStatus cutUVs(PolyMesh& mesh, const std::vector<int>& edges, EditResult* out,
                const StopCheck& stop) {
    if (OpStatus bad = detail::checkIds(edges, mesh.numEdges(), "edge", "edges"); !bad.ok)
        return bad;
    const std::set<int> cut(edges.begin(), edges.end());
    std::set<int> verts;
    for (int e : cut) verts.insert({mesh.edge(e).v0, mesh.edge(e).v1});
    const int sets = static_cast<int>(mesh.uvSetNames().size());
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    StopPoll stopped(stop, 64);
    for (int s = 0; s < sets; ++s) {
        for (int a : verts) {
            if (stopped()) return rollBack(ed, kInterruptedMessage);
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
                    const auto uv = uvAt(ed, s, ids[k]);
                    c->second = ed.addUV(s, uv.first, uv.second);
                }
                FaceRecord rec = ed.readFace(faces[k]);
                rec.uvs[s][ed.cornerOf(faces[k], a)] = c->second;
                ed.writeFace(faces[k], rec.verts, rec.uvs, rec.colors);
            }
        }
    }
    return detail::finishEdit(ed, verticesBefore, out);
}

}  // namespace tarn
