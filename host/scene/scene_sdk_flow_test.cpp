// The SDK sequence a scene importer runs: Phong materials with shading groups and file
// textures, a mesh under a transform with UVs, soft edges through a modifier, whole-mesh and
// per-face-group assignments (deferred to the idle queue), a hidden object and a camera.

#include "host/scene/scene_test_support.h"

#include "frame/k_global.h"
#include "frame/k_mesh.h"
#include "frame/k_selection.h"
#include "frame/k_shading.h"
#include "host/lang/idle_queue.h"
#include "host/scene/dag.h"
#include "host/shading/shading_nodes.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Strings = std::vector<std::string>;

// Two quads side by side, under `parent`, with one UV per vertex.
KObject makeQuads(const KObject& parent) {
    const KFloatPointArray points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0},
                                     {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    const KIntArray counts = {4, 4};
    const KIntArray connects = {0, 1, 4, 3, 1, 2, 5, 4};
    KFnMesh fn;
    KStatus status;
    const KObject shape = fn.create(6, 2, points, counts, connects, parent, &status);
    EXPECT_TRUE(status);
    KFloatArray u, v;
    for (const KFloatPoint& p : points) {
        u.append(p.x / 2);
        v.append(1 - p.y);
    }
    EXPECT_TRUE(fn.setUVs(u, v));
    EXPECT_TRUE(fn.assignUVs(counts, connects));
    EXPECT_TRUE(fn.updateSurface());
    return shape;
}

TEST_F(SceneTest, ImporterSequenceThroughTheSdk) {
    // A material: Phong shader, file texture, shading group.
    KFnPhongShader phong;
    phong.create(true);
    phong.setSpecularColor(KColor(0.3f, 0.3f, 0.3f, 1.0f));
    phong.setColor(KColor(0.8f, 0.1f, 0.1f));
    phong.setTransparency(KColor(0, 0, 0));
    const KString shader = phong.setName("plastic");
    KString texture;
    ASSERT_TRUE(KGlobal::executeCommand("shadingNode -asTexture file", texture));
    ASSERT_TRUE(
        KGlobal::executeCommand("connectAttr " + texture + ".outColor " + shader + ".color") ||
        !lang::commandRegistry().find("connectAttr"));
    KString group;
    ASSERT_TRUE(KGlobal::executeCommand(
        "sets -renderable true -noSurfaceShader true -empty -name " + shader + "SG", group));
    EXPECT_EQ(group, KString("plasticSG"));
    ASSERT_TRUE(
        KGlobal::executeCommand("defaultNavigation -force true -connectToExisting -source " +
                                shader + " -destination " + group));

    // The mesh under a transform named by the file.
    KFnTransform transform;
    const KObject t = transform.create();
    transform.setName("floor");
    const KObject shape = makeQuads(t);
    KFnDagNode dag(shape);
    EXPECT_EQ(dag.fullPathName(), KString("|floor|floorShape"));

    // Soft edges on the complete edge component, then the whole mesh into the group.
    KFnSingleIndexedComponent edges;
    const KObject all = edges.create(KFn::kMeshEdgeComponent);
    edges.setComplete(true);
    KDagPath path;
    KDagPath::getAPathTo(shape, path);
    KSelectionList list;
    list.add(path, all);
    KGlobal::setActiveSelectionList(list);
    KDGModifier modifier;
    modifier.commandToExecute("polySoftEdge -a 180 -ch 0");
    KStringArray selected;
    KGlobal::executeCommand("ls -sl", selected);
    EXPECT_EQ(selected, (KStringArray{"floor.e[0:6]"}));
    modifier.commandToExecute("sets -edit -forceElement " + group + " " + dag.name());
    ASSERT_TRUE(modifier.doIt());
    KFnMesh mesh(path);
    for (int e = 0; e < mesh.numEdges(); ++e) EXPECT_TRUE(mesh.isEdgeSmooth(e)) << e;
    EXPECT_EQ(nodeName(shading::faceGroups(shape)[1]), "plasticSG");

    // A second group for face 1, deferred to the idle queue as the importer does.
    KGlobal::executeCommand("sets -renderable true -noSurfaceShader true -empty -name otherSG");
    KFnSingleIndexedComponent faces;
    const KObject face1 = faces.create(KFn::kMeshPolygonComponent);
    faces.addElement(1);
    KSelectionList faceList;
    faceList.add(path, face1);
    KGlobal::setActiveSelectionList(faceList);
    KStringArray items;
    KGlobal::executeCommand("ls -sl", items);
    KString command = "sets -edit -forceElement otherSG";
    for (const KString& item : items) command += " " + item;
    KGlobal::executeCommandOnIdle(command);
    EXPECT_EQ(nodeName(shading::faceGroups(shape)[1]), "plasticSG")
        << "not before the host is idle";
    lang::idleQueue().flush();
    EXPECT_EQ(nodeName(shading::faceGroups(shape)[0]), "plasticSG");
    EXPECT_EQ(nodeName(shading::faceGroups(shape)[1]), "otherSG");

    // Hidden objects and a camera whose transform carries the object's name.
    KGlobal::executeCommand("hide " + transform.name());
    EXPECT_FALSE(path.isVisible());
    KFnCamera camera;
    camera.create();
    KDagPath camPath = camera.dagPath();
    KFnDependencyNode(camPath.transform()).setName("shotCam");
    camera.setEyePoint(KPoint(0, 0, 10, 1), KSpace::kWorld);
    camera.setCenterOfInterestPoint(KPoint(0, 0, 0, 1), KSpace::kWorld);
    camera.set(camera.eyePoint(KSpace::kWorld), camera.viewDirection(KSpace::kWorld),
               KVector(0, 1, 0), camera.horizontalFieldOfView(), camera.aspectRatio());
    camera.setFarClippingPlane(100000);
    const std::string json = run("describeScene -json").asString();
    EXPECT_NE(json.find("\"name\": \"shotCam\""), std::string::npos);
    EXPECT_NE(json.find("\"farClipPlane\": 100000.0"), std::string::npos);
    EXPECT_NE(json.find("\"softEdges\": 7"), std::string::npos);
}

