#include "host/dg/graph.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <new>

namespace tarn {

namespace {

bool validName(std::string_view name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

// The attribute of a plug when the plug names a live node having it; null otherwise.
const AttributeImpl* plugAttribute(const KPlug& plug, NodeImpl** node) {
    NodeImpl* n = NodeImpl::from(plug.node());
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!n || !n->alive() || !a || a->owner != &n->type()) return nullptr;
    if (node) *node = n;
    return a;
}

bool related(const AttributeImpl* a, const AttributeImpl* b) {
    return a->contains(b) || b->contains(a);
}

// Element indices of two plugs refer to the same data when either names no element.
bool sameElement(int a, int b) {
    return a < 0 || b < 0 || a == b;
}

}  // namespace

KStatus guardPluginCall(const std::function<KStatus()>& call, std::string* error) {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory in plug-in code";
        return KStatus::kInsufficientMemory;
    } catch (const std::exception& e) {
        if (error) *error = std::string("exception in plug-in code: ") + e.what();
        return KStatus::kFailure;
    } catch (...) {
        if (error) *error = "unknown exception in plug-in code";
        return KStatus::kFailure;
    }
}

bool sameShape(const AttributeImpl& a, const AttributeImpl& b) {
    if (a.kind == CellKind::kMessage || b.kind == CellKind::kMessage) return a.kind == b.kind;
    if (a.width != b.width) return false;
    if (a.isCompound() != b.isCompound()) {
        // A leaf matches a compound only through equal widths of plain numbers.
        return false;
    }
    if (a.isCompound()) {
        if (a.children.size() != b.children.size()) return false;
        for (size_t i = 0; i < a.children.size(); ++i)
            if (!sameShape(*a.children[i], *b.children[i])) return false;
        return true;
    }
    if (a.isNumericLeaf() && b.isNumericLeaf()) return true;
    if (a.kind == CellKind::kData && b.kind == CellKind::kData) return a.dataType == b.dataType;
    bool am = a.kind == CellKind::kMatrix || a.kind == CellKind::kFloatMatrix;
    bool bm = b.kind == CellKind::kMatrix || b.kind == CellKind::kFloatMatrix;
    if (am || bm) return am && bm;
    return a.kind == b.kind;
}

bool copyHandleValue(const KDataHandle& from, KDataHandle& to) {
    const AttributeImpl* a = from.attributeImpl();
    const AttributeImpl* b = to.attributeImpl();
    if (!a || !b || !sameShape(*a, *b)) return false;
    for (int i = 0; i < b->width; ++i) {
        CellKind k = b->cellKinds[i];
        if (k == CellKind::kAddr)
            to.cells()[i].p = a->cellKinds[i] == CellKind::kAddr ? from.cells()[i].p : nullptr;
        else
            storeCell(to.cells()[i], k, from.cells()[i].d);
    }
    // Strings and data, leaf by leaf in the same order.
    std::vector<const AttributeImpl*> sa{a}, sb{b};
    while (!sa.empty()) {
        const AttributeImpl* x = sa.back();
        const AttributeImpl* y = sb.back();
        sa.pop_back();
        sb.pop_back();
        if (x->aux >= 0 && y->aux >= 0) {
            if (y->kind == CellKind::kString)
                to.block()->strings[y->aux] = from.block()->strings[x->aux];
            else
                to.block()->objects[y->aux] = from.block()->objects[x->aux];
        }
        for (size_t i = 0; i < x->children.size(); ++i) {
            sa.push_back(x->children[i].get());
            sb.push_back(y->children[i].get());
        }
    }
    return true;
}

namespace {
bool g_graphDestroyed = false;
}  // namespace

Graph& Graph::instance() {
    static Graph graph;
    return graph;
}

bool Graph::exists() {
    return !g_graphDestroyed;
}

Graph::~Graph() {
    if (this == &instance()) g_graphDestroyed = true;
}

