// End-to-end: the sceneReader plug-in loaded into the host; files imported through
// `file -import`, checked through the command journal and the scene.
//
// Note: the first test sees a fresh scene, so host-given names (plasticSG, file1, ...) are
// exact there; later tests use names of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "frame/host_sdk.h"
#include "host/lang/idle_queue.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/plugins/plugin_registry.h"
#include "import/scene_reader_translator.h"
#include "import/trib_render_tarn.h"
#include "test_files.h"
#include "tools/qmf/qmf_scene.h"

using Lines = std::vector<std::string>;

namespace {

void loadSceneReader() {
    auto& loader = tarn::plugins::PluginLoader::instance();
    if (loader.find("sceneReader")) return;
    std::string error;
    ASSERT_FALSE(loader.load(std::string(TARN_PLUGIN_DIR) + "/sceneReader.so", &error).error())
        << error;
}

// Imports bytes through the command; returns the command's status and the journal texts it ran.
KStatus importBytes(const std::vector<uint8_t>& bytes, Lines* texts = nullptr,
                    const std::string& flags = "-type \"QMF\" ") {
    loadSceneReader();
    qmftest::TempFile file(bytes, "scene.qmf");
    tarn::lang::journal().clear();
    const KStatus st =
        KGlobal::executeCommand(KString("file -import " + flags + "\"" + file.path() + "\""));
    if (texts) {
        texts->clear();
        for (const auto& e : tarn::lang::journal().entries())
            if (e.text.rfind("file -import ", 0) != 0) texts->push_back(e.text);  // not itself
    }
    return st;
}

unsigned nodeCount() {
    KSelectionList all;
    all.add(KString("*"));
    return all.length();
}

KDagPath pathOf(const std::string& name) {
    KSelectionList sel;
    KDagPath path;
    if (sel.add(KString(name))) sel.getDagPath(0, path);
    return path;
}

qmf::Mesh triangles(const std::string& name, std::vector<qmf::Face> faces, int points) {
    qmf::Mesh m;
    m.name = name;
    for (int i = 0; i < points; ++i) m.points.push_back({float(i), float(i * i % 7), 0});
    m.faces = std::move(faces);
    return m;
}

// The sample scene imported once per process; the journal texts of that import.
const Lines& sampleImport() {
    static Lines texts;
    static bool done = false;
    if (!done) {
        done = true;
        const KStatus st = importBytes(qmf::writeScene(qmf::sampleScene()), &texts);
        EXPECT_TRUE(st);
    }
    return texts;
}

}  // namespace

TEST(SceneReader, SampleSceneCommandTexts) {
    const Lines& texts = sampleImport();
    const Lines expected = {
        // Materials: the default, then newest to oldest.
        "sets -renderable true -noSurfaceShader true -empty -name plasticSG",
        "defaultNavigation -force true -connectToExisting -source plastic -destination plasticSG",
        "shadingNode -asTexture file",
        "connectAttr file1.outColor checker.color",
        "setAttr -type \"string\" file1.fileTextureName \"checker.png\"",
        "sets -renderable true -noSurfaceShader true -empty -name checkerSG",
        "defaultNavigation -force true -connectToExisting -source checker -destination checkerSG",
        "sets -renderable true -noSurfaceShader true -empty -name glassSG",
        "defaultNavigation -force true -connectToExisting -source glass -destination glassSG",
        "sets -renderable true -noSurfaceShader true -empty -name brickSG",
        "defaultNavigation -force true -connectToExisting -source brick -destination brickSG",
        // Meshes: soft edges and the whole mesh to its first group's shading group.
        "ls -sl",
        "polySoftEdge -a 180 -ch 0",
        "sets -edit -forceElement checkerSG floorShape",
        "ls -sl",
        "polySoftEdge -a 180 -ch 0",
        "sets -edit -forceElement brickSG houseShape",
        // Two groups: each selected and listed now, assigned on the idle queue.
        "ls -sl",
        "ls -sl",
        "ls -sl",
        "polySoftEdge -a 180 -ch 0",
        "sets -edit -forceElement checkerSG crateShape",
        "hide ghostShape",
        "ls -sl",
        "polySoftEdge -a 180 -ch 0",
        "sets -edit -forceElement glassSG ghostShape",
        "sets -edit -forceElement brickSG house.f[0:5] house.f[8:11]",
        "sets -edit -forceElement glassSG house.f[6:7]",
    };
    EXPECT_EQ(texts, expected);
}

