// Selection from the screen on real scenes: edges by rectangle and point in component mode
// (backface culling on and off, reversed rectangles, replace/add/toggle/remove), meshes by
// rectangle and by the ray under a point in object mode, and the capture drawing the selected
// edge on the pixels worldToView names.

#include <gtest/gtest.h>

#include <set>

#include "frame/k_3d_view.h"
#include "frame/k_global.h"
#include "frame/k_selection.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/view/active_view.h"
#include "host/view/view_snapshot.h"
#include "host/view/view_test_support.h"

namespace tarn::view {
namespace {

class ScreenSelectTest : public testing::ViewTest {
protected:

    // A unit cube at the origin seen from (0, 0, 2) in a 200 x 200 port; edge mode on it.
    void cubeInEdgeMode(int bck) {
        run("polyCube -n box");
        run("setAttr " + scene::nodeName(scene::meshShapeOf(scene::findNode("box"))) + ".bck " +
            std::to_string(bck));
        run("camera -p 0 0 2");
        run("viewCamera camera1");
        run("viewPort 200 200");
        run("select -r box; hilite box");
        KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
        KGlobal::setComponentSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshEdges));
    }
    void objectMode() {
        KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);
        KGlobal::setObjectSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshes));
    }
    const PolyMesh& cube() {
        return scene::meshNode(scene::meshShapeOf(scene::findNode("box")))->mesh();
    }
    // The selected edges of the first component item.
    std::set<int> selectedEdges() {
        KSelectionList list;
        KGlobal::getActiveSelectionList(list);
        std::set<int> out;
        for (const auto& item : list.items())
            if (const auto* c = scene::ComponentImpl::from(item.component))
                for (int e : c->elements()) out.insert(e);
        return out;
    }
    std::set<int> edgesWhere(bool (*keep)(const Vec3&, const Vec3&)) {
        std::set<int> out;
        const PolyMesh& m = cube();
        for (int e = 0; e < m.numEdges(); ++e)
            if (keep(m.point(m.edge(e).v0), m.point(m.edge(e).v1))) out.insert(e);
        return out;
    }
    // The pixel where a point of the cube appears.
    std::pair<short, short> pixelOf(const Vec3& p) {
        short x = 0, y = 0;
        K3dView::active3dView().worldToView(KPoint(p.x, p.y, p.z), x, y);
        return {x, y};
    }
};

bool frontEdge(const Vec3& a, const Vec3& b) {
    return a.z > 0.4 && b.z > 0.4;
}
bool frontTopEdge(const Vec3& a, const Vec3& b) {
    return frontEdge(a, b) && a.y > 0.4 && b.y > 0.4;
}
bool anyEdge(const Vec3&, const Vec3&) {
    return true;
}

TEST_F(ScreenSelectTest, RectangleTakesEdgesAndCullingKeepsFrontFacesOnly) {
    struct Case {
        int bck;
        bool (*expected)(const Vec3&, const Vec3&);
    };
    for (const Case& c : {Case{0, anyEdge}, Case{3, frontEdge}}) {
        SetUp();
        cubeInEdgeMode(c.bck);
        ASSERT_TRUE(KGlobal::selectFromScreen(0, 0, 199, 199, KGlobal::kReplaceList,
                                              KGlobal::kWireframeSelectMethod));
        EXPECT_EQ(selectedEdges(), edgesWhere(c.expected)) << "bck " << c.bck;
        EXPECT_EQ(selectedEdges().size(), c.bck == 3 ? 4u : 12u);
        TearDown();
    }
}

TEST_F(ScreenSelectTest, ReversedRectanglesSelectTheSame) {
    cubeInEdgeMode(0);
    const auto [x, y] = pixelOf({0, 0.5, 0.5});  // middle of the front top edge
    const int corners[][4] = {{x - 2, y - 2, x + 2, y + 2},
                              {x + 2, y + 2, x - 2, y - 2},
                              {x - 2, y + 2, x + 2, y - 2},
                              {x + 2, y - 2, x - 2, y + 2}};
    for (const auto& r : corners) {
        KGlobal::selectFromScreen(r[0], r[1], r[2], r[3]);
        EXPECT_EQ(selectedEdges(), edgesWhere(frontTopEdge)) << r[0] << "," << r[1];
    }
}