KStatus Graph::registerType(const NodeTypeSpec& decl, std::string* error) {
    if (decl.name.empty() || !validName(decl.name)) {
        if (error) *error = "invalid node type name '" + decl.name + "'";
        return KStatus::kInvalidParameter;
    }
    if (!decl.creator) {
        if (error) *error = "node type '" + decl.name + "' has no creator";
        return KStatus::kInvalidParameter;
    }
    if (findType(decl.name)) {
        if (error) *error = "node type '" + decl.name + "' is already registered";
        return KStatus::kFailure;
    }
    if (NodeType* other = findType(decl.id)) {
        char id[16];
        std::snprintf(id, sizeof id, "0x%x", decl.id.id());
        if (error)
            *error = "type id " + std::string(id) + " of '" + decl.name + "' is already used by '" +
                     other->name + "'";
        return KStatus::kFailure;
    }
    if (m_initializing) {
        if (error) *error = "node types cannot be registered from an initialiser";
        return KStatus::kFailure;
    }
    auto type = std::make_unique<NodeType>();
    type->name = decl.name;
    type->id = decl.id;
    type->creator = decl.creator;
    type->initializer = decl.initializer;
    type->nodeKind = decl.nodeKind;
    type->classification = decl.classification;
    type->apiType = decl.apiType;
    type->owner = decl.owner;

    // Run the initialiser; whatever it added is dropped when it fails.
    m_initializing = type.get();
    std::string why;
    KStatus status = decl.initializer ? guardPluginCall(decl.initializer, &why) : KStatus();
    m_initializing = nullptr;
    if (!status) {
        if (error)
            *error = "initialiser of node type '" + decl.name + "' failed" +
                     (why.empty() ? "" : ": " + why);
        type->release();
        return status;
    }
    status = type->finalize(&why);
    if (!status) {
        if (error) *error = "node type '" + decl.name + "': " + why;
        type->release();
        return status;
    }
    m_types.push_back(std::move(type));
    return KStatus::kSuccess;
}

KStatus Graph::deregisterType(KTypeId id, std::string* error) {
    auto it = std::find_if(m_types.begin(), m_types.end(), [&](auto& t) { return t->id == id; });
    if (it == m_types.end()) {
        if (error) *error = "no node type with that id is registered";
        return KStatus::kNotFound;
    }
    std::vector<KObject> existing = nodesOfType(**it);
    if (!existing.empty()) {
        std::string names;
        for (auto& n : existing) names += (names.empty() ? "" : ", ") + NodeImpl::from(n)->name();
        if (error) *error = "nodes of type '" + (*it)->name + "' still exist: " + names;
        return KStatus::kFailure;
    }
    // Nodes kept only for undo cannot come back without their type.
    for (const auto& d : std::vector<std::shared_ptr<NodeImpl>>(m_detached))
        if (&d->type() == it->get()) destroyDetached(d);
    m_types.erase(it);
    return KStatus::kSuccess;
}

NodeType* Graph::findType(std::string_view name) const {
    for (auto& t : m_types)
        if (t->name == name) return t.get();
    return nullptr;
}

NodeType* Graph::findType(KTypeId id) const {
    for (auto& t : m_types)
        if (t->id == id) return t.get();
    return nullptr;
}

std::vector<NodeType*> Graph::types() const {
    std::vector<NodeType*> r;
    for (auto& t : m_types) r.push_back(t.get());
    return r;
}

std::string Graph::uniqueName(std::string_view wanted) const {
    std::string base(wanted);
    while (!base.empty() && std::isdigit(static_cast<unsigned char>(base.back()))) base.pop_back();
    for (unsigned n = 1;; ++n) {
        std::string candidate = base + std::to_string(n);
        if (findNode(candidate).isNull()) return candidate;
    }
}

