// Malformed QMF files: each case is a file written into a temporary case folder together with its
// expected outcome (parse result and events). None may crash, hang or read out of bounds.
#include <gtest/gtest.h>

#include <functional>

#include "test_files.h"
#include "tools/qmf/qmf_scene.h"

using qmftest::EventLog;
using Lines = std::vector<std::string>;

namespace {

using Body = std::function<void(qmf::Writer&)>;

// Main chunk with true length around an editor chunk around `body`.
std::vector<uint8_t> inEditor(const Body& body) {
    qmf::Writer w;
    w.begin(qmf::kMain);
    w.begin(qmf::kEditor);
    body(w);
    w.end();
    w.end();
    return w.bytes();
}

void goodMesh(qmf::Writer& w, const char* name) {
    qmf::Mesh m;
    m.name = name;
    m.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2, 0}};
    qmf::writeMesh(w, m);
}

// A named object whose triangle mesh holds exactly the bytes `payload` writes.
Body objectWith(const char* name, const Body& payload) {
    return [=](qmf::Writer& w) {
        w.begin(qmf::kNamedObject);
        w.str(name);
        w.begin(qmf::kTriMesh);
        payload(w);
        w.end();
        w.end();
    };
}

struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    int result;
    Lines events;
};

const std::string kGood = "mesh good v=3 uv=0 f=1 groups=0 hidden=0";

std::vector<Case> cases() {
    std::vector<Case> c;
    c.push_back({"zero-length file", {}, 0, {}});
    c.push_back({"only the magic", {0x4D, 0x4D}, 0, {}});
    c.push_back({"magic and half a length", {0x4D, 0x4D, 6, 0}, 0, {}});
    c.push_back({"wrong magic", {0x4D, 0x4C, 6, 0, 0, 0}, 0, {}});
    c.push_back({"main length below 6", {0x4D, 0x4D, 2, 0, 0, 0}, 1, {"begin", "end"}});
    for (uint32_t len : {0u, 1u, 5u}) {
        c.push_back({"sub-chunk length below 6",
                     inEditor([=](qmf::Writer& w) {
                         goodMesh(w, "good");
                         w.header(0x1234, len);
                         goodMesh(w, "never");
                     }),
                     0,
                     {"begin", kGood, "end"}});
    }
    c.push_back({"object length past the editor's end",
                 inEditor([](qmf::Writer& w) {
                     goodMesh(w, "good");
                     w.header(qmf::kNamedObject, 0x7FFFFFF0);
                     w.str("huge");
                 }),
                 0,
                 {"begin", kGood, "end"}});
    c.push_back({"main length past the file's end",
                 [] {
                     auto b = inEditor([](qmf::Writer& w) { goodMesh(w, "good"); });
                     b[2] = b[3] = b[4] = b[5] = 0xFF;
                     return b;
                 }(),
                 0,
                 {"begin", kGood, "end"}});
    c.push_back({"vertex count larger than payload",
                 inEditor(objectWith("v",
                                     [](qmf::Writer& w) {
                                         w.begin(qmf::kVertexList);
                                         w.u16(1000);
                                         w.vec3(0, 0, 0);
                                         w.end();
                                         w.begin(qmf::kFaceList);
                                         w.u16(1), w.u16(0), w.u16(0), w.u16(0), w.u16(0);
                                         w.end();
                                     })),
                 0,
                 {"begin", "end"}});
    c.push_back({"face count larger than payload",
                 inEditor(objectWith("f",
                                     [](qmf::Writer& w) {
                                         w.begin(qmf::kVertexList);
                                         w.u16(1);
                                         w.vec3(0, 0, 0);
                                         w.end();
                                         w.begin(qmf::kFaceList);
                                         w.u16(60000), w.u16(0), w.u16(0), w.u16(0), w.u16(0);
                                         w.end();
                                     })),
                 0,
                 {"begin", "end"}});
    c.push_back({"uv count larger than payload",
                 inEditor(objectWith("t",
                                     [](qmf::Writer& w) {
                                         w.begin(qmf::kTexCoords);
                                         w.u16(500);
                                         w.f32(0), w.f32(0);
                                         w.end();
                                     })),
                 0,
                 {"begin", "end"}});
    c.push_back({"face-group count larger than payload",
                 inEditor(objectWith("g",
                                     [](qmf::Writer& w) {
                                         w.begin(qmf::kVertexList);
                                         w.u16(3);
                                         for (int i = 0; i < 3; ++i) w.vec3(0, 0, float(i));
                                         w.end();
                                         w.begin(qmf::kFaceList);
                                         w.u16(1), w.u16(0), w.u16(1), w.u16(2), w.u16(0);
                                         w.begin(qmf::kFaceMaterial);
                                         w.str("m");
                                         w.u16(40000);
                                         w.u16(0);
                                         w.end();
                                         w.end();
                                     })),
                 0,
                 {"begin", "end"}});
    c.push_back({"material name without NUL",
                 inEditor([](qmf::Writer& w) {
                     w.begin(qmf::kMaterial);
                     w.begin(qmf::kMaterialName);
                     w.strNoNul(std::string(120, 'm'));
                     w.end();
                     w.end();
                     goodMesh(w, "good");
                 }),
                 0,
                 {"begin", "end"}});
    // The name is kept cut to 80 characters; the object's walk then meets the rest of the name as
    // a chunk header ('a' 'a' = id 0x6161, length 0x61616161) that runs past the object's end.
    c.push_back({"object name without NUL",
                 inEditor([](qmf::Writer& w) {
                     w.begin(qmf::kNamedObject);
                     w.strNoNul(std::string(100, 'a'));
                     w.end();
                 }),
                 1,
                 {"begin", "end"}});
    c.push_back({"map file name at end of file",
                 [] {
                     // Every length is right for the whole file; the file is then cut
                     // before the name's NUL.
                     qmf::Writer w;
                     w.begin(qmf::kMain);
                     w.begin(qmf::kEditor);
                     w.begin(qmf::kMaterial);
                     w.begin(qmf::kTextureMap);
                     w.begin(qmf::kMapFile);
                     w.str("abc");
                     for (int i = 0; i < 5; ++i) w.end();
                     auto b = w.bytes();
                     b.pop_back();
                     return b;
                 }(),
                 0,
                 {"begin", "end"}});
    c.push_back({"chunk header cut after the id",
                 [] {
                     auto b = inEditor([](qmf::Writer& w) { goodMesh(w, "good"); });
                     b.push_back(0x00);
                     b.push_back(0x40);
                     b[2] = static_cast<uint8_t>(b.size());  // main length covers the cut header
                     b[8] = static_cast<uint8_t>(b.size() - 6);
                     return b;
                 }(),
                 0,
                 {"begin", kGood, "end"}});
    c.push_back({"camera payload cut short",
                 inEditor([](qmf::Writer& w) {
                     w.begin(qmf::kNamedObject);
                     w.str("cam");
                     w.begin(qmf::kCamera);
                     w.vec3(1, 2, 3);
                     w.end();
                     w.end();
                     goodMesh(w, "good");
                 }),
                 1,
                 {"begin", "camera cam", kGood, "end"}});
    c.push_back({"named object nested in another",
                 inEditor([](qmf::Writer& w) {
                     w.begin(qmf::kNamedObject);
                     w.str("outer");
                     w.begin(qmf::kTriMesh);
                     w.begin(qmf::kVertexList);
                     w.u16(3);
                     w.vec3(0, 0, 0), w.vec3(1, 0, 0), w.vec3(0, 1, 0);
                     w.end();
                     goodMesh(w, "inner");  // skipped: it would take over the outer record
                     w.begin(qmf::kFaceList);
                     w.u16(1);
                     w.u16(0), w.u16(1), w.u16(2), w.u16(0);
                     w.end();
                     w.end();
                     w.end();
                     goodMesh(w, "good");
                 }),
                 1,
                 {"begin", "mesh outer v=3 uv=0 f=1 groups=0 hidden=0", kGood, "end"}});
    return c;
}

}  // namespace