TEST_F(ScreenSelectTest, PointPicksTheNearestEdgeAndAdjustmentsApplyPerEdge) {
    cubeInEdgeMode(0);
    const auto top = pixelOf({0, 0.5, 0.5});
    const auto bottom = pixelOf({0, -0.5, 0.5});
    const std::set<int> topEdge = edgesWhere(frontTopEdge);
    const std::set<int> bottomEdge = edgesWhere(
        [](const Vec3& a, const Vec3& b) { return frontEdge(a, b) && a.y < -0.4 && b.y < -0.4; });
    std::set<int> both = topEdge;
    both.insert(bottomEdge.begin(), bottomEdge.end());

    KGlobal::selectFromScreen(top.first, top.second, KGlobal::kReplaceList);
    EXPECT_EQ(selectedEdges(), topEdge);
    KGlobal::selectFromScreen(bottom.first, bottom.second, KGlobal::kAddToList);
    EXPECT_EQ(selectedEdges(), both);
    KGlobal::selectFromScreen(top.first, top.second, KGlobal::kXORWithList);
    EXPECT_EQ(selectedEdges(), bottomEdge);
    KGlobal::selectFromScreen(top.first, top.second, KGlobal::kXORWithList);
    EXPECT_EQ(selectedEdges(), both);
    KGlobal::selectFromScreen(bottom.first, bottom.second, KGlobal::kRemoveFromList);
    EXPECT_EQ(selectedEdges(), topEdge);
    // Far from every edge: a replacing click clears the edges.
    const auto centre = pixelOf({0, 0, 0.5});
    KGlobal::selectFromScreen(centre.first, centre.second, KGlobal::kReplaceList);
    EXPECT_TRUE(selectedEdges().empty());
}

TEST_F(ScreenSelectTest, ObjectModePicksMeshesByRayAndRectangle) {
    run("polyCube -n left; move -2 0 0 left");
    run("polyCube -n right; move 2 0 0 right");
    run("polyCube -n hidden; move -2 0 -3 hidden");  // behind "left" from the camera
    run("camera -p 0 0 8");
    run("viewCamera camera1");
    run("viewPort 160 120");
    objectMode();
    const auto at = [&](double x, double z) {
        short px = 0, py = 0;
        K3dView::active3dView().worldToView(KPoint(x, 0, z), px, py);
        return std::pair{px, py};
    };
    struct Case {
        const char* what;
        std::function<void()> select;
        std::vector<std::string> expected;
    };
    const auto l = at(-2, 0.5), r = at(2, 0.5);
    const std::vector<Case> cases = {
        {"ray meets the nearer cube",
         [&] { KGlobal::selectFromScreen(l.first, l.second); },
         {"left"}},
        {"ray on the right", [&] { KGlobal::selectFromScreen(r.first, r.second); }, {"right"}},
        {"ray on nothing", [&] { KGlobal::selectFromScreen(80, 110); }, {}},
        {"rectangle around the right cube",
         [&] {
             KGlobal::selectFromScreen(r.first + 30, r.second + 30, r.first - 30, r.second - 30);
         },
         {"right"}},
        {"rectangle over everything",
         [&] { KGlobal::selectFromScreen(0, 0, 159, 119); },
         {"left", "right", "hidden"}},
    };
    for (const Case& c : cases) {
        c.select();
        std::vector<std::string> got = strings("ls -sl");
        std::sort(got.begin(), got.end());
        std::vector<std::string> want = c.expected;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << c.what;
    }
}

TEST_F(ScreenSelectTest, ModeAndTypeCommandsSetWhatPicksTake) {
    struct Row {
        const char* text;
        const char* answer;
        KGlobal::SelectionMode mode;
    };
    const Row rows[] = {
        {"selectMode -component", "component", KGlobal::kSelectComponentMode},
        {"selectType -edge", "edge", KGlobal::kSelectComponentMode},
        {"selectType -facet", "facet", KGlobal::kSelectComponentMode},
        {"selectMode -object", "object", KGlobal::kSelectObjectMode},
        {"selectType -mesh", "mesh", KGlobal::kSelectObjectMode},
        {"selectMode", "object", KGlobal::kSelectObjectMode},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(run(r.text).asString(), r.answer) << r.text;
        EXPECT_EQ(KGlobal::selectionMode(), r.mode) << r.text;
    }
    EXPECT_TRUE(KGlobal::objectSelectionMask().intersects(KSelectionMask::kSelectMeshes));
    EXPECT_TRUE(KGlobal::componentSelectionMask().intersects(KSelectionMask::kSelectMeshFaces));
    runFailing("selectMode -object -component");
    runFailing("selectType -edge -vertex");
}

TEST_F(ScreenSelectTest, CaptureDrawsTheSelectedEdgeWhereWorldToViewSaysItIs) {
    cubeInEdgeMode(0);
    const auto [x, y] = pixelOf({0.1, 0.5, 0.5});
    KGlobal::selectFromScreen(x, y);
    ASSERT_EQ(selectedEdges(), edgesWhere(frontTopEdge));
    const RgbImage image = renderActiveView();
    ASSERT_EQ(image.width, 200);
    // Rows of the image run top down; the highlight is orange (red well above blue).
    const std::uint8_t* p = image.at(x, 199 - y);
    EXPECT_GT(p[0] - p[2], 60) << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
    const std::uint8_t* away = image.at(x, 199 - y + 12);
    EXPECT_LT(away[0] - away[2], 20);
}

}  // namespace
}  // namespace tarn::view
