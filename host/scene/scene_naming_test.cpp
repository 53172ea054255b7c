// Names, paths, parenting and DAG commands.

#include "host/scene/scene_test_support.h"

#include "frame/k_scene.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Strings = std::vector<std::string>;

TEST_F(SceneTest, PrimitivesTakeTheHostNumbering) {
    struct Case {
        const char* command;
        Strings expected;
    } cases[] = {
        {"polyCube", {"pCube1", "pCubeShape1"}},
        {"polyCube", {"pCube2", "pCubeShape2"}},
        {"polyPlane -sx 2 -sy 2", {"pPlane1", "pPlaneShape1"}},
        {"polySphere -sx 8 -sy 4", {"pSphere1", "pSphereShape1"}},
        {"polyCylinder", {"pCylinder1", "pCylinderShape1"}},
        {"polyCube -n box", {"box", "boxShape"}},
        {"polyCube -n box", {"box1", "box1Shape"}},
    };
    for (const Case& c : cases) EXPECT_EQ(strings(c.command), c.expected) << c.command;
    // A taken name given to rename gets the next free number.
    KFnDependencyNode fn(findNode("pCube2"));
    EXPECT_EQ(fn.setName("pCube1"), KString("pCube3"));
    EXPECT_EQ(strings("ls -type transform pCube*"), (Strings{"pCube1", "pCube3"}));
}

TEST_F(SceneTest, FullAndPartialPathNames) {
    run("polyCube");
    run("polySphere");
    run("parent pSphere1 pCube1");
    const KObject shape = findNode("pSphereShape1");
    KDagPath path;
    ASSERT_TRUE(KDagPath::getAPathTo(shape, path));
    EXPECT_EQ(path.fullPathName(), KString("|pCube1|pSphere1|pSphereShape1"));
    EXPECT_EQ(path.partialPathName(), KString("pSphereShape1"));
    EXPECT_EQ(path.length(), 3u);
    EXPECT_EQ(nodeName(path.transform()), "pSphere1");
    EXPECT_FALSE(findNode("|pCube1|pSphere1").isNull());
    EXPECT_TRUE(findNode("|pSphere1").isNull()) << "a path that does not exist";
    EXPECT_EQ(strings("ls -l -type mesh"),
              (Strings{"|pCube1|pCubeShape1", "|pCube1|pSphere1|pSphereShape1"}));

    KDagPath toTransform;
    KDagPath::getAPathTo(findNode("pCube1"), toTransform);
    // One shape and one child transform below pCube1: the path extends to the shape.
    ASSERT_TRUE(toTransform.extendToShape());
    EXPECT_EQ(nodeName(toTransform.node()), "pCubeShape1");
    // A transform without shapes cannot extend.
    KFnTransform empty;
    KDagPath bare;
    KDagPath::getAPathTo(empty.create(), bare);
    EXPECT_EQ(bare.extendToShape(), KStatus::kInvalidParameter);
}

TEST_F(SceneTest, ParentRefusesCyclesAndUndoes) {
    run("polyCube");
    run("polyCube");
    run("parent pCube2 pCube1");
    EXPECT_EQ(strings("listRelatives -p pCube2"), (Strings{"pCube1"}));
    EXPECT_NE(runFailing("parent pCube1 pCube2").find("under itself or its descendant"),
              std::string::npos);
    EXPECT_NE(runFailing("parent pCube1 pCubeShape2").find("not a transform"), std::string::npos);
    EXPECT_NE(runFailing("parent pCube1 nothingHere").find("No object matches name: nothingHere"),
              std::string::npos);
    EXPECT_EQ(strings("listRelatives -p pCube2"), (Strings{"pCube1"}))
        << "failures changed nothing";
    undo();
    EXPECT_EQ(strings("listRelatives -p pCube2"), Strings{});
    redo();
    EXPECT_EQ(strings("listRelatives -c pCube1"), (Strings{"pCubeShape1", "pCube2"}));
    EXPECT_EQ(strings("listRelatives -ad -type mesh pCube1"),
              (Strings{"pCubeShape2", "pCubeShape1"}));
}

