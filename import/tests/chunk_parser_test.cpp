#include "import/chunk_parser.h"

#include <gtest/gtest.h>

#include "test_files.h"
#include "tools/qmf/qmf_scene.h"

using qmftest::EventLog;
using qmftest::parseBytes;
using Lines = std::vector<std::string>;

namespace {

qmf::Mesh triangle(const std::string& name) {
    qmf::Mesh m;
    m.name = name;
    m.points = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    m.faces = {{0, 1, 2, 0}};
    return m;
}

std::vector<uint8_t> wrapEditor(const std::function<void(qmf::Writer&)>& body,
                                uint16_t magic = qmf::kMain) {
    qmf::Writer w;
    w.begin(magic);
    w.begin(qmf::kEditor);
    body(w);
    w.end();
    w.end();
    return w.bytes();
}

}  // namespace

TEST(ChunkParser, EmptyMainChunkGivesBeginAndEnd) {
    qmf::Writer w;
    w.header(qmf::kMain, 6);
    EventLog log;
    EXPECT_EQ(parseBytes(w.bytes(), log), 1);
    EXPECT_EQ(log.lines, (Lines{"begin", "end"}));
}

TEST(ChunkParser, MagicIds) {
    const struct {
        uint16_t id;
        int expected;
    } cases[] = {{0x4D4D, 1}, {0x3DC2, 1}, {0x3DAA, 1}, {0x3D3D, 0}, {0x0000, 0}, {0x4D4C, 0}};
    for (const auto& c : cases) {
        qmf::Writer w;
        w.header(c.id, 6);
        EventLog log;
        EXPECT_EQ(parseBytes(w.bytes(), log), c.expected) << std::hex << c.id;
        EXPECT_EQ(log.lines.empty(), c.expected == 0) << "a refused file raises no event";
    }
}

TEST(ChunkParser, SceneEventsInFileOrder) {
    qmf::Scene s;
    s.materials.push_back({"red", std::nullopt, {{255, 0, 0}}, {{0, 255, 0}}, 25, ""});
    s.cameras.push_back({"cam", {1, 2, 3}, {4, 5, 6}, 10, 50});
    s.lights.push_back({"lamp", {0, 0, 0}});
    s.meshes.push_back(triangle("tri"));
    s.unknownChunks = true;
    EventLog log;
    EXPECT_EQ(parseBytes(qmf::writeScene(s), log), 1);
    EXPECT_EQ(
        log.lines,
        (Lines{"begin", "material red diff=1,0,0 decl=0,1,0 opac=0.75,0.75,0.75 tex=-",
               "camera cam", "light lamp", "mesh tri v=3 uv=0 f=1 groups=0 hidden=0", "end"}));
    EXPECT_EQ(log.skipQueries, (Lines{"cam", "lamp", "tri"}));
}

TEST(ChunkParser, AxisConversion) {
    qmf::Mesh m = triangle("m");
    m.uvs = {{0.25f, 0.0f}, {0.5f, 1.0f}, {1.0f, 0.75f}};
    qmf::Scene s;
    s.meshes.push_back(m);
    s.cameras.push_back({"c", {1, 2, 3}, {-4, 5, -6}, 7, 35});
    EventLog log;
    ASSERT_EQ(parseBytes(qmf::writeScene(s), log), 1);
    // (x, y, z) -> (-x, z, -y); (u, v) -> (u, 1 - v).
    EXPECT_EQ(log.lastPoints, (std::vector<float>{-1, 3, -2, -4, 6, -5, -7, 9, -8}));
    EXPECT_EQ(log.lastUvs, (std::vector<float>{0.25f, 1.0f, 0.5f, 0.0f, 1.0f, 0.25f}));
    const float camera[8] = {-1, 3, -2, 4, -6, -5, 7, 35};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(log.lastCamera[i], camera[i]) << i;
}

TEST(ChunkParser, FaceFlagsChooseWinding) {
    const struct {
        uint16_t flags;
        std::vector<int> order;
    } cases[] = {{0x0000, {0, 1, 2}}, {0x0007, {0, 2, 1}}, {0x0001, {0, 2, 1}}, {0x0002, {0, 2, 1}},
                 {0x0004, {0, 2, 1}}, {0x0008, {0, 1, 2}}, {0xFFF8, {0, 1, 2}}};
    for (const auto& c : cases) {
        qmf::Mesh m = triangle("m");
        m.faces[0].flags = c.flags;
        qmf::Scene s;
        s.meshes.push_back(m);
        EventLog log;
        ASSERT_EQ(parseBytes(qmf::writeScene(s), log), 1);
        EXPECT_EQ(log.lastIndices, c.order) << std::hex << c.flags;
    }
}

