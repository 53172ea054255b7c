#include "frame/plugin_entry.h"

#include "frame/k_global.h"

namespace kframe {

KString refreshCommand(const char* classification, int blanks) {
    // Built in two pieces, as the host's create-render-node window expects it.
    KString command("if( `window -exists createRenderNodeWindow` )");
    command += blanks >= 2 ? "  " : " ";
    command += "{refreshCreateRenderNodeWindow(\"";
    command += escapeCommandString(KString(classification));
    command += "\");}\n";
    return command;
}

KStatus registerNodePlugin(const KObject& plugin, const NodePluginRow& row) {
    const KString classification(row.classification ? row.classification : "");
    KFnPlugin fn(plugin, row.vendor, row.version, "Any");
    KStatus status =
        fn.registerNode(row.typeName, row.typeId, row.creator, row.initializer,
                        KPxNode::kDependNode, row.classification ? &classification : nullptr);
    // The refresh runs whatever registration gave; its own status does not matter.
    KGlobal::executeCommand(refreshCommand(row.classification, row.refreshBlanks), false, false);
    return status;
}

KStatus deregisterNodePlugin(const KObject& plugin, const NodePluginRow& row) {
    KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
    fn.deregisterNode(row.typeId);
    KGlobal::executeCommand(refreshCommand(row.classification, row.refreshBlanks), false, false);
    return KStatus::kSuccess;
}

KStatus registerTranslatorPlugin(const KObject& plugin, const TranslatorPluginRow& row) {
    KFnPlugin fn(plugin, row.vendor, row.version, "Any");
    return fn.registerFileTranslator(row.name, row.pixmapName, row.creator, row.optionsScriptName,
                                     row.defaultOptionsString, row.requiresFullCommandLanguage);
}

KStatus deregisterTranslatorPlugin(const KObject& plugin, const TranslatorPluginRow& row) {
    KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
    fn.deregisterFileTranslator(row.name);
    return KStatus::kSuccess;
}

KStatus registerContextPlugin(const KObject& plugin, const ContextPluginRow& row) {
    KFnPlugin fn(plugin, row.vendor, row.version, "Any");
    KStatus status = fn.registerContextCommand(row.name, row.creator);
    if (!status) {
        status.perror("registerContextCommand");
        return status;
    }
    if (row.properties && row.propertyCount > 0) {
        status = fn.registerToolProperties(row.name, row.properties, row.propertyCount);
        if (!status) {
            status.perror("registerToolProperties");
            fn.deregisterContextCommand(row.name);
        }
    }
    return status;
}

KStatus deregisterContextPlugin(const KObject& plugin, const ContextPluginRow& row) {
    KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
    return fn.deregisterContextCommand(row.name);
}

KStatus registerCommandPlugin(const KObject& plugin, const CommandPluginRow& row) {
    KFnPlugin fn(plugin, row.vendor, row.version, "Any");
    KStatus status = fn.registerCommand(row.name, row.creator, row.syntax);
    if (!status) status.perror("registerCommand");
    return status;
}

KStatus deregisterCommandPlugin(const KObject& plugin, const CommandPluginRow& row) {
    KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
    KStatus status = fn.deregisterCommand(row.name);
    if (!status) status.perror("deregisterCommand");
    return status;
}

KStatus registerNodeCommandPlugin(const KObject& plugin, const NodeCommandPluginRow& row) {
    KFnPlugin fn(plugin, row.vendor, row.version, "Any");
    KStatus status = fn.registerNode(row.typeName, row.typeId, row.creator, row.initializer,
                                     KPxNode::kDependNode, nullptr);
    if (!status) {
        status.perror("registerNode");
        return status;
    }
    status = fn.registerCommand(row.commandName, row.commandCreator, row.commandSyntax);
    if (!status) status.perror("registerCommand");
    return status;
}

KStatus deregisterNodeCommandPlugin(const KObject& plugin, const NodeCommandPluginRow& row) {
    KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
    KStatus status = fn.deregisterNode(row.typeId);
    if (!status) {
        status.perror("deregisterNode");
        return status;
    }
    status = fn.deregisterCommand(row.commandName);
    if (!status) status.perror("deregisterCommand");
    return status;
}

}  // namespace kframe
