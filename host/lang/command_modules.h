#pragma once
/// The installers through which host modules add their built-in commands. A module defines its
/// function (exact name below) in its own .cpp; the registry calls every defined one, in this
/// order, when it is first used. A module that is not built yet simply has no installer.

#include "host/lang/command_registry.h"

namespace tarn::lang {

// Declared weak so that libtarn links while some modules do not define theirs yet.
#define TARN_COMMAND_INSTALLER(fn) void fn(CommandRegistry& registry) __attribute__((weak))

TARN_COMMAND_INSTALLER(installLangCommands);       ///< host/commands: print, eval, undo, ...
TARN_COMMAND_INSTALLER(installStdlibCommands);     ///< host/lang/stdlib: the standard procedures
TARN_COMMAND_INSTALLER(installDgCommands);         ///< host/dg: createNode, setAttr, getAttr, ...
TARN_COMMAND_INSTALLER(installPluginsCommands);    ///< host/plugins: loadPlugin, pluginInfo, ...
TARN_COMMAND_INSTALLER(installSceneCommands);      ///< host/scene: select, ls, sets, ...
TARN_COMMAND_INSTALLER(installMeshCommands);       ///< host/mesh: polySplit, polyMapCut, ...
TARN_COMMAND_INSTALLER(installShadingCommands);    ///< host/shading: shadingNode, ...
TARN_COMMAND_INSTALLER(installImageCommands);      ///< host/image
TARN_COMMAND_INSTALLER(installViewCommands);       ///< host/view
TARN_COMMAND_INSTALLER(installNurbsCommands);      ///< host/nurbs
TARN_COMMAND_INSTALLER(installTexturingCommands);  ///< host/texturing: sampleTexture, ...
TARN_COMMAND_INSTALLER(installRenderCommands);     ///< host/render
TARN_COMMAND_INSTALLER(installFileioCommands);     ///< host/fileio
TARN_COMMAND_INSTALLER(installScenefileCommands);  ///< host/scenefile: file -save/-open/-import

#undef TARN_COMMAND_INSTALLER

}  // namespace tarn::lang
