#pragma once
/// A registered node type: identity, creator, its attributes in registration order (children
/// included, right after their compound) and the storage layout derived from them.
/// Built on the main thread during registration; read-only afterwards (safe to read from
/// evaluation threads).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_status.h"
#include "host/dg/attribute_impl.h"
#include "host/dg/data_store.h"

namespace tarn {

class NodeType {
public:
    std::string name;
    KTypeId id;
    KCreatorFunction creator = nullptr;
    KInitializeFunction initializer = nullptr;
    KPxNode::Type nodeKind = KPxNode::kDependNode;
    std::string classification;  ///< empty when registered without one
    KFn::Type apiType = KFn::kPluginNode;
    void* owner = nullptr;       ///< the registering plug-in (PluginImpl), null for host types

    NodeType() = default;
    NodeType(const NodeType&) = delete;
    NodeType& operator=(const NodeType&) = delete;
    ~NodeType();

    /// Adds an attribute and its children. Success without change when already added;
    /// kInvalidParameter for a non-attribute, one owned by another type, or a name clash.
    KStatus addAttribute(const KObject& attribute, std::string* error);
    /// Records that a change of `when` dirties `affected`; both must be this type's.
    KStatus addAffects(const KObject& when, const KObject& affected, std::string* error);
    /// Lays out the storage, computes defaults and the expanded affects table. Called once the
    /// initialiser has returned; fails for unsupported shapes (arrays inside arrays).
    KStatus finalize(std::string* error);
    /// Gives the attributes up (they may then join another type).
    void release();

    /// Attribute by long or short name, or null.
    const AttributeImpl* findAttribute(std::string_view name) const;
    const std::vector<std::shared_ptr<AttributeImpl>>& attributes() const { return m_attributes; }
    /// Attributes dirtied by a change of the attribute with index `i` (expanded: compounds,
    /// children), as attribute indices.
    const std::vector<int>& affectedBy(int i) const { return m_affects[i]; }
    const std::vector<const AttributeImpl*>& arrays() const { return m_arrays; }
    const CellBlock& rootDefaults() const { return m_rootDefaults; }
    const CellBlock& elementDefaults(int arraySlot) const { return m_elementDefaults[arraySlot]; }

private:
    void placeTree(AttributeImpl& attribute, const AttributeImpl* arrayRoot, int& cell, int& aux,
                   std::vector<CellKind>* kinds);
    void writeDefaults(const AttributeImpl& attribute, CellBlock& block) const;

    std::vector<std::shared_ptr<AttributeImpl>> m_attributes;
    std::vector<std::pair<const AttributeImpl*, const AttributeImpl*>> m_declaredAffects;
    std::vector<std::vector<int>> m_affects;
    std::vector<const AttributeImpl*> m_arrays;
    CellBlock m_rootDefaults;
    std::vector<CellBlock> m_elementDefaults;
};

}  // namespace tarn
