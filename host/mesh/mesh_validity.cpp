#include "host/mesh/mesh_validity.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace tarn {

namespace {

std::string str(int x) {
    return std::to_string(x);
}

// True when `got` holds exactly the ids of `want` (ascending, each once).
bool sameList(std::span<const int> got, const std::vector<int>& want) {
    return got.size() == want.size() && std::equal(got.begin(), got.end(), want.begin());
}

}  // namespace

std::string meshFault(const PolyMesh& m, bool allowOverloaded) {
    const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces();
    for (int v = 0; v < nv; ++v) {
        const Vec3& p = m.point(v);
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return "vertex " + str(v) + " is not at a finite point";
    }
    // Edges: valid ends, each pair once.
    std::unordered_map<long long, int> byPair;
    auto pairKey = [](int a, int b) {
        return static_cast<long long>(std::min(a, b)) << 32 | static_cast<unsigned>(std::max(a, b));
    };
    std::vector<std::vector<int>> vertexEdges(static_cast<size_t>(nv));
    for (int e = 0; e < ne; ++e) {
        const MeshEdge& edge = m.edge(e);
        if (edge.v0 < 0 || edge.v1 < 0 || edge.v0 >= nv || edge.v1 >= nv || edge.v0 == edge.v1)
            return "edge " + str(e) + " joins " + str(edge.v0) + " and " + str(edge.v1);
        auto [it, added] = byPair.emplace(pairKey(edge.v0, edge.v1), e);
        if (!added)
            return "edges " + str(it->second) + " and " + str(e) + " join the same vertices";
        vertexEdges[edge.v0].push_back(e);
        vertexEdges[edge.v1].push_back(e);
    }
    // Faces: three corners or more, no vertex twice, corner edges that join the corners.
    std::vector<std::vector<int>> edgeFaces(static_cast<size_t>(ne)),
        vertexFaces(static_cast<size_t>(nv));
    std::vector<int> seen;
    for (int f = 0; f < nf; ++f) {
        const auto verts = m.faceVertices(f);
        const auto edges = m.faceEdges(f);
        const int n = static_cast<int>(verts.size());
        if (n < 3) return "face " + str(f) + " has " + str(n) + " corners";
        seen.assign(verts.begin(), verts.end());
        std::sort(seen.begin(), seen.end());
        if (auto twice = std::adjacent_find(seen.begin(), seen.end()); twice != seen.end())
            return "face " + str(f) + " uses vertex " + str(*twice) + " twice";
        for (int i = 0; i < n; ++i) {
            const int a = verts[i], b = verts[(i + 1) % n];
            if (a < 0 || a >= nv) return "face " + str(f) + " uses vertex " + str(a);
            auto it = byPair.find(pairKey(a, b));
            if (it == byPair.end() || it->second != edges[i])
                return "corner " + str(i) + " of face " + str(f) + " names edge " + str(edges[i]) +
                       " between " + str(a) + " and " + str(b);
            edgeFaces[edges[i]].push_back(f);
            vertexFaces[a].push_back(f);
        }
    }
    for (int e = 0; e < ne; ++e) {
        if (edgeFaces[e].empty()) return "edge " + str(e) + " has no face";
        if (edgeFaces[e].size() > 2 && !allowOverloaded)
            return "edge " + str(e) + " is shared by " +
                   str(static_cast<int>(edgeFaces[e].size())) + " faces";
        if (!sameList(m.edgeFaces(e), edgeFaces[e]))
            return "the face list of edge " + str(e) + " is out of date";
    }
    for (int v = 0; v < nv; ++v) {
        if (!sameList(m.vertexFaces(v), vertexFaces[v]))
            return "the face list of vertex " + str(v) + " is out of date";
        if (!sameList(m.vertexEdges(v), vertexEdges[v]))
            return "the edge list of vertex " + str(v) + " is out of date";
    }
    return {};
}

int overloadedEdges(const PolyMesh& m) {
    int count = 0;
    for (int e = 0; e < m.numEdges(); ++e) count += m.edgeFaces(e).size() > 2 ? 1 : 0;
    return count;
}

}  // namespace tarn
