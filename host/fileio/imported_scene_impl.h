#pragma once
// The template of imported_scene.h.

#include <vector>

namespace tarn::fileio {

template <typename NormalOf, typename Same>
void markHardEdges(PolyMesh& mesh, NormalOf normalOf, Same same) {
    const int ne = mesh.numEdges();
    // The first face of each edge: the normals at the edge's vertex 0 and vertex 1.
    std::vector<int> at0(static_cast<std::size_t>(ne), -2), at1(static_cast<std::size_t>(ne), -2);
    std::vector<char> hard(static_cast<std::size_t>(ne), 0);
    bool anyHard = false;
    for (int f = 0; f < mesh.numFaces(); ++f) {
        const auto verts = mesh.faceVertices(f);
        const auto edges = mesh.faceEdges(f);
        const int n = static_cast<int>(verts.size());
        for (int k = 0; k < n; ++k) {
            const int e = edges[k];
            const int a = verts[k], b = verts[(k + 1) % n];
            const int na = normalOf(f, k), nb = normalOf(f, (k + 1) % n);
            const MeshEdge& edge = mesh.edge(e);
            const int n0 = edge.v0 == a ? na : nb, n1 = edge.v0 == a ? nb : na;
            (void)b;
            if (at0[e] == -2) {
                at0[e] = n0;
                at1[e] = n1;
                continue;
            }
            if (at0[e] < 0 || n0 < 0 || at1[e] < 0 || n1 < 0) continue;
            if (!same(at0[e], n0) || !same(at1[e], n1)) {
                hard[e] = 1;
                anyHard = true;
            }
        }
    }
    if (!anyHard) return;
    bool allHard = true;
    for (int e = 0; e < ne && allHard; ++e) allHard = hard[e] || mesh.edgeFaces(e).size() < 2;
    if (allHard) {
        mesh.setAllEdgesSmooth(false);
        return;
    }
    for (int e = 0; e < ne; ++e)
        if (hard[e]) mesh.setEdgeSmooth(e, false);
}

}  // namespace tarn::fileio
