#pragma once
/// Language-level built-in commands (print, eval, evalDeferred, source, undo, redo, flushIdleQueue,
/// help, exists, whatIs, size, undoInfo), option variables (optionVar) and the answers of a host
/// without windows (window, the slider/check box/radio button controls, deleteUI,
/// toolPropertyWindow, refreshCreateRenderNodeWindow). Installed by installLangCommands.

#include "host/lang/command_registry.h"

#include <string>
#include <vector>

namespace tarn::commands {

void addCoreCommands(lang::CommandRegistry& registry);
void addOptionVarCommand(lang::CommandRegistry& registry);
void addUiCommands(lang::CommandRegistry& registry);
/// Makes commands registered by plug-ins (host/plugins) runnable by name, now and later.
void installPluginCommandBridge();

/// The arguments of every refreshCreateRenderNodeWindow call so far, in order (tests read it).
std::vector<std::string>& renderNodeWindowRefreshes();

}  // namespace tarn::commands
