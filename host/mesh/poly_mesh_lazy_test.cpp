// Derived tables of PolyMesh built on first use: the same answers as when built at once, in any
// order of first use; nothing built by creating a mesh; stale tables dropped by the edits that
// make them stale and only those; copies sharing what was built without sharing edits; safe first
// use from many threads; whole-mesh soft-edge flags and vertex-numbered UVs kept compactly.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <thread>

#include "host/mesh/mesh_operation.h"
#include "host/mesh/mesh_primitives.h"
#include "host/mesh/poly_mesh.h"

namespace tarn {
namespace {

PolyMesh fromArrays(std::vector<Vec3> points, const std::vector<int>& counts,
                    const std::vector<int>& indices) {
    PolyMesh m;
    std::string error;
    EXPECT_TRUE(PolyMesh::create(std::move(points), counts, indices, m, &error)) << error;
    return m;
}

// n triangles around vertex 0, bent out of plane so normals differ from face to face.
PolyMesh fan(int n) {
    std::vector<Vec3> points{{0, 0, 1}};
    for (int i = 0; i <= n; ++i)
        points.push_back({std::cos(i * 0.01), std::sin(i * 0.01), 0.1 * (i % 3)});
    std::vector<int> counts, indices;
    for (int i = 0; i < n; ++i) {
        counts.push_back(3);
        indices.insert(indices.end(), {0, i + 1, i + 2});
    }
    return fromArrays(std::move(points), counts, indices);
}

// A notched pentagon and a quad sharing an edge, plus a vertex no face uses.
PolyMesh concaveAndQuad() {
    return fromArrays({{0, 0, 0},
                       {2, 0, 0},
                       {2, 2, 0},
                       {1, 0.5, 0},
                       {0, 2, 0},
                       {3, 0, 0.5},
                       {3, 2, 0.5},
                       {9, 9, 9}},
                      {5, 4}, {0, 1, 2, 3, 4, 1, 5, 6, 2});
}

struct Case {
    const char* name;
    PolyMesh (*make)();
};

const Case kCases[] = {
    {"cube", [] { return makeCube(1, 2, 3, 2, 1, 3); }},
    {"sphere", [] { return makeSphere(1.5, 12, 9); }},
    {"fan", [] { return fan(300); }},
    {"concave and quad", concaveAndQuad},
};

// Everything derived, read back in one fixed order.
struct Derived {
    int edgeCount = 0;
    std::vector<std::pair<int, int>> edges;
    std::vector<int> faceEdges, edgeFaces, vertexFaces, vertexEdges;
    std::vector<std::array<double, 3>> faceNormals, cornerNormals, vertexNormals;
    std::vector<std::array<int, 3>> triangles;
    bool operator==(const Derived&) const = default;
};

std::array<double, 3> xyz(const Vec3& v) {
    return {v.x, v.y, v.z};
}

Derived readAll(const PolyMesh& m) {
    Derived d;
    d.edgeCount = m.numEdges();
    for (int e = 0; e < m.numEdges(); ++e) {
        d.edges.emplace_back(m.edge(e).v0, m.edge(e).v1);
        for (int f : m.edgeFaces(e)) d.edgeFaces.push_back(f);
    }
    for (int f = 0; f < m.numFaces(); ++f) {
        for (int e : m.faceEdges(f)) d.faceEdges.push_back(e);
        d.faceNormals.push_back(xyz(m.faceNormal(f)));
        for (int c = 0; c < m.faceVertexCount(f); ++c)
            d.cornerNormals.push_back(xyz(m.faceVertexNormal(f, c)));
        for (int t = 0; t < m.numTriangles(f); ++t) d.triangles.push_back(m.triangleVertices(f, t));
    }
    for (int v = 0; v < m.numVertices(); ++v) {
        for (int f : m.vertexFaces(v)) d.vertexFaces.push_back(f);
        for (int e : m.vertexEdges(v)) d.vertexEdges.push_back(e);
        d.vertexNormals.push_back(xyz(m.vertexNormal(v)));
    }
    return d;
}

TEST(LazyDerivation, SameAnswersWhateverIsAskedFirst) {
    // Each first question builds a different table first (or only counts the edges).
    using FirstUse = void (*)(const PolyMesh&);
    const FirstUse firstUses[] = {
        [](const PolyMesh& m) { m.numEdges(); },
        [](const PolyMesh& m) { m.faceVertexNormal(0, 0); },
        [](const PolyMesh& m) { m.triangleVertices(0, 0); },
        [](const PolyMesh& m) { m.vertexEdges(0); },
        [](const PolyMesh& m) { m.findEdge(0, 1); },
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PolyMesh eager = c.make();
        eager.prepareQueries();
        const Derived expected = readAll(eager);
        ASSERT_GT(expected.edgeCount, 0);
        for (size_t i = 0; i < std::size(firstUses); ++i) {
            const PolyMesh lazy = c.make();
            firstUses[i](lazy);
            EXPECT_TRUE(readAll(lazy) == expected) << "first use " << i;
        }
    }
}

TEST(LazyDerivation, CreatingBuildsNothingAndEachQueryBuildsWhatItNeeds) {
    using State = PolyMesh::DerivedState;
    auto same = [](const State& a, const State& b) {
        return a.edgeCount == b.edgeCount && a.edges == b.edges && a.adjacency == b.adjacency &&
               a.faceNormals == b.faceNormals && a.faceVertexNormals == b.faceVertexNormals &&
               a.triangles == b.triangles;
    };
    const PolyMesh m = concaveAndQuad();
    struct Step {
        const char* what;
        void (*query)(const PolyMesh&);
        State after;  // edgeCount, edges, adjacency, faceNormals, faceVertexNormals, triangles
    } steps[] = {
        {"create", [](const PolyMesh&) {}, {false, false, false, false, false, false}},
        {"count",
         [](const PolyMesh& p) { p.numEdges(); },
         {true, false, false, false, false, false}},
        {"triangle of a triangle-free face",
         [](const PolyMesh& p) { p.triangleCorners(0, 1); },
         {true, false, false, true, false, true}},
        {"face edges",
         [](const PolyMesh& p) { p.faceEdges(1); },
         {true, true, false, true, false, true}},
        {"corner normal",
         [](const PolyMesh& p) { p.faceVertexNormal(1, 0); },
         {true, true, true, true, true, true}},
    };
    for (const Step& s : steps) {
        s.query(m);
        EXPECT_TRUE(same(m.derivedState(), s.after)) << s.what;
    }

    // Moving a point drops what depends on positions; flag edits only the corner normals.
    PolyMesh edited = m;
    edited.setPoint(2, {2, 3, 0});
    EXPECT_TRUE(same(edited.derivedState(), {true, true, true, false, false, false}));
    edited.prepareQueries();
    edited.setEdgeSmooth(0, false);
    EXPECT_TRUE(same(edited.derivedState(), {true, true, true, true, false, true}));
    edited.faceVertexNormal(0, 0);
    edited.setEdgeSmooth(0, false);  // no change: nothing dropped
    EXPECT_TRUE(same(edited.derivedState(), {true, true, true, true, true, true}));
    edited.setAllEdgesSmooth(true);  // a change: corner normals dropped
    EXPECT_TRUE(same(edited.derivedState(), {true, true, true, true, false, true}));
}

TEST(LazyDerivation, CopiesShareTablesButNotEdits) {
    PolyMesh original = makeSphere(1.0, 8, 6);
    const Derived before = readAll(original);
    PolyMesh copy = original;
    const auto state = copy.derivedState();
    EXPECT_TRUE(state.edges && state.adjacency && state.faceVertexNormals && state.triangles)
        << "a copy keeps what was built";

    copy.setPoint(0, {0, 3, 0});
    copy.setEdgeSmooth(copy.faceEdges(0)[0], false);
    EXPECT_TRUE(readAll(original) == before) << "edits of the copy stay in the copy";

    // The copy's answers are those of a mesh made from its data from scratch.
    PolyMesh fresh = fromArrays(copy.points(), copy.faceCounts(), copy.faceVertexList());
    fresh.setEdgeSmooth(copy.faceEdges(0)[0], false);
    EXPECT_TRUE(readAll(copy) == readAll(fresh));
    EXPECT_FALSE(readAll(copy) == before);
}

TEST(LazyDerivation, EdgesAroundAVeryBusyVertexKeepTheirNumbers) {
    // Around vertex 0, face i = (0, i+1, i+2) meets (0,i+1) again (edge 2 or 2i) and two new
    // edges (2i+1, 2i+2): numbering by first appearance however the walk lists the edges.
    const int n = 5000;
    const PolyMesh m = fan(n);
    ASSERT_EQ(m.numEdges(), 2 * n + 1);
    const std::vector<int> face0(m.faceEdges(0).begin(), m.faceEdges(0).end());
    EXPECT_EQ(face0, (std::vector<int>{0, 1, 2}));
    for (int i : {1, 2, 77, n - 1}) {
        const std::vector<int> face(m.faceEdges(i).begin(), m.faceEdges(i).end());
        EXPECT_EQ(face, (std::vector<int>{2 * i, 2 * i + 1, 2 * i + 2})) << "face " << i;
    }
    EXPECT_EQ(m.edge(2 * n).v0, n + 1);
    EXPECT_EQ(m.edge(2 * n).v1, 0);
    EXPECT_EQ(m.vertexEdges(0).size(), static_cast<size_t>(n + 1));
}

TEST(LazyDerivation, FirstUseFromManyThreadsAgrees) {
    const PolyMesh reference = makeSphere(2.0, 24, 16);
    const Derived expected = readAll(reference);
    const PolyMesh shared = makeSphere(2.0, 24, 16);
    std::vector<Derived> seen(6);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] { seen[i] = readAll(shared); });
    for (std::thread& t : threads) t.join();
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_TRUE(seen[i] == expected) << "thread " << i;
}

