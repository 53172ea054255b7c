// KFnMesh, the mesh iterators, tweaks and mesh attributes through the SDK and commands.

#include "host/scene/scene_test_support.h"

#include "frame/k_mesh.h"
#include "frame/k_selection.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;

// A pentagon with a notch (concave at corner 3) in the XY plane.
KObject makePentagon(KFnMesh& fn, const KObject& parent, KStatus* status) {
    const KFloatPointArray points = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {1, 0.5f, 0}, {0, 2, 0}};
    return fn.create(5, 1, points, KIntArray{5}, KIntArray{0, 1, 2, 3, 4}, parent, status);
}

TEST_F(SceneTest, MeshCreateUnderParentAndQueries) {
    KFnTransform t;
    const KObject parent = t.create();
    KFnMesh fn;
    KStatus status;
    const KObject shape = makePentagon(fn, parent, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(parentOf(shape), parent);
    EXPECT_EQ(fn.numVertices(), 5);
    EXPECT_EQ(fn.numEdges(), 5);
    EXPECT_EQ(fn.numPolygons(), 1);
    EXPECT_EQ(fn.numTriangles(0), 3);
    for (int tri = 0; tri < 3; ++tri) {
        int v[3];
        ASSERT_TRUE(fn.getTriangle(0, tri, v));
        // The diagonal 2-4 lies outside the notched pentagon and must not be used.
        const bool uses2 = v[0] == 2 || v[1] == 2 || v[2] == 2;
        const bool uses4 = v[0] == 4 || v[1] == 4 || v[2] == 4;
        EXPECT_FALSE(uses2 && uses4);
    }
    int bad[3];
    EXPECT_EQ(fn.getTriangle(0, 3, bad), KStatus::kInvalidParameter);
    int2 ends;
    ASSERT_TRUE(fn.getEdgeVertices(2, ends));
    EXPECT_EQ(ends[0], 2);
    EXPECT_EQ(ends[1], 3);
    KVector n;
    ASSERT_TRUE(fn.getPolygonNormal(0, n));
    EXPECT_TRUE(n.isEquivalent(KVector(0, 0, 1)));
}

TEST_F(SceneTest, MeshCreateRefusesBadInputAndCreatesNothing) {
    const size_t before = Graph::instance().nodes().size();
    struct Case {
        const char* what;
        int numVertices, numPolygons;
        KIntArray counts, connects;
    } cases[] = {
        {"vertex count differs from points", 4, 1, {3}, {0, 1, 2}},
        {"face count differs from counts", 3, 2, {3}, {0, 1, 2}},
        {"index out of range", 3, 1, {3}, {0, 1, 7}},
        {"repeated vertex", 3, 1, {3}, {0, 1, 1}},
        {"two-vertex face", 3, 1, {2}, {0, 1}},
    };
    for (const Case& c : cases) {
        KFnMesh fn;
        KStatus status;
        const KObject made = fn.create(c.numVertices, c.numPolygons,
                                       KFloatPointArray{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, c.counts,
                                       c.connects, KObject::kNullObj, &status);
        EXPECT_EQ(status, KStatus::kInvalidParameter) << c.what;
        EXPECT_TRUE(made.isNull()) << c.what;
    }
    EXPECT_EQ(Graph::instance().nodes().size(), before);
}

TEST_F(SceneTest, UVSetsThroughTheFunctionSet) {
    run("polyPlane -sx 1 -sy 1");
    KFnMesh fn(findNode("pPlane1"));
    EXPECT_EQ(fn.currentUVSetName(), KString("map1"));
    EXPECT_EQ(fn.numUVs(), 4);
    const KString second = fn.createUVSetWithName("second");
    ASSERT_TRUE(fn.setUVs(KFloatArray{0.25f, 0.75f}, KFloatArray{0.5f, 0.5f}, &second));
    ASSERT_TRUE(fn.assignUVs(KIntArray{4}, KIntArray{0, 1, 1, 0}, &second));
    float u, v;
    ASSERT_TRUE(fn.getPolygonUV(0, 1, u, v, &second));
    EXPECT_FLOAT_EQ(u, 0.75f);
    ASSERT_TRUE(fn.getPolygonUV(0, 1, u, v));
    EXPECT_FLOAT_EQ(u, 1.0f) << "the current set is still map1";
    EXPECT_EQ(fn.assignUVs(KIntArray{4}, KIntArray{0, 1, 2, 0}, &second),
              KStatus::kInvalidParameter);
    ASSERT_TRUE(fn.setCurrentUVSetName(second));
    KFloatArray us, vs;
    fn.getUVs(us, vs);
    EXPECT_EQ(us.length(), 2u);
    KStringArray names;
    fn.getUVSetNames(names);
    EXPECT_EQ(names.length(), 2u);
    // The polygon iterator writes a corner's UV in the current set.
    KItMeshPolygon it(findNode("pPlaneShape1"));
    const float2 uv = {0.125f, 0.875f};
    ASSERT_TRUE(it.setUV(2, uv));
    float2 back;
    ASSERT_TRUE(it.getUV(2, back));
    EXPECT_FLOAT_EQ(back[1], 0.875f);
}

TEST_F(SceneTest, ColoursAndNormalsInWorldSpace) {
    run("polyCube");
    run("rotate 0 0 90 pCube1");
    KDagPath path;
    KDagPath::getAPathTo(findNode("pCubeShape1"), path);
    KFnMesh fn(path);
    // Face 0 faces +z; the rotation about z keeps it so. Face 1 (top, +y) turns to -x.
    KVector n;
    fn.getPolygonNormal(1, n, KSpace::kObject);
    EXPECT_TRUE(n.isEquivalent(KVector(0, 1, 0)));
    fn.getPolygonNormal(1, n, KSpace::kWorld);
    EXPECT_TRUE(n.isEquivalent(KVector(-1, 0, 0), 1e-9));
    KFloatVectorArray normals;
    fn.getFaceVertexNormals(1, normals, KSpace::kWorld);
    ASSERT_EQ(normals.length(), 4u);
    EXPECT_TRUE(normals[3].isEquivalent(KFloatVector(-1, 0, 0))) << "hard cube edges";

    ASSERT_TRUE(fn.setFaceVertexColor(KColor(1, 0.5f, 0.25f, 1), 2, 1));
    KColorArray colors;
    const KColor fallback(0.1f, 0.2f, 0.3f, 0.4f);
    fn.getFaceVertexColors(colors, nullptr, &fallback);
    ASSERT_EQ(colors.length(), 24u);
    EXPECT_EQ(colors[2 * 4 + 1], KColor(1, 0.5f, 0.25f, 1));
    EXPECT_EQ(colors[0], fallback);
    fn.getFaceVertexColors(colors);
    EXPECT_LT(colors[0].r, 0.0f) << "unset channels read negative";
}

TEST_F(SceneTest, RayHitsInWorldSpace) {
    run("polyCube -w 2 -h 2 -d 2");
    run("move 5 0 0 pCube1");
    KDagPath path;
    KDagPath::getAPathTo(findNode("pCube1"), path);
    KFnMesh fn(path);
    KPointArray hits;
    KIntArray faces;
    ASSERT_TRUE(
        fn.intersect(KPoint(5.5, 0.5, 10), KVector(0, 0, -1), hits, 1e-10, KSpace::kWorld, &faces));
    ASSERT_EQ(hits.length(), 2u);
    EXPECT_TRUE(hits[0].isEquivalent(KPoint(5.5, 0.5, 1)));
    EXPECT_TRUE(hits[1].isEquivalent(KPoint(5.5, 0.5, -1)));
    KVector n;
    fn.getPolygonNormal(faces[0], n, KSpace::kWorld);
    EXPECT_TRUE(n.isEquivalent(KVector(0, 0, 1)));
    EXPECT_FALSE(
        fn.intersect(KPoint(0.5, 0.5, 10), KVector(0, 0, -1), hits, 1e-10, KSpace::kWorld));
    // In object space the same ray passes beside the moved cube.
    EXPECT_FALSE(fn.intersect(KPoint(5.5, 0.5, 10), KVector(0, 0, -1), hits));
    KPoint closest;
    int face = -1;
    ASSERT_TRUE(fn.getClosestPoint(KPoint(5, 0, 9), closest, KSpace::kWorld, &face));
    EXPECT_TRUE(closest.isEquivalent(KPoint(5, 0, 1)));
}

TEST_F(SceneTest, TweaksThroughPntsAndBackfaceAttribute) {
    run("polyCube");
    std::string error;
    {
        // As "setAttr pCubeShape1.pt[3] 0 1 0" writes it.
        undo::UndoChunkScope chunk("tweak");
        const KPlug plug = Graph::instance().parsePlug("pCubeShape1.pt[3]", &error);
        ASSERT_FALSE(plug.isNull()) << error;
        ASSERT_TRUE(setPlugValuesUndoable(plug, {0, 1, 0}, &error)) << error;
    }
    KFnMesh fn(findNode("pCubeShape1"));
    KPoint p;
    fn.getPoint(3, p);
    EXPECT_DOUBLE_EQ(p.y, 1.5);
    EXPECT_EQ(run("polyEvaluate -bb pCube1").asFloatArray()[3], 1.5);
    // Moving a tweaked point keeps the tweak on top of the new base.
    ASSERT_TRUE(fn.setPoint(3, KPoint(0.5, 2.0, 0.5)));
    fn.getPoint(3, p);
    EXPECT_DOUBLE_EQ(p.y, 2.0);
    undo();
    fn.getPoint(3, p);
    EXPECT_DOUBLE_EQ(p.y, 1.0) << "the tweak is undone, the moved base stays";

    const KPlug bck = Graph::instance().parsePlug("pCubeShape1.bck", &error);
    ASSERT_FALSE(bck.isNull()) << error;
    EXPECT_EQ(readNumber(findNode("pCubeShape1"), "bck"), 0.0);
    ASSERT_TRUE(writePlugValues(bck, {3}, &error));
    EXPECT_EQ(readNumber(findNode("pCubeShape1"), "backfaceCulling"), 3.0);
}

TEST_F(SceneTest, IteratorsOverComponents) {
    run("polyCube");
    KSelectionList list;
    ASSERT_TRUE(list.add("pCube1.f[1:2]"));
    KDagPath path;
    KObject component;
    ASSERT_TRUE(list.getDagPath(0, path, component));
    EXPECT_EQ(nodeName(path.node()), "pCubeShape1");
    KItMeshPolygon faces(path, component);
    std::vector<int> seen;
    for (; !faces.isDone(); faces.next()) seen.push_back(faces.index());
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(faces.count(), 2);
    // setIndex reaches any face, as the edge-collecting tools use it.
    int previous = -1;
    ASSERT_TRUE(faces.setIndex(5, previous));
    KIntArray edges;
    faces.getEdges(edges);
    EXPECT_EQ(edges.length(), 4u);
    EXPECT_EQ(faces.setIndex(6, previous), KStatus::kInvalidParameter);

    KItMeshEdge allEdges(findNode("pCubeShape1"));
    int count = 0, border = 0;
    for (; !allEdges.isDone(); allEdges.next()) {
        ++count;
        border += allEdges.onBoundary() ? 1 : 0;
        KIntArray connected;
        allEdges.getConnectedFaces(connected);
        EXPECT_EQ(connected.length(), 2u);
    }
    EXPECT_EQ(count, 12);
    EXPECT_EQ(border, 0);
    KItMeshVertex verts(findNode("pCubeShape1"));
    KIntArray around;
    verts.getConnectedEdges(around);
    EXPECT_EQ(around.length(), 3u);
}

}  // namespace
}  // namespace tarn::scene

