// patchCastNode evaluated by the graph: mesh data on inMesh, surface data on inSurface, outMesh
// pulled. The surface is a flat degree-1 sheet in z = 0 whose parameters are linear in x and y:
// u = x / 2 over knots 0..2 (two patches), v = y over knots 0..4 (four patches), so the closest
// point of a vertex (x, y, z) has (u, v) = (x / 2, y) and, normalised, (x / 4, y / 4).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "uvproject/patch_cast_test_support.h"

namespace {

using patchcast::testing::loadPatchCast;

KObject sheet() {
    KObject data = KFnNurbsSurfaceData().create();
    KPointArray cvs;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 5; ++j) cvs.append(KPoint(2.0 * i, 1.0 * j, 0.0));
    KDoubleArray uKnots, vKnots;
    for (double k : {0.0, 1.0, 2.0}) uKnots.append(k);
    for (double k : {0.0, 1.0, 2.0, 3.0, 4.0}) vKnots.append(k);
    KStatus st;
    KFnNurbsSurface().create(cvs, uKnots, vKnots, 1, 1, KFnNurbsSurface::kOpen,
                             KFnNurbsSurface::kOpen, false, data, &st);
    EXPECT_TRUE(st);
    return data;
}

/// A 2 x 2 grid of quads over x, y in [1, 3], lifted to z = 0.5; with `uvs`, a "map1" set with
/// one shared UV (0.9, 0.9) per vertex.
KObject grid(bool uvs) {
    KObject data = KFnMeshData().create();
    KPointArray points;
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x) points.append(KPoint(x, y, 0.5));
    KIntArray counts, connects;
    for (int f = 0; f < 4; ++f) {
        const int base = (f / 2) * 3 + f % 2;
        counts.append(4);
        for (int v : {base, base + 1, base + 4, base + 3}) connects.append(v);
    }
    KFnMesh fn;
    KStatus st;
    fn.create(9, 4, points, counts, connects, data, &st);
    EXPECT_TRUE(st);
    if (uvs) {
        fn.setObject(data);
        const KString map1("map1");
        fn.createUVSetWithName(map1);
        KFloatArray u, v;
        for (int i = 0; i < 9; ++i) {
            u.append(0.9f);
            v.append(0.9f);
        }
        EXPECT_TRUE(fn.setUVs(u, v, &map1));
        EXPECT_TRUE(fn.assignUVs(counts, connects, &map1));
    }
    return data;
}

class PatchCastComputeTest : public ::testing::Test {
protected:
    void SetUp() override {
        loadPatchCast();
        m_node = KFnDependencyNode().create("patchCastNode");
        m_fn.setObject(m_node);
    }
    void TearDown() override { tarn::Graph::instance().deleteNode(m_node, nullptr); }

    void set(const char* attr, const KObject& data) {
        ASSERT_TRUE(m_fn.findPlug(attr).setValue(data));
    }
    void set(const char* attr, int value) { ASSERT_TRUE(m_fn.findPlug(attr).setValue(value)); }

    /// Pulls outMesh; `messages` gets what compute wrote on standard error.
    KObject pull(std::string& messages) {
        ::testing::internal::CaptureStderr();
        KObject out;
        m_fn.findPlug("outMesh").getValue(out);
        messages = ::testing::internal::GetCapturedStderr();
        return out;
    }

    KObject m_node;
    KFnDependencyNode m_fn;
};