KObject Graph::createNode(std::string_view typeName, std::string_view name, std::string* error) {
    NodeType* type = findType(typeName);
    if (!type) {
        if (error) *error = "Unknown node type: " + std::string(typeName);
        return {};
    }
    std::string finalName;
    if (name.empty()) {
        finalName = uniqueName(type->name);
    } else {
        if (!validName(name)) {
            if (error) *error = "Invalid node name: " + std::string(name);
            return {};
        }
        finalName = findNode(name).isNull() ? std::string(name) : uniqueName(name);
    }
    void* raw = nullptr;
    std::string why;
    KStatus status = guardPluginCall(
        [&] {
            raw = type->creator();
            return raw ? KStatus() : KStatus(KStatus::kFailure);
        },
        &why);
    if (!status) {
        if (error)
            *error = "creator of node type '" + type->name + "' failed" +
                     (why.empty() ? "" : ": " + why);
        return {};
    }
    auto node = std::make_shared<NodeImpl>(*type, finalName);
    auto* user = static_cast<KPxNode*>(raw);
    node->attach(user);
    user->attachNodeImpl(node.get());
    m_nodes.push_back(node);
    status = guardPluginCall(
        [&] {
            user->postConstructor();
            return KStatus();
        },
        &why);
    if (!status) {
        std::string ignored;
        deleteNode(KObject(node), &ignored);
        if (error) *error = "postConstructor of '" + finalName + "' failed: " + why;
        return {};
    }
    return KObject(node);
}

KStatus Graph::deleteNode(const KObject& object, std::string* error) {
    NodeImpl* node = NodeImpl::from(object);
    auto it =
        std::find_if(m_nodes.begin(), m_nodes.end(), [&](auto& n) { return n.get() == node; });
    if (!node || it == m_nodes.end()) {
        if (error) *error = "no such node";
        return KStatus::kNotFound;
    }
    std::shared_ptr<NodeImpl> keep = *it;
    for (size_t i = m_connections.size(); i-- > 0;) {
        if (i >= m_connections.size()) continue;
        const Connection& c = m_connections[i];
        if (c.srcNode.get() == node || c.dstNode.get() == node) breakConnection(i);
    }
    m_nodes.erase(std::find(m_nodes.begin(), m_nodes.end(), keep));
    destroyUserNode(*node);
    return KStatus::kSuccess;
}

void Graph::destroyUserNode(NodeImpl& node) {
    KPxNode* user = node.detach();
    std::string why;
    guardPluginCall(
        [&] {
            delete user;
            return KStatus();
        },
        &why);
}

KStatus Graph::detachNode(const KObject& object, DetachedNode* out, std::string* error) {
    NodeImpl* node = NodeImpl::from(object);
    auto it =
        std::find_if(m_nodes.begin(), m_nodes.end(), [&](auto& n) { return n.get() == node; });
    if (!node || it == m_nodes.end() || !out) {
        if (error) *error = "no such node";
        return KStatus::kNotFound;
    }
    out->node = *it;
    out->position = static_cast<size_t>(it - m_nodes.begin());
    out->connections.clear();
    for (size_t i = m_connections.size(); i-- > 0;) {
        if (i >= m_connections.size()) continue;
        const Connection& c = m_connections[i];
        if (c.srcNode.get() != node && c.dstNode.get() != node) continue;
        out->connections.emplace_back(i, c);
        // The node's own inputs keep their values: they come back with it.
        breakConnection(i, c.dstNode.get() == node);
    }
    m_nodes.erase(std::find(m_nodes.begin(), m_nodes.end(), out->node));
    node->setDetachedForUndo(true);
    m_detached.push_back(out->node);
    return KStatus::kSuccess;
}

KStatus Graph::reattachNode(const DetachedNode& record, std::string* error) {
    auto it = std::find(m_detached.begin(), m_detached.end(), record.node);
    if (!record.node || it == m_detached.end() || !record.node->userNode()) {
        if (error) *error = "the node is no longer kept for undo";
        return KStatus::kNotFound;
    }
    m_detached.erase(it);
    NodeImpl& node = *record.node;
    node.setDetachedForUndo(false);
    if (!findNode(node.name()).isNull()) node.setName(uniqueName(node.name()));
    m_nodes.insert(m_nodes.begin() + static_cast<long>(std::min(record.position, m_nodes.size())),
                   record.node);
    // Connections return in reverse breaking order, each at its old place in the list.
    for (auto c = record.connections.rbegin(); c != record.connections.rend(); ++c) {
        const Connection& conn = c->second;
        if (!conn.srcNode->alive() || !conn.dstNode->alive()) continue;
        m_connections.insert(
            m_connections.begin() + static_cast<long>(std::min(c->first, m_connections.size())),
            conn);
        NodeImpl& dn = *conn.dstNode;
        if (conn.dstAttr->arrayRoot) dn.store().handle(*conn.dstAttr, conn.dstIndex, true);
        dn.store().setDirty(*conn.dstAttr);
        markDirtyFrom(dn, *conn.dstAttr, conn.dstIndex);
        KPlug src(KObject(conn.srcNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(conn.srcAttr->shared_from_this())),
                  conn.srcIndex);
        KPlug dst(KObject(conn.dstNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(conn.dstAttr->shared_from_this())),
                  conn.dstIndex);
        std::string why;
        guardPluginCall([&] { return conn.srcNode->userNode()->connectionMade(src, dst, true); },
                        &why);
        guardPluginCall([&] { return dn.userNode()->connectionMade(dst, src, false); }, &why);
    }
    return KStatus::kSuccess;
}

