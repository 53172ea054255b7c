// Where the panels and the port sit in the window: each side, both right panels stacked, the
// console above the status bar, the port keeping its least size, and the window that gives a
// port its size back.

#include "host/window/panels/panel_geometry.h"

#include <gtest/gtest.h>

namespace tarn::window::panels {
namespace {

using ui::Panel;

PanelStates states(bool outliner, bool attributes, bool tools, bool console) {
    PanelStates s;
    s[int(Panel::Outliner)] = {outliner, 200};
    s[int(Panel::AttributeEditor)] = {attributes, 300};
    s[int(Panel::ToolSettings)] = {tools, 250};
    s[int(Panel::Console)] = {console, 150};
    return s;
}

constexpr int kBar = 18;

TEST(PanelGeometry, NoPanelsLeaveTheWholeWindowToThePort) {
    const PanelGeometry g = panelGeometry(800, 600, states(false, false, false, false), kBar);
    EXPECT_FALSE(g.anyShown());
    EXPECT_EQ(g.port, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(windowSizeFor(640, 480, states(false, false, false, false), kBar),
              (std::array<int, 2>{640, 480}));
}

TEST(PanelGeometry, SidesAndConsoleAroundThePort) {
    const PanelGeometry g = panelGeometry(1280, 1024, states(true, true, false, true), kBar);
    EXPECT_TRUE(g.anyShown());
    EXPECT_EQ(g[Panel::Outliner], (Rect{0, 0, 200, 1024 - kBar}));
    EXPECT_EQ(g[Panel::AttributeEditor], (Rect{1280 - 300, 0, 300, 1024 - kBar}));
    EXPECT_TRUE(g[Panel::ToolSettings].empty());
    // The console spans the port's width, just above the status bar.
    EXPECT_EQ(g[Panel::Console], (Rect{200, 1024 - kBar - 150, 780, 150}));
    EXPECT_EQ(g.port, (Rect{200, 0, 780, 1024 - kBar - 150}));
    // No two rectangles overlap, and the port touches none of them.
    for (int i = 0; i < 4; ++i) {
        const Rect& r = g.panels[i];
        if (r.empty()) continue;
        EXPECT_FALSE(r.contains(g.port.x, g.port.y)) << i;
        EXPECT_FALSE(r.contains(g.port.x + g.port.w - 1, g.port.y + g.port.h - 1)) << i;
    }
    // The window for a port of that size is this window again.
    EXPECT_EQ(windowSizeFor(780, 1024 - kBar - 150, states(true, true, false, true), kBar),
              (std::array<int, 2>{1280, 1024}));
}

TEST(PanelGeometry, BothRightPanelsShareTheColumn) {
    const PanelGeometry g = panelGeometry(1000, 718, states(false, true, true, false), kBar);
    const Rect& a = g[Panel::AttributeEditor];
    const Rect& t = g[Panel::ToolSettings];
    // The wider of the two sizes, the attribute editor above.
    EXPECT_EQ(a.w, 300);
    EXPECT_EQ(t.w, 300);
    EXPECT_EQ(a.x, 700);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(t.y, a.h);
    EXPECT_EQ(a.h + t.h, 700);
    EXPECT_GT(a.h, t.h);
    // Without the console the port reaches the bottom edge (the status bar is drawn over it).
    EXPECT_EQ(g.port, (Rect{0, 0, 700, 718}));
}

TEST(PanelGeometry, PanelsGiveWayToKeepAUsablePort) {
    // 200 + 300 of panels in a window 400 wide: the port keeps its least width, the sides
    // share the rest in proportion.
    const PanelGeometry g = panelGeometry(400, 300, states(true, true, false, true), kBar);
    EXPECT_EQ(g.port.w, kMinPortSide);
    EXPECT_EQ(g[Panel::Outliner].w + g[Panel::AttributeEditor].w, 400 - kMinPortSide);
    EXPECT_LT(g[Panel::Outliner].w, g[Panel::AttributeEditor].w);
    EXPECT_EQ(g.port.h, 300 - kBar - g[Panel::Console].h);
    EXPECT_GE(g.port.h, kMinPortSide);
    // A window too small even for the port: never a negative or empty port.
    const PanelGeometry tiny = panelGeometry(30, 20, states(true, true, true, true), kBar);
    EXPECT_GE(tiny.port.w, 1);
    EXPECT_GE(tiny.port.h, 1);
    for (const Rect& r : tiny.panels) {
        EXPECT_GE(r.w, 0);
        EXPECT_GE(r.h, 0);
    }
    // A huge window: the port stops at the largest side viewPort takes.
    const PanelGeometry huge = panelGeometry(9000, 500, states(true, false, false, false), kBar);
    EXPECT_EQ(huge.port.w, kMaxPortSide);
}

}  // namespace
}  // namespace tarn::window::panels
