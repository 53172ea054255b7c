// The edits that join or remove faces: deleting edges and vertices, collapsing edges and
// merging vertices. Each works on a MeshDraft, so a face that grows to hold most of the mesh
// is written once, at the end, and each step costs what it changes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "host/mesh/mesh_draft.h"
#include "host/mesh/mesh_edit_support.h"

namespace tarn {

using detail::StopPoll;

namespace {

int vertexOf(const MeshDraft& d, int c) {
    return d.corner(c).vertex;
}
int nextOf(const MeshDraft& d, int c) {
    return d.corner(c).next;
}
int prevOf(const MeshDraft& d, int c) {
    return d.corner(c).prev;
}

// The corner of face f at vertex v, or -1.
int cornerIn(MeshDraft& d, int f, int v) {
    for (int c : d.cornersAt(v))
        if (d.faceOf(c) == f) return c;
    return -1;
}

// Joining two faces across an edge.
//
// The joined loop runs through p's face from y round to x, then through r's face from after x
// to before y. Where the two faces shared more than the edge, the loop doubles back on itself
// (a, b, a): each such spur is folded (its tip and the corner after it go), the first spur in
// loop order first, while the loop has more than three corners. The join is refused when the
// loop ends with fewer than three corners or uses a vertex twice. The face keeps its first
// vertex first where that vertex survives.

// Loops up to this many corners in all are joined as plain lists (exactly the rule above).
constexpr int kListedJoin = 64;

bool hasRepeats(const MeshDraft& d, const std::vector<int>& corners) {
    std::vector<int> verts;
    verts.reserve(corners.size());
    for (int c : corners) verts.push_back(vertexOf(d, c));
    std::sort(verts.begin(), verts.end());
    return std::adjacent_find(verts.begin(), verts.end()) != verts.end();
}

bool joinListed(MeshDraft& d, int p, int r) {
    const int f1 = d.faceOf(p), f2 = d.faceOf(r);
    const std::vector<int> l1 = d.loopCorners(f1), l2 = d.loopCorners(f2);
    const int n1 = static_cast<int>(l1.size()), n2 = static_cast<int>(l2.size());
    const int i = static_cast<int>(std::find(l1.begin(), l1.end(), p) - l1.begin());
    const int j = static_cast<int>(std::find(l2.begin(), l2.end(), r) - l2.begin());
    // Corners and the edge each leads along.
    std::vector<int> loop, edges;
    for (int k = 1; k <= n1; ++k) {
        loop.push_back(l1[(i + k) % n1]);
        edges.push_back(d.corner(loop.back()).edge);
    }
    edges.back() = d.corner(l2[(j + 1) % n2]).edge;  // p now leads into r's face
    for (int k = 2; k < n2; ++k) {
        loop.push_back(l2[(j + k) % n2]);
        edges.push_back(d.corner(loop.back()).edge);
    }
    for (bool again = true; again && loop.size() > 3;) {
        again = false;
        const size_t n = loop.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t before = (k + n - 1) % n, after = (k + 1) % n;
            if (vertexOf(d, loop[before]) != vertexOf(d, loop[after])) continue;
            edges[before] = edges[after];
            for (size_t x : {std::max(k, after), std::min(k, after)}) {
                loop.erase(loop.begin() + static_cast<long>(x));
                edges.erase(edges.begin() + static_cast<long>(x));
            }
            again = true;
            break;
        }
    }
    if (loop.size() < 3 || hasRepeats(d, loop)) return false;
    const int firstVertex = vertexOf(d, l1[0]);
    for (size_t k = 0; k < loop.size(); ++k)
        if (vertexOf(d, loop[k]) == firstVertex) {
            std::rotate(loop.begin(), loop.begin() + static_cast<long>(k), loop.end());
            std::rotate(edges.begin(), edges.begin() + static_cast<long>(k), edges.end());
            break;
        }
    d.joinFaces(f1, f2);
    const std::unordered_set<int> kept(loop.begin(), loop.end());
    for (const std::vector<int>* l : {&l1, &l2})
        for (int c : *l)
            if (!kept.count(c)) d.removeCorner(c);
    d.setLoop(f1, loop, edges);
    return true;
}

// Tries the join of two large faces in time proportional to the smaller one and to the spurs
// folded: spurs can only lie where the loops meet (around x and around y). Returns 1 when
// joined, 0 when the rule refuses it, -1 when the spurs reach so far that the plain list must
// decide.
int joinLinked(MeshDraft& d, int p, int r) {
    const int f1 = d.faceOf(p), f2 = d.faceOf(r);
    const int n1 = d.size(f1), n2 = d.size(f2);
    const int q = nextOf(d, p), s = nextOf(d, r);
    const int afterX = nextOf(d, s), beforeY = prevOf(d, r);
    const int m2 = n2 - 2;  // r's corners strictly between x and y
    // Around x: p's face backwards from p against r's face forwards from after x.
    int c1 = 0;
    for (int a = p, b = afterX; c1 < m2 && vertexOf(d, prevOf(d, a)) == vertexOf(d, b);
         a = prevOf(d, a), b = nextOf(d, b))
        ++c1;
    // Around y: r's face backwards from before y against p's face forwards from after y.
    int c2 = 0;
    for (int a = beforeY, b = nextOf(d, q); c2 < m2 - c1 && vertexOf(d, a) == vertexOf(d, b);
         a = prevOf(d, a), b = nextOf(d, b))
        ++c2;
    const int removed1 = c1 + (c2 > 0 ? c2 + 1 : 0);
    const int size = n1 + n2 - 2 - 2 * (c1 + c2);
    if (c1 + c2 >= m2 || removed1 + 2 >= n1 || size < 8) return -1;

    // The corners the folds take, on each side.
    std::unordered_set<int> gone1, gone2;
    for (int k = 0, a = p; k < c1; ++k, a = prevOf(d, a)) gone1.insert(a);
    for (int k = 0, b = afterX; k < c1; ++k, b = nextOf(d, b)) gone2.insert(b);
    if (c2 > 0) {
        for (int k = 0, a = q; k <= c2; ++k, a = nextOf(d, a)) gone1.insert(a);
        for (int k = 0, b = beforeY; k < c2 - 1; ++k, b = prevOf(d, b)) gone2.insert(b);
    }
    // Refuse a vertex used on both sides: walk the smaller side's survivors and look for the
    // other side's survivors at each of their vertices.
    const int left1 = n1 - removed1, left2 = m2 - c1 - (c2 > 0 ? c2 - 1 : 0);
    if (left2 <= left1) {
        for (int k = 0, c = afterX; k < m2; ++k, c = nextOf(d, c)) {
            if (gone2.count(c)) continue;
            for (int o : d.cornersAt(vertexOf(d, c)))
                if (d.faceOf(o) == f1 && !gone1.count(o)) return 0;
        }
    } else {
        for (int k = 0, c = q; k < n1; ++k, c = nextOf(d, c)) {
            if (gone1.count(c)) continue;
            for (int o : d.cornersAt(vertexOf(d, c)))
                if (d.faceOf(o) == f2 && o != r && o != s && !gone2.count(o)) return 0;
        }
    }

    // Join, fold around x, then around y.
    const int head = d.head(f1);
    d.spliceAcross(p, r);
    int keeper = prevOf(d, p);
    for (int k = 0; k < c1; ++k) {
        const int before = prevOf(d, keeper);
        d.foldAfter(keeper);
        keeper = before;
    }
    int lastKept = -1, lastTaken = -1;
    keeper = beforeY;
    for (int k = 0; k < c2; ++k) {
        const int before = prevOf(d, keeper);
        lastTaken = nextOf(d, nextOf(d, keeper));
        d.foldAfter(keeper);
        lastKept = keeper;
        keeper = before;
    }
    // The first corner: the old one when it survives, else the corner that took its vertex
    // over, else the first survivor from y on.
    int first = head;
    if (!d.corner(head).alive) {
        if (c2 > 0 && head == lastTaken)
            first = lastKept;
        else
            first = c2 > 0 ? nextOf(d, lastKept) : q;
    }
    d.setHead(first);
    return 1;
}

// Joins the faces either side of edge e (see above); false when they cannot be joined.
bool joinAcross(MeshDraft& d, int e) {
    const std::vector<int> faces = d.facesOnEdge(e);
    if (faces.size() != 2) return false;  // border or non-manifold: left alone
    int p = -1, r = -1;
    for (int c : d.cornersOnEdge(e)) {
        if (d.faceOf(c) == faces[0] && p < 0) p = c;
        if (d.faceOf(c) == faces[1] && r < 0) r = c;
    }
    // p's face runs x -> y along the edge; r's must run y -> x (consistent winding).
    if (vertexOf(d, r) != vertexOf(d, nextOf(d, p)) || vertexOf(d, nextOf(d, r)) != vertexOf(d, p))
        return false;
    if (d.size(faces[0]) + d.size(faces[1]) > kListedJoin) {
        const int linked = joinLinked(d, p, r);
        if (linked >= 0) return linked == 1;
    }
    return joinListed(d, p, r);
}

// Dissolves a vertex with exactly two edges into the faces around it. False when that would
// leave a face with fewer than three corners or double an edge.
bool dissolve(MeshDraft& d, int v) {
    const std::vector<int> edges = d.edgesAt(v);
    if (edges.size() != 2) return false;
    const int e0 = edges[0], e1 = edges[1];
    const MeshEdge a = d.edge(e0), b = d.edge(e1);
    const int u = a.v0 == v ? a.v1 : a.v0, w = b.v0 == v ? b.v1 : b.v0;
    if (u == w || d.findEdge(u, w) >= 0) return false;
    const std::vector<int> corners = d.cornersAt(v);
    for (int c : corners)
        if (d.size(d.faceOf(c)) <= 3) return false;
    d.removeEdge(e1);
    d.setEdge(e0, a.v0 == v ? w : a.v0, a.v1 == v ? w : a.v1);
    for (int c : corners) d.dropCorner(c, e0);
    d.removeVertex(v);
    return true;
}

// Joins the faces around v into one face without v (see deleteVertices): the faces are taken
// in order round v, each giving its corners after v up to the one before v, a corner shared
// with the face before it given once (by that face). The lowest face id keeps the result,
// starting at its own first vertex where that survives.
bool joinFan(MeshDraft& d, int v) {
    std::vector<int> corners = d.cornersAt(v);
    if (corners.empty()) return false;
    std::sort(corners.begin(), corners.end(),
              [&](int a, int b) { return d.faceOf(a) < d.faceOf(b); });
    struct Wedge {
        int corner, next, prev;  // v's corner, the vertices after and before it
    };
    std::vector<Wedge> wedges;
    for (int c : corners)
        wedges.push_back({c, vertexOf(d, nextOf(d, c)), vertexOf(d, prevOf(d, c))});
    // Order the faces round v: the face after W is the one whose next is W's prev; an open fan
    // starts at a face nothing precedes.
    std::unordered_map<int, std::vector<size_t>> byNext;
    for (size_t k = 0; k < wedges.size(); ++k) byNext[wedges[k].next].push_back(k);
    auto after = [&](const Wedge& w) -> int {
        auto it = byNext.find(w.prev);
        return it == byNext.end() ? -1 : static_cast<int>(it->second.front());
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

    // Size and repeats, looking at every face but the largest.
    const size_t m = order.size();
    long long total = 0;
    size_t largest = 0;
    std::vector<int> faces(m);
    for (size_t k = 0; k < m; ++k) {
        faces[k] = d.faceOf(wedges[order[k]].corner);
        total += d.size(faces[k]) - 1;
        if (d.size(faces[k]) > d.size(faces[largest])) largest = k;
    }
    total -= static_cast<long long>(m) - 1 + (open ? 0 : 1);
    if (total < 3) return false;
    auto precedes = [&](size_t a, size_t b) {
        return a + 1 == b || (!open && b == 0 && a + 1 == m);
    };
    std::unordered_map<int, size_t> place;  // face -> its place in the order
    for (size_t k = 0; k < m; ++k) place[faces[k]] = k;
    for (size_t k = 0; k < m; ++k) {
        if (k == largest) continue;
        const int c0 = wedges[order[k]].corner;
        for (int c = nextOf(d, c0); c != c0; c = nextOf(d, c)) {
            const int x = vertexOf(d, c);
            for (int o : d.cornersAt(x)) {
                const int g = d.faceOf(o);
                if (g == faces[k]) continue;
                auto it = place.find(g);
                if (it == place.end()) continue;
                // Faces next to each other in the order share the vertex between them.
                const size_t j = it->second;
                const bool shared = (precedes(j, k) && x == wedges[order[k]].next) ||
                                    (precedes(k, j) && x == wedges[order[k]].prev);
                if (!shared) return false;
            }
        }
    }

    // Join: each face's corners after v, up to the one before it.
    int keep = faces[0];
    for (int f : faces) keep = std::min(keep, f);
    const int oldHead = d.head(keep);
    const int firstCorner = nextOf(d, wedges[order[0]].corner);
    std::vector<int> spokes = d.edgesAt(v);
    std::vector<int> tookOver(m, -1);  // per face after the first: the corner now holding
                                       // the vertex its own first corner had
    for (size_t k = 0; k < m; ++k)
        if (faces[k] != keep) d.joinFaces(keep, faces[k]);
    int last = prevOf(d, wedges[order[0]].corner);
    for (size_t k = 1; k < m; ++k) {
        const int c = wedges[order[k]].corner;
        const int shared = nextOf(d, c);
        d.bridge(last, nextOf(d, shared), d.corner(shared).edge);
        d.removeCorner(shared);
        tookOver[k] = last;
        last = prevOf(d, c);
    }
    int closing = -1;
    for (int e : spokes) d.removeEdge(e);
    if (open) {
        closing = d.findEdge(vertexOf(d, last), vertexOf(d, firstCorner));
        if (closing < 0) closing = d.addEdge(vertexOf(d, last), vertexOf(d, firstCorner));
        d.bridge(last, firstCorner, closing);
    } else {
        // The last face's corner before v holds the first corner's vertex: it goes.
        const int beforeLast = prevOf(d, last);
        d.bridge(beforeLast, firstCorner, d.corner(beforeLast).edge);
        d.removeCorner(last);
    }
    for (int c : corners) d.removeCorner(c);
    d.removeVertex(v);
    // The kept face's first corner, or the one that took its vertex over.
    int first = oldHead;
    if (!d.corner(oldHead).alive) {
        first = firstCorner;
        for (size_t k = 1; k < m; ++k)
            if (nextOf(d, wedges[order[k]].corner) == oldHead) first = tookOver[k];
    }
    d.setHead(first);
    d.dropOrphans();
    return true;
}

// Merges vertex `gone` into `keep` (which moves to `at`). In each face of `gone`: a corner of
// `gone` next to one of `keep` goes (`keep`'s corner stays, with its UVs); any other becomes a
// corner of `keep`, and where the face then holds `keep` twice it is cut there into the loops
// on either side: the piece holding the face's first corner keeps the face, the other is
// appended (a piece of fewer than three corners goes; when the face's own piece is that small,
// the face takes the other). Edges at `gone` move to `keep`, except the one joining them and
// those doubling an edge `keep` already has, which go. Without `cutFaces` a face that would
// hold `keep` twice refuses the weld instead (false, nothing changed).
bool weld(MeshDraft& d, int keep, int gone, const Vec3& at, bool cutFaces) {
    if (!cutFaces)
        for (int g : d.cornersAt(gone)) {
            const int other = cornerIn(d, d.faceOf(g), keep);
            if (other >= 0 && nextOf(d, other) != g && prevOf(d, other) != g) return false;
        }
    // Edges first, so that every corner's edge names the edge that stays.
    for (int e : d.edgesAt(gone)) {
        const MeshEdge edge = d.edge(e);
        const int other = edge.v0 == gone ? edge.v1 : edge.v0;
        if (other == keep) {
            d.removeEdge(e);
            continue;
        }
        const int twin = d.findEdge(keep, other);
        if (twin >= 0) {
            for (int c : d.cornersOnEdge(e)) d.setCornerEdge(c, twin);
            d.removeEdge(e);
        } else {
            d.setEdge(e, edge.v0 == gone ? keep : edge.v0, edge.v1 == gone ? keep : edge.v1);
        }
    }
    d.setPoint(keep, at);
    for (int g : d.cornersAt(gone)) {
        const int f = d.faceOf(g);
        if (vertexOf(d, nextOf(d, g)) == keep) {
            d.dropCorner(g, d.corner(prevOf(d, g)).edge);
        } else if (vertexOf(d, prevOf(d, g)) == keep) {
            d.dropCorner(g, d.corner(g).edge);
        } else {
            const int other = cornerIn(d, f, keep);
            d.setCornerVertex(g, keep);
            if (other >= 0) {
                const int piece = d.cutLoop(other, g);
                const int pieceSize = d.loopSize(piece);
                if (d.size(f) >= 3) {
                    if (pieceSize >= 3)
                        d.addFace(piece, f);
                    else
                        d.removeLoop(piece);
                } else if (pieceSize >= 3) {
                    d.removeLoop(d.head(f));
                    d.adoptLoop(f, piece);
                } else {
                    d.removeLoop(piece);
                }
            }
        }
        if (d.faceAlive(f) && d.size(f) < 3) d.removeFace(f);
    }
    d.dropOrphans();
    if (d.vertexAlive(gone) && d.cornersAt(gone).empty() && d.edgesAt(gone).empty())
        d.removeVertex(gone);
    return true;
}

// Groups for mergeVertices: each vertex not yet grouped, in id order, gathers the later ones
// within `distance` of it. Points are binned in cells at least `distance` wide, so only
// neighbouring cells are searched. Vertices at a point that is not finite join nothing.
std::vector<std::vector<int>> mergeGroups(const PolyMesh& mesh, const std::vector<int>& ids,
                                          double distance, StopPoll& stopped, bool& stop) {
    Box3 box;
    for (int v : ids) {
        const Vec3& p = mesh.point(v);
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) box.expand(p);
    }
    const Vec3 extent = box.empty() ? Vec3{} : box.max - box.min;
    const double span = std::max({extent.x, extent.y, extent.z});
    // Cells no smaller than the distance, and at most about a million along an axis.
    double cell = std::max(distance, span / double(1 << 20));
    if (!(cell > 0)) cell = 1.0;
    auto key = [&](const Vec3& p, int dx, int dy, int dz) {
        const auto axis = [&](double x, double lo, int delta) {
            double c = (x - lo) / cell;
            if (!(c >= 0)) c = 0;  // NaN from an infinite cell
            // Shifted by one so that the neighbour below cell 0 is 0 too: 21 bits an axis.
            return static_cast<std::uint64_t>(std::min(std::floor(c), double(1 << 20))) + 1 + delta;
        };
        return axis(p.x, box.min.x, dx) << 42 | axis(p.y, box.min.y, dy) << 21 |
               axis(p.z, box.min.z, dz);
    };
    // The finite points by cell, in one sorted array: a neighbourhood's cells at one x and y
    // are consecutive keys (z is the low field), so nine range searches cover the 27 cells.
    std::vector<std::pair<std::uint64_t, size_t>> cells;
    cells.reserve(ids.size());
    std::vector<bool> finite(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        const Vec3& p = mesh.point(ids[i]);
        finite[i] = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        if (finite[i]) cells.emplace_back(key(p, 0, 0, 0), i);
    }
    std::sort(cells.begin(), cells.end());
    std::vector<bool> taken(ids.size(), false);
    std::vector<std::vector<int>> groups;
    std::vector<size_t> found;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (stopped()) {
            stop = true;
            return {};
        }
        if (taken[i]) continue;
        taken[i] = true;
        groups.push_back({ids[i]});
        if (!finite[i]) continue;
        const Vec3& p = mesh.point(ids[i]);
        found.clear();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const std::uint64_t low = key(p, dx, dy, -1), high = key(p, dx, dy, 1);
                auto it = std::lower_bound(cells.begin(), cells.end(),
                                           std::pair<std::uint64_t, size_t>{low, 0});
                for (; it != cells.end() && it->first <= high; ++it) {
                    const size_t j = it->second;
                    if (j > i && !taken[j] && length(mesh.point(ids[j]) - p) <= distance)
                        found.push_back(j);
                }
            }
        std::sort(found.begin(), found.end());
        for (size_t j : found) {
            taken[j] = true;
            groups.back().push_back(ids[j]);
        }
    }
    return groups;
}

}  // namespace