void Graph::destroyDetached(const std::shared_ptr<NodeImpl>& node) {
    auto it = std::find(m_detached.begin(), m_detached.end(), node);
    if (it == m_detached.end()) return;
    std::shared_ptr<NodeImpl> keep = *it;
    m_detached.erase(it);
    destroyUserNode(*keep);
}

KStatus Graph::renameNode(const KObject& object, std::string_view name, std::string* actual,
                          std::string* error) {
    NodeImpl* node = NodeImpl::from(object);
    if (!node || !node->alive()) {
        if (error) *error = "no such node";
        return KStatus::kNotFound;
    }
    if (!validName(name)) {
        if (error) *error = "Invalid node name: " + std::string(name);
        return KStatus::kInvalidParameter;
    }
    std::string finalName(name);
    if (node->name() != name && !findNode(name).isNull()) finalName = uniqueName(name);
    node->setName(finalName);
    if (actual) *actual = finalName;
    return KStatus::kSuccess;
}

KObject Graph::findNode(std::string_view name) const {
    for (auto& n : m_nodes)
        if (n->name() == name) return KObject(n);
    return {};
}

std::vector<KObject> Graph::nodes() const {
    std::vector<KObject> r;
    for (auto& n : m_nodes) r.emplace_back(n);
    return r;
}

std::vector<KObject> Graph::nodesOfType(const NodeType& type) const {
    std::vector<KObject> r;
    for (auto& n : m_nodes)
        if (&n->type() == &type) r.emplace_back(n);
    return r;
}

