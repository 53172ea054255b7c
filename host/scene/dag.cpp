#include "host/scene/dag.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include "host/dg/graph.h"
#include "host/scene/node_access.h"

namespace tarn::scene {

namespace {

// Nodes directly under the world, in creation order.
std::vector<std::weak_ptr<NodeImpl>>& worldChildren() {
    // Never destroyed: the graph deletes its nodes at exit, after static destructors ran.
    static auto* roots = new std::vector<std::weak_ptr<NodeImpl>>;
    return *roots;
}

std::shared_ptr<NodeImpl> sharedOf(const KObject& object) {
    if (!NodeImpl::from(object)) return nullptr;
    return std::static_pointer_cast<NodeImpl>(object.implPtr());
}

void dropExpired(std::vector<std::weak_ptr<NodeImpl>>& list) {
    std::erase_if(list, [](const std::weak_ptr<NodeImpl>& w) {
        auto n = w.lock();
        return !n || !n->alive();
    });
}

// Removes `node` from the child list of its current parent (or the world).
void unlink(const std::shared_ptr<NodeImpl>& node, DagNodeBase& dag) {
    auto& list = [&]() -> std::vector<std::weak_ptr<NodeImpl>>& {
        if (auto p = dag.parent.lock())
            if (auto* pd = dynamic_cast<DagNodeBase*>(p->userNode())) return pd->children;
        return worldChildren();
    }();
    std::erase_if(list, [&](const std::weak_ptr<NodeImpl>& w) { return w.lock() == node; });
    dag.parent.reset();
}

KMatrix rotationMatrix(const KVector& degrees) {
    const double k = std::numbers::pi / 180.0;
    const double cx = std::cos(degrees.x * k), sx = std::sin(degrees.x * k);
    const double cy = std::cos(degrees.y * k), sy = std::sin(degrees.y * k);
    const double cz = std::cos(degrees.z * k), sz = std::sin(degrees.z * k);
    KMatrix rx, ry, rz;
    rx[1][1] = cx, rx[1][2] = sx, rx[2][1] = -sx, rx[2][2] = cx;
    ry[0][0] = cy, ry[0][2] = -sy, ry[2][0] = sy, ry[2][2] = cy;
    rz[0][0] = cz, rz[0][1] = sz, rz[1][0] = -sz, rz[1][1] = cz;
    return rx * ry * rz;
}

KVector readDouble3(const KObject& node, const KObject& attribute) {
    KStatus status;
    const KDataHandle h = Graph::instance().readHandle(KPlug(node, attribute), &status);
    return status.error() ? KVector() : h.asVector();
}

}  // namespace

NodeImpl* liveNode(const KObject& object) {
    NodeImpl* node = NodeImpl::from(object);
    return node && node->alive() ? node : nullptr;
}

DagNodeBase* dagNode(const KObject& object) {
    NodeImpl* node = liveNode(object);
    return node ? dynamic_cast<DagNodeBase*>(node->userNode()) : nullptr;
}

MeshNode* meshNode(const KObject& object) {
    NodeImpl* node = liveNode(object);
    return node ? dynamic_cast<MeshNode*>(node->userNode()) : nullptr;
}

KObject handleOf(const std::shared_ptr<NodeImpl>& node) {
    return node ? KObject(std::static_pointer_cast<ObjectImpl>(node)) : KObject();
}

KObject parentOf(const KObject& node) {
    DagNodeBase* dag = dagNode(node);
    if (!dag) return {};
    auto parent = dag->parent.lock();
    return parent && parent->alive() ? handleOf(parent) : KObject();
}

std::vector<KObject> childrenOf(const KObject& node) {
    std::vector<std::weak_ptr<NodeImpl>>* list = &worldChildren();
    if (!node.isNull()) {
        DagNodeBase* dag = dagNode(node);
        if (!dag) return {};
        list = &dag->children;
    } else {
        // Transforms below a deleted transform fall to the world rather than out of the
        // scene; shapes left without their transform stay out of the DAG.
        const std::weak_ptr<NodeImpl> none;
        for (const KObject& n : Graph::instance().nodes()) {
            DagNodeBase* d = dagNode(n);
            if (!d) continue;
            const bool hadParent = d->parent.owner_before(none) || none.owner_before(d->parent);
            auto parent = d->parent.lock();
            if (!hadParent || (parent && parent->alive())) continue;
            d->parent.reset();
            if (!d->isShape()) list->push_back(std::static_pointer_cast<NodeImpl>(n.implPtr()));
        }
    }
    dropExpired(*list);
    std::vector<KObject> out;
    for (const auto& w : *list) out.push_back(handleOf(w.lock()));
    return out;
}

std::vector<KObject> allDagNodes() {
    std::vector<KObject> out;
    std::vector<KObject> stack = childrenOf({});
    std::reverse(stack.begin(), stack.end());
    while (!stack.empty()) {
        KObject n = stack.back();
        stack.pop_back();
        out.push_back(n);
        std::vector<KObject> kids = childrenOf(n);
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) stack.push_back(*it);
    }
    return out;
}

