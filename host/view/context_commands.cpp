// Tool contexts in the command language: context commands registered by plug-ins, setToolTo,
// currentCtx, contextInfo, and the gestures that drive the active tool from scripts (viewEvent,
// viewStroke, toolAction). Gestures are ordinary commands, so every event a tool handles is in
// the journal as the text that caused it and a session replays headless.

#include <exception>
#include <memory>

#include "frame/k_context.h"
#include "host/lang/interpreter.h"
#include "host/plugins/plugin_registry.h"
#include "host/view/tool_contexts.h"
#include "host/view/view_commands.h"

namespace tarn::view {

namespace {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::CommandSpec;
using lang::Value;

// The body of a plug-in's context command: create a context ("<command><n>" unless a name is
// given), or with -e / -q run the command's edit or query hook on an existing one.
CommandResult runContextCommand(const std::string& command, KCreatorFunction creator,
                                const CommandArgs& args) {
    bool edit = false, query = false;
    std::string name;
    for (const Value& w : args.positional()) {
        const std::string word = w.asString();
        if (word == "-e" || word == "-edit")
            edit = true;
        else if (word == "-q" || word == "-query")
            query = true;
        else if (!word.empty() && word[0] != '-')
            name = word;
    }
    ToolContexts& contexts = ToolContexts::instance();
    std::unique_ptr<KPxContextCommand> cmd;
    try {
        cmd.reset(static_cast<KPxContextCommand*>(creator()));
    } catch (...) {
    }
    if (!cmd) return CommandResult::failure(command + ": the plug-in could not create the command");
    if (edit || query) {
        if (name.empty())
            return CommandResult::failure(command + ": -e and -q need a context name");
        if (contexts.commandOf(name) != command)
            return CommandResult::failure(command + ": no " + command + " context named " + name);
        KStatus status;
        try {
            status = edit ? cmd->doEditFlags() : cmd->doQueryFlags();
        } catch (const std::exception& e) {
            return CommandResult::failure(command + ": " + e.what());
        } catch (...) {
            return CommandResult::failure(command + ": the edit hook failed");
        }
        if (!status)
            return CommandResult::failure(command + ": the " + (edit ? "edit" : "query") +
                                          " hook failed");
        return Value(cmd->result().length() > 0 ? std::string(cmd->result().asChar()) : name);
    }
    if (name.empty()) name = contexts.freeName(command);
    KPxContext* made = nullptr;
    try {
        made = cmd->makeObj();
    } catch (...) {
    }
    std::string error;
    if (!contexts.add(name, command, made, &error))
        return CommandResult::failure(command + ": " + error);
    return Value(name);
}

bool registerContextCommand(const plugins::ContextCommandEntry& entry, std::string* error) {
    CommandSpec decl;
    decl.name = entry.name;
    decl.usage = entry.name + " [-e|-q] [NAME] (tool context command of " +
                 (entry.owner ? entry.owner->name : std::string("a plug-in")) + ")";
    decl.rawArgs = true;
    decl.owner = entry.owner ? entry.owner->name : "";
    const std::string name = entry.name;
    const KCreatorFunction creator = entry.creator;
    decl.body = [name, creator](const CommandArgs& args, CommandContext&) {
        return runContextCommand(name, creator, args);
    };
    return lang::commandRegistry().add(std::move(decl), error);
}

void installContextBridge() {
    auto& plugins = plugins::Registry::instance();
    for (const auto& c : plugins.contextCommands()) registerContextCommand(c, nullptr);
    plugins.addContextCommandListener(
        [](const plugins::ContextCommandEntry& c, bool added, std::string* error) -> bool {
            if (added) return registerContextCommand(c, error);
            // The plug-in is going: its contexts (its code) go first.
            ToolContexts::instance().removeMadeBy(c.name);
            lang::commandRegistry().remove(c.name);
            return true;
        });
}

CommandResult setToolToCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    if (!ToolContexts::instance().setTool(args[0].asString(), &error))
        return CommandResult::failure("setToolTo: " + error);
    return {};
}

CommandResult currentCtxCmd(const CommandArgs&, CommandContext&) {
    return Value(ToolContexts::instance().current());
}

CommandResult contextInfoCmd(const CommandArgs& args, CommandContext&) {
    const std::string name = args[0].asString();
    KPxContext* c = ToolContexts::instance().find(name);
    if (args.has("exists")) return Value(c ? 1 : 0);
    if (!c) return CommandResult::failure("contextInfo: no tool context named " + name);
    if (args.has("title")) return Value(std::string(c->titleString().asChar()));
    if (args.has("helpString")) return Value(std::string(c->helpString().asChar()));
    if (args.has("image2")) return Value(std::string(c->image(KPxContext::kImage2).asChar()));
    if (args.has("image3")) return Value(std::string(c->image(KPxContext::kImage3).asChar()));
    if (args.has("image1")) return Value(std::string(c->image(KPxContext::kImage1).asChar()));
    if (args.has("cursor")) {
        static const char* const kCursors[] = {"default", "crossHair", "doubleCrossHair",
                                               "edit",    "pencil",    "hand"};
        const int shape = c->cursor().shape();
        return Value(std::string(shape >= 0 && shape < 6 ? kCursors[shape] : "default"));
    }
    if (args.has("class")) {
        KString cls;
        try {
            c->getClassName(cls);
        } catch (...) {
        }
        return Value(std::string(cls.asChar()));
    }
    // Without a flag: the command that made it ("" for the host's own tools).
    return Value(ToolContexts::instance().commandOf(name));
}

// Button and modifiers of a gesture from its flags.
bool eventStyle(const CommandArgs& args, const char* command, KEvent::MouseButtonType& button,
                int& modifiers, std::string* error) {
    button = KEvent::kLeftMouse;
    if (args.has("button")) {
        const std::string b = args.flag("button").asString();
        if (b == "left" || b == "1")
            button = KEvent::kLeftMouse;
        else if (b == "middle" || b == "2")
            button = KEvent::kMiddleMouse;
        else if (b == "right" || b == "3")
            button = KEvent::kRightMouse;
        else {
            *error = std::string(command) + ": -button takes left, middle or right, not " + b;
            return false;
        }
    }
    modifiers = KEvent::kNoModifier;
    if (args.has("shift")) modifiers |= KEvent::kShiftKey;
    if (args.has("ctrl")) modifiers |= KEvent::kControlKey;
    return true;
}

bool inShortRange(std::int64_t v) {
    return v >= -32768 && v <= 32767;
}

CommandResult viewEventCmd(const CommandArgs& args, CommandContext&) {
    EventKind kind;
    if (!parseEventKind(args[0].asString(), kind))
        return CommandResult::failure("viewEvent: the event is press, drag, hold or release, not " +
                                      args[0].asString());
    const std::int64_t x = args[1].asInt(), y = args[2].asInt();
    if (!inShortRange(x) || !inShortRange(y))
        return CommandResult::failure("viewEvent: pixel coordinates must fit 16 bits");
    KEvent::MouseButtonType button;
    int modifiers = 0;
    std::string error;
    if (!eventStyle(args, "viewEvent", button, modifiers, &error))
        return CommandResult::failure(error);
    KEvent event(static_cast<short>(x), static_cast<short>(y), button, modifiers);
    if (!ToolContexts::instance().deliver(kind, event, &error))
        return CommandResult::failure("viewEvent: " + error);
    return {};
}

CommandResult viewStrokeCmd(const CommandArgs& args, CommandContext&) {
    const std::vector<std::int64_t> xy = args[0].asIntArray();
    if (xy.size() < 2 || xy.size() % 2 != 0)
        return CommandResult::failure("viewStroke: the points are x y pairs, at least one");
    for (std::int64_t v : xy)
        if (!inShortRange(v))
            return CommandResult::failure("viewStroke: pixel coordinates must fit 16 bits");
    const int count = static_cast<int>(xy.size() / 2);
    std::vector<bool> holdAfter(count, false);
    for (std::size_t u = 0; u < args.uses("hold"); ++u) {
        const std::int64_t i = args.flag("hold", 0, u).asInt();
        if (i < 0 || i >= count)
            return CommandResult::failure("viewStroke: -hold " + std::to_string(i) +
                                          " names no point of the stroke");
        holdAfter[i] = true;
    }
    KEvent::MouseButtonType button;
    int modifiers = 0;
    std::string error;
    if (!eventStyle(args, "viewStroke", button, modifiers, &error))
        return CommandResult::failure(error);
    ToolContexts& tools = ToolContexts::instance();
    // Press at the first point, a drag to every later one, and the release at the last.
    const auto send = [&](EventKind kind, int i) {
        KEvent event(static_cast<short>(xy[2 * i]), static_cast<short>(xy[2 * i + 1]), button,
                     modifiers);
        return tools.deliver(kind, event, &error);
    };
    bool ok = send(EventKind::Press, 0) && (!holdAfter[0] || send(EventKind::Hold, 0));
    for (int i = 1; ok && i < count; ++i)
        ok = send(EventKind::Drag, i) && (!holdAfter[i] || send(EventKind::Hold, i));
    if (ok) ok = send(EventKind::Release, count - 1);
    if (!ok) return CommandResult::failure("viewStroke: " + error);
    return {};
}

CommandResult toolActionCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    if (!ToolContexts::instance().action(args[0].asString(), &error))
        return CommandResult::failure("toolAction: " + error);
    return {};
}

}  // namespace

