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

/// Writes `objPath` and, beside it, the library mtlFileName(objPath) (when materials are
/// given), both or neither (one commit through the host's atomic writer). Positions and normals
/// are in world space; UVs come from each mesh's current set. Refused, with `error` set and
/// nothing written: an OBJ whose library would be the OBJ itself (an OBJ named "x.mtl"), a
/// texture file name holding a line break or control character, a file that cannot be written.
bool writeObj(const std::string& objPath, const std::vector<ObjShape>& shapes,
              const std::vector<ObjMaterial>& materials, std::string* error);

/// The same content as text (for tests and in-memory use). `mtlName` is the library file name
/// written into the "mtllib" line.
/// The library's path for an OBJ: beside it, named after it with ".mtl", blanks and control
/// characters in the name replaced by '_' so that the "mtllib" line names one file.
std::string mtlFileName(const std::string& objPath);

std::string objText(const std::vector<ObjShape>& shapes, const std::vector<ObjMaterial>& materials,
                    const std::string& mtlName);
std::string mtlText(const std::vector<ObjMaterial>& materials);

}  // namespace tarn