TEST(WholeMeshSoftEdges, KeptAsOneFlagUntilAnEdgeDiffers) {
    PolyMesh m = concaveAndQuad();
    EXPECT_EQ(m.uniformEdgeSmoothing(), 1) << "a new mesh is soft all over";
    m.setAllEdgesSmooth(false);
    m.setEdgeSmooth(3, false);  // same flag: still one flag for all
    EXPECT_EQ(m.uniformEdgeSmoothing(), 0);
    EXPECT_FALSE(m.derivedState().edges) << "no edge table for whole-mesh flags";
    m.setEdgeSmooth(3, true);
    EXPECT_EQ(m.uniformEdgeSmoothing(), -1);
    for (int e = 0; e < m.numEdges(); ++e) EXPECT_EQ(m.isEdgeSmooth(e), e == 3) << "edge " << e;

    // The same flags set edge by edge give the same normals.
    PolyMesh byEdge = concaveAndQuad();
    for (int e = 0; e < byEdge.numEdges(); ++e) byEdge.setEdgeSmooth(e, e == 3);
    EXPECT_TRUE(readAll(m) == readAll(byEdge));
}

TEST(WholeMeshSoftEdges, WholeMeshOperationNeedsNoEdgeTable) {
    struct Row {
        double angle;
        bool keepChanges;
        int startFlag;  // every edge soft (1) or hard (0) before
        bool mixedStart;  // one edge flipped first, so the mesh has no single flag
        bool tableBuilt;
        size_t changes;
        int uniformBefore;
    } rows[] = {
        {180.0, true, 1, false, false, 0, -1},  // already soft: nothing to change or record
        {180.0, false, 0, false, false, 0, -1},  // one flag for all, nothing recorded
        {0.0, false, 1, false, false, 0, -1},
        {180.0, true, 0, false, false, 0, 0},  // all hard to all soft: recorded as that
        {0.0, true, 1, false, false, 0, 1},
        {180.0, true, 0, true, false, 11, -1},  // from mixed flags every change is listed
    };
    for (const Row& r : rows) {
        PolyMesh m = makeCube(1, 1, 1);
        m.setAllEdgesSmooth(r.startFlag != 0);
        if (r.mixedStart) m.setEdgeSmooth(0, r.startFlag == 0);
        SoftEdgeOperation op(r.angle, {});
        op.setKeepChanges(r.keepChanges);
        ASSERT_TRUE(op.prepare(m).ok);
        ASSERT_TRUE(op.apply(m).ok);
        EXPECT_EQ(m.derivedState().edges, r.tableBuilt) << "angle " << r.angle;
        EXPECT_EQ(op.changes().size(), r.changes) << "angle " << r.angle;
        EXPECT_EQ(op.uniformBefore(), r.uniformBefore) << "angle " << r.angle;
        for (int e = 0; e < m.numEdges(); ++e) EXPECT_EQ(m.isEdgeSmooth(e), r.angle >= 180.0);
    }
}

