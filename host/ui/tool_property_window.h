#pragma once
/// The tool-property window ("toolProperties"): the named controls of the active tool's
/// property sheet, as long as a tool-settings panel shows them. It is what the host's UI
/// commands (`window`, `intSliderGrp`, `floatSliderGrp`, `checkBox`, `radioButtonGrp`,
/// `deleteUI`, `toolPropertyWindow`) find: while the panel is shown, `-ex` answers 1 for the
/// window and its controls, `-e` edits their value, selection and enabled state, `-q` reads
/// them, and `deleteUI toolProperties` deletes the window. While no panel is shown nothing
/// exists, and the commands answer as a host without windows.
///
/// A control follows its option variable: when the variable changes (by `optionVar`, a script
/// or the panel), the control takes the new value, and controls whose enabling options changed
/// are enabled or disabled by their sheet's rule. An `-e` edit sets the control directly; it
/// holds until the option it follows changes again. Main thread only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/plugins/plugin_registry.h"

namespace tarn::ui {

/// One control of the window.
struct ToolControl {
    plugins::ToolProperty property;  ///< the sheet's row it shows
    /// Sliders and check boxes: the value shown; radio groups: the button selected, from 1
    /// (0: none).
    double value = 0.0;
    bool enabled = true;
    bool visible = true;
    std::string label;
    double minValue = 0.0, maxValue = 0.0;  ///< the slider's span

    /// The option values the control last followed (its own, then its enabling options).
    std::optional<double> seenValue;
    std::optional<double> seenEnabledBy, seenEnabledWhen;
    bool followed = false;  ///< set once the control first took its options
};

/// The command family that edits a kind of control: "intSliderGrp", "floatSliderGrp",
/// "checkBox", "radioButtonGrp".
const char* controlCommand(plugins::ToolProperty::Kind kind);
/// True when `command` edits controls of `kind` (`intSlider` and `intSliderGrp` both edit an
/// int slider group, likewise for float sliders).
bool commandEdits(std::string_view command, plugins::ToolProperty::Kind kind);

/// The radio button (from 1) that shows option value `value`; 0 when no button does.
int radioButtonFor(const plugins::ToolProperty& property, double value);
/// The option value of radio button `button` (from 1).
int radioValueOf(const plugins::ToolProperty& property, int button);

class ToolPropertyWindow {
public:
    static constexpr const char* kName = "toolProperties";

    /// The process's one window.
    static ToolPropertyWindow& instance();

    /// A panel shows the window (and builds it), or no longer does (and it goes).
    void show();
    void hide();
    bool shown() const { return m_shown; }

    /// Builds the window for the active tool: a control per row of its sheet, each with its
    /// option's value and its enabled state. Does nothing while no panel shows it.
    void build();
    /// Builds the window again when a panel shows it and it is missing or was built for
    /// another tool than the active one. The panel calls it each frame.
    void refresh();
    bool exists() const { return m_exists; }
    /// The tool context the window was built for, the command that made it and its title.
    const std::string& context() const { return m_context; }
    const std::string& contextCommand() const { return m_command; }
    const std::string& title() const { return m_title; }

    /// Deletes the window (its name) or one of its controls; false when neither has that name.
    bool remove(std::string_view name);
    /// The control named `name` (brought up to date with its options first), or null.
    ToolControl* find(std::string_view name);
    /// Every control, in sheet order, up to date with its options.
    const std::vector<ToolControl>& controls();

    /// Forgets everything (tests; a new session).
    void reset();

private:
    void follow(ToolControl& control);

    bool m_shown = false;
    bool m_exists = false;
    std::string m_context;
    std::string m_command;
    std::string m_title;
    std::vector<ToolControl> m_controls;
};

}  // namespace tarn::ui