namespace {

// The faces a single collapse rewrites, kept between collapses so that one collapse allocates
// no record once they have grown (edits run on the main thread only).
struct CollapseScratch {
    std::vector<int> faces, edges, keepNeighbours;
    std::vector<MeshEdge> ends;  // per edge at the vertex that goes: its new ends, or none
    std::vector<FaceRecord> records;
    int keep = -1, gone = -1;
    Vec3 at;
};

// Kept out of line: inlined, the thread's copy would be looked up again after every call the
// caller makes.
[[gnu::noinline]] CollapseScratch& collapseScratch() {
    thread_local CollapseScratch scratch;
    return scratch;
}

// Collapses edge e straight on the mesh, without a draft, where the result is plain to see:
// every face at the vertex that goes either holds the edge and keeps at least three corners
// without it, or does not hold the vertex that stays; no other edge at the vertex that goes
// joins a neighbour the vertex that stays is joined to already, so every edge keeps its id
// (only its end changes) and nothing is left without faces. Writes what weld and the draft's
// commit would write, in the same order. False, with the mesh unchanged, for any other case
// (the draft decides those). planDirect reads and decides; applyDirect writes its plan.
bool planDirect(MeshEditor& ed, int e) {
    const PolyMesh& m = ed.mesh();
    const MeshEdge edge = m.edge(e);
    if (edge.v0 < 0 || edge.v0 == edge.v1) return false;
    const int keep = std::min(edge.v0, edge.v1), gone = std::max(edge.v0, edge.v1);
    CollapseScratch& w = collapseScratch();
    // The edges at `gone`: e (and any other edge to `keep`) goes, the rest move their end.
    w.keepNeighbours.clear();
    for (int k : m.vertexEdges(keep)) {
        const MeshEdge ke = m.edge(k);
        w.keepNeighbours.push_back(ke.v0 == keep ? ke.v1 : ke.v0);
    }
    std::sort(w.keepNeighbours.begin(), w.keepNeighbours.end());
    const auto goneEdges = m.vertexEdges(gone);
    w.edges.assign(goneEdges.begin(), goneEdges.end());
    std::sort(w.edges.begin(), w.edges.end());
    w.ends.clear();
    for (int g : w.edges) {
        const MeshEdge ge = m.edge(g);
        if (ge.v0 == ge.v1) return false;
        const int other = ge.v0 == gone ? ge.v1 : ge.v0;
        if (other == keep) {
            w.ends.push_back({-1, -1});
            continue;
        }
        if (std::binary_search(w.keepNeighbours.begin(), w.keepNeighbours.end(), other))
            return false;  // the two edges would merge into one
        w.ends.push_back({ge.v0 == gone ? keep : ge.v0, ge.v1 == gone ? keep : ge.v1});
    }
    // The faces at `gone`, read before anything is written, as they will be.
    const auto goneFaces = m.vertexFaces(gone);
    w.faces.assign(goneFaces.begin(), goneFaces.end());
    std::sort(w.faces.begin(), w.faces.end());
    if (w.records.size() < w.faces.size()) w.records.resize(w.faces.size());
    for (size_t k = 0; k < w.faces.size(); ++k) {
        FaceRecord& rec = w.records[k];
        ed.readFace(w.faces[k], rec);
        const int n = static_cast<int>(rec.verts.size());
        int at = -1, keepAt = -1;
        for (int i = 0; i < n; ++i) {
            if (rec.verts[i] == gone) {
                if (at >= 0) return false;
                at = i;
            }
            if (rec.verts[i] == keep) keepAt = i;
        }
        if (at < 0) return false;
        if (keepAt < 0) {
            rec.verts[static_cast<size_t>(at)] = keep;
            continue;
        }
        // A face holding both ends: only across e, and left with three corners or more.
        const int next = (at + 1) % n, prev = (at + n - 1) % n;
        const bool forward = keepAt == next && rec.edges[static_cast<size_t>(at)] == e;
        const bool backward = keepAt == prev && rec.edges[static_cast<size_t>(prev)] == e;
        if ((!forward && !backward) || n < 4) return false;
        // The corner before `gone` leads on along its own edge when `keep` follows, else
        // `keep` takes the edge `gone` led along; the face's first corner stays first unless it
        // was `gone`'s, when the next one is.
        if (!forward) rec.edges[static_cast<size_t>(prev)] = rec.edges[static_cast<size_t>(at)];
        const auto drop = [at](std::vector<int>& ids) {
            if (!ids.empty()) ids.erase(ids.begin() + at);
        };
        drop(rec.verts);
        drop(rec.edges);
        for (std::vector<int>& ids : rec.uvs) drop(ids);
        for (std::vector<int>& ids : rec.colors) drop(ids);
    }
    w.keep = keep;
    w.gone = gone;
    w.at = (m.point(edge.v0) + m.point(edge.v1)) * 0.5;
    return true;
}

void applyDirect(MeshEditor& ed) {
    // Edges (new ends, then removals, ascending), faces, the point kept, the vertex gone.
    const CollapseScratch& w = collapseScratch();
    for (size_t k = 0; k < w.edges.size(); ++k)
        if (w.ends[k].v0 >= 0) ed.setEdge(w.edges[k], w.ends[k].v0, w.ends[k].v1);
    for (size_t k = 0; k < w.edges.size(); ++k)
        if (w.ends[k].v0 < 0) ed.removeEdge(w.edges[k]);
    for (size_t k = 0; k < w.faces.size(); ++k) ed.writeFaceRecord(w.faces[k], w.records[k]);
    ed.setPoint(w.keep, w.at);
    ed.removeVertex(w.gone);
}

}  // namespace

