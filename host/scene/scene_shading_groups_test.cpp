// Shading-group membership through the host functions: faces move between groups, whole-mesh
// assignment, bad requests change nothing, and several meshes share a group.

#include "host/scene/scene_test_support.h"

#include <algorithm>

#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/shading/shading_nodes.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Ints = std::vector<int>;

// Faces of `mesh` in `group` as the group reports them (empty when the mesh is no member).
Ints facesIn(const KObject& group, const KObject& mesh, bool* whole = nullptr) {
    for (const shading::GroupMember& m : shading::groupMembers(group)) {
        if (m.mesh == mesh) {
            if (whole) *whole = m.whole;
            return m.faces;
        }
    }
    if (whole) *whole = false;
    return {};
}

class ShadingGroupTest : public SceneTest {
protected:
    KObject group(const std::string& name) {
        run("sets -renderable true -noSurfaceShader true -empty -name " + name);
        return findNode(name.c_str());
    }
};

TEST_F(ShadingGroupTest, FacesMoveBetweenGroupsAndWholeMeshesAreReported) {
    run("polyCube");
    run("polyPlane -sx 2 -sy 1");
    const KObject cube = findNode("pCubeShape1"), plane = findNode("pPlaneShape1");
    const KObject initial = shading::initialShadingGroup();
    ASSERT_FALSE(cube.isNull());
    ASSERT_FALSE(plane.isNull());
    EXPECT_TRUE(shading::isShadingGroup(initial));
    EXPECT_FALSE(shading::isShadingGroup(cube));

    // New meshes start whole in the default group.
    bool whole = false;
    EXPECT_EQ(facesIn(initial, cube, &whole).size(), 6u);
    EXPECT_TRUE(whole);
    EXPECT_EQ(facesIn(initial, plane, &whole).size(), 2u);
    EXPECT_TRUE(whole);

    const KObject red = group("redSG"), blue = group("blueSG");
    EXPECT_TRUE(shading::groupMembers(red).empty());

    struct Step {
        KObject group;
        KObject mesh;
        Ints faces;  // empty: the whole mesh
        Ints redCube, blueCube, initialCube;
    };
    const Step steps[] = {
        {red, cube, {}, {0, 1, 2, 3, 4, 5}, {}, {}},
        {blue, cube, {5, 0}, {1, 2, 3, 4}, {0, 5}, {}},
        {blue, cube, {0}, {1, 2, 3, 4}, {0, 5}, {}},  // already there: no change
        {initial, cube, {1, 2, 3, 4}, {}, {0, 5}, {1, 2, 3, 4}},
        {red, cube, {}, {0, 1, 2, 3, 4, 5}, {}, {}},
    };
    for (const Step& s : steps) {
        std::string error;
        ASSERT_TRUE(shading::assignFaces(s.group, s.mesh, s.faces, &error)) << error;
        EXPECT_EQ(facesIn(red, cube), s.redCube);
        EXPECT_EQ(facesIn(blue, cube), s.blueCube);
        EXPECT_EQ(facesIn(initial, cube), s.initialCube);
        // Every face is in exactly one group.
        const std::vector<KObject> groups = shading::faceGroups(cube);
        ASSERT_EQ(groups.size(), 6u);
        for (int f = 0; f < 6; ++f) {
            const KObject& g = groups[f];
            const int hits = int(std::count(s.redCube.begin(), s.redCube.end(), f)) +
                             int(std::count(s.blueCube.begin(), s.blueCube.end(), f)) +
                             int(std::count(s.initialCube.begin(), s.initialCube.end(), f));
            EXPECT_EQ(hits, 1) << f;
            EXPECT_EQ(g == red, std::count(s.redCube.begin(), s.redCube.end(), f) == 1) << f;
        }
    }
    // The plane was never touched.
    EXPECT_EQ(facesIn(initial, plane, &whole).size(), 2u);
    EXPECT_TRUE(whole);
    // Two meshes share a group; each is listed once.
    std::string error;
    ASSERT_TRUE(shading::assignFaces(red, plane, {1}, &error)) << error;
    EXPECT_EQ(shading::groupMembers(red).size(), 2u);
    EXPECT_EQ(facesIn(red, plane, &whole), Ints{1});
    EXPECT_FALSE(whole);
    EXPECT_EQ(facesIn(initial, plane), Ints{0});
}

TEST_F(ShadingGroupTest, BadAssignmentsFailAndChangeNothing) {
    run("polyCube");
    run("shadingNode -asShader phong");
    const KObject cube = findNode("pCubeShape1");
    const KObject red = group("redSG");
    ASSERT_TRUE(shading::assignFaces(red, cube, {2}, nullptr));
    const std::vector<KObject> before = shading::faceGroups(cube);

    struct Case {
        KObject group, mesh;
        Ints faces;
    };
    const Case cases[] = {
        {red, cube, {6}},                 // past the last face
        {red, cube, {0, -1}},             // negative, after a good one
        {findNode("phong1"), cube, {0}},  // not a shading group
        {red, findNode("phong1"), {}},    // not a mesh
        {red, KObject(), {}},             // null mesh
        {KObject(), cube, {}},            // null group
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(shading::assignFaces(c.group, c.mesh, c.faces, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(shading::faceGroups(cube), before);
    }
    EXPECT_TRUE(shading::faceGroups(findNode("phong1")).empty());
}

TEST_F(ShadingGroupTest, CommandAssignmentUndoesAndRedoes) {
    run("polyPlane -sx 3 -sy 1");
    const KObject plane = findNode("pPlaneShape1");
    const KObject initial = shading::initialShadingGroup();
    const KObject red = group("redSG");
    run("sets -edit -forceElement redSG pPlane1.f[0] pPlane1.f[2]");
    EXPECT_EQ(facesIn(red, plane), (Ints{0, 2}));
    EXPECT_EQ(facesIn(initial, plane), Ints{1});
    run("sets -edit -forceElement redSG pPlane1");
    bool whole = false;
    EXPECT_EQ(facesIn(red, plane, &whole), (Ints{0, 1, 2}));
    EXPECT_TRUE(whole);
    EXPECT_TRUE(facesIn(initial, plane).empty());
    // A whole mesh is listed by its shape, a part by its faces.
    EXPECT_EQ(strings("sets -q redSG"), std::vector<std::string>{"pPlaneShape1"});
    undo();
    EXPECT_EQ(facesIn(red, plane), (Ints{0, 2}));
    EXPECT_EQ(facesIn(initial, plane), Ints{1});
    EXPECT_EQ(strings("sets -q redSG"), (std::vector<std::string>{"pPlane1.f[0]", "pPlane1.f[2]"}));
    EXPECT_EQ(strings("sets -q initialShadingGroup"), std::vector<std::string>{"pPlane1.f[1]"});
    redo();
    EXPECT_EQ(facesIn(red, plane), (Ints{0, 1, 2}));
    EXPECT_EQ(strings("sets -q initialShadingGroup"), std::vector<std::string>{});
}

}  // namespace
}  // namespace tarn::scene
