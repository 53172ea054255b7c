#include "host/mesh/poly_mesh.h"

#include <algorithm>

namespace tarn {

namespace {

// Turns per-key counts (offsets[k + 1] = count of key k) into CSR offsets.
void countsToOffsets(std::vector<int>& offsets) {
    for (size_t i = 1; i < offsets.size(); ++i) offsets[i] += offsets[i - 1];
}

}  // namespace

bool PolyMesh::create(std::vector<Vec3> points, const std::vector<int>& counts,
                      const std::vector<int>& indices, PolyMesh& out, std::string* error) {
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
    const int numPoints = static_cast<int>(points.size());
    size_t at = 0;
    for (size_t f = 0; f < counts.size(); ++f) {
        const int n = counts[f];
        for (int i = 0; i < n; ++i) {
            const int v = indices[at + i];
            if (v < 0 || v >= numPoints)
                return fail("face " + std::to_string(f) + " uses vertex " + std::to_string(v) +
                            " but the mesh has " + std::to_string(numPoints) + " vertices");
            for (int j = 0; j < i; ++j)
                if (indices[at + j] == v)
                    return fail("face " + std::to_string(f) + " uses vertex " + std::to_string(v) +
                                " twice");
        }
        at += static_cast<size_t>(n);
    }

    PolyMesh mesh;
    mesh.m_points = std::move(points);
    mesh.m_faceOffsets.resize(counts.size() + 1);
    mesh.m_faceOffsets[0] = 0;
    for (size_t f = 0; f < counts.size(); ++f)
        mesh.m_faceOffsets[f + 1] = mesh.m_faceOffsets[f] + counts[f];
    mesh.m_faceVerts = indices;
    mesh.buildTopology();
    mesh.m_edgeSmooth.assign(mesh.m_edges.size(), 1);
    out = std::move(mesh);
    return true;
}

void PolyMesh::buildTopology() {
    // Number edges by first appearance (see the header for the rule) without a hash table:
    // corners are bucketed by the lower end point of their edge (in corner order), and within a
    // bucket the first corner met for each upper end point is remembered in per-vertex stamps, so
    // every corner points at the first corner of its edge.
    const int nf = numFaces();
    const int nv = numVertices();
    const size_t corners = m_faceVerts.size();
    std::vector<int> cornerFace(corners), cornerNext(corners);
    for (int f = 0; f < nf; ++f) {
        const int first = m_faceOffsets[f], last = m_faceOffsets[f + 1];
        for (int c = first; c < last; ++c) {
            cornerFace[c] = f;
            cornerNext[c] = m_faceVerts[c + 1 < last ? c + 1 : first];
        }
    }
    std::vector<int> bucketOffsets(static_cast<size_t>(nv) + 1, 0);
    for (size_t c = 0; c < corners; ++c)
        ++bucketOffsets[std::min(m_faceVerts[c], cornerNext[c]) + 1];
    countsToOffsets(bucketOffsets);
    std::vector<int> bucket(corners);
    {
        std::vector<int> fill(bucketOffsets.begin(), bucketOffsets.end() - 1);
        for (size_t c = 0; c < corners; ++c)
            bucket[fill[std::min(m_faceVerts[c], cornerNext[c])]++] = static_cast<int>(c);
    }
    // First corner of each corner's edge, kept in m_faceEdges until edges are numbered.
    m_faceEdges.assign(corners, -1);
    {
        std::vector<int> stamp(static_cast<size_t>(nv), -1), firstCorner(static_cast<size_t>(nv));
        for (int v = 0; v < nv; ++v)
            for (int k = bucketOffsets[v]; k < bucketOffsets[v + 1]; ++k) {
                const int c = bucket[k];
                const int hi = std::max(m_faceVerts[c], cornerNext[c]);
                if (stamp[hi] != v) {
                    stamp[hi] = v;
                    firstCorner[hi] = c;
                }
                m_faceEdges[c] = firstCorner[hi];
            }
    }
    bucket = {};
    bucketOffsets = {};
    // Corners in face order meet their edge's first corner before any other corner of it.
    size_t edgeCount = 0;
    for (size_t c = 0; c < corners; ++c) edgeCount += m_faceEdges[c] == static_cast<int>(c);
    m_edges.clear();
    m_edges.reserve(edgeCount);
    for (size_t c = 0; c < corners; ++c)
        if (m_faceEdges[c] == static_cast<int>(c)) {
            m_faceEdges[c] = static_cast<int>(m_edges.size());
            m_edges.push_back({m_faceVerts[c], cornerNext[c]});
        } else {
            m_faceEdges[c] = m_faceEdges[m_faceEdges[c]];
        }
    cornerNext = {};
    const int ne = numEdges();

    // Adjacency lists, filled in ascending order of their values (faces and edges are walked
    // in order), so no sorting is needed.
    m_edgeFaceOffsets.assign(static_cast<size_t>(ne) + 1, 0);
    m_vertexFaceOffsets.assign(static_cast<size_t>(nv) + 1, 0);
    m_vertexEdgeOffsets.assign(static_cast<size_t>(nv) + 1, 0);
    for (size_t c = 0; c < corners; ++c) {
        ++m_edgeFaceOffsets[m_faceEdges[c] + 1];
        ++m_vertexFaceOffsets[m_faceVerts[c] + 1];
    }
    for (const MeshEdge& e : m_edges) {
        ++m_vertexEdgeOffsets[e.v0 + 1];
        ++m_vertexEdgeOffsets[e.v1 + 1];
    }
    countsToOffsets(m_edgeFaceOffsets);
    countsToOffsets(m_vertexFaceOffsets);
    countsToOffsets(m_vertexEdgeOffsets);
    m_edgeFaces.assign(corners, 0);
    m_vertexFaces.assign(corners, 0);
    m_vertexEdges.assign(2 * static_cast<size_t>(ne), 0);
    {
        std::vector<int> edgeFill(m_edgeFaceOffsets.begin(), m_edgeFaceOffsets.end() - 1);
        for (size_t c = 0; c < corners; ++c)
            m_edgeFaces[edgeFill[m_faceEdges[c]]++] = cornerFace[c];
    }
    cornerFace = {};
    {
        std::vector<int> vertexFill(m_vertexFaceOffsets.begin(), m_vertexFaceOffsets.end() - 1);
        for (int f = 0; f < nf; ++f)
            for (int c = m_faceOffsets[f]; c < m_faceOffsets[f + 1]; ++c)
                m_vertexFaces[vertexFill[m_faceVerts[c]]++] = f;
        vertexFill.assign(m_vertexEdgeOffsets.begin(), m_vertexEdgeOffsets.end() - 1);
        for (int e = 0; e < ne; ++e) {
            m_vertexEdges[vertexFill[m_edges[e].v0]++] = e;
            m_vertexEdges[vertexFill[m_edges[e].v1]++] = e;
        }
    }
    invalidateGeometry();
    m_trianglesValid = false;
}

void PolyMesh::invalidateGeometry() {
    m_normalsValid = false;
}

std::vector<int> PolyMesh::faceCounts() const {
    std::vector<int> counts(numFaces());
    for (int f = 0; f < numFaces(); ++f) counts[f] = faceVertexCount(f);
    return counts;
}

int PolyMesh::findEdge(int a, int b) const {
    if (a < 0 || a >= numVertices()) return -1;
    for (int e : vertexEdges(a)) {
        const MeshEdge& edge = m_edges[e];
        if ((edge.v0 == a && edge.v1 == b) || (edge.v0 == b && edge.v1 == a)) return e;
    }
    return -1;
}

void PolyMesh::setEdgeSmooth(int e, bool smooth) {
    m_edgeSmooth[e] = smooth ? 1 : 0;
    invalidateGeometry();
}

void PolyMesh::setAllEdgesSmooth(bool smooth) {
    std::fill(m_edgeSmooth.begin(), m_edgeSmooth.end(), smooth ? 1 : 0);
    invalidateGeometry();
}

void PolyMesh::setPoint(int v, const Vec3& p) {
    m_points[v] = p;
    invalidateGeometry();
    m_trianglesValid = false;  // a concave face may triangulate differently
}

bool PolyMesh::setPoints(const std::vector<Vec3>& points) {
    if (points.size() != m_points.size()) return false;
    m_points = points;
    invalidateGeometry();
    m_trianglesValid = false;
    return true;
}

Box3 PolyMesh::bounds() const {
    Box3 box;
    for (const Vec3& p : m_points) box.expand(p);
    return box;
}

void PolyMesh::prepareQueries() const {
    ensureNormals();
    ensureTriangles();
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
    m_uvSets.push_back(UVSet{name, {}, {}, {}});
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

bool PolyMesh::setUVs(const std::vector<float>& u, const std::vector<float>& v,
                      const std::string& set, std::string* error) {
    if (u.size() != v.size()) {
        if (error) *error = "u and v arrays differ in length";
        return false;
    }
    UVSet* target = uvSet(set);
    if (!target) target = &createUVSet(set.empty() ? std::string("map1") : set);
    // Indices already assigned must stay valid.
    for (int id : target->faceVertexUV)
        if (id >= static_cast<int>(u.size())) {
            if (error) *error = "assigned UV index " + std::to_string(id) + " past the new table";
            return false;
        }
    target->u = u;
    target->v = v;
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
    std::vector<int> perCorner(m_faceVerts.size(), -1);
    size_t at = 0;
    for (int f = 0; f < numFaces(); ++f) {
        if (counts[f] == 0) continue;  // this face gets no UVs
        if (counts[f] != faceVertexCount(f))
            return fail("face " + std::to_string(f) + " has " + std::to_string(faceVertexCount(f)) +
                        " corners but " + std::to_string(counts[f]) + " UVs were given");
        for (int i = 0; i < counts[f]; ++i, ++at) {
            if (at >= ids.size()) return fail("too few UV ids");
            const int id = ids[at];
            if (id < -1 || id >= static_cast<int>(target->u.size()))
                return fail("UV id " + std::to_string(id) + " out of range");
            perCorner[m_faceOffsets[f] + i] = id;
        }
    }
    if (at != ids.size()) return fail("too many UV ids");
    target->faceVertexUV = std::move(perCorner);
    return true;
}

int PolyMesh::faceVertexUVIndex(int f, int corner, const std::string& set) const {
    const UVSet* s = uvSet(set);
    if (!s || s->faceVertexUV.empty()) return -1;
    return s->faceVertexUV[m_faceOffsets[f] + corner];
}

bool PolyMesh::getFaceVertexUV(int f, int corner, float& u, float& v,
                               const std::string& set) const {
    const UVSet* s = uvSet(set);
    if (!s || s->faceVertexUV.empty()) return false;
    const int id = s->faceVertexUV[m_faceOffsets[f] + corner];
    if (id < 0) return false;
    u = s->u[id];
    v = s->v[id];
    return true;
}

bool PolyMesh::setFaceVertexUV(int f, int corner, float u, float v, const std::string& set) {
    UVSet* s = uvSet(set);
    if (!s) return false;
    if (s->faceVertexUV.empty()) s->faceVertexUV.assign(m_faceVerts.size(), -1);
    s->u.push_back(u);
    s->v.push_back(v);
    s->faceVertexUV[m_faceOffsets[f] + corner] = static_cast<int>(s->u.size()) - 1;
    return true;
}

bool PolyMesh::faceHasUVs(int f, const std::string& set) const {
    const UVSet* s = uvSet(set);
    if (!s || s->faceVertexUV.empty()) return false;
    for (int i = m_faceOffsets[f]; i < m_faceOffsets[f + 1]; ++i)
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
    for (int i = m_faceOffsets[f]; i < m_faceOffsets[f + 1]; ++i)
        if (s->faceVertexColor[i] >= 0) return true;
    return false;
}

}  // namespace tarn
