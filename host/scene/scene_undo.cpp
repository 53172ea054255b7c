#include "host/scene/scene_undo.h"

#include <memory>

#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/undo/undo.h"

namespace tarn::scene {

namespace {

// What it takes to bring a deleted node back.
struct NodeRecipe {
    std::string type, name, parent;
    bool dag = false;
    std::vector<std::pair<std::string, double>> numbers;  // leaf attribute name -> value
    std::vector<std::pair<std::string, std::string>> strings;
    std::shared_ptr<const PolyMesh> mesh;  // shared with the node it was taken from
};

NodeRecipe capture(const KObject& node) {
    NodeRecipe r;
    NodeImpl* n = liveNode(node);
    if (!n) return r;
    r.type = n->type().name;
    r.name = n->name();
    r.dag = dagNode(node) != nullptr;
    r.parent = nodeName(parentOf(node));
    Graph& graph = Graph::instance();
    for (const auto& attribute : n->type().attributes()) {
        if (attribute->array || attribute->parent || !attribute->writable) continue;
        const KPlug plug(node, KObject(attribute));
        if (graph.connectionsOf(plug, true, false).size()) continue;
        if (attribute->kind == CellKind::kString) {
            KStatus status;
            const KDataHandle h = graph.readHandle(plug, &status);
            if (!status.error()) r.strings.emplace_back(attribute->longName, h.asString().str());
            continue;
        }
        std::vector<double> values;
        if (!readPlugValues(plug, values)) continue;
        if (attribute->isCompound()) {
            for (size_t i = 0; i < attribute->children.size() && i < values.size(); ++i)
                r.numbers.emplace_back(attribute->children[i]->longName, values[i]);
        } else if (attribute->isNumericLeaf() && !values.empty()) {
            r.numbers.emplace_back(attribute->longName, values[0]);
        }
    }
    if (MeshNode* m = meshNode(node)) r.mesh = m->sharedMesh();
    return r;
}

void rebuild(const NodeRecipe& r) {
    Graph& graph = Graph::instance();
    std::string error;
    KObject node = r.dag ? createDagNode(r.type, r.name, findNode(r.parent), &error)
                         : graph.createNode(r.type, r.name, &error);
    if (node.isNull()) return;
    for (const auto& [attr, value] : r.numbers) {
        const KPlug plug = graph.parsePlug(r.name + "." + attr, &error);
        if (!plug.isNull()) writePlugValues(plug, {value}, &error);
    }
    for (const auto& [attr, text] : r.strings) {
        const KPlug plug = graph.parsePlug(r.name + "." + attr, &error);
        KStatus status;
        KDataHandle h = graph.writeHandle(plug, &status);
        if (status.error()) continue;
        h.set(KString(text));
        graph.valueChanged(plug);
    }
    if (r.mesh)
        if (MeshNode* m = meshNode(node)) m->setMesh(r.mesh);
}

}  // namespace

void recordCreated(const std::vector<KObject>& nodes, const std::string& what) {
    auto& queue = undo::undoQueue();
    if (!queue.isRecording()) return;
    std::vector<std::string> names;
    for (const KObject& n : nodes) names.push_back(nodeName(n));
    auto recipes = std::make_shared<std::vector<NodeRecipe>>();
    queue.record(
        [names, recipes] {
            // Keep what redo needs, then delete children before parents.
            recipes->clear();
            for (const std::string& name : names) recipes->push_back(capture(findNode(name)));
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                KObject node = Graph::instance().findNode(*it);
                std::string error;
                if (!node.isNull()) Graph::instance().deleteNode(node, &error);
            }
        },
        [recipes] {
            for (const NodeRecipe& r : *recipes) rebuild(r);
        },
        what, /*changesNames=*/true);
}

void recordParentChange(const std::string& node, const std::string& oldParent,
                        const std::string& newParent, int oldIndex) {
    auto move = [node](const std::string& parent) {
        std::string error;
        setParent(findNode(node), parent.empty() ? KObject() : findNode(parent), &error);
    };
    // Undo puts the node back at its old place among its siblings, not after them.
    auto back = [node, oldParent, oldIndex] {
        const KObject parent = oldParent.empty() ? KObject() : findNode(oldParent);
        if (oldIndex < 0 || (!oldParent.empty() && parent.isNull())) {
            std::string error;
            setParent(findNode(node), parent, &error);
            return;
        }
        relink(findNode(node), parent, oldIndex);
    };
    undo::undoQueue().record(
        back, [move, newParent] { move(newParent); }, "parent " + node, /*changesNames=*/true);
}

