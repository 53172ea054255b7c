// Mirrors the plug-in command registry (host/plugins) into the command language: every command a
// plug-in registers becomes runnable by name, and goes away when deregistered. A plug-in command
// whose name a built-in already uses is refused.

#include "host/commands/lang_commands.h"

#include "host/lang/plugin_commands.h"
#include "host/plugins/plugin_registry.h"

namespace tarn::commands {

void installPluginCommandBridge() {
    auto& plugins = plugins::Registry::instance();
    // Commands registered before the language started.
    for (const auto& c : plugins.commands())
        lang::registerPluginCommand(c.name, c.creator, c.syntax, c.owner ? c.owner->name : "",
                                    nullptr);
    plugins.addCommandListener(
        [](const plugins::CommandEntry& c, bool added, std::string* error) -> bool {
            if (!added) {
                lang::deregisterPluginCommand(c.name);
                return true;
            }
            return lang::registerPluginCommand(c.name, c.creator, c.syntax,
                                               c.owner ? c.owner->name : "", error);
        });
}

}  // namespace tarn::commands
