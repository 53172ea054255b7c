#include "host/scenefile/scene_checks.h"

#include <climits>
#include <cmath>

#include "host/dg/graph.h"
#include "host/dg/value_rules.h"
#include "host/nurbs/curve_data.h"
#include "host/scene/mesh_data.h"
#include "host/scenefile/geometry_blocks.h"
#include "host/scenefile/placeholder_node.h"
#include "host/scenefile/scene_parser.h"
#include "host/scenefile/scene_writer.h"
#include "host/scenefile/text_codec.h"

namespace tarn::scenefile {

namespace {

// A statement that cannot be taken: its line and why. Thrown while the file is checked.
struct Refusal {
    int line;
    std::string message;
};

// The nodes every scene has; a file may give them values but not another type.
struct DefaultNode {
    const char* name;
    const char* type;
};
constexpr DefaultNode kDefaultNodes[] = {{"lambert1", "lambert"},
                                         {"initialShadingGroup", "shadingEngine"}};

const char* defaultTypeOf(const std::string& name) {
    for (const DefaultNode& d : kDefaultNodes)
        if (name == d.name) return d.type;
    return nullptr;
}

std::string clampNote(double v) {
    std::string s;
    appendNumber(s, v);
    return s;
}

// Checks a file against the node types and the rules of the scene, making the values it will
// store, before anything changes.
class Planner : public ScenePlan {
public:
    Planner(SceneDocument& doc, const std::string& file,
            const std::set<std::string>& missingPlugins)
        : m_doc(doc), m_file(file), m_missing(missingPlugins) {}

    void run() {
        declareNodes();
        declared = nodes.size();
        for (const DefaultNode& d : kDefaultNodes)
            if (!byName.count(d.name)) {
                PlannedNode n;
                n.type = Graph::instance().findType(d.type);
                n.isDefault = n.implicitDefault = true;
                byName[d.name] = nodes.size();
                nodes.push_back(std::move(n));
                implicitNames.push_back(d.name);
            }
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].decl && !nodes[i].placeholder) planBody(nodes[i]);
        for (std::size_t i = 0; i < m_doc.connections.size(); ++i) planConnection(i);
        planView();
        for (const OptionDecl& o : m_doc.options) {
            const std::string prefix = kSceneOptionPrefix;
            if (o.name.compare(0, prefix.size(), prefix) != 0)
                throw Refusal{o.line, "the option variable \"" + o.name +
                                          "\" is a preference, not part of a scene (scene "
                                          "option variables start with \"" +
                                          prefix + "\")"};
        }
        notePlaceholders();
    }

private:
    void declareNodes() {
        Graph& graph = Graph::instance();
        for (NodeDecl& decl : m_doc.nodes) {
            if (byName.count(decl.name))
                throw Refusal{decl.line,
                              "a second node named " + decl.name + " (the first is on line " +
                                  std::to_string(nodes[byName[decl.name]].decl->line) + ")"};
            PlannedNode n;
            n.decl = &decl;
            n.type = graph.findType(decl.type);
            if (decl.type == kPlaceholderType)
                throw Refusal{decl.line, "\"" + decl.type + "\" is not a type a file may name"};
            if (!n.type) {
                if (decl.plugin.empty())
                    throw Refusal{decl.line,
                                  "unknown node type " + decl.type +
                                      " (a type of a plug-in names it: plugin \"NAME\")"};
                n.placeholder = true;
                n.pluginVersion = requiredVersion(decl.plugin);
            }
            if (const char* type = defaultTypeOf(decl.name)) {
                if (decl.type != type)
                    throw Refusal{decl.line, "the default node " + decl.name + " is a " + type +
                                                 ", not a " + decl.type};
                n.isDefault = true;
            }
            if (!decl.parent.empty()) checkParent(n);
            byName[decl.name] = nodes.size();
            nodes.push_back(std::move(n));
        }
    }

    std::string requiredVersion(const std::string& plugin) const {
        for (const PluginRequirement& r : m_doc.plugins)
            if (r.name == plugin) return r.version;
        return {};
    }

