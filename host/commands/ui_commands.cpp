#include "host/commands/lang_commands.h"

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

// This host has no windows, so no window or control ever exists: existence tests answer 0,
// edits and queries of a named element fail as they would for a missing one.
CommandResult windowlessControl(const CommandArgs& args, CommandContext&) {
    if (args.has("exists")) return Value(std::int64_t(0));
    std::string name = args.count() ? args[0].asString() : std::string();
    if (args.isQuery() || args.isEdit())
        return CommandResult::failure(args.commandName() + ": object '" + name + "' not found.");
    return CommandResult::failure(args.commandName() +
                                  ": this host has no windows to hold a control.");
}

CommandResult deleteUiCmd(const CommandArgs& args, CommandContext& ctx) {
    // Deleting a window that is not there is harmless; scripts that tidy up tool windows go on.
    for (std::size_t i = 0; i < args.count(); ++i)
        ctx.warning("deleteUI: object '" + args[i].asString() + "' not found.");
    return {};
}

CommandResult refreshRenderNodeWindowCmd(const CommandArgs& args, CommandContext&) {
    renderNodeWindowRefreshes().push_back(args[0].asString());
    return {};
}

CommandResult noWindowOpCmd(const CommandArgs&, CommandContext&) {
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
                      .body = windowlessControl,
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
                  .body = noWindowOpCmd,
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