TEST(SceneReader, SampleSceneObjects) {
    sampleImport();
    // Meshes sit under the transform their block created, which carries the object's name.
    for (const char* name : {"floor", "house", "crate", "ghost"}) {
        KDagPath shape = pathOf(std::string(name) + "Shape");
        ASSERT_TRUE(shape.isValid()) << name;
        EXPECT_EQ(KFnDagNode(shape.transform()).name(), KString(name));
    }
    EXPECT_FALSE(pathOf("ghostShape").isVisible());
    EXPECT_TRUE(pathOf("houseShape").isVisible());
    KFnMesh house(pathOf("houseShape"));
    EXPECT_EQ(house.numPolygons(), 12);
    EXPECT_EQ(house.numVertices(), 8);
    EXPECT_EQ(house.numUVs(), 8);
    // Points are mirrored in z twice (parser and back-end): file (x, y, z) lands at (-x, z, y).
    KPoint p;
    ASSERT_TRUE(KFnMesh(pathOf("floorShape")).getPoint(1, p));
    EXPECT_DOUBLE_EQ(p.x, -50.0);
    EXPECT_DOUBLE_EQ(p.y, 0.0);
    EXPECT_DOUBLE_EQ(p.z, -50.0);
    // The camera's transform carries its object's name; far clipping plane 100000.
    KDagPath cam = pathOf("camera01");
    ASSERT_TRUE(cam.isValid());
    ASSERT_TRUE(cam.extendToShape());
    KFnCamera camera(cam);
    EXPECT_DOUBLE_EQ(camera.farClippingPlane(), 100000.0);
    const KPoint eye = camera.eyePoint(KSpace::kWorld);
    EXPECT_NEAR(eye.x, -120.0, 1e-9);
    EXPECT_NEAR(eye.y, 90.0, 1e-9);
    EXPECT_NEAR(eye.z, 160.0, 1e-9);
    // Phong colours: brick diffuse (178, 60, 40) / 255; glass 60 % transparent.
    KSelectionList sel;
    ASSERT_TRUE(sel.add(KString("glass")));
    KObject glass;
    sel.getDependNode(0, glass);
    KFnPhongShader phong(glass);
    EXPECT_NEAR(phong.transparency().r, 0.6f, 1e-6f);
    EXPECT_NEAR(phong.color().b, 230.0f / 255.0f, 1e-6f);
}

TEST(SceneReader, DroppedFacesFollowTheRemap) {
    // Face 1 repeats a vertex, face 3 names a vertex past the list; group numbers 77 is past
    // the face count. Kept faces: 0 -> 0, 2 -> 1.
    qmf::Scene s;
    s.materials = {{"remapA"}, {"remapB"}};
    qmf::Mesh m =
        triangles("remapped", {{0, 1, 2, 0}, {3, 3, 4, 0}, {2, 1, 5, 0}, {0, 9, 1, 0}}, 6);
    m.groups = {{"remapA", {0, 1}}, {"remapB", {2, 3, 77}}};
    s.meshes.push_back(m);
    Lines texts;
    ASSERT_TRUE(importBytes(qmf::writeScene(s), &texts));
    KFnMesh mesh(pathOf("remappedShape"));
    EXPECT_EQ(mesh.numPolygons(), 2);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "sets -edit -forceElement remapASG remapped.f[0]");
    EXPECT_EQ(texts[texts.size() - 1], "sets -edit -forceElement remapBSG remapped.f[1]");
}

