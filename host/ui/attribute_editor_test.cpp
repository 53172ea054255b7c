// The attribute editor over real nodes: a widget for every kind of attribute with its value,
// limits, flags and meaning; the tabs of a shape's history and shading network; the setAttr
// texts of changes run back through the host; and a slider drag as one undo step.

#include "host/ui/attribute_editor.h"

#include <algorithm>

#include "host/dg/dg_test_node.h"
#include "host/lang/journal.h"
#include "host/sdk/host_output.h"
#include "host/ui/ui_test_support.h"
#include "host/undo/undo.h"

namespace tarn::ui {
namespace {

class AttributeEditorTest : public testing::UiTest {
protected:
    static const AttributeRow& row(const std::vector<AttributeRow>& rows, const std::string& name) {
        static const AttributeRow kMissing;
        for (const AttributeRow& r : rows)
            if (r.name == name) return r;
        ADD_FAILURE() << "no attribute " << name;
        return kMissing;
    }
    std::vector<std::string> tabNames(const AttributeTabs& t) {
        std::vector<std::string> out;
        for (const AttributeTab& tab : t.tabs) out.push_back(tab.node);
        return out;
    }
    std::int64_t faces(const std::string& mesh) { return integer("polyEvaluate -f " + mesh); }

    AttributeEditor editor;
};

TEST_F(AttributeEditorTest, EveryKindOfAttributeGetsItsWidget) {
    ASSERT_TRUE(dgtest::registerProbe());
    run("createNode probe -n p");
    const std::vector<AttributeRow> rows = editor.rows("p");
    const struct {
        const char* name;
        AttributeWidget widget;
        std::size_t values;
    } expected[] = {
        {"inputA", AttributeWidget::Float, 1},      {"inputB", AttributeWidget::Float, 1},
        {"inColor", AttributeWidget::Color, 3},     {"doubleIt", AttributeWidget::Bool, 1},
        {"mode", AttributeWidget::Enum, 1},         {"label", AttributeWidget::String, 0},
        {"placement", AttributeWidget::Matrix, 16}, {"lightDataArray", AttributeWidget::Array, 0},
        {"sum", AttributeWidget::Float, 1},         {"outColor", AttributeWidget::Color, 3},
    };
    for (const auto& e : expected) {
        const AttributeRow& r = row(rows, e.name);
        EXPECT_EQ(r.widget, e.widget) << e.name;
        EXPECT_EQ(r.values.size(), e.values) << e.name;
        EXPECT_EQ(r.plug, std::string("p.") + e.name);
    }
    // Children show inside their compound, not as rows of their own.
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const AttributeRow& r) { return r.name == "inColorR"; }),
              0);
    const AttributeRow& a = row(rows, "inputA");
    EXPECT_EQ(a.values, std::vector<double>{1.0});
    EXPECT_EQ(a.minValue, 0.0);
    EXPECT_EQ(a.maxValue, 10.0);
    EXPECT_TRUE(a.hasSlider);
    EXPECT_EQ(a.sliderMax, 5.0) << "the soft range wins";
    EXPECT_TRUE(a.keyable);
    EXPECT_TRUE(a.editable);
    const AttributeRow& mode = row(rows, "mode");
    ASSERT_EQ(mode.fields.size(), 2u);
    EXPECT_EQ(mode.fields[1].name, "on");
    EXPECT_EQ(mode.values, std::vector<double>{1.0});
    EXPECT_EQ(row(rows, "label").text, "none");
    EXPECT_EQ(row(rows, "inColor").childNames,
              (std::vector<std::string>{"inColorR", "inColorG", "inColorB"}));
    EXPECT_FALSE(row(rows, "inputB").hasSlider) << "no range: a drag field";
    // Outputs are read-only and show their computed value.
    const AttributeRow& sum = row(rows, "sum");
    EXPECT_TRUE(sum.output);
    EXPECT_FALSE(sum.editable);
    EXPECT_EQ(sum.values, std::vector<double>{1.0});
    EXPECT_TRUE(editor.rows("nobody").empty());
}

TEST_F(AttributeEditorTest, LocksAndConnectionsMakeARowReadOnly) {
    ASSERT_TRUE(dgtest::registerProbe());
    run("createNode probe -n p; createNode probe -n q; setAttr -lock 1 p.inColorG;"
        "connectAttr q.sum p.inputB");
    const std::vector<AttributeRow> rows = editor.rows("p");
    EXPECT_TRUE(row(rows, "inColor").locked) << "a locked child locks its compound";
    EXPECT_FALSE(row(rows, "inColor").editable);
    EXPECT_TRUE(row(rows, "inputB").connected);
    EXPECT_EQ(row(rows, "inputB").source, "q.sum");
    EXPECT_FALSE(row(rows, "inputB").editable);
    EXPECT_FALSE(row(rows, "inputA").locked);
    EXPECT_TRUE(row(rows, "inputA").editable);
}