bool readPlugValues(const KPlug& plug, std::vector<double>& values) {
    KStatus status;
    const KDataHandle h = Graph::instance().readHandle(plug, &status);
    if (status.error() || h.isNull()) return false;
    values.clear();
    const unsigned width = h.width();
    for (unsigned i = 0; i < width; ++i) values.push_back(h.cells()[i].d);
    return true;
}

bool writePlugValues(const KPlug& plug, const std::vector<double>& values, std::string* error) {
    Graph& graph = Graph::instance();
    if (!graph.canWrite(plug, error)) return false;
    KStatus status;
    KDataHandle h = graph.writeHandle(plug, &status);
    if (status.error() || h.isNull()) {
        if (error) *error = "Cannot write " + graph.plugName(plug);
        return false;
    }
    const AttributeImpl* a = h.attributeImpl();
    for (unsigned i = 0; a && i < values.size() && i < a->cellKinds.size(); ++i) {
        if (!tarn::cellHoldsFinite(a->cellKinds[i], values[i])) {
            if (error) *error = graph.plugName(plug) + " takes finite numbers";
            return false;
        }
        if (!tarn::cellHoldsInRange(a->cellKinds[i], values[i])) {
            if (error)
                *error =
                    graph.plugName(plug) + " holds whole numbers from -2147483648 to 2147483647";
            return false;
        }
    }
    switch (values.size()) {
        case 1:
            h.set(values[0]);
            break;
        case 2:
            h.set(values[0], values[1]);
            break;
        case 3:
            h.set(values[0], values[1], values[2]);
            break;
        default:
            if (error) *error = "Wrong number of values for " + graph.plugName(plug);
            return false;
    }
    graph.valueChanged(plug);
    return true;
}

bool setPlugValuesUndoable(const KPlug& plug, const std::vector<double>& values,
                           std::string* error) {
    std::vector<double> before;
    if (!readPlugValues(plug, before)) {
        if (error) *error = "Cannot read " + Graph::instance().plugName(plug);
        return false;
    }
    if (!writePlugValues(plug, values, error)) return false;
    const std::string name = Graph::instance().plugName(plug);
    auto apply = [name](const std::vector<double>& v) {
        std::string error;
        const KPlug p = Graph::instance().parsePlug(name, &error);
        if (!p.isNull()) writePlugValues(p, v, &error);
    };
    undo::undoQueue().record([apply, before] { apply(before); }, [apply, values] { apply(values); },
                             "set " + name);
    return true;
}

void recordMeshChange(const std::string& mesh, PolyMesh before, PolyMesh after) {
    auto& queue = undo::undoQueue();
    if (!queue.isRecording()) return;
    std::shared_ptr<const PolyMesh> b = std::make_shared<PolyMesh>(std::move(before));
    std::shared_ptr<const PolyMesh> a = std::make_shared<PolyMesh>(std::move(after));
    // The node shares the recorded mesh until its next edit (copy-on-write).
    auto apply = [mesh](const std::shared_ptr<const PolyMesh>& m) {
        if (MeshNode* node = meshNode(findNode(mesh))) {
            auto groups = std::move(node->faceGroups);
            node->setMesh(m);
            node->faceGroups = std::move(groups);
        }
    };
    queue.record([apply, b] { apply(b); }, [apply, a] { apply(a); }, "edit " + mesh);
}

void recordMeshEdit(const std::string& mesh, MeshDelta delta, FaceGroupRuns groupsBefore,
                    FaceGroupRuns groupsAfter) {
    auto& queue = undo::undoQueue();
    if (!queue.isRecording()) return;
    struct Record {
        MeshDelta delta;
        FaceGroupRuns before, after;
    };
    auto record = std::make_shared<const Record>(
        Record{std::move(delta), std::move(groupsBefore), std::move(groupsAfter)});
    auto apply = [mesh, record](bool undoing) {
        MeshNode* node = meshNode(findNode(mesh));
        if (!node) return;
        MeshEditor::applyDelta(node->mesh(), record->delta, undoing);
        node->faceGroups = undoing ? record->before : record->after;
    };
    queue.record([apply] { apply(true); }, [apply] { apply(false); }, "edit " + mesh);
}

void recordTweakBake(const std::string& mesh, std::vector<std::pair<int, Vec3>> tweaks) {
    auto& queue = undo::undoQueue();
    if (!queue.isRecording() || tweaks.empty()) return;
    auto shared = std::make_shared<const std::vector<std::pair<int, Vec3>>>(std::move(tweaks));
    queue.record(
        [mesh, shared] {
            if (MeshNode* node = meshNode(findNode(mesh))) node->unbakeTweaks(*shared);
        },
        [mesh] {
            if (MeshNode* node = meshNode(findNode(mesh))) node->bakeTweaks();
        },
        "bake tweaks " + mesh);
}

}  // namespace tarn::scene
