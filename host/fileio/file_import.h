#pragma once
/// Importing files through registered translators: the `file -import [-type NAME] PATH` command
/// and the function behind it. Main thread only.

#include <string>
#include <vector>

#include "frame/k_status.h"

namespace tarn::fileio {

struct ImportOutcome {
    KStatus status;
    std::string translator;  ///< the translator that read the file (empty when none was found)
    std::string error;       ///< why it failed, for the user
    std::vector<std::string> warnings;  ///< the translator's warnings, one per message
};

/// Imports `path`. Models of other programs (OBJ, PLY, STL, glTF, FBX, Collada: by `type`,
/// else by the file's extension) are read by the host itself (model_import.h). Other files go
/// to the translator named `type`, or, when `type` is empty, to the first
/// registered translator whose file identification claims the file (an "is my type" answer wins
/// over "could be"). The idle queue is flushed afterwards. When no loaded translator takes
/// the file, the error names the plug-in on the search path whose translator is named like
/// the file's extension (or the type asked for). The translator's messages are shown as they
/// come and its warnings are also kept in the outcome. Image files named by the file texture
/// nodes the import made are looked for from the working folder, then beside the imported file
/// (a node's name is then set to that path); one found in neither place is a warning.
ImportOutcome importFile(const std::string& path, const std::string& type);

}  // namespace tarn::fileio