TEST_F(PatchCastComputeTest, EveryFaceVertexGetsTheParametersOfItsClosestPoint) {
    const KObject input = grid(true);
    set("inMesh", input);
    set("inSurface", sheet());
    struct Case {
        int normalize;
        double uScale, vScale;  // expected (u, v) = (x * uScale, y * vScale)
    } cases[] = {{0, 0.5, 1.0}, {1, 0.25, 0.25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.normalize ? "normalize on" : "normalize off");
        set("normalize", c.normalize);
        std::string messages;
        const KObject out = pull(messages);
        EXPECT_EQ(messages, "");
        ASSERT_FALSE(out.isNull());
        EXPECT_NE(out, input);  // written into a copy
        KFnMesh mesh(out);
        std::set<int> ids;
        for (int f = 0; f < 4; ++f) {
            for (int corner = 0; corner < 4; ++corner) {
                KIntArray vertices;
                mesh.getPolygonVertices(f, vertices);
                KPoint p;
                mesh.getPoint(vertices[corner], p);
                float u = -1, v = -1;
                ASSERT_TRUE(mesh.getPolygonUV(f, corner, u, v));
                EXPECT_NEAR(u, p.x * c.uScale, 1e-4) << "face " << f << " corner " << corner;
                EXPECT_NEAR(v, p.y * c.vScale, 1e-4) << "face " << f << " corner " << corner;
                int id = -1;
                mesh.getPolygonUVid(f, corner, id);
                ids.insert(id);
            }
        }
        // The centre vertex is shared by all four faces: same UV, but one UV per face-vertex.
        EXPECT_EQ(ids.size(), 16u);
    }
    // The input keeps its own UVs.
    float u = 0, v = 0;
    KFnMesh(input).getPolygonUV(3, 2, u, v);
    EXPECT_FLOAT_EQ(u, 0.9f);
    EXPECT_EQ(KFnMesh(input).numUVs(), 9);
}

TEST_F(PatchCastComputeTest, AGroupLimitsTheFacesAndTravelsWithTheMesh) {
    const KObject input = grid(true);
    KFnGeometryData groups(input);
    ASSERT_TRUE(groups.addObjectGroup(3));
    KFnSingleIndexedComponent faces;
    const KObject members = faces.create(KFn::kMeshPolygonComponent);
    faces.addElement(1);
    faces.addElement(2);
    ASSERT_TRUE(groups.addObjectGroupComponent(3, members));
    set("inMesh", input);
    set("inSurface", sheet());

    struct Case {
        int groupId;
        std::vector<bool> projected;  // per face
    } cases[] = {{-1, {true, true, true, true}}, {3, {false, true, true, false}}};
    KObject out;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.groupId);
        set("groupId", c.groupId);
        std::string messages;
        out = pull(messages);
        EXPECT_EQ(messages, "");
        ASSERT_FALSE(out.isNull());
        KFnMesh mesh(out);
        for (int f = 0; f < 4; ++f) {
            float u = 0, v = 0;
            mesh.getPolygonUV(f, 0, u, v);
            EXPECT_EQ(u != 0.9f, c.projected[f]) << "face " << f;
        }
        KIntArray members;
        KFnSingleIndexedComponent(KFnGeometryData(out).objectGroupComponent(3))
            .getElements(members);
        ASSERT_EQ(members.length(), 2u);
        EXPECT_EQ(members[0], 1);
        EXPECT_EQ(members[1], 2);
    }

    // A group the mesh does not have fails with one message; outMesh is not written (it keeps
    // what the last evaluation put there, if anything).
    set("groupId", 7);
    std::string messages;
    const KObject failed = pull(messages);
    EXPECT_TRUE(failed.isNull() || failed == out);
    EXPECT_EQ(messages, "error\n");
}

