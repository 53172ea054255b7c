// Face and face-vertex normals of PolyMesh, honouring hard edges.

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

void PolyMesh::ensureNormals() const {
    if (m_normalsValid) return;
    const int nf = numFaces();
    m_faceNormals.assign(nf, Vec3{});
    // Newell's method: the sum of edge cross terms is twice the area vector.
    for (int f = 0; f < nf; ++f) {
        const auto verts = faceVertices(f);
        Vec3 n;
        for (size_t i = 0; i < verts.size(); ++i) {
            const Vec3& a = m_points[verts[i]];
            const Vec3& b = m_points[verts[(i + 1) % verts.size()]];
            n.x += (a.y - b.y) * (a.z + b.z);
            n.y += (a.z - b.z) * (a.x + b.x);
            n.z += (a.x - b.x) * (a.y + b.y);
        }
        m_faceNormals[f] = normalize(n);
    }

    // Join corners of the same vertex across every soft, two-sided edge; each group shares one
    // normal, the mean of its faces' unit normals.
    std::vector<int> parent(m_faceVerts.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (int e = 0; e < numEdges(); ++e) {
        if (!m_edgeSmooth[e]) continue;
        const auto faces = edgeFaces(e);
        if (faces.size() < 2) continue;
        for (size_t k = 1; k < faces.size(); ++k) {
            for (int v : {m_edges[e].v0, m_edges[e].v1}) {
                const int a = m_faceOffsets[faces[0]] + cornerOf(*this, faces[0], v);
                const int b = m_faceOffsets[faces[k]] + cornerOf(*this, faces[k], v);
                parent[findRoot(parent, a)] = findRoot(parent, b);
            }
        }
    }
    std::vector<Vec3> sums(m_faceVerts.size());
    for (int f = 0; f < nf; ++f)
        for (int i = m_faceOffsets[f]; i < m_faceOffsets[f + 1]; ++i)
            sums[findRoot(parent, i)] += m_faceNormals[f];
    m_faceVertexNormals.resize(m_faceVerts.size());
    for (size_t i = 0; i < m_faceVerts.size(); ++i)
        m_faceVertexNormals[i] = normalize(sums[findRoot(parent, static_cast<int>(i))]);
    m_normalsValid = true;
}

Vec3 PolyMesh::faceNormal(int f) const {
    ensureNormals();
    return m_faceNormals[f];
}

Vec3 PolyMesh::faceVertexNormal(int f, int corner) const {
    ensureNormals();
    return m_faceVertexNormals[m_faceOffsets[f] + corner];
}

Vec3 PolyMesh::vertexNormal(int v) const {
    ensureNormals();
    Vec3 sum;
    for (int f : vertexFaces(v)) sum += m_faceNormals[f];
    return normalize(sum);
}

}  // namespace tarn
