#include "host/commands/lang_commands.h"

#include <cmath>

#include "host/lang/value.h"
#include "host/ui/tool_property_window.h"

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::CommandSpec;
using lang::FlagSpec;
using lang::Value;

std::vector<std::string>& renderNodeWindowRefreshes() {
    static std::vector<std::string> calls;
    return calls;
}

namespace {

// Without a panel that shows them, no window or control exists: existence tests answer 0, and
// edits and queries of a named element fail as they would for a missing one.
CommandResult missingControl(const CommandArgs& args, const std::string& name) {
    if (args.has("exists")) return Value(std::int64_t(0));
    if (args.isQuery() || args.isEdit())
        return CommandResult::failure(args.commandName() + ": object '" + name + "' not found.");
    return CommandResult::failure(args.commandName() +
                                  ": this host has no windows to hold a control.");
}

// A number given to -value: numbers as they are, texts that read as numbers.
bool valueNumber(const Value& v, double* out) {
    if (v.isNumber()) {
        *out = v.asFloat();
        return std::isfinite(*out);
    }
    return lang::parseFloat(v.asString(), *out) && std::isfinite(*out);
}

// -q on a control of the tool-property window: one flag's value.
CommandResult queryControl(const CommandArgs& args, const ui::ToolControl& c) {
    const bool integral = c.property.kind != plugins::ToolProperty::Kind::FloatSlider;
    if (args.has("value") || args.has("select"))
        return integral ? Value(std::int64_t(c.value)) : Value(c.value);
    if (args.has("enable")) return Value(std::int64_t(c.enabled));
    if (args.has("visible")) return Value(std::int64_t(c.visible));
    if (args.has("label")) return Value(c.label);
    if (args.has("minValue")) return Value(c.minValue);
    if (args.has("maxValue")) return Value(c.maxValue);
    return CommandResult::failure(args.commandName() + ": name the flag to query.");
}

// -e on a control: each flag given sets what it names.
CommandResult editControl(const CommandArgs& args, ui::ToolControl& c) {
    using Kind = plugins::ToolProperty::Kind;
    for (const char* flag : {"value", "select"}) {
        if (!args.has(flag)) continue;
        double v = 0.0;
        if (!valueNumber(args.flag(flag), &v))
            return CommandResult::failure(args.commandName() + ": -" + flag +
                                          " takes a number, not " + args.flag(flag).asString() +
                                          ".");
        if (c.property.kind == Kind::CheckBox)
            v = v != 0.0 ? 1.0 : 0.0;
        else if (c.property.kind != Kind::FloatSlider)
            v = std::trunc(v);
        c.value = v;
    }
    if (args.has("enable")) c.enabled = args.flag("enable").asBool();
    if (args.has("visible")) c.visible = args.flag("visible").asBool();
    if (args.has("label")) c.label = args.flag("label").asString();
    if (args.has("minValue")) c.minValue = args.flag("minValue").asFloat();
    if (args.has("maxValue")) c.maxValue = args.flag("maxValue").asFloat();
    return {};
}

// The controls of the tool-property window, while a panel shows it; otherwise none exists.
CommandResult controlCmd(const CommandArgs& args, CommandContext&) {
    const std::string name = args.count() ? args[0].asString() : std::string();
    ui::ToolControl* c = ui::ToolPropertyWindow::instance().find(name);
    // Each command answers for its own kind of control only.
    if (c && !ui::commandEdits(args.commandName(), c->property.kind)) c = nullptr;
    if (!c || !(args.isQuery() || args.isEdit() || args.has("exists")))
        return missingControl(args, name);
    if (args.has("exists")) return Value(std::int64_t(1));
    return args.isQuery() ? queryControl(args, *c) : editControl(args, *c);
}

CommandResult windowCmd(const CommandArgs& args, CommandContext&) {
    const std::string name = args.count() ? args[0].asString() : std::string();
    ui::ToolPropertyWindow& window = ui::ToolPropertyWindow::instance();
    if (name != ui::ToolPropertyWindow::kName || !window.exists() ||
        !(args.isQuery() || args.isEdit() || args.has("exists")))
        return missingControl(args, name);
    if (args.has("exists")) return Value(std::int64_t(1));
    if (args.isQuery()) {
        if (args.has("title")) return Value(window.title());
        return CommandResult::failure("window: only -title can be queried here.");
    }
    // The panel draws the window where the layout puts it: size and title edits change nothing.
    return {};
}

CommandResult deleteUiCmd(const CommandArgs& args, CommandContext& ctx) {
    // Deleting a window that is not there is harmless; scripts that tidy up tool windows go on.
    for (std::size_t i = 0; i < args.count(); ++i)
        if (!ui::ToolPropertyWindow::instance().remove(args[i].asString()))
            ctx.warning("deleteUI: object '" + args[i].asString() + "' not found.");
    return {};
}

// Builds the tool-property window again for the active tool (when a panel shows it).
CommandResult toolPropertyWindowCmd(const CommandArgs&, CommandContext&) {
    ui::ToolPropertyWindow::instance().build();
    return {};
}

CommandResult refreshRenderNodeWindowCmd(const CommandArgs& args, CommandContext&) {
    renderNodeWindowRefreshes().push_back(args[0].asString());
    return {};
}

}  // namespace