    bool isDag(const NodeType* t) const { return t && kFnIsA(t->apiType, KFn::kDagNode); }

    void checkParent(const PlannedNode& n) {
        const NodeDecl& decl = *n.decl;
        if (n.placeholder) return;  // kept as text
        if (!isDag(n.type))
            throw Refusal{decl.line,
                          decl.name + " is a " + decl.type + ", not a DAG node, and has no parent"};
        const auto it = byName.find(decl.parent);
        if (it == byName.end())
            throw Refusal{decl.line, "the parent " + decl.parent + " of " + decl.name +
                                         " must be a node written before it"};
        const PlannedNode& parent = nodes[it->second];
        if (parent.placeholder)
            throw Refusal{decl.line, "the parent " + decl.parent + " of " + decl.name +
                                         " is a node of the missing plug-in " +
                                         parent.decl->plugin};
        if (!parent.type || !kFnIsA(parent.type->apiType, KFn::kTransform))
            throw Refusal{decl.line, "the parent " + decl.parent + " of " + decl.name +
                                         " must be a transform"};
    }

    // Attribute `name` (with element `index` and `leaf`) of a node type, as statements and
    // connections name it.
    const AttributeImpl* resolve(const NodeType& type, const std::string& node,
                                 const std::string& name, int index, const std::string& leaf,
                                 int line) const {
        const AttributeImpl* a = type.findAttribute(name);
        if (!a)
            throw Refusal{line,
                          "the node " + node + " (" + type.name + ") has no attribute " + name};
        if (!leaf.empty()) {
            const AttributeImpl* l = type.findAttribute(leaf);
            if (!l || l == a || !a->contains(l))
                throw Refusal{line, name + " of " + node + " has no child " + leaf};
            a = l;
        }
        if (a->arrayRoot && index < 0)
            throw Refusal{line,
                          name + " of " + node + " is an array: name an element (" + name + "[0])"};
        if (!a->arrayRoot && index >= 0)
            throw Refusal{line, name + " of " + node + " is not an array"};
        return a;
    }

    void planBody(PlannedNode& n) {
        NodeDecl& decl = *n.decl;
        const NodeType& type = *n.type;
        const KFn::Type kind = type.apiType;
        for (AttrValue& v : decl.values) n.values.push_back(planValue(decl, type, v));
        if (kind == KFn::kCamera) checkCamera(n);
        for (const AttrLock& l : decl.locks) {
            const AttributeImpl* a = resolve(type, decl.name, l.name, l.index, l.leaf, l.line);
            n.locks.emplace_back(sharedAttr(a), l.index);
        }
        if (decl.mesh) {
            if (kind != KFn::kMesh)
                throw Refusal{decl.mesh->line,
                              "a mesh block belongs in a mesh node, not a " + decl.type};
            PolyMesh mesh;
            std::string why;
            int line = 0;
            if (!buildMesh(std::move(*decl.mesh), mesh, &why, &line)) throw Refusal{line, why};
            n.mesh = std::move(mesh);
        }
        if (decl.curve) {
            if (kind != KFn::kNurbsCurve)
                throw Refusal{decl.curve->line, "a curve block belongs in a nurbsCurve node"};
            nurbs::NurbsCurve curve;
            std::string why;
            if (!buildCurve(*decl.curve, curve, &why)) throw Refusal{decl.curve->line, why};
            n.curve = std::move(curve);
        }
        if (decl.surface) {
            if (kind != KFn::kNurbsSurface)
                throw Refusal{decl.surface->line, "a surface block belongs in a nurbsSurface node"};
            nurbs::NurbsSurface surface;
            std::string why;
            const int line = decl.surface->line;
            if (!buildSurface(std::move(*decl.surface), surface, &why)) throw Refusal{line, why};
            n.surface = std::make_shared<const nurbs::SurfaceValue>(std::move(surface));
        }
        const int faces = n.mesh ? n.mesh->numFaces() : 0;
        for (const ShadingRun& run : decl.shading) planShading(n, run, faces);
        for (const auto& [line, member] : decl.members) {
            if (kind != KFn::kSet)
                throw Refusal{line, "members belong in an objectSet node, not a " + decl.type};
            const std::size_t dot = member.find('.');
            const std::string node = member.substr(0, dot);
            const auto it = byName.find(node);
            if (it == byName.end() || nodes[it->second].placeholder)
                throw Refusal{line, "the member " + member + " names no node of the file"};
            n.members.emplace_back(it->second, dot == std::string::npos ? "" : member.substr(dot));
        }
    }

