#include "host/mesh/mesh_edit.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace tarn {

namespace {

void sortUnique(std::vector<int>& v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

// Work lists of refreshLists and writeFaceRecord, kept between calls so that a small edit
// allocates nothing once they have grown (edits run on the main thread only).
struct RefreshScratch {
    std::vector<int> verts, edges, changed, list, oldV, newV, sorted;
    std::vector<std::pair<int, int>> faceOfVertex, faceOfEdge, edgeOfVertex;
    FaceRecord face;  // a face compaction reads to write it elsewhere
};

// Kept out of line: inlined, the thread's copy would be looked up again after every call the
// caller makes.
[[gnu::noinline]] RefreshScratch& refreshScratch() {
    thread_local RefreshScratch scratch;
    return scratch;
}

// Corners (old and new together) up to which a face write finds what it gains and loses by
// sorting; larger faces use hash sets.
constexpr size_t kSortedDiffLimit = 256;
// Corners up to which it finds them by scanning both loops.
constexpr size_t kScannedDiffLimit = 24;

// Adds `item` to (add) or removes it from the ascending list `current` and stores the result
// as the list of `key`; nothing is stored when the list already is so.
void updateList(detail::ListOverlay& lists, int key, std::span<const int> current, int item,
                bool add) {
    const auto it = std::lower_bound(current.begin(), current.end(), item);
    if ((it != current.end() && *it == item) == add) return;
    lists.edit(key, current, static_cast<size_t>(it - current.begin()), item, add);
}

inline bool heldIn(std::span<const int> ids, int key) {
    for (int id : ids)
        if (id == key) return true;
    return false;
}

template <typename T>
void pushSlots(std::vector<T>& v, size_t n, const T& value) {
    v.insert(v.end(), n, value);
}

// What MeshEditor::writeSlots reads of a face record.
struct RecordLists {
    const FaceRecord& r;
    int corners() const { return static_cast<int>(r.verts.size()); }
    std::span<const int> verts() const { return r.verts; }
    std::span<const int> edges() const { return r.edges; }
    size_t uvSets() const { return r.uvs.size(); }
    std::span<const int> uvs(size_t s) const { return r.uvs[s]; }
    size_t colorSets() const { return r.colors.size(); }
    std::span<const int> colors(size_t s) const { return r.colors[s]; }
};

// What MeshEditor::writeSlots reads of a face of an image.
struct ImageLists {
    const FaceImages& images;
    const FaceImages::Face& face;
    int corners() const { return face.corners; }
    std::span<const int> verts() const { return images.verts(face); }
    std::span<const int> edges() const { return images.edges(face); }
    size_t uvSets() const { return static_cast<size_t>(face.uvSets); }
    std::span<const int> uvs(size_t s) const { return images.uvs(face, static_cast<int>(s)); }
    size_t colorSets() const { return static_cast<size_t>(face.colorSets); }
    std::span<const int> colors(size_t s) const { return images.colors(face, static_cast<int>(s)); }
};

}  // namespace

// Flat face images.

int* FaceImages::append(int id, int corners, int uvSets, int colorSets, size_t ints) {
    // Room for the few faces an edit at one place records is taken at once; past it the
    // pool doubles.
    if (m_faces.empty()) m_faces.reserve(8);
    m_faces.push_back({id, static_cast<int>(m_used), corners, uvSets, colorSets});
    m_used += ints;
    if (m_used > m_pool.size()) m_pool.resize(std::max<size_t>({m_used, 2 * m_pool.size(), 128}));
    return m_pool.data() + m_faces.back().start;
}

std::span<const int> FaceImages::setIds(const Face& f, int set) const {
    size_t at = static_cast<size_t>(f.start) + 2 * static_cast<size_t>(f.corners);
    for (int s = 0; s < set; ++s) at += 1 + static_cast<size_t>(m_pool[at]);
    return {m_pool.data() + at + 1, static_cast<size_t>(m_pool[at])};
}

void FaceImages::trim() {
    constexpr size_t kSlack = 4096;  // ints; the room a small edit's record may keep
    if (m_pool.size() > m_used + kSlack) {
        m_pool.resize(m_used);
        m_pool.shrink_to_fit();
    }
    if (m_faces.capacity() > m_faces.size() + kSlack / 4) m_faces.shrink_to_fit();
}

void FaceImages::sortById() {
    std::sort(m_faces.begin(), m_faces.end(),
              [](const Face& a, const Face& b) { return a.id < b.id; });
}

// Storage of an edited mesh.

void MeshEditor::beginEditing(PolyMesh& m) {
    if (m.m_edit) return;
    // Take the edge table and adjacency as they stand; later edits change copies of them.
    const PolyMesh::EdgeTable& table = m.edgeTable();
    m.adjacency();
    auto* state = new PolyMesh::EditState;
    state->table = table;
    state->base = m.m_adjacency.shared();
    m.m_edit.reset(state);
    m.m_faceEnds.assign(m.m_faceOffsets.begin() + 1, m.m_faceOffsets.end());
    m.m_edgeTable.reset();
    m.m_edgeCount.reset();
    m.m_adjacency.reset();
    // UVs numbered like the vertices stop being so once faces change.
    for (UVSet& s : m.m_uvSets)
        if (s.idsAreVertices) {
            s.faceVertexUV = m.m_faceVerts;
            s.idsAreVertices = false;
        }
}

bool MeshEditor::adoptEdgeOrder(PolyMesh& m, const std::vector<MeshEdge>& order,
                                std::string* error) {
    auto fail = [&](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (m.m_edit) return fail("the mesh has been edited already");
    const PolyMesh::EdgeTable& canonical = m.edgeTable();
    const size_t count = canonical.edges.size();
    if (order.size() != count)
        return fail(std::to_string(order.size()) + " edges were given but the mesh has " +
                    std::to_string(count));
    const auto key = [](int a, int b) {
        if (a > b) std::swap(a, b);
        return (static_cast<std::uint64_t>(static_cast<unsigned>(a)) << 32) |
               static_cast<unsigned>(b);
    };
    // Where each edge of the face walk goes in the given order.
    std::unordered_map<std::uint64_t, int> given;
    given.reserve(count);
    const int nv = m.numVertices();
    for (size_t i = 0; i < count; ++i) {
        const MeshEdge& e = order[i];
        if (e.v0 < 0 || e.v1 < 0 || e.v0 >= nv || e.v1 >= nv || e.v0 == e.v1)
            return fail("edge " + std::to_string(i) + " does not join two vertices of the mesh");
        if (!given.emplace(key(e.v0, e.v1), static_cast<int>(i)).second)
            return fail("edge " + std::to_string(i) + " is listed twice");
    }
    std::vector<int> remap(count);
    for (size_t c = 0; c < count; ++c) {
        const MeshEdge& e = canonical.edges[c];
        const auto it = given.find(key(e.v0, e.v1));
        if (it == given.end())
            return fail("the edge from vertex " + std::to_string(e.v0) + " to " +
                        std::to_string(e.v1) + " is missing");
        remap[c] = it->second;
    }
    auto* state = new PolyMesh::EditState;
    state->table.edges = order;
    state->table.faceEdges.resize(canonical.faceEdges.size());
    for (size_t i = 0; i < canonical.faceEdges.size(); ++i)
        state->table.faceEdges[i] = remap[static_cast<size_t>(canonical.faceEdges[i])];
    if (!m.m_edgeSmooth.empty()) {
        std::vector<uint8_t> smooth(count);
        for (size_t c = 0; c < count; ++c)
            smooth[static_cast<size_t>(remap[c])] = m.m_edgeSmooth[c];
        m.m_edgeSmooth = std::move(smooth);
    }
    m.m_edit.reset(state);
    m.m_faceEnds.assign(m.m_faceOffsets.begin() + 1, m.m_faceOffsets.end());
    m.m_edgeTable.reset();
    m.m_edgeCount.reset();
    m.m_adjacency.reset();
    // The adjacency of the new numbering becomes the base later edits change copies of.
    m.buildAdjacency();
    state->base = m.m_adjacency.shared();
    m.m_adjacency.reset();
    for (UVSet& s : m.m_uvSets)
        if (s.idsAreVertices) {
            s.faceVertexUV = m.m_faceVerts;
            s.idsAreVertices = false;
        }
    m.m_faceVertexNormals.reset();
    return true;
}

void MeshEditor::writeRecord(PolyMesh& m, int f, const FaceRecord& rec) {
    writeSlots(m, f, RecordLists{rec});
}

void MeshEditor::writeRecord(PolyMesh& m, const FaceImages& images, const FaceImages::Face& face) {
    writeSlots(m, face.id, ImageLists{images, face});
}

template <typename Lists>
void MeshEditor::writeSlots(PolyMesh& m, int f, const Lists& rec) {
    const int nf = m.numFaces();
    const int n = rec.corners();
    std::vector<int>& verts = m.m_faceVerts;
    std::vector<int>& edges = m.m_edit->table.faceEdges;
    auto killSlots = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            verts[i] = -1;
            edges[i] = -1;
            for (UVSet& s : m.m_uvSets)
                if (!s.faceVertexUV.empty()) s.faceVertexUV[i] = -1;
            for (ColorSet& s : m.m_colorSets)
                if (!s.faceVertexColor.empty()) s.faceVertexColor[i] = -1;
        }
        m.m_deadSlots += to - from;
    };
    // Find the slots: in place when the face does not grow, else fresh ones at the end.
    int start = 0;
    if (f < nf && n <= m.faceVertexCount(f)) {
        start = m.m_faceOffsets[f];
        killSlots(start + n, m.m_faceEnds[f]);
    } else {
        if (f < nf) killSlots(m.m_faceOffsets[f], m.m_faceEnds[f]);
        start = static_cast<int>(verts.size());
        const size_t k = static_cast<size_t>(n);
        pushSlots(verts, k, -1);
        pushSlots(edges, k, -1);
        for (UVSet& s : m.m_uvSets)
            if (!s.faceVertexUV.empty()) pushSlots(s.faceVertexUV, k, -1);
        for (ColorSet& s : m.m_colorSets)
            if (!s.faceVertexColor.empty()) pushSlots(s.faceVertexColor, k, -1);
        if (f == nf) {
            m.m_faceOffsets.back() = start;
            m.m_faceOffsets.push_back(static_cast<int>(verts.size()));
            m.m_faceEnds.push_back(start + n);
        }
        m.m_faceOffsets[f] = start;
        m.m_faceOffsets.back() = static_cast<int>(verts.size());
    }
    m.m_faceEnds[f] = start + n;
    std::copy_n(rec.verts().begin(), n, verts.begin() + start);
    std::copy_n(rec.edges().begin(), n, edges.begin() + start);
    // A set the record keeps no ids for reads -1 at these corners (nothing is stored while the
    // set keeps no per-corner table at all).
    auto writeSet = [&](std::vector<int>& ids, std::span<const int> given) {
        if (given.empty() && ids.empty()) return;
        if (ids.empty()) ids.assign(verts.size(), -1);
        if (given.empty())
            std::fill_n(ids.begin() + start, n, -1);
        else
            std::copy_n(given.begin(), n, ids.begin() + start);
    };
    for (size_t s = 0; s < m.m_uvSets.size(); ++s)
        writeSet(m.m_uvSets[s].faceVertexUV,
                 s < rec.uvSets() ? rec.uvs(s) : std::span<const int>());
    for (size_t s = 0; s < m.m_colorSets.size(); ++s)
        writeSet(m.m_colorSets[s].faceVertexColor,
                 s < rec.colorSets() ? rec.colors(s) : std::span<const int>());
    m.pointsChanged();
    m.m_faceVertexNormals.reset();
}

