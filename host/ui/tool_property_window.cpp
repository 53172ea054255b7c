#include "host/ui/tool_property_window.h"

#include <cmath>

#include "frame/k_context.h"
#include "host/lang/option_vars.h"
#include "host/view/tool_contexts.h"

namespace tarn::ui {

using Kind = plugins::ToolProperty::Kind;

namespace {

// The number an option variable holds; nullopt when it is missing or holds no number.
std::optional<double> optionNumber(const std::string& name) {
    if (name.empty()) return std::nullopt;
    const std::optional<lang::Value> v = lang::optionVars().get(name);
    if (!v || !(v->isNumber() || v->isArray())) return std::nullopt;
    if (v->isArray() && v->size() == 0) return std::nullopt;
    const double d = v->asFloat();
    return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

// What the control shows for an option value (a missing option reads 0, as the tools read it).
double shownValue(const plugins::ToolProperty& p, std::optional<double> option) {
    const double v = option.value_or(0.0);
    return p.kind == Kind::RadioGroup ? radioButtonFor(p, v) : v;
}

bool enabledFor(const plugins::ToolProperty& p, std::optional<double> by,
                std::optional<double> when) {
    if (!p.enabledBy.empty() && by.value_or(0.0) == 0.0) return false;
    if (!p.enabledWhen.empty() && when.value_or(0.0) != p.enabledWhenValue) return false;
    return true;
}

}  // namespace

const char* controlCommand(Kind kind) {
    switch (kind) {
        case Kind::IntSlider:
            return "intSliderGrp";
        case Kind::FloatSlider:
            return "floatSliderGrp";
        case Kind::CheckBox:
            return "checkBox";
        case Kind::RadioGroup:
            return "radioButtonGrp";
    }
    return "";
}

bool commandEdits(std::string_view command, Kind kind) {
    switch (kind) {
        case Kind::IntSlider:
            return command == "intSliderGrp" || command == "intSlider";
        case Kind::FloatSlider:
            return command == "floatSliderGrp" || command == "floatSlider";
        case Kind::CheckBox:
            return command == "checkBox";
        case Kind::RadioGroup:
            return command == "radioButtonGrp";
    }
    return false;
}

int radioButtonFor(const plugins::ToolProperty& p, double value) {
    const double button = value - p.firstChoice + 1;
    if (button != std::floor(button) || button < 1 || button > double(p.choices.size())) return 0;
    return int(button);
}

int radioValueOf(const plugins::ToolProperty& p, int button) {
    return p.firstChoice + button - 1;
}

ToolPropertyWindow& ToolPropertyWindow::instance() {
    static ToolPropertyWindow window;
    return window;
}

void ToolPropertyWindow::show() {
    m_shown = true;
    build();
}

void ToolPropertyWindow::hide() {
    m_shown = false;
    m_exists = false;
    m_controls.clear();
    m_context.clear();
    m_command.clear();
    m_title.clear();
}

void ToolPropertyWindow::build() {
    if (!m_shown) return;
    view::ToolContexts& tools = view::ToolContexts::instance();
    m_context = tools.current();
    m_command = tools.commandOf(m_context);
    m_title.clear();
    if (KPxContext* c = tools.find(m_context)) m_title = c->titleString().str();
    m_controls.clear();
    if (const auto* entry = plugins::Registry::instance().findContextCommand(m_command)) {
        for (const plugins::ToolProperty& p : entry->properties) {
            ToolControl c;
            c.property = p;
            c.label = p.label;
            c.minValue = p.sliderMin;
            c.maxValue = p.sliderMax;
            follow(c);
            m_controls.push_back(std::move(c));
        }
    }
    m_exists = true;
}

void ToolPropertyWindow::refresh() {
    if (!m_shown) return;
    if (!m_exists || view::ToolContexts::instance().current() != m_context) build();
}

bool ToolPropertyWindow::remove(std::string_view name) {
    if (!m_exists) return false;
    if (name == kName) {
        m_exists = false;
        m_controls.clear();
        return true;
    }
    for (auto it = m_controls.begin(); it != m_controls.end(); ++it) {
        if (it->property.control == name) {
            m_controls.erase(it);
            return true;
        }
    }
    return false;
}

ToolControl* ToolPropertyWindow::find(std::string_view name) {
    if (!m_exists) return nullptr;
    for (ToolControl& c : m_controls) {
        if (c.property.control == name) {
            follow(c);
            return &c;
        }
    }
    return nullptr;
}

const std::vector<ToolControl>& ToolPropertyWindow::controls() {
    for (ToolControl& c : m_controls) follow(c);
    return m_controls;
}

void ToolPropertyWindow::reset() {
    hide();
}

void ToolPropertyWindow::follow(ToolControl& c) {
    const plugins::ToolProperty& p = c.property;
    // Only a change of an option overrides what an edit set since.
    const std::optional<double> value = optionNumber(p.optionVar);
    if (!c.followed || value != c.seenValue) {
        c.value = shownValue(p, value);
        c.seenValue = value;
    }
    const std::optional<double> by = optionNumber(p.enabledBy);
    const std::optional<double> when = optionNumber(p.enabledWhen);
    if (!c.followed || by != c.seenEnabledBy || when != c.seenEnabledWhen) {
        c.enabled = enabledFor(p, by, when);
        c.seenEnabledBy = by;
        c.seenEnabledWhen = when;
    }
    c.followed = true;
}

}  // namespace tarn::ui
