#pragma once
/// Models of other programs read through assimp (Debian's libassimp): PLY, STL, glTF 2.0
/// (.gltf, .glb), FBX and Collada (.dae), and OBJ when asked for by type. Each mesh's vertices
/// are joined where their positions are equal (so faces share edges), its UV channels become
/// UV sets "map1", "map2"..., its first colour channel a colour set, and its edges are hard
/// where the file's normals differ across them. The file's node hierarchy gives transforms,
/// its cameras cameras, its materials shaders. Nothing is built here. Pure; any thread.

#include <cstddef>
#include <string>

#include "host/fileio/imported_scene.h"

namespace tarn::fileio {

/// Reads the model file at `path`. False with `*error` (assimp's reason) when it is not one.
bool readWithAssimp(const std::string& path, ImportedScene& out, std::string* error);
/// Reads a model held in memory; `hint` is the format's extension ("stl", "glb", ...).
bool readWithAssimp(const void* data, std::size_t size, const std::string& hint, ImportedScene& out,
                    std::string* error);

}  // namespace tarn::fileio
