// KDagPath, KFnDependencyNode, KFnDagNode and KFnTransform over the host's graph and DAG.

#include <algorithm>

#include "frame/k_node.h"
#include "frame/k_scene.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/undo/undo.h"

using namespace tarn;
using namespace tarn::scene;

namespace {

template <typename T>
T fail(KStatus* status, KStatus::KStatusCode code, T value) {
    kSetStatus(status, code);
    return value;
}

}  // namespace

// KDagPath.

KStatus KDagPath::getAPathTo(const KObject& node, KDagPath& path) {
    if (!dagNode(node)) return KStatus::kInvalidParameter;
    path = pathTo(node);
    return KStatus::kSuccess;
}

bool KDagPath::isValid(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    if (m_nodes.empty()) return false;
    for (const KObject& n : m_nodes)
        if (!dagNode(n)) return false;
    return true;
}

KObject KDagPath::node(KStatus* status) const {
    if (m_nodes.empty()) return fail(status, KStatus::kInvalidParameter, KObject());
    kSetStatus(status, KStatus::kSuccess);
    return m_nodes.back();
}

KObject KDagPath::transform(KStatus* status) const {
    for (auto it = m_nodes.rbegin(); it != m_nodes.rend(); ++it)
        if (it->apiType() == KFn::kTransform) {
            kSetStatus(status, KStatus::kSuccess);
            return *it;
        }
    return fail(status, KStatus::kInvalidParameter, KObject());
}

KFn::Type KDagPath::apiType(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return m_nodes.empty() ? KFn::kInvalid : m_nodes.back().apiType();
}

bool KDagPath::hasFn(KFn::Type type, KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    if (m_nodes.empty()) return false;
    if (m_nodes.back().hasFn(type)) return true;
    // A transform with one shape answers for its shape, as function sets attach through it.
    if (m_nodes.back().apiType() == KFn::kTransform) {
        const std::vector<KObject> shapes = shapesOf(m_nodes.back());
        return shapes.size() == 1 && shapes[0].hasFn(type);
    }
    return false;
}

unsigned KDagPath::length(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return static_cast<unsigned>(m_nodes.size());
}

KString KDagPath::fullPathName(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    std::string out;
    for (const KObject& n : m_nodes) out += "|" + nodeName(n);
    return out;
}

KString KDagPath::partialPathName(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return m_nodes.empty() ? KString() : KString(nodeName(m_nodes.back()));
}

KStatus KDagPath::extendToShape() {
    if (m_nodes.empty()) return KStatus::kInvalidParameter;
    if (DagNodeBase* d = dagNode(m_nodes.back()); d && d->isShape()) return KStatus::kSuccess;
    const std::vector<KObject> shapes = shapesOf(m_nodes.back());
    if (shapes.size() != 1) return KStatus::kInvalidParameter;
    m_nodes.push_back(shapes[0]);
    return KStatus::kSuccess;
}

KStatus KDagPath::push(const KObject& child) {
    const KObject end = m_nodes.empty() ? KObject() : m_nodes.back();
    if (!dagNode(child) || !(parentOf(child) == end)) return KStatus::kInvalidParameter;
    m_nodes.push_back(child);
    return KStatus::kSuccess;
}

KStatus KDagPath::pop(unsigned count) {
    if (count > m_nodes.size()) return KStatus::kInvalidParameter;
    m_nodes.resize(m_nodes.size() - count);
    return KStatus::kSuccess;
}

unsigned KDagPath::childCount(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return static_cast<unsigned>(childrenOf(m_nodes.empty() ? KObject() : m_nodes.back()).size());
}

KObject KDagPath::child(unsigned index, KStatus* status) const {
    const std::vector<KObject> kids = childrenOf(m_nodes.empty() ? KObject() : m_nodes.back());
    if (index >= kids.size()) return fail(status, KStatus::kInvalidParameter, KObject());
    kSetStatus(status, KStatus::kSuccess);
    return kids[index];
}

KMatrix KDagPath::inclusiveMatrix(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    KMatrix m;
    for (auto it = m_nodes.rbegin(); it != m_nodes.rend(); ++it) m = m * localMatrix(*it);
    return m;
}

