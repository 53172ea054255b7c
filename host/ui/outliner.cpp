#include "host/ui/outliner.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/shading/shading_nodes.h"
#include "host/ui/command_text.h"

namespace tarn::ui {

namespace {

// Builds the rows of one call: the scene's connections and selection are read once.
class RowBuilder {
public:
    RowBuilder() {
        // What feeds each node, in connection order, each source once.
        for (const Connection& c : Graph::instance().connections()) {
            // A shape's history starts at what feeds its inMesh.
            if (c.dstAttr->longName == "inMesh") m_meshInput[c.dstNode.get()] = c.srcNode.get();
            auto& sources = m_sources[c.dstNode.get()];
            if (std::find(sources.begin(), sources.end(), c.srcNode.get()) == sources.end())
                sources.push_back(c.srcNode.get());
        }
        for (const auto& item : scene::activeSelection().items())
            if (item.component.isNull())
                if (NodeImpl* n = scene::liveNode(item.node)) m_selected.insert(n);
    }

    std::vector<OutlinerRow> build() {
        for (const KObject& root : scene::childrenOf(KObject())) addDag(root, -1);
        // Nodes not shown yet: shading first, then the rest, in creation order.
        std::vector<std::pair<KObject, shading::ShadingKind>> shadingLeft, otherLeft;
        for (const KObject& object : Graph::instance().nodes()) {
            const NodeImpl* node = scene::liveNode(object);
            if (!node || m_shown.count(node) || isDag(*node)) continue;
            const shading::ShadingKind kind = shading::shadingKind(object);
            (kind == shading::ShadingKind::None ? otherLeft : shadingLeft)
                .emplace_back(object, kind);
        }
        for (const auto& [object, kind] : shadingLeft) addLeftOver(object, kind);
        for (const auto& [object, kind] : otherLeft) addLeftOver(object, kind);
        return std::move(m_rows);
    }

private:
    static bool isDag(const NodeImpl& node) {
        return dynamic_cast<const scene::DagNodeBase*>(node.userNode()) != nullptr;
    }

    int add(NodeImpl& node, OutlinerKind kind, int parent) {
        OutlinerRow row;
        row.name = node.name();
        row.type = node.type().name;
        row.kind = kind;
        row.parent = parent;
        row.depth = parent < 0 ? 0 : m_rows[parent].depth + 1;
        row.selected = m_selected.count(&node) != 0;
        if (parent >= 0) ++m_rows[parent].childCount;
        m_shown.insert(&node);
        m_rows.push_back(std::move(row));
        return int(m_rows.size()) - 1;
    }

    void addDag(const KObject& object, int parent) {
        NodeImpl* node = scene::liveNode(object);
        if (!node) return;
        const int row = add(*node, OutlinerKind::Dag, parent);
        m_rows[row].hasVisibility = true;
        m_rows[row].visible = visibilityOf(*node, object);
        for (const KObject& child : scene::childrenOf(object)) addDag(child, row);
        if (scene::meshNode(object)) addMeshExtras(object, row);
    }

    // A mesh shape's history, then its shading groups with their networks.
    void addMeshExtras(const KObject& shape, int parent) {
        const NodeImpl* self = scene::liveNode(shape);
        if (const auto input = m_meshInput.find(self); input != m_meshInput.end()) {
            std::vector<NodeImpl*> chain{input->second};
            for (std::size_t i = 0; i < chain.size(); ++i)
                for (NodeImpl* src : sourcesOf(chain[i]))
                    if (src != self && std::find(chain.begin(), chain.end(), src) == chain.end())
                        chain.push_back(src);
            for (NodeImpl* n : chain) add(*n, OutlinerKind::History, parent);
        }
        std::vector<NodeImpl*> groups;
        for (const shading::GroupRun& run : shading::faceGroupRuns(shape))
            if (NodeImpl* g = scene::liveNode(run.group))
                if (std::find(groups.begin(), groups.end(), g) == groups.end()) groups.push_back(g);
        for (NodeImpl* g : groups) addNetwork(*g, OutlinerKind::ShadingGroup, parent);
    }