TEST_F(SceneTest, ModifierUndoTakesBackItsOwnChunk) {
    run("polyCube");
    KDGModifier modifier;
    modifier.commandToExecute("move 0 3 0 pCube1");
    modifier.renameNode(findNode("pCube1"), "block");
    ASSERT_TRUE(modifier.doIt());
    EXPECT_FALSE(findNode("block").isNull());
    EXPECT_EQ(run("xform -q -t block").asFloatArray(), (std::vector<double>{0, 3, 0}));
    ASSERT_TRUE(modifier.undoIt());
    EXPECT_FALSE(findNode("pCube1").isNull());
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{0, 0, 0}));
    // A failing queued command stops the rest.
    KDGModifier failing;
    failing.commandToExecute("move 1 1 1 noSuchObject");
    failing.commandToExecute("move 0 9 0 pCube1");
    output::Capture quiet;
    EXPECT_FALSE(failing.doIt());
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{0, 0, 0}));
}

TEST_F(SceneTest, SelectionListOperations) {
    run("polyCube");
    run("polyCube");
    KSelectionList list;
    EXPECT_EQ(list.add("pCube*"), KStatus::kSuccess);
    EXPECT_EQ(list.length(), 4u) << "two transforms and two shapes";
    EXPECT_EQ(list.add("nothing*"), KStatus::kInvalidParameter);
    EXPECT_EQ(list.add("pCube1.f[9]"), KStatus::kInvalidParameter);
    EXPECT_EQ(list.length(), 4u);
    KItSelectionList meshes(list, KFn::kMesh);
    int count = 0;
    for (; !meshes.isDone(); meshes.next()) ++count;
    EXPECT_EQ(count, 4) << "transforms with one mesh shape count as meshes";
    KSelectionList one;
    one.add(findNode("pCube2"));
    KGlobal::setActiveSelectionList(list);
    KGlobal::setActiveSelectionList(one, KGlobal::kRemoveFromList);
    KSelectionList active;
    KGlobal::getActiveSelectionList(active);
    KStringArray names;
    active.getSelectionStrings(names);
    EXPECT_EQ(names, (KStringArray{"pCube1", "pCubeShape1", "pCubeShape2"}));
    KGlobal::setActiveSelectionList(one, KGlobal::kXORWithList);
    KGlobal::getActiveSelectionList(active);
    EXPECT_EQ(active.length(), 4u);
    EXPECT_TRUE(active.hasItem(findNode("pCube2")));
    KDagPath path;
    EXPECT_EQ(active.getDagPath(9, path), KStatus::kInvalidParameter);
    KSelectionList dependency;
    dependency.add(findNode("lambert1"));
    EXPECT_EQ(dependency.getDagPath(0, path), KStatus::kFailure);
}

}  // namespace
}  // namespace tarn::scene
