// The panel layer without a window: inputs routed to the panels or left to the view, clicks on
// rows and widgets turned into the models' texts, the console typed into, and the pictures the
// panels lay into a frame (drawn again only when a panel changed). Places clicked follow from
// the panels' sizes and the UI's fixed layout (a title bar, rows 23 pixels apart in the
// attribute editor from y = 85).

#include "host/window/panels/panel_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/ui/ui_test_support.h"
#include "host/view/tool_contexts.h"
#include "host/window/view_window.h"

namespace tarn::window::panels {
namespace {

constexpr int kWidth = 1000, kHeight = 600;

class PanelLayerTest : public ui::testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        layout(true, true, false, false);
        layer = std::make_unique<PanelLayer>(
            [this](const std::string& text) {
                texts.push_back(text);
                run(text);
            },
            [this] { ++changes; });
        layer->frame(kWidth, kHeight);
    }
    void TearDown() override {
        layer.reset();
        UiTest::TearDown();
    }
    void layout(bool outliner, bool attributes, bool tools, bool console) {
        run("optionVar -iv tarnPanelOutlinerOpen " + std::to_string(outliner) +
            " -iv tarnPanelAttributeEditorOpen " + std::to_string(attributes) +
            " -iv tarnPanelToolSettingsOpen " + std::to_string(tools) +
            " -iv tarnPanelConsoleOpen " + std::to_string(console) +
            " -iv tarnPanelOutlinerSize 240 -iv tarnPanelAttributeEditorSize 340"
            " -iv tarnPanelToolSettingsSize 340 -iv tarnPanelConsoleSize 200");
    }
    bool press(int x, int y, Modifiers mods = {}) {
        return layer->pointer({PointerAction::Press, 1, x, y, mods});
    }
    bool drag(int x, int y) { return layer->pointer({PointerAction::Drag, 1, x, y, {}}); }
    bool release(int x, int y) { return layer->pointer({PointerAction::Release, 1, x, y, {}}); }
    void click(int x, int y, Modifiers mods = {}) {
        EXPECT_TRUE(press(x, y, mods));
        EXPECT_TRUE(release(x, y));
        layer->frame(kWidth, kHeight);
    }
    void type(const std::string& text) {
        for (char c : text) EXPECT_TRUE(layer->text(std::string(1, c)));
    }
    bool ran(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    std::unique_ptr<PanelLayer> layer;
    std::vector<std::string> texts;
    int changes = 0;
};

TEST_F(PanelLayerTest, KeysOpenAndClosePanelsAndTheStatusLineNamesThem) {
    ui::Panel p;
    EXPECT_TRUE(PanelLayer::panelForKey("F4", &p));
    EXPECT_EQ(p, ui::Panel::ToolSettings);
    EXPECT_FALSE(PanelLayer::panelForKey("F6", &p));
    EXPECT_FALSE(PanelLayer::panelForKey("f", &p));
    const std::string keys = PanelLayer::keysText();
    for (const char* k : {"F2 Outliner", "F3 Attribute Editor", "F4 Tool Settings", "F5 Script"})
        EXPECT_NE(keys.find(k), std::string::npos) << k;
    // F2 closes the open outliner: the port takes its place.
    EXPECT_EQ(layer->geometry(kWidth, kHeight).port.x, 240);
    EXPECT_TRUE(layer->key("F2", {}));
    EXPECT_TRUE(ran("optionVar -iv tarnPanelOutlinerOpen 0"));
    EXPECT_EQ(layer->geometry(kWidth, kHeight).port.x, 0);
    // F5 opens the console below the port.
    EXPECT_TRUE(layer->key("F5", {}));
    const PanelGeometry g = layer->geometry(kWidth, kHeight);
    EXPECT_FALSE(g[ui::Panel::Console].empty());
    EXPECT_EQ(g.port.h, kHeight - 200 - kStatusBarHeight);
    // Other keys are the view's while no text field of the panels has the keyboard.
    EXPECT_FALSE(layer->typing());
    EXPECT_FALSE(layer->key("z", {false, true, false}));
    EXPECT_FALSE(layer->key("Return", {}));
    EXPECT_FALSE(layer->text(":"));
}

TEST_F(PanelLayerTest, PressesOverAPanelAreTheirsAndTheirDragsFollow) {
    run("polyCube -n box");
    layer->frame(kWidth, kHeight);
    // In the port: the view's.
    EXPECT_FALSE(press(500, 300));
    EXPECT_FALSE(drag(100, 100)) << "a drag of the view's press, over a panel";
    EXPECT_FALSE(release(100, 100));
    // Over the outliner: the panels', and so are its drag into the port and its release.
    EXPECT_TRUE(press(100, 300));
    EXPECT_TRUE(layer->holdsPointer());
    EXPECT_TRUE(drag(500, 300));
    EXPECT_TRUE(release(500, 300));
    EXPECT_FALSE(layer->holdsPointer());
    // A press whose release never came (let go outside the window) ends at the next press.
    EXPECT_TRUE(press(100, 300));
    EXPECT_FALSE(press(500, 300)) << "a new press in the port is the view's";
    EXPECT_FALSE(layer->holdsPointer());
    // The wheel over a panel scrolls it; over the port it is the view's.
    EXPECT_TRUE(layer->pointer({PointerAction::Press, 4, 900, 300, {}}));
    EXPECT_FALSE(layer->pointer({PointerAction::Press, 4, 500, 300, {}}));
    // Moves over a panel show what is under the pointer; in the port they are nobody's, but
    // the one leaving the panels is theirs (to clear what they showed).
    const auto move = [&](int x, int y) {
        return layer->pointer({PointerAction::Move, 0, x, y, {}});
    };
    EXPECT_TRUE(move(100, 34));
    EXPECT_TRUE(move(500, 300));
    EXPECT_FALSE(move(510, 300));
    // Nothing ran.
    EXPECT_TRUE(texts.empty());
}

TEST_F(PanelLayerTest, HoveringAnAttributeShowsItsMeaning) {
    load("meshKit");
    run("polyCube -n box; polyDual box; select -r polyDual1");
    layer->frame(kWidth, kHeight);
    std::vector<std::uint8_t> before(static_cast<std::size_t>(kWidth) * kHeight * 4, 0);
    layer->paint(before.data(), kWidth, kHeight);
    // Over nbSteps' name: its meaning shows below the rows (a tooltip beside it too).
    EXPECT_TRUE(layer->pointer({PointerAction::Move, 0, kWidth - 300, 85 + 3 * 23, {}}));
    layer->frame(kWidth, kHeight);
    std::vector<std::uint8_t> after(before.size(), 0);
    EXPECT_GE(layer->paint(after.data(), kWidth, kHeight), 1);
    // The bottom of the editor, where the meaning is written, changed.
    int changed = 0;
    for (int y = kHeight - 120; y < kHeight - kStatusBarHeight; ++y)
        for (int x = kWidth - 330; x < kWidth - 10; ++x)
            changed += before[(y * kWidth + x) * 4] != after[(y * kWidth + x) * 4];
    EXPECT_GT(changed, 100);
}

TEST_F(PanelLayerTest, DraggingAPanelsInnerEdgeResizesItInThePreferences) {
    // The outliner's right edge, dragged right: its size when let go, the port beside it.
    EXPECT_TRUE(press(240, 300));
    EXPECT_TRUE(drag(280, 300));
    EXPECT_TRUE(texts.empty()) << "nothing is kept before the button is let go";
    EXPECT_TRUE(release(300, 310));
    EXPECT_EQ(texts, std::vector<std::string>{"optionVar -iv tarnPanelOutlinerSize 300"});
    EXPECT_EQ(layer->geometry(kWidth, kHeight).port.x, 300);
    // The right column's edge, dragged left; a size past the panel's least is held to it.
    texts.clear();
    EXPECT_TRUE(press(kWidth - 341, 200));
    EXPECT_TRUE(release(kWidth - 100, 200));
    EXPECT_EQ(texts, std::vector<std::string>{"optionVar -iv tarnPanelAttributeEditorSize 180"});
    EXPECT_EQ(layer->geometry(kWidth, kHeight)[ui::Panel::AttributeEditor].w, 180);
    // A press a little inside the panel is the panel's own, not its edge's.
    texts.clear();
    click(200, 300);
    EXPECT_TRUE(std::none_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.find("Size") != std::string::npos;
    }));
}

