#include "host/dg/sample_evaluator.h"

#include "host/dg/graph.h"
#include "host/sdk/data_handle.h"

namespace tarn {

bool SampleEvaluator::prepare(const KObject& node, std::string* error) {
    m_snapshot.reset();
    NodeImpl* n = NodeImpl::from(node);
    if (!n || !n->alive()) {
        if (error) *error = "No node to evaluate";
        return false;
    }
    KStatus s = Graph::instance().pullInputs(*n);
    if (!s) {
        if (error) *error = "Evaluating the inputs of " + n->name() + " failed";
        return false;
    }
    m_node = node;
    m_user = n->userNode();
    m_snapshot = std::make_unique<DataStore>(n->store());
    return true;
}

SampleSlot SampleEvaluator::slot(std::string_view name) const {
    NodeImpl* n = NodeImpl::from(m_node);
    if (!n || !n->alive()) return {};
    const AttributeImpl* a = n->type().findAttribute(name);
    if (!a) return {};
    SampleSlot s;
    s.attribute = a;
    s.plug = KPlug(m_node, KObject(std::const_pointer_cast<AttributeImpl>(a->shared_from_this())));
    if (!a->arrayRoot && a->width > 0) {
        s.rootCell = a->cell;
        s.width = a->width;
        s.cellKinds = reinterpret_cast<const std::uint8_t*>(a->cellKinds.data());
    }
    return s;
}

SampleBlock SampleEvaluator::makeBlock() const {
    return SampleBlock(*m_snapshot, m_user);
}

bool SampleEvaluator::isMPSafe() const {
    return m_user && m_user->isMPSafe();
}

KDataHandle SampleBlock::rootHandle(const SampleSlot& slot) {
    if (!slot.attribute || slot.attribute->arrayRoot) return {};
    return storeHandle(m_store, *slot.attribute, -1, false);
}

void SampleBlock::set(const SampleSlot& slot, const KFloatMatrix& m) {
    rootHandle(slot).set(m);
}

KDataHandle SampleBlock::handle(const SampleSlot& slot, int element) {
    if (!slot.attribute) return {};
    return storeHandle(m_store, *slot.attribute, slot.attribute->arrayRoot ? element : -1, true);
}

void SampleBlock::clearArray(const SampleSlot& arraySlot) {
    if (arraySlot.attribute && arraySlot.attribute->array)
        m_store.array(*arraySlot.attribute).elements.clear();
}

}  // namespace tarn
