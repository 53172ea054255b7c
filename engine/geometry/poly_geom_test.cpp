#include "engine/geometry/poly_geom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

#include "engine/geometry/geometry_test_support.h"
#include "engine/geometry/mid_body.h"
#include "host/mesh/mesh_primitives.h"

using tarn::PolyMesh;
using tarn::Vec3;

namespace {

using engine_testing::meshOf;

// Two quads sharing the edge 1-4, built through the edge-use interface.
TpolyGeom twoQuads() {
    TpolyGeom g;
    const Vec3 pts[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    for (const Vec3& p : pts) g.appendVertex(p);
    const int e01 = g.appendEdge(0, 1, false), e14 = g.appendEdge(1, 4, false);
    const int e43 = g.appendEdge(4, 3, false), e30 = g.appendEdge(3, 0, false);
    const int e12 = g.appendEdge(1, 2, false), e25 = g.appendEdge(2, 5, true);
    const int e54 = g.appendEdge(5, 4, false);
    g.bgnFace();
    for (int e : {e01, e14, e43, e30}) g.useEdge(e, false);
    g.endFace();
    g.bgnFace();
    g.useEdge(e12, false);
    g.useEdge(e25, false);
    g.useEdge(e54, false);
    g.useEdge(e14, true);
    g.endFace();
    return g;
}

}  // namespace

TEST(TpolyGeom, BuildsFacesFromEdgeUses) {
    TpolyGeom g = twoQuads();
    ASSERT_TRUE(g.update(7)) << g.error();
    EXPECT_EQ(g.nbVertex(), 6);
    EXPECT_EQ(g.nbFace(), 2);
    EXPECT_EQ(g.nbEdge(), 7);
    const std::vector<int> loop1(g.mesh().faceVertices(1).begin(), g.mesh().faceVertices(1).end());
    EXPECT_EQ(loop1, (std::vector<int>{1, 2, 5, 4}));
    EXPECT_EQ(g.getStartVertex(1), 1);
    // The hard flag follows the edge 2-5 into the kernel's numbering.
    EXPECT_FALSE(g.mesh().isEdgeSmooth(g.mesh().findEdge(2, 5)));
    EXPECT_TRUE(g.mesh().isEdgeSmooth(g.mesh().findEdge(1, 4)));
}

TEST(TpolyGeom, EdgeTableComesFromTheEdgeUses) {
    // Three quads in a row over points 0-3 (bottom) and 4-7 (top). Edges are appended in an
    // order unlike the walk's, with one never used and one (5-6) hard; the table numbers them
    // first met, first numbered all the same.
    auto build = [](bool twinEdge, bool withUnusedVertex) {
        TpolyGeom g;
        for (int i = 0; i < 8; ++i) g.appendVertex({double(i % 4), double(i / 4), 0});
        if (withUnusedVertex) g.appendVertex({9, 9, 9});
        const int e56 = g.appendEdge(5, 6, true), unused = g.appendEdge(0, 7, false);
        const int e01 = g.appendEdge(0, 1, false), e15 = g.appendEdge(1, 5, false);
        const int e54 = g.appendEdge(5, 4, false), e40 = g.appendEdge(4, 0, false);
        const int e12 = g.appendEdge(1, 2, false), e26 = g.appendEdge(2, 6, false);
        const int e23 = g.appendEdge(2, 3, false), e37 = g.appendEdge(3, 7, false);
        const int e76 = g.appendEdge(7, 6, false);
        // A second edge joining 1 and 5: the uses alone would make two edges of one pair.
        const int e51 = twinEdge ? g.appendEdge(5, 1, false) : e15;
        (void)unused;
        auto face = [&](std::initializer_list<std::pair<int, bool>> uses) {
            g.bgnFace();
            for (auto [e, reversed] : uses) g.useEdge(e, reversed);
            g.endFace();
        };
        face({{e01, false}, {e15, false}, {e54, false}, {e40, false}});
        face({{e12, false}, {e26, false}, {e56, true}, {e51, e51 == e15}});
        face({{e23, false}, {e37, false}, {e76, false}, {e26, true}});
        return g;
    };
    for (bool twin : {false, true})
        for (bool drop : {false, true}) {
            const std::string what = std::string(twin ? "twin edge" : "one edge per pair") +
                                     (drop ? ", unused vertex dropped" : "");
            TpolyGeom g = build(twin, drop);
            ASSERT_TRUE(drop ? g.remUnusedVertex(true, true, false, nullptr) : g.update(7))
                << g.error();
            const PolyMesh& m = g.mesh();
            EXPECT_EQ(m.edgesCameFromNames(), !twin) << what;
            engine_testing::expectEdgesAsWalked(m, what);
            EXPECT_EQ(m.numEdges(), 10) << what;
            for (int e = 0; e < m.numEdges(); ++e) {
                const bool hard = std::min(m.edge(e).v0, m.edge(e).v1) == 5 &&
                                  std::max(m.edge(e).v0, m.edge(e).v1) == 6;
                EXPECT_EQ(m.isEdgeSmooth(e), !hard) << what << ", edge " << e;
            }
        }
}

TEST(TpolyGeom, EdgeUseBitsMarkReversalAndLoopEnd) {
    TpolyGeom g = twoQuads();
    ASSERT_TRUE(g.update(7));
    std::vector<std::uint32_t> uses0, uses1;
    g.faceEdgeUses(0, uses0);
    g.faceEdgeUses(1, uses1);
    ASSERT_EQ(uses0.size(), 4u);
    ASSERT_EQ(uses1.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ((uses0[k] & kEdgeUseLast) != 0, k == 3);
        EXPECT_EQ((uses1[k] & kEdgeUseLast) != 0, k == 3);
        EXPECT_EQ(uses0[k] & kEdgeUseReversed, 0u);  // face 0 met every edge of its own first
    }
    // Face 1 walks the shared edge 4 -> 1 against the way face 0 met it.
    const int shared = g.mesh().findEdge(1, 4);
    EXPECT_EQ(static_cast<int>(uses1[3] & kEdgeUseIndexMask), shared);
    EXPECT_NE(uses1[3] & kEdgeUseReversed, 0u);
    EXPECT_EQ(uses1[0] & kEdgeUseReversed, 0u);
}

TEST(TpolyGeom, RefusesBrokenFaces) {
    struct Case {
        const char* what;
        void (*build)(TpolyGeom&);
    };
    const Case cases[] = {
        {"loop not closed",
         [](TpolyGeom& g) {
             g.bgnFace();
             g.useEdge(g.appendEdge(0, 1, false), false);
             g.useEdge(g.appendEdge(1, 2, false), false);
             g.endFace();
         }},
        {"loop not connected",
         [](TpolyGeom& g) {
             g.bgnFace();
             g.useEdge(g.appendEdge(0, 1, false), false);
             g.useEdge(g.appendEdge(2, 0, false), false);
             g.useEdge(g.appendEdge(1, 2, false), false);
             g.endFace();
         }},
        {"edge out of range",
         [](TpolyGeom& g) {
             g.bgnFace();
             g.useEdge(42, false);
             g.endFace();
         }},
        {"vertex out of range",
         [](TpolyGeom& g) {
             g.bgnFace();
             g.useEdge(g.appendEdge(0, 7, false), false);
             g.useEdge(g.appendEdge(7, 0, false), false);
             g.endFace();
         }},
        {"second loop in one face",
         [](TpolyGeom& g) {
             g.bgnFace();
             g.bgnLoop();
             for (int e :
                  {g.appendEdge(0, 1, false), g.appendEdge(1, 2, false), g.appendEdge(2, 0, false)})
                 g.useEdge(e, false);
             g.endLoop();
             g.bgnLoop();
             g.useEdge(0, true);
             g.endFace();
         }},
        {"face left open",
         [](TpolyGeom& g) {
             g.bgnFace();
             g.useEdge(g.appendEdge(0, 1, false), false);
         }},
        {"UVs for some corners only",
         [](TpolyGeom& g) {
             const int set = g.newEmptyMapSet("map1");
             g.refUV(g.appendUV(0, 0, set), set);
             g.bgnFace();
             for (int e :
                  {g.appendEdge(0, 1, false), g.appendEdge(1, 2, false), g.appendEdge(2, 0, false)})
                 g.useEdge(e, false);
             g.endFace();
         }},
    };
    for (const Case& c : cases) {
        TpolyGeom g;
        for (int i = 0; i < 3; ++i) g.appendVertex({double(i), double(i * i), 0});
        c.build(g);
        EXPECT_FALSE(g.update(7)) << c.what;
        EXPECT_FALSE(g.error().empty()) << c.what;
        EXPECT_EQ(g.nbFace(), 0) << c.what;
    }
}

TEST(TpolyGeom, UVsFollowTheCornersTheyAreGiven) {
    TpolyGeom g;
    for (const Vec3& p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}}) g.appendVertex(p);
    const int other = g.newEmptyMapSet("other");
    const int set = g.newEmptyMapSet("TranspUV");
    g.setCurrentMapSet(set);
    g.bgnFace();
    for (int i = 0; i < 3; ++i) {
        g.useEdge(g.appendEdge(i, (i + 1) % 3, false), false);
        g.refUV(g.appendUV(0.25f * i, 0.5f, set), set);
    }
    g.endFace();
    ASSERT_TRUE(g.update(7)) << g.error();
    EXPECT_EQ(g.mesh().currentUVSetName(), "TranspUV");
    for (int c = 0; c < 3; ++c) {
        float u = -1, v = -1;
        ASSERT_TRUE(g.mesh().getFaceVertexUV(0, c, u, v, "TranspUV"));
        EXPECT_FLOAT_EQ(u, 0.25f * c);
        EXPECT_FLOAT_EQ(v, 0.5f);
    }
    EXPECT_FALSE(g.mesh().faceHasUVs(0, "other"));
    (void)other;
}