TEST(ChunkParser, MaterialColourRules) {
    struct Case {
        const char* what;
        std::function<void(qmf::Writer&)> body;
        std::string expected;
    };
    auto material = [](std::function<void(qmf::Writer&)> inner) {
        return [inner](qmf::Writer& w) {
            w.begin(qmf::kMaterial);
            w.begin(qmf::kMaterialName);
            w.str("m");
            w.end();
            inner(w);
            w.end();
        };
    };
    auto colour = [](uint16_t id, uint8_t r, uint8_t g, uint8_t b) {
        return [=](qmf::Writer& w) {
            w.begin(id);
            w.begin(qmf::kColorBytes);
            w.u8(r), w.u8(g), w.u8(b);
            w.end();
            w.end();
        };
    };
    auto floatColour = [](qmf::Writer& w) {
        w.begin(qmf::kDiffuse);
        w.begin(qmf::kColorFloat);
        w.vec3(0.5f, 0.5f, 0.5f);
        w.end();
        w.end();
    };
    auto percent = [](uint16_t id, bool asFloat, float v) {
        return [=](qmf::Writer& w) {
            w.begin(qmf::kTransparency);
            w.begin(id);
            if (asFloat)
                w.f32(v);
            else
                w.u16(static_cast<uint16_t>(v));
            w.end();
            w.end();
        };
    };
    const Case cases[] = {
        {"no diffuse keeps white", material([](qmf::Writer&) {}),
         "material m diff=1,1,1 decl=1,1,1 opac=1,1,1 tex=-"},
        {"bytes colour", material(colour(qmf::kDiffuse, 51, 102, 255)),
         "material m diff=0.2,0.4,1 decl=1,1,1 opac=1,1,1 tex=-"},
        {"float colour is not read: current colour (0,0,0) at start", material(floatColour),
         "material m diff=0,0,0 decl=1,1,1 opac=1,1,1 tex=-"},
        {"float colour takes the last bytes colour", material([&](qmf::Writer& w) {
             colour(qmf::kAmbient, 255, 0, 0)(w);
             floatColour(w);
         }),
         "material m diff=1,0,0 decl=1,1,1 opac=1,1,1 tex=-"},
        {"transparency 100 percent", material(percent(qmf::kPercentInt, false, 100)),
         "material m diff=1,1,1 decl=1,1,1 opac=0,0,0 tex=-"},
        {"transparency float percent", material(percent(qmf::kPercentFloat, true, 50)),
         "material m diff=1,1,1 decl=1,1,1 opac=0.5,0.5,0.5 tex=-"},
        {"texture map", material([](qmf::Writer& w) {
             w.begin(qmf::kTextureMap);
             w.begin(qmf::kMapFile);
             w.str("wood.png");
             w.end();
             w.end();
         }),
         "material m diff=1,1,1 decl=1,1,1 opac=1,1,1 tex=wood.png"},
    };
    for (const Case& c : cases) {
        EventLog log;
        ASSERT_EQ(parseBytes(wrapEditor(c.body), log), 1) << c.what;
        ASSERT_EQ(log.lines.size(), 3u) << c.what;
        EXPECT_EQ(log.lines[1], c.expected) << c.what;
    }
}

TEST(ChunkParser, ObjectsWithoutFacesRaiseNoMeshEvent) {
    const auto bytes = wrapEditor([](qmf::Writer& w) {
        w.begin(qmf::kNamedObject);
        w.str("points only");
        w.begin(qmf::kTriMesh);
        w.begin(qmf::kVertexList);
        w.u16(1);
        w.vec3(0, 0, 0);
        w.end();
        w.end();
        w.end();
        w.begin(qmf::kNamedObject);
        w.str("no faces");
        w.begin(qmf::kTriMesh);
        w.begin(qmf::kFaceList);
        w.u16(0);
        w.end();
        w.end();
        w.end();
    });
    EventLog log;
    EXPECT_EQ(parseBytes(bytes, log), 1);
    EXPECT_EQ(log.lines, (Lines{"begin", "end"}));
}

