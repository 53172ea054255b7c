#include "host/mesh/poly_mesh.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "host/mesh/edge_count.h"

namespace tarn {

namespace {

// Turns per-key counts (ends[k] = count of key k, one more slot at the end) into the end of
// each key's list; the last slot becomes the total.
void countsToEnds(std::vector<int>& ends) {
    for (size_t i = 1; i + 1 < ends.size(); ++i) ends[i] += ends[i - 1];
    ends.back() = ends.size() > 1 ? ends[ends.size() - 2] : 0;
}

}  // namespace

std::recursive_mutex& PolyMesh::buildMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

bool PolyMesh::create(std::vector<Vec3> points, const std::vector<int>& counts,
                      std::vector<int> indices, PolyMesh& out, std::string* error) {
    auto fail = [&](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    // Validate everything before touching the output.
    size_t total = 0;
    for (size_t f = 0; f < counts.size(); ++f) {
        if (counts[f] < 3)
            return fail("face " + std::to_string(f) + " has " + std::to_string(counts[f]) +
                        " vertices (at least 3 needed)");
        total += static_cast<size_t>(counts[f]);
        if (total > indices.size()) break;
    }
    if (total != indices.size())
        return fail("face vertex counts add up to " + std::to_string(total) + " but " +
                    std::to_string(indices.size()) + " vertex indices were given");
    if (total > static_cast<size_t>(std::numeric_limits<int>::max()))
        return fail("the mesh has too many face vertices (" + std::to_string(total) + ")");
    const unsigned numPoints = static_cast<unsigned>(points.size());
    size_t at = 0;
    for (size_t f = 0; f < counts.size(); ++f) {
        const int n = counts[f];
        const int* face = indices.data() + at;
        at += static_cast<size_t>(n);
        // Triangles, by far the most common faces, are checked in one go.
        if (n == 3 && static_cast<unsigned>(face[0]) < numPoints &&
            static_cast<unsigned>(face[1]) < numPoints &&
            static_cast<unsigned>(face[2]) < numPoints && face[0] != face[1] &&
            face[1] != face[2] && face[0] != face[2])
            continue;
        for (int i = 0; i < n; ++i) {
            const int v = face[i];
            if (v < 0 || static_cast<unsigned>(v) >= numPoints)
                return fail("face " + std::to_string(f) + " uses vertex " + std::to_string(v) +
                            " but the mesh has " + std::to_string(numPoints) + " vertices");
            for (int j = 0; j < i; ++j)
                if (face[j] == v)
                    return fail("face " + std::to_string(f) + " uses vertex " + std::to_string(v) +
                                " twice");
        }
    }

    PolyMesh mesh;
    mesh.m_points = std::move(points);
    mesh.m_faceOffsets.resize(counts.size() + 1);
    mesh.m_faceOffsets[0] = 0;
    for (size_t f = 0; f < counts.size(); ++f)
        mesh.m_faceOffsets[f + 1] = mesh.m_faceOffsets[f] + counts[f];
    mesh.m_faceVerts = std::move(indices);
    out = std::move(mesh);
    return true;
}

bool PolyMesh::create(std::vector<Vec3> points, const std::vector<int>& counts,
                      std::vector<int> indices, CornerEdgeNamer namer, int numNames,
                      bool distinctPairs, PolyMesh& out, std::string* error) {
    PolyMesh mesh;
    if (!create(std::move(points), counts, std::move(indices), mesh, error)) return false;
    if (namer) {
        auto given = std::make_shared<CornerEdges>();
        given->names.reserve(mesh.m_faceVerts.size());
        namer(given->names);
        given->numNames = std::max(numNames, 0);
        given->distinctPairs = distinctPairs;
        mesh.m_cornerEdges.publish(std::move(given));
    }
    out = std::move(mesh);
    return true;
}

namespace {

// Working arrays of the edge walk, kept between walks (under the build lock) so that importing
// many meshes does not fault in fresh pages for each; dropped when they grow past kKeepBytes.
struct EdgeWalkScratch {
    static constexpr size_t kKeepBytes = size_t(16) << 20;
    struct Link {
        int other;  // the edge's end point that is not the list's vertex
        int next;   // next edge listed at the same vertex, -1 at the end
    };
    std::vector<int> head, uses;
    std::vector<Link> links;
    void trim() {
        const size_t bytes =
            4 * (head.capacity() + uses.capacity()) + sizeof(Link) * links.capacity();
        if (bytes > kKeepBytes) *this = {};
    }
};

EdgeWalkScratch& edgeWalkScratch() {
    static EdgeWalkScratch scratch;
    return scratch;
}

}  // namespace

int PolyMesh::walkEdges(std::vector<MeshEdge>* edges, std::vector<int>* faceEdges) const {
    // Number edges by first appearance (see the header for the rule) in one walk over the
    // corners in face order, keeping each edge met so far in a list at one of its end points.
    // The lower-numbered end point keeps lists short in ordinary meshes; when the lists turn out
    // long (many faces around one vertex), the walk starts over listing each edge at the end
    // point used by fewer corners, which bounds every list by that vertex's corner count.
    const int nf = numFaces();
    const int nv = numVertices();
    const size_t corners = m_faceVerts.size();
    const int* verts = m_faceVerts.data();
    EdgeWalkScratch& scratch = edgeWalkScratch();
    std::vector<EdgeWalkScratch::Link>& links = scratch.links;
    std::vector<int>& head = scratch.head;
    std::vector<int>& uses = scratch.uses;
    int* perCorner = faceEdges ? faceEdges->data() : nullptr;
    // A closed mesh has one edge per two corners; borders add a few.
    const size_t expected = corners / 2 + corners / 16 + 16;
    for (const bool byUses : {false, true}) {
        if (byUses) {
            uses.assign(static_cast<size_t>(nv), 0);
            for (size_t c = 0; c < corners; ++c) ++uses[verts[c]];
        }
        head.assign(static_cast<size_t>(nv), -1);
        links.clear();
        links.reserve(expected);
        if (edges) {
            edges->clear();
            edges->reserve(expected);
        }
        const size_t stepLimit = byUses ? std::numeric_limits<size_t>::max() : 8 * corners + 4096;
        size_t steps = 0;
        int f = 0;
        for (; f < nf && steps <= stepLimit; ++f) {
            const int first = m_faceOffsets[f], last = m_faceOffsets[f + 1];
            for (int c = first; c < last; ++c) {
                const int a = verts[c], b = verts[c + 1 < last ? c + 1 : first];
                int key = a < b ? a : b;
                if (byUses) key = uses[a] < uses[b] || (uses[a] == uses[b] && a < b) ? a : b;
                const int other = a ^ b ^ key;
                int e = head[key];
                while (e >= 0 && links[e].other != other) {
                    e = links[e].next;
                    ++steps;
                }
                if (e < 0) {
                    e = static_cast<int>(links.size());
                    links.push_back({other, head[key]});
                    head[key] = e;
                    if (edges) edges->push_back({a, b});
                }
                if (perCorner) perCorner[c] = e;
            }
        }
        if (f == nf) break;
    }
    return static_cast<int>(links.size());
}

namespace {

// True when no two edges join the same two vertices: each edge is listed at its lower end point
// (a counting sort) and each list checked for repeats.
bool pairsDistinct(const std::vector<MeshEdge>& edges, int numVertices) {
    std::vector<int> start(static_cast<size_t>(numVertices) + 1, 0);
    for (const MeshEdge& e : edges) ++start[std::min(e.v0, e.v1)];
    for (int v = 1; v < numVertices; ++v) start[v] += start[v - 1];
    start[numVertices] = static_cast<int>(edges.size());
    std::vector<int> others(edges.size());
    for (const MeshEdge& e : edges) others[--start[std::min(e.v0, e.v1)]] = std::max(e.v0, e.v1);
    for (int v = 0; v < numVertices; ++v) {
        int* first = others.data() + start[v];
        int* last = others.data() + start[v + 1];
        // Lists are short in ordinary meshes: compare pairwise; sort the long ones.
        if (last - first > 16) {
            std::sort(first, last);
            if (std::adjacent_find(first, last) != last) return false;
            continue;
        }
        for (int* a = first; a < last; ++a)
            for (int* b = a + 1; b < last; ++b)
                if (*a == *b) return false;
    }
    return true;
}

}  // namespace

bool PolyMesh::edgesFromNames(int numNames, bool distinctPairs, EdgeTable& table) const {
    // One walk over the corners in face order, turning each corner's name into its edge in
    // place: a name met for the first time is the next edge. While every name is that edge's
    // own number nothing needs translating; the first name that is not starts a translation
    // table.
    const int nf = numFaces();
    const int* verts = m_faceVerts.data();
    int* perCorner = table.faceEdges.data();
    const unsigned names = static_cast<unsigned>(std::max(numNames, 0));
    std::vector<MeshEdge>& edges = table.edges;
    edges.clear();
    edges.reserve(std::min<size_t>(names, m_faceVerts.size()));
    std::vector<int> edgeOfName;
    for (int f = 0; f < nf; ++f) {
        const int first = m_faceOffsets[f], last = m_faceOffsets[f + 1];
        for (int c = first; c < last; ++c) {
            const int a = verts[c], b = verts[c + 1 < last ? c + 1 : first];
            const int name = perCorner[c];
            if (static_cast<unsigned>(name) >= names) return false;
            const int next = static_cast<int>(edges.size());
            int e = name;
            if (!edgeOfName.empty()) {
                e = edgeOfName[name];
                if (e < 0) e = edgeOfName[name] = next;
                perCorner[c] = e;
            } else if (name > next) {
                edgeOfName.assign(names, -1);
                for (int k = 0; k < next; ++k) edgeOfName[k] = k;
                e = edgeOfName[name] = next;
                perCorner[c] = e;
            }
            if (e == next) {
                edges.push_back({a, b});
            } else {
                const MeshEdge& known = edges[e];
                if (!((known.v0 == a && known.v1 == b) || (known.v0 == b && known.v1 == a)))
                    return false;
            }
        }
    }
    table.fromNames = distinctPairs || pairsDistinct(edges, numVertices());
    return table.fromNames;
}

int PolyMesh::countEdges() const {
    std::lock_guard lock(buildMutex());
    if (const EdgeTable* t = m_edgeTable.get()) return static_cast<int>(t->edges.size());
    if (const int* n = m_edgeCount.get()) return *n;
    // Named edges are numbered as fast as they are counted.
    if (m_cornerEdges.get()) return static_cast<int>(buildEdgeTable().edges.size());
    // The quick table answers for ordinary meshes; the full walk handles the rest.
    int count = countEdgesQuick(m_faceOffsets, m_faceVerts, numVertices());
    if (count < 0) {
        count = walkEdges(nullptr, nullptr);
        edgeWalkScratch().trim();
    }
    return m_edgeCount.publish(std::make_shared<const int>(count));
}

const PolyMesh::EdgeTable& PolyMesh::buildEdgeTable() const {
    std::lock_guard lock(buildMutex());
    if (const EdgeTable* built = m_edgeTable.get()) return *built;
    auto table = std::make_shared<EdgeTable>();
    bool named = false;
    if (const CornerEdges* given = m_cornerEdges.get()) {
        // The names become the corners' edge numbers in place: taken over when this mesh alone
        // holds them (no other thread can, under the build lock), else copied.
        std::shared_ptr<const CornerEdges> shared = m_cornerEdges.shared();
        if (shared.use_count() == 2)
            table->faceEdges = std::move(const_cast<CornerEdges&>(*shared).names);
        else
            table->faceEdges = shared->names;
        named = table->faceEdges.size() == m_faceVerts.size() &&
                edgesFromNames(given->numNames, given->distinctPairs, *table);
        m_cornerEdges.drop();
    }
    if (!named) {
        table->faceEdges.resize(m_faceVerts.size());
        walkEdges(&table->edges, &table->faceEdges);
    }
    if (table->edges.capacity() > table->edges.size() + table->edges.size() / 4)
        table->edges.shrink_to_fit();
    edgeWalkScratch().trim();
    return m_edgeTable.publish(std::move(table));
}

const PolyMesh::Adjacency& PolyMesh::buildAdjacency() const {
    const EdgeTable& edges = edgeTable();
    std::lock_guard lock(buildMutex());
    if (const Adjacency* built = m_adjacency.get()) return *built;
    // Each list's entries are counted at its own index and the counts turned into end
    // positions; the lists are then filled from their ends walking faces and edges downwards,
    // so every list comes out ascending and each end position becomes the list's start.
    const int nf = numFaces();
    const int nv = numVertices();
    const int ne = static_cast<int>(edges.edges.size());
    const size_t corners = m_faceVerts.size();
    auto a = std::make_shared<Adjacency>();
    a->edgeFaceOffsets.assign(static_cast<size_t>(ne) + 1, 0);
    a->vertexFaceOffsets.assign(static_cast<size_t>(nv) + 1, 0);
    a->vertexEdgeOffsets.assign(static_cast<size_t>(nv) + 1, 0);
    int* edgeFaceEnd = a->edgeFaceOffsets.data();
    int* vertexFaceEnd = a->vertexFaceOffsets.data();
    int* vertexEdgeEnd = a->vertexEdgeOffsets.data();
    for (size_t c = 0; c < corners; ++c) {
        ++edgeFaceEnd[edges.faceEdges[c]];
        ++vertexFaceEnd[m_faceVerts[c]];
    }
    for (const MeshEdge& e : edges.edges) {
        ++vertexEdgeEnd[e.v0];
        ++vertexEdgeEnd[e.v1];
    }
    countsToEnds(a->edgeFaceOffsets);
    countsToEnds(a->vertexFaceOffsets);
    countsToEnds(a->vertexEdgeOffsets);
    a->edgeFaces.resize(corners);
    a->vertexFaces.resize(corners);
    a->vertexEdges.resize(2 * static_cast<size_t>(ne));
    for (int f = nf - 1; f >= 0; --f)
        for (int c = m_faceOffsets[f]; c < m_faceOffsets[f + 1]; ++c) {
            a->edgeFaces[--edgeFaceEnd[edges.faceEdges[c]]] = f;
            a->vertexFaces[--vertexFaceEnd[m_faceVerts[c]]] = f;
        }
    for (int e = ne - 1; e >= 0; --e) {
        a->vertexEdges[--vertexEdgeEnd[edges.edges[e].v0]] = e;
        a->vertexEdges[--vertexEdgeEnd[edges.edges[e].v1]] = e;
    }
    return m_adjacency.publish(std::move(a));
}

void PolyMesh::pointsChanged() {
    m_faceNormals.reset();
    m_faceVertexNormals.reset();
    m_triangulation.reset();
}

std::vector<int> PolyMesh::faceVertexList() const {
    if (m_faceEnds.empty()) return m_faceVerts;
    std::vector<int> list;
    list.reserve(static_cast<size_t>(numFaceVertices()));
    for (int f = 0; f < numFaces(); ++f) {
        const auto verts = faceVertices(f);
        list.insert(list.end(), verts.begin(), verts.end());
    }
    return list;
}

std::span<const int> PolyMesh::baseList(int key, int kind) const {
    const Adjacency& a = *m_edit->base;
    const std::vector<int>& offsets = kind == 0   ? a.edgeFaceOffsets
                                      : kind == 1 ? a.vertexFaceOffsets
                                                  : a.vertexEdgeOffsets;
    const std::vector<int>& items = kind == 0   ? a.edgeFaces
                                    : kind == 1 ? a.vertexFaces
                                                : a.vertexEdges;
    if (key + 1 >= static_cast<int>(offsets.size())) return {};
    return {items.data() + offsets[key], static_cast<size_t>(offsets[key + 1] - offsets[key])};
}

std::vector<int> PolyMesh::faceCounts() const {
    std::vector<int> counts(numFaces());
    for (int f = 0; f < numFaces(); ++f) counts[f] = faceVertexCount(f);
    return counts;
}

int PolyMesh::findEdge(int a, int b) const {
    if (a < 0 || a >= numVertices()) return -1;
    const std::vector<MeshEdge>& edges = edgeTable().edges;
    for (int e : vertexEdges(a)) {
        const MeshEdge& edge = edges[e];
        if ((edge.v0 == a && edge.v1 == b) || (edge.v0 == b && edge.v1 == a)) return e;
    }
    return -1;
}

void PolyMesh::setEdgeSmooth(int e, bool smooth) {
    if (m_edgeSmooth.empty()) {
        if (smooth == m_allSmooth) return;
        m_edgeSmooth.assign(static_cast<size_t>(numEdges()), m_allSmooth ? 1 : 0);
    }
    if ((m_edgeSmooth[e] != 0) == smooth) return;
    m_edgeSmooth[e] = smooth ? 1 : 0;
    m_faceVertexNormals.reset();
}

void PolyMesh::setAllEdgesSmooth(bool smooth) {
    if (m_edgeSmooth.empty() && m_allSmooth == smooth) return;
    m_edgeSmooth = {};
    m_allSmooth = smooth;
    m_faceVertexNormals.reset();
}

void PolyMesh::setPoint(int v, const Vec3& p) {
    m_points[v] = p;
    pointsChanged();  // a concave face may triangulate differently too
}

bool PolyMesh::setPoints(const std::vector<Vec3>& points) {
    if (points.size() != m_points.size()) return false;
    m_points = points;
    pointsChanged();
    return true;
}

Box3 PolyMesh::bounds() const {
    Box3 box;
    for (const Vec3& p : m_points) box.expand(p);
    return box;
}

void PolyMesh::prepareQueries() const {
    faceVertexNormals();
    triangulation();
}

PolyMesh::DerivedState PolyMesh::derivedState() const {
    return {m_edgeTable.get() != nullptr || m_edgeCount.get() != nullptr,
            m_edgeTable.get() != nullptr,
            m_adjacency.get() != nullptr,
            m_faceNormals.get() != nullptr,
            m_faceVertexNormals.get() != nullptr,
            m_triangulation.get() != nullptr};
}

// UV and colour sets.

int PolyMesh::setIndexOf(const std::string& name, bool uv) const {
    if (uv) {
        const std::string& key = name.empty() ? m_currentUVSet : name;
        for (size_t i = 0; i < m_uvSets.size(); ++i)
            if (m_uvSets[i].name == key) return static_cast<int>(i);
    } else {
        const std::string& key = name.empty() ? m_currentColorSet : name;
        for (size_t i = 0; i < m_colorSets.size(); ++i)
            if (m_colorSets[i].name == key) return static_cast<int>(i);
    }
    return -1;
}

const std::vector<std::string> PolyMesh::uvSetNames() const {
    std::vector<std::string> names;
    for (const UVSet& s : m_uvSets) names.push_back(s.name);
    return names;
}

bool PolyMesh::setCurrentUVSet(const std::string& name) {
    if (setIndexOf(name, true) < 0 || name.empty()) return false;
    m_currentUVSet = name;
    return true;
}

UVSet& PolyMesh::createUVSet(const std::string& name) {
    const int at = setIndexOf(name, true);
    if (at >= 0 && !name.empty()) return m_uvSets[at];
    m_uvSets.push_back(UVSet{name, {}, {}, {}, false});
    if (m_uvSets.size() == 1) m_currentUVSet = name;
    return m_uvSets.back();
}

bool PolyMesh::deleteUVSet(const std::string& name) {
    const int at = setIndexOf(name, true);
    if (at < 0) return false;
    const bool wasCurrent = m_uvSets[at].name == m_currentUVSet;
    m_uvSets.erase(m_uvSets.begin() + at);
    if (wasCurrent) m_currentUVSet = m_uvSets.empty() ? std::string() : m_uvSets.front().name;
    return true;
}

const UVSet* PolyMesh::uvSet(const std::string& name) const {
    const int at = setIndexOf(name, true);
    return at < 0 ? nullptr : &m_uvSets[at];
}

UVSet* PolyMesh::uvSet(const std::string& name) {
    const int at = setIndexOf(name, true);
    return at < 0 ? nullptr : &m_uvSets[at];
}

UVSet* PolyMesh::uvTableTarget(size_t uSize, size_t vSize, const std::string& set,
                               std::string* error) {
    if (uSize != vSize) {
        if (error) *error = "u and v arrays differ in length";
        return nullptr;
    }
    UVSet* target = uvSet(set);
    if (!target) target = &createUVSet(set.empty() ? std::string("map1") : set);
    // Indices already assigned must stay valid.
    const std::vector<int>& assigned = target->idsAreVertices ? m_faceVerts : target->faceVertexUV;
    for (int id : assigned)
        if (id >= static_cast<int>(uSize)) {
            if (error) *error = "assigned UV index " + std::to_string(id) + " past the new table";
            return nullptr;
        }
    return target;
}

bool PolyMesh::setUVs(const std::vector<float>& u, const std::vector<float>& v,
                      const std::string& set, std::string* error) {
    UVSet* target = uvTableTarget(u.size(), v.size(), set, error);
    if (!target) return false;
    target->u = u;
    target->v = v;
    return true;
}

bool PolyMesh::setUVs(std::vector<float>&& u, std::vector<float>&& v, const std::string& set,
                      std::string* error) {
    UVSet* target = uvTableTarget(u.size(), v.size(), set, error);
    if (!target) return false;
    target->u = std::move(u);
    target->v = std::move(v);
    return true;
}

bool PolyMesh::assignUVs(const std::vector<int>& counts, const std::vector<int>& ids,
                         const std::string& set, std::string* error) {
    auto fail = [&](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    UVSet* target = uvSet(set);
    if (!target) return fail("no UV set named \"" + set + "\"");
    if (static_cast<int>(counts.size()) != numFaces())
        return fail("UV counts given for " + std::to_string(counts.size()) + " faces, mesh has " +
                    std::to_string(numFaces()));
    const int tableSize = static_cast<int>(target->u.size());
    // UVs numbered like the vertices (one UV per vertex) need no list of their own.
    if (!m_edit && ids == m_faceVerts && tableSize >= numVertices()) {
        bool everyFace = true;
        for (int f = 0; everyFace && f < numFaces(); ++f)
            everyFace = counts[f] == faceVertexCount(f);
        if (everyFace) {
            target->faceVertexUV = {};
            target->idsAreVertices = true;
            return true;
        }
    }
    // Indices go to each face's own slots (unused slots of an edited mesh keep -1).
    std::vector<int> perCorner(m_faceVerts.size(), -1);
    size_t at = 0;
    for (int f = 0; f < numFaces(); ++f) {
        const int n = faceVertexCount(f);
        if (counts[f] == 0) continue;  // this face gets no UVs
        if (counts[f] != n)
            return fail("face " + std::to_string(f) + " has " + std::to_string(n) +
                        " corners but " + std::to_string(counts[f]) + " UVs were given");
        if (at + static_cast<size_t>(n) > ids.size()) return fail("too few UV ids");
        for (int i = 0; i < n; ++i) {
            const int id = ids[at + i];
            if (id < -1 || id >= tableSize)
                return fail("UV id " + std::to_string(id) + " out of range");
            perCorner[static_cast<size_t>(m_faceOffsets[f] + i)] = id;
        }
        at += static_cast<size_t>(n);
    }
    if (at != ids.size()) return fail("too many UV ids");
    target->faceVertexUV = std::move(perCorner);
    target->idsAreVertices = false;
    return true;
}

bool PolyMesh::assignUVs(const std::vector<int>& counts, std::vector<int>&& ids,
                         const std::string& set, std::string* error) {
    // The ids can be kept as they are when they already sit in each face's own slots: a mesh in
    // the compact layout with every face given its UVs. Anything else (and every failure, for
    // its message) goes the copying way.
    const std::vector<int>& given = ids;
    UVSet* target = uvSet(set);
    bool keep = target && !m_edit && ids.size() == m_faceVerts.size() &&
                static_cast<int>(counts.size()) == numFaces() && ids != m_faceVerts;
    for (int f = 0; keep && f < numFaces(); ++f) keep = counts[f] == faceVertexCount(f);
    const int tableSize = target ? static_cast<int>(target->u.size()) : 0;
    for (size_t c = 0; keep && c < ids.size(); ++c) keep = ids[c] >= -1 && ids[c] < tableSize;
    if (!keep) return assignUVs(counts, given, set, error);
    target->faceVertexUV = std::move(ids);
    target->idsAreVertices = false;
    return true;
}

int PolyMesh::faceVertexUVIndex(int f, int corner, const std::string& set) const {
    const UVSet* s = uvSet(set);
    return s ? uvIdAt(*s, m_faceOffsets[f] + corner) : -1;
}

bool PolyMesh::getFaceVertexUV(int f, int corner, float& u, float& v,
                               const std::string& set) const {
    const UVSet* s = uvSet(set);
    if (!s) return false;
    const int id = uvIdAt(*s, m_faceOffsets[f] + corner);
    if (id < 0) return false;
    u = s->u[id];
    v = s->v[id];
    return true;
}

bool PolyMesh::setFaceVertexUV(int f, int corner, float u, float v, const std::string& set) {
    UVSet* s = uvSet(set);
    if (!s) return false;
    if (s->idsAreVertices) {
        s->faceVertexUV = m_faceVerts;
        s->idsAreVertices = false;
    }
    if (s->faceVertexUV.empty()) s->faceVertexUV.assign(m_faceVerts.size(), -1);
    s->u.push_back(u);
    s->v.push_back(v);
    s->faceVertexUV[m_faceOffsets[f] + corner] = static_cast<int>(s->u.size()) - 1;
    return true;
}

bool PolyMesh::faceHasUVs(int f, const std::string& set) const {
    const UVSet* s = uvSet(set);
    if (!s) return false;
    if (s->idsAreVertices) return true;
    if (s->faceVertexUV.empty()) return false;
    for (int i = m_faceOffsets[f], end = i + faceVertexCount(f); i < end; ++i)
        if (s->faceVertexUV[i] < 0) return false;
    return true;
}

std::vector<std::string> PolyMesh::colorSetNames() const {
    std::vector<std::string> names;
    for (const ColorSet& s : m_colorSets) names.push_back(s.name);
    return names;
}

ColorSet& PolyMesh::createColorSet(const std::string& name) {
    const int at = setIndexOf(name, false);
    if (at >= 0 && !name.empty()) return m_colorSets[at];
    m_colorSets.push_back(ColorSet{name, {}, {}});
    if (m_colorSets.size() == 1) m_currentColorSet = name;
    return m_colorSets.back();
}

const ColorSet* PolyMesh::colorSet(const std::string& name) const {
    const int at = setIndexOf(name, false);
    return at < 0 ? nullptr : &m_colorSets[at];
}

bool PolyMesh::setFaceVertexColor(int f, int corner, const Rgba& c, const std::string& set) {
    const int at = setIndexOf(set, false);
    ColorSet* s =
        at < 0 ? &createColorSet(set.empty() ? std::string("colorSet1") : set) : &m_colorSets[at];
    if (s->faceVertexColor.empty()) s->faceVertexColor.assign(m_faceVerts.size(), -1);
    s->colors.push_back(c);
    s->faceVertexColor[m_faceOffsets[f] + corner] = static_cast<int>(s->colors.size()) - 1;
    return true;
}

Rgba PolyMesh::faceVertexColor(int f, int corner, const std::string& set) const {
    const ColorSet* s = colorSet(set);
    if (!s || s->faceVertexColor.empty()) return Rgba{};
    const int id = s->faceVertexColor[m_faceOffsets[f] + corner];
    return id < 0 ? Rgba{} : s->colors[id];
}

bool PolyMesh::faceHasColors(int f, const std::string& set) const {
    const ColorSet* s = colorSet(set);
    if (!s || s->faceVertexColor.empty()) return false;
    for (int i = m_faceOffsets[f], end = i + faceVertexCount(f); i < end; ++i)
        if (s->faceVertexColor[i] >= 0) return true;
    return false;
}

}  // namespace tarn
