// Object groups through topology edits: split pieces join their origin's groups, removed faces
// leave, faces moved by compaction keep their groups, and undo/redo restore either side.

#include <gtest/gtest.h>

#include "host/mesh/mesh_edit.h"
#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"

namespace tarn {
namespace {

TEST(ObjectGroups, SplitPiecesJoinTheirOriginsGroups) {
    PolyMesh cube = makeCube(1, 1, 1);
    cube.objectGroups() = {{0, {0}}, {4, {3, 5}}};
    const auto edges = cube.faceEdges(0);
    EditResult r;
    ASSERT_TRUE(splitMesh(cube,
                          {{SplitPoint::onEdge(edges[0], 0.5), SplitPoint::onEdge(edges[2], 0.5)}},
                          1, &r)
                    .ok);
    ASSERT_EQ(cube.numFaces(), 7);
    const PolyMesh::ObjectGroups split{{0, {0, 6}}, {4, {3, 5}}};
    EXPECT_EQ(cube.objectGroups(), split);
    MeshEditor::applyDelta(cube, r.delta, true);
    EXPECT_EQ(cube.objectGroups(), (PolyMesh::ObjectGroups{{0, {0}}, {4, {3, 5}}}));
    MeshEditor::applyDelta(cube, r.delta, false);
    EXPECT_EQ(cube.objectGroups(), split);
}

TEST(ObjectGroups, RemovedFacesLeaveAndMovedFacesKeepTheirGroups) {
    PolyMesh cube = makeCube(1, 1, 1);
    // Vertex 0 takes three faces with it; the three that stay are renumbered 0..2.
    std::vector<int> gone;
    for (int f = 0; f < cube.numFaces(); ++f)
        for (int v : cube.faceVertices(f))
            if (v == 0) gone.push_back(f);
    ASSERT_EQ(gone.size(), 3u);
    cube.objectGroups() = {{0, {0, 1, 2, 3, 4, 5}}, {1, {gone[0]}}, {2, {}}};
    EditResult r;
    ASSERT_TRUE(deleteVertices(cube, {0}, true, &r).ok);
    ASSERT_EQ(cube.numFaces(), 3);
    EXPECT_EQ(cube.objectGroups(), (PolyMesh::ObjectGroups{{0, {0, 1, 2}}, {1, {}}, {2, {}}}));
    MeshEditor::applyDelta(cube, r.delta, true);
    EXPECT_EQ(cube.objectGroups().at(1), std::vector<int>{gone[0]});
}

TEST(ObjectGroups, MeshesWithoutGroupsRecordNone) {
    PolyMesh cube = makeCube(1, 1, 1);
    EditResult r;
    ASSERT_TRUE(deleteVertices(cube, {0}, true, &r).ok);
    EXPECT_EQ(r.delta.groupsBefore, nullptr);
    EXPECT_TRUE(cube.objectGroups().empty());
}

}  // namespace
}  // namespace tarn
