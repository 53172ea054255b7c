#pragma once
/// The engine's plug-in object: a KFnPlugin over the handle given to initializePlugin or
/// uninitializePlugin that registers engine node classes and commands and, on unload, takes
/// back everything the plug-in registered. A failed registration is reported as a host error
/// naming the type or command and the reason, whatever the caller does with the status.
/// Main thread only.

#include <cstdint>

#include "engine/registry/command.h"
#include "engine/registry/node_class.h"
#include "frame/k_plugin.h"

class TpluginTarn : public KFnPlugin {
public:
    TpluginTarn(const KObject& plugin, const char* vendor, const char* version,
                const char* requiredApiVersion, KStatus* status = nullptr);

    /// Registers the node type `name` with type tag `tag`. With `nodeClass` the type is the
    /// class's (registered at library load already, or now), its nodes made by `creator` and
    /// reporting the class's kind; without one it is a plain type made by `creator`.
    KStatus registerNode(const KString& name, std::uint32_t tag, KCreatorFunction creator,
                         TdependNodeMetaClass* nodeClass, KPxNode::Type type = KPxNode::kDependNode,
                         const KString* classification = nullptr);
    /// Registers the engine command bound under `name` (pythonRegisterTarnCommand) with the
    /// host, unless the plug-in has registered it already.
    KStatus registerCommand(const KString& name);
    /// Deregisters every node type and command the plug-in has registered. Deregistering
    /// twice is harmless. kFailure when a type still has nodes (reported).
    KStatus deregisterAll();
};