    PlannedValue planValue(const NodeDecl& decl, const NodeType& type, AttrValue& v) {
        const AttributeImpl* a = resolve(type, decl.name, v.name, v.index, v.leaf, v.line);
        const std::string plug = decl.name + "." + v.name +
                                 (v.index >= 0 ? "[" + std::to_string(v.index) + "]" : "") +
                                 (v.leaf.empty() ? "" : "." + v.leaf);
        if (a->computed)
            throw Refusal{v.line, plug + " is computed by the node; a file cannot set it"};
        const bool carried =
            (type.apiType == KFn::kMesh && a->longName == "inMesh") ||
            ((type.apiType == KFn::kNurbsCurve || type.apiType == KFn::kNurbsSurface) &&
             a->longName == "create");
        if (carried) throw Refusal{v.line, plug + " is given by the node's own geometry block"};
        PlannedValue out;
        out.attribute = sharedAttr(a);
        out.index = v.index;
        switch (v.kind) {
            case AttrValue::Kind::Numbers: {
                if (a->width == 0 || a->kind == CellKind::kString || a->kind == CellKind::kData)
                    throw Refusal{v.line, plug + " does not hold numbers"};
                out.numbers = v.numbers;
                std::vector<ClampedValue> clamped;
                const std::string problem =
                    checkCellValues(*a, static_cast<unsigned>(a->width), out.numbers, &clamped);
                for (const ClampedValue& c : clamped)
                    warnings.push_back(m_file + ":" + std::to_string(v.line) + ": " +
                                       clampNote(c.wanted) + " is outside the range of " + plug +
                                       "; " + clampNote(out.numbers[c.cell]) + " is used");
                if (!problem.empty()) throw Refusal{v.line, plug + " " + problem};
                break;
            }
            case AttrValue::Kind::Text:
                if (a->kind != CellKind::kString)
                    throw Refusal{v.line, plug + " does not hold a string"};
                out.text = v.text;
                out.isText = true;
                break;
            case AttrValue::Kind::Mesh: {
                if (a->kind != CellKind::kData || a->dataType != KFnData::kMesh)
                    throw Refusal{v.line, plug + " does not hold a mesh"};
                PolyMesh mesh;
                std::string why;
                int line = 0;
                if (!buildMesh(std::move(*v.mesh), mesh, &why, &line)) throw Refusal{line, why};
                out.data =
                    scene::MeshDataImpl::wrap(std::make_shared<const PolyMesh>(std::move(mesh)));
                out.isData = true;
                break;
            }
            case AttrValue::Kind::Curve: {
                if (a->kind != CellKind::kData || a->dataType != KFnData::kNurbsCurve)
                    throw Refusal{v.line, plug + " does not hold a curve"};
                nurbs::NurbsCurve curve;
                std::string why;
                if (!buildCurve(*v.curve, curve, &why)) throw Refusal{v.curve->line, why};
                out.data = nurbs::makeCurveData(
                    std::make_shared<const nurbs::NurbsCurve>(std::move(curve)));
                out.isData = true;
                break;
            }
            case AttrValue::Kind::Surface: {
                if (a->kind != CellKind::kData || a->dataType != KFnData::kNurbsSurface)
                    throw Refusal{v.line, plug + " does not hold a surface"};
                nurbs::NurbsSurface surface;
                std::string why;
                const int line = v.surface->line;
                if (!buildSurface(std::move(*v.surface), surface, &why)) throw Refusal{line, why};
                out.data = nurbs::makeSurfaceData(
                    std::make_shared<const nurbs::SurfaceValue>(std::move(surface)));
                out.isData = true;
                break;
            }
        }
        return out;
    }

