#include "host/fileio/scene_summary.h"

#include <sstream>

#include "frame/host_sdk.h"

namespace tarn::fileio {
namespace {

std::vector<std::string> groupMembers(const std::string& group) {
    KStringArray items;
    KGlobal::executeCommand(KString("sets -q " + group), items);
    std::vector<std::string> out;
    for (const KString& s : items) out.emplace_back(s.asChar());
    return out;
}

}  // namespace

SceneSummary summarizeScene() {
    SceneSummary s;
    KSelectionList all;
    all.add(KString("*"));
    for (unsigned i = 0; i < all.length(); ++i) {
        KObject node;
        all.getDependNode(i, node);
        switch (node.apiType()) {
            case KFn::kMesh: {
                KDagPath path;
                KDagPath::getAPathTo(node, path);
                KFnMesh mesh(path);
                MeshSummary m;
                m.name = mesh.name().asChar();
                m.transform = KFnDagNode(path.transform()).name().asChar();
                m.vertices = mesh.numVertices();
                m.faces = mesh.numPolygons();
                m.hasUVs = mesh.numUVs() > 0;
                m.visible = path.isVisible();
                s.totalVertices += m.vertices;
                s.totalFaces += m.faces;
                s.meshes.push_back(m);
                break;
            }
            case KFn::kPhong:
                s.materials.emplace_back(KFnDependencyNode(node).name().asChar());
                break;
            case KFn::kShadingEngine: {
                GroupSummary g;
                g.name = KFnDependencyNode(node).name().asChar();
                g.members = groupMembers(g.name);
                s.shadingGroups.push_back(g);
                break;
            }
            case KFn::kCamera: {
                KDagPath path;
                KDagPath::getAPathTo(node, path);
                s.cameras.emplace_back(KFnDagNode(path.transform()).name().asChar());
                break;
            }
            default:
                break;
        }
    }
    return s;
}

std::string summaryText(const SceneSummary& s) {
    std::ostringstream os;
    os << "meshes: " << s.meshes.size() << " (" << s.totalVertices << " vertices, " << s.totalFaces
       << " faces)\n";
    for (const auto& m : s.meshes)
        os << "  " << m.transform << "|" << m.name << ": " << m.vertices << " vertices, " << m.faces
           << " faces" << (m.hasUVs ? ", UVs" : "") << (m.visible ? "" : ", hidden") << "\n";
    os << "materials: " << s.materials.size() << "\n";
    for (const auto& m : s.materials) os << "  " << m << "\n";
    os << "shading groups: " << s.shadingGroups.size() << "\n";
    for (const auto& g : s.shadingGroups) {
        os << "  " << g.name << ":";
        for (const auto& m : g.members) os << " " << m;
        os << "\n";
    }
    os << "cameras: " << s.cameras.size() << "\n";
    for (const auto& c : s.cameras) os << "  " << c << "\n";
    return os.str();
}

}  // namespace tarn::fileio
