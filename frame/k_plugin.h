#pragma once
/// Registration with the host. `initializePlugin(KObject plugin)` builds a KFnPlugin on the
/// plug-in object and registers what the library offers; `uninitializePlugin` deregisters it.
/// Everything registered is owned by the host until deregistered or the plug-in is unloaded.
/// Main thread only.

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

class KSyntax;
struct KToolProperty;
/// Builds a command's syntax (flags and arguments); may be null.
using KCreateSyntaxFunction = KSyntax (*)();

class KFnPlugin {
public:
    KFnPlugin() = default;
    /// Attaches to the plug-in object handed to initializePlugin/uninitializePlugin and records
    /// vendor and version on it (unless they are the "Unknown" of an unload).
    KFnPlugin(const KObject& plugin, const char* vendor = "Unknown",
              const char* version = "Unknown", const char* requiredApiVersion = "Any",
              KStatus* status = nullptr);
    virtual ~KFnPlugin();

    KString vendor(KStatus* status = nullptr) const;
    KString version(KStatus* status = nullptr) const;
    KString apiVersion(KStatus* status = nullptr) const;
    /// The plug-in's name (the library's file name without ".so").
    KString name(KStatus* status = nullptr) const;
    KString loadPath(KStatus* status = nullptr) const;
    KObject object() const { return m_plugin; }

    /// The plug-in whose code the host is running: the library being opened (its static
    /// constructors), the entry point being called, or the library being closed (its static
    /// destructors). A null object when no plug-in's code is running. Code that registers at
    /// library load builds a KFnPlugin on it, so that what it registers belongs to its library
    /// and is taken back when the library is unloaded or fails to load.
    static KObject currentPlugin();

    /// Registers a node type: runs `initialize`, which adds the attributes. Its nodes report
    /// `apiType` (a kind of kDependencyNode, e.g. one added with KObjBase::add). Fails with
    /// nothing left behind on a duplicate name or id, a null creator, a failing initialiser or
    /// an `apiType` that is not a node kind.
    KStatus registerNode(const KString& typeName, const KTypeId& typeId, KCreatorFunction creator,
                         KInitializeFunction initialize, KPxNode::Type type = KPxNode::kDependNode,
                         const KString* classification = nullptr,
                         KFn::Type apiType = KFn::kPluginNode);
    /// Removes a node type of this plug-in; kFailure while nodes of the type exist.
    KStatus deregisterNode(const KTypeId& typeId);

    KStatus registerCommand(const KString& commandName, KCreatorFunction creator,
                            KCreateSyntaxFunction createSyntax = nullptr);
    KStatus deregisterCommand(const KString& commandName);

    KStatus registerContextCommand(const KString& commandName, KCreatorFunction creator);
    KStatus registerContextCommand(const KString& commandName, KCreatorFunction creator,
                                   const KString& toolCmdName, KCreatorFunction toolCmdCreator,
                                   KCreateSyntaxFunction toolCmdSyntax = nullptr);
    KStatus deregisterContextCommand(const KString& commandName);
    KStatus deregisterContextCommand(const KString& commandName, const KString& toolCmdName);
    /// Describes the property sheet of the tools a context command of this plug-in makes:
    /// `count` rows, copied (a second call replaces the sheet). The sheet goes with the
    /// command when it is deregistered. kNotFound when this plug-in registered no such context
    /// command; kInvalidParameter (nothing kept) for a row without option variable, control or
    /// label, an unknown kind, a slider whose ranges are empty or reversed, a radio group
    /// without choices, or two rows of one control.
    KStatus registerToolProperties(const KString& contextCommandName, const KToolProperty* rows,
                                   unsigned count);

    KStatus registerFileTranslator(const KString& translatorName, const char* pixmapName,
                                   KCreatorFunction creator,
                                   const char* optionsScriptName = nullptr,
                                   const char* defaultOptionsString = nullptr,
                                   bool requiresFullCommandLanguage = false);
    KStatus deregisterFileTranslator(const KString& translatorName);

protected:
    KObject m_plugin;
};