TEST_F(SceneTest, HideShowAndTransformsUndo) {
    run("polyCube");
    run("hide pCube1");
    EXPECT_FALSE(isVisible(findNode("pCube1")));
    run("showHidden pCube1");
    EXPECT_TRUE(isVisible(findNode("pCube1")));
    undo();
    EXPECT_FALSE(isVisible(findNode("pCube1")));
    undo();
    EXPECT_TRUE(isVisible(findNode("pCube1")));

    run("move 1 2 3 pCube1");
    run("move -r 1 0 0 pCube1");
    run("rotate 0 90 0 pCube1");
    run("scale 2 2 2 pCube1");
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{2, 2, 3}));
    EXPECT_EQ(run("xform -q -s pCube1").asFloatArray(), (std::vector<double>{2, 2, 2}));
    // The world matrix takes the local x axis (scaled by 2) to -z after 90 degrees about y.
    const KMatrix m = worldMatrix(findNode("pCubeShape1"));
    EXPECT_NEAR(m[0][2], -2.0, 1e-12);
    EXPECT_NEAR(m[3][0], 2.0, 1e-12);
    undo();
    undo();
    undo();
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{1, 2, 3}));
    EXPECT_NE(runFailing("move 1 2").find("move"), std::string::npos);
    EXPECT_NE(runFailing("move 1 2 3 noSuchThing").find("No object matches name: noSuchThing"),
              std::string::npos);
}

TEST_F(SceneTest, UndoOfCreationDeletesAndRedoRecreates) {
    run("polyCube -w 2");
    run("move 0 5 0");  // moves the selected new cube
    undo();
    undo();
    EXPECT_TRUE(findNode("pCube1").isNull());
    EXPECT_TRUE(findNode("pCubeShape1").isNull());
    redo();
    redo();
    ASSERT_FALSE(findNode("pCubeShape1").isNull());
    EXPECT_EQ(nodeName(parentOf(findNode("pCubeShape1"))), "pCube1");
    EXPECT_EQ(run("xform -q -t pCube1").asFloatArray(), (std::vector<double>{0, 5, 0}));
    EXPECT_EQ(integer("polyEvaluate -v pCube1"), 8);
    EXPECT_EQ(run("polyEvaluate -bb pCube1").asFloatArray(),
              (std::vector<double>{-1, 1, 4.5, 5.5, -0.5, 0.5}));
}

TEST_F(SceneTest, ChildrenOfADeletedTransformStayInTheScene) {
    run("polyCube");
    run("polyCube");
    run("parent pCube2 pCube1");
    std::string error;
    ASSERT_TRUE(Graph::instance().deleteNode(findNode("pCube1"), &error)) << error;
    EXPECT_EQ(strings("ls -type transform"), (Strings{"pCube2"}));
    EXPECT_TRUE(parentOf(findNode("pCube2")).isNull());
    EXPECT_EQ(fullPathName(findNode("pCubeShape2")), "|pCube2|pCubeShape2");
    std::vector<std::string> dag;
    for (const KObject& n : allDagNodes()) dag.push_back(nodeName(n));
    EXPECT_EQ(dag, (Strings{"pCube2", "pCubeShape2"})) << "pCubeShape1 went with its transform";
}

TEST_F(SceneTest, CameraCommandAndFunctionSet) {
    const Strings names = strings("camera -p 0 0 10");
    ASSERT_EQ(names, (Strings{"camera1", "cameraShape1"}));
    KFnCamera cam(findNode("camera1"));
    EXPECT_TRUE(cam.eyePoint(KSpace::kWorld).isEquivalent(KPoint(0, 0, 10)));
    EXPECT_TRUE(cam.viewDirection(KSpace::kWorld).isEquivalent(KVector(0, 0, -1)));
    // Aim at a point off to the side: the view direction follows, the up stays near +Y.
    ASSERT_TRUE(cam.setCenterOfInterestPoint(KPoint(10, 0, 0), KSpace::kWorld));
    const KVector view = cam.viewDirection(KSpace::kWorld);
    EXPECT_TRUE(view.isEquivalent(KVector(1, 0, -1).normal(), 1e-9));
    EXPECT_NEAR(cam.centerOfInterest(), std::sqrt(200.0), 1e-9);
    EXPECT_TRUE(cam.centerOfInterestPoint(KSpace::kWorld).isEquivalent(KPoint(10, 0, 0), 1e-9));
    EXPECT_NEAR(cam.upDirection(KSpace::kWorld).y, 1.0, 1e-9);
    // set() with a field of view and aspect reads back the same lens.
    ASSERT_TRUE(cam.set(KPoint(1, 2, 3), KVector(0, -1, 0), KVector(0, 0, -1), 0.8, 1.5));
    EXPECT_NEAR(cam.horizontalFieldOfView(), 0.8, 1e-12);
    EXPECT_NEAR(cam.aspectRatio(), 1.5, 1e-12);
    EXPECT_TRUE(cam.eyePoint(KSpace::kWorld).isEquivalent(KPoint(1, 2, 3), 1e-9));
    EXPECT_TRUE(cam.viewDirection(KSpace::kWorld).isEquivalent(KVector(0, -1, 0), 1e-9));
    ASSERT_TRUE(cam.setFarClippingPlane(100000.0));
    EXPECT_EQ(cam.farClippingPlane(), 100000.0);
    EXPECT_EQ(cam.set(KPoint(), KVector(), KVector(0, 1, 0), 0.8, 1.0), KStatus::kInvalidParameter);
    EXPECT_EQ(cam.setAspectRatio(0.0), KStatus::kInvalidParameter);
}