OpStatus collapseEdges(PolyMesh& mesh, const std::vector<int>& edges, EditResult* out,
                       const StopCheck& stop) {
    if (edges.empty()) return OpStatus::failure("no edges to collapse");
    if (OpStatus bad = detail::checkIds(edges, mesh.numEdges(), "edge", "edges"); !bad.ok)
        return bad;
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    StopPoll stopped(stop);
    // One edge at a plain place needs no working copy.
    if (std::all_of(edges.begin(), edges.end(), [&](int e) { return e == edges[0]; }) &&
        planDirect(ed, edges[0])) {
        if (stopped()) return OpStatus::failure(kInterruptedMessage);
        applyDirect(ed);
        return detail::finishEdit(ed, verticesBefore, out);
    }
    MeshDraft d(ed);
    int done = 0;
    for (int e : std::set<int>(edges.begin(), edges.end())) {
        if (stopped()) return OpStatus::failure(kInterruptedMessage);
        if (!d.edgeAlive(e)) continue;  // already taken by an earlier collapse
        const MeshEdge edge = d.edge(e);
        if (edge.v0 == edge.v1) continue;
        const int keep = std::min(edge.v0, edge.v1), gone = std::max(edge.v0, edge.v1);
        // A face holding both ends apart refuses this collapse; the others go ahead.
        if (weld(d, keep, gone, (d.point(edge.v0) + d.point(edge.v1)) * 0.5, false)) ++done;
    }
    if (done == 0) return OpStatus::failure("none of the edges can be collapsed");
    d.commit();
    return detail::finishEdit(ed, verticesBefore, out);
}

