// The scene module's command installer.

#include "host/commands/scene_commands.h"
#include "host/lang/command_modules.h"

namespace tarn::lang {

void installSceneCommands(CommandRegistry& registry) {
    commands::addSelectCommands(registry);
    commands::addDagCommands(registry);
    commands::addPolyCommands(registry);
    commands::addMeshEditCommands(registry);
    commands::addHistoryCommands(registry);
    commands::addDescribeCommand(registry);
}

}  // namespace tarn::lang
