#pragma once
/// The text of `help NODE_TYPE` and `tarn swatch --list`: a node type's attributes, one line
/// each with name, type, default, range and what it does. Main thread only.

#include <map>
#include <string>
#include <vector>

namespace tarn {
class NodeType;
}
namespace tarn::plugins {
struct ToolProperty;
}

namespace tarn::commands {

/// Meanings of attributes by long name, read from the attribute table of a plug-in's notes
/// (`<plugin>.md` beside the library: table rows whose first cell is the attribute's name in
/// back-quotes and whose last cell is its meaning). Empty when there are no notes.
std::map<std::string, std::string> attributeMeanings(const std::string& pluginPath);

/// The description of `type`. `owner` names the plug-in that registered it (empty for a host
/// type); `meanings` gives the last column (missing meanings stay blank).
std::string nodeTypeHelp(const NodeType& type, const std::string& owner,
                         const std::map<std::string, std::string>& meanings);

/// The description of a registered type, its owner and meanings found through the loader.
/// Empty when no type has that name.
std::string nodeTypeHelp(const std::string& typeName);

/// The option variables of a tool's property sheet for `help CONTEXT_COMMAND`: a heading, then
/// one line per row with its name, kind, values and meaning, and what enables it. Empty for an
/// empty sheet.
std::string toolPropertiesHelp(const std::vector<plugins::ToolProperty>& sheet);

}  // namespace tarn::commands
