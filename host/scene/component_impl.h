#pragma once
/// The host object behind a component KObject: a kind of mesh component and its element
/// indices (sorted, unique), or "complete" (every element of whatever mesh it is used with).

#include <memory>
#include <vector>

#include "frame/k_object.h"
#include "host/scene/component_name.h"

namespace tarn::scene {

class ComponentImpl final : public ObjectImpl {
public:
    explicit ComponentImpl(KFn::Type type) : m_type(type) {}
    KFn::Type apiType() const override { return m_type; }
    ComponentKind kind() const { return componentKindOf(m_type); }

    /// The component behind a handle, or null.
    static ComponentImpl* from(const KObject& object);
    static KObject make(KFn::Type type, std::vector<int> elements);

    /// Adds indices, keeping the list sorted and unique.
    void add(const std::vector<int>& indices);
    const std::vector<int>& elements() const { return m_elements; }
    bool complete = false;
    int completeCount = -1;  // known element count of a complete component, -1 unknown

private:
    KFn::Type m_type;
    std::vector<int> m_elements;
};

/// Element count of a component kind on a mesh shape (vertices, edges, faces, UVs of the
/// current set); -1 when `mesh` is not a mesh.
int componentCount(const KObject& mesh, ComponentKind kind);
/// The indices a component stands for on `mesh` (a complete one expands to all).
std::vector<int> componentElements(const KObject& component, const KObject& mesh);

}  // namespace tarn::scene
