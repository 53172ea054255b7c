// Mesh data and history below the commands: the geometry-data function set's object groups,
// the groupFaces node's face lists, copy-on-write of data flowing along a connection, and a
// host-only history (groupFaces between an original and a shape).

#include <gtest/gtest.h>

#include "frame/k_geometry_data.h"
#include "frame/k_mesh.h"
#include "frame/k_selection.h"
#include "host/mesh/mesh_primitives.h"
#include "host/scene/dag.h"
#include "host/scene/history.h"
#include "host/scene/history_nodes.h"
#include "host/scene/mesh_data.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_test_support.h"

namespace tarn::scene {
namespace {

KObject faces(std::vector<int> ids) {
    KFnSingleIndexedComponent fn;
    KObject c = fn.create(KFn::kMeshPolygonComponent);
    for (int f : ids) fn.addElement(f);
    return c;
}

TEST(GeometryData, ObjectGroupsOfMeshData) {
    KObject data = MeshDataImpl::wrap(std::make_shared<PolyMesh>(makeCube(1, 1, 1)));
    KFnGeometryData fn(data);
    KFnSingleIndexedComponent vertices;
    const KObject vertexComponent = vertices.create(KFn::kMeshVertComponent);
    vertices.addElement(0);
    // Each call, in order, on the same data: what it answers.
    const struct {
        const char* what;
        KStatus status;
    } steps[] = {
        {"add 2", fn.addObjectGroup(2)},
        {"add 2 again", fn.addObjectGroup(2)},
        {"add -1", fn.addObjectGroup(-1)},
        {"add 0", fn.addObjectGroup(0)},
        {"faces 4 1 into 2", fn.addObjectGroupComponent(2, faces({4, 1}))},
        {"face 6 is past the cube", fn.addObjectGroupComponent(2, faces({1, 6}))},
        {"vertices are not faces", fn.addObjectGroupComponent(2, vertexComponent)},
        {"no group 7", fn.addObjectGroupComponent(7, faces({1}))},
        {"remove face 4", fn.removeObjectGroupComponent(2, faces({4}))},
        {"remove group 0", fn.removeObjectGroup(0)},
        {"remove group 0 again", fn.removeObjectGroup(0)},
    };
    const bool ok[] = {true, false, false, true, true, false, false, false, true, true, false};
    for (size_t i = 0; i < std::size(steps); ++i)
        EXPECT_EQ(!steps[i].status.error(), ok[i]) << steps[i].what;
    EXPECT_EQ(fn.objectGroupCount(), 1);
    EXPECT_EQ(fn.objectGroup(0), 2);
    EXPECT_TRUE(fn.hasObjectGroup(2));
    EXPECT_EQ(fn.objectGroupType(2), KFn::kMeshPolygonComponent);
    KIntArray members;
    KFnSingleIndexedComponent(fn.objectGroupComponent(2)).getElements(members);
    ASSERT_EQ(members.length(), 1u);
    EXPECT_EQ(members[0], 1);
    KStatus status;
    EXPECT_TRUE(fn.objectGroupComponent(9, &status).isNull());
    EXPECT_TRUE(status.error());
    EXPECT_TRUE(KFnGeometryData().setObject(faces({1})).error());
}

TEST(GeometryData, EditingDataLeavesItsSourceAlone) {
    auto cube = std::make_shared<PolyMesh>(makeCube(1, 1, 1));
    KObject upstream = MeshDataImpl::wrap(cube);
    KObject flowed = MeshDataImpl::wrap(MeshDataImpl::from(upstream)->shared());
    // Reading shares: no copy until the first write.
    KPointArray points;
    KVector normal;
    KFnMesh reader(flowed);
    EXPECT_FALSE(reader.getPoints(points).error());
    EXPECT_FALSE(reader.getVertexNormal(0, false, normal).error());
    EXPECT_EQ(MeshDataImpl::from(flowed)->shared(), MeshDataImpl::from(upstream)->shared());
    KFnGeometryData(flowed).addObjectGroup(3);
    KFnMesh(flowed).setPoint(0, KPoint(9, 9, 9));
    EXPECT_TRUE(MeshDataImpl::from(upstream)->mesh().objectGroups().empty());
    EXPECT_EQ(MeshDataImpl::from(upstream)->mesh().point(0).x, cube->point(0).x);
    EXPECT_EQ(MeshDataImpl::from(flowed)->mesh().point(0).x, 9.0);
}

TEST(GroupFaces, FaceListsReadAndWrite) {
    const struct {
        const char* text;
        int limit;
        bool ok;
        std::vector<int> faces;
    } cases[] = {
        {"0:3 7", 10, true, {0, 1, 2, 3, 7}},
        {"7 2 2 0:1", 10, true, {0, 1, 2, 7}},
        {"", 10, true, {}},
        {"5:9", 7, true, {5, 6}},
        {"0:2000000000", 3, true, {0, 1, 2}},
        {"3:1", 10, false, {}},
        {"-1", 10, false, {}},
        {"1,2", 10, false, {1}},
    };
    for (const auto& c : cases) {
        std::vector<int> got;
        EXPECT_EQ(parseFaceList(c.text, c.limit, &got), c.ok) << c.text;
        EXPECT_EQ(got, c.faces) << c.text;
    }
    EXPECT_EQ(faceListText({7, 0, 1, 2, 3, 9, 2}), "0:3 7 9");
}

class HostHistory : public testing::SceneTest {};

TEST_F(HostHistory, GroupFacesNodeGivesTheShapesDataAGroup) {
    run("polyCube -n box");
    const KObject shape = findNode("boxShape");
    std::string error;
    EXPECT_EQ(addFaceGroup(shape, {1, 4}, &error), 0) << error;
    EXPECT_EQ(addFaceGroup(shape, {2}, &error), 1) << error;
    EXPECT_EQ(addFaceGroup(shape, {6}, &error), -1);
    EXPECT_NE(error.find("Face 6"), std::string::npos);
    const PolyMesh& mesh = meshNode(shape)->readMesh();
    EXPECT_EQ(mesh.objectGroups(), (PolyMesh::ObjectGroups{{0, {1, 4}}, {1, {2}}}));
    EXPECT_EQ(mesh.numFaces(), 6);
    // Two groupFaces nodes and the original, nearest first; a transform stands for its shape.
    std::vector<std::string> names;
    for (const KObject& n : listHistory(findNode("box"))) names.push_back(nodeName(n));
    EXPECT_EQ(names, (std::vector<std::string>{"groupFaces2", "groupFaces1", "boxShapeOrig"}));
    EXPECT_TRUE(isMeshModifier(findNode("groupFaces1")));
    EXPECT_TRUE(isMeshCreator(findNode("boxShapeOrig")));
    EXPECT_FALSE(isMeshModifier(shape));
    // Baking keeps the groups in the shape's own mesh.
    EXPECT_TRUE(deleteHistory(shape, &error));
    EXPECT_TRUE(listHistory(shape).empty());
    EXPECT_EQ(meshNode(shape)->readMesh().objectGroups().size(), 2u);
}

TEST_F(HostHistory, ShapeWithoutHistoryKeepsItsOwnMesh) {
    run("polyCube -n box");
    MeshNode* node = meshNode(findNode("boxShape"));
    EXPECT_FALSE(node->hasHistory());
    run("setAttr boxShape.pt[0] 0 1 0");
    EXPECT_EQ(node->readMesh().point(0).y, -0.5 + 1);
    EXPECT_TRUE(listHistory(findNode("box")).empty());
}

TEST_F(HostHistory, WorldMeshFollowsTheTransform) {
    run("polyCube -n box; setAttr box.tx 2");
    const KPlug world = plugByName(findNode("boxShape"), "worldMesh");
    auto minX = [&] {
        KStatus status;
        const KDataHandle h = Graph::instance().readHandle(world, &status);
        const MeshDataImpl* data = MeshDataImpl::from(h.data());
        return data ? data->mesh().bounds().min.x : -1e9;
    };
    EXPECT_NEAR(minX(), 1.5, 1e-12);
    // Moving the parent changes nothing the graph sees, yet the next read follows it.
    run("setAttr box.tx 5");
    EXPECT_NEAR(minX(), 4.5, 1e-12);
    const KPlug local = plugByName(findNode("boxShape"), "outMesh");
    KStatus status;
    const KDataHandle h = Graph::instance().readHandle(local, &status);
    EXPECT_NEAR(MeshDataImpl::from(h.data())->mesh().bounds().min.x, -0.5, 1e-12);
}

}  // namespace
}  // namespace tarn::scene