KMatrix KDagPath::exclusiveMatrix(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    KMatrix m;
    if (m_nodes.size() < 2) return m;
    for (auto it = m_nodes.rbegin() + 1; it != m_nodes.rend(); ++it) m = m * localMatrix(*it);
    return m;
}

KMatrix KDagPath::inclusiveMatrixInverse(KStatus* status) const {
    return inclusiveMatrix(status).inverse();
}

KMatrix KDagPath::exclusiveMatrixInverse(KStatus* status) const {
    return exclusiveMatrix(status).inverse();
}

bool KDagPath::isVisible(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    for (const KObject& n : m_nodes)
        if (!tarn::scene::isVisible(n)) return false;
    return !m_nodes.empty();
}

// KFnDependencyNode.

KFnDependencyNode::KFnDependencyNode(const KObject& node, KStatus* status) {
    kSetStatus(status, setObject(node));
}

KFnDependencyNode::~KFnDependencyNode() = default;

KStatus KFnDependencyNode::setObject(const KObject& node) {
    if (!liveNode(node)) return KStatus::kInvalidParameter;
    m_object = node;
    return KStatus::kSuccess;
}

KObject KFnDependencyNode::object(KStatus* status) const {
    kSetStatus(status, m_object.isNull() ? KStatus::kInvalidParameter : KStatus::kSuccess);
    return m_object;
}