TEST(ChunkParser, FaceGroupsAndHiddenFlag) {
    qmf::Mesh m = triangle("g");
    m.points.push_back({0, 0, 0});
    m.faces.push_back({1, 2, 3, 0});
    m.groups = {{"a", {1}}, {"b", {0, 1}}, {"c", {}}};
    m.hidden = true;
    qmf::Scene s;
    s.meshes.push_back(m);
    EventLog log;
    ASSERT_EQ(parseBytes(qmf::writeScene(s), log), 1);
    EXPECT_EQ(log.lines[1], "mesh g v=4 uv=0 f=2 groups=3 hidden=1");
    ASSERT_EQ(log.lastGroups.size(), 3u);
    EXPECT_EQ(log.lastGroups[0], (std::pair<std::string, std::vector<int>>{"a", {1}}));
    EXPECT_EQ(log.lastGroups[1], (std::pair<std::string, std::vector<int>>{"b", {0, 1}}));
    EXPECT_EQ(log.lastGroups[2].second.size(), 0u);
}

TEST(ChunkParser, SinkCanSkipObjects) {
    qmf::Scene s;
    s.meshes = {triangle("keep"), triangle("drop"), triangle("keep2")};
    EventLog log;
    log.skipName = "drop";
    ASSERT_EQ(parseBytes(qmf::writeScene(s), log), 1);
    EXPECT_EQ(log.lines, (Lines{"begin", "mesh keep v=3 uv=0 f=1 groups=0 hidden=0",
                                "mesh keep2 v=3 uv=0 f=1 groups=0 hidden=0", "end"}));
}

namespace {

std::vector<uint8_t> keyframerFile() {
    qmf::Writer w;
    w.begin(qmf::kMain);
    w.begin(qmf::kKeyframer);
    w.begin(qmf::kObjectNode);
    w.begin(qmf::kNodeHeader);
    w.str("box01");
    w.u16(0), w.u16(0), w.u16(0xFFFF);
    w.end();
    w.begin(qmf::kNodeId);
    w.u16(3);
    w.end();
    w.begin(qmf::kPivot);
    w.vec3(1, 2, 3);
    w.end();
    w.begin(qmf::kPositionTrack);
    w.u16(0), w.u32(0), w.u32(0), w.u32(2);
    w.u32(0), w.u16(0), w.vec3(1, 2, 3);
    w.u32(10), w.u16(0x0003), w.f32(9), w.f32(9), w.vec3(4, 5, 6);
    w.end();
    w.begin(qmf::kRotationTrack);
    w.u16(0), w.u32(0), w.u32(0), w.u32(1);
    w.u32(3), w.u16(0x0010), w.f32(9), w.f32(3.14159265f), w.vec3(1, 2, 3);
    w.end();
    w.begin(qmf::kScaleTrack);
    w.u16(0), w.u32(0), w.u32(0), w.u32(1);
    w.u32(0), w.u16(0), w.vec3(2, 3, 4);
    w.end();
    w.begin(qmf::kInstanceName);
    w.str("box01.inst");
    w.end();
    w.end();
    w.begin(qmf::kObjectNode);  // a node without a name raises nothing
    w.begin(qmf::kNodeId);
    w.u16(4);
    w.end();
    w.end();
    w.end();
    w.end();
    return w.bytes();
}

struct NodeCatcher {
    std::vector<std::string> names;
    std::vector<float> posX;
    std::vector<float> rotation;  // time, angle, axis x, y, z of the first key
    std::vector<float> scale;     // x, y, z of the first key
    int16_t id = 0, parent = 0;
    float pivot[3] = {};
};

int nodeSink(int event, void* record, void* user) {
    if (event != kEventNode) return 0;
    auto& c = *static_cast<NodeCatcher*>(user);
    const auto& n = *static_cast<NodeRecord*>(record);
    c.names.push_back(n.name);
    c.id = n.nodeId;
    c.parent = n.parentId;
    for (int i = 0; i < 3; ++i) c.pivot[i] = n.pivot[i];
    for (int k = kTrackRotAngle; k <= kTrackRotZ; ++k)
        if (const KeyTrack* t = n.tracks[k]) {
            if (k == kTrackRotAngle) c.rotation.push_back(t->keys[0]);
            c.rotation.push_back(t->keys[1]);
        }
    for (int k = kTrackScaleX; k <= kTrackScaleZ; ++k)
        if (const KeyTrack* t = n.tracks[k]) c.scale.push_back(t->keys[1]);
    if (const KeyTrack* t = n.tracks[kTrackPosX])
        for (int k = 0; k < t->keyCount; ++k)
            c.posX.insert(c.posX.end(), {t->keys[6 * k], t->keys[6 * k + 1]});
    return 0;
}

}  // namespace

