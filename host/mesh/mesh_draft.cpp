#include "host/mesh/mesh_draft.h"

#include <algorithm>

namespace tarn {

namespace {

template <typename List>
void sortUnique(List& v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

}  // namespace

MeshDraft::MeshDraft(MeshEditor& editor)
    : m_editor(editor),
      m_mesh(editor.mesh()),
      m_faces0(editor.mesh().numFaces()),
      m_edges0(editor.mesh().numEdges()),
      m_vertices0(editor.mesh().numVertices()),
      m_faceCount(m_faces0),
      m_edgeCount(m_edges0),
      m_arena(m_firstBlock.data(), m_firstBlock.size()),
      m_corners(&m_arena),
      m_labelParent(&m_arena),
      m_labelFace(&m_arena),
      m_faceStates(&m_arena),
      m_vertexStates(&m_arena),
      m_edgeStates(&m_arena),
      m_lostEdges(&m_arena),
      m_lostVertices(&m_arena) {}

// Storage.

int MeshDraft::newLabel(int f) {
    m_labelParent.push_back(static_cast<int>(m_labelParent.size()));
    m_labelFace.push_back(f);
    return static_cast<int>(m_labelParent.size()) - 1;
}

int MeshDraft::rootLabel(int label) const {
    int root = label;
    while (m_labelParent[static_cast<size_t>(root)] != root)
        root = m_labelParent[static_cast<size_t>(root)];
    // Point the path at its root, so later lookups take one step.
    while (m_labelParent[static_cast<size_t>(label)] != root) {
        const int next = m_labelParent[static_cast<size_t>(label)];
        m_labelParent[static_cast<size_t>(label)] = root;
        label = next;
    }
    return root;
}

void MeshDraft::readFace(int f) {
    const auto verts = m_mesh.faceVertices(f);
    const auto edges = m_mesh.faceEdges(f);
    const int n = static_cast<int>(verts.size());
    const int base = static_cast<int>(m_corners.size());
    const int label = newLabel(f);
    for (int i = 0; i < n; ++i) {
        Corner c;
        c.vertex = verts[i];
        c.edge = edges[i];
        c.next = base + (i + 1) % n;
        c.prev = base + (i + n - 1) % n;
        c.label = label;
        c.slot = m_mesh.faceOffset(f) + i;
        m_corners.push_back(c);
        m_vertexStates[c.vertex].corners.push_back(base + i);
        edgeState(c.edge).corners.push_back(base + i);
    }
    FaceState& s = m_faceStates[f];
    s.head = n > 0 ? base : -1;
    s.size = n;
    s.label = label;
    s.read = true;
}

MeshDraft::FaceState& MeshDraft::face(int f) {
    auto it = m_faceStates.find(f);
    if (it != m_faceStates.end()) return it->second;
    readFace(f);
    return m_faceStates.at(f);
}

MeshDraft::VertexState& MeshDraft::vertex(int v) {
    return m_vertexStates[v];
}

MeshDraft::EdgeState& MeshDraft::edgeState(int e) {
    auto [it, added] = m_edgeStates.try_emplace(e);
    if (added && e < m_edges0) it->second.ends = m_mesh.edge(e);
    return it->second;
}

void MeshDraft::markChanged(int c) {
    const int f = faceOf(c);
    if (f >= 0) face(f).changed = true;
}

void MeshDraft::link(int a, int b) {
    m_corners[static_cast<size_t>(a)].next = b;
    m_corners[static_cast<size_t>(b)].prev = a;
}

void MeshDraft::kill(int c) {
    Corner& k = m_corners[static_cast<size_t>(c)];
    if (!k.alive) return;
    k.alive = false;
    m_lostEdges.push_back(k.edge);
    m_lostVertices.push_back(k.vertex);
    const int f = faceOf(c);
    if (f < 0) return;
    FaceState& s = face(f);
    --s.size;
    s.changed = true;
    if (s.head == c) s.head = s.size > 0 ? k.next : -1;
}

// Reading.

int MeshDraft::head(int f) {
    return faceAlive(f) ? face(f).head : -1;
}

int MeshDraft::size(int f) {
    return faceAlive(f) ? face(f).size : 0;
}

bool MeshDraft::faceAlive(int f) {
    if (f < 0 || f >= m_faceCount) return false;
    return face(f).alive;
}

std::vector<int> MeshDraft::loopCorners(int f) {
    std::vector<int> out;
    const int first = head(f);
    if (first < 0) return out;
    out.reserve(static_cast<size_t>(size(f)));
    int c = first;
    do {
        out.push_back(c);
        c = m_corners[static_cast<size_t>(c)].next;
    } while (c != first);
    return out;
}

std::vector<int> MeshDraft::loopVertices(int f) {
    std::vector<int> out = loopCorners(f);
    for (int& c : out) c = m_corners[static_cast<size_t>(c)].vertex;
    return out;
}

std::vector<int> MeshDraft::cornersAt(int v) {
    VertexState& vs = vertex(v);
    if (!vs.facesRead) {
        vs.facesRead = true;
        if (v < m_vertices0)
            for (int f : m_mesh.vertexFaces(v)) face(f);
    }
    std::erase_if(vs.corners, [&](int c) {
        const Corner& k = m_corners[static_cast<size_t>(c)];
        return !k.alive || k.vertex != v;
    });
    sortUnique(vs.corners);
    return {vs.corners.begin(), vs.corners.end()};
}

std::vector<int> MeshDraft::cornersOnEdge(int e) {
    EdgeState& es = edgeState(e);
    if (!es.facesRead) {
        es.facesRead = true;
        if (e < m_edges0)
            for (int f : m_mesh.edgeFaces(e)) face(f);
    }
    std::erase_if(es.corners, [&](int c) {
        const Corner& k = m_corners[static_cast<size_t>(c)];
        return !k.alive || k.edge != e;
    });
    sortUnique(es.corners);
    return {es.corners.begin(), es.corners.end()};
}

std::vector<int> MeshDraft::facesOnEdge(int e) {
    std::vector<int> faces = cornersOnEdge(e);
    for (int& c : faces) c = faceOf(c);
    sortUnique(faces);
    return faces;
}

std::vector<int> MeshDraft::facesAt(int v) {
    std::vector<int> faces = cornersAt(v);
    for (int& c : faces) c = faceOf(c);
    sortUnique(faces);
    return faces;
}

std::vector<int> MeshDraft::edgesAt(int v) {
    VertexState& vs = vertex(v);
    if (!vs.edgesRead) {
        vs.edgesRead = true;
        if (v < m_vertices0) {
            const auto edges = m_mesh.vertexEdges(v);
            vs.edges.insert(vs.edges.end(), edges.begin(), edges.end());
        }
    }
    std::erase_if(vs.edges, [&](int e) {
        if (!edgeAlive(e)) return true;
        const MeshEdge ends = edge(e);
        return ends.v0 != v && ends.v1 != v;
    });
    sortUnique(vs.edges);
    return {vs.edges.begin(), vs.edges.end()};
}

int MeshDraft::findEdge(int a, int b) {
    for (int e : edgesAt(a)) {
        const MeshEdge ends = edge(e);
        if ((ends.v0 == a && ends.v1 == b) || (ends.v0 == b && ends.v1 == a)) return e;
    }
    return -1;
}

MeshEdge MeshDraft::edge(int e) const {
    if (auto it = m_edgeStates.find(e); it != m_edgeStates.end()) return it->second.ends;
    return m_mesh.edge(e);
}

bool MeshDraft::edgeAlive(int e) const {
    if (auto it = m_edgeStates.find(e); it != m_edgeStates.end()) return it->second.alive;
    return e >= 0 && e < m_edges0;
}

Vec3 MeshDraft::point(int v) const {
    if (auto it = m_vertexStates.find(v); it != m_vertexStates.end() && it->second.moved)
        return it->second.point;
    return m_mesh.point(v);
}

bool MeshDraft::vertexAlive(int v) const {
    if (auto it = m_vertexStates.find(v); it != m_vertexStates.end()) return it->second.alive;
    return v >= 0 && v < m_vertices0;
}

// Changes.

void MeshDraft::spliceAcross(int p, int r) {
    const int q = m_corners[static_cast<size_t>(p)].next;
    const int s = m_corners[static_cast<size_t>(r)].next;
    const int after = m_corners[static_cast<size_t>(s)].next;
    const int before = m_corners[static_cast<size_t>(r)].prev;
    joinFaces(faceOf(p), faceOf(r));
    link(p, after);
    setCornerEdge(p, m_corners[static_cast<size_t>(s)].edge);
    link(before, q);
    kill(r);
    kill(s);
}

void MeshDraft::foldAfter(int k) {
    const int m = m_corners[static_cast<size_t>(k)].next;
    const int n = m_corners[static_cast<size_t>(m)].next;
    link(k, m_corners[static_cast<size_t>(n)].next);
    setCornerEdge(k, m_corners[static_cast<size_t>(n)].edge);
    kill(m);
    kill(n);
}

void MeshDraft::dropCorner(int c, int edgeForPrev) {
    const int prev = m_corners[static_cast<size_t>(c)].prev;
    link(prev, m_corners[static_cast<size_t>(c)].next);
    setCornerEdge(prev, edgeForPrev);
    kill(c);
}

void MeshDraft::bridge(int from, int to, int edge) {
    link(from, to);
    setCornerEdge(from, edge);
}

void MeshDraft::removeCorner(int c) {
    kill(c);
}

int MeshDraft::loopSize(int first) const {
    int n = 0, c = first;
    do {
        ++n;
        c = m_corners[static_cast<size_t>(c)].next;
    } while (c != first);
    return n;
}

void MeshDraft::setCornerEdge(int c, int e) {
    int& along = m_corners[static_cast<size_t>(c)].edge;
    if (along == e) return;
    m_lostEdges.push_back(along);
    along = e;
    edgeState(e).corners.push_back(c);
    markChanged(c);
}

void MeshDraft::setCornerVertex(int c, int v) {
    int& at = m_corners[static_cast<size_t>(c)].vertex;
    m_lostVertices.push_back(at);
    at = v;
    vertex(v).corners.push_back(c);
    markChanged(c);
}

void MeshDraft::setHead(int c) {
    FaceState& s = face(faceOf(c));
    s.head = c;
    s.changed = true;
}

int MeshDraft::cutLoop(int a, int b) {
    const int f = faceOf(a);
    FaceState& s = face(f);
    const int ap = m_corners[static_cast<size_t>(a)].prev;
    const int bp = m_corners[static_cast<size_t>(b)].prev;
    // Count [a, b) and [b, a) side by side, so the cost is the smaller piece.
    int x = a, y = b, nx = 0, ny = 0;
    bool xDone = false, yDone = false;
    while (!xDone && !yDone) {
        if (x == b)
            xDone = true;
        else
            ++nx, x = m_corners[static_cast<size_t>(x)].next;
        if (y == a)
            yDone = true;
        else
            ++ny, y = m_corners[static_cast<size_t>(y)].next;
    }
    const bool abSmaller = xDone;
    const int small = abSmaller ? a : b, smallEnd = abSmaller ? b : a;
    const int smallCount = abSmaller ? nx : ny;
    // Is the face's first corner in the smaller piece?
    bool headInSmall = false;
    for (int c = small; c != smallEnd; c = m_corners[static_cast<size_t>(c)].next)
        headInSmall |= c == s.head;
    // Close both pieces.
    link(bp, a);
    link(ap, b);
    // The smaller piece gets a label of its own: it stays the face's when it holds the first
    // corner (the rest of the face becomes the free loop), else it is the free loop.
    const int label = newLabel(headInSmall ? f : -1);
    for (int c = small, n = 0; n < smallCount; ++n, c = m_corners[static_cast<size_t>(c)].next)
        m_corners[static_cast<size_t>(c)].label = label;
    const int other = small == a ? b : a;
    s.changed = true;
    if (headInSmall) {
        m_labelFace[static_cast<size_t>(rootLabel(s.label))] = -1;
        s.label = label;
        s.size = smallCount;
        return other;
    }
    s.size -= smallCount;
    return small;
}

int MeshDraft::addFace(int first, int origin) {
    const int f = m_faceCount++;
    int from = origin;
    if (origin >= m_faces0) {
        from = face(origin).origin;
    } else {
        const auto& known = m_editor.faceOrigins();
        if (auto it = known.find(origin); it != known.end()) from = it->second;
    }
    adoptLoop(f, first);
    FaceState& s = m_faceStates[f];
    s.origin = from;
    s.read = true;
    return f;
}

void MeshDraft::adoptLoop(int f, int first) {
    const int root = rootLabel(m_corners[static_cast<size_t>(first)].label);
    FaceState& s = m_faceStates[f];
    m_labelFace[static_cast<size_t>(root)] = f;
    s.label = root;
    s.head = first;
    s.size = 0;
    int c = first;
    do {
        ++s.size;
        c = m_corners[static_cast<size_t>(c)].next;
    } while (c != first);
    s.alive = true;
    s.changed = true;
    s.read = true;
}

void MeshDraft::removeLoop(int first) {
    std::vector<int> corners;
    int c = first;
    do {
        corners.push_back(c);
        c = m_corners[static_cast<size_t>(c)].next;
    } while (c != first);
    for (int k : corners) kill(k);
}

void MeshDraft::removeFace(int f) {
    FaceState& s = face(f);
    if (s.head >= 0) removeLoop(s.head);
    s.alive = false;
    s.head = -1;
    s.size = 0;
    s.changed = true;
}

void MeshDraft::joinFaces(int keep, int gone) {
    if (keep == gone) return;
    FaceState& k = face(keep);
    FaceState& g = face(gone);
    const int kr = rootLabel(k.label), gr = rootLabel(g.label);
    m_labelParent[static_cast<size_t>(gr)] = kr;
    k.size += g.size;
    k.changed = true;
    g.alive = false;
    g.head = -1;
    g.size = 0;
    g.changed = true;
}

void MeshDraft::setLoop(int f, const std::vector<int>& corners, const std::vector<int>& edges) {
    const size_t n = corners.size();
    for (size_t i = 0; i < n; ++i) {
        link(corners[i], corners[(i + 1) % n]);
        setCornerEdge(corners[i], edges[i]);
    }
    FaceState& s = face(f);
    s.head = corners.front();
    s.size = static_cast<int>(n);
    s.changed = true;
}

bool MeshDraft::usedByUnreadFace(int id, bool isEdge) {
    // A face the draft has not read is as the mesh has it, so it still uses the element: no
    // need to read every face around it to learn that it keeps a user.
    if (isEdge) {
        if (id >= m_edges0 || edgeState(id).facesRead) return false;
    } else if (id >= m_vertices0 || vertex(id).facesRead) {
        return false;
    }
    for (int f : isEdge ? m_mesh.edgeFaces(id) : m_mesh.vertexFaces(id))
        if (!m_faceStates.contains(f)) return true;
    return false;
}

void MeshDraft::dropOrphans() {
    std::pmr::vector<int> edges(&m_arena);
    edges.swap(m_lostEdges);
    sortUnique(edges);
    for (int e : edges)
        if (edgeAlive(e) && !usedByUnreadFace(e, true) && cornersOnEdge(e).empty()) removeEdge(e);
    std::pmr::vector<int> verts(&m_arena);
    verts.swap(m_lostVertices);
    sortUnique(verts);
    for (int v : verts)
        if (vertexAlive(v) && !usedByUnreadFace(v, false) && cornersAt(v).empty() &&
            edgesAt(v).empty())
            removeVertex(v);
    m_lostEdges.clear();
}

void MeshDraft::setEdge(int e, int a, int b) {
    EdgeState& es = edgeState(e);
    m_lostVertices.push_back(es.ends.v0);
    m_lostVertices.push_back(es.ends.v1);
    es.ends = {a, b};
    es.endsChanged = true;
    vertex(a).edges.push_back(e);
    vertex(b).edges.push_back(e);
}

void MeshDraft::removeEdge(int e) {
    EdgeState& es = edgeState(e);
    if (!es.alive) return;
    es.alive = false;
    m_lostVertices.push_back(es.ends.v0);
    m_lostVertices.push_back(es.ends.v1);
}

int MeshDraft::addEdge(int a, int b) {
    const int e = m_edgeCount++;
    EdgeState& es = m_edgeStates[e];
    es.ends = {a, b};
    es.facesRead = true;
    es.endsChanged = true;
    vertex(a).edges.push_back(e);
    vertex(b).edges.push_back(e);
    return e;
}

void MeshDraft::removeVertex(int v) {
    vertex(v).alive = false;
}

void MeshDraft::setPoint(int v, const Vec3& p) {
    VertexState& vs = vertex(v);
    vs.moved = true;
    vs.point = p;
}

// Writing back.

FaceRecord MeshDraft::recordOf(int f) {
    FaceRecord rec;
    const std::vector<int> corners = loopCorners(f);
    for (int c : corners) {
        rec.verts.push_back(m_corners[static_cast<size_t>(c)].vertex);
        rec.edges.push_back(m_corners[static_cast<size_t>(c)].edge);
    }
    for (const UVSet& set : m_mesh.m_uvSets) {
        rec.uvs.emplace_back();
        if (set.faceVertexUV.empty()) continue;
        for (int c : corners) {
            const int slot = m_corners[static_cast<size_t>(c)].slot;
            rec.uvs.back().push_back(slot < 0 ? -1 : set.faceVertexUV[static_cast<size_t>(slot)]);
        }
    }
    for (const ColorSet& set : m_mesh.m_colorSets) {
        rec.colors.emplace_back();
        if (set.faceVertexColor.empty()) continue;
        for (int c : corners) {
            const int slot = m_corners[static_cast<size_t>(c)].slot;
            rec.colors.back().push_back(slot < 0 ? -1
                                                 : set.faceVertexColor[static_cast<size_t>(slot)]);
        }
    }
    return rec;
}

void MeshDraft::commit() {
    // Read every changed face before writing any: a face written first may reuse the slots
    // another face's corners are read from.
    std::vector<int> faces;
    for (const auto& [f, s] : m_faceStates)
        if (s.changed || f >= m_faces0) faces.push_back(f);
    std::sort(faces.begin(), faces.end());
    std::vector<std::pair<int, FaceRecord>> records;
    std::vector<int> deadFaces;
    for (int f : faces) {
        const FaceState& s = m_faceStates.at(f);
        if (s.alive) {
            records.emplace_back(f, recordOf(f));
        } else {
            deadFaces.push_back(f);
            if (f >= m_faces0) records.emplace_back(f, FaceRecord{});
        }
    }

    // Edges: new end points, removals, then the new edges in id order.
    std::vector<int> edges;
    for (const auto& [e, s] : m_edgeStates)
        if (e < m_edges0 && (s.endsChanged || !s.alive)) edges.push_back(e);
    std::sort(edges.begin(), edges.end());
    for (int e : edges) {
        const EdgeState& s = m_edgeStates.at(e);
        if (s.alive) m_editor.setEdge(e, s.ends.v0, s.ends.v1);
    }
    for (int e : edges)
        if (!m_edgeStates.at(e).alive) m_editor.removeEdge(e);
    for (int e = m_edges0; e < m_edgeCount; ++e) {
        const EdgeState& s = m_edgeStates.at(e);
        m_editor.addEdge(s.ends.v0, s.ends.v1);
    }

    // Faces: each changed one written once, new ones appended in id order.
    for (const auto& [f, rec] : records) {
        m_editor.writeFaceRecord(f, rec);
        if (f >= m_faces0) m_editor.setOrigin(f, m_faceStates.at(f).origin);
    }
    for (int f : deadFaces) m_editor.removeFace(f);
    for (int e = m_edges0; e < m_edgeCount; ++e)
        if (!m_edgeStates.at(e).alive) m_editor.removeEdge(e);

    // Points, then vertices that went.
    std::vector<int> verts;
    for (const auto& [v, s] : m_vertexStates)
        if (s.moved || !s.alive) verts.push_back(v);
    std::sort(verts.begin(), verts.end());
    for (int v : verts) {
        const VertexState& s = m_vertexStates.at(v);
        if (!s.alive)
            m_editor.removeVertex(v);
        else
            m_editor.setPoint(v, s.point);
    }
}

}  // namespace tarn
