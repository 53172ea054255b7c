#include "host/mesh/mesh_edit.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace tarn {

namespace {

void sortUnique(std::vector<int>& v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
}

template <typename T>
void pushSlots(std::vector<T>& v, size_t n, const T& value) {
    v.insert(v.end(), n, value);
}

}  // namespace

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
    const int nf = m.numFaces();
    const int n = static_cast<int>(rec.verts.size());
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
    for (int i = 0; i < n; ++i) {
        verts[start + i] = rec.verts[i];
        edges[start + i] = rec.edges[i];
    }
    for (size_t s = 0; s < m.m_uvSets.size(); ++s) {
        std::vector<int>& ids = m.m_uvSets[s].faceVertexUV;
        const bool given = s < rec.uvs.size() && !rec.uvs[s].empty();
        if (!given && ids.empty()) continue;
        if (ids.empty()) ids.assign(verts.size(), -1);
        for (int i = 0; i < n; ++i) ids[start + i] = given ? rec.uvs[s][i] : -1;
    }
    for (size_t s = 0; s < m.m_colorSets.size(); ++s) {
        std::vector<int>& ids = m.m_colorSets[s].faceVertexColor;
        const bool given = s < rec.colors.size() && !rec.colors[s].empty();
        if (!given && ids.empty()) continue;
        if (ids.empty()) ids.assign(verts.size(), -1);
        for (int i = 0; i < n; ++i) ids[start + i] = given ? rec.colors[s][i] : -1;
    }
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
    if (e == static_cast<int>(edges.size())) {
        edges.push_back(edge);
        if (!m.m_edgeSmooth.empty()) m.m_edgeSmooth.push_back(smooth ? 1 : 0);
    } else {
        edges[e] = edge;
        if (!m.m_edgeSmooth.empty()) m.m_edgeSmooth[e] = smooth ? 1 : 0;
    }
    m.m_faceVertexNormals.reset();
}