KObject createDagNode(std::string_view type, std::string_view name, const KObject& parent,
                      std::string* error) {
    ensureSceneTypes();
    DagNodeBase* parentDag = nullptr;
    if (!parent.isNull()) {
        parentDag = dagNode(parent);
        if (!parentDag || parentDag->isShape()) {
            if (error) *error = "The parent of a DAG node must be a transform";
            return {};
        }
    }
    Graph& graph = Graph::instance();
    NodeType* nodeType = graph.findType(type);
    if (!nodeType || !kFnIsA(nodeType->apiType, KFn::kDagNode)) {
        if (error) *error = "Unknown DAG node type: " + std::string(type);
        return {};
    }
    KObject node = graph.createNode(type, name, error);
    DagNodeBase* dag = dagNode(node);
    if (!dag) return {};
    auto shared = sharedOf(node);
    if (parentDag) {
        dag->parent = sharedOf(parent);
        parentDag->children.push_back(shared);
    } else {
        worldChildren().push_back(shared);
    }
    return node;
}

namespace {

// A reparent changes world matrices below `node` without an attribute write: report it as a
// write of the transform's translate (the shape's parent's, for a shape) so that what is
// computed from world positions below it goes dirty.
void worldMoved(const KObject& node) {
    const KObject transform = node.apiType() == KFn::kTransform ? node : parentOf(node);
    if (transform.apiType() == KFn::kTransform && !TransformNode::translate.isNull())
        Graph::instance().valueChanged(KPlug(transform, TransformNode::translate));
}

}  // namespace