TEST_F(SceneTest, TransformFunctionSetCreatesUnderParentAndSets) {
    KFnTransform fn;
    KStatus status;
    const KObject parent = fn.create(KObject::kNullObj, &status);
    ASSERT_TRUE(status);
    KFnTransform childFn;
    const KObject child = childFn.create(parent, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(parentOf(child), parent);
    KTransformationMatrix tm;
    tm.addTranslation(KVector(1, 2, 3), KSpace::kTransform);
    tm.rotateBy(KQuaternion(M_PI / 2, KVector(0, 0, 1)), KSpace::kTransform);
    ASSERT_TRUE(childFn.set(tm));
    EXPECT_TRUE(childFn.getTranslation(KSpace::kTransform).isEquivalent(KVector(1, 2, 3)));
    EXPECT_NEAR(readVector(child, "rotate").z, 90.0, 1e-9);
    KQuaternion q;
    childFn.getRotation(q);
    EXPECT_TRUE(q.isEquivalent(tm.rotation(), 1e-9) ||
                q.isEquivalent(KQuaternion(-tm.rotation().x, -tm.rotation().y, -tm.rotation().z,
                                           -tm.rotation().w),
                               1e-9));
    EXPECT_EQ(childFn.setName("renamed"), KString("renamed"));
    EXPECT_EQ(fn.child(0), child);
}

}  // namespace
}  // namespace tarn::scene

namespace tarn::scene {
namespace {

TEST_F(SceneTest, PathMatricesAcrossNestedTransforms) {
    run("polyCube");
    run("polyCube");
    run("parent pCube2 pCube1");
    run("move 1 0 0 pCube1");
    run("scale 2 2 2 pCube1");
    run("move 0 3 0 pCube2");
    KDagPath path;
    KDagPath::getAPathTo(findNode("pCubeShape2"), path);
    // Inclusive: pCube2 then pCube1; the shape adds nothing. Exclusive drops the shape itself.
    const KPoint origin = KPoint(0, 0, 0) * path.inclusiveMatrix();
    EXPECT_TRUE(origin.isEquivalent(KPoint(1, 6, 0)));
    EXPECT_TRUE(path.inclusiveMatrix().isEquivalent(path.exclusiveMatrix()));
    KDagPath toTransform = path;
    ASSERT_TRUE(toTransform.pop());
    const KPoint parentOrigin = KPoint(0, 0, 0) * toTransform.exclusiveMatrix();
    EXPECT_TRUE(parentOrigin.isEquivalent(KPoint(1, 0, 0)));
    EXPECT_TRUE((path.inclusiveMatrix() * path.inclusiveMatrixInverse()).isEquivalent(KMatrix()));
    EXPECT_EQ(toTransform.childCount(), 1u);
    EXPECT_EQ(nodeName(toTransform.child(0)), "pCubeShape2");
    EXPECT_EQ(toTransform.push(findNode("pCubeShape1")), KStatus::kInvalidParameter);
    EXPECT_EQ(toTransform.pop(5), KStatus::kInvalidParameter);
    // Bounding box of a transform covers its subtree in its own space.
    KFnDagNode top(findNode("pCube1"));
    const KBoundingBox box = top.boundingBox();
    EXPECT_NEAR(box.max().y, 3.5, 1e-12);
    EXPECT_NEAR(box.min().y, -0.5, 1e-12);
}

TEST_F(SceneTest, ToggleSelectionAndHiliteRemoval) {
    run("polyCube");
    run("polyCube");
    run("select -r pCube1");
    run("select -tgl pCube1 pCube2");
    EXPECT_EQ(strings("ls -sl"), (Strings{"pCube2"}));
    run("hilite pCube1 pCube2");
    run("hilite -u pCube1");
    EXPECT_EQ(hiliteList(), (Strings{"pCube2"}));
    EXPECT_NE(runFailing("hilite noSuchThing").find("No object matches name"), std::string::npos);
}

}  // namespace
}  // namespace tarn::scene