void addUiCommands(lang::CommandRegistry& registry) {
    const std::vector<FlagSpec> controlFlags = {
        {.longName = "exists", .shortName = "ex"},
        {.longName = "value",
         .shortName = "v",
         .args = {ArgType::Any},
         .query = true,
         .edit = true},
        {.longName = "enable",
         .shortName = "en",
         .args = {ArgType::Bool},
         .query = true,
         .edit = true},
        {.longName = "select",
         .shortName = "sl",
         .args = {ArgType::Int},
         .query = true,
         .edit = true},
        {.longName = "label",
         .shortName = "l",
         .args = {ArgType::String},
         .query = true,
         .edit = true},
        {.longName = "minValue",
         .shortName = "min",
         .args = {ArgType::Float},
         .query = true,
         .edit = true},
        {.longName = "maxValue",
         .shortName = "max",
         .args = {ArgType::Float},
         .query = true,
         .edit = true},
        {.longName = "visible",
         .shortName = "vis",
         .args = {ArgType::Bool},
         .query = true,
         .edit = true},
    };
    const char* controls[] = {"window",    "intSliderGrp",  "floatSliderGrp", "floatSlider",
                              "intSlider", "checkBox",      "radioButtonGrp", "button",
                              "textField", "optionMenuGrp", "columnLayout",   "rowLayout"};
    for (const char* name : controls) {
        std::vector<FlagSpec> flags = controlFlags;
        if (std::string(name) == "window") {
            flags.push_back({.longName = "title",
                             .shortName = "t",
                             .args = {ArgType::String},
                             .query = true,
                             .edit = true});
            flags.push_back({.longName = "widthHeight",
                             .shortName = "wh",
                             .args = {ArgType::Int, ArgType::Int},
                             .query = true,
                             .edit = true});
        }
        registry.add({.name = name,
                      .usage = std::string(name) + " [-exists] [-q|-e flags] name",
                      .maxArgs = 1,
                      .argTypes = {ArgType::String},
                      .flags = std::move(flags),
                      .queryMode = true,
                      .editMode = true,
                      .body = std::string(name) == "window" ? windowCmd : controlCmd,
                      .windowless = true});
    }
    registry.add({.name = "deleteUI",
                  .usage = "deleteUI [-window] [-control] name...",
                  .minArgs = 1,
                  .maxArgs = lang::kUnlimited,
                  .argTypes = {ArgType::String},
                  .flags = {{.longName = "window", .shortName = "wnd"},
                            {.longName = "control", .shortName = "ctl"},
                            {.longName = "layout", .shortName = "lay"}},
                  .body = deleteUiCmd,
                  .windowless = true});
    registry.add({.name = "toolPropertyWindow",
                  .usage = "toolPropertyWindow",
                  .flags = {{.longName = "inMainWindow",
                             .shortName = "inMainWindow",
                             .args = {ArgType::Bool}}},
                  .body = toolPropertyWindowCmd,
                  .windowless = true});
    registry.add({.name = "refreshCreateRenderNodeWindow",
                  .usage = "refreshCreateRenderNodeWindow classification",
                  .minArgs = 1,
                  .maxArgs = 1,
                  .argTypes = {ArgType::String},
                  .body = refreshRenderNodeWindowCmd,
                  .windowless = true});
}

}  // namespace tarn::commands
