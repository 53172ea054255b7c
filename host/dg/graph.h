#pragma once
/// The dependency graph: node types, node instances with unique names, connections between
/// plugs, and pull evaluation.
///
/// - Reading an output that is dirty calls the node's compute; compute status 5 (not mine)
///   keeps the stored value. Either way the plug is clean afterwards; other failures leave it
///   dirty and are returned.
/// - Reading a connected input pulls the source's value first (evaluating upstream).
/// - Setting an input marks the outputs it affects, and everything downstream, dirty.
/// - Connections go from a readable plug to a writable, connectable, non-computed plug of the
///   same shape; a connection that would close a loop of nodes is refused.
///
/// The graph is process-wide and belongs to the main thread; parallel evaluation goes through
/// SampleEvaluator (private copies of a node's storage).

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "host/dg/node_impl.h"
#include "host/dg/node_type.h"

namespace tarn {

struct Connection {
    std::shared_ptr<NodeImpl> srcNode;
    const AttributeImpl* srcAttr = nullptr;
    int srcIndex = -1;
    std::shared_ptr<NodeImpl> dstNode;
    const AttributeImpl* dstAttr = nullptr;
    int dstIndex = -1;
};

/// A node taken out of the graph by Graph::detachNode, with what it takes to put it back.
struct DetachedNode {
    std::shared_ptr<NodeImpl> node;
    std::size_t position = 0;  ///< its place in the node list
    /// The connections that were broken, in breaking order, each with its place in the list.
    std::vector<std::pair<std::size_t, Connection>> connections;
};

/// What registerType needs to know about a type.
struct NodeTypeSpec {
    std::string name;
    KTypeId id;
    KCreatorFunction creator = nullptr;
    KInitializeFunction initializer = nullptr;
    KPxNode::Type nodeKind = KPxNode::kDependNode;
    std::string classification;
    KFn::Type apiType = KFn::kPluginNode;
    void* owner = nullptr;
};

class Graph {
public:
    /// The process-wide graph.
    static Graph& instance();
    /// False once the process-wide graph has been destroyed (at exit): records that outlive it,
    /// such as undo items destroyed later, must not touch it then.
    static bool exists();
    Graph() = default;
    ~Graph();

    // Types.
    /// Registers a type and runs its initialiser. On any failure (duplicate name or id, null
    /// creator, failing or throwing initialiser, bad attribute layout) nothing is kept and
    /// `*error` says why.
    KStatus registerType(const NodeTypeSpec& decl, std::string* error);
    /// Removes a type; kFailure while nodes of it exist (their names in `*error`).
    KStatus deregisterType(KTypeId id, std::string* error);
    NodeType* findType(std::string_view name) const;
    NodeType* findType(KTypeId id) const;
    std::vector<NodeType*> types() const;
    /// The type whose initialiser is running (for KPxNode::addAttribute), or null.
    NodeType* initializingType() const { return m_initializing; }

    // Nodes.
    /// Creates a node named `name` (or after its type, "denim1"), numbered when the name is
    /// taken. Null with `*error` on an unknown type, a bad name or a failing creator.
    KObject createNode(std::string_view typeName, std::string_view name, std::string* error);
    /// Deletes a node: breaks its connections, then destroys the plug-in object.
    KStatus deleteNode(const KObject& node, std::string* error);
    /// Takes a node out of the graph without destroying it (deletion that undo can take back):
    /// its connections are broken as deleteNode breaks them, but the plug-in object, values,
    /// array elements and locks are kept. The node reads as dead until reattachNode puts it
    /// back or destroyDetached ends it. `*out` receives what reattachNode needs.
    KStatus detachNode(const KObject& node, DetachedNode* out, std::string* error);
    /// Puts a detached node back at its place with its connections. The graph must be as
    /// detachNode left it (records are replayed newest first). kNotFound when the node was
    /// destroyed meanwhile (its type went away).
    KStatus reattachNode(const DetachedNode& record, std::string* error);
    /// Destroys a node that is still detached (its undo record was dropped); else does nothing.
    void destroyDetached(const std::shared_ptr<NodeImpl>& node);
    /// Number of nodes currently detached (kept for undo).
    std::size_t detachedCount() const { return m_detached.size(); }
    /// Renames; the new name is numbered when taken. The final name goes to `*actual`.
    KStatus renameNode(const KObject& node, std::string_view name, std::string* actual,
                       std::string* error);
    KObject findNode(std::string_view name) const;
    std::vector<KObject> nodes() const;
    std::vector<KObject> nodesOfType(const NodeType& type) const;
    /// A free name built from `wanted` ("denim" -> "denim1", "denim1" -> "denim2" when taken).
    std::string uniqueName(std::string_view wanted) const;

