#pragma once
/// The `tarn import` job:
///   tarn import FILE [--obj OUT.obj] [--snapshot OUT.png [--camera C] [--size N|WxH]
///   [--wireframe]] [--summary] [--json]
/// Imports a model (OBJ, PLY, STL, glTF, FBX, Collada) or, loading the sceneReader plug-in, a
/// QMF scene, then prints a summary (the default) and/or
/// the scene description's JSON (describeScene -json), and writes the scene as OBJ + MTL
/// (exportObj) when asked. Answers the process exit status:
/// 0 when everything asked for succeeded. Main thread only.

#include <string>
#include <vector>

/// `args` are the words after "import".
int runImportJob(const std::vector<std::string>& args);

/// The --help text of the job (several lines, ending in a line feed).
const char* importUsage();
