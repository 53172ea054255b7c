// The outliner over real scenes: the tree's shape (DAG, history and shading under their mesh,
// everything else after), the flags a row carries, and the texts of a click, a rename and the
// eye run against the scene they describe.

#include "host/ui/outliner.h"

#include <algorithm>
#include <set>

#include "host/dg/graph.h"
#include "host/ui/ui_test_support.h"

namespace tarn::ui {
namespace {

class Outliner : public testing::UiTest {
protected:
    // A cube in the history of polyDual, shaded by a lambert with a denim texture placed by a
    // place2dTexture; a camera; a lone phong.
    void buildScene() {
        load("meshKit");
        load("twillPattern");
        run("polyCube -n box; polyDual box; camera -n cam;"
            "shadingNode -asShader lambert; shadingNode -asTexture denim;"
            "shadingNode -asUtility place2dTexture; shadingNode -asShader phong;"
            "sets -renderable true -noSurfaceShader true -empty -name jeansSG;"
            "defaultNavigation -connectToExisting -source lambert2 -destination jeansSG;"
            "defaultNavigation -connectToExisting -source denim1 -destination lambert2;"
            "defaultNavigation -connectToExisting -source place2dTexture1 -destination denim1;"
            "sets -e -forceElement jeansSG box.f[0:2]; select -cl");
    }

    static const OutlinerRow* find(const std::vector<OutlinerRow>& rows, const std::string& name,
                                   int* index = nullptr) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == name) {
                if (index) *index = int(i);
                return &rows[i];
            }
        return nullptr;
    }
    static std::vector<std::string> childrenOf(const std::vector<OutlinerRow>& rows, int parent) {
        std::vector<std::string> out;
        for (const OutlinerRow& r : rows)
            if (r.parent == parent) out.push_back(r.name);
        return out;
    }
};

TEST_F(Outliner, MeshesCarryTheirHistoryAndShadingNetworkBelowThem) {
    buildScene();
    const std::vector<OutlinerRow> rows = outlinerRows();
    int box = -1, shape = -1, group = -1, lambert = -1;
    ASSERT_TRUE(find(rows, "box", &box));
    ASSERT_TRUE(find(rows, "boxShape", &shape));
    EXPECT_EQ(rows[box].kind, OutlinerKind::Dag);
    EXPECT_EQ(rows[box].depth, 0);
    EXPECT_EQ(rows[shape].parent, box);
    EXPECT_EQ(rows[shape].type, "mesh");
    // History nearest first, then the groups of the faces in face order.
    EXPECT_EQ(
        childrenOf(rows, shape),
        (std::vector<std::string>{"polyDual1", "boxShapeOrig", "jeansSG", "initialShadingGroup"}));
    EXPECT_EQ(rows[shape + 1].kind, OutlinerKind::History);
    ASSERT_TRUE(find(rows, "jeansSG", &group));
    EXPECT_EQ(rows[group].kind, OutlinerKind::ShadingGroup);
    EXPECT_EQ(childrenOf(rows, group), std::vector<std::string>{"lambert2"});
    ASSERT_TRUE(find(rows, "lambert2", &lambert));
    EXPECT_EQ(rows[lambert].kind, OutlinerKind::Shading);
    EXPECT_EQ(childrenOf(rows, lambert), std::vector<std::string>{"denim1"});
    EXPECT_EQ(rows[lambert + 1].name, "denim1");
    EXPECT_EQ(childrenOf(rows, lambert + 1), std::vector<std::string>{"place2dTexture1"});
    EXPECT_EQ(rows[lambert + 2].depth, 5);
}

TEST_F(Outliner, EveryNodeIsListedAndTheTreeIsConsistent) {
    buildScene();
    const std::vector<OutlinerRow> rows = outlinerRows();
    std::set<std::string> listed;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const OutlinerRow& r = rows[i];
        listed.insert(r.name);
        // A row comes after its parent, one level deeper, and the counts add up.
        if (r.parent >= 0) {
            ASSERT_LT(r.parent, int(i));
            EXPECT_EQ(r.depth, rows[r.parent].depth + 1) << r.name;
        } else {
            EXPECT_EQ(r.depth, 0) << r.name;
        }
        EXPECT_EQ(r.childCount, int(childrenOf(rows, int(i)).size())) << r.name;
        // Depth first: a row's subtree is contiguous.
        if (i > 0 && r.depth > rows[i - 1].depth) {
            EXPECT_EQ(r.parent, int(i) - 1) << r.name;
        }
    }
    for (const KObject& node : Graph::instance().nodes())
        EXPECT_TRUE(listed.count(NodeImpl::from(node)->name())) << NodeImpl::from(node)->name();
    // Left-over nodes: the unused phong at the top level, after the DAG.
    int phong = -1, cam = -1;
    ASSERT_TRUE(find(rows, "phong1", &phong));
    ASSERT_TRUE(find(rows, "cam", &cam));
    EXPECT_EQ(rows[phong].depth, 0);
    EXPECT_EQ(rows[phong].kind, OutlinerKind::Shading);
    EXPECT_GT(phong, cam);
}