bool setParent(const KObject& node, const KObject& parent, std::string* error) {
    auto fail = [&](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    DagNodeBase* dag = dagNode(node);
    if (!dag) return fail("Not a DAG node: " + nodeName(node));
    if (parent.isNull()) {
        if (dag->isShape())
            return fail("A shape cannot be placed under the world: " + nodeName(node));
    } else {
        DagNodeBase* parentDag = dagNode(parent);
        if (!parentDag || parentDag->isShape())
            return fail("Cannot parent under " + nodeName(parent) + ": not a transform");
        for (KObject up = parent; !up.isNull(); up = parentOf(up))
            if (up == node)
                return fail("Cannot parent " + nodeName(node) + " under itself or its descendant " +
                            nodeName(parent));
    }
    auto shared = sharedOf(node);
    unlink(shared, *dag);
    if (parent.isNull()) {
        worldChildren().push_back(shared);
    } else {
        dag->parent = sharedOf(parent);
        dagNode(parent)->children.push_back(shared);
    }
    worldMoved(node);
    return true;
}

int childIndex(const KObject& node) {
    if (!dagNode(node)) return -1;
    const std::vector<KObject> siblings = childrenOf(parentOf(node));
    auto it = std::find(siblings.begin(), siblings.end(), node);
    return it == siblings.end() ? -1 : static_cast<int>(it - siblings.begin());
}

void relink(const KObject& node, const KObject& parent, int index) {
    DagNodeBase* dag = dagNode(node);
    DagNodeBase* parentDag = parent.isNull() ? nullptr : dagNode(parent);
    if (!dag || (!parent.isNull() && !parentDag)) return;
    auto shared = sharedOf(node);
    unlink(shared, *dag);
    std::vector<std::weak_ptr<NodeImpl>>& list = parentDag ? parentDag->children : worldChildren();
    dropExpired(list);
    const size_t at = index < 0 ? list.size() : std::min(static_cast<size_t>(index), list.size());
    list.insert(list.begin() + static_cast<long>(at), shared);
    if (parentDag) dag->parent = sharedOf(parent);
    worldMoved(node);
}

KDagPath pathTo(const KObject& node) {
    std::vector<KObject> chain;
    for (KObject n = node; !n.isNull() && dagNode(n); n = parentOf(n)) chain.push_back(n);
    std::reverse(chain.begin(), chain.end());
    return KDagPath(std::move(chain));
}

std::string nodeName(const KObject& node) {
    NodeImpl* n = NodeImpl::from(node);
    return n ? n->name() : std::string();
}

std::string fullPathName(const KObject& node) {
    std::string out;
    const KDagPath path = pathTo(node);
    for (const KObject& n : path.nodes()) out += "|" + nodeName(n);
    return out;
}

KObject findNode(std::string_view nameOrPath) {
    // Names are unique, so a path resolves by its last element (checked against the path).
    const size_t bar = nameOrPath.rfind('|');
    const std::string_view last =
        bar == std::string_view::npos ? nameOrPath : nameOrPath.substr(bar + 1);
    KObject node = Graph::instance().findNode(last);
    if (node.isNull() || !liveNode(node)) return {};
    if (bar != std::string_view::npos && nameOrPath.front() == '|' &&
        fullPathName(node) != nameOrPath)
        return {};
    return node;
}

std::vector<KObject> shapesOf(const KObject& transform) {
    std::vector<KObject> shapes;
    for (const KObject& child : childrenOf(transform))
        if (DagNodeBase* d = dagNode(child); d && d->isShape()) shapes.push_back(child);
    return shapes;
}

KObject meshShapeOf(const KObject& node) {
    if (meshNode(node)) return node;
    KObject found;
    // The drawn shape: intermediate meshes below a transform are never its mesh.
    for (const KObject& shape : shapesOf(node))
        if (meshNode(shape) && readNumber(shape, "intermediateObject") == 0.0) {
            if (!found.isNull()) return {};  // ambiguous
            found = shape;
        }
    return found;
}

KMatrix localMatrix(const KObject& node) {
    NodeImpl* n = liveNode(node);
    if (!n || !dynamic_cast<TransformNode*>(n->userNode())) return KMatrix();
    KVector t, r, s;
    getTransformValues(node, t, r, s);
    KMatrix scale;
    scale[0][0] = s.x, scale[1][1] = s.y, scale[2][2] = s.z;
    KMatrix m = scale * rotationMatrix(r);
    m[3][0] = t.x, m[3][1] = t.y, m[3][2] = t.z;
    return m;
}

KMatrix worldMatrix(const KObject& node) {
    KMatrix m;
    for (KObject n = node; !n.isNull(); n = parentOf(n)) m = m * localMatrix(n);
    return m;
}

bool isVisible(const KObject& node) {
    NodeImpl* n = liveNode(node);
    if (!n) return false;
    for (const auto& attribute : n->type().attributes()) {
        if (attribute->longName != "visibility") continue;
        KStatus status;
        const KDataHandle h =
            Graph::instance().readHandle(KPlug(node, KObject(attribute)), &status);
        return status.error() ? true : h.asBool();
    }
    return true;
}

KVector eulerDegreesFromMatrix(const KMatrix& m) {
    // m = Rx * Ry * Rz (row vectors): m[0][2] = -sin(y).
    const double k = 180.0 / std::numbers::pi;
    const double sy = std::clamp(-m[0][2], -1.0, 1.0);
    const double y = std::asin(sy);
    double x, z;
    if (std::abs(sy) < 1.0 - 1e-12) {
        x = std::atan2(m[1][2], m[2][2]);
        z = std::atan2(m[0][1], m[0][0]);
    } else {
        // Gimbal lock: put the whole remaining rotation into x.
        z = 0.0;
        x = std::atan2(-m[2][1], m[1][1]);
    }
    return {x * k, y * k, z * k};
}

void getTransformValues(const KObject& transform, KVector& t, KVector& r, KVector& s) {
    t = readDouble3(transform, TransformNode::translate);
    r = readDouble3(transform, TransformNode::rotate);
    s = readDouble3(transform, TransformNode::scale);
}

}  // namespace tarn::scene

namespace tarn::scene {

std::pair<KObject, KObject> createTransformAndShape(std::string_view base,
                                                    std::string_view shapeBase,
                                                    std::string_view shapeType,
                                                    const KObject& parent, std::string* error) {
    ensureSceneTypes();
    Graph& graph = Graph::instance();
    const std::string transformName = graph.uniqueName(std::string(base) + "1");
    size_t digits = transformName.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(transformName[digits - 1])))
        --digits;
    const std::string number = transformName.substr(digits);
    KObject transform = createDagNode("transform", transformName, parent, error);
    if (transform.isNull()) return {};
    KObject shape = createDagNode(shapeType, std::string(shapeBase) + number, transform, error);
    if (shape.isNull()) {
        std::string ignored;
        graph.deleteNode(transform, &ignored);
        return {};
    }
    return {transform, shape};
}

}  // namespace tarn::scene
