// Prints the libFuzzer dictionary of the command-language target: the language's keywords and
// punctuation, then every command with its flags, every node type with its attributes (host
// types and those of every plug-in found in the plug-in folder), and the plug-in names.
//
//   lang_dict [PLUGIN_FOLDER] > fuzz/lang.dict
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "host/dg/graph.h"
#include "host/lang/command_registry.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag_nodes.h"
#include "host/sdk/host_output.h"

namespace {

// One entry per distinct word, in first-seen order within each section.
class Dictionary {
public:
    void section(const char* title) { std::printf("\n# %s\n", title); }
    void word(const std::string& w) {
        if (w.empty() || !m_seen.insert(w).second) return;
        std::string quoted;
        for (char c : w) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        std::printf("\"%s\"\n", quoted.c_str());
    }

private:
    std::set<std::string> m_seen;
};

constexpr const char* kLanguage[] = {
    "if",     "else", "while",  "do",  "for",   "in",     "break",  "continue",
    "return", "proc", "global", "int", "float", "string", "vector", "$",
    "[]",     "{",    "}",      "(",   ")",     ";",      "`",      "\"",
    "==",     "!=",   "<=",     ">=",  "&&",    "||",     "!",      "++",
    "--",     "+=",   "-=",     "*=",  "/=",    "?",      ":",      "<<",
    ">>",     "1e39", "0x",     "\\n", "-q",    "-e",     "true",   "false",
    "on",     "off",  ".e[",    ".f[", ".vtx[", ".map[",  "[*]",    "sample.qmf",
};

}  // namespace

int main(int argc, char** argv) {
    using namespace tarn;
    Dictionary dict;
    std::printf("# Command-language dictionary for the lang fuzz target; made by lang_dict.\n");
    dict.section("language");
    for (const char* w : kLanguage) dict.word(w);

    // Plug-ins first, so that their commands and node types are listed too.
    std::string folder = argc > 1 ? argv[1] : "";
    std::vector<std::string> pluginNames;
    {
        output::Capture quiet;
        scene::ensureSceneTypes();
        for (const std::string& dir : folder.empty()
                                          ? plugins::PluginLoader::instance().searchPath()
                                          : std::vector<std::string>{folder}) {
            std::error_code ec;
            for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
                if (entry.path().extension() != ".so") continue;
                std::string error;
                std::string name;
                if (plugins::PluginLoader::instance().load(entry.path().string(), &error, &name))
                    pluginNames.push_back(name);
            }
            if (!pluginNames.empty()) break;
        }
    }
    dict.section("plug-ins");
    for (const std::string& n : pluginNames) dict.word(n);

    dict.section("commands and flags");
    lang::CommandRegistry& registry = lang::commandRegistry();
    for (const std::string& name : registry.names()) {
        dict.word(name);
        if (const lang::CommandSpec* command = registry.find(name)) {
            for (const lang::FlagSpec& f : command->flags) {
                dict.word("-" + f.longName);
                dict.word("-" + f.shortName);
            }
        }
    }

    dict.section("node types and attributes");
    for (NodeType* type : Graph::instance().types()) {
        dict.word(type->name);
        for (const auto& a : type->attributes()) {
            dict.word("." + a->longName);
            dict.word("." + a->shortName);
        }
    }
    plugins::PluginLoader::instance().unloadAll();
    Graph::instance().clear();
    return 0;
}
