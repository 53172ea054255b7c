#include "import/parse_scene.h"

#include <gtest/gtest.h>

#include "call_log_render.h"
#include "import/ri_tokens.h"
#include "test_files.h"
#include "tools/qmf/qmf_scene.h"

using Lines = std::vector<std::string>;

namespace {

// Parses bytes into the process-wide model; returns the parse result.
struct Parsed {
    explicit Parsed(const std::vector<uint8_t>& bytes)
        : fixture(bytes), source(fixture.stream()), parser(&source) {
        result = parser.parse();
    }
    qmftest::StreamFixture fixture;
    LclTparseFile source;
    TparseQmfFile parser;
    int result = 0;
};

Lines played() {
    CallLogRender r;
    r.play(riListHead(), 0);
    return r.calls;
}

// The calls between "worldBegin" and the mesh blocks, without the camera matrix line.
Lines withoutTransforms(const Lines& calls) {
    Lines out;
    for (const auto& c : calls)
        if (c.rfind("transform", 0) != 0) out.push_back(c);
    return out;
}

qmf::Mesh tri(const std::string& name, std::vector<qmf::FaceGroup> groups = {}) {
    qmf::Mesh m;
    m.name = name;
    m.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2, 0}};
    m.groups = std::move(groups);
    return m;
}

std::vector<std::string> childNames(const RtNodeData* n) {
    std::vector<std::string> out;
    for (const RtNodeData* c = n ? n->firstChild.get() : nullptr; c; c = c->nextSibling.get())
        out.push_back(std::to_string(c->kind) + ":" + c->name);
    return out;
}

const Lines kPrologue = {
    "projection 30",
    "clipping 1 5000",
    "worldBegin",
    "lightSource ambientlight intensity=1 lightcolor=0.390625,0.390625,0.390625",
    "lightSource distantlight from=0,0,0 to=-0.40558,-0.707107,-0.579228 intensity=1 "
    "lightcolor=0.996094,0.996094,0.996094",
    "surface plastic",
    "attributeBegin",
};

Lines concat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

TEST(SceneBuilder, FileWithoutMeshesRecordsTheFrame) {
    qmf::Writer w;
    w.header(qmf::kMain, 6);
    Parsed p(w.bytes());
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(withoutTransforms(played()),
              concat({{"begin \"\""}, kPrologue, {"attributeEnd", "worldEnd", "end"}}));
    EXPECT_EQ(childNames(sceneRoot()), (Lines{"2:Materials"}));
    ASSERT_NE(sceneMaterials(), nullptr);
    EXPECT_EQ(sceneMaterials()->materialName, "plastic");
    EXPECT_EQ(sceneMaterials()->next, nullptr);
}

TEST(SceneBuilder, RefusedFileRecordsNothing) {
    Parsed p({0x12, 0x34, 6, 0, 0, 0});
    EXPECT_EQ(p.result, 0);
}

TEST(SceneBuilder, TexturedMaterialMeshCallList) {
    qmf::Scene s;
    s.materials.push_back({"red", std::nullopt, {{255, 0, 0}}, {{0, 255, 0}}, 50, "t.png"});
    s.meshes.push_back(tri("tri", {{"red", {0}}}));
    Parsed p(qmf::writeScene(s));
    ASSERT_EQ(p.result, 1);
    const Lines expected =
        concat({{"begin \"\"", "makeTexture \"\" t.png black black box 1 1"},
                kPrologue,
                {"attributeBegin", "attribute identifier name tri",
                 "surface paintedplastic texturename=\"t.png\" Ka=1 Kd=0.5 Ks=0.5 roughness=0.1 "
                 "specularcolor=0,1,0",
                 // Textured: colour (1, 1, 1) whatever the diffuse chunk said.
                 "opacity 0.5 0.5 0.5", "color 1 1 1", "pointsPolygons 1 3 no-st", "attributeEnd",
                 "attributeEnd", "worldEnd", "end"}});
    EXPECT_EQ(withoutTransforms(played()), expected);
}

