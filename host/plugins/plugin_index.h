#pragma once
/// What each plug-in on the search path registers, found without keeping the plug-ins loaded:
/// answers "which plug-in makes node type X" (`tarn swatch denim`), "which plug-in adds command
/// or tool context X" (`help surfaceBake` before it is loaded) and "which plug-in reads format
/// Y" (an import before the reader is loaded). Main thread only.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::plugins {

/// One plug-in file and what it registers (names, in registration order).
struct PluginContents {
    std::string name;  ///< file name without ".so"
    std::string path;
    std::vector<std::string> nodeTypes;
    std::vector<std::string> commands;
    std::vector<std::string> contexts;  ///< tool context commands
    std::vector<std::string> translators;
    std::string error;  ///< why the file could not be looked into (empty when it could)
};

/// Every plug-in file on the search path (where two folders hold the same name, the first
/// wins, as when loading by name), sorted by name within each folder. A loaded plug-in answers
/// from the registries; any other is loaded, read and unloaded again, with its messages kept
/// back. Such a survey changes nothing else: a plug-in unloaded right after loading made no
/// nodes and no undo records, so the undo lists are kept. The answer is cached for the process
/// until `forgetPluginIndex`.
const std::vector<PluginContents>& pluginIndex();
/// Drops the cached index (after the search path or the files changed).
void forgetPluginIndex();

/// The plug-in that registers node type `typeName`, or empty.
std::string pluginForNodeType(std::string_view typeName);
/// The plug-in that registers a command named `name`, or empty.
std::string pluginForCommand(std::string_view name);
/// The plug-in that registers a tool context command named `name`, or empty.
std::string pluginForContext(std::string_view name);
/// The plug-in that registers a translator named `name` (compared without case: "qmf" finds
/// "QMF"), or empty.
std::string pluginForTranslator(std::string_view name);

}  // namespace tarn::plugins
