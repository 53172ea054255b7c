// Selection lists, component names, select/ls and bad component input.

#include "host/scene/scene_test_support.h"

#include "frame/k_global.h"
#include "frame/k_selection.h"
#include "host/scene/component_name.h"
#include "host/scene/dag.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Strings = std::vector<std::string>;

TEST(ComponentName, ParsesAndPrintsRanges) {
    struct Case {
        const char* text;
        ComponentKind kind;
        bool all;
        std::vector<std::pair<int, int>> ranges;
    } cases[] = {
        {"pCube1.vtx[3]", ComponentKind::Vertex, false, {{3, 3}}},
        {"pCube1.e[4:7]", ComponentKind::Edge, false, {{4, 7}}},
        {"pCubeShape1.f[2]", ComponentKind::Face, false, {{2, 2}}},
        {"m.map[5]", ComponentKind::UV, false, {{5, 5}}},
        {"m.f[*]", ComponentKind::Face, true, {}},
        {"m.f[1][3:4]", ComponentKind::Face, false, {{1, 1}, {3, 4}}},
        {"pCube1", ComponentKind::None, false, {}},
        {"node.lightData[2]", ComponentKind::None, false, {}},  // an array plug, not a component
    };
    for (const Case& c : cases) {
        ComponentName name;
        std::string error;
        ASSERT_TRUE(parseComponentName(c.text, name, &error)) << c.text << ": " << error;
        EXPECT_EQ(name.kind, c.kind) << c.text;
        EXPECT_EQ(name.all, c.all) << c.text;
        EXPECT_EQ(name.ranges, c.ranges) << c.text;
    }
    const struct {
        std::vector<int> indices;
        Strings names;
    } lists[] = {
        {{0, 1, 2, 5, 7, 8}, {"pCube1.e[0:2]", "pCube1.e[5]", "pCube1.e[7:8]"}},
        {{3, 4, 5, 6}, {"pCube1.e[3:6]"}},
        {{7, 8}, {"pCube1.e[7:8]"}},
        {{5}, {"pCube1.e[5]"}},
        {{}, {}},
        {{2, 1}, {"pCube1.e[2]", "pCube1.e[1]"}},  // out of order: not one run
        {{0, 1, 3, 4}, {"pCube1.e[0:1]", "pCube1.e[3:4]"}},
        {{2147483646, 2147483647}, {"pCube1.e[2147483646:2147483647]"}},
        {{-2147483647 - 1, 2147483647}, {"pCube1.e[-2147483648]", "pCube1.e[2147483647]"}},
    };
    for (const auto& l : lists)
        EXPECT_EQ(formatComponentNames("pCube1", ComponentKind::Edge, l.indices), l.names)
            << l.indices.size();
}

TEST(ComponentName, MalformedNamesSayWhy) {
    struct Case {
        const char* text;
        const char* why;
    } cases[] = {
        {"m.f[2", "missing ']'"},       {"m.f[a]", "is not an index"},
        {"m.f[-1]", "is not an index"}, {"m.e[7:4]", "runs backwards"},
        {"m.e[1:x]", "is not a range"}, {"m.f[1]x", "expected '['"},
        {".f[1]", "no object"},         {"m.vtxFace[1]", "not supported"},
    };
    for (const Case& c : cases) {
        ComponentName name;
        std::string error;
        EXPECT_FALSE(parseComponentName(c.text, name, &error)) << c.text;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.text << ": " << error;
    }
    ComponentName edges;
    ASSERT_TRUE(parseComponentName("m.e[10:12]", edges, nullptr));
    std::vector<int> out;
    std::string error;
    EXPECT_FALSE(expandComponentIndices(edges, 12, out, &error));
    EXPECT_NE(error.find("out of range"), std::string::npos) << error;
}

TEST_F(SceneTest, SelectComponentsAndListThemAsNames) {
    run("polyCube");
    run("polyPlane -sx 2 -sy 2");
    run("select -r pCube1.e[4:7] pCube1.e[9]");
    EXPECT_EQ(strings("ls -sl"), (Strings{"pCube1.e[4:7]", "pCube1.e[9]"}));
    run("select -add pCubeShape1.e[8] pPlane1.f[2]");
    EXPECT_EQ(strings("ls -sl"), (Strings{"pCube1.e[4:9]", "pPlane1.f[2]"}));
    run("select -d pCube1.e[5:6]");
    EXPECT_EQ(strings("ls -sl"), (Strings{"pCube1.e[4]", "pCube1.e[7:9]", "pPlane1.f[2]"}));
    run("select -r pCube1.vtx[*]");
    EXPECT_EQ(strings("ls -sl"), (Strings{"pCube1.vtx[0:7]"}));
    run("select -r pPlane1 pCube1.map[0:1]");
    EXPECT_EQ(strings("ls -sl"), (Strings{"pPlane1", "pCube1.map[0:1]"}));
    run("select -cl");
    EXPECT_EQ(strings("ls -sl"), Strings{});
    undo();
    EXPECT_EQ(strings("ls -sl"), (Strings{"pPlane1", "pCube1.map[0:1]"}));
}