KPlug Graph::parsePlug(std::string_view text, std::string* error) const {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return KPlug();
    };
    size_t dot = text.find('.');
    if (dot == std::string_view::npos)
        return fail("No attribute named in '" + std::string(text) + "'");
    std::string_view nodeName = text.substr(0, dot);
    KObject node = findNode(nodeName);
    if (node.isNull()) return fail("No object matches name: " + std::string(nodeName));
    NodeImpl* n = NodeImpl::from(node);
    const AttributeImpl* current = nullptr;
    int index = -1;
    std::string_view rest = text.substr(dot + 1);
    while (!rest.empty()) {
        size_t next = rest.find('.');
        std::string_view part = rest.substr(0, next);
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        int partIndex = -1;
        size_t bracket = part.find('[');
        if (bracket != std::string_view::npos) {
            if (part.back() != ']') return fail("Invalid plug: " + std::string(text));
            std::string digits(part.substr(bracket + 1, part.size() - bracket - 2));
            if (digits.empty() || digits.size() > 9 ||
                !std::all_of(digits.begin(), digits.end(),
                             [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                return fail("Invalid element index in: " + std::string(text));
            partIndex = std::stoi(digits);
            part = part.substr(0, bracket);
        }
        const AttributeImpl* a = n->type().findAttribute(part);
        if (!a || (current && !current->contains(a)))
            return fail("No attribute '" + std::string(part) + "' on node " + n->name());
        if (partIndex >= 0) {
            if (!a->array) return fail("Attribute '" + a->longName + "' is not an array");
            index = partIndex;
        }
        current = a;
    }
    if (!current) return fail("No attribute named in '" + std::string(text) + "'");
    if (current->arrayRoot && current->arrayRoot != current && index < 0)
        return fail("Name an element of '" + current->arrayRoot->longName + "' to reach '" +
                    current->longName + "'");
    return KPlug(node, KObject(std::const_pointer_cast<AttributeImpl>(current->shared_from_this())),
                 index);
}

std::string Graph::plugName(const KPlug& plug, bool useLongNames, bool includeNode) const {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a) return {};
    auto nameOf = [&](const AttributeImpl* x) { return useLongNames ? x->longName : x->shortName; };
    std::string r = includeNode ? node->name() + "." : std::string();
    if (a->arrayRoot && plug.elementIndex() >= 0) {
        r += nameOf(a->arrayRoot) + "[" + std::to_string(plug.elementIndex()) + "]";
        if (a != a->arrayRoot) r += "." + nameOf(a);
    } else {
        r += nameOf(a);
    }
    return r;
}

KDataHandle Graph::readHandle(const KPlug& plug, KStatus* status) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a || (a->arrayRoot && plug.elementIndex() < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    KStatus s = evaluate(*node, plug);
    kSetStatus(status, s);
    KDataHandle h = node->store().handle(*a, plug.elementIndex(), false);
    if (h.isNull() && a->arrayRoot) {
        // A missing element reads as the defaults, without being created.
        const CellBlock& defaults = node->type().elementDefaults(a->arrayRoot->arraySlot);
        static Cell sentinel{};
        Cell* cells = a->width > 0 ? const_cast<Cell*>(defaults.cells.data()) + a->cell : &sentinel;
        h = KDataHandle(cells, static_cast<std::uint8_t>(std::min(a->width, 255)), a->kind, a,
                        const_cast<CellBlock*>(&defaults));
    }
    return h;
}

KDataHandle Graph::writeHandle(const KPlug& plug, KStatus* status) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a || (a->arrayRoot && plug.elementIndex() < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return node->store().handle(*a, plug.elementIndex(), true);
}

bool Graph::canWrite(const KPlug& plug, std::string* error) const {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    std::string name = plugName(plug);
    if (!a) {
        if (error) *error = "No such plug";
        return false;
    }
    for (const AttributeImpl* x = a; x; x = x->parent) {
        if (!x->writable) {
            if (error) *error = "The attribute '" + name + "' is not writable";
            return false;
        }
        if (node->isLocked(*x, x->arrayRoot ? plug.elementIndex() : -1)) {
            if (error) *error = "The attribute '" + name + "' is locked and cannot be modified";
            return false;
        }
    }
    for (const Connection& c : m_connections) {
        if (c.dstNode.get() == node && related(c.dstAttr, a) &&
            sameElement(c.dstIndex, plug.elementIndex())) {
            if (error) *error = "The attribute '" + name + "' is connected and cannot be modified";
            return false;
        }
    }
    return true;
}

void Graph::valueChanged(const KPlug& plug) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (a) markDirtyFrom(*node, *a, plug.elementIndex());
}

std::vector<unsigned> Graph::elementIndices(const KPlug& arrayPlug) const {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(arrayPlug, &node);
    std::vector<unsigned> r;
    if (!a || !a->array) return r;
    for (auto& e : node->store().array(*a).elements) r.push_back(e->logicalIndex);
    return r;
}

KStatus Graph::removeElement(const KPlug& elementPlug, std::string* error) {
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(elementPlug, &node);
    if (!a || !a->array || elementPlug.elementIndex() < 0) {
        if (error) *error = "not an array element";
        return KStatus::kInvalidParameter;
    }
    for (size_t i = m_connections.size(); i-- > 0;) {
        const Connection& c = m_connections[i];
        bool hit = (c.dstNode.get() == node && c.dstAttr->arrayRoot == a &&
                    c.dstIndex == elementPlug.elementIndex()) ||
                   (c.srcNode.get() == node && c.srcAttr->arrayRoot == a &&
                    c.srcIndex == elementPlug.elementIndex());
        if (hit) breakConnection(i);
    }
    if (!node->store().array(*a).remove(static_cast<unsigned>(elementPlug.elementIndex()))) {
        if (error) *error = "no such element";
        return KStatus::kNotFound;
    }
    markDirtyFrom(*node, *a, elementPlug.elementIndex());
    return KStatus::kSuccess;
}

