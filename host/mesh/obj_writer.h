#pragma once
/// Wavefront OBJ export with its MTL material library, so any viewer shows the host's meshes.

#include <string>
#include <vector>

#include "host/mesh/poly_mesh.h"

namespace tarn {

struct ObjMaterial {
    std::string name;
    float color[3] = {0.5f, 0.5f, 0.5f};
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float transparency[3] = {0.0f, 0.0f, 0.0f};
    float cosinePower = 20.0f;
    std::string texture;  // file image shown as the diffuse map; empty for none
};

struct ObjShape {
    std::string name;
    const PolyMesh* mesh = nullptr;
    Mat4 toWorld;                   // points go to world space by this matrix
    std::vector<int> faceMaterial;  // per face, an index into the materials or -1 (none)
};

/// Writes `objPath` and, beside it, the library named after it with ".mtl" (when materials
/// are given). Positions and normals are in world space; UVs come from each mesh's current set.
/// Returns false with `error` set when a file cannot be written; no partial file is left.
bool writeObj(const std::string& objPath, const std::vector<ObjShape>& shapes,
              const std::vector<ObjMaterial>& materials, std::string* error);

/// The same content as text (for tests and in-memory use). `mtlName` is the library file name
/// written into the "mtllib" line.
std::string objText(const std::vector<ObjShape>& shapes, const std::vector<ObjMaterial>& materials,
                    const std::string& mtlName);
std::string mtlText(const std::vector<ObjMaterial>& materials);

}  // namespace tarn
