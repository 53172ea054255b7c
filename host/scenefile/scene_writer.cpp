#include "host/scenefile/scene_writer.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/option_vars.h"
#include "host/nurbs/curve_data.h"
#include "host/nurbs/surface_data.h"
#include "host/plugins/plugin_registry.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/mesh_data.h"
#include "host/scene/selection.h"
#include "host/scenefile/geometry_blocks.h"
#include "host/scenefile/placeholder_node.h"
#include "host/scenefile/scene_document.h"
#include "host/scenefile/scene_parser.h"
#include "host/scenefile/text_codec.h"
#include "host/shading/shading_nodes.h"
#include "host/view/active_view.h"

namespace tarn::scenefile {

namespace {

constexpr const char* kIndent = "    ";

// A destination plug: node, attribute, element index (-1 outside arrays).
using PlugKey = std::tuple<const NodeImpl*, const AttributeImpl*, int>;

// The plugs values come into through connections (live ones, and those placeholders keep):
// their stored values are not written, the connection gives them.
struct Destinations {
    std::set<PlugKey> plugs;
    // Placeholder links name plugs by text: node and attribute name (element indices aside).
    std::set<std::pair<const NodeImpl*, std::string>> named;

    bool has(const NodeImpl* node, const AttributeImpl* a, int index) const {
        for (const AttributeImpl* at = a; at; at = at->parent) {
            if (plugs.count({node, at, at->arrayRoot ? index : -1})) return true;
            if (!named.empty() &&
                (named.count({node, at->longName}) || named.count({node, at->shortName})))
                return true;
        }
        return false;
    }
    // True when the attribute or anything below it is a destination.
    bool any(const NodeImpl* node, const AttributeImpl& a, int index) const {
        const auto& all = node->type().attributes();
        for (int i = a.index; i < a.subtreeEnd; ++i)
            if (has(node, all[static_cast<std::size_t>(i)].get(), index)) return true;
        return false;
    }
};

// The attribute name part of a placeholder link's plug text ("out[2].x" -> "out").
std::string rootName(const std::string& plug) {
    return plug.substr(0, plug.find_first_of("[."));
}

Destinations gatherDestinations() {
    Destinations d;
    for (const Connection& c : Graph::instance().connections())
        d.plugs.insert({c.dstNode.get(), c.dstAttr, c.dstAttr->arrayRoot ? c.dstIndex : -1});
    for (const KObject& node : Graph::instance().nodes()) {
        const PlaceholderNode* p = placeholderOf(node);
        if (!p) continue;
        for (const PlaceholderNode::Link& link : p->links)
            if (const auto other = link.other.lock(); link.outgoing && other)
                d.named.insert({other.get(), rootName(link.otherPlug)});
    }
    return d;
}

bool isNumericKind(CellKind k) {
    return k == CellKind::kBool || k == CellKind::kInt || k == CellKind::kFloat ||
           k == CellKind::kDouble || k == CellKind::kMatrix || k == CellKind::kFloatMatrix;
}

void appendCell(std::string& out, CellKind kind, double value) {
    switch (kind) {
        case CellKind::kFloat:
        case CellKind::kFloatMatrix:
            appendFloat(out, static_cast<float>(value));
            break;
        case CellKind::kInt:
        case CellKind::kBool:
            appendInt(out, static_cast<long long>(value));
            break;
        default:
            appendNumber(out, value);
    }
}

// The data kinds a file can hold, and whether an object holds a value of one.
bool holdsData(const KObject& data) {
    if (const auto* mesh = scene::MeshDataImpl::from(data)) return mesh != nullptr;
    if (const auto* curve = nurbs::NurbsCurveDataImpl::from(data)) return curve->value != nullptr;
    if (const auto* surface = nurbs::NurbsSurfaceDataImpl::from(data))
        return surface->value != nullptr;
    return false;
}

// Attributes whose content the node's own block carries: a mesh's input (its mesh block holds
// the mesh), a NURBS shape's `create`.
bool carriedByBlock(const NodeImpl& node, const AttributeImpl& a) {
    const KFn::Type t = node.apiType();
    if (t == KFn::kMesh) return a.longName == "inMesh";
    if (t == KFn::kNurbsCurve || t == KFn::kNurbsSurface) return a.longName == "create";
    return false;
}

class NodeWriter {
public:
    NodeWriter(std::string& out, NodeImpl& node, const Destinations& destinations)
        : m_out(out), m_node(node), m_dest(destinations), m_type(node.type()) {}