TEST_F(SceneTest, BadSelectionInputChangesNothing) {
    run("polyCube");
    run("select -r pCube1.f[1]");
    struct Case {
        const char* command;
        const char* message;
    } cases[] = {
        {"select -r nothing", "No object matches name: nothing"},
        {"select -r pCube1.f[6]", "out of range"},
        {"select -r pCube1.e[3:12]", "out of range"},
        {"select -r pCube1.f[2", "missing ']'"},
        {"select -add pCube1.f[0] pCube1.vtx[x]", "is not an index"},
        {"select -r lambert1.f[0]", "has no mesh components"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(runFailing(c.command).find(c.message), std::string::npos) << c.command;
        EXPECT_EQ(strings("ls -sl"), (Strings{"pCube1.f[1]"})) << c.command;
    }
    EXPECT_NE(runFailing("polyEvaluate -f pCube1.f[9]").find("out of range"), std::string::npos);
}

TEST_F(SceneTest, CompleteComponentsAndTheActiveList) {
    run("polyCube");
    KFnSingleIndexedComponent fn;
    const KObject edges = fn.create(KFn::kMeshEdgeComponent);
    ASSERT_TRUE(fn.setComplete(true));
    KDagPath path;
    KDagPath::getAPathTo(findNode("pCubeShape1"), path);
    KSelectionList list;
    ASSERT_TRUE(list.add(path, edges));
    ASSERT_TRUE(KGlobal::setActiveSelectionList(list));
    EXPECT_EQ(strings("ls -sl"), (Strings{"pCube1.e[0:11]"}));
    EXPECT_EQ(integer("polyEvaluate -e"), 12);

    KSelectionList active;
    KGlobal::getActiveSelectionList(active);
    KItSelectionList it(active, KFn::kMeshEdgeComponent);
    ASSERT_FALSE(it.isDone());
    KObject component;
    it.getDagPath(path, component);
    EXPECT_EQ(KFnComponent(component).type(), KFn::kMeshEdgeComponent);
    EXPECT_EQ(KFnComponent(component).elementCount(), 12);
    KItSelectionList faces(active, KFn::kMeshPolygonComponent);
    EXPECT_TRUE(faces.isDone());

    KFnSingleIndexedComponent polys;
    polys.create(KFn::kMeshPolygonComponent);
    EXPECT_EQ(KFnComponent(polys.object()).type(), 540);
    EXPECT_EQ(polys.addElement(-1), KStatus::kInvalidParameter);
    polys.addElements(KIntArray{4, 2, 4});
    KIntArray got;
    polys.getElements(got);
    EXPECT_EQ(got, (KIntArray{2, 4}));

    KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
    KGlobal::setComponentSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshEdges));
    EXPECT_EQ(KGlobal::selectionMode(), KGlobal::kSelectComponentMode);
    EXPECT_TRUE(KGlobal::componentSelectionMask().intersects(KSelectionMask::kSelectMeshEdges));
    EXPECT_EQ(static_cast<int>(KSelectionMask::kSelectMeshEdges), 42);
    EXPECT_EQ(static_cast<int>(KSelectionMask::kSelectMeshes), 12);
    run("hilite");
    EXPECT_EQ(hiliteList(), (Strings{"pCube1"}));
}

TEST_F(SceneTest, LsFiltersByTypeAndPattern) {
    run("polyCube");
    run("polySphere -sx 6 -sy 4");
    EXPECT_EQ(strings("ls -type mesh"), (Strings{"pCubeShape1", "pSphereShape1"}));
    EXPECT_EQ(strings("ls pS*"), (Strings{"pSphere1", "pSphereShape1"}));
    EXPECT_EQ(strings("ls -type shadingEngine"), (Strings{"initialShadingGroup"}));
    EXPECT_EQ(strings("ls pCube1.f[0:1]"), (Strings{"pCube1.f[0:1]"}));
    EXPECT_EQ(strings("ls noSuchThing"), Strings{});
}

}  // namespace
}  // namespace tarn::scene
