#include "host/fileio/scene_summary.h"

#include <map>
#include <sstream>

#include "frame/host_sdk.h"
#include "host/mesh/obj_writer.h"

namespace tarn::fileio {
namespace {

std::vector<std::string> groupMembers(const std::string& group) {
    KStringArray items;
    KGlobal::executeCommand(KString("sets -q " + group), items);
    std::vector<std::string> out;
    for (const KString& s : items) out.emplace_back(s.asChar());
    return out;
}

// Faces named by a set member: "shape" (all) or "shape.f[a]" / "shape.f[a:b]".
void markFaces(const std::string& member, const std::string& shape, int faces, int material,
               std::vector<int>& perFace) {
    if (member == shape) {
        perFace.assign(faces, material);
        return;
    }
    const std::string prefix = shape + ".f[";
    if (member.compare(0, prefix.size(), prefix) != 0 || member.back() != ']') return;
    const std::string range = member.substr(prefix.size(), member.size() - prefix.size() - 1);
    int a = 0, b = 0;
    const auto colon = range.find(':');
    try {
        a = std::stoi(range.substr(0, colon));
        b = colon == std::string::npos ? a : std::stoi(range.substr(colon + 1));
    } catch (...) {
        return;
    }
    for (int f = std::max(a, 0); f <= b && f < faces; ++f) perFace[f] = material;
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
            case KFn::kPhong: s.materials.emplace_back(KFnDependencyNode(node).name().asChar()); break;
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
            default: break;
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

nlohmann::json summaryJson(const SceneSummary& s) {
    nlohmann::json j;
    j["meshes"] = nlohmann::json::array();
    for (const auto& m : s.meshes)
        j["meshes"].push_back({{"name", m.name}, {"transform", m.transform}, {"vertices", m.vertices},
                               {"faces", m.faces}, {"uvs", m.hasUVs}, {"visible", m.visible}});
    j["materials"] = s.materials;
    j["shadingGroups"] = nlohmann::json::array();
    for (const auto& g : s.shadingGroups)
        j["shadingGroups"].push_back({{"name", g.name}, {"members", g.members}});
    j["cameras"] = s.cameras;
    j["totalVertices"] = s.totalVertices;
    j["totalFaces"] = s.totalFaces;
    return j;
}

bool writeSceneObj(const SceneSummary& s, const std::string& path, std::string* error) {
    std::vector<ObjMaterial> materials;
    std::map<std::string, int> byGroup;
    for (const auto& g : s.shadingGroups) {
        const std::string shader =
            g.name.size() > 2 && g.name.compare(g.name.size() - 2, 2, "SG") == 0
                ? g.name.substr(0, g.name.size() - 2)
                : g.name;
        KSelectionList sel;
        if (!sel.add(KString(shader))) continue;
        KObject node;
        sel.getDependNode(0, node);
        if (node.apiType() != KFn::kPhong) continue;
        KFnPhongShader phong(node);
        ObjMaterial m;
        m.name = shader;
        const KColor c = phong.color(), sp = phong.specularColor(), t = phong.transparency();
        for (int i = 0; i < 3; ++i) {
            m.color[i] = c[i];
            m.specular[i] = sp[i];
            m.transparency[i] = t[i];
        }
        m.cosinePower = phong.cosPower();
        byGroup[g.name] = static_cast<int>(materials.size());
        materials.push_back(m);
    }
    std::vector<ObjShape> shapes;
    for (const auto& ms : s.meshes) {
        KSelectionList sel;
        if (!sel.add(KString(ms.name))) continue;
        KDagPath dag;
        if (!sel.getDagPath(0, dag)) continue;
        KFnMesh mesh(dag);
        ObjShape shape;
        shape.name = ms.transform;
        shape.mesh = mesh.hostMesh();
        if (!shape.mesh) continue;
        const KMatrix world = dag.inclusiveMatrix();
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) shape.toWorld.m[r][c] = world[r][c];
        shape.faceMaterial.assign(ms.faces, -1);
        for (const auto& g : s.shadingGroups) {
            auto it = byGroup.find(g.name);
            if (it == byGroup.end()) continue;
            for (const auto& member : g.members)
                markFaces(member, ms.name, ms.faces, it->second, shape.faceMaterial);
        }
        shapes.push_back(shape);
    }
    return writeObj(path, shapes, materials, error);
}

}  // namespace tarn::fileio