void MeshEditor::refreshLists(PolyMesh& m, std::span<const int> vertKeys,
                              std::span<const int> edgeKeys, std::span<const int> faces) {
    // Each list is rebuilt from its present entries plus the candidate faces and edges, keeping
    // only those that really use the key.
    const int nf = m.numFaces(), ne = m.numEdges(), nv = m.numVertices();
    PolyMesh::EditState& st = *m.m_edit.get();
    const std::vector<MeshEdge>& table = st.table.edges;
    std::vector<int> verts(vertKeys.begin(), vertKeys.end()),
        edges(edgeKeys.begin(), edgeKeys.end());
    sortUnique(verts);
    sortUnique(edges);
    std::vector<int> list;
    for (int v : verts) {
        if (v < 0) continue;
        if (v >= nv) {
            st.vertexFaces[v].clear();
            st.vertexEdges[v].clear();
            continue;
        }
        const auto oldFaces = m.vertexFaces(v);
        list.assign(oldFaces.begin(), oldFaces.end());
        list.insert(list.end(), faces.begin(), faces.end());
        sortUnique(list);
        std::erase_if(list, [&](int f) {
            if (f < 0 || f >= nf) return true;
            const auto loop = m.faceVertices(f);
            return std::find(loop.begin(), loop.end(), v) == loop.end();
        });
        st.vertexFaces[v] = list;
        const auto oldEdges = m.vertexEdges(v);
        list.assign(oldEdges.begin(), oldEdges.end());
        list.insert(list.end(), edges.begin(), edges.end());
        sortUnique(list);
        std::erase_if(list, [&](int e) {
            return e < 0 || e >= ne || (table[e].v0 != v && table[e].v1 != v);
        });
        st.vertexEdges[v] = list;
    }
    for (int e : edges) {
        if (e < 0) continue;
        if (e >= ne) {
            st.edgeFaces[e].clear();
            continue;
        }
        const auto oldFaces = m.edgeFaces(e);
        list.assign(oldFaces.begin(), oldFaces.end());
        list.insert(list.end(), faces.begin(), faces.end());
        sortUnique(list);
        std::erase_if(list, [&](int f) {
            if (f < 0 || f >= nf) return true;
            const auto fe = m.faceEdges(f);
            return std::find(fe.begin(), fe.end(), e) == fe.end();
        });
        st.edgeFaces[e] = list;
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
    const auto verts = m_mesh.faceVertices(f);
    const auto edges = m_mesh.faceEdges(f);
    r.verts.assign(verts.begin(), verts.end());
    r.edges.assign(edges.begin(), edges.end());
    const int start = m_mesh.m_faceOffsets[f], n = m_mesh.faceVertexCount(f);
    for (const UVSet& s : m_mesh.m_uvSets) {
        r.uvs.emplace_back();
        if (!s.faceVertexUV.empty())
            r.uvs.back().assign(s.faceVertexUV.begin() + start, s.faceVertexUV.begin() + start + n);
    }
    for (const ColorSet& s : m_mesh.m_colorSets) {
        r.colors.emplace_back();
        if (!s.faceVertexColor.empty())
            r.colors.back().assign(s.faceVertexColor.begin() + start,
                                   s.faceVertexColor.begin() + start + n);
    }
    return r;
}

int MeshEditor::cornerOf(int f, int v) const {
    const auto verts = m_mesh.faceVertices(f);
    for (size_t i = 0; i < verts.size(); ++i)
        if (verts[i] == v) return static_cast<int>(i);
    return -1;
}

void MeshEditor::touchVertex(int v) {
    if (!m_vertsTouched.insert(v).second) return;
    if (v < m_before.numVertices) m_before.points.emplace_back(v, m_mesh.m_points[v]);
}

void MeshEditor::touchEdge(int e) {
    if (!m_edgesTouched.insert(e).second) return;
    if (e < m_before.numEdges)
        m_before.edges.push_back({e, m_mesh.edge(e), m_mesh.isEdgeSmooth(e)});
}

void MeshEditor::touchFace(int f) {
    if (!m_facesTouched.insert(f).second) return;
    if (f < m_before.numFaces) m_before.faces.emplace_back(f, readFace(f));
}

int MeshEditor::addVertex(const Vec3& p) {
    const int v = m_mesh.numVertices();
    touchVertex(v);
    m_mesh.m_points.push_back(p);
    // A new id may have had a list before compaction: start it empty.
    m_mesh.m_edit->vertexFaces[v].clear();
    m_mesh.m_edit->vertexEdges[v].clear();
    m_mesh.pointsChanged();
    return v;
}

void MeshEditor::setPoint(int v, const Vec3& p) {
    touchVertex(v);
    m_mesh.m_points[v] = p;
    m_mesh.pointsChanged();
}

int MeshEditor::edgeBetween(int a, int b, bool smooth) {
    for (int e : m_mesh.vertexEdges(a)) {
        const MeshEdge& edge = m_mesh.edge(e);
        if ((edge.v0 == a && edge.v1 == b) || (edge.v0 == b && edge.v1 == a)) return e;
    }
    const int e = m_mesh.numEdges();
    touchEdge(e);
    writeEdgeRecord(m_mesh, e, {a, b}, smooth);
    m_mesh.m_edit->edgeFaces[e].clear();
    const int verts[] = {a, b};
    const int edges[] = {e};
    refreshLists(m_mesh, verts, edges, {});
    return e;
}

void MeshEditor::setEdge(int e, int a, int b) {
    touchEdge(e);
    const MeshEdge old = m_mesh.edge(e);
    writeEdgeRecord(m_mesh, e, {a, b}, m_mesh.isEdgeSmooth(e));
    const int verts[] = {old.v0, old.v1, a, b};
    const int edges[] = {e};
    refreshLists(m_mesh, verts, edges, {});
}

void MeshEditor::writeFace(int f, const std::vector<int>& verts,
                           const std::vector<std::vector<int>>& uvs,
                           const std::vector<std::vector<int>>& colors) {
    touchFace(f);
    FaceRecord rec;
    rec.verts = verts;
    rec.uvs = uvs;
    rec.colors = colors;
    const size_t n = verts.size();
    for (size_t i = 0; i < n; ++i) rec.edges.push_back(edgeBetween(verts[i], verts[(i + 1) % n]));
    std::vector<int> keysV = verts, keysE = rec.edges;
    if (f < m_mesh.numFaces()) {
        const auto oldV = m_mesh.faceVertices(f);
        const auto oldE = m_mesh.faceEdges(f);
        keysV.insert(keysV.end(), oldV.begin(), oldV.end());
        keysE.insert(keysE.end(), oldE.begin(), oldE.end());
    }
    writeRecord(m_mesh, f, rec);
    const int faces[] = {f};
    refreshLists(m_mesh, keysV, keysE, faces);
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
    const FaceRecord rec = readFace(from);
    writeRecord(m_mesh, to, rec);
    truncateFaces(m_mesh, from);
    const int faces[] = {to, from};
    refreshLists(m_mesh, rec.verts, rec.edges, faces);
    auto it = m_origins.find(from);
    m_origins[to] = it != m_origins.end() ? it->second : from;
    m_origins.erase(from);
}

void MeshEditor::moveEdge(int from, int to) {
    touchEdge(to);
    touchEdge(from);
    const MeshEdge edge = m_mesh.edge(from);
    const auto users = m_mesh.edgeFaces(from);
    const std::vector<int> faces(users.begin(), users.end());
    writeEdgeRecord(m_mesh, to, edge, m_mesh.isEdgeSmooth(from));
    for (int f : faces) {
        touchFace(f);
        FaceRecord rec = readFace(f);
        std::replace(rec.edges.begin(), rec.edges.end(), from, to);
        writeRecord(m_mesh, f, rec);
    }
    m_mesh.m_edit->table.edges.pop_back();
    if (!m_mesh.m_edgeSmooth.empty()) m_mesh.m_edgeSmooth.pop_back();
    const int verts[] = {edge.v0, edge.v1};
    const int edges[] = {to, from};
    refreshLists(m_mesh, verts, edges, faces);
}

void MeshEditor::moveVertex(int from, int to) {
    touchVertex(to);
    touchVertex(from);
    const auto usersF = m_mesh.vertexFaces(from);
    const auto usersE = m_mesh.vertexEdges(from);
    const std::vector<int> faces(usersF.begin(), usersF.end()), edges(usersE.begin(), usersE.end());
    m_mesh.m_points[to] = m_mesh.m_points[from];
    for (int e : edges) {
        touchEdge(e);
        MeshEdge edge = m_mesh.edge(e);
        if (edge.v0 == from) edge.v0 = to;
        if (edge.v1 == from) edge.v1 = to;
        writeEdgeRecord(m_mesh, e, edge, m_mesh.isEdgeSmooth(e));
    }
    for (int f : faces) {
        touchFace(f);
        FaceRecord rec = readFace(f);
        std::replace(rec.verts.begin(), rec.verts.end(), from, to);
        writeRecord(m_mesh, f, rec);
    }
    m_mesh.m_points.pop_back();
    const int verts[] = {to, from};
    refreshLists(m_mesh, verts, edges, faces);
    m_mesh.pointsChanged();
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
    }
    for (int f : m_deadFaces) {
        const int last = m_mesh.numFaces() - 1;
        if (f != last) {
            for (auto& [id, members] : m_mesh.m_objectGroups)
                std::replace(members.begin(), members.end(), last, f);
            moveFace(last, f);
        } else {
            touchFace(f);
            truncateFaces(m_mesh, last);
            m_origins.erase(f);
        }
    }
    descending(m_deadEdges);
    for (int e : m_deadEdges) {
        const int last = m_mesh.numEdges() - 1;
        if (e != last) {
            moveEdge(last, e);
        } else {
            touchEdge(e);
            m_mesh.m_edit->table.edges.pop_back();
            if (!m_mesh.m_edgeSmooth.empty()) m_mesh.m_edgeSmooth.pop_back();
            const int edges[] = {e};
            refreshLists(m_mesh, {}, edges, {});
        }
    }
    descending(m_deadVerts);
    for (int v : m_deadVerts) {
        const int last = m_mesh.numVertices() - 1;
        if (v != last) {
            moveVertex(last, v);
        } else {
            m_mesh.m_points.pop_back();
            const int verts[] = {v};
            refreshLists(m_mesh, verts, {}, {});
        }
    }
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
    for (int v : m_vertsTouched)
        if (v < after.numVertices) after.points.emplace_back(v, m_mesh.m_points[v]);
    for (int e : m_edgesTouched)
        if (e < after.numEdges) after.edges.push_back({e, m_mesh.edge(e), m_mesh.isEdgeSmooth(e)});
    std::vector<int> faces(m_facesTouched.begin(), m_facesTouched.end());
    std::sort(faces.begin(), faces.end());
    for (int f : faces)
        if (f < after.numFaces) after.faces.emplace_back(f, readFace(f));
    for (size_t s = 0; s < m_mesh.m_uvSets.size(); ++s) {
        const UVSet& set = m_mesh.m_uvSets[s];
        after.uvSizes.push_back(static_cast<int>(set.u.size()));
        after.uvTails.emplace_back();
        delta.before.uvTails.emplace_back();
        for (size_t i = static_cast<size_t>(delta.before.uvSizes[s]); i < set.u.size(); ++i)
            after.uvTails.back().emplace_back(set.u[i], set.v[i]);
    }
    for (size_t s = 0; s < m_mesh.m_colorSets.size(); ++s) {
        const ColorSet& set = m_mesh.m_colorSets[s];
        after.colorSizes.push_back(static_cast<int>(set.colors.size()));
        after.colorTails.emplace_back();
        delta.before.colorTails.emplace_back();
        for (size_t i = static_cast<size_t>(delta.before.colorSizes[s]); i < set.colors.size(); ++i)
            after.colorTails.back().push_back(set.colors[i]);
    }
    std::sort(delta.before.faces.begin(), delta.before.faces.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
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

void MeshEditor::applyDelta(PolyMesh& m, const MeshDelta& delta, bool undo) {
    if (const auto& groups = undo ? delta.groupsBefore : delta.groupsAfter)
        m.m_objectGroups = *groups;
    const MeshImage& img = undo ? delta.before : delta.after;
    const MeshImage& other = undo ? delta.after : delta.before;
    beginEditing(m);
    // Keys whose lists may change: everything either image names.
    std::vector<int> verts, edges, faces;
    for (const MeshImage* i : {&img, &other}) {
        for (const auto& [v, p] : i->points) verts.push_back(v);
        for (const auto& r : i->edges) {
            edges.push_back(r.id);
            verts.insert(verts.end(), {r.edge.v0, r.edge.v1});
        }
        for (const auto& [f, rec] : i->faces) {
            faces.push_back(f);
            verts.insert(verts.end(), rec.verts.begin(), rec.verts.end());
            edges.insert(edges.end(), rec.edges.begin(), rec.edges.end());
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
    for (const auto& [f, rec] : img.faces) writeRecord(m, f, rec);
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
}

}  // namespace tarn
