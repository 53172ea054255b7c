#pragma once
// What the mesh kernel's tests share: everything a user can see of a mesh as one comparable
// value, and the validity check as a test expectation.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/mesh/mesh_validity.h"
#include "host/mesh/poly_mesh.h"

namespace tarn::testing {

struct MeshShot {
    std::vector<Vec3> points;
    std::vector<std::vector<int>> faces, faceEdges, uvIds;
    std::vector<std::pair<int, int>> edges;
    std::vector<bool> smooth;
    std::vector<std::pair<float, float>> uvTable;  // current set
    PolyMesh::ObjectGroups groups;
    bool operator==(const MeshShot&) const = default;
};

inline MeshShot shoot(const PolyMesh& m) {
    MeshShot s;
    s.points = m.points();
    for (int f = 0; f < m.numFaces(); ++f) {
        const auto v = m.faceVertices(f);
        const auto e = m.faceEdges(f);
        s.faces.emplace_back(v.begin(), v.end());
        s.faceEdges.emplace_back(e.begin(), e.end());
        s.uvIds.emplace_back();
        for (int c = 0; c < m.faceVertexCount(f); ++c)
            s.uvIds.back().push_back(m.faceVertexUVIndex(f, c));
    }
    for (int e = 0; e < m.numEdges(); ++e) {
        s.edges.emplace_back(m.edge(e).v0, m.edge(e).v1);
        s.smooth.push_back(m.isEdgeSmooth(e));
    }
    if (const UVSet* set = m.uvSet())
        for (size_t i = 0; i < set->u.size(); ++i) s.uvTable.emplace_back(set->u[i], set->v[i]);
    s.groups = m.objectGroups();
    return s;
}

/// The loop of face f as a vector.
inline std::vector<int> loop(const PolyMesh& m, int f) {
    const auto v = m.faceVertices(f);
    return {v.begin(), v.end()};
}

#define EXPECT_VALID_MESH(m) EXPECT_EQ(::tarn::meshFault(m), "")

}  // namespace tarn::testing