void MeshEditor::truncateFaces(PolyMesh& m, int count) {
    for (int f = m.numFaces() - 1; f >= count; --f) {
        writeRecord(m, f, FaceRecord{});
        m.m_faceOffsets.pop_back();
        m.m_faceEnds.pop_back();
    }
    // Unused slots at the end go, so that edit-undo cycles do not grow the arrays.
    // Note: live faces never hold -1, and emptied faces own no slots.
    std::vector<int>& verts = m.m_faceVerts;
    size_t keep = verts.size();
    while (keep > 0 && verts[keep - 1] < 0) --keep;
    if (keep < verts.size()) {
        m.m_deadSlots -= static_cast<int>(verts.size() - keep);
        verts.resize(keep);
        m.m_edit->table.faceEdges.resize(keep);
        for (UVSet& s : m.m_uvSets)
            if (!s.faceVertexUV.empty()) s.faceVertexUV.resize(keep);
        for (ColorSet& s : m.m_colorSets)
            if (!s.faceVertexColor.empty()) s.faceVertexColor.resize(keep);
    }
    m.m_faceOffsets.back() = static_cast<int>(verts.size());
}

void MeshEditor::writeEdgeRecord(PolyMesh& m, int e, const MeshEdge& edge, bool smooth) {
    std::vector<MeshEdge>& edges = m.m_edit->table.edges;
    if (e == static_cast<int>(edges.size()))
        edges.push_back(edge);
    else
        edges[e] = edge;
    // Note: a mesh whose flags are one flag for all (an empty list) may have lost every edge
    // in an earlier edit; an edge coming back with another flag must switch it to per-edge
    // flags, or undo would bring the edge back with the mesh-wide flag.
    std::vector<uint8_t>& flags = m.m_edgeSmooth;
    if (flags.empty()) {
        if (smooth == m.m_allSmooth) {
            m.m_faceVertexNormals.reset();
            return;
        }
        flags.assign(edges.size(), m.m_allSmooth ? 1 : 0);
    } else if (flags.size() < edges.size()) {
        flags.resize(edges.size(), m.m_allSmooth ? 1 : 0);
    }
    flags[e] = smooth ? 1 : 0;
    m.m_faceVertexNormals.reset();
}