bool Graph::reaches(const NodeImpl* from, const NodeImpl* to) const {
    std::vector<const NodeImpl*> stack{from}, seen;
    while (!stack.empty()) {
        const NodeImpl* n = stack.back();
        stack.pop_back();
        if (n == to) return true;
        if (std::find(seen.begin(), seen.end(), n) != seen.end()) continue;
        seen.push_back(n);
        for (const Connection& c : m_connections)
            if (c.srcNode.get() == n) stack.push_back(c.dstNode.get());
    }
    return false;
}

KStatus Graph::connect(const KPlug& src, const KPlug& dst, bool force, std::string* error,
                       std::size_t position) {
    NodeImpl *sn = nullptr, *dn = nullptr;
    const AttributeImpl* sa = plugAttribute(src, &sn);
    const AttributeImpl* da = plugAttribute(dst, &dn);
    auto fail = [&](KStatus::KStatusCode code, const std::string& why) {
        if (error) *error = why;
        return KStatus(code);
    };
    if (!sa || !da) return fail(KStatus::kInvalidParameter, "Both plugs must exist");
    std::string sName = plugName(src), dName = plugName(dst);
    if ((sa->arrayRoot && src.elementIndex() < 0) || (da->arrayRoot && dst.elementIndex() < 0))
        return fail(KStatus::kInvalidParameter, "Name an element of an array plug to connect it");
    if (!sa->readable)
        return fail(KStatus::kInvalidParameter,
                    "The source attribute '" + sName + "' is not readable");
    if (da->computed) {
        return fail(KStatus::kInvalidParameter, "The destination attribute '" + dName +
                                                    "' is an output and cannot be a destination");
    }
    for (const AttributeImpl* x = da; x; x = x->parent) {
        if (!x->writable || !x->connectable)
            return fail(KStatus::kInvalidParameter,
                        "The destination attribute '" + dName + "' cannot be connected to");
        if (dn->isLocked(*x, x->arrayRoot ? dst.elementIndex() : -1))
            return fail(KStatus::kInvalidParameter,
                        "The destination attribute '" + dName + "' is locked");
    }
    if (!sa->connectable)
        return fail(KStatus::kInvalidParameter,
                    "The source attribute '" + sName + "' cannot be connected");
    if (!sameShape(*sa, *da))
        return fail(KStatus::kInvalidParameter,
                    "The attributes '" + sName + "' and '" + dName + "' are not compatible");
    // Evaluation pulls all of a node's connected inputs before its compute, so a connection
    // within one node could feed the node from itself: refused, like a loop through others.
    if (sn == dn)
        return fail(KStatus::kInvalidParameter,
                    "Cannot connect '" + sName + "' to '" + dName +
                        "': connections between attributes of the same node are not supported");
    if (reaches(dn, sn))
        return fail(KStatus::kInvalidParameter,
                    "Connecting '" + sName + "' to '" + dName + "' would create a cycle");

    // An existing connection into the destination (or a part of it).
    for (size_t i = m_connections.size(); i-- > 0;) {
        const Connection& c = m_connections[i];
        if (c.dstNode.get() != dn || !related(c.dstAttr, da) ||
            !sameElement(c.dstIndex, dst.elementIndex()))
            continue;
        if (c.srcNode.get() == sn && c.srcAttr == sa && c.srcIndex == src.elementIndex() &&
            c.dstAttr == da && c.dstIndex == dst.elementIndex())
            return fail(KStatus::kFailure,
                        "'" + sName + "' is already connected to '" + dName + "'");
        if (!force) {
            return fail(KStatus::kFailure,
                        "'" + dName + "' already has an incoming connection from '" +
                            plugName(KPlug(KObject(c.srcNode),
                                           KObject(std::const_pointer_cast<AttributeImpl>(
                                               c.srcAttr->shared_from_this())),
                                           c.srcIndex)) +
                            "'");
        }
    }
    if (force) {
        for (size_t i = m_connections.size(); i-- > 0;) {
            const Connection& c = m_connections[i];
            if (c.dstNode.get() == dn && related(c.dstAttr, da) &&
                sameElement(c.dstIndex, dst.elementIndex()))
                breakConnection(i);
        }
    }
    Connection c;
    c.srcNode = sn->shared_from_this();
    c.srcAttr = sa;
    c.srcIndex = src.elementIndex();
    c.dstNode = dn->shared_from_this();
    c.dstAttr = da;
    c.dstIndex = dst.elementIndex();
    m_connections.insert(
        m_connections.begin() + static_cast<long>(std::min(position, m_connections.size())), c);
    // The destination's element exists from now on; its value comes from the source.
    if (da->arrayRoot) dn->store().handle(*da, dst.elementIndex(), true);
    dn->store().setDirty(*da);
    markDirtyFrom(*dn, *da, dst.elementIndex());
    std::string why;
    guardPluginCall([&] { return sn->userNode()->connectionMade(src, dst, true); }, &why);
    guardPluginCall([&] { return dn->userNode()->connectionMade(dst, src, false); }, &why);
    return KStatus::kSuccess;
}

