// Face and face-vertex normals of PolyMesh, honouring hard edges.

#include <mutex>
#include <numeric>

#include "host/mesh/poly_mesh.h"

namespace tarn {

namespace {

// Union-find over face-vertex corners.
int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// Corner of face f that holds vertex v, or -1.
int cornerOf(const PolyMesh& mesh, int f, int v) {
    const auto verts = mesh.faceVertices(f);
    for (size_t i = 0; i < verts.size(); ++i)
        if (verts[i] == v) return static_cast<int>(i);
    return -1;
}

}  // namespace

const PolyMesh::Normals& PolyMesh::buildFaceNormals() const {
    std::lock_guard lock(buildMutex());
    if (const Normals* built = m_faceNormals.get()) return *built;
    const int nf = numFaces();
    auto out = std::make_shared<Normals>();
    out->values.resize(static_cast<size_t>(nf));
    // Newell's method: the sum of edge cross terms is twice the area vector.
    for (int f = 0; f < nf; ++f) {
        const auto verts = faceVertices(f);
        Vec3 n;
        for (size_t i = 0; i < verts.size(); ++i) {
            const Vec3& a = m_points[verts[i]];
            const Vec3& b = m_points[verts[i + 1 < verts.size() ? i + 1 : 0]];
            n.x += (a.y - b.y) * (a.z + b.z);
            n.y += (a.z - b.z) * (a.x + b.x);
            n.z += (a.x - b.x) * (a.y + b.y);
        }
        out->values[f] = normalize(n);
    }
    return m_faceNormals.publish(std::move(out));
}

const PolyMesh::Normals& PolyMesh::buildFaceVertexNormals() const {
    const std::vector<Vec3>& faceN = faceNormals().values;
    const EdgeTable& edges = edgeTable();
    if (!m_edit) adjacency();
    std::lock_guard lock(buildMutex());
    if (const Normals* built = m_faceVertexNormals.get()) return *built;
    const int nf = numFaces();
    // Join corners of the same vertex across every soft, two-sided edge; each group shares one
    // normal, the mean of its faces' unit normals.
    std::vector<int> parent(m_faceVerts.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (int e = 0; e < numEdges(); ++e) {
        if (!isEdgeSmooth(e)) continue;
        const auto faces = edgeFaces(e);
        if (faces.size() < 2) continue;
        for (size_t k = 1; k < faces.size(); ++k) {
            for (int v : {edges.edges[e].v0, edges.edges[e].v1}) {
                const int a = m_faceOffsets[faces[0]] + cornerOf(*this, faces[0], v);
                const int b = m_faceOffsets[faces[k]] + cornerOf(*this, faces[k], v);
                parent[findRoot(parent, a)] = findRoot(parent, b);
            }
        }
    }
    std::vector<Vec3> sums(m_faceVerts.size());
    for (int f = 0; f < nf; ++f)
        for (int i = m_faceOffsets[f], end = i + faceVertexCount(f); i < end; ++i)
            sums[findRoot(parent, i)] += faceN[f];
    auto out = std::make_shared<Normals>();
    out->values.resize(m_faceVerts.size());
    for (size_t i = 0; i < m_faceVerts.size(); ++i)
        out->values[i] = normalize(sums[findRoot(parent, static_cast<int>(i))]);
    return m_faceVertexNormals.publish(std::move(out));
}

Vec3 PolyMesh::faceNormal(int f) const {
    return faceNormals().values[f];
}

Vec3 PolyMesh::faceVertexNormal(int f, int corner) const {
    return faceVertexNormals().values[m_faceOffsets[f] + corner];
}

Vec3 PolyMesh::vertexNormal(int v) const {
    const std::vector<Vec3>& faceN = faceNormals().values;
    Vec3 sum;
    for (int f : vertexFaces(v)) sum += faceN[f];
    return normalize(sum);
}

}  // namespace tarn
