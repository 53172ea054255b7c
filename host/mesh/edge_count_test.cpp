// The quick edge count against the full edge walk over meshes of every shape it meets: closed,
// open, mixed faces, faces in both windings, non-manifold fins, and vertices too busy for it.

#include "host/mesh/edge_count.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/mesh/mesh_primitives.h"
#include "host/mesh/poly_mesh.h"

namespace tarn {
namespace {

// A mesh straight from face lists (points on a line: only the topology matters here).
PolyMesh fromFaces(int numVertices, const std::vector<std::vector<int>>& faces) {
    std::vector<Vec3> points(static_cast<size_t>(numVertices));
    for (int v = 0; v < numVertices; ++v) points[v] = {double(v), 0.0, 0.0};
    std::vector<int> counts, indices;
    for (const auto& f : faces) {
        counts.push_back(static_cast<int>(f.size()));
        indices.insert(indices.end(), f.begin(), f.end());
    }
    PolyMesh m;
    std::string error;
    EXPECT_TRUE(PolyMesh::create(points, counts, indices, m, &error)) << error;
    return m;
}

int quick(const PolyMesh& m) {
    std::vector<int> offsets{0};
    for (int f = 0; f < m.numFaces(); ++f) offsets.push_back(offsets.back() + m.faceVertexCount(f));
    return countEdgesQuick(offsets, m.faceVertexList(), m.numVertices());
}

// The count of the walk that numbers every edge (asking for an edge builds the table, and the
// count then comes from it).
int walked(const PolyMesh& m) {
    (void)m.edge(0);
    return m.numEdges();
}

TEST(EdgeCountQuick, AgreesWithTheEdgeWalk) {
    struct Case {
        const char* name;
        PolyMesh mesh;
        int edges;
    };
    const Case cases[] = {
        {"cube", makeCube(1, 1, 1), 12},
        {"subdivided cube", makeCube(1, 1, 1, 3, 2, 4), -1},
        {"plane 7x5", makePlane(1, 1, 7, 5), 7 * 6 + 5 * 8},
        {"sphere", makeSphere(1, 12, 9), -1},
        {"cylinder", makeCylinder(1, 2, 10, 3), -1},
        {"one triangle", fromFaces(3, {{0, 1, 2}}), 3},
        {"two windings of one triangle", fromFaces(3, {{0, 1, 2}, {0, 2, 1}}), 3},
        {"quad and triangle sharing an edge", fromFaces(5, {{0, 1, 2, 3}, {2, 1, 4}}), 6},
        {"three fins on one edge", fromFaces(5, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}}), 7},
        {"unused vertices", fromFaces(9, {{8, 4, 6}}), 3},
        {"pentagon", fromFaces(5, {{4, 3, 2, 1, 0}}), 5},
    };
    for (const Case& c : cases) {
        const int expected = c.edges >= 0 ? c.edges : walked(c.mesh);
        EXPECT_EQ(quick(c.mesh), expected) << c.name;
        EXPECT_EQ(walked(c.mesh), expected) << c.name;
    }
}

// A fan of n - 1 triangles around vertex `hub`, the rim numbered from `rim0`.
PolyMesh fan(int n, int hub, int rim0) {
    std::vector<std::vector<int>> faces;
    for (int i = 0; i + 1 < n; ++i) faces.push_back({hub, rim0 + i, rim0 + i + 1});
    return fromFaces(n + 1, faces);
}

TEST(EdgeCountQuick, BusyVerticesSpillOrAreLeftToTheWalk) {
    struct Case {
        int n, hub, rim0;
        int quick;  // expected quick answer
    };
    const Case cases[] = {
        {5, 0, 1, 9},         // fits the fixed slots
        {12, 0, 1, 23},       // spills past them
        {12, 12, 0, 23},      // hub numbered last: every edge listed at the rim
        {5000, 0, 1, -1},     // too busy: the walk counts instead
        {5000, 5000, 0, 9999},
    };
    for (const Case& c : cases) {
        const PolyMesh m = fan(c.n, c.hub, c.rim0);
        EXPECT_EQ(quick(m), c.quick) << c.n << " around " << c.hub;
        // The mesh answers the exact count either way.
        EXPECT_EQ(m.numEdges(), 2 * (c.n - 1) + 1) << c.n << " around " << c.hub;
    }
}

TEST(EdgeCountQuick, EmptyInputsCountNothing) {
    EXPECT_EQ(countEdgesQuick({}, {}, 0), 0);
    const std::vector<int> offsets{0};
    EXPECT_EQ(countEdgesQuick(offsets, {}, 5), 0);
}

}  // namespace
}  // namespace tarn
