#pragma once
/// Turning an imported model (imported_scene.h) into host nodes: a transform per node of the
/// file's hierarchy, a mesh shape under it per mesh, a camera per camera, and per material a
/// shader (phong when the material has a specular exponent, else lambert) with its colours, a
/// `file` texture on its colour when it has an image, and a shading group holding the faces
/// that use it. Names come from the file, made into scene names (letters, digits, '_'; a taken
/// name is numbered). The whole import is one undo step. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "host/fileio/imported_scene.h"

namespace tarn::fileio {

/// Builds `model` into the scene. Texture paths that are relative are taken from `folder` (the
/// model file's folder) when the image is there. Answers the names of the nodes made, DAG nodes
/// first, parents before children.
std::vector<std::string> buildModel(const std::shared_ptr<const ImportedScene>& model,
                                    const std::string& folder);

/// A scene name from any text: characters other than letters, digits and '_' become '_', a
/// leading digit gets an 'n' before it, and an empty result is `fallback`.
std::string sceneName(const std::string& text, const std::string& fallback);

}  // namespace tarn::fileio