KStatus Graph::disconnect(const KPlug& src, const KPlug& dst, std::string* error) {
    for (size_t i = 0; i < m_connections.size(); ++i) {
        const Connection& c = m_connections[i];
        if (KObject(c.srcNode) == src.node() && c.srcAttr == src.attribute().impl() &&
            c.srcIndex == src.elementIndex() && KObject(c.dstNode) == dst.node() &&
            c.dstAttr == dst.attribute().impl() && c.dstIndex == dst.elementIndex()) {
            breakConnection(i);
            return KStatus::kSuccess;
        }
    }
    if (error)
        *error = "There is no connection from '" + plugName(src) + "' to '" + plugName(dst) + "'";
    return KStatus::kNotFound;
}

void Graph::breakConnection(size_t position, bool keepDestinationValue) {
    Connection c = m_connections[position];
    m_connections.erase(m_connections.begin() + static_cast<long>(position));
    NodeImpl* dn = c.dstNode.get();
    if (!dn->alive()) return;
    DataStore& store = dn->store();
    // The destination keeps, resets or loses its value as its attribute asks.
    switch (keepDestinationValue ? KFnAttribute::kNothing : c.dstAttr->disconnectBehavior) {
        case KFnAttribute::kReset:
            store.resetToDefault(*c.dstAttr, c.dstIndex);
            break;
        case KFnAttribute::kDelete:
            if (c.dstAttr->array && c.dstIndex >= 0)
                store.array(*c.dstAttr).remove(static_cast<unsigned>(c.dstIndex));
            break;
        case KFnAttribute::kNothing:
            break;
    }
    store.setClean(*c.dstAttr);
    markDirtyFrom(*dn, *c.dstAttr, c.dstIndex);
    KPlug srcPlug(KObject(c.srcNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(c.srcAttr->shared_from_this())),
                  c.srcIndex);
    KPlug dstPlug(KObject(c.dstNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(c.dstAttr->shared_from_this())),
                  c.dstIndex);
    std::string why;
    if (c.srcNode->alive())
        guardPluginCall(
            [&] { return c.srcNode->userNode()->connectionBroken(srcPlug, dstPlug, true); }, &why);
    guardPluginCall([&] { return dn->userNode()->connectionBroken(dstPlug, srcPlug, false); },
                    &why);
}

std::vector<Connection> Graph::connectionsOf(const KPlug& plug, bool asDestination,
                                             bool asSource) const {
    std::vector<Connection> r;
    NodeImpl* node = nullptr;
    const AttributeImpl* a = plugAttribute(plug, &node);
    if (!a) return r;
    for (const Connection& c : m_connections) {
        if (asDestination && c.dstNode.get() == node && related(c.dstAttr, a) &&
            sameElement(c.dstIndex, plug.elementIndex()))
            r.push_back(c);
        else if (asSource && c.srcNode.get() == node && related(c.srcAttr, a) &&
                 sameElement(c.srcIndex, plug.elementIndex()))
            r.push_back(c);
    }
    return r;
}

