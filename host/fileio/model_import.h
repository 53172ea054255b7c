#pragma once
/// Importing models of other programs without a plug-in: OBJ (with its MTL) through the host's
/// own reader, PLY, STL, glTF 2.0 (.gltf, .glb), FBX and Collada (.dae) through assimp. The
/// file is read and checked whole before anything reaches the scene; a bad file imports nothing
/// and says why. Main thread only.

#include <string>
#include <vector>

namespace tarn::fileio {

enum class ModelFormat { None, Obj, Ply, Stl, Gltf, Fbx, Collada };

/// The format an extension ("obj", "GLB") or a type name ("OBJ", "glTF", "Collada") names;
/// None for anything else (a translator's type, such as "QMF").
ModelFormat modelFormat(const std::string& extensionOrType);
/// The lower-case extension of a path ("" when none).
std::string extensionOf(const std::string& path);

struct ModelImportOutcome {
    bool ok = false;
    std::string error;
    std::vector<std::string> warnings;
    std::vector<std::string> made;  ///< names of the nodes made
};

/// Reads the model at `path` in `format` and builds it into the scene (one undo step).
ModelImportOutcome importModel(const std::string& path, ModelFormat format);

}  // namespace tarn::fileio