bool KFnDependencyNode::attached(KStatus* status) const {
    const bool ok = liveNode(m_object) != nullptr;
    kSetStatus(status, ok ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return ok;
}

KObject KFnDependencyNode::create(const KString& type, const KString& name, KStatus* status) {
    ensureSceneTypes();
    std::string error;
    NodeType* t = Graph::instance().findType(type.str());
    KObject node;
    if (t && kFnIsA(t->apiType, KFn::kDagNode))
        node = createDagNode(type.str(), name.str(), {}, &error);
    else
        node = Graph::instance().createNode(type.str(), name.str(), &error);
    if (node.isNull()) return fail(status, KStatus::kInvalidParameter, KObject());
    recordCreated({node}, "create " + nodeName(node));
    m_object = node;
    kSetStatus(status, KStatus::kSuccess);
    return node;
}

KString KFnDependencyNode::name(KStatus* status) const {
    if (!attached(status)) return {};
    return nodeName(m_object);
}

KString KFnDependencyNode::setName(const KString& name, bool, KStatus* status) {
    if (!attached(status)) return {};
    const std::string before = nodeName(m_object);
    std::string actual, error;
    if (Graph::instance().renameNode(m_object, name.str(), &actual, &error).error())
        return fail(status, KStatus::kInvalidParameter, KString(before));
    // Undo renames by the names themselves.
    auto rename = [](const std::string& from, const std::string& to) {
        std::string a, e;
        KObject n = Graph::instance().findNode(from);
        if (!n.isNull()) Graph::instance().renameNode(n, to, &a, &e);
    };
    undo::undoQueue().record([rename, before, actual] { rename(actual, before); },
                             [rename, before, actual] { rename(before, actual); }, "rename",
                             /*changesNames=*/true);
    kSetStatus(status, KStatus::kSuccess);
    return actual;
}

KString KFnDependencyNode::typeName(KStatus* status) const {
    if (!attached(status)) return {};
    return liveNode(m_object)->type().name;
}

unsigned KFnDependencyNode::typeId(KStatus* status) const {
    if (!attached(status)) return 0;
    return liveNode(m_object)->type().id.id();
}

KPlug KFnDependencyNode::findPlug(const KString& attributeName, KStatus* status) const {
    if (!attached(status)) return {};
    const KPlug plug = plugByName(m_object, attributeName.str());
    kSetStatus(status, plug.isNull() ? KStatus::kInvalidParameter : KStatus::kSuccess);
    return plug;
}

KPlug KFnDependencyNode::findPlug(const KObject& attribute, KStatus* status) const {
    if (!attached(status)) return {};
    const KPlug plug(m_object, attribute);
    kSetStatus(status, plug.isNull() ? KStatus::kInvalidParameter : KStatus::kSuccess);
    return plug;
}

KObject KFnDependencyNode::attribute(const KString& attributeName, KStatus* status) const {
    if (!attached(status)) return {};
    KObject attr = attributeByName(m_object, attributeName.str());
    kSetStatus(status, attr.isNull() ? KStatus::kInvalidParameter : KStatus::kSuccess);
    return attr;
}

bool KFnDependencyNode::hasAttribute(const KString& attributeName, KStatus* status) const {
    if (!attached(status)) return false;
    return !attributeByName(m_object, attributeName.str()).isNull();
}

unsigned KFnDependencyNode::attributeCount(KStatus* status) const {
    if (!attached(status)) return 0;
    return static_cast<unsigned>(liveNode(m_object)->type().attributes().size());
}

KObject KFnDependencyNode::attribute(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    const auto& attrs = liveNode(m_object)->type().attributes();
    if (index >= attrs.size()) return fail(status, KStatus::kInvalidParameter, KObject());
    return KObject(attrs[index]);
}

KPxNode* KFnDependencyNode::userNode(KStatus* status) const {
    if (!attached(status)) return nullptr;
    NodeImpl* n = liveNode(m_object);
    return n->type().owner ? n->userNode() : nullptr;
}

KStatus KFnDependencyNode::getConnections(KPlugArray& plugs) const {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    plugs.clear();
    NodeImpl* self = liveNode(m_object);
    for (const Connection& c : Graph::instance().connections()) {
        if (c.srcNode.get() == self)
            plugs.append(KPlug(
                m_object,
                [&] {
                    for (const auto& a : self->type().attributes())
                        if (a.get() == c.srcAttr) return KObject(a);
                    return KObject();
                }(),
                c.srcIndex));
        if (c.dstNode.get() == self)
            plugs.append(KPlug(
                m_object,
                [&] {
                    for (const auto& a : self->type().attributes())
                        if (a.get() == c.dstAttr) return KObject(a);
                    return KObject();
                }(),
                c.dstIndex));
    }
    return KStatus::kSuccess;
}

// KFnDagNode.

KFnDagNode::KFnDagNode(const KObject& node, KStatus* status) {
    kSetStatus(status, setObject(node));
}

KFnDagNode::KFnDagNode(const KDagPath& path, KStatus* status) {
    kSetStatus(status, setObject(path));
}

KStatus KFnDagNode::setObject(const KObject& node) {
    if (!dagNode(node)) return KStatus::kInvalidParameter;
    m_object = node;
    m_path = pathTo(node);
    return KStatus::kSuccess;
}

KStatus KFnDagNode::setObject(const KDagPath& path) {
    KObject end = path.node();
    if (!dagNode(end)) return KStatus::kInvalidParameter;
    m_object = end;
    m_path = path;
    return KStatus::kSuccess;
}

KObject KFnDagNode::create(const KString& type, const KString& name, const KObject& parent,
                           KStatus* status) {
    ensureSceneTypes();
    std::string error;
    NodeType* t = Graph::instance().findType(type.str());
    if (!t || !kFnIsA(t->apiType, KFn::kDagNode))
        return fail(status, KStatus::kInvalidParameter, KObject());
    std::vector<KObject> created;
    KObject under = parent;
    const bool shape = t->apiType != KFn::kTransform;
    if (shape && under.isNull()) {
        under = createDagNode("transform", "", {}, &error);
        if (under.isNull()) return fail(status, KStatus::kFailure, KObject());
        created.push_back(under);
    }
    KObject node = createDagNode(type.str(), name.str(), under, &error);
    if (node.isNull()) {
        if (!created.empty()) Graph::instance().deleteNode(created[0], &error);
        return fail(status, KStatus::kInvalidParameter, KObject());
    }
    created.push_back(node);
    recordCreated(created, "create " + nodeName(node));
    setObject(node);
    kSetStatus(status, KStatus::kSuccess);
    return created.front();
}

unsigned KFnDagNode::parentCount(KStatus* status) const {
    if (!attached(status)) return 0;
    return parentOf(m_object).isNull() ? 0u : 1u;
}

KObject KFnDagNode::parent(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    KObject p = parentOf(m_object);
    if (index != 0 || p.isNull()) return fail(status, KStatus::kInvalidParameter, KObject());
    return p;
}

unsigned KFnDagNode::childCount(KStatus* status) const {
    if (!attached(status)) return 0;
    return static_cast<unsigned>(childrenOf(m_object).size());
}

KObject KFnDagNode::child(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    const std::vector<KObject> kids = childrenOf(m_object);
    if (index >= kids.size()) return fail(status, KStatus::kInvalidParameter, KObject());
    return kids[index];
}

KStatus KFnDagNode::addChild(const KObject& child, unsigned, bool) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    const std::string oldParent = nodeName(parentOf(child));
    const int oldIndex = childIndex(child);
    std::string error;
    if (!setParent(child, m_object, &error)) return KStatus::kInvalidParameter;
    recordParentChange(nodeName(child), oldParent, nodeName(m_object), oldIndex);
    return KStatus::kSuccess;
}