KStatus Graph::pullConnection(Connection& c) {
    KPlug srcPlug(KObject(c.srcNode),
                  KObject(std::const_pointer_cast<AttributeImpl>(c.srcAttr->shared_from_this())),
                  c.srcIndex);
    KStatus status;
    KDataHandle from = readHandle(srcPlug, &status);
    KDataHandle to = c.dstNode->store().handle(*c.dstAttr, c.dstIndex, true);
    if (from.isNull() || to.isNull()) return KStatus::kFailure;
    copyHandleValue(from, to);
    return status;
}

KStatus Graph::pullInputs(NodeImpl& node) {
    DataStore& store = node.store();
    std::vector<size_t> pending;
    for (size_t i = 0; i < m_connections.size(); ++i) {
        const Connection& c = m_connections[i];
        if (c.dstNode.get() == &node && store.isDirty(*c.dstAttr)) pending.push_back(i);
    }
    KStatus result;
    std::vector<const AttributeImpl*> done;
    for (size_t i : pending) {
        // Copy: pulling evaluates upstream, which never edits connections.
        Connection c = m_connections[i];
        KStatus s = pullConnection(c);
        if (!s && result) result = s;
        done.push_back(c.dstAttr);
    }
    for (const AttributeImpl* a : done) store.setClean(*a);
    return result;
}

KStatus Graph::evaluate(NodeImpl& node, const KPlug& plug) {
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!a || !node.alive()) return KStatus::kInvalidParameter;
    DataStore& store = node.store();
    if (!a->computed) {
        // An input: pull its source when it is a dirty destination.
        if (!store.isDirty(*a)) return KStatus::kSuccess;
        KStatus result;
        for (size_t i = 0; i < m_connections.size(); ++i) {
            Connection c = m_connections[i];
            if (c.dstNode.get() != &node || !related(c.dstAttr, a)) continue;
            KStatus s = pullConnection(c);
            if (!s && result) result = s;
            store.setClean(*c.dstAttr);
        }
        store.setClean(*a);
        return result;
    }
    if (!store.isDirty(*a) || node.evaluating) return KStatus::kSuccess;
    KStatus pulled = pullInputs(node);
    node.evaluating = true;
    KDataBlock block(&store);
    std::string why;
    KStatus status = guardPluginCall([&] { return node.userNode()->compute(plug, block); }, &why);
    node.evaluating = false;
    if (status == KStatus::kUnknownParameter || status == KStatus::kSuccess) {
        // Not served (5) keeps the stored value; either way the plug is settled.
        store.setClean(*a);
        return pulled;
    }
    return status;
}

void Graph::markDirtyFrom(NodeImpl& node, const AttributeImpl& attribute, int index) {
    (void)index;
    DataStore& store = node.store();
    const NodeType& type = node.type();
    for (int i : type.affectedBy(attribute.index)) {
        const AttributeImpl& out = *type.attributes()[i];
        if (store.isFullyDirty(out)) continue;
        store.setDirty(out);
        propagateFromSource(node, out);
    }
    propagateFromSource(node, attribute);
}

void Graph::propagateFromSource(NodeImpl& node, const AttributeImpl& attribute) {
    for (size_t i = 0; i < m_connections.size(); ++i) {
        Connection c = m_connections[i];
        if (c.srcNode.get() != &node || !related(c.srcAttr, &attribute)) continue;
        NodeImpl& dn = *c.dstNode;
        if (!dn.alive()) continue;
        DataStore& ds = dn.store();
        if (ds.isFullyDirty(*c.dstAttr)) continue;
        ds.setDirty(*c.dstAttr);
        markDirtyFrom(dn, *c.dstAttr, c.dstIndex);
    }
}

void Graph::clear() {
    while (!m_detached.empty()) destroyDetached(m_detached.back());
    while (!m_nodes.empty()) {
        std::string ignored;
        deleteNode(KObject(m_nodes.back()), &ignored);
    }
    m_connections.clear();
    m_types.clear();
}

}  // namespace tarn