OpStatus mergeVertices(PolyMesh& mesh, const std::vector<int>& vertices, double distance,
                       EditResult* out, const StopCheck& stop) {
    if (vertices.empty()) return OpStatus::failure("no vertices to merge");
    if (OpStatus bad = detail::checkIds(vertices, mesh.numVertices(), "vertex", "vertices");
        !bad.ok)
        return bad;
    if (!(distance >= 0)) return OpStatus::failure("the merge distance must be 0 or more");
    const std::set<int> unique(vertices.begin(), vertices.end());
    StopPoll grouping(stop, 4096);
    bool stoppedWhileGrouping = false;
    const std::vector<std::vector<int>> groups =
        mergeGroups(mesh, std::vector<int>(unique.begin(), unique.end()), distance, grouping,
                    stoppedWhileGrouping);
    if (stoppedWhileGrouping) return OpStatus::failure(kInterruptedMessage);
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    MeshDraft d(ed);
    StopPoll stopped(stop);
    for (const auto& g : groups) {
        if (g.size() < 2) continue;
        Vec3 mean;
        for (int v : g) mean += d.point(v);
        mean = mean / static_cast<double>(g.size());
        for (size_t k = 1; k < g.size(); ++k) {
            if (stopped()) return OpStatus::failure(kInterruptedMessage);
            weld(d, g[0], g[k], mean, true);
        }
    }
    d.commit();
    return detail::finishEdit(ed, verticesBefore, out);
}

