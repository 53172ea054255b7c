// describeScene [-json]: the DAG, meshes with their counts and face shading, shading nodes with
// their colours and connections, cameras, and the selection.

#include <nlohmann/json.hpp>

#include <sstream>

#include "host/commands/scene_command_util.h"
#include "host/commands/scene_commands.h"
#include "host/dg/graph.h"
#include "host/lang/command_modules.h"
#include "host/nurbs/surface_node.h"
#include "host/scene/component_name.h"
#include "host/scene/dag.h"
#include "host/scene/history.h"
#include "host/scene/node_access.h"
#include "host/scene/selection.h"
#include "host/shading/shading_nodes.h"

namespace tarn::commands {

using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::Value;
using nlohmann::json;

namespace {

json vec(const KVector& v) {
    return json::array({v.x, v.y, v.z});
}
json vec(const KPoint& p) {
    return json::array({p.x, p.y, p.z});
}

const char* kindName(shading::ShadingKind k) {
    switch (k) {
        case shading::ShadingKind::Shader:
            return "shader";
        case shading::ShadingKind::Texture:
            return "texture";
        case shading::ShadingKind::Placement:
            return "placement";
        case shading::ShadingKind::ShadingGroup:
            return "shadingGroup";
        case shading::ShadingKind::Set:
            return "set";
        case shading::ShadingKind::None:
            break;
    }
    return "";
}

// Runs of equal groups over the faces: [{"group": G, "faces": "0:5"}...].
json faceShading(const KObject& mesh) {
    json out = json::array();
    std::vector<std::pair<std::string, std::vector<int>>> byGroup;
    for (const shading::GroupRun& run : shading::faceGroupRuns(mesh)) {
        const std::string name = run.group.isNull() ? std::string() : scene::nodeName(run.group);
        auto it = std::find_if(byGroup.begin(), byGroup.end(),
                               [&](const auto& p) { return p.first == name; });
        if (it == byGroup.end()) it = byGroup.insert(byGroup.end(), {name, {}});
        for (int f = run.first; f < run.first + run.count; ++f) it->second.push_back(f);
    }
    for (const auto& [name, faces] : byGroup) {
        json ranges = json::array();
        for (const std::string& s :
             scene::formatComponentNames("", scene::ComponentKind::Face, faces))
            ranges.push_back(s.substr(3, s.size() - 4));  // ".f[0:5]" -> "0:5"
        out.push_back({{"group", name.empty() ? json(nullptr) : json(name)},
                       {"faceCount", faces.size()},
                       {"faces", ranges}});
    }
    return out;
}

// A surface shape's degrees, counts, domain and object-space box (of a tessellation, four
// samples a span); null when it holds no surface.
json describeSurface(const KObject& shape) {
    const nurbs::SurfaceRef ref = nurbs::shapeSurface(shape);
    if (!ref) return nullptr;
    const nurbs::NurbsSurface& s = ref->surface();
    double u0, u1, v0, v1;
    nurbs::knotDomain(s, u0, u1, v0, v1);
    Box3 box;
    for (const Vec3& p : nurbs::tessellate(s, 4, 4).points) box.expand(p);
    const auto form = [](nurbs::SurfaceForm f) {
        return f == nurbs::SurfaceForm::Open     ? "open"
               : f == nurbs::SurfaceForm::Closed ? "closed"
                                                 : "periodic";
    };
    return {{"degree", json::array({s.degreeU, s.degreeV})},
            {"cvs", json::array({s.numU, s.numV})},
            {"patches", json::array({nurbs::spanBreaks(s, true).size() - 1,
                                     nurbs::spanBreaks(s, false).size() - 1})},
            {"knotDomain", json::array({json::array({u0, u1}), json::array({v0, v1})})},
            {"form", json::array({form(s.formU), form(s.formV)})},
            {"rational", !s.weights.empty()},
            {"boundingBox", json::array({json::array({box.min.x, box.min.y, box.min.z}),
                                         json::array({box.max.x, box.max.y, box.max.z})})}};
}

json describeNode(const KObject& node) {
    NodeImpl* n = scene::liveNode(node);
    const KObject parent = scene::parentOf(node);
    json j = {{"name", n->name()},
              {"type", n->type().name},
              {"path", scene::fullPathName(node)},
              {"parent", parent.isNull() ? json(nullptr) : json(scene::nodeName(parent))},
              {"hidden", !scene::isVisible(node)}};
    if (node.apiType() == KFn::kTransform) {
        KVector t, r, s;
        scene::getTransformValues(node, t, r, s);
        j["translate"] = vec(t);
        j["rotate"] = vec(r);
        j["scale"] = vec(s);
    } else if (scene::MeshNode* m = scene::meshNode(node)) {
        const PolyMesh& mesh = m->mesh();
        const Box3 box = mesh.bounds();
        j["mesh"] = {
            {"vertices", mesh.numVertices()},
            {"edges", mesh.numEdges()},
            {"faces", mesh.numFaces()},
            {"uvs", mesh.uvSet() ? mesh.uvSet()->u.size() : 0},
            {"uvSets", mesh.uvSetNames()},
            {"softEdges",
             [&] {
                 int soft = 0;
                 for (int e = 0; e < mesh.numEdges(); ++e) soft += mesh.isEdgeSmooth(e) ? 1 : 0;
                 return soft;
             }()},
            {"backfaceCulling", static_cast<int>(scene::readNumber(node, "backfaceCulling"))},
            {"boundingBox", box.empty()
                                ? json(nullptr)
                                : json::array({json::array({box.min.x, box.min.y, box.min.z}),
                                               json::array({box.max.x, box.max.y, box.max.z})})},
            {"shading", faceShading(node)}};
        // Construction history, nearest node first; absent for a mesh without any.
        std::vector<std::string> history;
        for (const KObject& h : scene::listHistory(node)) history.push_back(scene::nodeName(h));
        if (!history.empty()) j["mesh"]["history"] = history;
    } else if (node.apiType() == KFn::kNurbsSurface) {
        j["surface"] = describeSurface(node);
    } else if (node.apiType() == KFn::kCamera) {
        KFnCamera cam(node);
        j["camera"] = {{"eyePoint", vec(cam.eyePoint(KSpace::kWorld))},
                       {"centerOfInterest", vec(cam.centerOfInterestPoint(KSpace::kWorld))},
                       {"viewDirection", vec(cam.viewDirection(KSpace::kWorld))},
                       {"nearClipPlane", cam.nearClippingPlane()},
                       {"farClipPlane", cam.farClippingPlane()},
                       {"horizontalFieldOfView", cam.horizontalFieldOfView()},
                       {"aspectRatio", cam.aspectRatio()},
                       {"orthographic", cam.isOrtho()}};
    }
    return j;
}

json describeShadingNode(const KObject& node) {
    NodeImpl* n = scene::liveNode(node);
    json j = {{"name", n->name()},
              {"type", n->type().name},
              {"kind", kindName(shading::shadingKind(node))}};
    // Colours a user sets (a shading group's surfaceShader only carries its connection).
    json colours = json::object();
    for (const auto& a : n->type().attributes())
        if (!shading::isShadingGroup(node))
            if (a->usedAsColor && a->writable)
                colours[a->longName] = vec(scene::readVector(node, a->longName));
    if (!colours.empty()) j["colors"] = colours;
    if (!scene::attributeByName(node, "fileTextureName").isNull()) {
        KStatus status;
        const KDataHandle h =
            Graph::instance().readHandle(scene::plugByName(node, "fileTextureName"), &status);
        j["fileTextureName"] = status.error() ? std::string() : h.asString().str();
    }
    json inputs = json::array();
    for (const Connection& c : Graph::instance().connections()) {
        if (c.dstNode.get() != n || !c.srcNode || !c.srcNode->alive()) continue;
        inputs.push_back({{"from", c.srcNode->name() + "." + c.srcAttr->longName},
                          {"to", n->name() + "." + c.dstAttr->longName}});
    }
    j["connections"] = inputs;
    if (shading::isShadingGroup(node)) {
        const KObject shader = shading::surfaceShaderOf(node);
        j["surfaceShader"] = shader.isNull() ? json(nullptr) : json(scene::nodeName(shader));
    }
    return j;
}

json describeJson() {
    scene::ensureSceneTypes();
    json dag = json::array();
    for (const KObject& node : scene::allDagNodes()) dag.push_back(describeNode(node));
    json shadingNodes = json::array();
    for (const KObject& node : Graph::instance().nodes())
        if (scene::liveNode(node) && shading::shadingKind(node) != shading::ShadingKind::None)
            shadingNodes.push_back(describeShadingNode(node));
    return {{"dag", dag},
            {"shading", shadingNodes},
            {"selection", scene::selectionStrings(scene::activeSelection())}};
}

std::string numbers(const json& a) {
    std::string out = "(";
    for (size_t i = 0; i < a.size(); ++i) out += (i ? ", " : "") + formatNumber(a[i].get<double>());
    return out + ")";
}

std::string describeText(const json& scene) {
    std::ostringstream out;
    for (const json& n : scene["dag"]) {
        const std::string path = n["path"].get<std::string>();
        const size_t depth = std::count(path.begin(), path.end(), '|');
        out << std::string(2 * (depth - 1), ' ') << n["name"].get<std::string>() << " ("
            << n["type"].get<std::string>() << ")" << (n["hidden"].get<bool>() ? " hidden" : "");
        if (n.contains("translate"))
            out << " t" << numbers(n["translate"]) << " r" << numbers(n["rotate"]) << " s"
                << numbers(n["scale"]);
        if (n.contains("mesh")) {
            const json& m = n["mesh"];
            out << " vertices " << m["vertices"] << ", edges " << m["edges"] << ", faces "
                << m["faces"] << ", uvs " << m["uvs"];
            if (m.contains("history")) {
                out << ", history";
                for (const json& h : m["history"]) out << " " << h.get<std::string>();
            }
            for (const json& s : m["shading"]) {
                out << "\n" << std::string(2 * depth, ' ') << "faces";
                for (const json& r : s["faces"]) out << " " << r.get<std::string>();
                out << " -> " << (s["group"].is_null() ? "(none)" : s["group"].get<std::string>());
            }
        }
        if (n.contains("surface") && !n["surface"].is_null()) {
            const json& f = n["surface"];
            out << " degree " << numbers(f["degree"]) << " cvs " << numbers(f["cvs"]) << " patches "
                << numbers(f["patches"]);
        }
        if (n.contains("camera")) {
            const json& c = n["camera"];
            out << " eye " << numbers(c["eyePoint"]) << " centre of interest "
                << numbers(c["centerOfInterest"]) << " clip " << formatNumber(c["nearClipPlane"])
                << ".." << formatNumber(c["farClipPlane"]);
        }
        out << "\n";
    }
    out << "shading nodes:\n";
    for (const json& s : scene["shading"]) {
        out << "  " << s["name"].get<std::string>() << " (" << s["type"].get<std::string>() << ")";
        if (s.contains("colors"))
            for (const auto& [name, value] : s["colors"].items())
                out << " " << name << numbers(value);
        if (s.contains("fileTextureName"))
            out << " fileTextureName \"" << s["fileTextureName"].get<std::string>() << "\"";
        for (const json& c : s["connections"])
            out << "\n    " << c["from"].get<std::string>() << " -> " << c["to"].get<std::string>();
        out << "\n";
    }
    out << "selection:";
    for (const json& s : scene["selection"]) out << " " << s.get<std::string>();
    out << "\n";
    return out.str();
}

CommandResult describeSceneCmd(const CommandArgs& args, CommandContext&) {
    const json scene = describeJson();
    // Strings read from files (a texture path in a legacy encoding) may hold bytes that are not
    // UTF-8: they are shown as U+FFFD rather than failing the whole description.
    if (args.has("json")) return Value(scene.dump(2, ' ', false, json::error_handler_t::replace));
    return Value(describeText(scene));
}

}  // namespace

void addDescribeCommand(lang::CommandRegistry& registry) {
    registry.add({.name = "describeScene",
                  .usage = "describeScene [-json]",
                  .flags = {{.longName = "json", .shortName = "json"}},
                  .body = describeSceneCmd});
}

}  // namespace tarn::commands
