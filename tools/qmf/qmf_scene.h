#pragma once
/// A small description of a QMF scene and the function that writes it as chunks. Coordinates are
/// in the file's own axes; the importer converts them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/qmf/qmf_writer.h"

namespace qmf {

struct Face {
    uint16_t a, b, c;
    uint16_t flags = 0;
};

struct FaceGroup {
    std::string material;
    std::vector<uint16_t> faces;
};

struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<float, 2>> uvs;
    std::vector<Face> faces;
    std::vector<FaceGroup> groups;
    bool hidden = false;
    /// Three axes then the origin, as stored in the local-axis chunk.
    std::optional<std::array<float, 12>> localAxis;
};

struct Material {
    std::string name;
    std::optional<std::array<uint8_t, 3>> ambient = {};
    std::optional<std::array<uint8_t, 3>> diffuse = {};
    std::optional<std::array<uint8_t, 3>> specular = {};
    /// Transparency in percent, written as an integer percentage chunk.
    std::optional<uint16_t> transparency = {};
    std::string textureFile = {};
};

struct Camera {
    std::string name;
    std::array<float, 3> position{0, 0, 0};
    std::array<float, 3> target{0, 0, 0};
    float bank = 0;
    float lens = 35;
};

struct Light {
    std::string name;
    std::array<float, 3> position{0, 0, 0};
};

/// A scene in file order: materials first, then objects (meshes, cameras, lights).
struct Scene {
    std::vector<Material> materials;
    std::vector<Mesh> meshes;
    std::vector<Camera> cameras;
    std::vector<Light> lights;
    /// Adds an unknown chunk (id 0x7777 with a few bytes) inside the editor chunk when set.
    bool unknownChunks = false;
};

/// Writes the material chunk of one material.
void writeMaterial(Writer& w, const Material& m);
/// Writes one named object holding a triangle mesh.
void writeMesh(Writer& w, const Mesh& m);
/// Writes one named object holding a camera.
void writeCamera(Writer& w, const Camera& c);
/// Writes one named object holding a light.
void writeLight(Writer& w, const Light& l);
/// Writes a whole file: main chunk, editor chunk, materials, objects.
std::vector<uint8_t> writeScene(const Scene& scene);

/// The sample scene shipped in examples/qmf: several meshes, a multi-material mesh, a textured
/// material, a camera, a light and a hidden object.
Scene sampleScene();
/// The sample's picture for its `checker` material (examples/qmf/checker.png): `size` x `size`
/// RGB pixels, rows from the top, in `squares` x `squares` squares alternating a light sand tone
/// (the top-left square) and a dark slate one. `squares` divides `size`.
std::vector<uint8_t> checkerImage(int size, int squares);
/// The side and square count of the shipped checker.png.
inline constexpr int kCheckerSize = 256;
inline constexpr int kCheckerSquares = 4;

/// A scene of flat grid meshes holding at least `triangles` triangles in total (each mesh keeps
/// below the format's 65535-vertex limit).
Scene gridScene(long triangles);

}  // namespace qmf