TEST(SceneReader, GroupWhoseFacesWereAllDroppedIsSkipped) {
    // Face 1 repeats a vertex and is dropped; group "allDropped" holds only it. It makes no
    // selection and no query, so the selection after the import is the last group with faces.
    qmf::Scene s;
    s.materials = {{"keptFaces"}, {"allDropped"}};
    qmf::Mesh m = triangles("dropgroups", {{0, 1, 2, 0}, {3, 3, 4, 0}, {2, 1, 5, 0}}, 6);
    m.groups = {{"keptFaces", {0, 2}}, {"allDropped", {1}}};
    s.meshes.push_back(m);
    Lines texts;
    ASSERT_TRUE(importBytes(qmf::writeScene(s), &texts));
    // One query for the whole mesh (soft edges), one for the group that kept faces.
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "ls -sl"), 2)
        << ::testing::PrintToString(texts);
    for (const auto& t : texts)
        EXPECT_EQ(t.find("-forceElement allDroppedSG"), std::string::npos) << t;
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "sets -edit -forceElement keptFacesSG dropgroups.f[0:1]");
    KStringArray selected;
    ASSERT_TRUE(KGlobal::executeCommand("ls -sl", selected));
    ASSERT_EQ(selected.length(), 1u);
    EXPECT_EQ(std::string(selected[0].asChar()), "dropgroups.f[0:1]");
}

TEST(SceneReader, GroupAssignmentsWaitForTheIdleQueue) {
    qmf::Scene s;
    s.materials = {{"idleA"}, {"idleB"}};
    qmf::Mesh m = triangles("idlemesh", {{0, 1, 2, 0}, {1, 2, 3, 0}}, 4);
    m.groups = {{"idleA", {1}}, {"idleB", {0}}};
    s.meshes.push_back(m);
    qmftest::TempFile file(qmf::writeScene(s), "idle.qmf");
    tarn::lang::idleQueue().flush();
    // The translator itself (no file command around it): the assignments are only queued.
    ASSERT_TRUE(importQmfFile(file.path().c_str()));
    EXPECT_EQ(tarn::lang::idleQueue().pending(),
              (Lines{"sets -edit -forceElement idleASG idlemesh.f[1]",
                     "sets -edit -forceElement idleBSG idlemesh.f[0]"}));
    EXPECT_EQ(tarn::lang::idleQueue().flush(), 2u);
}

TEST(SceneReader, MaterialFallbacks) {
    // No face groups: the oldest material's group; a single group: that group, whole.
    qmf::Scene s;
    s.materials = {{"oldestMat"}, {"newerMat"}};
    s.meshes.push_back(triangles("ungrouped", {{0, 1, 2, 0}}, 3));
    qmf::Mesh one = triangles("onegroup", {{0, 1, 2, 0}}, 3);
    one.groups = {{"newerMat", {0}}};
    s.meshes.push_back(one);
    Lines texts;
    ASSERT_TRUE(importBytes(qmf::writeScene(s), &texts));
    auto has = [&](const std::string& t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    };
    EXPECT_TRUE(has("sets -edit -forceElement oldestMatSG ungroupedShape"));
    EXPECT_TRUE(has("sets -edit -forceElement newerMatSG onegroupShape"));
    for (const auto& t : texts) EXPECT_EQ(t.find("onegroup.f["), std::string::npos) << t;
}

TEST(SceneReader, ShortUvListGivesNoUvs) {
    qmf::Scene s;
    qmf::Mesh m = triangles("shortuv", {{0, 1, 2, 0}, {1, 2, 3, 0}}, 4);
    m.uvs = {{0, 0}, {1, 0}};  // four vertices, two UVs
    s.meshes.push_back(m);
    ASSERT_TRUE(importBytes(qmf::writeScene(s)));
    KFnMesh mesh(pathOf("shortuvShape"));
    EXPECT_EQ(mesh.numPolygons(), 2);
    EXPECT_EQ(mesh.numUVs(), 0);
}

TEST(SceneReader, FacesPastTheVertexListAreDropped) {
    // Three points; the second face names vertex 5, which the list does not hold.
    qmf::Scene s;
    s.meshes.push_back(triangles("shortpoints", {{0, 1, 2, 0}, {0, 2, 5, 0}}, 3));
    ASSERT_TRUE(importBytes(qmf::writeScene(s)));
    KFnMesh mesh(pathOf("shortpointsShape"));
    EXPECT_EQ(mesh.numVertices(), 3);
    EXPECT_EQ(mesh.numPolygons(), 1);
}

