#pragma once
/// A model read from another program's file, held in memory before anything reaches the scene:
/// a hierarchy of nodes with their transforms, meshes (already checked host meshes), materials
/// and cameras. The readers (OBJ, and the formats read through assimp) fill it; model_builder.h
/// turns it into host nodes. Plain data.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "host/mesh/poly_mesh.h"

namespace tarn::fileio {

struct ImportedMaterial {
    std::string name;
    std::array<double, 3> diffuse{0.5, 0.5, 0.5};
    std::array<double, 3> specular{0.0, 0.0, 0.0};
    double transparency = 0.0;  ///< 0 opaque .. 1 clear
    double shininess = 0.0;     ///< specular exponent; above 0 makes a phong, else a lambert
    std::string texture;        ///< the diffuse colour's image file ("" when none)
};

struct ImportedMesh {
    std::string name;
    std::shared_ptr<const PolyMesh> mesh;
    /// Faces by material: runs of (first face, count, material index), in face order; faces in
    /// no run take the default shading group.
    struct Run {
        int first = 0, count = 0, material = 0;
    };
    std::vector<Run> materials;
};

struct ImportedCamera {
    std::string name;
    Vec3 eye, direction{0, 0, -1}, up{0, 1, 0};  ///< world space
    double horizontalFieldOfView = 0.8;          ///< radians
    double aspect = 1.5;
    double nearClip = 0.1, farClip = 10000.0;
};

struct ImportedNode {
    std::string name;
    int parent = -1;  ///< index into nodes, -1 for the world
    /// The node's place relative to its parent: scale, rotation (degrees about X, then Y, then
    /// Z) and translation, as host transforms hold them.
    Vec3 translate, rotate, scale{1, 1, 1};
    std::vector<int> meshes;  ///< indices into meshes
};

struct ImportedScene {
    std::string name;                 ///< the file's name without folder and extension
    std::vector<ImportedNode> nodes;  ///< parents before children
    std::vector<ImportedMesh> meshes;
    std::vector<ImportedMaterial> materials;
    std::vector<ImportedCamera> cameras;
    std::vector<std::string> warnings;
};

/// Marks edges hard where the file's normals differ across them: `normalOf(face, corner)`
/// answers an id of the normal a corner uses (-1 for none), and `same(a, b)` whether two
/// normal ids are the same direction. An edge whose two faces meet with the same normals at
/// both ends stays soft; borders stay soft; corners without normals leave the edge soft.
template <typename NormalOf, typename Same>
void markHardEdges(PolyMesh& mesh, NormalOf normalOf, Same same);

}  // namespace tarn::fileio

#include "host/fileio/imported_scene_impl.h"