void addContextCommands(lang::CommandRegistry& registry) {
    const lang::FlagSpec style[] = {
        {.longName = "button", .shortName = "b", .args = {ArgType::String}},
        {.longName = "shift", .shortName = "sh"},
        {.longName = "ctrl", .shortName = "ctl"},
    };
    std::vector<lang::FlagSpec> strokeFlags(std::begin(style), std::end(style));
    strokeFlags.push_back(
        {.longName = "hold", .shortName = "h", .args = {ArgType::Int}, .multiUse = true});
    const CommandSpec rows[] = {
        {.name = "setToolTo",
         .usage = "setToolTo CONTEXT",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = setToolToCmd},
        {.name = "currentCtx", .usage = "currentCtx", .body = currentCtxCmd},
        {.name = "contextInfo",
         .usage = "contextInfo [-exists|-title|-image1|-image2|-image3|-helpString|-cursor|-class] "
                  "CONTEXT",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "exists", .shortName = "ex"},
                   {.longName = "title", .shortName = "t"},
                   {.longName = "image1", .shortName = "i1"},
                   {.longName = "image2", .shortName = "i2"},
                   {.longName = "image3", .shortName = "i3"},
                   {.longName = "helpString", .shortName = "hs"},
                   {.longName = "cursor", .shortName = "cur"},
                   {.longName = "class", .shortName = "c"}},
         .body = contextInfoCmd},
        {.name = "viewEvent",
         .usage =
             "viewEvent [-button left|middle|right] [-shift] [-ctrl] press|drag|hold|release X Y",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {ArgType::String, ArgType::Int, ArgType::Int},
         .flags = {std::begin(style), std::end(style)},
         .body = viewEventCmd},
        {.name = "viewStroke",
         .usage = "viewStroke [-button left|middle|right] [-shift] [-ctrl] [-hold I]... {X0, Y0, "
                  "X1, Y1, ...}",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::IntArray},
         .flags = strokeFlags,
         .body = viewStrokeCmd},
        {.name = "toolAction",
         .usage = "toolAction complete|abort|delete",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = toolActionCmd},
    };
    for (const CommandSpec& row : rows) registry.add(row);
    if (&registry == &lang::commandRegistry()) installContextBridge();
}

}  // namespace tarn::view
