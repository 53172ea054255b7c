#include "host/ui/attribute_editor.h"

#include <algorithm>
#include <cmath>

#include "host/commands/dg_commands.h"
#include "host/commands/node_type_help.h"
#include "host/dg/graph.h"
#include "host/plugins/plugin_registry.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/history.h"
#include "host/shading/shading_nodes.h"
#include "host/ui/command_text.h"

namespace tarn::ui {

namespace {

KObject attributeHandle(const AttributeImpl& a) {
    return KObject(std::const_pointer_cast<AttributeImpl>(a.shared_from_this()));
}

bool isDag(const NodeImpl& node) {
    return dynamic_cast<const scene::DagNodeBase*>(node.userNode()) != nullptr;
}

std::string roleOf(const KObject& object) {
    const NodeImpl* node = scene::liveNode(object);
    if (node && dynamic_cast<const scene::TransformNode*>(node->userNode())) return "transform";
    if (node && dynamic_cast<const scene::ShapeNode*>(node->userNode())) return "shape";
    switch (shading::shadingKind(object)) {
        case shading::ShadingKind::ShadingGroup:
            return "shading group";
        case shading::ShadingKind::Set:
            return "set";
        case shading::ShadingKind::Shader:
            return "shader";
        case shading::ShadingKind::Texture:
            return "texture";
        case shading::ShadingKind::Placement:
            return "placement";
        case shading::ShadingKind::None:
            break;
    }
    return "node";
}

// Collects tabs, each node once.
class TabList {
public:
    void add(const KObject& object, const char* role = nullptr) {
        NodeImpl* node = scene::liveNode(object);
        if (!node || std::find(m_seen.begin(), m_seen.end(), node) != m_seen.end()) return;
        m_seen.push_back(node);
        m_tabs.push_back({node->name(), node->type().name, role ? role : roleOf(object)});
    }

    // A node and, breadth first, the non-DAG nodes that feed it.
    void addNetwork(const KObject& object) {
        NodeImpl* start = scene::liveNode(object);
        if (!start) return;
        std::vector<NodeImpl*> queue{start};
        for (std::size_t i = 0; i < queue.size(); ++i) {
            add(scene::handleOf(queue[i]->shared_from_this()));
            for (const Connection& c : Graph::instance().connections()) {
                if (c.dstNode.get() != queue[i] || isDag(*c.srcNode)) continue;
                if (std::find(queue.begin(), queue.end(), c.srcNode.get()) == queue.end())
                    queue.push_back(c.srcNode.get());
            }
        }
    }

    void addMesh(const KObject& shape) {
        for (const KObject& h : scene::listHistory(shape)) add(h, "history");
        std::vector<KObject> groups;
        for (const shading::GroupRun& run : shading::faceGroupRuns(shape))
            if (!run.group.isNull() &&
                std::find(groups.begin(), groups.end(), run.group) == groups.end())
                groups.push_back(run.group);
        for (const KObject& g : groups) addNetwork(g);
    }

    void addDag(const KObject& object) {
        KObject transform = object;
        const NodeImpl* node = scene::liveNode(object);
        if (node && dynamic_cast<const scene::ShapeNode*>(node->userNode()))
            transform = scene::parentOf(object);
        add(transform);
        std::vector<KObject> shapes = scene::shapesOf(transform);
        if (std::find(shapes.begin(), shapes.end(), object) == shapes.end() && object != transform)
            shapes.insert(shapes.begin(), object);
        for (const KObject& s : shapes) add(s);
        for (const KObject& s : shapes)
            if (scene::meshNode(s)) addMesh(s);
    }