TEST(TpolyGeom, RemovesUnusedVerticesAndRenumbers) {
    TpolyGeom g;
    for (const Vec3& p :
         {Vec3{9, 9, 9}, Vec3{0, 0, 0}, Vec3{8, 8, 8}, Vec3{1, 0, 0}, Vec3{0, 1, 0}})
        g.appendVertex(p);
    g.bgnFace();
    for (int e : {g.appendEdge(1, 3, false), g.appendEdge(3, 4, false), g.appendEdge(4, 1, false)})
        g.useEdge(e, false);
    g.endFace();
    std::vector<int> map;
    ASSERT_TRUE(g.remUnusedVertex(true, true, false, &map)) << g.error();
    EXPECT_EQ(g.nbVertex(), 3);
    EXPECT_EQ(map, (std::vector<int>{-1, 0, -1, 1, 2}));
    EXPECT_EQ(g.vertex(1), (Vec3{1, 0, 0}));

    // A geom over a kernel mesh drops its unused vertices too, keeping UVs and hard edges.
    PolyMesh m = meshOf({{5, 5, 5}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3}, {1, 2, 3});
    m.setUVs({0.f, 1.f, 0.f}, {0.f, 0.f, 1.f}, "map1");
    m.assignUVs({3}, {0, 1, 2}, "map1");
    m.setEdgeSmooth(0, false);
    TpolyGeom k(std::move(m));
    ASSERT_TRUE(k.remUnusedVertex(true, true, false, nullptr));
    EXPECT_EQ(k.nbVertex(), 3);
    EXPECT_EQ(k.mesh().faceVertexUVIndex(0, 2, "map1"), 2);
    EXPECT_FALSE(k.mesh().isEdgeSmooth(0));
    EXPECT_TRUE(k.mesh().isEdgeSmooth(1));
}

