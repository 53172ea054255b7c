#pragma once
/// Reading a model in a child process: a reader of another library that crashes or never ends
/// on a damaged file (assimp has done both) then costs the import, not the session. The child
/// reads, sends the ImportedScene back through a pipe and exits; the parent waits at most a
/// time limit, and a child that crashed, was killed or sent something unreadable fails the
/// import with the reason. Main thread only.

#include <functional>
#include <string>
#include <string_view>

#include "host/fileio/imported_scene.h"

namespace tarn::fileio {

using ModelReader = std::function<bool(ImportedScene& out, std::string* error)>;

/// Runs `read` in a child process and takes its scene. `seconds` bounds how long the child may
/// take. False with `*error` when the reader failed (its message) or the child did not finish
/// (what happened to it).
bool readInChildProcess(const ModelReader& read, int seconds, ImportedScene& out,
                        std::string* error);

/// The scene as bytes, and back (meshes are rebuilt and checked as host meshes). Pure.
std::string serializeScene(const ImportedScene& scene);
bool deserializeScene(std::string_view bytes, ImportedScene& out, std::string* error);

}  // namespace tarn::fileio
