// Every built plug-in loaded, used and unloaded many times in one process: nothing may stay
// behind (node objects, node types, registrations), and a session ended with plug-ins still
// loaded and their nodes in the scene frees everything in an order that never calls unloaded
// code. Leaks of other memory are LeakSanitizer's to find in the asan run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/dg/live_nodes.h"
#include "host/fileio/file_import.h"
#include "host/lang/execute.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/sdk/host_output.h"
#include "host/undo/undo.h"

namespace tarn::plugins {
namespace {

std::vector<std::string> builtPlugins() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(TARN_PLUGIN_DIR))
        if (entry.path().extension() == ".so") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<NodeType*> typesOf(const PluginImpl& plugin) {
    std::vector<NodeType*> types;
    for (KTypeId id : plugin.nodeTypes)
        if (NodeType* t = Graph::instance().findType(id)) types.push_back(t);
    return types;
}

// Reads every plain output of a node, which runs the plug-in's compute.
void readOutputs(const std::string& node, const NodeType& type) {
    for (const auto& attribute : type.attributes()) {
        if (attribute->writable || attribute->array || attribute->arrayRoot) continue;
        std::string error;
        const KPlug plug = Graph::instance().parsePlug(node + "." + attribute->longName, &error);
        if (plug.isNull()) continue;
        KStatus status;
        Graph::instance().readHandle(plug, &status);
    }
}

// Loads a plug-in and uses everything it registered: each node type is created, computed,
// deleted and brought back by undo (so an undo record holds it), and a translator imports the
// sample scene. Answers the plug-in's name.
std::string loadAndUse(const std::string& path) {
    auto& loader = PluginLoader::instance();
    std::string error, name;
    EXPECT_FALSE(loader.load(path, &error, &name).error()) << error;
    const PluginImpl* plugin = loader.find(name);
    if (!plugin) return name;
    lang::ExecuteOptions undoable;
    undoable.undo = true;
    for (NodeType* type : typesOf(*plugin)) {
        const std::string node = "probe_" + type->name;
        EXPECT_TRUE(lang::executeText("createNode " + type->name + " -n " + node, undoable).ok);
        readOutputs(node, *type);
        EXPECT_TRUE(lang::executeText("delete " + node, undoable).ok);
        EXPECT_TRUE(undo::undoQueue().undo());
    }
    if (!plugin->translators.empty()) {
        const auto out =
            fileio::importFile(std::string(TARN_SOURCE_DIR) + "/examples/qmf/sample.qmf", "");
        EXPECT_FALSE(out.status.error()) << out.error;
    }
    return name;
}

TEST(PluginLifecycle, LoadUseUnloadEveryPluginAHundredTimes) {
    output::Capture quiet;
    scene::ensureSceneTypes();
    const std::vector<std::string> paths = builtPlugins();
    ASSERT_FALSE(paths.empty()) << "no plug-ins in " << TARN_PLUGIN_DIR;
    const std::size_t types = Graph::instance().types().size();
    const long objects = liveUserNodeCount();
    const std::size_t translators = Registry::instance().translators().size();
    const std::size_t commands = Registry::instance().commands().size();

    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::string> names;
        for (const std::string& path : paths) names.push_back(loadAndUse(path));
        // Unload in load order, forced: nodes (and undo records holding nodes) go first.
        for (const std::string& name : names) {
            std::string error;
            EXPECT_FALSE(PluginLoader::instance().unload(name, true, &error).error()) << error;
        }
        // What imports made (host nodes) goes with the scene, as a new scene would.
        Graph::instance().clear();
        scene::resetSelectionState();
        scene::ensureSceneTypes();

        ASSERT_TRUE(PluginLoader::instance().loadedNames().empty());
        ASSERT_EQ(Graph::instance().types().size(), types);
        ASSERT_EQ(liveUserNodeCount(), objects);
        ASSERT_EQ(Registry::instance().translators().size(), translators);
        ASSERT_EQ(Registry::instance().commands().size(), commands);
    }
}

// Runs last at exit (registered before the graph exists): every node object must be gone.
void reportLiveNodesAtExit() {
    std::fprintf(stderr, "live node objects at exit: %ld\n", liveUserNodeCount());
}

TEST(PluginLifecycleDeathTest, ShutdownWithPluginsLoadedFreesTheScene) {
    // A fresh process: the report must be registered before the graph is made.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit(&reportLiveNodesAtExit);
            output::Capture quiet;
            scene::ensureSceneTypes();
            lang::executeText("polyCube; polySphere; delete pSphere1");
            for (const std::string& path : builtPlugins()) loadAndUse(path);
            PluginLoader::shutdown();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "live node objects at exit: 0\n");
}

}  // namespace
}  // namespace tarn::plugins