TEST(TpolyGeom, FaceCentresAndTriangles) {
    TpolyGeom g(
        meshOf({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {1, 3, 0}}, {5}, {0, 1, 2, 4, 3}));
    EXPECT_EQ(g.getFaceCenterFromOffset(0, 0), (Vec3{1, 1.4, 0}));
    ASSERT_EQ(g.triangleNumber(0), 3);
    for (int t = 0; t < 3; ++t) {
        std::array<int, 3> corners, verts;
        g.getTriangle(0, t, corners, verts);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(verts[i], g.mesh().faceVertices(0)[corners[i]]);
        // Wound like the face (counter-clockwise seen from +Z).
        const Vec3 n =
            cross(g.vertex(verts[1]) - g.vertex(verts[0]), g.vertex(verts[2]) - g.vertex(verts[0]));
        EXPECT_GT(n.z, 0.0);
    }
}

TEST(TpolyGeom, ValenceBorderAndManifoldQueries) {
    // A 2x2 plane: centre vertex 4 (valence 4, interior), edge middles (3, border), corners
    // (2, border).
    TpolyGeom plane(tarn::makePlane(2, 2, 2, 2));
    ASSERT_TRUE(plane.update(7));
    int interior = 0;
    for (int v = 0; v < plane.nbVertex(); ++v) {
        TvertexEdgeIterator it(plane, v);
        EXPECT_TRUE(plane.isVertexTwoManifold(v)) << v;
        if (it.isClosed()) {
            ++interior;
            EXPECT_EQ(plane.vertexOrder(v), 4);
        } else {
            EXPECT_LE(plane.vertexOrder(v), 3);
        }
    }
    EXPECT_EQ(interior, 1);
    int borders = 0;
    for (int e = 0; e < plane.nbEdge(); ++e) borders += plane.isBorder(e);
    EXPECT_EQ(borders, 8);

    TpolyGeom cube(tarn::makeCube(1, 1, 1));
    for (int v = 0; v < cube.nbVertex(); ++v) {
        EXPECT_EQ(cube.vertexOrder(v), 3);
        EXPECT_TRUE(cube.isVertexTwoManifold(v));
    }
    for (int e = 0; e < cube.nbEdge(); ++e) EXPECT_FALSE(cube.isBorder(e));

    // Two triangles touching only at vertex 0, and three faces on one edge: not manifold.
    TpolyGeom bowtie(meshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}}, {3, 3},
                            {0, 1, 2, 0, 3, 4}));
    EXPECT_FALSE(bowtie.isVertexTwoManifold(0));
    EXPECT_TRUE(bowtie.isVertexTwoManifold(1));
    TpolyGeom fin(meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}}, {3, 3, 3},
                         {0, 1, 2, 1, 0, 3, 0, 1, 4}));
    EXPECT_FALSE(fin.isVertexTwoManifold(0));
    EXPECT_FALSE(fin.isVertexTwoManifold(1));
}

