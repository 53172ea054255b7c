#include "host/dg/graph.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
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

namespace {
bool g_graphShutDown = false;

void clearGraphAtExit() {
    // Nodes of plug-in types are left when a plug-in is still loaded: their destructors are
    // plug-in code whose statics may be gone by now (PluginLoader::shutdown ends a session
    // in order before exit).
    Graph& graph = Graph::instance();
    const auto types = graph.types();
    if (std::none_of(types.begin(), types.end(), [](NodeType* t) { return t->owner; }))
        graph.clear();
    g_graphShutDown = true;
}
}  // namespace

Graph& Graph::instance() {
    // Never destroyed, so that no static destructor can meet it gone. Its nodes are deleted by
    // an at-exit function registered here, so that nothing is left for the process end.
    static Graph* graph = [] {
        auto* g = new Graph;
        std::atexit(&clearGraphAtExit);
        return g;
    }();
    return *graph;
}

bool Graph::exists() {
    return !g_graphShutDown;
}

Graph::~Graph() {
    clear();
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
        if (conn.dstAttr->arrayRoot) dn.store().block(*conn.dstAttr, conn.dstIndex, true);
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
