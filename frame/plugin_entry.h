#pragma once
/// The three exports of a plug-in library and the four registration sequences, as data.
///
/// A plug-in's plugin_main.cpp:
///
///     #include "frame/plugin_entry.h"
///     TARN_DEFINE_API_VERSION
///     static const kframe::NodePluginRow kRow{"Quill", "Tarn4.0", "denim", 0x105349,
///         denimNode::creator, denimNode::initialize, "texture/2d", 1};
///     TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject p) { return kframe::registerNodePlugin(p,
///     kRow); } TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject p) { return
///     kframe::deregisterNodePlugin(p, kRow); }
///
/// The host guards every call into the plug-in's code (entry points, creators, initialisers):
/// an escaping exception becomes a failure status, so the helpers need no guards of their own.

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_plugin.h"
#include "frame/k_status.h"
#include "frame/k_string.h"
#include "frame/k_tool_property.h"

/// Makes a symbol visible from the plug-in library (everything else is hidden).
#define TARN_PLUGIN_EXPORT __attribute__((visibility("default")))
/// Declares an entry point under its plain (undecorated) name.
#define TARN_PLUGIN_ENTRY extern "C" TARN_PLUGIN_EXPORT
/// The API version text every plug-in exports and the host checks before calling anything.
#define TARN_API_VERSION_TEXT "201100"
/// Defines the exported `KApiVersion` data symbol.
#define TARN_DEFINE_API_VERSION \
    extern "C" TARN_PLUGIN_EXPORT const char KApiVersion[] = TARN_API_VERSION_TEXT;

namespace kframe {

/// Sequence 1: one node type with a classification, plus the create-render-node refresh.
struct NodePluginRow {
    const char* vendor;
    const char* version;
    const char* typeName;
    KTypeId typeId;
    KCreatorFunction creator;
    KInitializeFunction initializer;
    const char* classification;
    /// Blanks between ")" and "{" in the refresh command: 1 or 2.
    int refreshBlanks;
};

/// The refresh command for `classification`: `if( \`window -exists createRenderNodeWindow\` )`,
/// `blanks` blanks, `{refreshCreateRenderNodeWindow("<classification>");}` and a line feed.
KString refreshCommand(const char* classification, int blanks);

/// Registers the node (required API "Any"), runs the refresh command (status ignored) and
/// returns registerNode's status: a failed registration is reported, not hidden.
KStatus registerNodePlugin(const KObject& plugin, const NodePluginRow& row);
/// Deregisters the node and runs the refresh command again; always answers success.
KStatus deregisterNodePlugin(const KObject& plugin, const NodePluginRow& row);

/// Sequence 2: one file translator.
struct TranslatorPluginRow {
    const char* vendor;
    const char* version;
    const char* name;
    const char* pixmapName;
    KCreatorFunction creator;
    const char* optionsScriptName;
    const char* defaultOptionsString;
    bool requiresFullCommandLanguage;
};
/// Registers the translator and returns the status of that call, silently.
KStatus registerTranslatorPlugin(const KObject& plugin, const TranslatorPluginRow& row);
/// Deregisters it; always answers success.
KStatus deregisterTranslatorPlugin(const KObject& plugin, const TranslatorPluginRow& row);

/// Sequence 3: one context command.
struct ContextPluginRow {
    const char* vendor;
    const char* version;
    const char* name;
    KCreatorFunction creator;
    /// The property sheet of the command's tools (null and 0: none).
    const KToolProperty* properties = nullptr;
    unsigned propertyCount = 0;
};
/// On failure prints "registerContextCommand: <description>"; returns the status. With a
/// property sheet, registers it next; if that fails, prints "registerToolProperties:
/// <description>", takes the command back and returns that status.
KStatus registerContextPlugin(const KObject& plugin, const ContextPluginRow& row);
/// Returns deregisterContextCommand's status without a message.
KStatus deregisterContextPlugin(const KObject& plugin, const ContextPluginRow& row);

/// Sequence 4a: one command.
struct CommandPluginRow {
    const char* vendor;
    const char* version;
    const char* name;
    KCreatorFunction creator;
    KCreateSyntaxFunction syntax;
};
/// On failure prints "registerCommand: <description>"; returns the status.
KStatus registerCommandPlugin(const KObject& plugin, const CommandPluginRow& row);
/// On failure prints "deregisterCommand: <description>"; returns the status.
KStatus deregisterCommandPlugin(const KObject& plugin, const CommandPluginRow& row);

/// Sequence 4b: a node (no classification) and a command.
struct NodeCommandPluginRow {
    const char* vendor;
    const char* version;
    const char* typeName;
    KTypeId typeId;
    KCreatorFunction creator;
    KInitializeFunction initializer;
    const char* commandName;
    KCreatorFunction commandCreator;
    KCreateSyntaxFunction commandSyntax;
};
/// Registers the node (on failure prints "registerNode", returns at once), then the command (on
/// failure prints "registerCommand"); returns the last status.
KStatus registerNodeCommandPlugin(const KObject& plugin, const NodeCommandPluginRow& row);
/// Deregisters the node (on failure prints "deregisterNode", returns at once), then the command
/// (on failure prints "deregisterCommand"); returns the last status.
KStatus deregisterNodeCommandPlugin(const KObject& plugin, const NodeCommandPluginRow& row);

}  // namespace kframe