TEST(TvertexEdgeIterator, WalksEdgesInRotationalOrder) {
    // The centre of a 3x3 plane (facing +Y): each edge is followed by the face between it and
    // the next one, and the walk turns counter-clockwise seen from +Y.
    TpolyGeom plane(tarn::makePlane(3, 3, 2, 2));
    int centre = 0;
    while (!(plane.vertex(centre) == Vec3{0, 0, 0})) ++centre;
    TvertexEdgeIterator it(plane, centre);
    ASSERT_TRUE(it.isClosed());
    ASSERT_EQ(it.count(), 4u);
    std::vector<int> edges, after;
    for (; !it.isDone(); it.next()) {
        edges.push_back(it.edge());
        after.push_back(it.faceAfter());
    }
    for (int k = 0; k < 4; ++k) {
        const int next = (k + 1) % 4;
        const auto faceEdges = plane.mesh().faceEdges(after[k]);
        EXPECT_NE(std::find(faceEdges.begin(), faceEdges.end(), edges[k]), faceEdges.end());
        EXPECT_NE(std::find(faceEdges.begin(), faceEdges.end(), edges[next]), faceEdges.end());
        auto dir = [&](int e) {
            const tarn::MeshEdge& me = plane.mesh().edge(e);
            const int other = me.v0 == centre ? me.v1 : me.v0;
            return plane.vertex(other) - plane.vertex(centre);
        };
        EXPECT_GT(dot(cross(dir(edges[k]), dir(edges[next])), Vec3{0, 1, 0}), 0.0) << k;
    }
    // The same vertex of a mesh whose face list is reversed gives the same rotation.
    const PolyMesh& src = plane.mesh();
    std::vector<int> counts = src.faceCounts(), idx;
    for (int f = src.numFaces() - 1; f >= 0; --f)
        for (int v : src.faceVertices(f)) idx.push_back(v);
    TpolyGeom reversed(meshOf(src.points(), counts, idx));
    TvertexEdgeIterator r(reversed, centre);
    std::vector<Vec3> a, b;
    for (TvertexEdgeIterator i(plane, centre); !i.isDone(); i.next())
        a.push_back(plane.getFaceCenterFromOffset(i.faceAfter()));
    for (; !r.isDone(); r.next()) b.push_back(reversed.getFaceCenterFromOffset(r.faceAfter()));
    ASSERT_EQ(b.size(), 4u);
    const auto start = std::find(b.begin(), b.end(), a[0]) - b.begin();
    for (int k = 0; k < 4; ++k) EXPECT_EQ(a[k], b[(start + k) % 4]);
}

