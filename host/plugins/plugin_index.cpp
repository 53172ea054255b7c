#include "host/plugins/plugin_index.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <set>

#include "host/dg/graph.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/host_output.h"

namespace tarn::plugins {
namespace {

std::optional<std::vector<PluginContents>> g_index;

// What a loaded plug-in has registered, read from the registries.
void readRegistrations(const PluginImpl& plugin, PluginContents& contents) {
    for (KTypeId id : plugin.nodeTypes)
        if (const NodeType* type = Graph::instance().findType(id))
            contents.nodeTypes.push_back(type->name);
    contents.commands = plugin.commands;
    contents.contexts = plugin.contextCommands;
    for (const TranslatorEntry& t : Registry::instance().translators())
        if (t.owner == &plugin) contents.translators.push_back(t.name);
}

PluginContents survey(const std::string& path) {
    PluginContents contents;
    contents.path = path;
    contents.name = std::filesystem::path(path).stem().string();
    PluginLoader& loader = PluginLoader::instance();
    if (const PluginImpl* loaded = loader.find(contents.name)) {
        readRegistrations(*loaded, contents);
        return contents;
    }
    // The plug-in's own messages (and the loader's) are not the user's business here.
    output::Capture quiet;
    std::string name;
    if (loader.load(path, &contents.error, &name).error()) return contents;
    if (const PluginImpl* plugin = loader.find(name)) readRegistrations(*plugin, contents);
    std::string ignored;
    loader.unload(name, true, &ignored, false);
    return contents;
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

const std::vector<PluginContents>& pluginIndex() {
    if (g_index) return *g_index;
    namespace fs = std::filesystem;
    std::vector<PluginContents> index;
    std::set<std::string> seen;
    for (const std::string& folder : PluginLoader::instance().searchPath()) {
        std::error_code ec;
        std::vector<std::string> here;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            if (entry.path().extension() != ".so" || !entry.is_regular_file(ec)) continue;
            if (seen.insert(entry.path().stem().string()).second)
                here.push_back(entry.path().string());
        }
        std::sort(here.begin(), here.end());
        for (const std::string& path : here) index.push_back(survey(path));
    }
    g_index = std::move(index);
    return *g_index;
}

void forgetPluginIndex() {
    g_index.reset();
}

std::string pluginForNodeType(std::string_view typeName) {
    for (const PluginContents& p : pluginIndex())
        for (const std::string& t : p.nodeTypes)
            if (t == typeName) return p.name;
    return {};
}

std::string pluginForCommand(std::string_view name) {
    for (const PluginContents& p : pluginIndex())
        if (std::find(p.commands.begin(), p.commands.end(), name) != p.commands.end())
            return p.name;
    return {};
}

std::string pluginForContext(std::string_view name) {
    for (const PluginContents& p : pluginIndex())
        if (std::find(p.contexts.begin(), p.contexts.end(), name) != p.contexts.end())
            return p.name;
    return {};
}

std::string pluginForTranslator(std::string_view name) {
    for (const PluginContents& p : pluginIndex())
        for (const std::string& t : p.translators)
            if (sameText(t, name)) return p.name;
    return {};
}

}  // namespace tarn::plugins
