// Mesh shapes sharing their mesh with undo records (copy-on-write): edits made through the node
// never reach a record, records restore exactly what they took, and tweaks copy the points only
// while a tweak exists.

#include "host/scene/scene_test_support.h"

#include "frame/k_mesh.h"
#include "host/scene/dag.h"
#include "host/scene/scene_undo.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;

MeshNode* cubeShape() {
    return meshNode(findNode("pCubeShape1"));
}

TEST_F(SceneTest, SharedMeshIsCopiedBeforeAnEdit) {
    run("polyCube");
    MeshNode* node = cubeShape();
    ASSERT_NE(node, nullptr);
    const std::shared_ptr<const PolyMesh> taken = node->sharedMesh();
    EXPECT_EQ(taken.get(), node->sharedMesh().get()) << "sharing copies nothing";
    const Vec3 before = taken->point(0);

    node->mesh().setPoint(0, {7, 8, 9});
    EXPECT_EQ(taken->point(0).x, before.x) << "the edit stays in the node";
    EXPECT_EQ(node->mesh().point(0).x, 7.0);

    // A mesh handed in is never edited in place, even when nothing else holds it.
    auto handed = std::make_shared<const PolyMesh>(*taken);
    const PolyMesh* handedAddress = handed.get();
    node->setMesh(std::move(handed));
    node->setPoint(1, {5, 5, 5});
    EXPECT_NE(&node->mesh(), handedAddress);
    EXPECT_EQ(node->mesh().point(1).x, 5.0);
}

TEST_F(SceneTest, RecordedMeshChangesAreNotReachedByLaterEdits) {
    run("polyCube");
    MeshNode* node = cubeShape();
    const PolyMesh before = node->mesh();
    PolyMesh after = before;
    after.setPoint(0, {-3, 0, 0});
    {
        undo::UndoChunkScope chunk("edit");
        node->setMesh(after);
        recordMeshChange("pCubeShape1", before, after);
    }
    undo();
    EXPECT_EQ(cubeShape()->mesh().point(0).x, before.point(0).x);
    redo();
    EXPECT_EQ(cubeShape()->mesh().point(0).x, -3.0);
    // An edit made after redo (outside undo) must not change what the record holds.
    const bool flag = after.isEdgeSmooth(0);
    cubeShape()->mesh().setPoint(0, {42, 0, 0});
    cubeShape()->mesh().setEdgeSmooth(0, !flag);
    undo();
    redo();
    EXPECT_EQ(cubeShape()->mesh().point(0).x, -3.0);
    EXPECT_EQ(cubeShape()->mesh().isEdgeSmooth(0), flag);
}

TEST_F(SceneTest, UndoneCreationsComeBackWithTheirMeshAndDerivedData) {
    run("polyCube -sx 2 -sy 3 -sz 2");
    PolyMesh& original = cubeShape()->mesh();
    original.setEdgeSmooth(3, false);
    const std::vector<Vec3> points = original.points();
    const int edges = original.numEdges();
    const Vec3 normal = original.faceVertexNormal(2, 1);
    undo();
    EXPECT_EQ(cubeShape(), nullptr);
    redo();
    ASSERT_NE(cubeShape(), nullptr);
    const PolyMesh& back = cubeShape()->mesh();
    EXPECT_EQ(back.points().size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) EXPECT_EQ(back.point(int(i)).y, points[i].y);
    EXPECT_EQ(back.numEdges(), edges);
    EXPECT_FALSE(back.isEdgeSmooth(3));
    EXPECT_EQ(back.faceVertexNormal(2, 1).x, normal.x);
    EXPECT_EQ(back.faceVertexNormal(2, 1).z, normal.z);
}

TEST_F(SceneTest, TweaksFollowDirectPointEditsMadeBeforeThem) {
    run("polyCube");
    MeshNode* node = cubeShape();
    // With no tweak the points are their own base: a direct edit is kept when a tweak comes.
    node->mesh().setPoint(2, {0, 4, 0});
    std::string error;
    {
        undo::UndoChunkScope chunk("tweak");
        const KPlug plug = Graph::instance().parsePlug("pCubeShape1.pt[2]", &error);
        ASSERT_FALSE(plug.isNull()) << error;
        ASSERT_TRUE(setPlugValuesUndoable(plug, {1, 0, 0}, &error)) << error;
    }
    EXPECT_EQ(node->mesh().point(2).x, 1.0);
    EXPECT_EQ(node->mesh().point(2).y, 4.0);
    undo();
    EXPECT_EQ(node->mesh().point(2).x, 0.0);
    EXPECT_EQ(node->mesh().point(2).y, 4.0);
}

}  // namespace
}  // namespace tarn::scene
