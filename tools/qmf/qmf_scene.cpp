#include "tools/qmf/qmf_scene.h"

#include <algorithm>
#include <cmath>

namespace qmf {
namespace {

void colorChunk(Writer& w, uint16_t id, const std::array<uint8_t, 3>& rgb) {
    w.begin(id);
    w.begin(kColorBytes);
    w.u8(rgb[0]);
    w.u8(rgb[1]);
    w.u8(rgb[2]);
    w.end();
    w.end();
}

}  // namespace

void writeMaterial(Writer& w, const Material& m) {
    w.begin(kMaterial);
    w.begin(kMaterialName);
    w.str(m.name);
    w.end();
    if (m.ambient) colorChunk(w, kAmbient, *m.ambient);
    if (m.diffuse) colorChunk(w, kDiffuse, *m.diffuse);
    if (m.specular) colorChunk(w, kSpecular, *m.specular);
    if (m.transparency) {
        w.begin(kTransparency);
        w.begin(kPercentInt);
        w.u16(*m.transparency);
        w.end();
        w.end();
    }
    if (!m.textureFile.empty()) {
        w.begin(kTextureMap);
        w.begin(kPercentInt);
        w.u16(100);
        w.end();
        w.begin(kMapFile);
        w.str(m.textureFile);
        w.end();
        w.end();
    }
    w.end();
}

void writeMesh(Writer& w, const Mesh& m) {
    w.begin(kNamedObject);
    w.str(m.name);
    if (m.hidden) {
        w.begin(kHidden);
        w.end();
    }
    w.begin(kTriMesh);
    w.begin(kVertexList);
    w.u16(static_cast<uint16_t>(m.points.size()));
    for (const auto& p : m.points) w.vec3(p[0], p[1], p[2]);
    w.end();
    if (!m.uvs.empty()) {
        w.begin(kTexCoords);
        w.u16(static_cast<uint16_t>(m.uvs.size()));
        for (const auto& uv : m.uvs) {
            w.f32(uv[0]);
            w.f32(uv[1]);
        }
        w.end();
    }
    if (m.localAxis) {
        w.begin(kLocalAxis);
        for (float v : *m.localAxis) w.f32(v);
        w.end();
    }
    w.begin(kFaceList);
    w.u16(static_cast<uint16_t>(m.faces.size()));
    for (const auto& f : m.faces) {
        w.u16(f.a);
        w.u16(f.b);
        w.u16(f.c);
        w.u16(f.flags);
    }
    for (const auto& g : m.groups) {
        w.begin(kFaceMaterial);
        w.str(g.material);
        w.u16(static_cast<uint16_t>(g.faces.size()));
        for (uint16_t f : g.faces) w.u16(f);
        w.end();
    }
    w.end();
    w.end();
    w.end();
}

void writeCamera(Writer& w, const Camera& c) {
    w.begin(kNamedObject);
    w.str(c.name);
    w.begin(kCamera);
    w.vec3(c.position[0], c.position[1], c.position[2]);
    w.vec3(c.target[0], c.target[1], c.target[2]);
    w.f32(c.bank);
    w.f32(c.lens);
    w.end();
    w.end();
}

void writeLight(Writer& w, const Light& l) {
    w.begin(kNamedObject);
    w.str(l.name);
    w.begin(kLight);
    w.vec3(l.position[0], l.position[1], l.position[2]);
    w.end();
    w.end();
}

std::vector<uint8_t> writeScene(const Scene& scene) {
    Writer w;
    w.begin(kMain);
    w.begin(kEditor);
    if (scene.unknownChunks) {
        w.begin(0x7777);
        w.u32(0xDEADBEEF);
        w.end();
    }
    for (const auto& m : scene.materials) writeMaterial(w, m);
    for (const auto& c : scene.cameras) writeCamera(w, c);
    for (const auto& l : scene.lights) writeLight(w, l);
    for (const auto& m : scene.meshes) writeMesh(w, m);
    w.end();
    w.end();
    return w.bytes();
}

namespace {

Mesh box(const std::string& name, float cx, float cy, float cz, float half) {
    Mesh m;
    m.name = name;
    for (int i = 0; i < 8; ++i) {
        m.points.push_back({cx + ((i & 1) ? half : -half), cy + ((i & 2) ? half : -half),
                            cz + ((i & 4) ? half : -half)});
        m.uvs.push_back({(i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f});
    }
    // Two triangles per side, wound outwards in the file's right-handed axes.
    const uint16_t quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        m.faces.push_back({q[0], q[1], q[2], 0});
        m.faces.push_back({q[0], q[2], q[3], 0});
    }
    return m;
}

}  // namespace

std::vector<uint8_t> checkerImage(int size, int squares) {
    constexpr uint8_t kLight[3] = {226, 208, 166};
    constexpr uint8_t kDark[3] = {62, 78, 96};
    const int side = size / squares;
    std::vector<uint8_t> rgb(static_cast<size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const uint8_t* c = (x / side + y / side) % 2 == 0 ? kLight : kDark;
            std::copy(c, c + 3, &rgb[(static_cast<size_t>(y) * size + x) * 3]);
        }
    return rgb;
}

Scene sampleScene() {
    Scene s;
    s.materials.push_back({"brick", {{40, 10, 10}}, {{178, 60, 40}}, {{255, 255, 255}}, 0, ""});
    s.materials.push_back({"glass", std::nullopt, {{120, 180, 230}}, {{255, 255, 255}}, 60, ""});
    s.materials.push_back({"checker",
                           std::nullopt,
                           {{200, 200, 200}},
                           {{128, 128, 128}},
                           std::nullopt,
                           "checker.png"});

    Mesh floor;
    floor.name = "floor";
    floor.points = {{-50, -50, 0}, {50, -50, 0}, {50, 50, 0}, {-50, 50, 0}};
    floor.uvs = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    floor.faces = {{0, 1, 2, 0}, {0, 2, 3, 0}};
    floor.groups = {{"checker", {0, 1}}};
    s.meshes.push_back(floor);

    Mesh house = box("house", 0, 0, 10, 10);
    // Walls brick, the two top triangles glass: a mesh with two materials.
    FaceGroup walls{"brick", {}}, roof{"glass", {}};
    for (uint16_t f = 0; f < house.faces.size(); ++f)
        (f == 6 || f == 7 ? roof : walls).faces.push_back(f);
    house.groups = {walls, roof};
    s.meshes.push_back(house);

    Mesh crate = box("crate", 25, 20, 5, 5);
    crate.groups = {{"checker", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}};
    s.meshes.push_back(crate);

    Mesh ghost = box("ghost", -25, 20, 5, 5);
    ghost.hidden = true;
    ghost.groups = {{"glass", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}};
    s.meshes.push_back(ghost);

    s.cameras.push_back({"camera01", {120, -160, 90}, {0, 0, 10}, 0, 35});
    s.lights.push_back({"sun", {100, -100, 200}});
    return s;
}

Scene gridScene(long triangles) {
    Scene s;
    s.materials.push_back({"grey", std::nullopt, {{160, 160, 160}}, {{255, 255, 255}}, 0, ""});
    // 180 x 180 cells = 32761 vertices and 64800 triangles per mesh.
    constexpr int kCells = 180;
    constexpr long kPerMesh = 2L * kCells * kCells;
    const long meshes = std::max(1L, (triangles + kPerMesh - 1) / kPerMesh);
    for (long k = 0; k < meshes; ++k) {
        Mesh m;
        m.name = "grid" + std::to_string(k);
        const float z = static_cast<float>(k);
        for (int j = 0; j <= kCells; ++j)
            for (int i = 0; i <= kCells; ++i) {
                m.points.push_back({static_cast<float>(i), static_cast<float>(j), z});
                m.uvs.push_back({i / float(kCells), j / float(kCells)});
            }
        for (int j = 0; j < kCells; ++j)
            for (int i = 0; i < kCells; ++i) {
                const auto v = static_cast<uint16_t>(j * (kCells + 1) + i);
                const auto up = static_cast<uint16_t>(v + kCells + 1);
                m.faces.push_back(
                    {v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(up + 1), 0});
                m.faces.push_back({v, static_cast<uint16_t>(up + 1), up, 0});
            }
        s.meshes.push_back(std::move(m));
    }
    return s;
}

}  // namespace qmf