OpStatus deleteEdges(PolyMesh& mesh, const std::vector<int>& edges, bool cleanVertices,
                     EditResult* out, const StopCheck& stop) {
    if (edges.empty()) return OpStatus::failure("no edges to delete");
    if (OpStatus bad = detail::checkIds(edges, mesh.numEdges(), "edge", "edges"); !bad.ok)
        return bad;
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    MeshDraft d(ed);
    StopPoll stopped(stop);
    int done = 0;
    std::vector<int> ends;
    for (int e : std::set<int>(edges.begin(), edges.end())) {
        if (stopped()) return OpStatus::failure(kInterruptedMessage);
        if (!d.edgeAlive(e)) continue;
        const MeshEdge edge = d.edge(e);
        if (!joinAcross(d, e)) continue;
        d.removeEdge(e);
        d.dropOrphans();
        ends.insert(ends.end(), {edge.v0, edge.v1});
        ++done;
    }
    if (done == 0) return OpStatus::failure("none of the edges can be deleted (border edges stay)");
    if (cleanVertices)
        for (int v : std::set<int>(ends.begin(), ends.end())) {
            if (stopped()) return OpStatus::failure(kInterruptedMessage);
            if (d.vertexAlive(v) && d.edgesAt(v).size() == 2 && !d.cornersAt(v).empty())
                dissolve(d, v);
        }
    d.commit();
    return detail::finishEdit(ed, verticesBefore, out);
}