TEST_F(PanelLayerTest, OutlinerClicksSelectWithModifiersAndDoubleClicksRename) {
    run("polyCube -n box; polySphere -n ball; select -cl");
    layer->frame(kWidth, kHeight);
    // Rows: box, its shape (open: a top-level transform starts open), ball.
    click(40, 34);
    EXPECT_TRUE(ran("select -r box"));
    EXPECT_EQ(strings("ls -sl"), std::vector<std::string>{"box"});
    click(40, 80, {true, false, false});
    EXPECT_TRUE(ran("select -tgl ball")) << ::testing::PrintToString(texts);
    EXPECT_EQ(strings("ls -sl"), (std::vector<std::string>{"box", "ball"}));
    // A double click opens the name for editing; Enter renames.
    press(40, 34), release(40, 34), press(40, 34), release(40, 34);
    layer->frame(kWidth, kHeight);
    EXPECT_TRUE(layer->typing());
    EXPECT_TRUE(layer->key("a", {false, true, false}));  // select all
    type("crate");
    EXPECT_TRUE(layer->key("Return", {}));
    EXPECT_TRUE(ran("rename box \"crate\"")) << ::testing::PrintToString(texts);
    EXPECT_EQ(integer("objExists crate"), 1);
    EXPECT_FALSE(layer->typing());
}

