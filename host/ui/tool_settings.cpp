#include "host/ui/tool_settings.h"

#include <algorithm>
#include <cmath>

#include "frame/k_string.h"
#include "host/lang/option_vars.h"
#include "host/ui/command_text.h"
#include "host/ui/tool_property_window.h"

namespace tarn::ui {

using Kind = plugins::ToolProperty::Kind;

void ToolSettings::open() {
    ToolPropertyWindow::instance().show();
}

void ToolSettings::close() {
    ToolPropertyWindow::instance().hide();
}

bool ToolSettings::isOpen() const {
    return ToolPropertyWindow::instance().shown();
}

ToolSettingsView ToolSettings::view() const {
    ToolPropertyWindow& window = ToolPropertyWindow::instance();
    window.refresh();
    ToolSettingsView out;
    if (!window.exists()) return out;
    out.context = window.context();
    out.command = window.contextCommand();
    out.title = window.title();
    for (const ToolControl& c : window.controls()) {
        const plugins::ToolProperty& p = c.property;
        ToolSettingRow row;
        row.optionVar = p.optionVar;
        row.control = p.control;
        row.label = c.label;
        row.meaning = p.meaning;
        row.kind = p.kind;
        row.choices = p.choices;
        row.firstChoice = p.firstChoice;
        row.minValue = p.minValue;
        row.maxValue = p.maxValue;
        row.sliderMin = c.minValue;
        row.sliderMax = c.maxValue;
        row.enabled = c.enabled;
        row.visible = c.visible;
        row.isSet = lang::optionVars().exists(p.optionVar);
        if (p.kind == Kind::RadioGroup) {
            const int button = int(c.value);
            row.selected = button >= 1 && button <= int(p.choices.size()) ? button - 1 : -1;
            row.value = radioValueOf(p, button);
        } else {
            row.value = c.value;
        }
        out.rows.push_back(std::move(row));
    }
    return out;
}

std::string ToolSettings::setText(const ToolSettingRow& row, double value) {
    if (!std::isfinite(value)) return {};
    bool isFloat = false;
    switch (row.kind) {
        case Kind::FloatSlider:
            isFloat = true;
            value = std::clamp(value, row.minValue, row.maxValue);
            break;
        case Kind::IntSlider:
            value = std::clamp(std::round(value), row.minValue, row.maxValue);
            break;
        case Kind::CheckBox:
            value = value != 0.0 ? 1.0 : 0.0;
            break;
        case Kind::RadioGroup:
            value = std::round(value);
            break;
    }
    return std::string("optionVar ") + (isFloat ? "-fv " : "-iv ") + word(row.optionVar) + " " +
           numberText(value);
}

std::string ToolSettings::chooseText(const ToolSettingRow& row, int button) {
    if (row.kind != Kind::RadioGroup || button < 0 || button >= int(row.choices.size())) return {};
    return setText(row, double(row.firstChoice + button));
}

std::string ToolSettings::resetText(const ToolSettingsView& view) {
    if (view.command.empty() || view.context.empty()) return {};
    return word(view.command) + " -e " + word(view.context);
}

}  // namespace tarn::ui
