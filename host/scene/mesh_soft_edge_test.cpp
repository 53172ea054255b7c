// polySoftEdge through the host: undo and redo of in-place flag edits, whole-edge selections made
// through the SDK, and failures that leave every mesh as it was.
#include <functional>
#include <string>
#include <vector>

#include "frame/k_mesh.h"
#include "frame/k_selection.h"
#include "host/scene/dag.h"
#include "host/scene/scene_test_support.h"

namespace tarn::scene::testing {
namespace {

// Smooth flags of every edge of a mesh shape, as a string of '1' (soft) and '0' (hard).
std::string flags(const std::string& shape) {
    KFnMesh fn(findNode(shape));
    std::string out;
    for (int e = 0; e < fn.numEdges(); ++e) out += fn.isEdgeSmooth(e) ? '1' : '0';
    return out;
}

TEST_F(SceneTest, SoftEdgeUndoRedoRestoresExactFlags) {
    run("polyCube");
    run("polySoftEdge -a 0 pCube1");
    run("polySoftEdge -a 180 pCube1.e[1:3] pCube1.e[7]");
    const std::string mixed = flags("pCubeShape1");
    ASSERT_EQ(mixed, "011100010000");
    struct Step {
        const char* command;
        std::string expected;
    } steps[] = {
        {"polySoftEdge -a 180 pCube1", std::string(12, '1')},
        {"polySoftEdge -a 180 pCube1",
         std::string(12, '1')},  // changes nothing, still one undo step
        {"polySoftEdge -a 0 pCube1.f[0]", "000011111111"},
        {"polySoftEdge -a 60 pCube1", std::string(12, '0')},  // cube faces meet at 90 degrees
    };
    std::vector<std::string> history{mixed};
    for (const Step& s : steps) {
        run(s.command);
        EXPECT_EQ(flags("pCubeShape1"), s.expected) << s.command;
        history.push_back(s.expected);
    }
    // Undo walks back through every state, redo forward again.
    for (size_t i = history.size() - 1; i > 0; --i) {
        undo();
        EXPECT_EQ(flags("pCubeShape1"), history[i - 1]) << "undo to step " << i - 1;
    }
    for (size_t i = 1; i < history.size(); ++i) {
        redo();
        EXPECT_EQ(flags("pCubeShape1"), history[i]) << "redo to step " << i;
    }
}

TEST_F(SceneTest, SoftEdgeOnCompleteAndFullEdgeSelections) {
    run("polyCube");
    run("polySoftEdge -a 0 pCube1");
    KSelectionList list;
    ASSERT_FALSE(list.add(KString("pCube1")).error());
    KDagPath path;
    ASSERT_FALSE(list.getDagPath(0, path).error());
    path.extendToShape();
    // A complete edge component, as plug-ins build it, and the same edges listed one by one.
    std::vector<std::function<KObject()>> components = {
        [] {
            KFnSingleIndexedComponent c;
            const KObject o = c.create(KFn::kMeshEdgeComponent);
            c.setComplete(true);
            return o;
        },
        [] {
            KFnSingleIndexedComponent c;
            const KObject o = c.create(KFn::kMeshEdgeComponent);
            for (int e = 11; e >= 0; --e) c.addElement(e);
            return o;
        },
    };
    for (size_t i = 0; i < components.size(); ++i) {
        KSelectionList selection;
        selection.add(path, components[i]());
        KGlobal::setActiveSelectionList(selection);
        run("polySoftEdge -a 180 -ch 0");
        EXPECT_EQ(flags("pCubeShape1"), std::string(12, '1')) << "component " << i;
        undo();
        EXPECT_EQ(flags("pCubeShape1"), std::string(12, '0')) << "component " << i;
        redo();
        EXPECT_EQ(flags("pCubeShape1"), std::string(12, '1')) << "component " << i;
        undo();
        EXPECT_EQ(flags("pCubeShape1"), std::string(12, '0')) << "component " << i;
    }
}

TEST_F(SceneTest, SoftEdgeFailureLeavesEveryMeshAlone) {
    run("polyCube");
    run("polyPlane -sx 1 -sy 1");
    run("polySoftEdge -a 0 pCube1");
    const std::string cube = flags("pCubeShape1"), plane = flags("pPlaneShape1");
    struct Case {
        const char* command;
        const char* message;
    } cases[] = {
        {"polySoftEdge -a 180 pCube1 pPlane1.e[99]", "out of range"},
        {"polySoftEdge -a 180 pCube1 pPlane1.vtx[0]", "meshes, edges and faces"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(runFailing(c.command).find(c.message), std::string::npos) << c.command;
        EXPECT_EQ(flags("pCubeShape1"), cube) << c.command;
        EXPECT_EQ(flags("pPlaneShape1"), plane) << c.command;
    }
}

}  // namespace
}  // namespace tarn::scene::testing
