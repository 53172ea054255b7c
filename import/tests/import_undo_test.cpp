// Undo and redo of a whole import: the import run with undo on is one undo step that takes the
// meshes, transforms and cameras it made back out, and redo brings the meshes back with the same
// data (shared with the undo records, not copied), edges, normals and shading assignments.
#include <gtest/gtest.h>

#include <algorithm>

#include "frame/host_sdk.h"
#include "host/fileio/scene_summary.h"
#include "host/plugins/plugin_loader.h"
#include "host/undo/undo.h"
#include "test_files.h"
#include "tools/qmf/qmf_scene.h"

namespace {

// What a mesh looks like to a user: counts, one point, one corner normal, soft edges.
struct MeshLook {
    std::string name;
    int vertices = 0, edges = 0, faces = 0, softEdges = 0;
    double pointX = 0, normalZ = 0;
    bool operator==(const MeshLook&) const = default;
};

std::vector<MeshLook> looks(const tarn::fileio::SceneSummary& s) {
    std::vector<MeshLook> out;
    for (const auto& m : s.meshes) {
        KSelectionList sel;
        KDagPath path;
        if (!sel.add(KString(m.name)) || !sel.getDagPath(0, path)) continue;
        KFnMesh fn(path);
        MeshLook look{m.name, fn.numVertices(), fn.numEdges(), fn.numPolygons()};
        for (int e = 0; e < look.edges; ++e) look.softEdges += fn.isEdgeSmooth(e) ? 1 : 0;
        KPoint p;
        fn.getPoint(0, p);
        KIntArray corners;
        fn.getPolygonVertices(0, corners);
        KVector n;
        if (corners.length() > 0) fn.getFaceVertexNormal(0, corners[0], n);
        look.pointX = p.x;
        look.normalZ = n.z;
        out.push_back(look);
    }
    return out;
}

// Members of every shading group, as "group:member".
std::vector<std::string> groupMembers(const tarn::fileio::SceneSummary& s) {
    std::vector<std::string> out;
    for (const auto& g : s.shadingGroups)
        for (const auto& m : g.members) out.push_back(g.name + ":" + m);
    return out;
}

}  // namespace

TEST(SceneReaderUndo, OneUndoTakesTheImportBackAndRedoRestoresIt) {
    auto& loader = tarn::plugins::PluginLoader::instance();
    std::string error;
    if (!loader.find("sceneReader")) {
        ASSERT_FALSE(loader.load(std::string(TARN_PLUGIN_DIR) + "/sceneReader.so", &error).error())
            << error;
    }
    qmf::Scene scene = qmf::sampleScene();
    qmftest::TempFile file(qmf::writeScene(scene), "undo_scene.qmf");

    const auto before = tarn::fileio::summarizeScene();
    ASSERT_TRUE(KGlobal::executeCommand(
        KString("file -import -type \"QMF\" \"" + file.path() + "\""), false, true));
    const auto imported = tarn::fileio::summarizeScene();
    ASSERT_GT(imported.meshes.size(), before.meshes.size());
    const std::vector<MeshLook> importedLooks = looks(imported);

    ASSERT_TRUE(tarn::undo::undoQueue().undo());
    const auto undone = tarn::fileio::summarizeScene();
    EXPECT_EQ(looks(undone), looks(before));
    EXPECT_EQ(undone.cameras, before.cameras);
    // Shaders and groups are made by commands the importer runs with undo off: they stay, empty.
    EXPECT_EQ(groupMembers(undone), groupMembers(before));

    ASSERT_TRUE(tarn::undo::undoQueue().redo());
    const auto redone = tarn::fileio::summarizeScene();
    EXPECT_EQ(looks(redone), importedLooks);
    EXPECT_EQ(redone.materials, imported.materials);
    EXPECT_EQ(redone.cameras, imported.cameras);
    EXPECT_EQ(groupMembers(redone), groupMembers(imported));
    EXPECT_EQ(redone.totalFaces, imported.totalFaces);
}
