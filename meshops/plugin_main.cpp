// meshKit's entry points. The engine classes are registered when the library is loaded (static
// construction, inside the host's load, so they belong to this plug-in); initializePlugin
// registers the same node types and commands through the engine's plug-in object, and
// uninitializePlugin takes everything back. The entry points are exported under their
// C++-decorated names, which the host's loader looks for too.

#include "engine/registry/plugin_tarn.h"
#include "frame/plugin_entry.h"
#include "meshops/mesh_kit_node.h"

namespace {

// Set once the commands were unloaded; reset when the library is loaded again, so a reload
// unloads them again.
bool g_commandsUnloaded = false;

// Commands in the order initializePlugin registers them.
constexpr const char* kCommandOrder[] = {"polyDigits", "polyDual", "polyTriPatch",
                                         "polySubdivideFaceAny"};

struct LoadTimeRegistration {
    LoadTimeRegistration() {
        g_commandsUnloaded = false;
        // Failures are reported by the engine, naming the command or type and the reason.
        for (const MeshKitOperation& op : meshKitOperations()) {
            pythonRegisterTarnCommand(op.command);
            if (std::string_view(op.apiType) == "kPolyCreator")
                op.nodeClass->addApiType(op.apiType, {KFn::kPluginNode, KFn::kDependencyNode,
                                                      KFn::kNamedObject, KFn::kBase});
            else
                op.nodeClass->addApiType(op.apiType, {KFn::kPolyModifier, KFn::kPluginNode,
                                                      KFn::kDependencyNode, KFn::kNamedObject});
            TdependGraph::registerNodeType(op.nodeClass);
        }
    }
    ~LoadTimeRegistration() {
        const auto ops = meshKitOperations();
        for (auto it = ops.rbegin(); it != ops.rend(); ++it)
            if (it->nodeClass->registered()) TdependGraph::deregisterNodeType(it->nodeClass);
    }
} g_loadTime;

}  // namespace

TARN_DEFINE_API_VERSION

/// Registers the four node types, then the four commands. Every failure is reported as a host
/// error; the load then fails with the first failing status rather than leaving meshKit half
/// registered.
TARN_PLUGIN_EXPORT KStatus initializePlugin(KObject obj) {
    TpluginTarn plugin(obj, "Varnholt", "Version 8.0, unsupported - cut 201004180529", "Any");
    KStatus result;
    for (const MeshKitOperation& op : meshKitOperations()) {
        KStatus s = plugin.registerNode(op.typeName, op.tag, op.creator, op.nodeClass,
                                        KPxNode::kDependNode, nullptr);
        if (!s && result) result = s;
    }
    for (const char* name : kCommandOrder) {
        KStatus s = plugin.registerCommand(name);
        if (!s && result) result = s;
    }
    return result;
}

/// Takes back everything the plug-in registered; the commands the first time only.
TARN_PLUGIN_EXPORT KStatus uninitializePlugin(KObject obj) {
    TpluginTarn plugin(obj, "Unknown", "Unknown", "Any");
    plugin.deregisterAll();
    if (!g_commandsUnloaded) {
        g_commandsUnloaded = true;
        for (const char* name : kCommandOrder) TmetaCommand::unloadCommand(name);
    }
    return KStatus();
}
