#pragma once
/// Where the panels and the 3D port sit in the window: the outliner along the left edge, the
/// attribute editor and tool settings along the right (one above the other when both are
/// open), the script console along the bottom above the status bar, and the port in the space
/// they leave. Pure: sizes in, rectangles out.

#include <array>

#include "host/ui/panel_layout.h"

namespace tarn::window::panels {

/// A rectangle in window pixels (origin top-left, y down).
struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool contains(int px, int py) const {
        return !empty() && px >= x && py >= y && px < x + w && py < y + h;
    }
    bool operator==(const Rect&) const = default;
};

/// The state of each panel, indexed by ui::Panel.
using PanelStates = std::array<ui::PanelState, 4>;

struct PanelGeometry {
    Rect port;  ///< the 3D view
    /// Each panel's rectangle, indexed by ui::Panel (empty when closed).
    std::array<Rect, 4> panels;
    const Rect& operator[](ui::Panel p) const { return panels[static_cast<int>(p)]; }
    /// True when any panel shows.
    bool anyShown() const;
};

/// The port keeps at least this many pixels a side while the window has them: panels give
/// way (shrink) first.
inline constexpr int kMinPortSide = 64;
/// The port's largest side (viewPort refuses more).
inline constexpr int kMaxPortSide = 8192;

/// The layout in a window of width x height whose bottom `statusBar` rows hold the status bar.
/// The console sits above the status bar and the port above the console; with the console
/// closed the port reaches the window's bottom edge (the status bar is drawn over it, as
/// without panels). Side panels end above the status bar.
PanelGeometry panelGeometry(int width, int height, const PanelStates& states, int statusBar);

/// The window size that gives a port of portWidth x portHeight with these panels open.
std::array<int, 2> windowSizeFor(int portWidth, int portHeight, const PanelStates& states,
                                 int statusBar);

/// The panels' states as the preferences hold them.
PanelStates currentPanelStates();

}  // namespace tarn::window::panels