TEST_F(AttributeEditorTest, PolyDualStepsAreListedAndChangeTheMesh) {
    load("meshKit");
    run("polyCube -n box; polyDual box");
    const std::vector<AttributeRow> rows = editor.rows("polyDual1");
    const AttributeRow& steps = row(rows, "nbSteps");
    EXPECT_EQ(steps.widget, AttributeWidget::Int);
    EXPECT_EQ(steps.shortName, "nb");
    EXPECT_EQ(steps.values, std::vector<double>{1.0});
    EXPECT_FALSE(steps.minValue.has_value());
    EXPECT_FALSE(steps.maxValue.has_value());
    EXPECT_FALSE(steps.hasSlider);
    EXPECT_NE(steps.meaning.find("dual"), std::string::npos) << steps.meaning;
    EXPECT_TRUE(steps.editable);
    EXPECT_EQ(row(rows, "outMesh").widget, AttributeWidget::Data);
    EXPECT_TRUE(row(rows, "outMesh").output);
    // The dual of a cube is an octahedron; twice, a cube again.
    EXPECT_EQ(faces("box"), 8);
    const double two[] = {2.0};
    const std::string text = AttributeEditor::setText(steps, two);
    EXPECT_EQ(text, "setAttr polyDual1.nbSteps 2");
    send(text);
    EXPECT_EQ(faces("box"), 6);
    EXPECT_EQ(row(editor.rows("polyDual1"), "nbSteps").values, std::vector<double>{2.0});
    // Ints are rounded to whole numbers before they go into the text.
    const double almost[] = {0.6};
    EXPECT_EQ(AttributeEditor::setText(steps, almost), "setAttr polyDual1.nbSteps 1");
}

TEST_F(AttributeEditorTest, DenimColoursAreColourCompoundsWithTheirMeanings) {
    load("twillPattern");
    run("shadingNode -asTexture denim");
    const std::vector<AttributeRow> rows = editor.rows("denim1");
    const AttributeRow& warp = row(rows, "vColor");
    EXPECT_EQ(warp.widget, AttributeWidget::Color);
    ASSERT_EQ(warp.values.size(), 3u);
    EXPECT_NEAR(warp.values[0], 0.2, 1e-6);
    EXPECT_NEAR(warp.values[2], 0.4, 1e-6);
    EXPECT_EQ(warp.meaning, "colour of the warp threads (running along v)");
    EXPECT_TRUE(warp.hasSlider);
    EXPECT_EQ(warp.sliderMax, 1.0);
    const AttributeRow& gain = row(rows, "alphaGain");
    EXPECT_EQ(gain.softMaxValue, 1.0);
    EXPECT_EQ(gain.meaning, "multiplies outAlpha");
    EXPECT_TRUE(row(rows, "uvCoord").hidden);
    EXPECT_TRUE(row(rows, "outColor").output);
    const double blue[] = {0.1, 0.25, 0.9};
    const std::string text = AttributeEditor::setText(warp, blue);
    EXPECT_EQ(text, "setAttr denim1.vColor 0.1 0.25 0.9");
    send(text);
    const std::vector<double> now = row(editor.rows("denim1"), "vColor").values;
    ASSERT_EQ(now.size(), 3u);
    EXPECT_NEAR(now[1], 0.25, 1e-6);
    // A colour takes three numbers, no more and no fewer.
    const double two[] = {0.1, 0.2};
    EXPECT_EQ(AttributeEditor::setText(warp, two), "");
}

TEST_F(AttributeEditorTest, TextsOfEachKindRunAndReadBack) {
    ASSERT_TRUE(dgtest::registerProbe());
    run("createNode probe -n p");
    std::vector<AttributeRow> rows = editor.rows("p");
    // User text goes in quoted, so it stays text.
    const std::string hostile = "a \"b\"; delete p;\n\\x";
    const std::string text = AttributeEditor::setText(row(rows, "label"), hostile);
    EXPECT_EQ(text, "setAttr -type \"string\" p.label \"a \\\"b\\\"; delete p;\\n\\\\x\"");
    send(text);
    const double on[] = {5.0}, off[] = {0.0}, a[] = {3.25};
    send(AttributeEditor::setText(row(rows, "doubleIt"), on));
    send(AttributeEditor::setText(row(rows, "mode"), off));
    send(AttributeEditor::setText(row(rows, "inputA"), a));
    rows = editor.rows("p");
    EXPECT_EQ(row(rows, "label").text, hostile);
    EXPECT_EQ(row(rows, "doubleIt").values, std::vector<double>{1.0});
    EXPECT_EQ(row(rows, "mode").values, std::vector<double>{0.0});
    EXPECT_EQ(row(rows, "inputA").values, std::vector<double>{3.25});
    // Rows without numbers, wrong kinds and non-finite values build nothing.
    EXPECT_EQ(AttributeEditor::setText(row(rows, "placement"), a), "");
    EXPECT_EQ(AttributeEditor::setText(row(rows, "inputA"), std::string("x")), "");
    const double nan[] = {std::nan("")};
    EXPECT_EQ(AttributeEditor::setText(row(rows, "inputA"), nan), "");
}