TEST_F(PatchCastComputeTest, FailuresPrintOneMessageAndWriteNothing) {
    struct Case {
        const char* what;
        bool mesh, uvs, surface;
        const char* message;
    } cases[] = {
        {"no UV set", true, false, true, "error setting UV\n"},
        {"no surface", true, true, false, "error with nurbs surface input data\n"},
        {"no mesh", false, false, true, "error with mesh input data\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tarn::Graph::instance().deleteNode(m_node, nullptr);
        SetUp();
        if (c.mesh) set("inMesh", grid(c.uvs));
        if (c.surface) set("inSurface", sheet());
        std::string messages;
        EXPECT_TRUE(pull(messages).isNull());
        EXPECT_EQ(messages, c.message);
    }
}

// The node in a mesh's construction history, set up from a script: the faces picked become an
// object group upstream of the node, the node projects only those faces, and each step undoes.
TEST(PatchCastHistory, AScriptProjectsTheFacesOfAGroupThroughHistory) {
    using patchcast::testing::run;
    loadPatchCast();
    ASSERT_TRUE(run("polyPlane -w 4 -h 4 -sx 4 -sy 4 -n castPlane").ok);
    ASSERT_TRUE(run("nurbsPlane -d 3 -u 2 -v 2 -w 5 -n castSheet").ok);
    ASSERT_TRUE(run("move 0 0.5 0 castSheet").ok);
    ASSERT_TRUE(run("createNode patchCastNode -n castNode").ok);
    ASSERT_TRUE(run("connectAttr castSheetShape.worldSpace[0] castNode.inSurface").ok);

    auto pathOf = [](const char* name) {
        KSelectionList list;
        list.add(KString(name));
        KDagPath path;
        list.getDagPath(0, path);
        return path;
    };
    const KDagPath plane = pathOf("castPlane");
    const KFnNurbsSurface sheet(pathOf("castSheet"));
    // Every face-vertex's UV, face by face.
    auto uvs = [&] {
        KFnMesh mesh(plane);
        std::vector<std::pair<float, float>> out;
        for (int f = 0; f < mesh.numPolygons(); ++f)
            for (int j = 0; j < mesh.polygonVertexCount(f); ++j) {
                float u = -1, v = -1;
                mesh.getPolygonUV(f, j, u, v);
                out.emplace_back(u, v);
            }
        return out;
    };
    // What the node should give face-vertex j of face f: the closest point's parameters.
    auto projected = [&](int f, int j, double scale) {
        KFnMesh mesh(plane);
        KIntArray verts;
        mesh.getPolygonVertices(f, verts);
        KPoint p;
        mesh.getPoint(verts[j], p, KSpace::kWorld);
        double u = 0, v = 0;
        sheet.closestPoint(p, &u, &v, true, 1e-4, KSpace::kWorld);
        return std::pair<float, float>(float(u / scale), float(v / scale));
    };
    const auto before = uvs();
    const std::set<int> picked = {5, 6};

    const auto inserted = run("polyHistory -insert castNode castPlane.f[5:6]");
    ASSERT_TRUE(inserted.ok) << inserted.error;
    KString group;
    ASSERT_TRUE(KGlobal::executeCommand("getAttr castNode.groupId", group));
    EXPECT_GE(std::stoi(group.asChar()), 0);

    for (double scale : {1.0, 2.0}) {  // normalize off, then on (two patches each way)
        SCOPED_TRACE(scale);
        if (scale == 2.0) {
            ASSERT_TRUE(run("setAttr castNode.normalize 1").ok);
        }
        const auto now = uvs();
        ASSERT_EQ(now.size(), before.size());
        for (int f = 0, k = 0; f < 16; ++f)
            for (int j = 0; j < 4; ++j, ++k) {
                const auto want = picked.count(f) ? projected(f, j, scale) : before[k];
                EXPECT_NEAR(now[k].first, want.first, 1e-4) << "face " << f << " corner " << j;
                EXPECT_NEAR(now[k].second, want.second, 1e-4) << "face " << f << " corner " << j;
            }
    }
    ASSERT_TRUE(run("undo").ok);  // normalize back off
    EXPECT_NEAR(uvs()[5 * 4].first, projected(5, 0, 1.0).first, 1e-4);
    ASSERT_TRUE(run("undo").ok);  // out of the history again
    EXPECT_EQ(uvs(), before);
    ASSERT_TRUE(run("redo").ok);
    EXPECT_NEAR(uvs()[6 * 4 + 2].second, projected(6, 2, 1.0).second, 1e-4);
    run("delete castPlane castSheet castNode");
}

}  // namespace
