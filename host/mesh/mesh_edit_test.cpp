// Topology edits: the id rules, the exact shape of small cases, invariants (edge table and
// adjacency agree with the faces, Euler characteristic) over several meshes, and undo/redo
// restoring the mesh exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "host/mesh/mesh_edit.h"
#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"

namespace tarn {
namespace {

// Everything a user can see of a mesh, for exact comparisons.
struct Snapshot {
    std::vector<Vec3> points;
    std::vector<std::vector<int>> faces, faceEdges;
    std::vector<std::pair<int, int>> edges;
    std::vector<std::vector<std::pair<float, float>>> uvs;  // per face-vertex, current set
    std::vector<std::vector<int>> uvIds;
    size_t uvCount = 0;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const PolyMesh& m) {
    Snapshot s;
    s.points = m.points();
    for (int f = 0; f < m.numFaces(); ++f) {
        const auto v = m.faceVertices(f);
        const auto e = m.faceEdges(f);
        s.faces.emplace_back(v.begin(), v.end());
        s.faceEdges.emplace_back(e.begin(), e.end());
        s.uvs.emplace_back();
        s.uvIds.emplace_back();
        for (int c = 0; c < m.faceVertexCount(f); ++c) {
            float u = -1, w = -1;
            m.getFaceVertexUV(f, c, u, w);
            s.uvs.back().emplace_back(u, w);
            s.uvIds.back().push_back(m.faceVertexUVIndex(f, c));
        }
    }
    for (int e = 0; e < m.numEdges(); ++e) s.edges.emplace_back(m.edge(e).v0, m.edge(e).v1);
    s.uvCount = m.uvSet() ? m.uvSet()->u.size() : 0;
    return s;
}

// The edge table and adjacency agree with the faces; no edge is doubled or unused.
void expectConsistent(const PolyMesh& m, const std::string& what) {
    SCOPED_TRACE(what);
    std::map<std::pair<int, int>, int> byPair;
    std::vector<std::set<int>> edgeFaces(m.numEdges()), vertexFaces(m.numVertices()),
        vertexEdges(m.numVertices());
    for (int e = 0; e < m.numEdges(); ++e) {
        const MeshEdge& edge = m.edge(e);
        ASSERT_GE(edge.v0, 0);
        ASSERT_LT(edge.v1, m.numVertices());
        ASSERT_NE(edge.v0, edge.v1);
        const auto key = std::minmax(edge.v0, edge.v1);
        ASSERT_TRUE(byPair.emplace(key, e).second) << "edge " << e << " doubles " << byPair[key];
        vertexEdges[edge.v0].insert(e);
        vertexEdges[edge.v1].insert(e);
    }
    for (int f = 0; f < m.numFaces(); ++f) {
        const auto verts = m.faceVertices(f);
        const auto edges = m.faceEdges(f);
        ASSERT_GE(verts.size(), 3u) << "face " << f;
        for (size_t i = 0; i < verts.size(); ++i) {
            const int a = verts[i], b = verts[(i + 1) % verts.size()];
            ASSERT_EQ(edges[i], byPair[std::minmax(a, b)]) << "face " << f << " corner " << i;
            edgeFaces[edges[i]].insert(f);
            vertexFaces[a].insert(f);
        }
    }
    for (int e = 0; e < m.numEdges(); ++e) {
        const auto got = m.edgeFaces(e);
        EXPECT_EQ(std::set<int>(got.begin(), got.end()), edgeFaces[e]) << "edge " << e;
        EXPECT_FALSE(edgeFaces[e].empty()) << "edge " << e << " is unused";
    }
    for (int v = 0; v < m.numVertices(); ++v) {
        const auto f = m.vertexFaces(v);
        const auto e = m.vertexEdges(v);
        EXPECT_EQ(std::set<int>(f.begin(), f.end()), vertexFaces[v]) << "vertex " << v;
        EXPECT_EQ(std::set<int>(e.begin(), e.end()), vertexEdges[v]) << "vertex " << v;
    }
    // A fresh mesh of the same faces counts the same edges.
    PolyMesh fresh;
    ASSERT_TRUE(PolyMesh::create(m.points(), m.faceCounts(), m.faceVertexList(), fresh, nullptr));
    EXPECT_EQ(fresh.numEdges(), m.numEdges());
}

SplitPoint ep(int edge, double t) {
    return SplitPoint::onEdge(edge, t);
}

int euler(const PolyMesh& m) {
    return m.numVertices() - m.numEdges() + m.numFaces();
}

// The edge of face f joining corners k and k+1.
int faceEdge(const PolyMesh& m, int f, int k) {
    return m.faceEdges(f)[k];
}

TEST(MeshEdit, SplitEdgeKeepsItsIdForThePieceFromVertexZero) {
    PolyMesh m = makePlane(1, 1, 2, 2);
    const int e = faceEdge(m, 0, 1), v0 = m.edge(e).v0, v1 = m.edge(e).v1;
    const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces();
    EditResult r;
    ASSERT_TRUE(subdivideEdges(m, {e}, 1, &r).ok);
    EXPECT_EQ(m.numVertices(), nv + 1);
    EXPECT_EQ(m.numEdges(), ne + 1);
    EXPECT_EQ(m.numFaces(), nf);
    EXPECT_EQ(m.edge(e).v0, v0);
    EXPECT_EQ(m.edge(e).v1, nv);
    EXPECT_EQ(m.edge(ne).v0, nv);
    EXPECT_EQ(m.edge(ne).v1, v1);
    const Vec3 mid = (m.point(v0) + m.point(v1)) * 0.5;
    EXPECT_NEAR(length(m.point(nv) - mid), 0.0, 1e-12);
    EXPECT_EQ(r.firstNewVertex, nv);
    expectConsistent(m, "after subdivide");
}

TEST(MeshEdit, SubdivideSpacesVerticesEvenlyFromVertexZero) {
    PolyMesh m = makeCube(1, 1, 1);
    const int e = 0, v0 = m.edge(e).v0, v1 = m.edge(e).v1, nv = m.numVertices();
    ASSERT_TRUE(subdivideEdges(m, {e}, 3, nullptr).ok);
    ASSERT_EQ(m.numVertices(), nv + 3);
    for (int k = 0; k < 3; ++k) {
        const Vec3 want = m.point(v0) + (m.point(v1) - m.point(v0)) * ((k + 1) / 4.0);
        EXPECT_NEAR(length(m.point(nv + k) - want), 0.0, 1e-12) << k;
    }
    // The two faces of the edge became hexagons... of 7 corners; the cube stays closed.
    EXPECT_EQ(m.faceVertexCount(m.edgeFaces(e)[0]), 7);
    EXPECT_EQ(euler(m), 2);
    expectConsistent(m, "cube");
}

TEST(MeshEdit, SplitFaceKeepsItsIdForThePieceWithItsFirstCorner) {
    PolyMesh m = makePlane(1, 1, 1, 1);  // one quad
    const auto quad = m.faceVertices(0);
    const std::vector<int> before(quad.begin(), quad.end());
    const int a = faceEdge(m, 0, 0), c = faceEdge(m, 0, 2);
    EditResult r;
    ASSERT_TRUE(splitMesh(m, {{ep(a, 0.5), ep(c, 0.5)}}, 1, &r).ok);
    ASSERT_EQ(m.numFaces(), 2);
    ASSERT_EQ(m.numVertices(), 6);
    EXPECT_EQ(m.numEdges(), 7);
    // Face 0 still starts at its first corner and runs on through the new vertices.
    const auto f0 = m.faceVertices(0);
    EXPECT_EQ(std::vector<int>(f0.begin(), f0.end()),
              (std::vector<int>{before[0], 4, 5, before[3]}));
    const auto f1 = m.faceVertices(1);
    EXPECT_EQ(std::vector<int>(f1.begin(), f1.end()),
              (std::vector<int>{4, before[1], before[2], 5}));
    // The cut edge runs along the cut's direction.
    EXPECT_EQ(m.edge(6).v0, 4);
    EXPECT_EQ(m.edge(6).v1, 5);
    EXPECT_EQ(r.faceOrigins.at(1), 0);
    // UVs of the new corners sit halfway along their edges.
    float u0, v0, u1, v1, u4, v4;
    ASSERT_TRUE(m.getFaceVertexUV(0, 0, u0, v0));
    ASSERT_TRUE(m.getFaceVertexUV(1, 1, u1, v1));
    ASSERT_TRUE(m.getFaceVertexUV(0, 1, u4, v4));
    EXPECT_NEAR(u4, (u0 + u1) / 2, 1e-6);
    EXPECT_NEAR(v4, (v0 + v1) / 2, 1e-6);
    // Both pieces share the UVs along the cut.
    EXPECT_EQ(m.faceVertexUVIndex(0, 1), m.faceVertexUVIndex(1, 0));
    expectConsistent(m, "split quad");
}

TEST(MeshEdit, SecondSplitIdsArePredictableBeforeTheFirstRuns) {
    PolyMesh m = makePlane(1, 1, 3, 1);  // a row of three quads
    // Two chains across the middle and the last quad, computed from the mesh as it is.
    const auto shared = [&](int f, int g) {
        for (int e : m.faceEdges(f))
            for (int h : m.faceEdges(g))
                if (e == h) return e;
        return -1;
    };
    const int e01 = shared(0, 1), e12 = shared(1, 2);
    int outer = -1;  // the border edge of face 2 across from e12
    for (int e : m.faceEdges(2))
        if (m.isBorderEdge(e) && m.edge(e).v0 != m.edge(e12).v0 && m.edge(e).v1 != m.edge(e12).v0 &&
            m.edge(e).v0 != m.edge(e12).v1 && m.edge(e).v1 != m.edge(e12).v1)
            outer = e;
    ASSERT_GE(outer, 0);
    const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces();
    const Vec3 e12v0 = m.point(m.edge(e12).v0), e12v1 = m.point(m.edge(e12).v1);
    // First chain: e01 -> e12 cuts face 1 (two new vertices, two edge pieces and the cut).
    ASSERT_TRUE(splitMesh(m, {{ep(e01, 0.5), ep(e12, 0.5)}}, 1, nullptr).ok);
    // Predicted: vertices nv, nv+1; face nf split off face 1; e12 keeps the piece from its
    // vertex 0, so the original edge's quarter point is e12 at 0.5 now.
    EXPECT_EQ(m.numVertices(), nv + 2);
    EXPECT_EQ(m.numFaces(), nf + 1);
    EXPECT_EQ(m.numEdges(), ne + 3);
    EXPECT_EQ(m.edge(e12).v1, nv + 1);
    ASSERT_TRUE(splitMesh(m, {{ep(e12, 0.5), ep(outer, 0.5)}}, 1, nullptr).ok);
    EXPECT_EQ(m.numVertices(), nv + 4);
    EXPECT_EQ(m.numFaces(), nf + 2);
    EXPECT_EQ(m.numEdges(), ne + 6);
    EXPECT_NEAR(length(m.point(nv + 2) - (e12v0 * 0.75 + e12v1 * 0.25)), 0.0, 1e-12);
    expectConsistent(m, "two chains");
}

TEST(MeshEdit, ClosedChainAroundACylinderCutsEveryFaceOfTheRing) {
    const int sides = 8;
    PolyMesh m = makeCylinder(1, 2, sides, 1, 0);
    // The side faces are the quads; walk them around through their vertical edges.
    std::vector<int> ring;
    for (int f = 0; f < m.numFaces(); ++f)
        if (m.faceVertexCount(f) == 4) ring.push_back(f);
    ASSERT_EQ(static_cast<int>(ring.size()), sides);
    std::vector<SplitPoint> chain;
    int face = ring[0], edge = -1;
    for (int step = 0; step < sides; ++step) {
        for (int e : m.faceEdges(face)) {
            const auto fs = m.edgeFaces(e);
            if (e == edge || fs.size() != 2 || m.faceVertexCount(fs[0]) != 4 ||
                m.faceVertexCount(fs[1]) != 4)
                continue;
            if (!chain.empty() && e == chain.front().edge) continue;
            edge = e;
            break;
        }
        const MeshEdge& ed = m.edge(edge);
        // Cut at mid height whatever the edge's direction.
        chain.push_back(ep(edge, 0.5));
        (void)ed;
        face = m.edgeFaces(edge)[0] == face ? m.edgeFaces(edge)[1] : m.edgeFaces(edge)[0];
    }
    chain.push_back(chain.front());
    const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces();
    ASSERT_TRUE(splitMesh(m, {chain}, 1, nullptr).ok);
    EXPECT_EQ(m.numVertices(), nv + sides);
    EXPECT_EQ(m.numFaces(), nf + sides);
    EXPECT_EQ(m.numEdges(), ne + 2 * sides);
    EXPECT_EQ(euler(m), 2);
    for (int v = nv; v < m.numVertices(); ++v) EXPECT_NEAR(m.point(v).y, 0.0, 1e-12);
    expectConsistent(m, "cylinder ring");
}

TEST(MeshEdit, FacePointsAndSubdivisionsAddVerticesAlongTheCut) {
    PolyMesh m = makePlane(2, 2, 1, 1);
    const int a = faceEdge(m, 0, 0), c = faceEdge(m, 0, 2);
    SplitPoint inside;
    inside.face = 0;
    inside.pos = {0.1, 0, 0.2};
    ASSERT_TRUE(splitMesh(m, {{ep(a, 0.5), inside, ep(c, 0.5)}}, 2, nullptr).ok);
    // Points: edge a, 1 subdivision, the face point, 1 subdivision, edge c.
    EXPECT_EQ(m.numVertices(), 4 + 5);
    EXPECT_EQ(m.numFaces(), 2);
    EXPECT_NEAR(length(m.point(4 + 2) - inside.pos), 0.0, 1e-12);
    // The face point's UV is interpolated inside the quad (plane UVs follow x and z).
    int corner = -1;
    const auto f0 = m.faceVertices(0);
    for (size_t i = 0; i < f0.size(); ++i)
        if (f0[i] == 6) corner = static_cast<int>(i);
    ASSERT_GE(corner, 0);
    float u, v;
    ASSERT_TRUE(m.getFaceVertexUV(0, corner, u, v));
    EXPECT_NEAR(u, 0.55, 1e-5);
    EXPECT_TRUE(std::abs(v - 0.6) < 1e-5 || std::abs(v - 0.4) < 1e-5) << v;
    expectConsistent(m, "face points");
}

TEST(MeshEdit, PolygonWeightsInterpolateCornersEdgesAndInside) {
    const std::vector<Vec3> square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const Vec3 n{0, 0, 1};
    struct Case {
        Vec3 p;
        std::vector<double> want;
    } cases[] = {
        {{0, 0, 0}, {1, 0, 0, 0}},
        {{0.5, 0, 0}, {0.5, 0.5, 0, 0}},
        {{0.5, 0.5, 0}, {0.25, 0.25, 0.25, 0.25}},
    };
    for (const Case& c : cases) {
        const auto w = polygonWeights(square, n, c.p);
        for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(w[i], c.want[i], 1e-9) << c.p.x << "," << c.p.y;
    }
    // Linear precision: the weighted corners give the point back.
    const Vec3 p{0.3, 0.7, 0};
    const auto w = polygonWeights(square, n, p);
    Vec3 back;
    for (size_t i = 0; i < 4; ++i) back += square[i] * w[i];
    EXPECT_NEAR(length(back - p), 0.0, 1e-9);
}

TEST(MeshEdit, CollapseAndMergeKeepTheLowerVertexAndCompactFromTheEnd) {
    PolyMesh m = makeSphere(1, 8, 6);
    const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces();
    // An edge between two quads: the quads become triangles, nothing else goes.
    int e = -1;
    for (int k = 0; k < m.numEdges() && e < 0; ++k) {
        const auto fs = m.edgeFaces(k);
        if (m.faceVertexCount(fs[0]) == 4 && m.faceVertexCount(fs[1]) == 4) e = k;
    }
    const int keep = std::min(m.edge(e).v0, m.edge(e).v1);
    const int gone = std::max(m.edge(e).v0, m.edge(e).v1);
    const Vec3 mid = (m.point(keep) + m.point(gone)) * 0.5, lastPoint = m.point(nv - 1);
    ASSERT_TRUE(collapseEdges(m, {e}, nullptr).ok);
    EXPECT_EQ(m.numVertices(), nv - 1);
    EXPECT_EQ(m.numEdges(), ne - 1);
    EXPECT_EQ(m.numFaces(), nf);
    EXPECT_EQ(euler(m), 2);
    EXPECT_NEAR(length(m.point(keep) - mid), 0.0, 1e-12);
    if (gone != nv - 1) {
        EXPECT_EQ(m.point(gone), lastPoint);  // the last vertex filled the hole
    }
    expectConsistent(m, "collapse");

    // Merging the two ends of a triangle's edge removes the triangle.
    PolyMesh s = makeSphere(1, 8, 6);
    int tri = 0;
    while (s.faceVertexCount(tri) != 3) ++tri;
    const auto tv = s.faceVertices(tri);
    const int f0 = s.numFaces();
    ASSERT_TRUE(mergeVertices(s, {tv[0], tv[1]}, 10.0, nullptr).ok);
    EXPECT_LT(s.numFaces(), f0);
    EXPECT_EQ(euler(s), 2);
    expectConsistent(s, "merge");
}

TEST(MeshEdit, DeleteEdgeJoinsFacesAndCleansVerticesOnRequest) {
    struct Case {
        bool clean;
        int dv, de, df;
    } cases[] = {{false, 0, -1, -1}, {true, -2, -3, -1}};
    for (const Case& c : cases) {
        PolyMesh m = makeCube(1, 1, 1);
        ASSERT_TRUE(deleteEdges(m, {0}, c.clean, nullptr).ok);
        EXPECT_EQ(m.numVertices(), 8 + c.dv) << c.clean;
        EXPECT_EQ(m.numEdges(), 12 + c.de) << c.clean;
        EXPECT_EQ(m.numFaces(), 6 + c.df) << c.clean;
        EXPECT_EQ(euler(m), 2);
        expectConsistent(m, c.clean ? "clean" : "keep");
    }
    // A border edge cannot go.
    PolyMesh plane = makePlane(1, 1, 1, 1);
    EXPECT_FALSE(deleteEdges(plane, {0}, false, nullptr).ok);
}

TEST(MeshEdit, DeleteVertexCases) {
    struct Case {
        const char* name;
        std::function<PolyMesh()> make;
        std::function<int(const PolyMesh&)> vertex;
        bool withFaces;
        int dv, de, df;
    };
    auto plane = [] { return makePlane(1, 1, 2, 2); };
    // Plane 2x2: vertex 4 is the centre (4 quads), vertex 1 a border middle, vertex 0 a corner.
    auto centre = [](const PolyMesh& m) {
        for (int v = 0; v < m.numVertices(); ++v)
            if (m.vertexFaces(v).size() == 4) return v;
        return -1;
    };
    auto borderMid = [](const PolyMesh& m) {
        for (int v = 0; v < m.numVertices(); ++v)
            if (m.vertexFaces(v).size() == 2) return v;
        return -1;
    };
    auto split = [] {
        PolyMesh m = makeCube(1, 1, 1);
        subdivideEdges(m, {0}, 1, nullptr);
        return m;
    };
    const Case cases[] = {
        {"fan centre joins four quads", plane, centre, false, -1, -4, -3},
        // Every face of a 2x2 plane uses its centre: nothing is left.
        {"fan centre goes with its faces", plane, centre, true, -9, -12, -4},
        {"border vertex joins two quads", plane, borderMid, false, -1, -2, -1},
        {"border vertex goes with half the plane", plane, borderMid, true, -3, -5, -2},
        {"valence two dissolves", split, [](const PolyMesh& m) { return m.numVertices() - 1; },
         false, -1, -1, 0},
        {"cube corner joins three faces", [] { return makeCube(1, 1, 1); },
         [](const PolyMesh&) { return 3; }, false, -1, -3, -2},
    };
    for (const Case& c : cases) {
        PolyMesh m = c.make();
        const int v = c.vertex(m);
        ASSERT_GE(v, 0) << c.name;
        const int nv = m.numVertices(), ne = m.numEdges(), nf = m.numFaces(), x = euler(m);
        ASSERT_TRUE(deleteVertices(m, {v}, c.withFaces, nullptr).ok) << c.name;
        EXPECT_EQ(m.numVertices() - nv, c.dv) << c.name;
        EXPECT_EQ(m.numEdges() - ne, c.de) << c.name;
        EXPECT_EQ(m.numFaces() - nf, c.df) << c.name;
        if (!c.withFaces) {
            EXPECT_EQ(euler(m), x) << c.name;
        }
        expectConsistent(m, c.name);
    }
}

TEST(MeshEdit, MapCutSeparatesAFaceFromItsNeighbours) {
    PolyMesh m = makePlane(3, 3, 3, 3);
    int centre = -1;
    for (int f = 0; f < m.numFaces(); ++f) {
        bool inner = true;
        for (int e : m.faceEdges(f)) inner &= !m.isBorderEdge(e);
        if (inner) centre = f;
    }
    ASSERT_GE(centre, 0);
    const auto edges = m.faceEdges(centre);
    const size_t uvs = m.uvSet()->u.size();
    ASSERT_TRUE(cutUVs(m, std::vector<int>(edges.begin(), edges.end()), nullptr).ok);
    EXPECT_EQ(m.uvSet()->u.size(), uvs + 4);
    // The centre face shares no UV with any other face; positions and topology are untouched.
    std::set<int> mine;
    for (int c = 0; c < 4; ++c) mine.insert(m.faceVertexUVIndex(centre, c));
    for (int f = 0; f < m.numFaces(); ++f)
        for (int c = 0; f != centre && c < m.faceVertexCount(f); ++c)
            EXPECT_FALSE(mine.count(m.faceVertexUVIndex(f, c)));
    // Cutting one interior edge alone separates nothing: the faces still meet around its ends.
    PolyMesh one = makePlane(3, 3, 3, 3);
    const size_t before = one.uvSet()->u.size();
    ASSERT_TRUE(cutUVs(one, {one.faceEdges(centre)[0]}, nullptr).ok);
    EXPECT_EQ(one.uvSet()->u.size(), before);
}

// Every operation, on several meshes, undone and redone.
TEST(FaceImages, SlicesReadBackPerSetInIdOrderAfterTrimming) {
    // Faces recorded out of order, with UV and colour sets kept or not per face.
    FaceImages images;
    auto add = [&](int id, std::vector<int> verts, std::vector<int> edges,
                   std::vector<std::vector<int>> uvs, std::vector<std::vector<int>> colors) {
        size_t ints = 2 * verts.size() + uvs.size() + colors.size();
        for (const auto& ids : uvs) ints += ids.size();
        for (const auto& ids : colors) ints += ids.size();
        int* out = images.append(id, static_cast<int>(verts.size()), static_cast<int>(uvs.size()),
                                 static_cast<int>(colors.size()), ints);
        out = std::copy(verts.begin(), verts.end(), out);
        out = std::copy(edges.begin(), edges.end(), out);
        for (const auto* sets : {&uvs, &colors})
            for (const auto& ids : *sets) {
                *out++ = static_cast<int>(ids.size());
                out = std::copy(ids.begin(), ids.end(), out);
            }
    };
    // Enough faces that the pool grows several times and trimming gives room back.
    constexpr int kFaces = 3000;
    for (int k = kFaces; k-- > 0;)
        add(k, {k, k + 1, k + 2}, {10 * k, 10 * k + 1, 10 * k + 2},
            {k % 2 ? std::vector<int>{} : std::vector<int>{k, k, k}, {7, 8, 9}},
            {k % 3 ? std::vector<int>{1, 2, 3} : std::vector<int>{}});
    images.sortById();
    images.trim();
    ASSERT_EQ(images.size(), static_cast<size_t>(kFaces));
    for (int k = 0; k < kFaces; ++k) {
        const FaceImages::Face& f = images[static_cast<size_t>(k)];
        ASSERT_EQ(f.id, k);
        auto list = [](std::span<const int> s) { return std::vector<int>(s.begin(), s.end()); };
        EXPECT_EQ(list(images.verts(f)), (std::vector<int>{k, k + 1, k + 2}));
        EXPECT_EQ(list(images.edges(f)), (std::vector<int>{10 * k, 10 * k + 1, 10 * k + 2}));
        const std::vector<int> none, uv0{k, k, k}, colour0{1, 2, 3};
        EXPECT_EQ(list(images.uvs(f, 0)), k % 2 ? none : uv0);
        EXPECT_EQ(list(images.uvs(f, 1)), (std::vector<int>{7, 8, 9}));
        EXPECT_EQ(list(images.colors(f, 0)), k % 3 ? colour0 : none);
    }
}

// `items` after removing the ids in `removed` by the compaction rule: highest removed id first,
// each hole filled by the element that is then last.
template <typename T>
std::vector<T> compacted(std::vector<T> items, std::set<int> removed) {
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
        if (*it != static_cast<int>(items.size()) - 1) items[*it] = items.back();
        items.pop_back();
    }
    return items;
}

TEST(MeshEdit, RemovalsFillEachHoleWithTheElementThenLast) {
    // Scattered removals of many faces, edges and vertices at once: every surviving element
    // lands where the rule puts it. Elements are named by their points, which never change.
    using Loop = std::vector<std::tuple<double, double, double>>;
    auto at = [](const PolyMesh& m, int v) {
        const Vec3& p = m.point(v);
        return std::tuple{p.x, p.y, p.z};
    };
    auto loops = [&](const PolyMesh& m) {
        std::vector<Loop> out;
        for (int f = 0; f < m.numFaces(); ++f) {
            out.emplace_back();
            for (int v : m.faceVertices(f)) out.back().push_back(at(m, v));
        }
        return out;
    };
    auto ends = [&](const PolyMesh& m) {
        std::vector<Loop> out;
        for (int e = 0; e < m.numEdges(); ++e)
            out.push_back({at(m, m.edge(e).v0), at(m, m.edge(e).v1)});
        return out;
    };
    auto points = [&](const PolyMesh& m) {
        std::vector<Loop> out;
        for (int v = 0; v < m.numVertices(); ++v) out.push_back({at(m, v)});
        return out;
    };
    std::mt19937 rng(5);
    for (int round = 0; round < 6; ++round) {
        PolyMesh m = makePlane(1, 1, 12, 12);
        std::set<int> gone;
        while (gone.size() < 4 + static_cast<size_t>(round) * 3)
            gone.insert(static_cast<int>(rng() % static_cast<unsigned>(m.numVertices())));
        // What goes: every face at a removed vertex, then every edge and vertex left unused.
        std::set<int> faces, edges, verts;
        for (int v : gone)
            for (int f : m.vertexFaces(v)) faces.insert(f);
        std::vector<int> faceUses(m.numEdges()), vertexUses(m.numVertices());
        for (int f = 0; f < m.numFaces(); ++f)
            if (!faces.count(f)) {
                for (int e : m.faceEdges(f)) ++faceUses[e];
                for (int v : m.faceVertices(f)) ++vertexUses[v];
            }
        for (int e = 0; e < m.numEdges(); ++e)
            if (faceUses[e] == 0) edges.insert(e);
        for (int v = 0; v < m.numVertices(); ++v)
            if (vertexUses[v] == 0) verts.insert(v);
        const auto wantFaces = compacted(loops(m), faces), wantEdges = compacted(ends(m), edges),
                   wantPoints = compacted(points(m), verts);
        ASSERT_TRUE(deleteVertices(m, {gone.begin(), gone.end()}, true, nullptr).ok);
        EXPECT_EQ(loops(m), wantFaces) << "round " << round;
        EXPECT_EQ(ends(m), wantEdges) << "round " << round;
        EXPECT_EQ(points(m), wantPoints) << "round " << round;
        expectConsistent(m, "round " + std::to_string(round));
    }
}

TEST(MeshEdit, UndoAndRedoRestoreExactly) {
    struct Op {
        const char* name;
        std::function<OpStatus(PolyMesh&, EditResult*)> run;
    };
    const Op ops[] = {
        {"split",
         [](PolyMesh& m, EditResult* r) {
             return splitMesh(m, {{ep(faceEdge(m, 0, 0), 0.3), ep(faceEdge(m, 0, 2), 0.6)}}, 2, r);
         }},
        {"subdivide",
         [](PolyMesh& m, EditResult* r) {
             return subdivideEdges(m, {1, 2}, 2, r);
         }},
        {"collapse", [](PolyMesh& m, EditResult* r) { return collapseEdges(m, {1}, r); }},
        {"delete edge",
         [](PolyMesh& m, EditResult* r) {
             int e = 0;
             while (m.isBorderEdge(e)) ++e;
             return deleteEdges(m, {e}, true, r);
         }},
        {"delete vertex",
         [](PolyMesh& m, EditResult* r) { return deleteVertices(m, {2}, false, r); }},
        {"delete vertex with faces",
         [](PolyMesh& m, EditResult* r) { return deleteVertices(m, {1}, true, r); }},
        {"cut uvs",
         [](PolyMesh& m, EditResult* r) {
             return cutUVs(m, {0, 1, 2, 3}, r);
         }},
    };
    const std::pair<const char*, std::function<PolyMesh()>> meshes[] = {
        {"cube", [] { return makeCube(1, 1, 1); }},
        {"plane", [] { return makePlane(1, 1, 3, 3); }},
        {"cylinder", [] { return makeCylinder(1, 2, 8, 2, 1); }},
        {"sphere", [] { return makeSphere(1, 8, 6); }},
    };
    for (const auto& [meshName, make] : meshes)
        for (const Op& op : ops) {
            const std::string what = std::string(meshName) + " " + op.name;
            PolyMesh m = make();
            m.prepareQueries();
            const Snapshot before = snapshot(m);
            EditResult r;
            const OpStatus status = op.run(m, &r);
            if (!status.ok) {
                EXPECT_EQ(snapshot(m), before) << what << ": a failure changed the mesh";
                continue;
            }
            expectConsistent(m, what);
            const Snapshot after = snapshot(m);
            MeshEditor::applyDelta(m, r.delta, true);
            EXPECT_EQ(snapshot(m), before) << what << " undo";
            expectConsistent(m, what + " undo");
            MeshEditor::applyDelta(m, r.delta, false);
            EXPECT_EQ(snapshot(m), after) << what << " redo";
            expectConsistent(m, what + " redo");
            // A second edit on top, undone, lands back on the first.
            EditResult second;
            if (subdivideEdges(m, {0}, 1, &second).ok) {
                MeshEditor::applyDelta(m, second.delta, true);
                EXPECT_EQ(snapshot(m), after) << what << " second undo";
            }
        }
}

TEST(MeshEdit, BadInputsFailAndChangeNothing) {
    struct Case {
        const char* name;
        std::function<OpStatus(PolyMesh&)> run;
    } cases[] = {
        {"edge out of range", [](PolyMesh& m) { return subdivideEdges(m, {99}, 1, nullptr); }},
        {"negative edge", [](PolyMesh& m) { return collapseEdges(m, {-1}, nullptr); }},
        {"no edges", [](PolyMesh& m) { return collapseEdges(m, {}, nullptr); }},
        {"vertex out of range", [](PolyMesh& m) { return deleteVertices(m, {8}, false, nullptr); }},
        {"t outside",
         [](PolyMesh& m) {
             return splitMesh(m, {{ep(0, 1.5), ep(2, 0.5)}}, 1, nullptr);
         }},
        {"points share no face",
         [](PolyMesh& m) {
             // Edges 0 and the edge opposite across the cube share no face.
             int far = -1;
             for (int e = 0; e < m.numEdges(); ++e) {
                 bool touches = false;
                 for (int f : m.edgeFaces(e))
                     for (int g : m.edgeFaces(0)) touches |= f == g;
                 if (!touches) far = e;
             }
             return splitMesh(m, {{ep(0, 0.5), ep(far, 0.5)}}, 1, nullptr);
         }},
        {"no point", [](PolyMesh& m) { return splitMesh(m, {{}}, 1, nullptr); }},
        {"one point in a face",
         [](PolyMesh& m) {
             SplitPoint p;
             p.face = 0;
             return splitMesh(m, {{p}}, 1, nullptr);
         }},
        {"starts in a face",
         [](PolyMesh& m) {
             SplitPoint p;
             p.face = 0;
             return splitMesh(m, {{p, ep(0, 0.5)}}, 1, nullptr);
         }},
    };
    for (const Case& c : cases) {
        PolyMesh m = makeCube(1, 1, 1);
        const Snapshot before = snapshot(m);
        const OpStatus s = c.run(m);
        EXPECT_FALSE(s.ok) << c.name;
        EXPECT_FALSE(s.message.empty()) << c.name;
        EXPECT_EQ(snapshot(m), before) << c.name;
    }
}

TEST(MeshEdit, MeshesNeverEditedKeepTheCompactLayout) {
    PolyMesh m = makeSphere(1, 10, 10);
    PolyMesh copy = m;
    EXPECT_FALSE(m.isEditable());
    ASSERT_TRUE(subdivideEdges(copy, {0}, 1, nullptr).ok);
    EXPECT_TRUE(copy.isEditable());
    EXPECT_FALSE(m.isEditable());
    EXPECT_EQ(m.numVertices() + 1, copy.numVertices());
    // A copy of an edited mesh edits independently.
    PolyMesh again = copy;
    ASSERT_TRUE(subdivideEdges(again, {0}, 1, nullptr).ok);
    EXPECT_EQ(copy.numVertices() + 1, again.numVertices());
    expectConsistent(copy, "copy");
    expectConsistent(again, "copy of copy");
}

}  // namespace
}  // namespace tarn