void MeshEditor::refreshLists(PolyMesh& m, std::span<const int> vertKeys,
                              std::span<const int> edgeKeys, std::span<const int> faces) {
    // Only the listed faces and edges changed: every other entry of a list stays as it is, so
    // each list keeps its entries outside those and gains the changed ones that now use its
    // key. The cost is the size of the changed faces plus the lists refreshed, whatever the
    // size of the mesh.
    const int nf = m.numFaces(), ne = m.numEdges(), nv = m.numVertices();
    PolyMesh::EditState& st = *m.m_edit.get();
    const std::vector<MeshEdge>& table = st.table.edges;
    RefreshScratch& w = refreshScratch();
    std::vector<int>&verts = w.verts, &edges = w.edges, &changed = w.changed;
    verts.assign(vertKeys.begin(), vertKeys.end());
    edges.assign(edgeKeys.begin(), edgeKeys.end());
    changed.assign(faces.begin(), faces.end());
    sortUnique(verts);
    sortUnique(edges);
    sortUnique(changed);
    // Who uses what now, among the changed faces and edges: (key, user) pairs, sorted.
    std::vector<std::pair<int, int>>&faceOfVertex = w.faceOfVertex, &faceOfEdge = w.faceOfEdge,
                               &edgeOfVertex = w.edgeOfVertex;
    faceOfVertex.clear();
    faceOfEdge.clear();
    edgeOfVertex.clear();
    for (int f : changed) {
        if (f < 0 || f >= nf) continue;
        for (int v : m.faceVertices(f)) faceOfVertex.emplace_back(v, f);
        for (int e : m.faceEdges(f)) faceOfEdge.emplace_back(e, f);
    }
    for (int e : edges) {
        if (e < 0 || e >= ne || table[e].v0 < 0) continue;
        edgeOfVertex.emplace_back(table[e].v0, e);
        edgeOfVertex.emplace_back(table[e].v1, e);
    }
    std::sort(faceOfVertex.begin(), faceOfVertex.end());
    std::sort(faceOfEdge.begin(), faceOfEdge.end());
    std::sort(edgeOfVertex.begin(), edgeOfVertex.end());
    std::vector<int>& list = w.list;
    // list := (old entries that are below `count` and not changed) + the changed users of key.
    auto rebuild = [&](std::span<const int> old, const std::vector<int>& changedIds, int count,
                       const std::vector<std::pair<int, int>>& users, int key) {
        list.clear();
        for (int x : old)
            if (x >= 0 && x < count && !std::binary_search(changedIds.begin(), changedIds.end(), x))
                list.push_back(x);
        const size_t kept = list.size();
        auto it = std::lower_bound(users.begin(), users.end(), std::pair{key, INT_MIN});
        for (; it != users.end() && it->first == key; ++it) list.push_back(it->second);
        if (list.size() > kept) {
            std::inplace_merge(list.begin(), list.begin() + static_cast<long>(kept), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
        }
    };
    for (int v : verts) {
        if (v < 0) continue;
        if (v >= nv) {
            st.vertexFaces.clear(v);
            st.vertexEdges.clear(v);
            continue;
        }
        rebuild(m.vertexFaces(v), changed, nf, faceOfVertex, v);
        st.vertexFaces.set(v, list);
        rebuild(m.vertexEdges(v), edges, ne, edgeOfVertex, v);
        st.vertexEdges.set(v, list);
    }
    for (int e : edges) {
        if (e < 0) continue;
        if (e >= ne) {
            st.edgeFaces.clear(e);
            continue;
        }
        rebuild(m.edgeFaces(e), changed, nf, faceOfEdge, e);
        st.edgeFaces.set(e, list);
    }
}

// The session.

MeshEditor::MeshEditor(PolyMesh& mesh) : m_mesh(mesh) {
    beginEditing(mesh);
    m_before.numVertices = mesh.numVertices();
    m_before.numEdges = mesh.numEdges();
    m_before.numFaces = mesh.numFaces();
    for (const UVSet& s : mesh.m_uvSets) m_before.uvSizes.push_back(static_cast<int>(s.u.size()));
    for (const ColorSet& s : mesh.m_colorSets)
        m_before.colorSizes.push_back(static_cast<int>(s.colors.size()));
}

FaceRecord MeshEditor::readFace(int f) const {
    FaceRecord r;
    readFace(f, r);
    return r;
}

void MeshEditor::readFace(int f, FaceRecord& r) const {
    const auto verts = m_mesh.faceVertices(f);
    const auto edges = m_mesh.faceEdges(f);
    r.verts.assign(verts.begin(), verts.end());
    r.edges.assign(edges.begin(), edges.end());
    const int start = m_mesh.m_faceOffsets[f], n = m_mesh.faceVertexCount(f);
    r.uvs.resize(m_mesh.m_uvSets.size());
    for (size_t i = 0; i < r.uvs.size(); ++i) {
        const std::vector<int>& ids = m_mesh.m_uvSets[i].faceVertexUV;
        if (ids.empty())
            r.uvs[i].clear();
        else
            r.uvs[i].assign(ids.begin() + start, ids.begin() + start + n);
    }
    r.colors.resize(m_mesh.m_colorSets.size());
    for (size_t i = 0; i < r.colors.size(); ++i) {
        const std::vector<int>& ids = m_mesh.m_colorSets[i].faceVertexColor;
        if (ids.empty())
            r.colors[i].clear();
        else
            r.colors[i].assign(ids.begin() + start, ids.begin() + start + n);
    }
}

void MeshEditor::recordFace(FaceImages& images, int f) const {
    const size_t start = static_cast<size_t>(m_mesh.m_faceOffsets[f]);
    const size_t n = static_cast<size_t>(m_mesh.faceVertexCount(f));
    const auto& uvs = m_mesh.m_uvSets;
    const auto& colors = m_mesh.m_colorSets;
    size_t ints = 2 * n + uvs.size() + colors.size();
    for (const UVSet& s : uvs) ints += s.faceVertexUV.empty() ? 0 : n;
    for (const ColorSet& s : colors) ints += s.faceVertexColor.empty() ? 0 : n;
    int* out = images.append(f, static_cast<int>(n), static_cast<int>(uvs.size()),
                             static_cast<int>(colors.size()), ints);
    const auto put = [&](const std::vector<int>& ids) {
        out = std::copy_n(ids.data() + start, n, out);
    };
    put(m_mesh.m_faceVerts);
    put(m_mesh.m_edit->table.faceEdges);
    const auto putSet = [&](const std::vector<int>& ids) {
        *out++ = ids.empty() ? 0 : static_cast<int>(n);
        if (!ids.empty()) put(ids);
    };
    for (const UVSet& s : uvs) putSet(s.faceVertexUV);
    for (const ColorSet& s : colors) putSet(s.faceVertexColor);
}

int MeshEditor::cornerOf(int f, int v) const {
    const auto verts = m_mesh.faceVertices(f);
    for (size_t i = 0; i < verts.size(); ++i)
        if (verts[i] == v) return static_cast<int>(i);
    return -1;
}

bool MeshEditor::TouchedIds::insert(int id) {
    if (m_spilled) {
        if (!m_hashed.insert(id).second) return false;
        m_ids.push_back(id);
        return true;
    }
    if (std::find(m_small, m_small + m_count, id) != m_small + m_count) return false;
    if (m_count < kScanned) {
        m_small[m_count++] = id;
        return true;
    }
    m_ids.assign(m_small, m_small + m_count);
    m_ids.push_back(id);
    m_hashed.insert(m_ids.begin(), m_ids.end());
    m_spilled = true;
    return true;
}

bool MeshEditor::TouchedIds::contains(int id) const {
    if (m_spilled) return m_hashed.count(id) != 0;
    return std::find(m_small, m_small + m_count, id) != m_small + m_count;
}

void MeshEditor::touchVertex(int v) {
    if (!m_vertsTouched.insert(v)) return;
    if (v < m_before.numVertices) m_before.points.emplace_back(v, m_mesh.m_points[v]);
}

void MeshEditor::touchEdge(int e) {
    if (!m_edgesTouched.insert(e)) return;
    if (e < m_before.numEdges)
        m_before.edges.push_back({e, m_mesh.edge(e), m_mesh.isEdgeSmooth(e)});
}

void MeshEditor::touchFace(int f) {
    if (!m_facesTouched.insert(f)) return;
    if (f < m_before.numFaces) recordFace(m_before.faces, f);
}

int MeshEditor::addVertex(const Vec3& p) {
    const int v = m_mesh.numVertices();
    touchVertex(v);
    m_mesh.m_points.push_back(p);
    // A new id may have had lists before compaction: start them empty.
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    if (!m_mesh.vertexFaces(v).empty()) st.vertexFaces.clear(v);
    if (!m_mesh.vertexEdges(v).empty()) st.vertexEdges.clear(v);
    m_mesh.pointsChanged();
    return v;
}

void MeshEditor::setPoint(int v, const Vec3& p) {
    touchVertex(v);
    m_mesh.m_points[v] = p;
    m_mesh.pointsChanged();
}

int MeshEditor::edgeBetween(int a, int b, std::optional<bool> smooth) {
    for (int e : m_mesh.vertexEdges(a)) {
        const MeshEdge& edge = m_mesh.edge(e);
        if ((edge.v0 == a && edge.v1 == b) || (edge.v0 == b && edge.v1 == a)) return e;
    }
    return addEdge(a, b, smooth);
}

int MeshEditor::addEdge(int a, int b, std::optional<bool> smooth) {
    const int e = m_mesh.numEdges();
    touchEdge(e);
    const int uniform = m_mesh.uniformEdgeSmoothing();
    writeEdgeRecord(m_mesh, e, {a, b}, smooth.value_or(uniform < 0 || uniform == 1));
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    if (!m_mesh.edgeFaces(e).empty()) st.edgeFaces.clear(e);
    for (int x : {a, b}) updateList(st.vertexEdges, x, m_mesh.vertexEdges(x), e, true);
    return e;
}

int MeshEditor::addEdgeChain(const std::vector<int>& verts, std::optional<bool> smooth) {
    if (verts.size() < 2) return -1;
    const int first = m_mesh.numEdges();
    const int uniform = m_mesh.uniformEdgeSmoothing();
    const bool flag = smooth.value_or(uniform < 0 || uniform == 1);
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    for (size_t i = 0; i + 1 < verts.size(); ++i) {
        const int e = m_mesh.numEdges();
        touchEdge(e);
        writeEdgeRecord(m_mesh, e, {verts[i], verts[i + 1]}, flag);
        if (!m_mesh.edgeFaces(e).empty()) st.edgeFaces.clear(e);
        for (int x : {verts[i], verts[i + 1]})
            updateList(st.vertexEdges, x, m_mesh.vertexEdges(x), e, true);
    }
    return first;
}

void MeshEditor::setEdge(int e, int a, int b) {
    touchEdge(e);
    const MeshEdge old = m_mesh.edge(e);
    writeEdgeRecord(m_mesh, e, {a, b}, m_mesh.isEdgeSmooth(e));
    // Only the ends that change gain or lose the edge; its faces stay as they are.
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    for (int x : {old.v0, old.v1})
        if (x >= 0 && x != a && x != b)
            updateList(st.vertexEdges, x, m_mesh.vertexEdges(x), e, false);
    for (int x : {a, b})
        if (x >= 0 && x != old.v0 && x != old.v1)
            updateList(st.vertexEdges, x, m_mesh.vertexEdges(x), e, true);
}

void MeshEditor::writeFace(int f, const std::vector<int>& verts,
                           const std::vector<std::vector<int>>& uvs,
                           const std::vector<std::vector<int>>& colors) {
    FaceRecord rec;
    rec.verts = verts;
    rec.uvs = uvs;
    rec.colors = colors;
    const size_t n = verts.size();
    rec.edges.reserve(n);
    for (size_t i = 0; i < n; ++i) rec.edges.push_back(edgeBetween(verts[i], verts[(i + 1) % n]));
    writeFaceRecord(f, rec);
}

void MeshEditor::writeFaceRecord(int f, const FaceRecord& rec) {
    touchFace(f);
    // Only the vertices and edges the face gains or loses change lists: a face that keeps most
    // of its corners costs what it changes. The lists are updated before the face's slots are
    // overwritten, so that its old loop is read where it stands.
    std::span<const int> oldV, oldE;
    if (f < m_mesh.numFaces()) {
        oldV = m_mesh.faceVertices(f);
        oldE = m_mesh.faceEdges(f);
    }
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    auto update = [&](std::span<const int> before, std::span<const int> after, bool vertices) {
        detail::ListOverlay& lists = vertices ? st.vertexFaces : st.edgeFaces;
        auto lose = [&](int key) {
            updateList(lists, key, vertices ? m_mesh.vertexFaces(key) : m_mesh.edgeFaces(key), f,
                       false);
        };
        auto gain = [&](int key) {
            if (vertices) {
                updateList(lists, key, m_mesh.vertexFaces(key), f, true);
                return;
            }
            updateList(lists, key, m_mesh.edgeFaces(key), f, true);
            if (m_mesh.edgeFaces(key).size() > 2) m_mayOverload = true;
        };
        if (before.size() + after.size() <= kScannedDiffLimit) {
            // A face of a few corners: scanning beats sorting. (A key met twice is harmless:
            // updating a list that already is so changes nothing.)
            for (int key : before)
                if (key >= 0 && !heldIn(after, key)) lose(key);
            for (int key : after)
                if (key >= 0 && !heldIn(before, key)) gain(key);
            return;
        }
        if (before.size() + after.size() > kSortedDiffLimit) {
            // A face of many corners: hash sets keep the cost linear in its size.
            const std::unordered_set<int> was(before.begin(), before.end()),
                is(after.begin(), after.end());
            for (int key : was)
                if (key >= 0 && !is.count(key)) lose(key);
            for (int key : is)
                if (key >= 0 && !was.count(key)) gain(key);
            return;
        }
        RefreshScratch& w = refreshScratch();
        w.oldV.assign(before.begin(), before.end());
        w.newV.assign(after.begin(), after.end());
        sortUnique(w.oldV);
        sortUnique(w.newV);
        for (int key : w.oldV)
            if (key >= 0 && !std::binary_search(w.newV.begin(), w.newV.end(), key)) lose(key);
        for (int key : w.newV)
            if (key >= 0 && !std::binary_search(w.oldV.begin(), w.oldV.end(), key)) gain(key);
    };
    update(oldV, rec.verts, true);
    update(oldE, rec.edges, false);
    writeRecord(m_mesh, f, rec);
}

int MeshEditor::addUV(int set, float u, float v) {
    UVSet& s = m_mesh.m_uvSets[set];
    s.u.push_back(u);
    s.v.push_back(v);
    return static_cast<int>(s.u.size()) - 1;
}

void MeshEditor::removeFace(int f) {
    writeFace(f, {}, {}, {});
    m_deadFaces.push_back(f);
}

void MeshEditor::removeEdge(int e) {
    setEdge(e, -1, -1);
    m_deadEdges.push_back(e);
}

void MeshEditor::removeVertex(int v) {
    touchVertex(v);
    m_deadVerts.push_back(v);
}

void MeshEditor::setOrigin(int face, int from) {
    m_origins[face] = from;
}

void MeshEditor::moveFace(int from, int to) {
    touchFace(to);
    touchFace(from);
    FaceRecord& rec = refreshScratch().face;
    readFace(from, rec);
    writeRecord(m_mesh, to, rec);
    truncateFaces(m_mesh, from);
    // The face's vertices and edges name it by its new id; `to` was emptied before.
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    for (int v : rec.verts) {
        updateList(st.vertexFaces, v, m_mesh.vertexFaces(v), from, false);
        updateList(st.vertexFaces, v, m_mesh.vertexFaces(v), to, true);
    }
    for (int e : rec.edges) {
        updateList(st.edgeFaces, e, m_mesh.edgeFaces(e), from, false);
        updateList(st.edgeFaces, e, m_mesh.edgeFaces(e), to, true);
    }
    auto it = m_origins.find(from);
    m_origins[to] = it != m_origins.end() ? it->second : from;
    m_origins.erase(from);
}

std::vector<std::pair<int, int>> MeshEditor::compactionMoves(const std::vector<int>& deadDescending,
                                                             int count, int& kept) {
    // Play the compaction on slot numbers alone: each hole takes what is then in the last slot.
    // Only slots at or past `kept` are ever last, so what stands in each of them is one array;
    // an element that fills a hole below `kept` stays there.
    kept = count - static_cast<int>(deadDescending.size());
    std::vector<int> occupant(deadDescending.size());
    for (size_t i = 0; i < occupant.size(); ++i) occupant[i] = kept + static_cast<int>(i);
    std::vector<std::pair<int, int>> moves;
    int size = count;
    for (int d : deadDescending) {
        --size;
        if (d == size) continue;
        const int id = occupant[static_cast<size_t>(size - kept)];
        if (d >= kept)
            occupant[static_cast<size_t>(d - kept)] = id;
        else
            moves.emplace_back(id, d);
    }
    std::sort(moves.begin(), moves.end());
    return moves;
}

namespace {

// Where a compaction takes each id: every id below `kept` stays, the ones above move to the
// holes `moves` gives them (one array over the ids above `kept`).
class Renames {
public:
    Renames(const std::vector<std::pair<int, int>>& moves, int kept, int count)
        : m_kept(kept), m_to(static_cast<size_t>(count - kept), -1) {
        for (const auto& [from, to] : moves) m_to[static_cast<size_t>(from - kept)] = to;
    }
    int operator()(int id) const {
        return id < m_kept ? id : m_to[static_cast<size_t>(id - m_kept)];
    }

private:
    int m_kept;
    std::vector<int> m_to;
};

}  // namespace

template <typename Rename>
void MeshEditor::renameCorners(std::vector<int>& slots, const std::vector<int>& faces,
                               const Rename& renamed) {
    // The faces keep their slots: only the ids in them change.
    for (int f : faces) {
        touchFace(f);
        for (int i = m_mesh.m_faceOffsets[f]; i < m_mesh.m_faceEnds[f]; ++i)
            slots[static_cast<size_t>(i)] = renamed(slots[static_cast<size_t>(i)]);
    }
}

void MeshEditor::compactEdges() {
    if (m_deadEdges.empty()) return;
    // Every face using a moved edge is rewritten once, whatever number of its edges moved.
    const int count = m_mesh.numEdges();
    int kept = 0;
    const auto moves = compactionMoves(m_deadEdges, count, kept);
    std::vector<int>& faces = refreshScratch().changed;
    faces.clear();
    for (const auto& [from, slot] : moves) {
        const auto users = m_mesh.edgeFaces(from);
        faces.insert(faces.end(), users.begin(), users.end());
        touchEdge(from);
        touchEdge(slot);
    }
    for (int e = kept; e < count; ++e) touchEdge(e);
    sortUnique(faces);
    renameCorners(m_mesh.m_edit->table.faceEdges, faces, Renames(moves, kept, count));
    // Edges move from surviving ids into removed ones, so no move overwrites an edge another
    // move still reads.
    for (const auto& [from, slot] : moves)
        writeEdgeRecord(m_mesh, slot, m_mesh.edge(from), m_mesh.isEdgeSmooth(from));
    // A moved edge takes the face list it had under its old id (faces keep theirs) and its ends
    // name it by its new id; removed edges were taken out of their ends' lists already, and ids
    // past the end are left empty.
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    for (const auto& [from, slot] : moves) {
        st.edgeFaces.set(slot, m_mesh.edgeFaces(from));
        const MeshEdge edge = m_mesh.edge(slot);
        for (int v : {edge.v0, edge.v1}) {
            updateList(st.vertexEdges, v, m_mesh.vertexEdges(v), from, false);
            updateList(st.vertexEdges, v, m_mesh.vertexEdges(v), slot, true);
        }
    }
    for (int e = kept; e < count; ++e) st.edgeFaces.clear(e);
    m_mesh.m_edit->table.edges.resize(static_cast<size_t>(kept));
    if (!m_mesh.m_edgeSmooth.empty()) m_mesh.m_edgeSmooth.resize(static_cast<size_t>(kept));
}

void MeshEditor::compactVertices() {
    if (m_deadVerts.empty()) return;
    // Every face and edge using a moved vertex is rewritten once.
    const int count = m_mesh.numVertices();
    int kept = 0;
    const auto moves = compactionMoves(m_deadVerts, count, kept);
    RefreshScratch& w = refreshScratch();
    std::vector<int>&faces = w.changed, &edges = w.edges;
    faces.clear();
    edges.clear();
    for (const auto& [from, slot] : moves) {
        const auto usersF = m_mesh.vertexFaces(from);
        const auto usersE = m_mesh.vertexEdges(from);
        faces.insert(faces.end(), usersF.begin(), usersF.end());
        edges.insert(edges.end(), usersE.begin(), usersE.end());
        touchVertex(from);
        touchVertex(slot);
    }
    sortUnique(faces);
    sortUnique(edges);
    const Renames renamed(moves, kept, count);
    for (int e : edges) {
        touchEdge(e);
        const MeshEdge edge = m_mesh.edge(e);
        writeEdgeRecord(m_mesh, e, {renamed(edge.v0), renamed(edge.v1)}, m_mesh.isEdgeSmooth(e));
    }
    renameCorners(m_mesh.m_faceVerts, faces, renamed);
    for (const auto& [from, slot] : moves) m_mesh.m_points[slot] = m_mesh.m_points[from];
    m_mesh.m_points.resize(static_cast<size_t>(kept));
    // A moved vertex takes the lists it had under its old id (faces and edges keep theirs);
    // removed vertices had lost every face and edge, and ids past the end are left empty.
    PolyMesh::EditState& st = *m_mesh.m_edit.get();
    for (const auto& [from, slot] : moves) {
        st.vertexFaces.set(slot, m_mesh.vertexFaces(from));
        st.vertexEdges.set(slot, m_mesh.vertexEdges(from));
    }
    for (int v = kept; v < count; ++v) {
        st.vertexFaces.clear(v);
        st.vertexEdges.clear(v);
    }
}

int MeshEditor::overloadedEdge(int& faces) const {
    if (!m_mayOverload) return -1;  // no face write left an edge with more than two faces
    std::vector<int>& written = refreshScratch().sorted;
    written.assign(m_facesTouched.begin(), m_facesTouched.end());
    std::sort(written.begin(), written.end());
    std::unordered_set<int> seen;
    for (int f : written) {
        if (f >= m_mesh.numFaces()) continue;
        for (int e : m_mesh.faceEdges(f)) {
            const auto users = m_mesh.edgeFaces(e);
            const int now = static_cast<int>(users.size());
            if (now <= 2 || !seen.insert(e).second) continue;
            // Before: faces the session left alone still use it as they did; of the others,
            // count those whose old loop used it.
            int before = 0;
            for (int g : users) before += m_facesTouched.contains(g) ? 0 : 1;
            for (const FaceImages::Face& g : m_before.faces) {
                const auto was = m_before.faces.edges(g);
                before += std::find(was.begin(), was.end(), e) != was.end();
            }
            if (now > before) {
                faces = now;
                return e;
            }
        }
    }
    return -1;
}

MeshDelta MeshEditor::finish() {
    // Compact: faces, then edges, then vertices, highest removed id first.
    auto descending = [](std::vector<int>& ids) {
        sortUnique(ids);
        std::reverse(ids.begin(), ids.end());
    };
    descending(m_deadFaces);
    std::shared_ptr<const PolyMesh::ObjectGroups> groupsBefore;
    if (!m_mesh.m_objectGroups.empty()) {
        groupsBefore = std::make_shared<PolyMesh::ObjectGroups>(m_mesh.m_objectGroups);
        remapGroupsBeforeCompaction();
        int kept = 0;
        const auto moves = compactionMoves(m_deadFaces, m_mesh.numFaces(), kept);
        const Renames renamed(moves, kept, m_mesh.numFaces());
        for (auto& [id, members] : m_mesh.m_objectGroups)
            for (int& f : members) f = renamed(f);
    }
    for (int f : m_deadFaces) {
        const int last = m_mesh.numFaces() - 1;
        if (f != last) {
            moveFace(last, f);
        } else {
            touchFace(f);
            truncateFaces(m_mesh, last);
            m_origins.erase(f);
        }
    }
    descending(m_deadEdges);
    compactEdges();
    descending(m_deadVerts);
    compactVertices();
    m_mesh.pointsChanged();
    m_mesh.m_faceVertexNormals.reset();

    // The after image: the same ids as they are now, and the tables' new entries.
    MeshDelta delta;
    if (groupsBefore) {
        for (auto& [id, members] : m_mesh.m_objectGroups) sortUnique(members);
        delta.groupsBefore = std::move(groupsBefore);
        delta.groupsAfter = std::make_shared<PolyMesh::ObjectGroups>(m_mesh.m_objectGroups);
    }
    delta.before = std::move(m_before);
    MeshImage& after = delta.after;
    after.numVertices = m_mesh.numVertices();
    after.numEdges = m_mesh.numEdges();
    after.numFaces = m_mesh.numFaces();
    after.points.reserve(m_vertsTouched.size());
    after.edges.reserve(m_edgesTouched.size());
    for (int v : m_vertsTouched)
        if (v < after.numVertices) after.points.emplace_back(v, m_mesh.m_points[v]);
    for (int e : m_edgesTouched)
        if (e < after.numEdges) after.edges.push_back({e, m_mesh.edge(e), m_mesh.isEdgeSmooth(e)});
    std::vector<int>& faces = refreshScratch().sorted;
    faces.assign(m_facesTouched.begin(), m_facesTouched.end());
    std::sort(faces.begin(), faces.end());
    for (int f : faces)
        if (f < after.numFaces) recordFace(after.faces, f);
    // Table entries are only ever appended, so the before image has no tails.
    for (size_t s = 0; s < m_mesh.m_uvSets.size(); ++s) {
        const UVSet& set = m_mesh.m_uvSets[s];
        after.uvSizes.push_back(static_cast<int>(set.u.size()));
        after.uvTails.emplace_back();
        for (size_t i = static_cast<size_t>(delta.before.uvSizes[s]); i < set.u.size(); ++i)
            after.uvTails.back().emplace_back(set.u[i], set.v[i]);
    }
    for (size_t s = 0; s < m_mesh.m_colorSets.size(); ++s) {
        const ColorSet& set = m_mesh.m_colorSets[s];
        after.colorSizes.push_back(static_cast<int>(set.colors.size()));
        after.colorTails.emplace_back();
        for (size_t i = static_cast<size_t>(delta.before.colorSizes[s]); i < set.colors.size(); ++i)
            after.colorTails.back().push_back(set.colors[i]);
    }
    delta.before.faces.sortById();
    delta.before.faces.trim();
    after.faces.trim();
    return delta;
}

void MeshEditor::remapGroupsBeforeCompaction() {
    // Pieces split off (ascending, so a piece of a piece follows its parent) join the groups
    // of their origin; removed faces leave every group.
    std::vector<std::pair<int, int>> splits;
    for (const auto& [face, from] : m_origins)
        if (face >= m_before.numFaces) splits.emplace_back(face, from);
    std::sort(splits.begin(), splits.end());
    for (auto& [id, members] : m_mesh.m_objectGroups) {
        std::unordered_set<int> in(members.begin(), members.end());
        for (const auto& [face, from] : splits)
            if (in.count(from)) in.insert(face);
        for (int f : m_deadFaces) in.erase(f);
        members.assign(in.begin(), in.end());
    }
}

bool MeshEditor::applyDelta(PolyMesh& m, const MeshDelta& delta, bool undo) {
    const MeshImage& img = undo ? delta.before : delta.after;
    const MeshImage& other = undo ? delta.after : delta.before;
    // Note: the records address slots by the counts of the state they start from; another
    // mesh would be written out of bounds.
    if (m.numVertices() != other.numVertices || m.numEdges() != other.numEdges ||
        m.numFaces() != other.numFaces)
        return false;
    if (const auto& groups = undo ? delta.groupsBefore : delta.groupsAfter)
        m.m_objectGroups = *groups;
    beginEditing(m);
    // Keys whose lists may change: everything either image names.
    std::vector<int> verts, edges, faces;
    for (const MeshImage* i : {&img, &other}) {
        for (const auto& [v, p] : i->points) verts.push_back(v);
        for (const auto& r : i->edges) {
            edges.push_back(r.id);
            verts.insert(verts.end(), {r.edge.v0, r.edge.v1});
        }
        for (const FaceImages::Face& f : i->faces) {
            faces.push_back(f.id);
            const auto loop = i->faces.verts(f), sides = i->faces.edges(f);
            verts.insert(verts.end(), loop.begin(), loop.end());
            edges.insert(edges.end(), sides.begin(), sides.end());
        }
    }
    // Sizes first, then the recorded elements.
    m.m_points.resize(static_cast<size_t>(img.numVertices));
    for (const auto& [v, p] : img.points) m.m_points[v] = p;
    std::vector<MeshEdge>& table = m.m_edit->table.edges;
    table.resize(static_cast<size_t>(img.numEdges));
    if (!m.m_edgeSmooth.empty()) m.m_edgeSmooth.resize(table.size(), 1);
    for (const auto& r : img.edges) writeEdgeRecord(m, r.id, r.edge, r.smooth);
    if (m.numFaces() > img.numFaces) truncateFaces(m, img.numFaces);
    for (const FaceImages::Face& f : img.faces) writeRecord(m, img.faces, f);
    for (size_t s = 0; s < m.m_uvSets.size() && s < img.uvSizes.size(); ++s) {
        UVSet& set = m.m_uvSets[s];
        const size_t from = static_cast<size_t>(std::min(img.uvSizes[s], other.uvSizes[s]));
        set.u.resize(static_cast<size_t>(img.uvSizes[s]));
        set.v.resize(set.u.size());
        if (s < img.uvTails.size())
            for (size_t i = 0; i < img.uvTails[s].size(); ++i) {
                set.u[from + i] = img.uvTails[s][i].first;
                set.v[from + i] = img.uvTails[s][i].second;
            }
    }
    for (size_t s = 0; s < m.m_colorSets.size() && s < img.colorSizes.size(); ++s) {
        ColorSet& set = m.m_colorSets[s];
        const size_t from = static_cast<size_t>(std::min(img.colorSizes[s], other.colorSizes[s]));
        set.colors.resize(static_cast<size_t>(img.colorSizes[s]));
        if (s < img.colorTails.size())
            for (size_t i = 0; i < img.colorTails[s].size(); ++i)
                set.colors[from + i] = img.colorTails[s][i];
    }
    refreshLists(m, verts, edges, faces);
    m.pointsChanged();
    m.m_faceVertexNormals.reset();
    return true;
}

}  // namespace tarn