    void values() {
        for (const auto& shared : m_type.attributes()) {
            const AttributeImpl& a = *shared;
            if (a.parent || !a.storable || a.computed || carriedByBlock(m_node, a)) continue;
            if (a.array) {
                const ArrayStore& store = m_node.store().array(a);
                for (const auto& element : store.elements)
                    unit(a, static_cast<int>(element->logicalIndex), element->block,
                         m_type.elementDefaults(a.arraySlot));
            } else {
                unit(a, -1, m_node.store().root(), m_type.rootDefaults());
            }
        }
    }

    void locks() {
        for (const auto& shared : m_type.attributes()) {
            const AttributeImpl& a = *shared;
            if (!a.arrayRoot) {
                if (m_node.isLocked(a, -1)) lockLine(a, -1);
                continue;
            }
            for (const auto& element : m_node.store().array(*a.arrayRoot).elements) {
                const int index = static_cast<int>(element->logicalIndex);
                if (m_node.isLocked(a, index)) lockLine(a, index);
            }
        }
    }

private:
    // The name of attribute `a` at element `index` as statements give it.
    std::string nameOf(const AttributeImpl& a, int index) const {
        if (index < 0) return a.longName;
        const AttributeImpl& root = *a.arrayRoot;
        std::string name = root.longName + "[" + std::to_string(index) + "]";
        if (&a != &root) name += "." + a.longName;
        return name;
    }

    bool sameCells(const AttributeImpl& a, const CellBlock& block, const CellBlock& defaults) {
        for (int k = 0; k < a.width; ++k)
            if (block.cells[static_cast<std::size_t>(a.cell + k)].d !=
                defaults.cells[static_cast<std::size_t>(a.cell + k)].d)
                return false;
        return true;
    }

    void numbersLine(const AttributeImpl& a, int index, const CellBlock& block) {
        m_out += kIndent;
        m_out += nameOf(a, index);
        m_out += " =";
        for (int k = 0; k < a.width; ++k) {
            m_out += ' ';
            appendCell(m_out, a.cellKinds[static_cast<std::size_t>(k)],
                       block.cells[static_cast<std::size_t>(a.cell + k)].d);
        }
        m_out += '\n';
    }

    // One attribute (a root attribute in the root scope or one array element): one line for
    // an all-number value, else a line per leaf that differs from its default.
    void unit(const AttributeImpl& a, int index, const CellBlock& block,
              const CellBlock& defaults) {
        const auto& all = m_type.attributes();
        bool numeric = true;
        for (int i = a.index; i < a.subtreeEnd; ++i) {
            const AttributeImpl& at = *all[static_cast<std::size_t>(i)];
            if (at.isLeaf() && !isNumericKind(at.kind)) numeric = false;
        }
        if (numeric && a.width > 0 && !m_dest.any(&m_node, a, index)) {
            if (!sameCells(a, block, defaults)) numbersLine(a, index, block);
            return;
        }
        for (int i = a.index; i < a.subtreeEnd; ++i) {
            const AttributeImpl& leaf = *all[static_cast<std::size_t>(i)];
            if (!leaf.isLeaf() || !leaf.storable || leaf.computed ||
                m_dest.has(&m_node, &leaf, index))
                continue;
            if (isNumericKind(leaf.kind)) {
                if (leaf.width > 0 && !sameCells(leaf, block, defaults))
                    numbersLine(leaf, index, block);
            } else if (leaf.kind == CellKind::kString) {
                const std::string& text = block.strings[static_cast<std::size_t>(leaf.aux)].str();
                if (text == leaf.defaultString) continue;
                m_out += kIndent;
                m_out += nameOf(leaf, index);
                m_out += " = ";
                appendQuoted(m_out, text);
                m_out += '\n';
            } else if (leaf.kind == CellKind::kData) {
                const KObject& data = block.objects[static_cast<std::size_t>(leaf.aux)];
                if (holdsData(data)) dataLines(leaf, index, data);
            }
        }
    }

