#pragma once
/// Plug-in commands (KPxCommand) in the command registry. KFnPlugin::registerCommand calls
/// registerPluginCommand; each invocation creates an instance through the creator, hands it the
/// words after the name as a KArgList (a float value as the shortest text that reads back as
/// itself), takes its result, and keeps it in the undo queue when it is undoable. Main thread
/// only.

#include "frame/k_command.h"
#include "frame/k_node.h"
#include "frame/k_plugin.h"

#include <string>

namespace tarn::lang {

/// Adds a plug-in command named `name` owned by plug-in `owner`. `syntax` may be null (the words
/// are passed unchecked). False (reason in *error) when the name is taken or the creator null.
bool registerPluginCommand(const std::string& name, KCreatorFunction creator,
                           KCreateSyntaxFunction syntax, const std::string& owner,
                           std::string* error = nullptr);

/// Removes a plug-in command. Instances still held by the undo queue are released first (the
/// undo queue is cleared when any are), so nothing of an unloading library outlives it. False
/// when no plug-in command has that name.
bool deregisterPluginCommand(const std::string& name);

}  // namespace tarn::lang