KStatus KFnDagNode::removeChild(const KObject& child) {
    if (!attached(nullptr) || !(parentOf(child) == m_object)) return KStatus::kInvalidParameter;
    const int oldIndex = childIndex(child);
    std::string error;
    if (!setParent(child, {}, &error)) return KStatus::kInvalidParameter;
    recordParentChange(nodeName(child), nodeName(m_object), "", oldIndex);
    return KStatus::kSuccess;
}

bool KFnDagNode::hasChild(const KObject& node, KStatus* status) const {
    if (!attached(status)) return false;
    return parentOf(node) == m_object;
}

bool KFnDagNode::isParentOf(const KObject& node, KStatus* status) const {
    return hasChild(node, status);
}

bool KFnDagNode::isChildOf(const KObject& node, KStatus* status) const {
    if (!attached(status)) return false;
    return parentOf(m_object) == node && !node.isNull();
}

KStatus KFnDagNode::getPath(KDagPath& path) const {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    path = m_path.isValid() ? m_path : pathTo(m_object);
    return KStatus::kSuccess;
}

KDagPath KFnDagNode::dagPath(KStatus* status) const {
    KDagPath path;
    kSetStatus(status, getPath(path));
    return path;
}

KString KFnDagNode::fullPathName(KStatus* status) const {
    if (!attached(status)) return {};
    return tarn::scene::fullPathName(m_object);
}

KString KFnDagNode::partialPathName(KStatus* status) const {
    if (!attached(status)) return {};
    return nodeName(m_object);
}

KMatrix KFnDagNode::transformationMatrix(KStatus* status) const {
    if (!attached(status)) return {};
    return localMatrix(m_object);
}

KBoundingBox KFnDagNode::boundingBox(KStatus* status) const {
    KBoundingBox box;
    if (!attached(status)) return box;
    if (MeshNode* m = meshNode(m_object)) {
        const Box3 b = m->readMesh().bounds();
        if (!b.empty())
            box = KBoundingBox({b.min.x, b.min.y, b.min.z}, {b.max.x, b.max.y, b.max.z});
        return box;
    }
    // A transform: its shapes' boxes in its own space, children's through their matrices.
    for (const KObject& child : childrenOf(m_object)) {
        KFnDagNode fn(child);
        KBoundingBox childBox = fn.boundingBox();
        if (childBox.isEmpty()) continue;
        childBox.transformUsing(localMatrix(child));
        box.expand(childBox);
    }
    return box;
}

bool KFnDagNode::isIntermediateObject(KStatus* status) const {
    if (!attached(status)) return false;
    return readNumber(m_object, "intermediateObject") != 0.0;
}

bool KFnDagNode::isInstanced(bool, KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return false;
}

// KFnTransform.

KFnTransform::KFnTransform(const KObject& node, KStatus* status) {
    kSetStatus(status, node.apiType() == KFn::kTransform ? setObject(node)
                                                         : KStatus(KStatus::kInvalidParameter));
}

KFnTransform::KFnTransform(const KDagPath& path, KStatus* status) {
    kSetStatus(status, path.apiType() == KFn::kTransform ? setObject(path)
                                                         : KStatus(KStatus::kInvalidParameter));
}

