#pragma once
/// Loading and unloading plug-in libraries.
///
/// A plug-in is named by a bare name ("twillPattern", "twillPattern.so") or a path (anything
/// with a '/'). Bare names are looked up as <name>.so in, in order: each folder of
/// TARN_PLUGIN_PATH (colon-separated), the folder set with setExplicitPath, and
/// <folder of the running program>/../plugins.
///
/// Load: dlopen (RTLD_NOW | RTLD_LOCAL) with the new plug-in's record as the current registrant
/// (host/sdk/registrant.h), so that what the library's static constructors register is its own;
/// check the exported KApiVersion text equals "201100",
/// find initializePlugin/uninitializePlugin (plain names first, then the C++-decorated
/// `_Z16initializePlugin7KObject` / `_Z18uninitializePlugin7KObject`), call initializePlugin.
/// A failure at any step after dlopen (a bad version, a missing export, a failure status or an
/// escaping exception) undoes whatever the library registered, at static construction or in
/// initializePlugin, and closes it.
///
/// Unload: refused while nodes of the plug-in's types exist (their names are in the error),
/// unless forced, which deletes those nodes first. Unloading a plug-in clears undo: the undo
/// and redo lists are emptied (they may hold nodes and command objects made by its code).
/// Then uninitializePlugin runs, whatever it left registered is dropped, and the library is
/// closed. Main thread only.
///
/// Exit: shutdown() unloads the plug-ins while every static of theirs exists (a plug-in's
/// function-local statics may be made after its load, so at-exit functions cannot order this),
/// then frees the rest of the scene.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/k_status.h"
#include "host/plugins/plugin_registry.h"

namespace tarn::plugins {

class PluginLoader {
public:
    static PluginLoader& instance();

    /// The folder searched after TARN_PLUGIN_PATH (e.g. set by the program's --plugin-path).
    void setExplicitPath(std::string folder) { m_explicitPath = std::move(folder); }
    /// Folders searched for bare names, in order.
    std::vector<std::string> searchPath() const;
    /// The file a name or path refers to; empty with `*error` when none exists.
    std::string resolve(std::string_view nameOrPath, std::string* error) const;

    /// Loads a plug-in; `*loadedName` gets its name. Errors are described in `*error`.
    KStatus load(std::string_view nameOrPath, std::string* error, std::string* loadedName = nullptr);
    /// Unloads a loaded plug-in by name (or by the path it was loaded from). `clearUndo` false
    /// keeps the undo lists: only for a plug-in whose code made nothing since it was loaded.
    KStatus unload(std::string_view name, bool force, std::string* error, bool clearUndo = true);

    /// The loaded plug-in with this name (or path), or null.
    PluginImpl* find(std::string_view nameOrPath) const;
    /// Names of the loaded plug-ins in load order.
    std::vector<std::string> loadedNames() const;
    /// Unloads everything (forced), newest first.
    void unloadAll();
    /// Ends the session before the process exits (call it before returning from main): unloads
    /// every plug-in, empties undo, then deletes every node left in the graph.
    static void shutdown();

private:
    /// Drops everything `plugin` still has registered (types after deleting their nodes, its
    /// commands, context commands, translators and added kinds).
    void dropRegistrations(PluginImpl& plugin);
    /// Closes the library with the plug-in as the current registrant (its static destructors
    /// run inside dlclose).
    void closeLibrary(PluginImpl& plugin);
    /// Drops the registrations, closes the library, then drops what its destructors left.
    void discard(PluginImpl& plugin);

    std::string m_explicitPath;
    std::vector<std::shared_ptr<PluginImpl>> m_plugins;
};

}  // namespace tarn::plugins