TEST(SceneBuilder, MaterialChoiceForFaceGroups) {
    const struct {
        const char* what;
        std::vector<qmf::Material> materials;
        std::vector<qmf::FaceGroup> groups;
        std::vector<std::string> groupMaterials;
    } cases[] = {
        {"no materials: default plastic", {}, {}, {"plastic"}},
        {"no groups: oldest material", {{"a"}, {"b"}}, {}, {"a"}},
        {"named group", {{"a"}, {"b"}}, {{"b", {0}}}, {"b"}},
        {"undefined name: oldest material", {{"a"}, {"b"}}, {{"zzz", {0}}}, {"a"}},
        {"several groups in order",
         {{"a"}, {"b"}},
         {{"b", {0}}, {"a", {}}, {"plastic", {0}}},
         {"b", "a", "plastic"}},
    };
    for (const auto& c : cases) {
        qmf::Scene s;
        s.materials = c.materials;
        s.meshes.push_back(tri("m", c.groups));
        Parsed p(qmf::writeScene(s));
        ASSERT_EQ(p.result, 1) << c.what;
        const RtNodeData* node = sceneRoot()->firstChild->nextSibling.get();
        ASSERT_NE(node, nullptr) << c.what;
        ASSERT_EQ(node->kind, kNodeMesh);
        const auto* mesh = dynamic_cast<const RtMaterialPointsPolygons*>(node->ref);
        ASSERT_NE(mesh, nullptr);
        std::vector<std::string> names;
        for (const RtFaceGroup* g = &mesh->groups; g; g = g->next.get())
            names.push_back(g->material->materialName);
        EXPECT_EQ(names, c.groupMaterials) << c.what;
        EXPECT_EQ(mesh->groupCount, static_cast<int>(c.groups.size())) << c.what;
    }
}

TEST(SceneBuilder, MaterialListNewestFirstFolderInFileOrder) {
    qmf::Scene s;
    s.materials = {{"one"}, {"two"}, {"three"}};
    Parsed p(qmf::writeScene(s));
    ASSERT_EQ(p.result, 1);
    Lines list;
    for (const RtMaterial* m = sceneMaterials(); m; m = m->next) list.push_back(m->materialName);
    EXPECT_EQ(list, (Lines{"plastic", "three", "two", "one"}));
    EXPECT_EQ(childNames(sceneRoot()->firstChild.get()), (Lines{"3:one", "3:two", "3:three"}));
}

TEST(SceneBuilder, NodeTreeOrder) {
    qmf::Writer w;
    w.begin(qmf::kMain);
    w.begin(qmf::kEditor);
    qmf::writeMesh(w, tri("m1"));
    qmf::writeCamera(w, {"c1", {1, 2, 3}, {0, 0, 0}, 0, 35});
    qmf::writeLight(w, {"l1"});
    qmf::writeMesh(w, tri("m2"));
    qmf::writeCamera(w, {"c2", {9, 9, 9}, {0, 0, 0}, 0, 35});
    qmf::writeLight(w, {"l2"});
    w.end();
    w.end();
    Parsed p(w.bytes());
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(childNames(sceneRoot()),
              (Lines{"2:Materials", "5:c2", "5:c1", "6:l1", "6:l2", "1:m1", "1:m2"}));
    // The default camera took the first file camera's values (converted axes).
    ASSERT_TRUE(p.parser.defaultCameraFromFile());
    const RtCameraData* cam = p.parser.defaultCamera();
    EXPECT_EQ(cam->from[0], -1.0f);
    EXPECT_EQ(cam->from[1], 3.0f);
    EXPECT_EQ(cam->from[2], -2.0f);
    const auto* c1 =
        dynamic_cast<const RtCameraData*>(sceneRoot()->firstChild->nextSibling->nextSibling->ref);
    ASSERT_NE(c1, nullptr);
    EXPECT_EQ(c1->from[2], -2.0f);
}

TEST(SceneBuilder, MeshDataTakenOverFromTheParser) {
    qmf::Mesh m = tri("uvmesh");
    m.uvs = {{0, 0}, {1, 0}, {0, 1}};
    m.hidden = true;
    qmf::Scene s;
    s.meshes.push_back(m);
    Parsed p(qmf::writeScene(s));
    ASSERT_EQ(p.result, 1);
    const RtNodeData* node = sceneRoot()->firstChild->nextSibling.get();
    const auto* mesh = dynamic_cast<const RtPointsPolygons*>(node->ref);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->hidden, 1);
    EXPECT_EQ(mesh->field, 1);
    ASSERT_TRUE(mesh->P && mesh->st);
    EXPECT_EQ(mesh->P->count, 9u);
    EXPECT_EQ(mesh->st->count, 6u);
    EXPECT_EQ(mesh->st->values[5], 0.0f);  // v = 1 stored as 1 - v
    EXPECT_EQ(mesh->indexCount, 3u);
    // The node's call range spans its attribute block.
    ASSERT_NE(node->firstCall, nullptr);
    EXPECT_EQ(node->firstCall->type, kAttributeBeginID);
    EXPECT_EQ(node->lastCall->type, kAttributeEndID);
}

