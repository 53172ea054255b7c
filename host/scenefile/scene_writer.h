#pragma once
/// Writing the scene as the text of a scene file (README.md describes the format): every node
/// with the attribute values that differ from their defaults, DAG parenting, meshes, curves and
/// surfaces, shading assignments and set members, connections, locks, the selection, the view's
/// camera, the scene's option variables and the plug-ins the scene needs with their versions.
/// Placeholder nodes are written back exactly as they were read. The same scene always gives
/// the same bytes. Main thread only (it reads the scene, pulling meshes with history).

#include <string>

namespace tarn::scenefile {

/// The scene as scene-file text.
std::string writeScene();

/// Option variables whose names start with this belong to the scene: a scene file records
/// them, and a new or opened scene replaces them. All others are the user's preferences.
inline constexpr const char* kSceneOptionPrefix = "scene_";

}  // namespace tarn::scenefile
