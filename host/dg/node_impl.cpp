#include "host/dg/node_impl.h"

namespace tarn {

NodeImpl::~NodeImpl() = default;

NodeImpl* NodeImpl::from(const KObject& object) {
    ObjectImpl* impl = object.impl();
    if (!impl || !kFnIsA(impl->apiType(), KFn::kDependencyNode)) return nullptr;
    return dynamic_cast<NodeImpl*>(impl);
}

void NodeImpl::attach(KPxNode* node) {
    m_node = node;
    m_store = std::make_unique<DataStore>(*m_type, this);
}

KPxNode* NodeImpl::detach() {
    KPxNode* node = m_node;
    m_node = nullptr;
    m_detached = false;
    m_store.reset();
    m_locked.clear();
    return node;
}

}  // namespace tarn
