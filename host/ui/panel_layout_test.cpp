// The panel layout in the preferences: defaults, optionVar texts read back, values the layout
// cannot use, and the preferences file that keeps them for the next session.

#include "host/ui/panel_layout.h"

#include <set>

#include "host/lang/option_vars.h"
#include "host/ui/ui_test_support.h"

namespace tarn::ui {
namespace {

class PanelLayoutTest : public testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        for (const PanelInfo& p : panelTable()) {
            lang::optionVars().remove(panelOpenVar(p.panel));
            lang::optionVars().remove(panelSizeVar(p.panel));
        }
    }
};

TEST_F(PanelLayoutTest, EveryPanelHasDistinctNamesKeysAndASensibleRange) {
    std::set<std::string> names, keys;
    for (const PanelInfo& p : panelTable()) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name;
        EXPECT_TRUE(keys.insert(p.shortcut).second) << p.shortcut;
        EXPECT_LE(p.minSize, p.defaultSize) << p.name;
        EXPECT_LE(p.defaultSize, p.maxSize) << p.name;
        EXPECT_EQ(&panelInfo(p.panel), &p);
        // Without preferences a panel shows as its defaults say.
        const PanelState s = panelState(p.panel);
        EXPECT_EQ(s.open, p.defaultOpen) << p.name;
        EXPECT_EQ(s.size, p.defaultSize) << p.name;
    }
    EXPECT_EQ(panelTable().size(), 4u);
    EXPECT_EQ(panelOpenVar(Panel::AttributeEditor), "tarnPanelAttributeEditorOpen");
}

TEST_F(PanelLayoutTest, TextsChangeThePreferencesTheLayoutReads) {
    const PanelInfo& console = panelInfo(Panel::Console);
    ASSERT_FALSE(panelState(Panel::Console).open);
    EXPECT_EQ(panelToggleText(Panel::Console), "optionVar -iv tarnPanelConsoleOpen 1");
    send(panelToggleText(Panel::Console));
    EXPECT_TRUE(panelState(Panel::Console).open);
    send(panelToggleText(Panel::Console));
    EXPECT_FALSE(panelState(Panel::Console).open);
    EXPECT_EQ(panelSizeText(Panel::Console, 321.4), "optionVar -iv tarnPanelConsoleSize 321");
    send(panelSizeText(Panel::Console, 321.4));
    EXPECT_EQ(panelState(Panel::Console).size, 321);
    // Sizes stay in the panel's range; a size that is no number keeps the default.
    EXPECT_EQ(panelSizeText(Panel::Console, 1e9),
              "optionVar -iv tarnPanelConsoleSize " + std::to_string(console.maxSize));
    EXPECT_EQ(panelSizeText(Panel::Console, -5),
              "optionVar -iv tarnPanelConsoleSize " + std::to_string(console.minSize));
    EXPECT_EQ(panelSizeText(Panel::Console, std::nan("")),
              "optionVar -iv tarnPanelConsoleSize " + std::to_string(console.defaultSize));
}

TEST_F(PanelLayoutTest, UnusableValuesReadAsDefaultsOrAreClamped) {
    const PanelInfo& outliner = panelInfo(Panel::Outliner);
    run("optionVar -sv tarnPanelOutlinerOpen \"yes please\" -sv tarnPanelOutlinerSize wide");
    EXPECT_EQ(panelState(Panel::Outliner).open, outliner.defaultOpen);
    EXPECT_EQ(panelState(Panel::Outliner).size, outliner.defaultSize);
    run("optionVar -iv tarnPanelOutlinerOpen 0 -iv tarnPanelOutlinerSize 5");
    EXPECT_FALSE(panelState(Panel::Outliner).open);
    EXPECT_EQ(panelState(Panel::Outliner).size, outliner.minSize);
    run("optionVar -ca tarnPanelOutlinerSize -iva tarnPanelOutlinerSize 300");
    EXPECT_EQ(panelState(Panel::Outliner).size, outliner.defaultSize) << "an array is no size";
}

TEST_F(PanelLayoutTest, TheLayoutOutlivesTheSession) {
    send(panelOpenText(Panel::ToolSettings, true));
    send(panelSizeText(Panel::ToolSettings, 410));
    // A new session reads the preferences file again.
    lang::optionVars().reload();
    EXPECT_TRUE(panelState(Panel::ToolSettings).open);
    EXPECT_EQ(panelState(Panel::ToolSettings).size, 410);
}

}  // namespace
}  // namespace tarn::ui
