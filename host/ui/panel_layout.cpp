#include "host/ui/panel_layout.h"

#include <algorithm>
#include <cmath>

#include "host/lang/option_vars.h"

namespace tarn::ui {

namespace {

const PanelInfo kPanels[] = {
    {Panel::Outliner, "Outliner", "Outliner", "F2", PanelSide::Left, true, 240, 120, 800},
    {Panel::AttributeEditor, "AttributeEditor", "Attribute Editor", "F3", PanelSide::Right, true,
     340, 180, 900},
    {Panel::ToolSettings, "ToolSettings", "Tool Settings", "F4", PanelSide::Right, false, 300, 180,
     900},
    {Panel::Console, "Console", "Script Console", "F5", PanelSide::Bottom, false, 200, 80, 800},
};

// An int option's value when it holds exactly one finite number, else nothing.
bool intOption(const std::string& name, double* out) {
    const std::optional<lang::Value> v = lang::optionVars().get(name);
    if (!v || !v->isNumber()) return false;
    *out = v->asFloat();
    return std::isfinite(*out);
}

}  // namespace

std::span<const PanelInfo> panelTable() {
    return kPanels;
}

const PanelInfo& panelInfo(Panel panel) {
    for (const PanelInfo& p : kPanels)
        if (p.panel == panel) return p;
    return kPanels[0];
}

std::string panelOpenVar(Panel panel) {
    return std::string("tarnPanel") + panelInfo(panel).name + "Open";
}

std::string panelSizeVar(Panel panel) {
    return std::string("tarnPanel") + panelInfo(panel).name + "Size";
}

PanelState panelState(Panel panel) {
    const PanelInfo& info = panelInfo(panel);
    PanelState state{info.defaultOpen, info.defaultSize};
    double v = 0.0;
    if (intOption(panelOpenVar(panel), &v)) state.open = v != 0.0;
    if (intOption(panelSizeVar(panel), &v))
        state.size = int(std::clamp(std::round(v), double(info.minSize), double(info.maxSize)));
    return state;
}

std::string panelOpenText(Panel panel, bool open) {
    return "optionVar -iv " + panelOpenVar(panel) + (open ? " 1" : " 0");
}

std::string panelToggleText(Panel panel) {
    return panelOpenText(panel, !panelState(panel).open);
}

std::string panelSizeText(Panel panel, double size) {
    const PanelInfo& info = panelInfo(panel);
    const int pixels =
        std::isfinite(size)
            ? int(std::clamp(std::round(size), double(info.minSize), double(info.maxSize)))
            : info.defaultSize;
    return "optionVar -iv " + panelSizeVar(panel) + " " + std::to_string(pixels);
}

}  // namespace tarn::ui