TEST(SceneReader, EmptyMainChunkCreatesOnlyDefaults) {
    qmf::Writer w;
    w.header(qmf::kMain, 6);
    const unsigned before = nodeCount();
    Lines texts;
    ASSERT_TRUE(importBytes(w.bytes(), &texts));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("sets -renderable true -noSurfaceShader true -empty -name plastic", 0),
              0u);
    EXPECT_EQ(texts[1].rfind("defaultNavigation -force true -connectToExisting -source plastic", 0),
              0u);
    EXPECT_GT(nodeCount(), before);
}

TEST(SceneReader, FailuresCreateNothing) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"zero-length file", {}},
        {"wrong first id", {0x3D, 0x3D, 6, 0, 0, 0}},
        {"two bytes", {0x4D, 0x4D}},
    };
    for (const auto& c : cases) {
        const unsigned before = nodeCount();
        Lines texts;
        EXPECT_FALSE(importBytes(c.bytes, &texts)) << c.what;
        EXPECT_TRUE(texts.empty()) << c.what;
        EXPECT_EQ(nodeCount(), before) << c.what;
    }
    loadSceneReader();
    EXPECT_FALSE(KGlobal::executeCommand("file -import -type \"QMF\" \"/nonexistent/x.qmf\""));
}

TEST(SceneReader, TypeDetectionClaimsOnlyTheMainId) {
    qmf::Writer alt;
    alt.header(qmf::kMainAltA, 6);
    EXPECT_FALSE(importBytes(alt.bytes(), nullptr, "")) << "0x3DC2 is not claimed by detection";
    EXPECT_TRUE(importBytes(alt.bytes(), nullptr, "-type \"QMF\" ")) << "but imports when chosen";
    qmf::Writer main;
    main.header(qmf::kMain, 6);
    EXPECT_TRUE(importBytes(main.bytes(), nullptr, ""));
}

TEST(SceneReader, TruncatedFilesImportWhatWasComplete) {
    const auto full = qmf::writeScene(qmf::sampleScene());
    // Cuts before the first chunk header is whole fail and create nothing; later cuts import
    // what came before the cut (at least the default material's two commands).
    for (size_t cut :
         {size_t(0), size_t(5), size_t(7), full.size() / 3, full.size() / 2, full.size() - 1}) {
        std::vector<uint8_t> bytes(full.begin(), full.begin() + cut);
        const unsigned before = nodeCount();
        Lines texts;
        const KStatus st = importBytes(bytes, &texts);
        EXPECT_EQ(bool(st), cut >= 6) << cut;
        if (st) {
            EXPECT_GE(texts.size(), 2u) << cut;
            EXPECT_GT(nodeCount(), before) << cut;
        } else {
            EXPECT_EQ(nodeCount(), before) << cut;
        }
    }
}

TEST(SceneReader, TextureNamesArriveIntactAndRunNothing) {
    // Map names are data: quotes, backslashes and control characters in them reach the file
    // texture unchanged, and none of them ends the string literal to run a command of its own.
    const std::string injected =
        (std::filesystem::temp_directory_path() / "tarn_scene_reader_injected.obj").string();
    std::filesystem::remove(injected);
    const std::string names[] = {
        "x.jpg\"; exportObj \"" + injected,
        "C:\\scenes\\my maps\\wood grain.jpg",
        "tab\there\nnew line\r`ls`$x \\\"",
        "\\",
        "trailing\\",
    };
    int n = 0;
    for (const std::string& name : names) {
        qmf::Scene s;
        const std::string material = "quotedMat" + std::to_string(n++);
        s.materials = {{material}};
        s.materials[0].textureFile = name;
        Lines texts;
        ASSERT_TRUE(importBytes(qmf::writeScene(s), &texts)) << name;
        for (const auto& t : texts) EXPECT_EQ(t.rfind("exportObj", 0), std::string::npos) << t;
        const auto& entries = tarn::lang::journal().entries();
        const auto created = std::find_if(entries.begin(), entries.end(), [](const auto& e) {
            return e.text == "shadingNode -asTexture file";
        });
        ASSERT_NE(created, entries.end()) << name;
        KString stored;
        ASSERT_TRUE(KGlobal::executeCommand(
            KString("getAttr " + created->result + ".fileTextureName"), stored));
        EXPECT_EQ(stored.str(), name);
        // Every import command succeeded: nothing was cut into pieces.
        for (const auto& e : entries) EXPECT_EQ(e.status, 0) << e.text;
    }
    EXPECT_FALSE(std::filesystem::exists(injected));
}

