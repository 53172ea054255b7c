#include "fuzz/host_session.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "host/dg/graph.h"
#include "host/lang/command_registry.h"
#include "host/lang/idle_queue.h"
#include "host/lang/journal.h"
#include "host/lang/option_vars.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/undo/undo.h"

namespace tarn::fuzz {

const std::string& enterScratchFolder() {
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarn-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) {
            std::perror("tarn fuzz: no scratch folder");
            std::exit(2);
        }
        // Option variables are saved on every change: keep them in the scratch folder.
        setenv("TARN_PREFS", (pattern + "/prefs").c_str(), 1);
        std::error_code ec;
        std::filesystem::copy_file(std::string(TARN_SOURCE_DIR) + "/examples/qmf/sample.qmf",
                                   pattern + "/sample.qmf", ec);
        return pattern;
    }();
    return folder;
}

namespace {

bool namesAPath(const lang::Value& value) {
    for (const std::string& word : value.asStringArray())
        if (word.find('/') != std::string::npos) return true;
    return false;
}

bool anyWordNamesAPath(const lang::CommandArgs& args) {
    for (const lang::Value& v : args.positional())
        if (namesAPath(v)) return true;
    for (const auto& use : args.flags())
        for (const lang::Value& v : use.values)
            if (namesAPath(v)) return true;
    return false;
}

}  // namespace

void installPathSandbox() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    lang::CommandRegistry& registry = lang::commandRegistry();
    for (const char* name :
         {"file", "source", "exportObj", "viewSnapshot", "loadPlugin", "unloadPlugin"}) {
        const lang::CommandSpec* found = registry.find(name);
        if (!found) continue;
        lang::CommandSpec guarded = *found;
        lang::CommandBody body = guarded.body;
        guarded.body = [body](const lang::CommandArgs& args, lang::CommandContext& ctx) {
            if (anyWordNamesAPath(args))
                return lang::CommandResult::failure(args.commandName() +
                                                    ": paths are refused while fuzzing.");
            return body(args, ctx);
        };
        registry.remove(name);
        registry.add(std::move(guarded));
    }
    // Python code can do anything a process can: never run it from fuzzed text.
    if (const lang::CommandSpec* found = registry.find("python")) {
        lang::CommandSpec refused = *found;
        refused.body = [](const lang::CommandArgs&, lang::CommandContext&) {
            return lang::CommandResult::failure("python: refused while fuzzing.");
        };
        registry.remove("python");
        registry.add(std::move(refused));
    }
}

void resetScene() {
    undo::undoQueue().clear();
    lang::idleQueue().clear();
    Graph::instance().clear();
    scene::resetSelectionState();
    scene::ensureSceneTypes();
    lang::journal().clear();
}

void unloadPluginsAndReset() {
    plugins::PluginLoader::instance().unloadAll();
    resetScene();
    std::remove(lang::defaultPrefsPath().c_str());
    lang::optionVars().reload();
}

}  // namespace tarn::fuzz