    AttributeTabs finish(const std::string& current) && {
        AttributeTabs out;
        out.tabs = std::move(m_tabs);
        for (std::size_t i = 0; i < out.tabs.size(); ++i)
            if (out.tabs[i].node == current) out.current = int(i);
        return out;
    }

private:
    std::vector<const NodeImpl*> m_seen;
    std::vector<AttributeTab> m_tabs;
};

// The mesh shape whose history `node` sits in (following mesh outputs downstream), or null.
KObject meshFedBy(NodeImpl* node) {
    std::vector<NodeImpl*> queue{node};
    for (std::size_t i = 0; i < queue.size() && i < 256; ++i) {
        for (const Connection& c : Graph::instance().connections()) {
            if (c.srcNode.get() != queue[i] || c.srcAttr->kind != CellKind::kData) continue;
            KObject dst = scene::handleOf(c.dstNode);
            if (scene::meshNode(dst)) return dst;
            if (std::find(queue.begin(), queue.end(), c.dstNode.get()) == queue.end())
                queue.push_back(c.dstNode.get());
        }
    }
    return {};
}

bool isNumericLeaf(const AttributeImpl& a) {
    return a.isNumericLeaf() && !a.array;
}

AttributeWidget widgetOf(const AttributeImpl& a) {
    if (a.array) return AttributeWidget::Array;
    if (!a.enumFields.empty()) return AttributeWidget::Enum;
    switch (a.kind) {
        case CellKind::kBool:
            return AttributeWidget::Bool;
        case CellKind::kInt:
            return AttributeWidget::Int;
        case CellKind::kFloat:
        case CellKind::kDouble:
            return AttributeWidget::Float;
        case CellKind::kString:
            return AttributeWidget::String;
        case CellKind::kMatrix:
        case CellKind::kFloatMatrix:
            return AttributeWidget::Matrix;
        case CellKind::kMessage:
            return AttributeWidget::Message;
        case CellKind::kCompound: {
            const bool numeric =
                !a.children.empty() && std::all_of(a.children.begin(), a.children.end(),
                                                   [](const auto& c) { return isNumericLeaf(*c); });
            if (numeric && a.usedAsColor && a.children.size() == 3) return AttributeWidget::Color;
            if (numeric && (a.children.size() == 2 || a.children.size() == 3))
                return AttributeWidget::Vector;
            return AttributeWidget::Compound;
        }
        default:
            return AttributeWidget::Data;
    }
}

bool takesNumbers(AttributeWidget w) {
    return w == AttributeWidget::Bool || w == AttributeWidget::Int || w == AttributeWidget::Float ||
           w == AttributeWidget::Enum || w == AttributeWidget::Color ||
           w == AttributeWidget::Vector;
}

// True when the attribute, one of its parents or one of its children is locked.
bool anyLock(const NodeImpl& node, const AttributeImpl& a) {
    for (const AttributeImpl* x = &a; x; x = x->parent)
        if (node.isLocked(*x, -1)) return true;
    std::vector<const AttributeImpl*> below{&a};
    while (!below.empty()) {
        const AttributeImpl* x = below.back();
        below.pop_back();
        if (node.isLocked(*x, -1)) return true;
        for (const auto& c : x->children) below.push_back(c.get());
    }
    return false;
}

void readValue(const KPlug& plug, AttributeRow& row) {
    KStatus status;
    KDataHandle h = Graph::instance().readHandle(plug, &status);
    if (h.isNull() || !status) return;
    if (row.widget == AttributeWidget::String) {
        row.text = h.asString().str();
        return;
    }
    row.values.reserve(h.width());
    for (unsigned i = 0; i < h.width(); ++i) row.values.push_back(h.cells()[i].d);
}

void setLimits(const AttributeImpl& a, AttributeRow& row) {
    // A compound's range is its first child's (as `help` shows it).
    const AttributeImpl& leaf = a.isCompound() && !a.children.empty() ? *a.children[0] : a;
    row.minValue = leaf.minValue;
    row.maxValue = leaf.maxValue;
    row.softMinValue = leaf.softMinValue;
    row.softMaxValue = leaf.softMaxValue;
    if (row.softMinValue && row.softMaxValue) {
        row.sliderMin = *row.softMinValue;
        row.sliderMax = *row.softMaxValue;
    } else if (row.minValue && row.maxValue) {
        row.sliderMin = *row.minValue;
        row.sliderMax = *row.maxValue;
    } else if (row.widget == AttributeWidget::Color) {
        row.sliderMin = 0.0;
        row.sliderMax = 1.0;
    } else {
        return;
    }
    row.hasSlider = row.sliderMin < row.sliderMax;
}

AttributeRow makeRow(NodeImpl& node, const KObject& nodeHandle, const AttributeImpl& a,
                     const std::map<std::string, std::string>& meanings) {
    AttributeRow row;
    row.name = a.longName;
    row.shortName = a.shortName;
    row.plug = node.name() + "." + a.longName;
    row.widget = widgetOf(a);
    row.keyable = a.keyable;
    row.hidden = a.hidden;
    row.readable = a.readable;
    row.writable = a.writable;
    row.storable = a.storable;
    row.output = !a.writable || (a.computed && !a.storable);
    if (auto it = meanings.find(a.longName); it != meanings.end()) row.meaning = it->second;
    for (const auto& [name, value] : a.enumFields) row.fields.push_back({name, value});
    setLimits(a, row);

    const KPlug plug(nodeHandle, attributeHandle(a), -1);
    Graph& graph = Graph::instance();
    const std::vector<Connection> in = graph.connectionsOf(plug, true, false);
    row.connected = !in.empty();
    if (row.connected) {
        const Connection& c = in.front();
        row.source = c.srcNode->name() + "." + c.srcAttr->longName;
        if (c.srcIndex >= 0) row.source += "[" + std::to_string(c.srcIndex) + "]";
    }
    row.locked = anyLock(node, a);
    row.editable = !row.output && graph.canWrite(plug, nullptr);

    switch (row.widget) {
        case AttributeWidget::Array:
            row.elementCount = int(graph.elementIndices(plug).size());
            break;
        case AttributeWidget::Compound:
            for (const auto& child : a.children)
                row.children.push_back(makeRow(node, nodeHandle, *child, meanings));
            break;
        case AttributeWidget::Color:
        case AttributeWidget::Vector:
            for (const auto& child : a.children) row.childNames.push_back(child->longName);
            if (a.readable) readValue(plug, row);
            break;
        case AttributeWidget::Data:
        case AttributeWidget::Message:
            break;
        default:
            if (a.readable) readValue(plug, row);
            break;
    }
    return row;
}

}  // namespace

AttributeTabs AttributeEditor::tabs(const std::string& name) const {
    const KObject object = commands::findGraphNode(name);
    NodeImpl* node = scene::liveNode(object);
    if (!node) return {};
    TabList list;
    if (isDag(*node)) {
        list.addDag(object);
    } else if (const KObject mesh = meshFedBy(node); !mesh.isNull()) {
        list.addDag(mesh);
        list.add(object);  // fed the mesh by a path listHistory does not walk
    } else if (shading::shadingKind(object) != shading::ShadingKind::None) {
        list.addNetwork(object);
    } else {
        list.add(object);
    }
    return std::move(list).finish(node->name());
}

std::vector<AttributeRow> AttributeEditor::rows(const std::string& name) {
    const KObject object = commands::findGraphNode(name);
    NodeImpl* node = scene::liveNode(object);
    if (!node) return {};
    const NodeType& type = node->type();
    std::string pluginPath;
    if (const auto* plugin = static_cast<const plugins::PluginImpl*>(type.owner))
        pluginPath = plugin->path;
    const std::map<std::string, std::string>& meanings = meaningsFor(pluginPath);
    std::vector<AttributeRow> rows;
    for (const auto& a : type.attributes())
        if (!a->parent) rows.push_back(makeRow(*node, object, *a, meanings));
    return rows;
}

const std::map<std::string, std::string>& AttributeEditor::meaningsFor(const std::string& path) {
    auto it = m_meanings.find(path);
    if (it == m_meanings.end())
        it = m_meanings
                 .emplace(path, path.empty() ? std::map<std::string, std::string>{}
                                             : commands::attributeMeanings(path))
                 .first;
    return it->second;
}

std::string AttributeEditor::setText(const AttributeRow& row, std::span<const double> values) {
    if (!takesNumbers(row.widget) || values.empty()) return {};
    const std::size_t width =
        row.widget == AttributeWidget::Color || row.widget == AttributeWidget::Vector
            ? row.childNames.size()
            : 1;
    if (values.size() != width) return {};
    std::vector<double> out(values.begin(), values.end());
    for (double& v : out) {
        if (!std::isfinite(v)) return {};
        if (row.widget == AttributeWidget::Bool) v = v != 0.0 ? 1.0 : 0.0;
        if (row.widget == AttributeWidget::Int || row.widget == AttributeWidget::Enum)
            v = std::round(v);
    }
    return "setAttr " + word(row.plug) + " " + numbers(out);
}

std::string AttributeEditor::setText(const AttributeRow& row, const std::string& text) {
    if (row.widget != AttributeWidget::String) return {};
    return "setAttr -type \"string\" " + word(row.plug) + " " + quoted(text);
}

std::string SliderDrag::begin(const std::string& plug) {
    std::string text = end();
    if (!text.empty()) text += "; ";
    m_active = true;
    m_plug = plug;
    return text + "undoInfo -openChunk -chunkName " + quoted("drag " + plug);
}

std::string SliderDrag::end() {
    if (!m_active) return {};
    m_active = false;
    m_plug.clear();
    return "undoInfo -closeChunk";
}

}  // namespace tarn::ui