TEST(VertexNumberedUVs, NeedNoListAndBehaveLikeOne) {
    PolyMesh m = concaveAndQuad();
    const std::vector<float> u{0, 1, 1, .5f, 0, 2, 2, 9}, v{0, 0, 1, .2f, 1, 0, 1, 9};
    ASSERT_TRUE(m.setUVs(u, v));
    ASSERT_TRUE(m.assignUVs(m.faceCounts(), m.faceVertexList()));
    EXPECT_TRUE(m.uvSet()->idsAreVertices);
    EXPECT_TRUE(m.uvSet()->faceVertexUV.empty());
    for (int f = 0; f < m.numFaces(); ++f) {
        EXPECT_TRUE(m.faceHasUVs(f));
        for (int c = 0; c < m.faceVertexCount(f); ++c)
            EXPECT_EQ(m.faceVertexUVIndex(f, c), m.faceVertices(f)[c]);
    }
    std::string error;
    EXPECT_FALSE(m.setUVs({0, 1}, {0, 1}, {}, &error));
    EXPECT_EQ(error, "assigned UV index 2 past the new table");

    // One corner's own UV leaves every other corner where it was.
    ASSERT_TRUE(m.setFaceVertexUV(1, 2, 7.f, 8.f));
    EXPECT_FALSE(m.uvSet()->idsAreVertices);
    float su = 0, sv = 0;
    ASSERT_TRUE(m.getFaceVertexUV(1, 2, su, sv));
    EXPECT_EQ(su, 7.f);
    EXPECT_EQ(m.faceVertexUVIndex(0, 2), 2);
    EXPECT_EQ(m.faceVertexUVIndex(1, 3), 2);

    // A partial assignment keeps its own list.
    PolyMesh partial = concaveAndQuad();
    ASSERT_TRUE(partial.setUVs(u, v));
    ASSERT_TRUE(partial.assignUVs({0, 4}, {1, 5, 6, 2}));
    EXPECT_FALSE(partial.uvSet()->idsAreVertices);
    EXPECT_FALSE(partial.faceHasUVs(0));
    EXPECT_EQ(partial.faceVertexUVIndex(1, 1), 5);
}

}  // namespace
}  // namespace tarn
