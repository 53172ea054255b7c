// Edge table and adjacency lists of PolyMesh checked against a straightforward reference built
// with a map, over meshes of mixed polygons, borders, non-manifold edges and a high-valence hub.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "host/mesh/mesh_operation.h"
#include "host/mesh/poly_mesh.h"

namespace tarn {
namespace {

struct Shape {
    const char* name;
    int points;
    std::vector<int> counts, indices;
};

// A fan of n triangles around vertex 0 (vertex 0 is on every face and n + 1 edges).
Shape fan(int n) {
    Shape s{"fan", n + 2, {}, {}};
    for (int i = 0; i < n; ++i) {
        s.counts.push_back(3);
        s.indices.insert(s.indices.end(), {0, i + 1, i + 2});
    }
    return s;
}

// Random triangles and quads over a few points: repeats edges in both directions and shares
// some edges among three or more faces.
Shape randomPolygons(unsigned seed) {
    std::mt19937 rng(seed);
    Shape s{"random", 12, {}, {}};
    for (int f = 0; f < 60; ++f) {
        const int n = 3 + static_cast<int>(rng() % 2);
        std::vector<int> all(12);
        for (int i = 0; i < 12; ++i) all[i] = i;
        std::shuffle(all.begin(), all.end(), rng);
        s.counts.push_back(n);
        s.indices.insert(s.indices.end(), all.begin(), all.begin() + n);
    }
    return s;
}

void expectMatchesReference(const Shape& s) {
    SCOPED_TRACE(s.name);
    std::vector<Vec3> points(s.points);
    for (int i = 0; i < s.points; ++i) points[i] = {double(i), double(i * i % 7), 0.0};
    PolyMesh mesh;
    std::string error;
    ASSERT_TRUE(PolyMesh::create(points, s.counts, s.indices, mesh, &error)) << error;

    std::map<std::pair<int, int>, int> ids;
    std::vector<MeshEdge> edges;
    std::vector<std::vector<int>> edgeFaces, vertexFaces(s.points), vertexEdges(s.points);
    size_t at = 0;
    for (size_t f = 0; f < s.counts.size(); ++f) {
        const int n = s.counts[f];
        for (int i = 0; i < n; ++i) {
            const int a = s.indices[at + i], b = s.indices[at + (i + 1) % n];
            auto [it, added] =
                ids.try_emplace({std::min(a, b), std::max(a, b)}, static_cast<int>(edges.size()));
            if (added) {
                edges.push_back({a, b});
                edgeFaces.emplace_back();
                vertexEdges[a].push_back(it->second);
                vertexEdges[b].push_back(it->second);
            }
            EXPECT_EQ(mesh.faceEdges(static_cast<int>(f))[i], it->second);
            edgeFaces[it->second].push_back(static_cast<int>(f));
            vertexFaces[a].push_back(static_cast<int>(f));
        }
        at += n;
    }
    ASSERT_EQ(mesh.numEdges(), static_cast<int>(edges.size()));
    for (int e = 0; e < mesh.numEdges(); ++e) {
        EXPECT_EQ(mesh.edge(e).v0, edges[e].v0) << "edge " << e;
        EXPECT_EQ(mesh.edge(e).v1, edges[e].v1) << "edge " << e;
        const auto got = mesh.edgeFaces(e);
        EXPECT_EQ(std::vector<int>(got.begin(), got.end()), edgeFaces[e]) << "edge " << e;
    }
    for (int v = 0; v < s.points; ++v) {
        std::sort(vertexEdges[v].begin(), vertexEdges[v].end());
        const auto faces = mesh.vertexFaces(v);
        const auto vedges = mesh.vertexEdges(v);
        EXPECT_EQ(std::vector<int>(faces.begin(), faces.end()), vertexFaces[v]) << "vertex " << v;
        EXPECT_EQ(std::vector<int>(vedges.begin(), vedges.end()), vertexEdges[v]) << "vertex " << v;
        for (int w : {0, s.points - 1}) {
            const auto it = ids.find({std::min(v, w), std::max(v, w)});
            EXPECT_EQ(mesh.findEdge(v, w), it == ids.end() ? -1 : it->second);
        }
    }
}

TEST(PolyMeshTopology, MatchesReference) {
    for (const Shape& s : {fan(1), fan(500), randomPolygons(1), randomPolygons(2),
                           Shape{"two faces sharing three vertices", 4, {3, 3}, {0, 1, 2, 2, 1, 3}},
                           Shape{"no faces", 3, {}, {}}})
        expectMatchesReference(s);
}

// Changes list only the edges whose flag moved, with their previous flag; a second run of the
// same operation changes nothing.
TEST(PolyMeshTopology, SoftEdgeChangesListOnlyFlippedEdges) {
    PolyMesh mesh;
    ASSERT_TRUE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}, {3, 3},
                                 {0, 1, 2, 0, 2, 3}, mesh, nullptr));
    mesh.setEdgeSmooth(1, false);
    struct Row {
        double angle;
        std::vector<int> edges;
        std::vector<std::pair<int, bool>> changes;
    } rows[] = {
        {180.0, {}, {{1, false}}},
        {180.0, {}, {}},
        {0.0, {0, 4}, {{0, true}, {4, true}}},
        {-5.0, {}, {{1, true}, {2, true}, {3, true}}},
        {50.0, {2}, {}},  // the two faces meet at about 55 degrees along edge 2
        {60.0, {2}, {{2, false}}},
    };
    for (const Row& r : rows) {
        SoftEdgeOperation op(r.angle, r.edges);
        op.setKeepChanges(true);
        ASSERT_TRUE(op.prepare(mesh).ok);
        op.apply(mesh);
        op.cleanup();
        EXPECT_EQ(op.changes(), r.changes) << "angle " << r.angle;
    }
    SoftEdgeOperation quiet(0.0, {});
    ASSERT_TRUE(quiet.prepare(mesh).ok);
    quiet.apply(mesh);
    EXPECT_TRUE(quiet.changes().empty()) << "changes are only kept on request";
    for (int e = 0; e < mesh.numEdges(); ++e) EXPECT_FALSE(mesh.isEdgeSmooth(e));
}

}  // namespace
}  // namespace tarn