namespace tarn::scene {
namespace {

TEST_F(SceneTest, MeshDataOutsideTheDag) {
    KFnMeshData dataFn;
    const KObject data = dataFn.create();
    EXPECT_EQ(data.apiType(), KFn::kMeshData);
    KFnMesh fn;
    KStatus status;
    const KObject answered = fn.create(3, 1, KFloatPointArray{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                       KIntArray{3}, KIntArray{0, 1, 2}, data, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(answered, data);
    EXPECT_TRUE(allDagNodes().empty()) << "mesh data is not a scene object";
    // Without a UV set a corner's UV cannot be written; with one it can.
    KItMeshPolygon it(data);
    const float2 uv = {0.5f, 0.25f};
    EXPECT_EQ(it.setUV(0, uv), KStatus::kFailure);
    KFnMesh onData(data);
    onData.createUVSetWithName("map1");
    ASSERT_TRUE(it.setUV(0, uv));
    float u = 0, v = 0;
    ASSERT_TRUE(onData.getPolygonUV(0, 0, u, v));
    EXPECT_FLOAT_EQ(v, 0.25f);
    EXPECT_EQ(onData.numVertices(), 3);
}

TEST_F(SceneTest, DagNodeCreateMakesATransformForAShape) {
    KFnDagNode fn;
    KStatus status;
    const KObject transform = fn.create("mesh", "", KObject::kNullObj, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(transform.apiType(), KFn::kTransform);
    EXPECT_EQ(fn.object().apiType(), KFn::kMesh);
    EXPECT_EQ(parentOf(fn.object()), transform);
    fn.create("noSuchType", "", KObject::kNullObj, &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter);
    fn.create("transform", "", fn.object(), &status);
    EXPECT_EQ(status, KStatus::kInvalidParameter) << "a shape cannot parent";
}

}  // namespace
}  // namespace tarn::scene