    void dataLines(const AttributeImpl& a, int index, const KObject& data) {
        const std::string head = std::string(kIndent) + nameOf(a, index) + " = ";
        const std::string inner = std::string(kIndent) + kIndent;
        if (const auto* mesh = scene::MeshDataImpl::from(data)) {
            m_out += head + "mesh {\n";
            writeMeshBody(m_out, mesh->mesh(), inner);
        } else if (const auto* curve = nurbs::NurbsCurveDataImpl::from(data)) {
            m_out += head + "curve {\n";
            writeCurveBody(m_out, *curve->value, inner);
        } else if (const auto* surface = nurbs::NurbsSurfaceDataImpl::from(data)) {
            m_out += head + "surface {\n";
            writeSurfaceBody(m_out, surface->value->surface(), inner);
        }
        m_out += kIndent;
        m_out += "}\n";
    }

    void lockLine(const AttributeImpl& a, int index) {
        m_out += kIndent;
        m_out += "lock ";
        m_out += nameOf(a, index);
        m_out += '\n';
    }

    std::string& m_out;
    NodeImpl& m_node;
    const Destinations& m_dest;
    const NodeType& m_type;
};

// Faces of a mesh by shading group, runs in face order ("0:3 7").
void writeShading(std::string& out, scene::MeshNode& mesh, int faces) {
    std::vector<std::pair<std::shared_ptr<NodeImpl>, std::string>> groups;
    int first = 0;
    for (const scene::FaceGroupRuns::Run& r : mesh.faceGroups.runs()) {
        if (first >= faces) break;
        const int count = std::min(r.count, faces - first);
        auto group = r.group.lock();
        if (group && group->alive()) {
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const auto& g) { return g.first == group; });
            if (it == groups.end()) it = groups.insert(groups.end(), {group, {}});
            it->second += ' ' + std::to_string(first);
            if (count > 1) it->second += ':' + std::to_string(first + count - 1);
        }
        first += count;
    }
    for (const auto& [group, ranges] : groups)
        out += std::string(kIndent) + "shading " + group->name() + ranges + "\n";
}

void writeShapeBlock(std::string& out, NodeImpl& node) {
    const std::string inner = std::string(kIndent) + kIndent;
    KPxNode* user = node.userNode();
    if (auto* mesh = dynamic_cast<scene::MeshNode*>(user)) {
        // With history the mesh is pulled first: the block holds what the shape shows (so a
        // shape whose history cannot be rebuilt still shows it), before its tweaks.
        const int faces = mesh->readMesh().numFaces();
        out += std::string(kIndent) + "mesh {\n";
        writeMeshBody(out, *mesh->untweakedMesh(), inner);
        out += std::string(kIndent) + "}\n";
        writeShading(out, *mesh, faces);
    } else if (auto* curve = dynamic_cast<scene::NurbsCurveNode*>(user)) {
        if (curve->cvs.empty()) return;
        out += std::string(kIndent) + "curve {\n";
        writeCurveBody(out, curve->degree,
                       curve->closed ? CurveBlock::Form::Closed : CurveBlock::Form::Open,
                       curve->cvs, curve->knots, inner);
        out += std::string(kIndent) + "}\n";
    } else if (auto* surface = dynamic_cast<scene::NurbsSurfaceNode*>(user)) {
        if (!surface->surface) return;
        out += std::string(kIndent) + "surface {\n";
        writeSurfaceBody(out, surface->surface->surface(), inner);
        out += std::string(kIndent) + "}\n";
    } else if (auto* set = dynamic_cast<shading::SetNode*>(user)) {
        for (const shading::SetMember& m : set->members) {
            const auto member = m.node.lock();
            if (member && member->alive() && isItemWord(member->name() + m.component))
                out += std::string(kIndent) + "member " + member->name() + m.component + "\n";
        }
    }
}