TEST(ChunkParser, NestedObjectNodesAreReadOneByOne) {
    // A node inside another node (no sound file has one) is its own node; the outer one keeps
    // its header and goes on after it.
    qmf::Writer w;
    w.begin(qmf::kMain);
    w.begin(qmf::kKeyframer);
    w.begin(qmf::kObjectNode);
    w.begin(qmf::kNodeHeader);
    w.str("outer");
    w.u16(0), w.u16(0), w.u16(0xFFFF);
    w.end();
    w.begin(qmf::kObjectNode);
    w.begin(qmf::kNodeHeader);
    w.str("inner");
    w.u16(0), w.u16(0), w.u16(0);
    w.end();
    w.end();
    w.begin(qmf::kNodeId);
    w.u16(7);
    w.end();
    w.end();
    w.begin(qmf::kObjectNode);  // and a node nested in a node without a header
    w.begin(qmf::kObjectNode);
    w.end();
    w.end();
    w.end();
    w.end();
    qmftest::StreamFixture f(w.bytes());
    NodeCatcher c;
    ASSERT_EQ(parseChunkFile(f.stream(), nodeSink, &c, 1), 1);
    EXPECT_EQ(c.names, (Lines{"inner", "outer"}));
    EXPECT_EQ(c.id, 7);
}

TEST(ChunkParser, KeyframerSkippedWhenSwitchOff) {
    EventLog log;
    EXPECT_EQ(parseBytes(keyframerFile(), log, 0), 1);
    EXPECT_EQ(log.lines, (Lines{"begin", "end"}));
}

TEST(ChunkParser, KeyframerNodesWhenSwitchOn) {
    qmftest::StreamFixture f(keyframerFile());
    NodeCatcher c;
    ASSERT_EQ(parseChunkFile(f.stream(), nodeSink, &c, 1), 1);
    EXPECT_EQ(c.names, (Lines{"box01.inst"})) << "the instance name replaces the header's";
    // Rotation: angle in degrees, axis (-x, z, -y); scale (x, z, y).
    ASSERT_EQ(c.rotation.size(), 5u);
    EXPECT_FLOAT_EQ(c.rotation[0], 3.0f / 0.033333335f);
    EXPECT_NEAR(c.rotation[1], 180.0f, 1e-3f);
    EXPECT_EQ(c.rotation[2], -1.0f);
    EXPECT_EQ(c.rotation[3], 3.0f);
    EXPECT_EQ(c.rotation[4], -2.0f);
    EXPECT_EQ(c.scale, (std::vector<float>{2, 4, 3}));
    EXPECT_EQ(c.id, 3);
    EXPECT_EQ(c.parent, -1);
    EXPECT_EQ(c.pivot[0], -1.0f);
    EXPECT_EQ(c.pivot[1], 3.0f);
    EXPECT_EQ(c.pivot[2], -2.0f);
    // Times are frame / 0.033333335; position x is stored negated.
    ASSERT_EQ(c.posX.size(), 4u);
    EXPECT_FLOAT_EQ(c.posX[0], 0.0f);
    EXPECT_FLOAT_EQ(c.posX[1], -1.0f);
    EXPECT_FLOAT_EQ(c.posX[2], 10.0f / 0.033333335f);
    EXPECT_FLOAT_EQ(c.posX[3], -4.0f);
}

TEST(ChunkParser, InvertMatrixByCofactors) {
    const float m[4][4] = {{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 1, 0}, {3, -2, 5, 1}};
    float inv[4][4];
    ASSERT_TRUE(invertMatrix4(m, inv));
    // m * inv = identity
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += m[r][k] * inv[k][c];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-6f) << r << c;
        }
    const float singular[4][4] = {{1, 2, 3, 0}, {2, 4, 6, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    float untouched[4][4] = {{7}};
    EXPECT_FALSE(invertMatrix4(singular, untouched));
    EXPECT_EQ(untouched[0][0], 7.0f);
}

TEST(ChunkParser, LocalAxisMovesPointsToObjectSpaceWithKeyframes) {
    qmf::Mesh m = triangle("t");
    m.localAxis = std::array<float, 12>{1, 0, 0, 0, 1, 0, 0, 0, 1, 10, 20, 30};
    qmf::Scene s;
    s.meshes.push_back(m);
    for (int sw : {0, 1}) {
        EventLog log;
        ASSERT_EQ(parseBytes(qmf::writeScene(s), log, sw), 1);
        // With the switch on, the origin (10, 20, 30) is subtracted in file space first.
        const std::vector<float> expected =
            sw ? std::vector<float>{9, -27, 18, 6, -24, 15, 3, -21, 12}
               : std::vector<float>{-1, 3, -2, -4, 6, -5, -7, 9, -8};
        EXPECT_EQ(log.lastPoints, expected) << sw;
    }
}
