#pragma once
/// The scene's built-in commands, by family; installSceneCommands adds them all.

#include "host/lang/command_registry.h"

namespace tarn::commands {

void addSelectCommands(lang::CommandRegistry& registry);    ///< select, ls, hilite
void addDagCommands(lang::CommandRegistry& registry);       ///< parent, hide, move, camera...
void addPolyCommands(lang::CommandRegistry& registry);      ///< polyCube..., polyEvaluate...
void addShadingCommands(lang::CommandRegistry& registry);   ///< shadingNode, sets, ...
void addDescribeCommand(lang::CommandRegistry& registry);   ///< describeScene
void addMeshEditCommands(lang::CommandRegistry& registry);  ///< polySplit, polyCollapseEdge...

}  // namespace tarn::commands
