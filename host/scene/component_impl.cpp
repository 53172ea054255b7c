#include "host/scene/component_impl.h"

#include <algorithm>
#include <functional>

#include "host/scene/dag.h"

namespace tarn::scene {

ComponentImpl* ComponentImpl::from(const KObject& object) {
    if (componentKindOf(object.apiType()) == ComponentKind::None) return nullptr;
    return dynamic_cast<ComponentImpl*>(object.impl());
}

KObject ComponentImpl::make(KFn::Type type, std::vector<int> elements) {
    auto impl = std::make_shared<ComponentImpl>(type);
    impl->m_elements = std::move(elements);
    impl->add({});  // sort and drop repeats unless already in order
    return KObject(std::static_pointer_cast<ObjectImpl>(impl));
}

void ComponentImpl::add(const std::vector<int>& indices) {
    m_elements.insert(m_elements.end(), indices.begin(), indices.end());
    // Whole-range lists usually arrive sorted and unique already.
    if (std::adjacent_find(m_elements.begin(), m_elements.end(), std::greater_equal<int>()) ==
        m_elements.end())
        return;
    std::sort(m_elements.begin(), m_elements.end());
    m_elements.erase(std::unique(m_elements.begin(), m_elements.end()), m_elements.end());
}

int componentCount(const KObject& mesh, ComponentKind kind) {
    MeshNode* node = meshNode(meshShapeOf(mesh));
    if (!node) return -1;
    const PolyMesh& m = node->readMesh();
    switch (kind) {
        case ComponentKind::Vertex:
            return m.numVertices();
        case ComponentKind::Edge:
            return m.numEdges();
        case ComponentKind::Face:
            return m.numFaces();
        case ComponentKind::UV: {
            const UVSet* set = m.uvSet();
            return set ? static_cast<int>(set->u.size()) : 0;
        }
        case ComponentKind::None:
            break;
    }
    return -1;
}

std::vector<int> componentElements(const KObject& component, const KObject& mesh) {
    ComponentImpl* c = ComponentImpl::from(component);
    if (!c) return {};
    if (!c->complete) return c->elements();
    int count = componentCount(mesh, c->kind());
    if (count < 0) count = std::max(c->completeCount, 0);
    std::vector<int> all(count);
    for (int i = 0; i < count; ++i) all[i] = i;
    return all;
}

}  // namespace tarn::scene