TEST(RecordingLayer, StandardTokens) {
    EXPECT_EQ(kRiStandardTokenCount, 93);
    EXPECT_STREQ(kRiStandardTokens[0], "bad allocation");
    EXPECT_STREQ(kRiStandardTokens[24], "spotight");
    EXPECT_STREQ(kRiStandardTokens[61], "P");
    EXPECT_STREQ(kRiStandardTokens[92], "angle");
    EXPECT_STREQ(kRiStandardTokens[87], "identifier");
}

TEST(RecordingLayer, DeclaredTokensAndUnknownTokens) {
    RiBegin("frame");
    EXPECT_TRUE(riDeclaredTokensBuilt());
    const struct {
        const char* token;
        int kind;
    } kinds[] = {{"P", 7},
                 {"name", 6},
                 {"intensity", 3},
                 {"lightcolor", 4},
                 {"from", 5},
                 {"to", 5},
                 {"Ka", 3},
                 {"Kd", 3},
                 {"Ks", 3},
                 {"roughness", 3},
                 {"specularcolor", 4},
                 {"texturename", 6},
                 {"fov", 0},
                 {"p", 0}};
    for (const auto& k : kinds) EXPECT_EQ(riTokenKind(k.token), k.kind) << k.token;

    const float f = 2.0f, pts[3] = {1, 2, 3};
    testing::internal::CaptureStderr();
    RiLightSource("spot", "intensity", static_cast<RtPointer>(&f), "bogus",
                  static_cast<RtPointer>(&f), "P", static_cast<RtPointer>(pts), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unknown token: bogus\n");
    const Lines calls = played();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "lightSource spot intensity=2 bogus=none P=none");
    riResetRecorder();
}

TEST(RecordingLayer, OnlyRecognisedFormsAreRecorded) {
    const float fov = 45, other = 1;
    const char* name = "obj";
    RiBegin(nullptr);
    RiProjection("perspective", "fov", static_cast<RtPointer>(&fov), nullptr);
    RiProjection("perspective", "angle", static_cast<RtPointer>(&other), nullptr);
    RiProjection("orthographic", nullptr);
    RiAttribute("identifier", "name", static_cast<RtPointer>(&name), nullptr);
    RiAttribute("identifier", "shadinggroup", static_cast<RtPointer>(&name), nullptr);
    RiAttribute("displacementbound", "name", static_cast<RtPointer>(&name), nullptr);
    EXPECT_EQ(played(), (Lines{"begin \"\"", "projection 45", "attribute identifier name obj"}));
    riResetRecorder();
}

TEST(RecordingLayer, SaveRestoreAndSplice) {
    RiBegin("main");
    RiWorldBegin();
    RiWorldEnd();
    RtScene* head = riListHead();
    riSaveList();
    RiIdentity();
    RiSides(2);
    RtScene* saved = riRestoreList();
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->type, kBeginID);  // the placeholder
    RtScene* calls = saved->next;
    saved->next = nullptr;
    delete saved;
    riSplice(head, calls);
    RiEnd();
    EXPECT_EQ(played(),
              (Lines{"begin \"main\"", "identity", "sides 2", "worldBegin", "worldEnd", "end"}));
    riResetRecorder();
}

TEST(SampleScene, ShippedFileMatchesTheWriterAndParses) {
    const std::string path = std::string(TARN_SOURCE_DIR) + "/examples/qmf/sample.qmf";
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    std::vector<uint8_t> shipped;
    for (int c; (c = std::fgetc(f)) != EOF;) shipped.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    EXPECT_EQ(shipped, qmf::writeScene(qmf::sampleScene()))
        << "examples/qmf/sample.qmf is stale: run examples/qmf/regenerate.sh";

    Parsed p(shipped);
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(childNames(sceneRoot()), (Lines{"2:Materials", "5:camera01", "6:sun", "1:floor",
                                              "1:house", "1:crate", "1:ghost"}));
    EXPECT_EQ(childNames(sceneRoot()->firstChild.get()),
              (Lines{"3:brick", "3:glass", "3:checker"}));
}