TEST(TvertexEdgeIterator, OpenFanRunsFromBorderToBorder) {
    TpolyGeom plane(tarn::makePlane(2, 2, 2, 2));
    for (int v = 0; v < plane.nbVertex(); ++v) {
        TvertexEdgeIterator it(plane, v);
        if (it.isClosed()) continue;
        EXPECT_EQ(it.faceBefore(), -1);
        EXPECT_TRUE(plane.isBorder(it.edge()));
        std::size_t n = 0;
        int last = -1, lastFace = 0;
        for (; !it.isDone(); it.next(), ++n) {
            last = it.edge();
            lastFace = it.faceAfter();
        }
        EXPECT_EQ(n, static_cast<std::size_t>(plane.vertexOrder(v)));
        EXPECT_TRUE(plane.isBorder(last));
        EXPECT_EQ(lastFace, -1);
    }
    // Faces of an edge, ascending.
    TpolyGeom cube(tarn::makeCube(1, 1, 1));
    for (int e = 0; e < cube.nbEdge(); ++e) {
        TedgeFaceIterator it(cube, e);
        ASSERT_EQ(it.count(), 2u);
        const int first = it.face();
        it.next();
        EXPECT_LT(first, it.face());
        it.next();
        EXPECT_TRUE(it.isDone());
    }
}

namespace {

// Records what it was given; fails on request without touching the body.
class ProbeFty : public TmidModifierFty {
public:
    int result = 0;
    int seenGroup = -1;
    bool sawMesh = false;

protected:
    int modify(TmidBody& body) override {
        sawMesh = body.geom() != nullptr;
        if (!getActiveGrpName(&body, nullptr, kGrpFace, seenGroup)) seenGroup = -1;
        return result == 0 ? 0 : fail("probe failed");
    }
};

}  // namespace

TEST(TmidModifierFty, DoActionReportsMissingBodyAndFailures) {
    ProbeFty probe;
    EXPECT_EQ(probe.doAction(nullptr, nullptr), -1);
    EXPECT_FALSE(probe.message().empty());

    TmidBody body(tarn::makeCube(1, 1, 1));
    EXPECT_EQ(probe.doAction(&body, nullptr), 0);
    EXPECT_TRUE(probe.sawMesh);
    EXPECT_EQ(probe.seenGroup, -1);  // no active group

    TpolyGroup faces{"sel", kGrpFace, {1, 3}};
    EXPECT_EQ(probe.doAction(&body, &faces), 0);
    ASSERT_GE(probe.seenGroup, 0);
    TpolyIter it;
    it.grpInit(body, probe.seenGroup);
    std::vector<int> members;
    for (int f; it.grpFwd(f);) members.push_back(f);
    EXPECT_EQ(members, (std::vector<int>{1, 3}));

    // A group of another kind is not the active face group.
    TpolyGroup verts{"v", kGrpVertex, {0}};
    EXPECT_EQ(probe.doAction(&body, &verts), 0);
    EXPECT_EQ(probe.seenGroup, -1);

    probe.result = -1;
    EXPECT_EQ(probe.doAction(&body, nullptr), -1);
    EXPECT_EQ(probe.message(), "probe failed");
    EXPECT_EQ(body.geom()->nbFace(), 6);
}

TEST(TdataMesh, WrapsTheBodysMeshAsMeshData) {
    TmidBody body(tarn::makeCube(1, 1, 1));
    TdataMesh data(body);
    EXPECT_EQ(data.object().apiType(), KFn::kMeshData);
    EXPECT_EQ(data.mesh().numFaces(), 6);
    TmidBody back;
    ASSERT_TRUE(back.loadFromData(data.object()));
    EXPECT_EQ(back.geom()->nbVertex(), 8);
    EXPECT_FALSE(back.loadFromData(KObject()));
}
