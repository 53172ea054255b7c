#pragma once
/// Which panels are open and how big they are, kept in the preferences as option variables
/// (two per panel: `tarnPanel<Name>Open`, 0 or 1, and `tarnPanel<Name>Size`, pixels), so the
/// layout outlives the session. Changes are `optionVar` texts like every other change.
/// Missing or unusable values (a string, an array) read as the panel's defaults; a size out of
/// the panel's range is clamped into it.
/// Main thread only.

#include <span>
#include <string>

namespace tarn::ui {

enum class Panel { Outliner, AttributeEditor, ToolSettings, Console };

/// Where a panel sits: its size is a width for the sides, a height at the bottom.
enum class PanelSide { Left, Right, Bottom };

struct PanelInfo {
    Panel panel;
    const char* name;      ///< in option names: "Outliner" gives tarnPanelOutlinerOpen
    const char* title;     ///< shown on the panel
    const char* shortcut;  ///< the key that opens and closes it, as the status line shows it
    PanelSide side;
    bool defaultOpen;
    int defaultSize;  ///< pixels
    int minSize, maxSize;
};

/// Every panel, in the order the window lays them out.
std::span<const PanelInfo> panelTable();
const PanelInfo& panelInfo(Panel panel);

struct PanelState {
    bool open = false;
    int size = 0;
};

/// The option variables of a panel.
std::string panelOpenVar(Panel panel);
std::string panelSizeVar(Panel panel);

/// The panel's state as the preferences hold it (defaults where they hold nothing usable).
PanelState panelState(Panel panel);
/// `optionVar -iv tarnPanel<Name>Open 1` (or 0).
std::string panelOpenText(Panel panel, bool open);
/// The text that opens a closed panel or closes an open one.
std::string panelToggleText(Panel panel);
/// `optionVar -iv tarnPanel<Name>Size N`, N rounded and clamped to the panel's range.
std::string panelSizeText(Panel panel, double size);

}  // namespace tarn::ui