TEST_F(AttributeEditorTest, TabsFollowTheShapesHistoryAndShadingNetwork) {
    load("meshKit");
    load("twillPattern");
    run("polyCube -n box; polyDual box; shadingNode -asShader lambert;"
        "shadingNode -asTexture denim; shadingNode -asUtility place2dTexture;"
        "sets -renderable true -noSurfaceShader true -empty -name jeansSG;"
        "defaultNavigation -connectToExisting -source lambert2 -destination jeansSG;"
        "defaultNavigation -connectToExisting -source denim1 -destination lambert2;"
        "defaultNavigation -connectToExisting -source place2dTexture1 -destination denim1;"
        "sets -e -forceElement jeansSG box");
    const std::vector<std::string> all = {"box",     "boxShape", "polyDual1", "boxShapeOrig",
                                          "jeansSG", "lambert2", "denim1",    "place2dTexture1"};
    AttributeTabs t = editor.tabs("box");
    EXPECT_EQ(tabNames(t), all);
    EXPECT_EQ(t.current, 0);
    EXPECT_EQ(t.tabs[0].role, "transform");
    EXPECT_EQ(t.tabs[1].role, "shape");
    EXPECT_EQ(t.tabs[2].role, "history");
    EXPECT_EQ(t.tabs[4].role, "shading group");
    EXPECT_EQ(t.tabs[5].role, "shader");
    EXPECT_EQ(t.tabs[6].role, "texture");
    EXPECT_EQ(t.tabs[7].role, "placement");
    // From the shape or from a history node: the same tabs, that node's current.
    t = editor.tabs("boxShape");
    EXPECT_EQ(tabNames(t), all);
    EXPECT_EQ(t.current, 1);
    t = editor.tabs("polyDual1");
    EXPECT_EQ(tabNames(t), all);
    EXPECT_EQ(t.current, 2);
    // A texture: itself and what feeds it.
    t = editor.tabs("denim1");
    EXPECT_EQ(tabNames(t), (std::vector<std::string>{"denim1", "place2dTexture1"}));
    EXPECT_EQ(t.current, 0);
    EXPECT_TRUE(editor.tabs("nobody").tabs.empty());
    EXPECT_EQ(editor.tabs("nobody").current, -1);
}

TEST_F(AttributeEditorTest, ASliderDragIsOneUndoStep) {
    ASSERT_TRUE(dgtest::registerProbe());
    run("createNode probe -n p");
    const AttributeRow a = row(editor.rows("p"), "inputA");
    const std::size_t chunks = undo::undoQueue().undoCount();
    SliderDrag drag;
    send(drag.begin(a.plug));
    EXPECT_TRUE(drag.active());
    for (int step = 1; step <= 40; ++step) {
        const double v[] = {step * 0.1};
        send(AttributeEditor::setText(a, v));
    }
    send(drag.end());
    EXPECT_FALSE(drag.active());
    EXPECT_EQ(drag.end(), "") << "ending twice sends nothing";
    EXPECT_EQ(undo::undoQueue().undoCount(), chunks + 1);
    EXPECT_EQ(run("undoInfo -q -undoName").asString(), "drag p.inputA");
    EXPECT_DOUBLE_EQ(run("getAttr p.inputA").asFloat(), 4.0);
    run("undo");
    EXPECT_DOUBLE_EQ(run("getAttr p.inputA").asFloat(), 1.0) << "one undo takes the drag back";
    run("redo");
    EXPECT_DOUBLE_EQ(run("getAttr p.inputA").asFloat(), 4.0);
    // The change after the drag is a step of its own.
    const double five[] = {5.0};
    send(AttributeEditor::setText(a, five));
    run("undo");
    EXPECT_DOUBLE_EQ(run("getAttr p.inputA").asFloat(), 4.0);
}

TEST_F(AttributeEditorTest, ADragLeftOpenIsWhatUndoTakesBack) {
    ASSERT_TRUE(dgtest::registerProbe());
    run("createNode probe -n p");
    run("setAttr p.inputA 2");
    const AttributeRow a = row(editor.rows("p"), "inputA");
    SliderDrag drag;
    send(drag.begin(a.plug));
    const double v1[] = {3.0}, v2[] = {4.0};
    send(AttributeEditor::setText(a, v1));
    send(AttributeEditor::setText(a, v2));
    // The release never came: undo closes the drag and takes it back whole.
    run("undo");
    EXPECT_DOUBLE_EQ(run("getAttr p.inputA").asFloat(), 2.0);
    EXPECT_EQ(undo::undoQueue().userChunkDepth(), 0);
    run("undo");
    EXPECT_DOUBLE_EQ(run("getAttr p.inputA").asFloat(), 1.0);
    // A second begin closes the first drag; a close with none open only warns.
    send(drag.begin(a.plug));
    EXPECT_EQ(drag.begin("p.inputB").rfind("undoInfo -closeChunk; undoInfo -openChunk", 0), 0u);
    output::Capture capture;
    run("undoInfo -closeChunk; undoInfo -closeChunk; undoInfo -closeChunk");
    EXPECT_NE(capture.warnings().find("no chunk is open"), std::string::npos);
    EXPECT_EQ(undo::undoQueue().userChunkDepth(), 0);
}

}  // namespace
}  // namespace tarn::ui
