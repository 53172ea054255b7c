#pragma once
/// Installers of the view's command groups (called by installViewCommands).

#include "host/lang/command_registry.h"

namespace tarn::view {

/// Tool contexts and gestures: setToolTo, currentCtx, contextInfo, viewEvent, viewStroke,
/// toolAction, and the language side of every plug-in context command. Only the host's own
/// registry mirrors plug-in context commands.
void addContextCommands(lang::CommandRegistry& registry);

/// Camera navigation: viewTumble, viewTrack, viewDolly (view_navigation.h).
void addNavigationCommands(lang::CommandRegistry& registry);

}  // namespace tarn::view