    // A camera's lens and clip planes as they will be once every value is in (the order of the
    // statements does not matter): lengths above 0, 0 < near < far.
    void checkCamera(const PlannedNode& n) {
        std::map<std::string, std::pair<double, int>> final;
        for (const auto& shared : n.type->attributes())
            if (shared->isNumericLeaf())
                final[shared->longName] = {shared->defaultValue, n.decl->line};
        for (std::size_t i = 0; i < n.values.size(); ++i)
            if (!n.values[i].isText && !n.values[i].isData && n.values[i].numbers.size() == 1)
                final[n.values[i].attribute->longName] = {n.values[i].numbers[0],
                                                          n.decl->values[i].line};
        for (const char* name : {"focalLength", "horizontalFilmAperture", "verticalFilmAperture",
                                 "orthographicWidth", "nearClipPlane"})
            if (auto it = final.find(name); it != final.end() && !(it->second.first > 0.0))
                throw Refusal{it->second.second,
                              n.decl->name + "." + name + " must be greater than 0"};
        const auto nearPlane = final.find("nearClipPlane"), farPlane = final.find("farClipPlane");
        if (nearPlane != final.end() && farPlane != final.end() &&
            !(nearPlane->second.first < farPlane->second.first))
            throw Refusal{std::max(nearPlane->second.second, farPlane->second.second),
                          n.decl->name + ".nearClipPlane must be less than farClipPlane"};
    }

    void planShading(PlannedNode& n, const ShadingRun& run, int faces) {
        if (n.type->apiType != KFn::kMesh)
            throw Refusal{run.line, "shading belongs in a mesh node"};
        const auto it = byName.find(run.group);
        if (it == byName.end() || !nodes[it->second].type ||
            nodes[it->second].type->apiType != KFn::kShadingEngine)
            throw Refusal{run.line, run.group + " is not a shading group of the file"};
        PlannedNode::Shading s;
        s.group = it->second;
        for (const auto& [first, last] : run.ranges) {
            if (last >= faces)
                throw Refusal{run.line, "face " + std::to_string(last) + " of " + n.decl->name +
                                            " is past its " + std::to_string(faces) + " faces"};
            if (run.ranges.size() == 1 && first == 0 && last == faces - 1) {
                s.all = true;
                break;
            }
            for (int f = first; f <= last; ++f) s.faces.push_back(f);
        }
        n.shading.push_back(std::move(s));
    }

    PlannedPlug planPlug(const std::string& text, int line) {
        const std::size_t dot = text.find('.');
        const std::string node = text.substr(0, dot);
        const auto it = byName.find(node);
        if (dot == std::string::npos || it == byName.end())
            throw Refusal{line, "the plug " + text + " names no node of the file"};
        PlannedPlug p;
        p.node = it->second;
        p.text = text.substr(dot + 1);
        if (nodes[p.node].placeholder) return p;
        // ATTR, ATTR[i] or ATTR[i].LEAF
        std::string name = p.text, leaf;
        int index = -1;
        const std::size_t open = p.text.find('[');
        if (open != std::string::npos) {
            const std::size_t close = p.text.find(']', open);
            long long i = 0;
            if (close == std::string::npos ||
                !parseInt(p.text.substr(open + 1, close - open - 1), 0, INT32_MAX, &i))
                throw Refusal{line, "the plug " + text + " has a bad element index"};
            name = p.text.substr(0, open);
            index = static_cast<int>(i);
            const std::string rest = p.text.substr(close + 1);
            if (!rest.empty()) {
                if (rest[0] != '.' || !isIdentifier(rest.substr(1)))
                    throw Refusal{line, "the plug " + text + " is not node.attribute[i].child"};
                leaf = rest.substr(1);
            }
        }
        if (!isIdentifier(name)) throw Refusal{line, "the plug " + text + " is not node.attribute"};
        p.attribute = sharedAttr(resolve(*nodes[p.node].type, node, name, index, leaf, line));
        p.index = index;
        return p;
    }