    // Plugs.
    /// Parses "node.attr", "node.attr[3]", "node.array[3].child"; long or short names.
    KPlug parsePlug(std::string_view text, std::string* error) const;
    /// "node.longName[3].child".
    std::string plugName(const KPlug& plug, bool useLongNames = true,
                         bool includeNode = true) const;
    /// A handle on the plug's value, evaluated (outputs computed, connected inputs pulled).
    KDataHandle readHandle(const KPlug& plug, KStatus* status);
    /// A handle for writing (array elements are created); check writability with canWrite.
    KDataHandle writeHandle(const KPlug& plug, KStatus* status);
    /// Whether a user write may change the plug; the reason in `*error` when not.
    bool canWrite(const KPlug& plug, std::string* error) const;
    /// After a write through writeHandle: marks what depends on the plug dirty.
    void valueChanged(const KPlug& plug);
    /// Elements of an array plug, ascending logical index.
    std::vector<unsigned> elementIndices(const KPlug& arrayPlug) const;
    /// Removes one element of an array plug (and its connections).
    KStatus removeElement(const KPlug& elementPlug, std::string* error);

    // Connections.
    /// Connects `src` to `dst` (with `force`, breaking what feeds `dst` first). The connection
    /// joins the list at `position` (undo puts a connection back at its old place), or at the
    /// end when `position` is past it.
    KStatus connect(const KPlug& src, const KPlug& dst, bool force, std::string* error,
                    std::size_t position = static_cast<std::size_t>(-1));
    KStatus disconnect(const KPlug& src, const KPlug& dst, std::string* error);
    /// Connections into (asDestination) and/or out of (asSource) the plug, its children and
    /// parents.
    std::vector<Connection> connectionsOf(const KPlug& plug, bool asDestination,
                                          bool asSource) const;
    const std::vector<Connection>& connections() const { return m_connections; }

    // Evaluation.
    /// Computes a plug of a node if dirty, first pulling the node's dirty connected inputs.
    KStatus evaluate(NodeImpl& node, const KPlug& plug);
    /// Pulls every dirty connected input of the node (evaluating upstream).
    KStatus pullInputs(NodeImpl& node);

    /// Forgets every node, connection and type (tests).
    void clear();

    /// Called whenever a write or an upstream change marks `attribute` of `node` dirty, after
    /// the graph's own propagation (the scene uses it to dirty world-space outputs of shapes
    /// below a transform). One observer; an empty function removes it.
    using DirtyObserver = std::function<void(NodeImpl& node, const AttributeImpl& attribute)>;
    void setDirtyObserver(DirtyObserver observer) { m_dirtyObserver = std::move(observer); }

private:
    KStatus pullConnection(Connection& connection);
    void markDirtyFrom(NodeImpl& node, const AttributeImpl& attribute, int index);
    void propagateFromSource(NodeImpl& node, const AttributeImpl& attribute);
    bool reaches(const NodeImpl* from, const NodeImpl* to) const;
    /// Removes a connection; `keepDestinationValue` skips the destination's disconnect
    /// behaviour (used when the destination node is being detached).
    void breakConnection(size_t position, bool keepDestinationValue = false);
    void destroyUserNode(NodeImpl& node);

    std::vector<std::unique_ptr<NodeType>> m_types;
    std::vector<std::shared_ptr<NodeImpl>> m_nodes;
    std::vector<Connection> m_connections;
    std::vector<std::shared_ptr<NodeImpl>> m_detached;
    NodeType* m_initializing = nullptr;
    DirtyObserver m_dirtyObserver;
};

/// Copies the value of one handle into another of the same shape, cell by cell at the
/// destination's precision (strings and data included). False on a shape mismatch.
bool copyHandleValue(const KDataHandle& from, KDataHandle& to);
/// True when values of `a` can flow into `b` (same number cells, strings and data).
bool sameShape(const AttributeImpl& a, const AttributeImpl& b);

/// Runs a callable that calls into plug-in code, turning escaping exceptions into kFailure
/// with the reason in `*error`.
KStatus guardPluginCall(const std::function<KStatus()>& call, std::string* error);

}  // namespace tarn