TEST(MalformedFiles, FolderOfCases) {
    for (const Case& c : cases()) {
        qmftest::TempFile file(c.bytes, "malformed.qmf");
        FILE* fp = std::fopen(file.path().c_str(), "rb");
        ASSERT_NE(fp, nullptr) << c.name;
        ChunkStream* cs = chunkStreamCreate(fp, 0);
        EventLog log;
        EXPECT_EQ(parseChunkFile(cs, qmftest::collectingSink, &log, 0), c.result) << c.name;
        EXPECT_EQ(log.lines, c.events) << c.name;
        chunkStreamRelease(cs);
        std::fclose(fp);
    }
}

TEST(MalformedFiles, MissingFileDoesNotOpen) {
    FILE* fp = std::fopen("/nonexistent/dir/scene.qmf", "rb");
    EXPECT_EQ(fp, nullptr);
    EXPECT_EQ(chunkStreamCreate(fp, 0), nullptr);
    EXPECT_EQ(parseChunkFile(nullptr, qmftest::collectingSink, nullptr, 0), 0);
}

TEST(MalformedFiles, TruncatedAtEveryOffset) {
    const auto full = qmf::writeScene(qmf::sampleScene());
    EventLog whole;
    ASSERT_EQ(qmftest::parseBytes(full, whole), 1);
    ASSERT_GT(whole.lines.size(), 8u);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        std::vector<uint8_t> bytes(full.begin(), full.begin() + cut);
        EventLog log;
        const int result = qmftest::parseBytes(bytes, log);
        EXPECT_EQ(result, 0) << "cut at " << cut;
        if (cut < 6) {
            EXPECT_TRUE(log.lines.empty()) << cut;
            continue;
        }
        // Whatever arrives is what the whole file delivers, in order, up to the cut.
        ASSERT_GE(log.lines.size(), 2u) << cut;
        EXPECT_EQ(log.lines.front(), "begin");
        EXPECT_EQ(log.lines.back(), "end");
        for (size_t i = 1; i + 1 < log.lines.size(); ++i)
            EXPECT_EQ(log.lines[i], whole.lines[i]) << "cut at " << cut;
    }
}