std::string pluginOf(const NodeImpl& node, std::string* version) {
    const auto* plugin = static_cast<const plugins::PluginImpl*>(node.type().owner);
    if (!plugin) return {};
    *version = plugin->version;
    return plugin->name;
}

void writeNode(std::string& out, NodeImpl& node, const Destinations& destinations) {
    if (const PlaceholderNode* p = placeholderOf(scene::handleOf(node.shared_from_this()))) {
        out += "node " + p->type + " " + node.name();
        if (!p->parent.empty()) out += " parent " + p->parent;
        out += " plugin ";
        appendQuoted(out, p->plugin);
        out += " {\n" + p->body + "}\n";
        return;
    }
    out += "node " + node.type().name + " " + node.name();
    const KObject handle = scene::handleOf(node.shared_from_this());
    if (const KObject parent = scene::parentOf(handle); !parent.isNull())
        out += " parent " + scene::nodeName(parent);
    std::string version;
    if (const std::string plugin = pluginOf(node, &version); !plugin.empty()) {
        out += " plugin ";
        appendQuoted(out, plugin);
    }
    out += " {\n";
    NodeWriter writer(out, node, destinations);
    writer.values();
    writer.locks();
    writeShapeBlock(out, node);
    out += "}\n";
}

// Every node: the DAG depth first in child order (parents before their children, so a reader
// makes them in order), then the other nodes in the order they were made.
std::vector<std::shared_ptr<NodeImpl>> nodesInFileOrder() {
    std::vector<std::shared_ptr<NodeImpl>> order;
    std::set<const NodeImpl*> placed;
    for (const KObject& o : scene::allDagNodes()) {
        NodeImpl* n = NodeImpl::from(o);
        if (!n) continue;
        order.push_back(n->shared_from_this());
        placed.insert(n);
    }
    for (const KObject& o : Graph::instance().nodes()) {
        NodeImpl* n = NodeImpl::from(o);
        if (n && n->alive() && !placed.count(n)) order.push_back(n->shared_from_this());
    }
    return order;
}

// The plug text of one end of a connection ("node.attr[2].leaf").
std::string plugText(const NodeImpl& node, const AttributeImpl& a, int index) {
    std::string text = node.name() + ".";
    if (a.arrayRoot && index >= 0) {
        text += a.arrayRoot->longName + "[" + std::to_string(index) + "]";
        if (&a != a.arrayRoot) text += "." + a.longName;
    } else {
        text += a.longName;
    }
    return text;
}

void writeConnections(std::string& out, const std::vector<std::shared_ptr<NodeImpl>>& nodes) {
    std::vector<std::string> lines;
    for (const Connection& c : Graph::instance().connections())
        lines.push_back("connect " + plugText(*c.srcNode, *c.srcAttr, c.srcIndex) + " " +
                        plugText(*c.dstNode, *c.dstAttr, c.dstIndex) + "\n");
    // Connections a placeholder keeps go back to their places among the file's connections
    // (a link between two placeholders is kept by both: written once, by its source).
    std::vector<std::pair<std::size_t, std::string>> kept;
    for (const auto& node : nodes) {
        const PlaceholderNode* p = placeholderOf(scene::handleOf(node));
        if (!p) continue;
        for (const PlaceholderNode::Link& link : p->links) {
            const auto other = link.other.lock();
            if (!other || !other->alive()) continue;
            if (!link.outgoing && placeholderOf(scene::handleOf(other))) continue;
            const std::string own = node->name() + "." + link.ownPlug;
            const std::string far = other->name() + "." + link.otherPlug;
            kept.emplace_back(
                link.fileIndex,
                "connect " + (link.outgoing ? own + " " + far : far + " " + own) + "\n");
        }
    }
    std::sort(kept.begin(), kept.end());
    for (const auto& [at, line] : kept)
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(std::min(at, lines.size())), line);
    for (const std::string& line : lines) out += line;
}

