// The QMF fixture writer: exact little-endian bytes, chunk lengths patched at end(), nested
// chunks that tile their parents, and files saved byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

#include "tools/qmf/qmf_scene.h"
#include "tools/qmf/qmf_writer.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t readU16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t readU32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(QmfWriter, ValuesAreLittleEndian) {
    struct Case {
        std::function<void(qmf::Writer&)> write;
        Bytes expected;
    };
    const Case cases[] = {
        {[](qmf::Writer& w) { w.u8(0xAB); }, {0xAB}},
        {[](qmf::Writer& w) { w.u16(0x1234); }, {0x34, 0x12}},
        {[](qmf::Writer& w) { w.u32(0x01020304); }, {0x04, 0x03, 0x02, 0x01}},
        {[](qmf::Writer& w) { w.f32(1.0f); }, {0x00, 0x00, 0x80, 0x3F}},
        {[](qmf::Writer& w) { w.f32(-2.0f); }, {0x00, 0x00, 0x00, 0xC0}},
        {[](qmf::Writer& w) { w.vec3(0.0f, 1.0f, 0.5f); },
         {0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x3F}},
        {[](qmf::Writer& w) { w.str("ab"); }, {'a', 'b', 0}},
        {[](qmf::Writer& w) { w.str(""); }, {0}},
        {[](qmf::Writer& w) { w.strNoNul("ab"); }, {'a', 'b'}},
        {[](qmf::Writer& w) { w.header(0x4D4D, 99); }, {0x4D, 0x4D, 99, 0, 0, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        qmf::Writer w;
        cases[i].write(w);
        EXPECT_EQ(w.bytes(), cases[i].expected) << "case " << i;
        EXPECT_EQ(w.size(), cases[i].expected.size());
    }
}

TEST(QmfWriter, NestedChunkLengthsArePatched) {
    qmf::Writer w;
    w.begin(qmf::kMain);
    w.u8(7);
    w.begin(qmf::kEditor);
    w.str("ab");
    // An open chunk still carries a zero length.
    EXPECT_EQ(readU32(w.bytes(), 2), 0u);
    w.end();
    w.header(0x7777, 1000);  // a deliberately wrong length stays as written
    w.end();
    const Bytes expected = {0x4D, 0x4D, 22,   0,    0,    0,        // main: 6 + 1 + 9 + 6
                            7,    0x3D, 0x3D, 9,    0,    0,    0,  // editor: 6 + 3
                            'a',  'b',  0,    0x77, 0x77, 0xE8, 0x03, 0, 0};
    EXPECT_EQ(w.bytes(), expected);
    EXPECT_THROW(w.end(), std::logic_error);
    EXPECT_EQ(w.bytes(), expected);
}

TEST(QmfWriter, LightObjectBytes) {
    qmf::Writer w;
    qmf::writeLight(w, qmf::Light{"L", {1.0f, -2.0f, 0.5f}});
    const Bytes expected = {0x00, 0x40, 26,   0,    0,  0,        // named object: 6 + 2 + 18
                            'L',  0,    0x00, 0x46, 18, 0, 0, 0,  // light: 6 + 12
                            0x00, 0x00, 0x80, 0x3F,               // 1
                            0x00, 0x00, 0x00, 0xC0,               // -2
                            0x00, 0x00, 0x00, 0x3F};              // 0.5
    EXPECT_EQ(w.bytes(), expected);
}

// Checks that the chunks in [begin, end) tile the range exactly, descending into the listed
// containers after their fixed leading data; counts the chunks seen per id.
void walk(const Bytes& b, size_t begin, size_t end, std::map<uint16_t, int>& seen) {
    size_t at = begin;
    while (at < end) {
        ASSERT_LE(at + 6, end) << "header past its parent at " << at;
        const uint16_t id = readU16(b, at);
        const uint32_t length = readU32(b, at + 2);
        ASSERT_GE(length, 6u) << "chunk " << std::hex << id;
        ASSERT_LE(at + length, end) << "chunk " << std::hex << id << " overruns its parent";
        ++seen[id];
        size_t body = at + 6;
        switch (id) {
            case qmf::kMain:
            case qmf::kEditor:
            case qmf::kTriMesh:
            case qmf::kMaterial:
            case qmf::kAmbient:
            case qmf::kDiffuse:
            case qmf::kSpecular:
            case qmf::kTransparency:
            case qmf::kTextureMap:
                walk(b, body, at + length, seen);
                break;
            case qmf::kNamedObject:
                while (b[body] != 0) ++body;  // the name
                walk(b, body + 1, at + length, seen);
                break;
            case qmf::kFaceList:
                body += 2 + 8 * static_cast<size_t>(readU16(b, body));
                walk(b, body, at + length, seen);
                break;
            case qmf::kVertexList:
                EXPECT_EQ(length, 6u + 2 + 12 * static_cast<size_t>(readU16(b, body)));
                break;
            case qmf::kTexCoords:
                EXPECT_EQ(length, 6u + 2 + 8 * static_cast<size_t>(readU16(b, body)));
                break;
            default:
                break;
        }
        at += length;
    }
    EXPECT_EQ(at, end);
}

TEST(QmfWriter, SampleSceneChunksTileTheirParents) {
    const qmf::Scene scene = qmf::sampleScene();
    const Bytes bytes = qmf::writeScene(scene);
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(readU16(bytes, 0), qmf::kMain);
    EXPECT_EQ(readU32(bytes, 2), bytes.size());
    EXPECT_EQ(readU16(bytes, 6), qmf::kEditor);
    EXPECT_EQ(readU32(bytes, 8), bytes.size() - 6);
    std::map<uint16_t, int> seen;
    walk(bytes, 0, bytes.size(), seen);
    EXPECT_EQ(seen[qmf::kMaterial], static_cast<int>(scene.materials.size()));
    EXPECT_EQ(seen[qmf::kNamedObject],
              static_cast<int>(scene.meshes.size() + scene.cameras.size() + scene.lights.size()));
    EXPECT_EQ(seen[qmf::kTriMesh], static_cast<int>(scene.meshes.size()));
    EXPECT_EQ(seen[qmf::kCamera], static_cast<int>(scene.cameras.size()));
    EXPECT_EQ(seen[qmf::kLight], static_cast<int>(scene.lights.size()));
    size_t groups = 0;
    for (const qmf::Mesh& m : scene.meshes) groups += m.groups.size();
    EXPECT_EQ(seen[qmf::kFaceMaterial], static_cast<int>(groups));

    // The unknown chunk sits inside the editor chunk and keeps the tiling intact.
    qmf::Scene odd = scene;
    odd.unknownChunks = true;
    const Bytes oddBytes = qmf::writeScene(odd);
    EXPECT_EQ(oddBytes.size(), bytes.size() + 10);
    std::map<uint16_t, int> oddSeen;
    walk(oddBytes, 0, oddBytes.size(), oddSeen);
    EXPECT_EQ(oddSeen[0x7777], 1);
}

TEST(QmfWriter, GridSceneHoldsTheTrianglesAndKeepsMeshesSmall) {
    for (long triangles : {1L, 200L, 150000L}) {
        const qmf::Scene scene = qmf::gridScene(triangles);
        long total = 0;
        for (const qmf::Mesh& m : scene.meshes) {
            total += static_cast<long>(m.faces.size());
            EXPECT_LT(m.points.size(), 65536u);
            for (const qmf::Face& f : m.faces) {
                EXPECT_LT(f.a, m.points.size());
                EXPECT_LT(f.b, m.points.size());
                EXPECT_LT(f.c, m.points.size());
            }
        }
        EXPECT_GE(total, triangles);
        const Bytes bytes = qmf::writeScene(scene);
        std::map<uint16_t, int> seen;
        walk(bytes, 0, bytes.size(), seen);
        EXPECT_EQ(seen[qmf::kTriMesh], static_cast<int>(scene.meshes.size()));
    }
}

TEST(QmfWriter, SavesExactBytes) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tarn_qmf_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    qmf::Writer w;
    w.begin(qmf::kMain);
    w.u32(0xCAFEF00D);
    w.end();
    const std::string file = (dir / "tiny.qmf").string();
    ASSERT_TRUE(w.save(file));
    std::ifstream in(file, std::ios::binary);
    const Bytes back((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(back, w.bytes());
    EXPECT_TRUE(qmf::saveBytes((dir / "empty.qmf").string(), {}));
    EXPECT_EQ(std::filesystem::file_size(dir / "empty.qmf"), 0u);
    EXPECT_FALSE(qmf::saveBytes((dir / "no/such/dir.qmf").string(), w.bytes()));
    EXPECT_FALSE(w.save(dir.string()));  // a directory
    std::filesystem::remove_all(dir);
}

}  // namespace

TEST(QmfWriter, CheckerImageAlternatesSquares) {
    const int size = 16, squares = 4, side = size / squares;
    const Bytes rgb = qmf::checkerImage(size, squares);
    ASSERT_EQ(rgb.size(), size_t(size * size * 3));
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &rgb[(size_t(y) * size + x) * 3];
        return std::array<uint8_t, 3>{p[0], p[1], p[2]};
    };
    const auto light = pixel(0, 0), dark = pixel(side, 0);
    EXPECT_NE(light, dark);
    EXPECT_GT(light[0] + light[1] + light[2], dark[0] + dark[1] + dark[2]);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            ASSERT_EQ(pixel(x, y), (x / side + y / side) % 2 ? dark : light) << x << "," << y;
}

// The picture shipped beside the sample scene is the one the tool makes, so regenerating the
// examples changes nothing.
TEST(QmfWriter, ShippedCheckerIsTheToolsPicture) {
    const std::string path = std::string(TARN_SOURCE_DIR) + "/examples/qmf/checker.png";
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &channels, 3);
    ASSERT_NE(data, nullptr) << path;
    const Bytes shipped(data, data + size_t(w) * h * 3);
    stbi_image_free(data);
    EXPECT_EQ(w, qmf::kCheckerSize);
    EXPECT_EQ(h, qmf::kCheckerSize);
    EXPECT_EQ(shipped, qmf::checkerImage(qmf::kCheckerSize, qmf::kCheckerSquares));
}
