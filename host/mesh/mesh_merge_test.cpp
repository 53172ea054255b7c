// Merging vertices that share a face but no edge (the face is cut at the merged vertex), the
// refusal of results that give an edge more than two faces, and collapses, which leave such an
// edge alone instead of cutting faces.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"
#include "host/mesh/mesh_test_support.h"

namespace tarn {
namespace {

using testing::loop;
using testing::shoot;

// One polygon 0..n-1 on a circle in the XY plane, each corner with a UV of its own (UV i at
// corner i), so a test can see which corner survived.
PolyMesh polygon(int n) {
    std::vector<Vec3> points;
    std::vector<int> ids;
    std::vector<float> u, v;
    for (int i = 0; i < n; ++i) {
        const double a = 6.283185307179586 * i / n;
        points.push_back({std::cos(a), std::sin(a), 0});
        ids.push_back(i);
        u.push_back(static_cast<float>(i));
        v.push_back(0);
    }
    PolyMesh m;
    EXPECT_TRUE(PolyMesh::create(points, {n}, ids, m, nullptr));
    m.setUVs(u, v, "map1");
    m.assignUVs({n}, ids, "map1");
    return m;
}

TEST(MergeVertices, DiagonalCornersOfAQuadRemoveItAndKeepItsNeighbours) {
    // 2 x 2 plane: face 0 is (0 1 2 3); 0 and 2 are its diagonal. The face would run
    // 0 1 0 3: it is cut at 0 into (0 1) and (0 3), both too small, so it goes. Faces 1..3
    // take 0 for 2; then the last face fills face 0's place and vertex 8 fills 2's.
    PolyMesh m = makePlane(2, 2, 2, 2);
    ASSERT_EQ(loop(m, 0), (std::vector<int>{0, 1, 2, 3}));
    const Vec3 mean = (m.point(0) + m.point(2)) * 0.5;
    EditResult r;
    ASSERT_TRUE(mergeVertices(m, {0, 2}, 1e6, &r).ok);
    EXPECT_EQ(m.numVertices(), 8);
    EXPECT_EQ(m.numEdges(), 10);
    ASSERT_EQ(m.numFaces(), 3);
    EXPECT_EQ(loop(m, 0), (std::vector<int>{0, 5, 2, 6}));
    EXPECT_EQ(loop(m, 1), (std::vector<int>{1, 4, 5, 0}));
    EXPECT_EQ(loop(m, 2), (std::vector<int>{3, 0, 6, 7}));
    EXPECT_NEAR(length(m.point(0) - mean), 0.0, 1e-12);
    EXPECT_VALID_MESH(m);
}

TEST(MergeVertices, AFaceHoldingTheMergedVertexTwiceIsCutThere) {
    struct Case {
        const char* name;
        int sides;
        std::vector<int> merged;
        // Faces after the merge (ids after compaction) and the UV of each first corner.
        std::vector<std::vector<int>> faces;
        std::vector<int> firstUVs;
    };
    const Case cases[] = {
        // Hexagon, 0 and 3 merged: (0 1 2) keeps the face (it holds corner 0); (0 4 5) is
        // appended, starting at the corner 3 had (UV 3). Vertex 5 then fills 3's place.
        {"both pieces stay", 6, {0, 3}, {{0, 1, 2}, {0, 4, 3}}, {0, 3}},
        // Hexagon, 0 and 2: the face's own piece (0 1) is too small, so the face takes the
        // other, (0 3 4 5) from the corner 2 had. Vertex 1 is left without a face and goes;
        // compaction then moves 5 to 2 and 4 to 1.
        {"the face takes the other piece", 6, {0, 2}, {{0, 3, 1, 2}}, {2}},
        // Octagon, 0 2 and 5: (0 1) goes, (0 3 4) and (0 6 7) stay, cut in that order; 1, 2
        // and 5 go, 7 and 6 take their places (7 to 5, then 6 to 2, then 7 on to 1).
        {"three of one face", 8, {0, 2, 5}, {{0, 3, 4}, {0, 2, 1}}, {2, 5}},
        // Hexagon, 0 2 and 4: every piece has two corners; nothing is left.
        {"every piece too small", 6, {0, 2, 4}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyMesh m = polygon(c.sides);
        const auto before = shoot(m);
        EditResult r;
        ASSERT_TRUE(mergeVertices(m, c.merged, 10.0, &r).ok);
        ASSERT_EQ(m.numFaces(), static_cast<int>(c.faces.size()));
        for (int f = 0; f < m.numFaces(); ++f) {
            EXPECT_EQ(loop(m, f), c.faces[f]) << "face " << f;
            EXPECT_EQ(m.faceVertexUVIndex(f, 0), c.firstUVs[f]) << "face " << f;
        }
        EXPECT_VALID_MESH(m);
        const auto after = shoot(m);
        MeshEditor::applyDelta(m, r.delta, true);
        EXPECT_EQ(shoot(m), before);
        MeshEditor::applyDelta(m, r.delta, false);
        EXPECT_EQ(shoot(m), after);
    }
}

TEST(MergeVertices, PiecesJoinTheObjectGroupsOfTheirFace) {
    PolyMesh m = polygon(6);
    m.objectGroups() = {{2, {0}}};
    ASSERT_TRUE(mergeVertices(m, {0, 3}, 10.0, nullptr).ok);
    ASSERT_EQ(m.numFaces(), 2);
    EXPECT_EQ(m.objectGroups(), (PolyMesh::ObjectGroups{{2, {0, 1}}}));
}

TEST(MergeVertices, ResultsWithAnEdgeOfMoreThanTwoFacesAreRefused) {
    struct Case {
        const char* name;
        std::function<PolyMesh()> make;
        std::function<OpStatus(PolyMesh&)> edit;
    };
    const Case cases[] = {
        // Vertices 1 and 10 of a 4 x 4 plane: edge 1 would join faces 0, 1, 4 and 5.
        {"merge across a plane", [] { return makePlane(1, 1, 4, 4); },
         [](PolyMesh& m) {
             return mergeVertices(m, {1, 10}, 100, nullptr);
         }},
        // A cylinder side cut twice: the second cut would lay an edge on one already shared.
        {"second cut on a shared edge",
         [] {
             PolyMesh m = makeCylinder(1, 2, 4, 1, 0);
             EXPECT_TRUE(
                 splitMesh(m, {{SplitPoint::onEdge(2, 1), SplitPoint::onEdge(9, 1)}}, 1, nullptr)
                     .ok);
             EXPECT_TRUE(deleteEdges(m, {1}, false, nullptr).ok);
             return m;
         },
         [](PolyMesh& m) {
             return splitMesh(m, {{SplitPoint::onEdge(6, 0), SplitPoint::onEdge(3, 0)}}, 1,
                              nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyMesh m = c.make();
        EXPECT_VALID_MESH(m);
        const auto before = shoot(m);
        const OpStatus s = c.edit(m);
        EXPECT_FALSE(s.ok);
        EXPECT_NE(s.message.find("faces (at most two may share an edge)"), std::string::npos)
            << s.message;
        EXPECT_EQ(shoot(m), before);
    }
}

TEST(MergeVertices, RandomMergesLeaveValidMeshesAndUndoExactly) {
    const std::pair<const char*, std::function<PolyMesh()>> meshes[] = {
        {"plane", [] { return makePlane(1, 1, 6, 5); }},
        {"cube", [] { return makeCube(1, 1, 1, 2, 2, 2); }},
        {"sphere", [] { return makeSphere(1, 8, 6); }},
        {"cylinder", [] { return makeCylinder(1, 2, 8, 2, 0); }},
    };
    int merged = 0, refused = 0;
    for (const auto& [name, make] : meshes)
        for (unsigned seed = 0; seed < 40; ++seed) {
            SCOPED_TRACE(std::string(name) + " seed " + std::to_string(seed));
            std::mt19937 rng(seed);
            PolyMesh m = make();
            std::vector<int> ids;
            for (int v = 0; v < m.numVertices(); ++v)
                if (rng() % 3 == 0) ids.push_back(v);
            if (ids.empty()) ids.push_back(0);
            const double distance = std::uniform_real_distribution<double>(0.1, 1.2)(rng);
            const auto before = shoot(m);
            EditResult r;
            if (!mergeVertices(m, ids, distance, &r).ok) {
                ++refused;
                EXPECT_EQ(shoot(m), before);
                continue;
            }
            ++merged;
            EXPECT_VALID_MESH(m);
            const auto after = shoot(m);
            MeshEditor::applyDelta(m, r.delta, true);
            EXPECT_EQ(shoot(m), before);
            MeshEditor::applyDelta(m, r.delta, false);
            EXPECT_EQ(shoot(m), after);
        }
    // Both outcomes are exercised.
    EXPECT_GT(merged, 20);
    EXPECT_GT(refused, 5);
}

TEST(CollapseEdges, AnEdgeWhoseEndsAFaceHoldsApartIsLeftAlone) {
    // A quad (0 1 2 3) and a triangle (0 2 4) on the quad's diagonal: collapsing 0-2 would make
    // the quad use one vertex twice. The collapse leaves that edge and takes the others.
    PolyMesh m;
    ASSERT_TRUE(PolyMesh::create({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 1}}, {4, 3},
                                 {0, 1, 2, 3, 0, 2, 4}, m, nullptr));
    const int diagonal = m.findEdge(0, 2), side = m.findEdge(2, 4);
    const auto before = shoot(m);
    const OpStatus alone = collapseEdges(m, {diagonal}, nullptr);
    EXPECT_FALSE(alone.ok);
    EXPECT_EQ(alone.message, "none of the edges can be collapsed");
    EXPECT_EQ(shoot(m), before);
    ASSERT_TRUE(collapseEdges(m, {diagonal, side}, nullptr).ok);
    EXPECT_EQ(m.numVertices(), 4);
    EXPECT_EQ(m.numFaces(), 1);  // the triangle lost a corner
    EXPECT_EQ(loop(m, 0), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_VALID_MESH(m);
}

TEST(CollapseEdges, OneEdgeAloneMatchesMergingItsEnds) {
    // A single collapse may skip the batch working copy; whatever way it takes, collapsing an
    // edge must give exactly what merging its two ends at their midpoint gives (the same
    // rules, where no face holds the ends apart): ids, loops, corner UVs, edge directions, and
    // an undo record that restores the mesh. Quads, pole triangles, borders, a pentagon.
    std::vector<PolyMesh> meshes{makeSphere(1, 6, 5), makePlane(3, 2, 3, 2), polygon(5)};
    PolyMesh mixed;
    ASSERT_TRUE(PolyMesh::create(
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {0, 1, 0}, {1.5, 2, 0}}, {4, 5},
        {0, 1, 4, 5, 1, 2, 3, 6, 4}, mixed, nullptr));
    meshes.push_back(std::move(mixed));
    int compared = 0;
    for (const PolyMesh& m : meshes)
        for (int e = 0; e < m.numEdges(); ++e) {
            SCOPED_TRACE("edge " + std::to_string(e));
            const MeshEdge ends = m.edge(e);
            PolyMesh collapsed = m, merged = m;
            EditResult rc, rm;
            const OpStatus c = collapseEdges(collapsed, {e}, &rc);
            if (!c.ok) {
                EXPECT_EQ(shoot(collapsed), shoot(m));
                continue;
            }
            const double apart = length(m.point(ends.v0) - m.point(ends.v1));
            ASSERT_TRUE(mergeVertices(merged, {ends.v0, ends.v1}, apart * (1 + 1e-9), &rm).ok);
            EXPECT_EQ(shoot(collapsed), shoot(merged));
            EXPECT_VALID_MESH(collapsed);
            const auto after = shoot(collapsed);
            ASSERT_TRUE(MeshEditor::applyDelta(collapsed, rc.delta, true));
            EXPECT_EQ(shoot(collapsed), shoot(m));
            ASSERT_TRUE(MeshEditor::applyDelta(collapsed, rc.delta, false));
            EXPECT_EQ(shoot(collapsed), after);
            ++compared;
        }
    EXPECT_GT(compared, 40);
}

}  // namespace
}  // namespace tarn
