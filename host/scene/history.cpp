#include "host/scene/history.h"

#include <algorithm>
#include <memory>
#include <tuple>

#include "frame/k_attribute.h"
#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/history_nodes.h"
#include "host/scene/mesh_data.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/shading/shading_nodes.h"
#include "host/undo/undo.h"

namespace tarn::scene {

namespace {

// A mesh-typed attribute of a live node, or null.
const AttributeImpl* meshAttribute(const KObject& node, std::string_view name) {
    NodeImpl* n = liveNode(node);
    if (!n) return nullptr;
    const AttributeImpl* a = n->type().findAttribute(name);
    if (!a || a->kind != CellKind::kData || a->dataType != KFnData::kMesh) return nullptr;
    return a;
}

std::string plugText(const KObject& node, std::string_view attribute) {
    return nodeName(node) + "." + std::string(attribute);
}

KPlug plugOf(const std::string& text) {
    std::string error;
    return Graph::instance().parsePlug(text, &error);
}

// The connection feeding `node.attribute`, as the source plug's name ("" when none).
std::string sourceOf(const KObject& node, std::string_view attribute) {
    const KPlug plug = plugByName(node, attribute);
    if (plug.isNull()) return {};
    for (const Connection& c : Graph::instance().connectionsOf(plug, true, false))
        return c.srcNode->name() + "." + c.srcAttr->longName;
    return {};
}

KObject sourceNodeOf(const KObject& node, std::string_view attribute) {
    const KPlug plug = plugByName(node, attribute);
    if (plug.isNull()) return {};
    for (const Connection& c : Graph::instance().connectionsOf(plug, true, false))
        return KObject(c.srcNode);
    return {};
}

void link(const std::string& src, const std::string& dst, bool on) {
    const KPlug s = plugOf(src), d = plugOf(dst);
    if (s.isNull() || d.isNull()) return;
    std::string error;
    if (on)
        Graph::instance().connect(s, d, false, &error);
    else
        Graph::instance().disconnect(s, d, &error);
}

bool connectRecorded(const std::string& src, const std::string& dst, std::string* error) {
    const KPlug s = plugOf(src), d = plugOf(dst);
    if (s.isNull() || d.isNull()) {
        if (error) *error = "Cannot connect " + src + " to " + dst;
        return false;
    }
    if (!Graph::instance().connect(s, d, false, error)) return false;
    undo::undoQueue().record([src, dst] { link(src, dst, false); },
                             [src, dst] { link(src, dst, true); }, "connect " + dst);
    return true;
}

bool disconnectRecorded(const std::string& src, const std::string& dst, std::string* error) {
    const KPlug s = plugOf(src), d = plugOf(dst);
    if (s.isNull() || d.isNull() || !Graph::instance().disconnect(s, d, error)) return false;
    undo::undoQueue().record([src, dst] { link(src, dst, true); },
                             [src, dst] { link(src, dst, false); }, "disconnect " + dst);
    return true;
}

// A node made or taken away by a history change. Undo and redo detach and reattach the very
// node (values, array elements and connections kept); a node still detached when the item is
// dropped is destroyed then.
class NodePresenceItem final : public undo::UndoItem {
public:
    NodePresenceItem(const KObject& node, bool created)
        : m_node(NodeImpl::from(node)->shared_from_this()), m_created(created) {}
    ~NodePresenceItem() override {
        if (m_detached && Graph::exists()) Graph::instance().destroyDetached(m_record.node);
    }
    bool detach(std::string* error) {
        if (!Graph::instance().detachNode(KObject(m_node), &m_record, error)) return false;
        m_detached = true;
        return true;
    }
    void undo() override { m_created ? detachQuietly() : reattach(); }
    void redo() override { m_created ? reattach() : detachQuietly(); }
    std::string describe() const override { return "history node " + m_node->name(); }

private:
    void detachQuietly() {
        std::string error;
        detach(&error);
    }
    void reattach() {
        std::string error;
        if (m_detached && Graph::instance().reattachNode(m_record, &error)) m_detached = false;
    }
    std::shared_ptr<NodeImpl> m_node;
    DetachedNode m_record;
    bool m_created;
    bool m_detached = false;
};

}  // namespace

void recordNodeCreated(const KObject& node) {
    if (!NodeImpl::from(node)) return;
    undo::undoQueue().record(std::make_unique<NodePresenceItem>(node, true),
                             /*changesNames=*/true);
}

namespace {

KObject createNodeRecorded(std::string_view type, std::string_view name, std::string* error) {
    KObject node = Graph::instance().createNode(type, name, error);
    if (!node.isNull()) recordNodeCreated(node);
    return node;
}

bool detachRecorded(const KObject& node, std::string* error) {
    auto item = std::make_unique<NodePresenceItem>(node, false);
    if (!item->detach(error)) return false;
    undo::undoQueue().record(std::move(item), /*changesNames=*/true);
    return true;
}

// Runs a change; on failure takes back what it recorded so far.
template <typename Change>
bool atomically(Change change) {
    auto& queue = undo::undoQueue();
    const std::size_t mark = queue.mark();
    if (change()) return true;
    if (queue.isRecording()) queue.rollbackTo(mark);
    return false;
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Gives the shape a meshOriginal holding its mesh (tweaks folded in) and answers the plug that
// now stands for the start of its history.
std::string makeOriginal(const KObject& shape, MeshNode& mesh, std::string* error) {
    const std::string name = nodeName(shape);
    // Fold the tweaks first: the original is the mesh as it looks.
    auto tweaks = mesh.bakeTweaks();
    if (!tweaks.empty()) recordTweakBake(name, std::move(tweaks));
    std::shared_ptr<const PolyMesh> before = mesh.sharedMesh();
    // Undo of the connections leaves the shape with the evaluated mesh: this puts the old
    // one back once they are gone (recorded first, so undone last), shaded as it was.
    auto shading = std::make_shared<const shading::ShadingRecord>(shading::shadingRecord(mesh));
    undo::undoQueue().record(
        [name, before, shading] {
            if (MeshNode* m = meshNode(findNode(name))) {
                m->setMesh(before);
                shading::restoreShading(*m, *shading);
            }
        },
        [] {}, "original mesh of " + name);
    KObject original = createNodeRecorded("meshOriginal", name + "Orig", error);
    if (original.isNull()) return {};
    const KPlug out = plugByName(original, "outMesh");
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(out, &status);
    if (status.error() || h.isNull()) {
        fail(error, "Cannot store the original mesh of " + name);
        return {};
    }
    h.setKObject(MeshDataImpl::wrap(before));
    Graph::instance().valueChanged(out);
    return plugText(original, "outMesh");
}

}  // namespace

bool isMeshModifier(const KObject& node) {
    const AttributeImpl* in = meshAttribute(node, "inMesh");
    const AttributeImpl* out = meshAttribute(node, "outMesh");
    return in && out && in->writable && in->connectable && !in->computed && out->readable &&
           !meshNode(node);
}

bool isMeshCreator(const KObject& node) {
    const AttributeImpl* out = meshAttribute(node, "outMesh");
    return out && out->readable && !meshAttribute(node, "inMesh") && !meshNode(node);
}

KObject lastHistoryNode(const KObject& shape) {
    return meshNode(shape) ? sourceNodeOf(shape, "inMesh") : KObject();
}

std::vector<KObject> listHistory(const KObject& shapeOrTransform) {
    const KObject shape = meshShapeOf(shapeOrTransform);
    std::vector<KObject> found;
    if (shape.isNull()) return found;
    // Breadth first over every connection into the nodes met, starting at the shape's inMesh.
    const KObject first = lastHistoryNode(shape);
    if (first.isNull()) return found;
    found.push_back(first);
    for (size_t i = 0; i < found.size(); ++i) {
        NodeImpl* n = NodeImpl::from(found[i]);
        for (const Connection& c : Graph::instance().connections()) {
            if (c.dstNode.get() != n) continue;
            const KObject src(c.srcNode);
            if (src == shape || std::find(found.begin(), found.end(), src) != found.end()) continue;
            found.push_back(src);
        }
    }
    return found;
}

KStatus insertModifier(const KObject& shape, const KObject& node, std::string* error) {
    MeshNode* mesh = meshNode(shape);
    if (!mesh) return fail(error, "Not a mesh: " + nodeName(shape)), KStatus::kInvalidParameter;
    if (!isMeshModifier(node))
        return fail(error, nodeName(node) + " has no mesh-typed inMesh and outMesh"),
               KStatus::kInvalidParameter;
    Graph& graph = Graph::instance();
    if (!graph.connectionsOf(plugByName(node, "inMesh"), true, false).empty() ||
        !graph.connectionsOf(plugByName(node, "outMesh"), false, true).empty())
        return fail(error, nodeName(node) + " is already connected in a history"),
               KStatus::kInvalidParameter;
    const std::string shapeIn = plugText(shape, "inMesh");
    const bool ok = atomically([&] {
        std::string upstream = sourceOf(shape, "inMesh");
        if (upstream.empty()) {
            upstream = makeOriginal(shape, *mesh, error);
            if (upstream.empty()) return false;
        } else if (!disconnectRecorded(upstream, shapeIn, error)) {
            return false;
        }
        return connectRecorded(upstream, plugText(node, "inMesh"), error) &&
               connectRecorded(plugText(node, "outMesh"), shapeIn, error);
    });
    return ok ? KStatus::kSuccess : KStatus::kFailure;
}

KObject createModifier(const KObject& shape, std::string_view typeName, std::string* error) {
    KObject node;
    atomically([&] {
        node = createNodeRecorded(typeName, "", error);
        if (node.isNull()) return false;
        if (insertModifier(shape, node, error)) return true;
        node = KObject();
        return false;
    });
    return node;
}

KStatus insertModifierOnFaces(const KObject& shape, const KObject& node,
                              const std::vector<int>& faces, int* groupId, std::string* error) {
    const bool ok = atomically([&] {
        const int id = addFaceGroup(shape, faces, error);
        if (id < 0 || !insertModifier(shape, node, error)) return false;
        const KPlug gid = plugByName(node, "groupId");
        if (!gid.isNull() && !setPlugValuesUndoable(gid, {static_cast<double>(id)}, error))
            return false;
        if (groupId) *groupId = id;
        return true;
    });
    return ok ? KStatus::kSuccess : KStatus::kFailure;
}

int addFaceGroup(const KObject& shape, const std::vector<int>& faces, std::string* error) {
    MeshNode* mesh = meshNode(shape);
    if (!mesh) return fail(error, "Not a mesh: " + nodeName(shape)), -1;
    const PolyMesh& current = mesh->readMesh();
    for (int f : faces)
        if (f < 0 || f >= current.numFaces())
            return fail(error, "Face " + std::to_string(f) + " is not on " + nodeName(shape)), -1;
    // The next id past every group the shape's data carries.
    const auto& groups = current.objectGroups();
    const int id = groups.empty() ? 0 : groups.rbegin()->first + 1;
    const std::string text = faceListText(faces);
    int result = -1;
    atomically([&] {
        const KObject node = createNodeRecorded("groupFaces", "", error);
        if (node.isNull()) return false;
        // A new node: its values come back with it on redo, so they need no records.
        Graph& graph = Graph::instance();
        KStatus status;
        KDataHandle f = graph.writeHandle(plugByName(node, "faces"), &status);
        KDataHandle g = graph.writeHandle(plugByName(node, "groupId"), &status);
        if (f.isNull() || g.isNull()) return fail(error, "Cannot set up the face group");
        f.set(KString(text));
        g.set(id);
        graph.valueChanged(plugByName(node, "faces"));
        if (!insertModifier(shape, node, error)) return false;
        result = id;
        return true;
    });
    return result;
}

KObject attachCreator(const KObject& creator, std::string_view name, std::string* error) {
    if (!isMeshCreator(creator)) {
        fail(error, nodeName(creator) + " has no mesh-typed outMesh (or also takes a mesh in)");
        return {};
    }
    KObject shape;
    atomically([&] {
        // "-n quad" names the transform "quad" and its shape "quadShape", as primitives do.
        KObject transform, made;
        if (name.empty()) {
            std::tie(transform, made) =
                createTransformAndShape("polySurface", "polySurfaceShape", "mesh", {}, error);
        } else {
            transform = createDagNode("transform", name, {}, error);
            if (!transform.isNull())
                made = createDagNode("mesh", nodeName(transform) + "Shape", transform, error);
        }
        if (made.isNull()) {
            std::string ignored;
            if (!transform.isNull()) Graph::instance().deleteNode(transform, &ignored);
            return false;
        }
        recordCreated({transform, made}, "create " + nodeName(transform));
        if (!connectRecorded(plugText(creator, "outMesh"), plugText(made, "inMesh"), error))
            return false;
        // The new mesh joins the default shading group, whole, like a primitive.
        meshNode(made)->readMesh();
        if (!shading::assignFaces(shading::initialShadingGroup(), made, {}, error)) return false;
        shape = made;
        return true;
    });
    return shape;
}

std::vector<std::pair<std::string, std::string>> historyBridges(const std::vector<KObject>& nodes) {
    std::vector<std::pair<std::string, std::string>> bridges;
    auto gone = [&](const KObject& n) {
        return std::find(nodes.begin(), nodes.end(), n) != nodes.end();
    };
    Graph& graph = Graph::instance();
    for (const KObject& node : nodes) {
        if (!isMeshModifier(node)) continue;
        // Upstream: past every modifier that goes too.
        KObject up = node;
        std::string source;
        while (!up.isNull() && gone(up) && isMeshModifier(up)) {
            source = sourceOf(up, "inMesh");
            up = sourceNodeOf(up, "inMesh");
        }
        if (source.empty() || gone(up)) continue;
        for (const Connection& c : graph.connectionsOf(plugByName(node, "outMesh"), false, true)) {
            const KObject down(c.dstNode);
            if (gone(down) || c.dstAttr->kind != CellKind::kData ||
                c.dstAttr->dataType != KFnData::kMesh)
                continue;
            bridges.emplace_back(source, c.dstNode->name() + "." + c.dstAttr->longName);
        }
    }
    return bridges;
}

void connectBridges(const std::vector<std::pair<std::string, std::string>>& bridges) {
    for (const auto& [src, dst] : bridges) {
        std::string error;
        connectRecorded(src, dst, &error);
    }
}

KStatus deleteHistory(const KObject& shapeOrTransform, std::string* error) {
    const KObject shape = meshShapeOf(shapeOrTransform);
    MeshNode* mesh = meshNode(shape);
    if (!mesh)
        return fail(error, "Not a mesh: " + nodeName(shapeOrTransform)), KStatus::kInvalidParameter;
    const std::string upstream = sourceOf(shape, "inMesh");
    if (upstream.empty()) return KStatus::kSuccess;
    // The chain's nodes whose outputs feed only the chain and the shape.
    std::vector<KObject> chain;
    for (KObject n = lastHistoryNode(shape); !n.isNull();
         n = isMeshModifier(n) ? sourceNodeOf(n, "inMesh") : KObject()) {
        if (std::find(chain.begin(), chain.end(), n) != chain.end()) break;
        chain.push_back(n);
    }
    std::vector<KObject> doomed;
    for (const KObject& n : chain) {
        bool own = true;
        for (const Connection& c : Graph::instance().connections()) {
            if (c.srcNode.get() != NodeImpl::from(n)) continue;
            const KObject dst(c.dstNode);
            own =
                own && (dst == shape || std::find(chain.begin(), chain.end(), dst) != chain.end());
        }
        // A node shared with another history stops the walk: it and what feeds it stay.
        if (!own) break;
        doomed.push_back(n);
    }
    // Evaluate now: the shape keeps the mesh it shows.
    mesh->readMesh();
    const std::shared_ptr<const PolyMesh> kept = mesh->takenInput();
    const std::string name = nodeName(shape);
    const bool ok = atomically([&] {
        // The faces keep their groups and the shading memory goes. Recorded first, so that
        // undo puts it back after the history is connected again.
        const shading::ShadingRecord before = shading::shadingRecord(*mesh);
        shading::ShadingRecord after = before;
        after.baseMesh = nullptr;
        after.base.clear();
        after.seen.clear();
        shading::recordShadingChange(name, before, after);
        if (!disconnectRecorded(upstream, plugText(shape, "inMesh"), error)) return false;
        // Redone, the disconnection leaves the shape whatever inMesh last carried, which need
        // not be what the history gives then: the shape takes the mesh it kept.
        if (kept)
            undo::undoQueue().record([] {},
                                     [name, kept] {
                                         MeshNode* m = meshNode(findNode(name));
                                         if (!m) return;
                                         scene::FaceGroupRuns groups = m->faceGroups;
                                         m->setMesh(kept);
                                         m->faceGroups = std::move(groups);
                                     },
                                     "baked mesh of " + name);
        for (const KObject& n : doomed)
            if (!detachRecorded(n, error)) return false;
        shading::restoreShading(*mesh, after);
        return true;
    });
    return ok ? KStatus::kSuccess : KStatus::kFailure;
}

KStatus bakeBeforeEdit(const KObject& shape, std::string* error) {
    if (!meshNode(shape) || lastHistoryNode(shape).isNull()) return KStatus::kSuccess;
    return deleteHistory(shape, error);
}

}  // namespace tarn::scene
