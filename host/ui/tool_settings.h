#pragma once
/// The tool-settings panel's model: the active tool's property sheet as rows (option variable,
/// meaning, value, range, kind, enabled), read from the tool-property window's controls, and
/// the command text of each change. Opening the panel shows the window (so the tools' edit
/// hooks find their controls); closing it takes the window away. Main thread only.

#include <string>
#include <vector>

#include "host/plugins/plugin_registry.h"

namespace tarn::ui {

struct ToolSettingRow {
    std::string optionVar;  ///< the option variable the row sets
    std::string control;    ///< its control's name
    std::string label;
    std::string meaning;
    plugins::ToolProperty::Kind kind = plugins::ToolProperty::Kind::IntSlider;
    /// The value shown: a slider's number, a check box's 0 or 1, a radio group's option value.
    double value = 0.0;
    /// Radio groups: the button shown selected, from 0 (-1: the value matches no button).
    int selected = -1;
    std::vector<std::string> choices;       ///< radio groups: the buttons' labels
    int firstChoice = 1;                    ///< radio groups: the option value of the first button
    double minValue = 0.0, maxValue = 0.0;  ///< sliders: values a person may set
    double sliderMin = 0.0, sliderMax = 0.0;  ///< sliders: the span shown
    bool enabled = true;
    bool visible = true;
    bool isSet = false;  ///< the option variable exists (the tool reads 0 for a missing one)
};

struct ToolSettingsView {
    std::string context;               ///< the active tool context ("slicePenContext1")
    std::string command;               ///< the command that made it ("" for the host's own tools)
    std::string title;                 ///< its title ("Draw Split Tool")
    std::vector<ToolSettingRow> rows;  ///< empty when the tool has no property sheet
};

class ToolSettings {
public:
    /// Opens the panel: the tool-property window exists from now on. `close` takes it away.
    void open();
    void close();
    bool isOpen() const;

    /// The active tool's rows (the window is built again first when the tool changed or it was
    /// deleted). Empty rows while the panel is closed.
    ToolSettingsView view() const;

    /// The text that sets a row's option to `value`: `optionVar -iv NAME V` (`-fv` for float
    /// sliders), the value clamped to the row's range (minValue..maxValue), check boxes 0 or 1.
    /// Empty for a non-finite value.
    static std::string setText(const ToolSettingRow& row, double value);
    /// The text that picks radio button `button` (from 0); empty when there is no such button.
    static std::string chooseText(const ToolSettingRow& row, int button);
    /// The text that puts the tool's options back to their defaults: the tool's own edit hook,
    /// `COMMAND -e CONTEXT`. Empty for a tool no plug-in made.
    static std::string resetText(const ToolSettingsView& view);
};

}  // namespace tarn::ui
