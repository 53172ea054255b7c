#include "host/window/panels/panel_geometry.h"

#include <algorithm>

namespace tarn::window::panels {

namespace {

const ui::PanelState& state(const PanelStates& s, ui::Panel p) {
    return s[static_cast<int>(p)];
}

int openSize(const PanelStates& s, ui::Panel p) {
    return state(s, p).open ? std::max(0, state(s, p).size) : 0;
}

// The widths along the left and right edges and the console's height, as asked.
struct Bands {
    int left, right, bottom;
};

Bands bandsOf(const PanelStates& s) {
    return {openSize(s, ui::Panel::Outliner),
            std::max(openSize(s, ui::Panel::AttributeEditor), openSize(s, ui::Panel::ToolSettings)),
            openSize(s, ui::Panel::Console)};
}

}  // namespace

bool PanelGeometry::anyShown() const {
    return std::any_of(panels.begin(), panels.end(), [](const Rect& r) { return !r.empty(); });
}

PanelGeometry panelGeometry(int width, int height, const PanelStates& states, int statusBar) {
    PanelGeometry g;
    width = std::max(0, width);
    height = std::max(0, height);
    Bands b = bandsOf(states);
    // The sides give way to keep the port's least width, in proportion to their sizes.
    const int sides = std::max(0, width - kMinPortSide);
    if (b.left + b.right > sides) {
        const int total = b.left + b.right;
        b.left = static_cast<int>(static_cast<long long>(b.left) * sides / total);
        b.right = sides - b.left;
    }
    const int bottomBand = b.bottom > 0 ? b.bottom + statusBar : 0;
    if (b.bottom > 0 && height - bottomBand < kMinPortSide)
        b.bottom = std::max(0, height - kMinPortSide - statusBar);
    const int sideHeight = std::max(0, height - statusBar);
    using ui::Panel;
    auto at = [&](Panel p) -> Rect& { return g.panels[static_cast<int>(p)]; };
    if (b.left > 0) at(Panel::Outliner) = {0, 0, b.left, sideHeight};
    if (b.right > 0) {
        const Rect column{width - b.right, 0, b.right, sideHeight};
        const bool attributes = state(states, Panel::AttributeEditor).open;
        const bool tools = state(states, Panel::ToolSettings).open;
        if (attributes && tools) {
            // The attribute editor above, tool settings below.
            const int top = sideHeight * 3 / 5;
            at(Panel::AttributeEditor) = {column.x, 0, column.w, top};
            at(Panel::ToolSettings) = {column.x, top, column.w, sideHeight - top};
        } else {
            at(attributes ? Panel::AttributeEditor : Panel::ToolSettings) = column;
        }
    }
    const int portWidth = std::max(1, width - b.left - b.right);
    if (b.bottom > 0) at(Panel::Console) = {b.left, sideHeight - b.bottom, portWidth, b.bottom};
    const int portHeight = std::max(1, b.bottom > 0 ? height - statusBar - b.bottom : height);
    g.port = {b.left, 0, std::min(portWidth, kMaxPortSide), std::min(portHeight, kMaxPortSide)};
    return g;
}

std::array<int, 2> windowSizeFor(int portWidth, int portHeight, const PanelStates& states,
                                 int statusBar) {
    const Bands b = bandsOf(states);
    return {portWidth + b.left + b.right, portHeight + (b.bottom > 0 ? b.bottom + statusBar : 0)};
}

PanelStates currentPanelStates() {
    PanelStates s;
    for (const ui::PanelInfo& info : ui::panelTable())
        s[static_cast<int>(info.panel)] = ui::panelState(info.panel);
    return s;
}

}  // namespace tarn::window::panels