TEST_F(PanelLayerTest, ADragInTheAttributeEditorIsOneUndoChunk) {
    load("meshKit");
    run("polyCube -n box; polyDual box; select -r polyDual1");
    layer->frame(kWidth, kHeight);
    layer->frame(kWidth, kHeight);
    // polyDual1's tab: nbSteps is the fourth row; its field in the value column.
    const int x = kWidth - 340 + 236, y = 85 + 3 * 23;
    ASSERT_TRUE(press(x, y));
    for (int dx = 10; dx <= 40; dx += 10) drag(x + dx, y);
    release(x + 40, y);
    layer->frame(kWidth, kHeight);
    ASSERT_GE(texts.size(), 3u) << ::testing::PrintToString(texts);
    EXPECT_EQ(texts.front(), "undoInfo -openChunk -chunkName \"drag polyDual1.nbSteps\"");
    EXPECT_EQ(texts.back(), "undoInfo -closeChunk");
    for (std::size_t i = 1; i + 1 < texts.size(); ++i)
        EXPECT_EQ(texts[i].rfind("setAttr polyDual1.nbSteps ", 0), 0u) << texts[i];
    EXPECT_GT(integer("getAttr polyDual1.nbSteps"), 1);
    run("undo");
    EXPECT_EQ(integer("getAttr polyDual1.nbSteps"), 1) << "one undo takes the drag back";
    // A press that changes nothing leaves no step.
    texts.clear();
    click(x, y);
    EXPECT_TRUE(texts.empty()) << ::testing::PrintToString(texts);
}

TEST_F(PanelLayerTest, ToolSettingsMakeAPlugInsToolActiveWithoutTyping) {
    load("slicePen");
    layout(false, false, true, false);
    layer->frame(kWidth, kHeight);
    // The list of tools at the top: the selection tool, then slicePen's context command.
    click(kWidth - 170, 36);
    click(kWidth - 300, 78);
    EXPECT_TRUE(ran("setToolTo `slicePenContext`")) << ::testing::PrintToString(texts);
    EXPECT_EQ(view::ToolContexts::instance().current(), "slicePenContext1");
    // Chosen again, the context it made is used rather than a new one.
    texts.clear();
    click(kWidth - 170, 36);
    click(kWidth - 300, 61);
    click(kWidth - 170, 36);
    click(kWidth - 300, 78);
    EXPECT_EQ(texts, (std::vector<std::string>{"setToolTo selectSuperContext",
                                               "setToolTo slicePenContext1"}));
}