    // A shading node and, under it, what feeds it (each node once per network).
    void addNetwork(NodeImpl& node, OutlinerKind kind, int parent) {
        std::unordered_set<const NodeImpl*> seen{&node};
        addNetworkRow(node, kind, parent, seen);
    }

    void addNetworkRow(NodeImpl& node, OutlinerKind kind, int parent,
                       std::unordered_set<const NodeImpl*>& seen) {
        const int row = add(node, kind, parent);
        for (NodeImpl* src : sourcesOf(&node)) {
            // Meshes feed their groups' members, not the network.
            if (isDag(*src) || !seen.insert(src).second) continue;
            addNetworkRow(*src, OutlinerKind::Shading, row, seen);
        }
    }

    // A node no mesh showed (it may have been shown since, in another's network).
    void addLeftOver(const KObject& object, shading::ShadingKind kind) {
        NodeImpl* node = scene::liveNode(object);
        if (!node || m_shown.count(node)) return;
        switch (kind) {
            case shading::ShadingKind::ShadingGroup:
            case shading::ShadingKind::Set:
                addNetwork(*node, OutlinerKind::ShadingGroup, -1);
                break;
            case shading::ShadingKind::None:
                add(*node, OutlinerKind::Other, -1);
                break;
            default:
                addNetwork(*node, OutlinerKind::Shading, -1);
                break;
        }
    }

    // The node's own visibility attribute (found once per type); true when it has none.
    bool visibilityOf(const NodeImpl& node, const KObject& object) {
        const NodeType* type = &node.type();
        auto it = m_visibility.find(type);
        if (it == m_visibility.end()) it = m_visibility.emplace(type, attributeOf(*type)).first;
        if (it->second.isNull()) return true;
        KStatus status;
        const KDataHandle h = Graph::instance().readHandle(KPlug(object, it->second, -1), &status);
        return !status || h.isNull() ? true : h.asBool();
    }

    static KObject attributeOf(const NodeType& type) {
        const AttributeImpl* a = type.findAttribute("visibility");
        return a ? KObject(std::const_pointer_cast<AttributeImpl>(a->shared_from_this()))
                 : KObject();
    }

    const std::vector<NodeImpl*>& sourcesOf(const NodeImpl* node) const {
        static const std::vector<NodeImpl*> kNone;
        const auto it = m_sources.find(node);
        return it == m_sources.end() ? kNone : it->second;
    }

    std::unordered_map<const NodeImpl*, std::vector<NodeImpl*>> m_sources;
    std::unordered_map<const NodeImpl*, NodeImpl*> m_meshInput;
    std::unordered_set<const NodeImpl*> m_selected;
    std::unordered_set<const NodeImpl*> m_shown;
    std::unordered_map<const NodeType*, KObject> m_visibility;
    std::vector<OutlinerRow> m_rows;
};

}  // namespace

std::vector<OutlinerRow> outlinerRows() {
    return RowBuilder().build();
}

std::string outlinerSelectText(const std::string& name, int modifiers) {
    const bool shift = (modifiers & kShift) != 0, ctrl = (modifiers & kCtrl) != 0;
    const char* flag = shift && ctrl ? "-add" : shift ? "-tgl" : ctrl ? "-d" : "-r";
    return std::string("select ") + flag + " " + word(name);
}

std::string outlinerRenameText(const std::string& oldName, const std::string& newName,
                               std::string* error) {
    if (!isNodeName(newName)) {
        if (error)
            *error = "\"" + newName +
                     "\" is no node name: names hold only letters, digits and _ and do not "
                     "start with a digit";
        return {};
    }
    if (newName == oldName) {
        if (error) *error = oldName + " already has that name";
        return {};
    }
    return "rename " + word(oldName) + " " + quoted(newName);
}

std::string outlinerVisibilityText(const OutlinerRow& row) {
    if (!row.hasVisibility) return {};
    return "setAttr " + word(row.name + ".visibility") + (row.visible ? " 0" : " 1");
}

}  // namespace tarn::ui
