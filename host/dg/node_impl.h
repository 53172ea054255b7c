#pragma once
/// The host side of a node instance: its unique name, its type, the plug-in object (KPxNode)
/// and its attribute storage. Owned by the graph; handles keep the record alive after the node
/// is deleted, marked dead. A node taken out of the graph for undo (Graph::detachNode) keeps its
/// plug-in object and storage but reads as dead until it is put back. Main thread only.

#include <memory>
#include <set>
#include <string>
#include <utility>

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "host/dg/data_store.h"
#include "host/dg/node_type.h"

namespace tarn {

class NodeImpl final : public ObjectImpl, public std::enable_shared_from_this<NodeImpl> {
public:
    NodeImpl(NodeType& type, std::string name)
        : m_type(&type), m_apiType(type.apiType), m_name(std::move(name)) {}
    ~NodeImpl() override;
    /// Kept from the type, so a handle to a deleted node answers it even after the node's type
    /// is gone (its plug-in unloaded, the graph cleared).
    KFn::Type apiType() const override { return m_apiType; }

    /// The node behind a handle, or null when the handle holds something else.
    static NodeImpl* from(const KObject& object);

    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    /// The node's type; valid while the node is alive or detached for undo (a dead node's type
    /// may have been deregistered since).
    NodeType& type() const { return *m_type; }
    KPxNode* userNode() const { return m_node; }
    DataStore& store() { return *m_store; }
    /// True while the node is in the graph (not deleted, not detached for undo).
    bool alive() const { return m_node != nullptr && !m_detached; }
    /// True while the node is out of the graph but keeps its object and storage for undo.
    bool detachedForUndo() const { return m_detached; }
    void setDetachedForUndo(bool detached) { m_detached = detached; }

    bool isLocked(const AttributeImpl& attribute, int index) const {
        return m_locked.count({&attribute, index}) != 0;
    }
    void setLocked(const AttributeImpl& attribute, int index, bool locked) {
        if (locked) m_locked.insert({&attribute, index});
        else m_locked.erase({&attribute, index});
    }

    /// Attaches the plug-in object and fresh storage (the graph calls this once).
    void attach(KPxNode* node);
    /// Detaches and returns the plug-in object (the caller deletes it) and drops the storage.
    KPxNode* detach();

    bool evaluating = false;  ///< set while compute runs, to stop re-entry

private:
    NodeType* m_type;
    KFn::Type m_apiType;
    std::string m_name;
    KPxNode* m_node = nullptr;
    std::unique_ptr<DataStore> m_store;
    std::set<std::pair<const AttributeImpl*, int>> m_locked;
    bool m_detached = false;
};

}  // namespace tarn
