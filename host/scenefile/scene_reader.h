#pragma once
/// Opening a scene file: its text is parsed (scene_parser.h), the plug-ins it names are loaded
/// by name from the plug-in path, and every statement is checked against the node types as
/// `setAttr`, `connectAttr` and the mesh and NURBS rules check them, all before the scene is
/// touched. Only a file that passes every check replaces the scene; a refused file changes
/// nothing (plug-ins loaded for it are unloaded again) and the error names the file, the line
/// and what was expected. Nodes of a plug-in that cannot be loaded become placeholders
/// (placeholder_node.h), with a warning naming the plug-in. Main thread only.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::scenefile {

struct OpenOutcome {
    bool ok = false;
    std::string error;                  ///< "FILE:LINE: what was expected" when refused
    std::vector<std::string> warnings;  ///< values moved into range, placeholders made
};

/// Largest scene file read (4 GiB).
constexpr std::size_t kMaxSceneFileBytes = std::size_t(1) << 32;

/// Reads a whole regular file into `text`. False with the reason when it cannot be read, is not
/// a regular file or is larger than kMaxSceneFileBytes.
bool readSceneFile(const std::string& path, std::string& text, std::string* error);

/// Replaces the scene with the one in `path`. The undo lists are emptied on success.
OpenOutcome openSceneFile(const std::string& path);
/// The same for text already read; `name` stands for the file in messages.
OpenOutcome openSceneText(std::string_view text, const std::string& name);

}  // namespace tarn::scenefile
