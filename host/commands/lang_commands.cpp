#include "host/commands/lang_commands.h"
#include "host/commands/node_type_help.h"

#include "host/lang/arg_binding.h"
#include "host/lang/command_modules.h"
#include "host/lang/idle_queue.h"
#include "host/lang/interpreter.h"
#include "host/lang/journal_replay.h"
#include "host/lang/python_host.h"
#include "host/lang/script_output.h"
#include "host/plugins/plugin_index.h"
#include "host/plugins/plugin_registry.h"
#include "host/undo/undo.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

namespace tarn::lang {

void installLangCommands(CommandRegistry& registry) {
    commands::addCoreCommands(registry);
    commands::addOptionVarCommand(registry);
    commands::addUiCommands(registry);
    addPythonCommand(registry);
    // Only the host's own registry mirrors plug-in commands.
    if (&registry == &commandRegistry()) commands::installPluginCommandBridge();
}

}  // namespace tarn::lang

namespace tarn::commands {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::CommandSpec;
using lang::kUnlimited;
using lang::Value;

namespace {

CommandResult printCmd(const CommandArgs& args, CommandContext&) {
    const Value& v = args[0];
    if (v.isArray()) {
        // Arrays print one element per line.
        std::string text;
        for (const auto& s : v.asStringArray()) text += s + "\n";
        lang::scriptOutput(lang::OutputKind::Print, text);
    } else {
        lang::scriptOutput(lang::OutputKind::Print, v.asString());
    }
    return {};
}

CommandResult evalCmd(const CommandArgs& args, CommandContext& ctx) {
    std::string text;
    for (std::size_t i = 0; i < args.count(); ++i) {
        if (i) text += ' ';
        text += args[i].asString();
    }
    return ctx.run(text);
}

CommandResult sourceCmd(const CommandArgs& args, CommandContext& ctx) {
    // A relative name is looked for from the working folder, then beside the sourcing script.
    std::filesystem::path path(args[0].asString());
    std::string from = ctx.interpreter().currentSourceName();
    std::error_code ec;
    if (path.is_relative() && !std::filesystem::exists(path, ec) && !from.empty()) {
        std::filesystem::path beside = std::filesystem::path(from).parent_path() / path;
        if (std::filesystem::exists(beside, ec)) path = beside;
    }
    lang::RunResult r = ctx.interpreter().runFile(path.string(), lang::RunOptions{});
    if (!r.ok) return CommandResult::failure("");
    return CommandResult(std::move(r.value));
}

// Runs the texts of a journal again; answers how many ran.
CommandResult replayJournalCmd(const CommandArgs& args, CommandContext&) {
    const lang::ReplayOutcome out = lang::replayJournal(args[0].asString());
    if (!out.ok) return CommandResult::failure("replayJournal: " + out.error);
    return Value(static_cast<std::int64_t>(out.ran));
}

// The message for a chunk recorded before a change made with undo off.
constexpr const char* kStaleHistory =
    " cannot be replayed: the scene was changed while undo was off, so the earlier history no "
    "longer matches it (undoInfo -flush drops it)";

CommandResult undoCmd(const CommandArgs&, CommandContext& ctx) {
    auto& q = undo::undoQueue();
    // A chunk left open (a drag that never ended) is what the user means to take back.
    q.endUserChunks();
    if (q.undoRefused())
        return CommandResult::failure("undo: \"" + q.undoLabels().back() + "\"" + kStaleHistory);
    if (!q.undo()) ctx.warning("There are no more commands to undo.");
    return {};
}

CommandResult redoCmd(const CommandArgs&, CommandContext& ctx) {
    auto& q = undo::undoQueue();
    if (q.redoRefused())
        return CommandResult::failure(std::string("redo: the next change") + kStaleHistory);
    if (!q.redo()) ctx.warning("There are no more commands to redo.");
    return {};
}

CommandResult undoInfoCmd(const CommandArgs& args, CommandContext& ctx) {
    auto& q = undo::undoQueue();
    if (args.isQuery()) {
        if (args.has("state")) return Value(std::int64_t(q.isEnabled()));
        if (args.has("undoName")) {
            auto labels = q.undoLabels();
            return Value(labels.empty() ? std::string() : labels.back());
        }
        return Value(std::int64_t(q.undoCount()));
    }
    if (args.has("state")) q.setEnabled(args.flag("state").asBool());
    if (args.has("flush")) q.clear();
    if (args.has("openChunk"))
        q.openUserChunk(args.has("chunkName") ? args.flag("chunkName").asString() : "");
    if (args.has("closeChunk") && !q.closeUserChunk())
        ctx.warning("undoInfo: no chunk is open (undoInfo -openChunk opens one).");
    return {};
}

CommandResult evalDeferredCmd(const CommandArgs& args, CommandContext&) {
    lang::idleQueue().push(args[0].asString());
    return {};
}

CommandResult flushIdleQueueCmd(const CommandArgs&, CommandContext&) {
    return Value(std::int64_t(lang::idleQueue().flush()));
}

// Prints `names` after `heading`, wrapped into lines of at most 78 characters.
void printNameList(const std::string& heading, const std::vector<std::string>& names) {
    lang::scriptOutput(lang::OutputKind::Info, heading);
    std::string line;
    for (const auto& n : names) {
        if (!line.empty() && line.size() + n.size() + 1 > 78) {
            lang::scriptOutput(lang::OutputKind::Info, "  " + line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + n;
    }
    if (!line.empty()) lang::scriptOutput(lang::OutputKind::Info, "  " + line);
}

CommandResult helpCmd(const CommandArgs& args, CommandContext& ctx) {
    auto& reg = ctx.interpreter().registry();
    if (args.count() == 0) {
        // Interface commands of a window system are listed apart, so that a reader of the
        // list does not take them for commands that do something here.
        std::vector<std::string> working, windowless;
        for (const auto& n : reg.names())
            (reg.find(n)->windowless ? windowless : working).push_back(n);
        printNameList("Commands (help NAME shows one):", working);
        if (!windowless.empty())
            printNameList(
                "Interface commands (accepted for scripts' sake; this host has no "
                "windows, so they do nothing visible):",
                windowless);
        return {};
    }
    std::string name = args[0].asString();
    const CommandSpec* decl = reg.find(name);
    if (!decl) {
        if (ctx.interpreter().hasProc(name)) {
            lang::scriptOutput(lang::OutputKind::Info, name + " is a script procedure.");
            return {};
        }
        if (std::string text = nodeTypeHelp(name); !text.empty()) {
            if (text.back() == '\n') text.pop_back();
            lang::scriptOutput(lang::OutputKind::Info, text);
            return {};
        }
        // Not loaded yet: the plug-in on the plug-in path that registers it is named.
        const auto notLoaded = [&](const char* what, const std::string& plugin) {
            return CommandResult::failure("help: " + name + " is " + what + " of the plug-in " +
                                          plugin + "; loadPlugin " + plugin + " first, then help " +
                                          name + ".");
        };
        if (const std::string plugin = plugins::pluginForNodeType(name); !plugin.empty())
            return notLoaded("a node type", plugin);
        if (const std::string plugin = plugins::pluginForCommand(name); !plugin.empty())
            return notLoaded("a command", plugin);
        if (const std::string plugin = plugins::pluginForContext(name); !plugin.empty())
            return notLoaded("a tool context command", plugin);
        return CommandResult::failure("help: no command or node type named \"" + name + "\".");
    }
    std::string text = "Usage: " + (decl->usage.empty() ? decl->name : decl->usage);
    if (!decl->summary.empty()) text += "\n" + decl->summary;
    for (const auto& f : decl->flags) {
        text += "\n  -" + f.shortName + " / -" + f.longName;
        for (auto t : f.args) text += std::string(" <") + lang::describeArgType(t) + ">";
        if (f.multiUse) text += " (multi-use)";
        if (f.query) text += " (query)";
        if (f.edit) text += " (edit)";
    }
    if (decl->windowless) {
        text +=
            "\nAn interface command, accepted for scripts' sake: this host has no windows, so "
            "it does nothing visible.";
        static const char* const kToolWindow[] = {
            "window",   "intSliderGrp",   "intSlider", "floatSliderGrp",    "floatSlider",
            "checkBox", "radioButtonGrp", "deleteUI",  "toolPropertyWindow"};
        if (std::find(std::begin(kToolWindow), std::end(kToolWindow), name) !=
            std::end(kToolWindow))
            text +=
                " While the window's tool-settings panel is open, it works on the tool-property "
                "window (toolProperties) and its controls.";
    }
    if (decl->undoable) text += "\nUndoable.";
    if (decl->owner != "host") text += "\nRegistered by " + decl->owner + ".";
    // A tool context command lists what its tools' property sheet sets.
    if (const auto* tool = plugins::Registry::instance().findContextCommand(name))
        if (std::string sheet = toolPropertiesHelp(tool->properties); !sheet.empty())
            text += "\n" + sheet;
    lang::scriptOutput(lang::OutputKind::Info, text);
    return {};
}

CommandResult existsCmd(const CommandArgs& args, CommandContext& ctx) {
    std::string name = args[0].asString();
    bool found = ctx.interpreter().registry().find(name) || ctx.interpreter().hasProc(name);
    return Value(std::int64_t(found));
}

CommandResult whatIsCmd(const CommandArgs& args, CommandContext& ctx) {
    std::string name = args[0].asString();
    if (name.size() > 1 && name[0] == '$') {
        // A variable of the session (or a global): its type, as a declaration names it.
        const Value* v = ctx.interpreter().variable(name.substr(1));
        if (!v) return Value("Unknown");
        return Value(std::string(lang::kindName(v->kind())) + " variable");
    }
    if (ctx.interpreter().hasProc(name)) return Value("Script");
    if (const CommandSpec* decl = ctx.interpreter().registry().find(name))
        return Value(decl->owner == "host" ? "Command" : "Command (" + decl->owner + ")");
    return Value("Unknown");
}

CommandResult sizeCmd(const CommandArgs& args, CommandContext&) {
    const Value& v = args[0];
    if (v.isArray()) return Value(std::int64_t(v.size()));
    return Value(std::int64_t(v.asString().size()));
}

}  // namespace

void addCoreCommands(lang::CommandRegistry& registry) {
    // Language commands: none of them records undo items, and undo/redo must not.
    const CommandSpec specs[] = {
        {.name = "print", .usage = "print value", .minArgs = 1, .maxArgs = 1, .body = printCmd},
        {.name = "eval",
         .usage = "eval text...",
         .minArgs = 1,
         .maxArgs = kUnlimited,
         .argTypes = {ArgType::String},
         .body = evalCmd},
        {.name = "source",
         .usage = "source file",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = sourceCmd},
        {.name = "replayJournal",
         .usage = "replayJournal journal",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = replayJournalCmd},
        {.name = "undo", .usage = "undo", .body = undoCmd},
        {.name = "redo", .usage = "redo", .body = redoCmd},
        {.name = "undoInfo",
         .usage = "undoInfo [-q] [-state bool] [-flush] [-undoName] [-openChunk [-chunkName "
                  "name]] [-closeChunk]",
         .flags = {{.longName = "state", .shortName = "st", .args = {ArgType::Bool}, .query = true},
                   {.longName = "flush", .shortName = "fl"},
                   {.longName = "openChunk", .shortName = "ock"},
                   {.longName = "closeChunk", .shortName = "cck"},
                   {.longName = "chunkName", .shortName = "cn", .args = {ArgType::String}},
                   {.longName = "undoName", .shortName = "un", .query = true, .create = false}},
         .queryMode = true,
         .body = undoInfoCmd},
        {.name = "flushIdleQueue", .usage = "flushIdleQueue", .body = flushIdleQueueCmd},
        {.name = "evalDeferred",
         .usage = "evalDeferred text",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = evalDeferredCmd},
        {.name = "help",
         .usage = "help [command | nodeType]",
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = helpCmd},
        {.name = "exists",
         .usage = "exists name",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = existsCmd},
        {.name = "whatIs",
         .usage = "whatIs name",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = whatIsCmd},
        {.name = "size", .usage = "size value", .minArgs = 1, .maxArgs = 1, .body = sizeCmd},
    };
    for (const auto& decl : specs) registry.add(decl);
}

}  // namespace tarn::commands