TEST_F(PanelLayerTest, TheConsoleRunsTypedTextsAndCompletes) {
    layout(false, false, false, true);
    layer->frame(kWidth, kHeight);
    // Its input along the bottom of the console.
    click(kWidth / 2, kHeight - kStatusBarHeight - 30);
    ASSERT_TRUE(layer->typing());
    type("polyCub");
    EXPECT_TRUE(layer->key("Tab", {}));
    type(" -n first");
    EXPECT_TRUE(layer->key("Return", {}));
    layer->frame(kWidth, kHeight);
    EXPECT_EQ(integer("objExists first"), 1);
    EXPECT_GE(changes, 1) << "the window learns the scene changed";
    // An open block waits for more lines; Up recalls the text run before.
    type("if (1) {");
    EXPECT_TRUE(layer->key("Return", {}));
    type("polySphere -n second; }");
    EXPECT_TRUE(layer->key("Return", {}));
    layer->frame(kWidth, kHeight);
    EXPECT_EQ(integer("objExists second"), 1);
    EXPECT_TRUE(layer->key("Up", {}));
    EXPECT_TRUE(layer->key("Up", {}));
    EXPECT_TRUE(layer->key("Return", {}));
    layer->frame(kWidth, kHeight);
    EXPECT_EQ(integer("objExists first1"), 1) << "polyCube -n first again";
    // The console runs texts itself (journalled as its own), not through the window's runner.
    EXPECT_TRUE(texts.empty() || !ran("polyCube -n first"));
}

TEST_F(PanelLayerTest, PicturesAreLaidOverThePanelsAndDrawnAgainOnlyWhenChanged) {
    run("polyCube -n box");
    layer->frame(kWidth, kHeight);
    const std::uint8_t ground = 7;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(kWidth) * kHeight * 4, ground);
    EXPECT_EQ(layer->paint(frame.data(), kWidth, kHeight), 2) << "the outliner and the editor";
    const auto at = [&](int x, int y) { return frame.data() + (y * kWidth + x) * 4; };
    // The panels cover their rectangles; the port is left as it was.
    const PanelGeometry g = layer->geometry(kWidth, kHeight);
    int untouched = 0, covered = 0;
    for (int y = 0; y < kHeight; y += 7)
        for (int x = 0; x < kWidth; x += 7) {
            const bool same = at(x, y)[0] == ground && at(x, y)[1] == ground;
            if (g.port.contains(x, y) && y < kHeight - 3) untouched += same;
            if (g[ui::Panel::Outliner].contains(x, y) ||
                g[ui::Panel::AttributeEditor].contains(x, y))
                covered += !same;
        }
    EXPECT_GT(untouched, (g.port.w / 7) * (g.port.h / 7) * 9 / 10);
    EXPECT_GT(covered, 20000 / 49 * 9 / 10);
    // The outliner's title bar is drawn (not the ground), its text too: several colours.
    std::vector<std::uint32_t> colours;
    for (int x = 0; x < 200; ++x) {
        const std::uint8_t* p = at(x, 34);
        colours.push_back(p[0] | p[1] << 8 | p[2] << 16);
    }
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 3);
    // Nothing changed: nothing is drawn again, the same pixels are laid.
    layer->frame(kWidth, kHeight);
    std::vector<std::uint8_t> again(frame.size(), ground);
    EXPECT_EQ(layer->paint(again.data(), kWidth, kHeight), 0);
    EXPECT_EQ(again, frame);
    // A new selection changes both panels (the row's highlight, the editor's node).
    run("select -cl");
    layer->frame(kWidth, kHeight);
    layer->frame(kWidth, kHeight);
    EXPECT_EQ(layer->paint(again.data(), kWidth, kHeight), 2);
    EXPECT_NE(again, frame);
}

}  // namespace
}  // namespace tarn::window::panels