    void planConnection(std::size_t i) {
        const Connect& c = m_doc.connections[i];
        PlannedConnection pc;
        pc.source = planPlug(c.source, c.line);
        pc.destination = planPlug(c.destination, c.line);
        pc.fileIndex = i;
        const AttributeImpl* s = pc.source.attribute.get();
        const AttributeImpl* d = pc.destination.attribute.get();
        if (s && d) {
            if (!s->readable || !s->connectable)
                throw Refusal{c.line, c.source + " cannot be the source of a connection"};
            if (!d->writable || !d->connectable || d->computed)
                throw Refusal{c.line, c.destination + " cannot take a connection"};
            if (!sameShape(*s, *d))
                throw Refusal{c.line, c.source + " and " + c.destination +
                                          " do not hold the same kind of value"};
        }
        connections.push_back(std::move(pc));
    }

    void planView() {
        if (!m_doc.automaticCamera) return;
        const double* v = m_doc.automaticCamera->values;
        const int line = m_doc.automaticCamera->line;
        for (int i = 0; i < 17; ++i)
            if (!std::isfinite(v[i])) throw Refusal{line, "the camera takes finite numbers"};
        view::ViewCamera c;
        c.eye = {v[0], v[1], v[2]};
        c.forward = {v[3], v[4], v[5]};
        c.up = {v[6], v[7], v[8]};
        c.right = {v[9], v[10], v[11]};
        c.horizontalFieldOfView = v[12];
        c.orthographic = v[13] != 0.0;
        c.orthoWidth = v[14];
        c.nearClip = v[15];
        c.farClip = v[16];
        const bool ok = c.horizontalFieldOfView > 0 && c.horizontalFieldOfView < M_PI &&
                        c.orthoWidth > 0 && c.nearClip > 0 && c.nearClip < c.farClip &&
                        (v[13] == 0.0 || v[13] == 1.0) && length(c.forward) > 0 &&
                        length(c.up) > 0 && length(c.right) > 0;
        if (!ok)
            throw Refusal{line,
                          "the automatic camera needs directions, a field of view between "
                          "0 and pi, a width above 0 and 0 < near < far"};
        automatic = c;
    }

    void notePlaceholders() {
        std::map<std::string, std::vector<std::string>> byPlugin;
        for (const PlannedNode& n : nodes)
            if (n.placeholder) byPlugin[n.decl->plugin].push_back(n.decl->name);
        for (const auto& [plugin, names] : byPlugin) {
            std::string list;
            for (std::size_t i = 0; i < names.size() && i < 8; ++i)
                list += (i ? ", " : "") + names[i];
            if (names.size() > 8) list += " and " + std::to_string(names.size() - 8) + " more";
            warnings.push_back(m_file + ": " +
                               (m_missing.count(plugin)
                                    ? "the plug-in " + plugin + " is not available"
                                    : "the plug-in " + plugin + " does not register these types") +
                               "; its nodes are kept as placeholders and saved unchanged: " + list);
        }
    }

    SceneDocument& m_doc;
    const std::string& m_file;
    const std::set<std::string>& m_missing;
};

}  // namespace

std::shared_ptr<AttributeImpl> sharedAttr(const AttributeImpl* a) {
    return std::const_pointer_cast<AttributeImpl>(a->shared_from_this());
}

bool checkScene(SceneDocument& doc, const std::string& file,
                const std::set<std::string>& missingPlugins, ScenePlan& plan, int* line,
                std::string* error) {
    Planner planner(doc, file, missingPlugins);
    try {
        planner.run();
    } catch (const Refusal& r) {
        *line = r.line;
        *error = r.message;
        return false;
    }
    plan = std::move(static_cast<ScenePlan&>(planner));
    return true;
}

}  // namespace tarn::scenefile