TEST(TsceneReader, TranslatorSlots) {
    TsceneReader t;
    EXPECT_TRUE(t.haveReadMethod());
    EXPECT_FALSE(t.haveWriteMethod());
    EXPECT_FALSE(t.canBeOpened());
    EXPECT_EQ(t.defaultExtension(), KString("qmf"));
    const struct {
        const char bytes[4];
        short size;
        KPxFileTranslator::KFileKind kind;
    } cases[] = {
        {{0x4D, 0x4D, 0, 0}, 4, KPxFileTranslator::kIsMyFileType},
        {{0x4D, 0x4D, 0x7F, 0x7F}, 0, KPxFileTranslator::kIsMyFileType},  // count not consulted
        {{0x4D, 0x4C, 0, 0}, 4, KPxFileTranslator::kNotMyFileType},
        {{static_cast<char>(0xC2), 0x3D, 0, 0}, 4, KPxFileTranslator::kNotMyFileType},
        {{static_cast<char>(0xAA), 0x3D, 0, 0}, 4, KPxFileTranslator::kNotMyFileType},
    };
    for (const auto& c : cases) EXPECT_EQ(t.identifyFile(KFileObject(), c.bytes, c.size), c.kind);
    EXPECT_FALSE(t.reader(KFileObject(KString("/nonexistent/file.qmf")), KString(),
                          KPxFileTranslator::kImportAccessMode));
}

TEST(SceneReaderPlugin, RegistersTheTranslatorAndUnloads) {
    loadSceneReader();
    auto& loader = tarn::plugins::PluginLoader::instance();
    const tarn::plugins::PluginImpl* plugin = loader.find("sceneReader");
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->vendor, "Copper Gleam");
    EXPECT_EQ(plugin->version, "1.0b2");
    const auto* entry = tarn::plugins::Registry::instance().findTranslator("QMF");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->pixmapName, "");
    EXPECT_FALSE(entry->requiresFullCommandLanguage);
    std::string error;
    ASSERT_FALSE(loader.unload("sceneReader", false, &error).error()) << error;
    EXPECT_EQ(tarn::plugins::Registry::instance().findTranslator("QMF"), nullptr);
}

TEST(TribRenderTarn, FaceFilterAndVertexCount) {
    const struct {
        const char* what;
        std::vector<int> counts, indices;
        int vertexCount;
        std::vector<int> keptCounts, keptIndices, remap;
    } cases[] = {
        {"all good", {3, 3}, {0, 1, 2, 2, 1, 3}, 4, {3, 3}, {0, 1, 2, 2, 1, 3}, {0, 1}},
        {"repeated index", {3, 3}, {0, 0, 1, 0, 1, 2}, 3, {3}, {0, 1, 2}, {-1, 0}},
        {"index past the vertices", {3, 3}, {0, 1, 9, 0, 1, 2}, 3, {3}, {0, 1, 2}, {-1, 0}},
        {"negative index", {3}, {0, -1, 2}, 3, {}, {}, {-1}},
        {"two corners", {2, 3}, {0, 1, 0, 1, 2}, 3, {3}, {0, 1, 2}, {-1, 0}},
        {"counts past the index list", {3, 3}, {0, 1, 2, 0}, 3, {3}, {0, 1, 2}, {0, -1}},
        {"quad kept", {4}, {0, 1, 2, 3}, 4, {4}, {0, 1, 2, 3}, {0}},
    };
    for (const auto& c : cases) {
        const MeshFaceFilter f = filterMeshFaces(c.counts.data(), int(c.counts.size()),
                                                 c.indices.data(), c.indices.size(), c.vertexCount);
        EXPECT_EQ(f.counts, c.keptCounts) << c.what;
        EXPECT_EQ(f.indices, c.keptIndices) << c.what;
        EXPECT_EQ(f.remap, c.remap) << c.what;
    }
    const std::vector<int> idx = {0, 7, 3};
    EXPECT_EQ(meshVertexCount(idx.data(), idx.size(), 100), 8);
    EXPECT_EQ(meshVertexCount(idx.data(), idx.size(), 5), 5) << "never more than the points held";
    EXPECT_EQ(meshVertexCount(idx.data(), 0, 5), 0);
}