void writeOptions(std::string& out) {
    lang::OptionVars& vars = lang::optionVars();
    const std::string prefix = kSceneOptionPrefix;
    for (const std::string& name : vars.names()) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::optional<lang::Value> value = vars.get(name);
        if (!value) continue;
        out += "option ";
        appendQuoted(out, name);
        switch (value->kind()) {
            case lang::ValueKind::Int:
                out += " int ";
                appendInt(out, value->asInt());
                break;
            case lang::ValueKind::Float:
                out += " float ";
                appendNumber(out, value->asFloat());
                break;
            case lang::ValueKind::String:
                out += " string ";
                appendQuoted(out, value->asString());
                break;
            case lang::ValueKind::IntArray: {
                const auto v = value->asIntArray();
                out += " intArray " + std::to_string(v.size()) + " [";
                for (std::size_t i = 0; i < v.size(); ++i) {
                    if (i) out += ' ';
                    appendInt(out, v[i]);
                }
                out += ']';
                break;
            }
            case lang::ValueKind::FloatArray: {
                const auto v = value->asFloatArray();
                out += " floatArray " + std::to_string(v.size()) + " [";
                for (std::size_t i = 0; i < v.size(); ++i) {
                    if (i) out += ' ';
                    appendNumber(out, v[i]);
                }
                out += ']';
                break;
            }
            case lang::ValueKind::StringArray:
                out += " stringArray";
                for (const std::string& s : value->asStringArray()) {
                    out += ' ';
                    appendQuoted(out, s);
                }
                break;
            case lang::ValueKind::None:
                break;
        }
        out += '\n';
    }
}

void writeView(std::string& out) {
    const view::ActiveView& v = view::ActiveView::instance();
    if (!v.cameraName().empty()) out += "camera " + v.cameraName() + "\n";
    if (const view::ViewCamera* c = v.hasAutomaticCamera() ? &v.automaticCamera() : nullptr) {
        const double values[17] = {c->eye.x,
                                   c->eye.y,
                                   c->eye.z,
                                   c->forward.x,
                                   c->forward.y,
                                   c->forward.z,
                                   c->up.x,
                                   c->up.y,
                                   c->up.z,
                                   c->right.x,
                                   c->right.y,
                                   c->right.z,
                                   c->horizontalFieldOfView,
                                   c->orthographic ? 1.0 : 0.0,
                                   c->orthoWidth,
                                   c->nearClip,
                                   c->farClip};
        out += "automaticCamera";
        for (double x : values) {
            out += ' ';
            appendNumber(out, x);
        }
        out += '\n';
    }
}

}  // namespace

std::string writeScene() {
    scene::ensureSceneTypes();
    const std::vector<std::shared_ptr<NodeImpl>> nodes = nodesInFileOrder();
    const Destinations destinations = gatherDestinations();

    std::string out = "tscene " + std::to_string(kFormatVersion) + "\n";
    // The plug-ins the nodes need, by name, with the version each was saved with.
    std::map<std::string, std::string> plugins;
    for (const auto& node : nodes) {
        if (const PlaceholderNode* p = placeholderOf(scene::handleOf(node))) {
            plugins.emplace(p->plugin, p->pluginVersion);
            continue;
        }
        std::string version;
        if (const std::string name = pluginOf(*node, &version); !name.empty())
            plugins.emplace(name, version);
    }
    for (const auto& [name, version] : plugins) {
        out += "requires ";
        appendQuoted(out, name);
        out += ' ';
        appendQuoted(out, version);
        out += '\n';
    }
    for (const auto& node : nodes) writeNode(out, *node, destinations);
    writeConnections(out, nodes);
    const std::vector<std::string> selection = scene::selectionStrings(scene::activeSelection());
    // Items a statement cannot hold (none the host makes) are left out rather than written
    // into a file that would not open.
    auto writeItems = [&](const char* keyword, const std::vector<std::string>& items) {
        std::string line = keyword;
        for (const std::string& item : items)
            if (isItemWord(item)) line += " " + item;
        if (line.size() > std::strlen(keyword)) out += line + "\n";
    };
    writeItems("select", selection);
    writeItems("hilite", scene::hiliteList());
    writeView(out);
    writeOptions(out);
    return out;
}

}  // namespace tarn::scenefile