OpStatus deleteVertices(PolyMesh& mesh, const std::vector<int>& vertices, bool withFaces,
                        EditResult* out, const StopCheck& stop) {
    if (vertices.empty()) return OpStatus::failure("no vertices to delete");
    if (OpStatus bad = detail::checkIds(vertices, mesh.numVertices(), "vertex", "vertices");
        !bad.ok)
        return bad;
    const int verticesBefore = mesh.numVertices();
    MeshEditor ed(mesh);
    MeshDraft d(ed);
    StopPoll stopped(stop);
    for (int v : std::set<int>(vertices.begin(), vertices.end())) {
        if (stopped()) return OpStatus::failure(kInterruptedMessage);
        if (withFaces) {
            for (int f : d.facesAt(v)) d.removeFace(f);
            d.dropOrphans();
            if (d.vertexAlive(v) && d.edgesAt(v).empty()) d.removeVertex(v);
            continue;
        }
        if (!d.vertexAlive(v)) continue;
        const size_t valence = d.edgesAt(v).size();
        bool ok = false;
        if (valence == 0) {
            d.removeVertex(v);
            ok = true;
        } else if (valence == 2) {
            ok = dissolve(d, v) || joinFan(d, v);
        } else {
            ok = joinFan(d, v);
        }
        if (!ok)
            return OpStatus::failure("vertex " + std::to_string(v) +
                                     " cannot be removed without breaking a face");
    }
    d.commit();
    return detail::finishEdit(ed, verticesBefore, out);
}

}  // namespace tarn