KObject KFnTransform::create(const KObject& parent, KStatus* status) {
    ensureSceneTypes();
    std::string error;
    KObject node = createDagNode("transform", "", parent, &error);
    if (node.isNull()) return fail(status, KStatus::kInvalidParameter, KObject());
    recordCreated({node}, "create " + nodeName(node));
    setObject(node);
    kSetStatus(status, KStatus::kSuccess);
    return node;
}

KTransformationMatrix KFnTransform::transformation(KStatus* status) const {
    KTransformationMatrix tm;
    if (!attached(status)) return tm;
    KVector t, r, s;
    getTransformValues(m_object, t, r, s);
    // Rotation part of the local matrix without scale.
    KMatrix rot = localMatrix(m_object);
    for (int i = 0; i < 3; ++i) {
        const double len =
            std::sqrt(rot[i][0] * rot[i][0] + rot[i][1] * rot[i][1] + rot[i][2] * rot[i][2]);
        for (int j = 0; j < 3 && len > 0.0; ++j) rot[i][j] /= len;
        rot[i][3] = 0.0;
    }
    rot[3][0] = rot[3][1] = rot[3][2] = 0.0;
    KTransformationMatrix fromRotation(rot);
    double x, y, z, w;
    fromRotation.getRotationQuaternion(x, y, z, w);
    tm.setRotationQuaternion(x, y, z, w);
    tm.setTranslation(t);
    const double scale[3] = {s.x, s.y, s.z};
    tm.setScale(scale);
    return tm;
}

KStatus KFnTransform::set(const KTransformationMatrix& transform) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    const KVector r = eulerDegreesFromMatrix(transform.rotation().asMatrix());
    double s[3];
    transform.getScale(s);
    const bool ok = writeVector(m_object, "translate", transform.getTranslation()) &&
                    writeVector(m_object, "rotate", r) &&
                    writeVector(m_object, "scale", {s[0], s[1], s[2]});
    return ok ? KStatus::kSuccess : KStatus::kFailure;
}

KVector KFnTransform::getTranslation(KSpace space, KStatus* status) const {
    if (!attached(status)) return {};
    const KVector t = readVector(m_object, "translate");
    if (space != KSpace::kWorld) return t;
    const KPoint w = KPoint(t) * worldMatrix(parentOf(m_object));
    return w.asVector();
}

KStatus KFnTransform::setTranslation(const KVector& vector, KSpace space) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    KVector local = vector;
    if (space == KSpace::kWorld)
        local = (KPoint(vector) * worldMatrix(parentOf(m_object)).inverse()).asVector();
    return writeVector(m_object, "translate", local) ? KStatus::kSuccess : KStatus::kFailure;
}

KStatus KFnTransform::translateBy(const KVector& vector, KSpace space) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    KVector delta = vector;
    if (space == KSpace::kObject) delta = vector * transformation().rotation().asMatrix();
    return writeVector(m_object, "translate", readVector(m_object, "translate") + delta)
               ? KStatus::kSuccess
               : KStatus::kFailure;
}

KStatus KFnTransform::getRotation(KQuaternion& rotation, KSpace) const {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    rotation = transformation().rotation();
    return KStatus::kSuccess;
}

KStatus KFnTransform::setRotation(const KQuaternion& rotation, KSpace) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    return writeVector(m_object, "rotate", eulerDegreesFromMatrix(rotation.asMatrix()))
               ? KStatus::kSuccess
               : KStatus::kFailure;
}

KStatus KFnTransform::rotateBy(const KQuaternion& rotation, KSpace space) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    KTransformationMatrix tm = transformation();
    tm.rotateBy(rotation, space);
    return setRotation(tm.rotation());
}

KStatus KFnTransform::getScale(double scale[3]) const {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    const KVector s = readVector(m_object, "scale");
    scale[0] = s.x, scale[1] = s.y, scale[2] = s.z;
    return KStatus::kSuccess;
}

KStatus KFnTransform::setScale(const double scale[3]) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    return writeVector(m_object, "scale", {scale[0], scale[1], scale[2]}) ? KStatus::kSuccess
                                                                          : KStatus::kFailure;
}