TEST_F(Outliner, RowsShowVisibilityAndSelection) {
    run("polyCube -n box; polySphere -n ball; hide ball; select -r box");
    std::vector<OutlinerRow> rows = outlinerRows();
    EXPECT_TRUE(find(rows, "box")->selected);
    EXPECT_FALSE(find(rows, "boxShape")->selected);
    EXPECT_FALSE(find(rows, "ball")->selected);
    EXPECT_TRUE(find(rows, "box")->visible);
    EXPECT_FALSE(find(rows, "ball")->visible);
    EXPECT_TRUE(find(rows, "ballShape")->visible) << "visibility is the node's own";
    EXPECT_TRUE(find(rows, "box")->hasVisibility);
    EXPECT_FALSE(find(rows, "lambert1")->hasVisibility);
    // Components selected do not mark their object.
    run("select -r box.f[1]");
    rows = outlinerRows();
    EXPECT_FALSE(find(rows, "box")->selected);
}

TEST_F(Outliner, ClicksSelectAsTheirModifiersSay) {
    run("polyCube -n a; polyCube -n b; polyCube -n c; select -cl");
    const struct {
        const char* name;
        int modifiers;
        const char* text;
        std::vector<std::string> selection;
    } clicks[] = {
        {"a", kNoModifier, "select -r a", {"a"}},
        {"b", kShift, "select -tgl b", {"a", "b"}},
        {"a", kShift, "select -tgl a", {"b"}},
        {"c", kShift | kCtrl, "select -add c", {"b", "c"}},
        {"b", kCtrl, "select -d b", {"c"}},
        {"b", kNoModifier, "select -r b", {"b"}},
    };
    for (const auto& click : clicks) {
        const std::string text = outlinerSelectText(click.name, click.modifiers);
        EXPECT_EQ(text, click.text);
        send(text);
        EXPECT_EQ(strings("ls -sl"), click.selection) << text;
    }
    // One undo takes a click back.
    undo();
    EXPECT_EQ(strings("ls -sl"), (std::vector<std::string>{"c"}));
}

TEST_F(Outliner, RenameBuildsASafeTextAndRefusesBadNames) {
    run("polyCube -n box");
    std::string error;
    const std::string text = outlinerRenameText("box", "crate", &error);
    EXPECT_EQ(text, "rename box \"crate\"");
    send(text);
    EXPECT_EQ(outlinerRows().front().name, "crate");
    for (const char* bad : {"", "2box", "a b", "x\";delete crate;\"", "crate"}) {
        error.clear();
        EXPECT_EQ(outlinerRenameText("crate", bad, &error), "") << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(strings("ls crate"), std::vector<std::string>{"crate"});
}

TEST_F(Outliner, TheEyeTogglesVisibility) {
    run("polyCube -n box");
    OutlinerRow row = outlinerRows().front();
    ASSERT_EQ(row.name, "box");
    EXPECT_EQ(outlinerVisibilityText(row), "setAttr box.visibility 0");
    send(outlinerVisibilityText(row));
    row = outlinerRows().front();
    EXPECT_FALSE(row.visible);
    EXPECT_EQ(outlinerVisibilityText(row), "setAttr box.visibility 1");
    send(outlinerVisibilityText(row));
    EXPECT_TRUE(outlinerRows().front().visible);
    undo();
    EXPECT_FALSE(outlinerRows().front().visible);
    // Nodes outside the DAG have no eye.
    OutlinerRow shader;
    shader.name = "lambert1";
    EXPECT_EQ(outlinerVisibilityText(shader), "");
}

}  // namespace
}  // namespace tarn::ui
