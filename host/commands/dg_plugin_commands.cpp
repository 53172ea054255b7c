// Plug-in commands: loadPlugin, unloadPlugin and pluginInfo.

#include "host/dg/graph.h"
#include "host/lang/command_modules.h"
#include "host/plugins/plugin_loader.h"

namespace tarn::lang {

namespace {

using plugins::PluginImpl;
using plugins::PluginLoader;

CommandResult loadPluginCmd(const CommandArgs& args, CommandContext&) {
    std::string error, name;
    PluginLoader& loader = PluginLoader::instance();
    // Loading what is already loaded answers its name when -quiet asks for that.
    if (args.has("quiet")) {
        std::string path = loader.resolve(args[0].asString(), &error);
        if (PluginImpl* p = loader.find(path.empty() ? args[0].asString() : path)) return Value(p->name);
    }
    if (!loader.load(args[0].asString(), &error, &name)) return CommandResult::failure(error);
    return Value(std::vector<std::string>{name});
}

CommandResult unloadPluginCmd(const CommandArgs& args, CommandContext&) {
    std::string error;
    KStatus status = PluginLoader::instance().unload(args[0].asString(), args.has("force"), &error);
    if (!status && PluginLoader::instance().find(args[0].asString())) return CommandResult::failure(error);
    if (!status) {
        // Unloaded, but the plug-in reported a failure on the way out.
        if (error.find("is not loaded") != std::string::npos) return CommandResult::failure(error);
    }
    return Value(std::vector<std::string>{args[0].asString()});
}

CommandResult pluginInfoCmd(const CommandArgs& args, CommandContext&) {
    PluginLoader& loader = PluginLoader::instance();
    if (args.has("listPlugins")) return Value(loader.loadedNames());
    if (args.count() == 0) return CommandResult::failure("pluginInfo: name a plug-in");
    const std::string name = args[0].asString();
    PluginImpl* p = loader.find(name);
    if (args.has("loaded")) return Value(p != nullptr);
    if (!p) return CommandResult::failure("Plug-in '" + name + "' is not loaded");
    if (args.has("vendor")) return Value(p->vendor);
    if (args.has("version")) return Value(p->version);
    if (args.has("apiVersion")) return Value(p->apiVersion);
    if (args.has("path")) return Value(p->path);
    if (args.has("dependNode")) {
        std::vector<std::string> types;
        for (KTypeId id : p->nodeTypes)
            if (NodeType* t = Graph::instance().findType(id)) types.push_back(t->name);
        return Value(types);
    }
    if (args.has("command")) return Value(p->commands);
    if (args.has("contextCommand")) return Value(p->contextCommands);
    if (args.has("translator")) return Value(p->translators);
    return Value(p->name);
}

}  // namespace

void installPluginsCommands(CommandRegistry& registry) {
    std::string error;
    registry.add({.name = "loadPlugin", .usage = "loadPlugin [-quiet] nameOrPath", .minArgs = 1,
                  .maxArgs = 1, .argTypes = {ArgType::String},
                  .flags = {{.longName = "quiet", .shortName = "qt"}}, .body = loadPluginCmd},
                 &error);
    registry.add({.name = "unloadPlugin", .usage = "unloadPlugin [-force] name", .minArgs = 1,
                  .maxArgs = 1, .argTypes = {ArgType::String},
                  .flags = {{.longName = "force", .shortName = "f"}}, .body = unloadPluginCmd},
                 &error);
    auto query = [](const char* l, const char* s) {
        return FlagSpec{.longName = l, .shortName = s, .query = true, .create = true};
    };
    registry.add({.name = "pluginInfo",
                  .usage = "pluginInfo -q [-loaded|-listPlugins|-vendor|-version|-apiVersion|-path|"
                           "-dependNode|-command|-contextCommand|-translator] [name]",
                  .minArgs = 0, .maxArgs = 1, .argTypes = {ArgType::String},
                  .flags = {query("loaded", "l"), query("listPlugins", "ls"), query("vendor", "v"),
                            query("version", "vd"), query("apiVersion", "av"), query("path", "p"),
                            query("dependNode", "dn"), query("command", "c"),
                            query("contextCommand", "cc"), query("translator", "t")},
                  .queryMode = true, .body = pluginInfoCmd},
                 &error);
}

}  // namespace tarn::lang
