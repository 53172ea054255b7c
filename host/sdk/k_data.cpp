#include "frame/k_data.h"

#include <algorithm>

#include "host/dg/attribute_impl.h"
#include "host/dg/data_store.h"
#include "host/dg/node_type.h"
#include "host/sdk/data_handle.h"

using tarn::AttributeImpl;
using tarn::CellKind;

KDataHandle tarn::storeHandle(DataStore& store, const AttributeImpl& attribute, int logicalIndex,
                              bool create) {
    CellBlock* block = store.block(attribute, logicalIndex, create);
    if (!block) return {};
    // Leaves without number cells (strings, data, messages) point at a sentinel so that the
    // handle is not null; their width of 0 keeps number reads and writes off it.
    static Cell sentinel{};
    Cell* cells = attribute.width > 0 ? block->cells.data() + attribute.cell : &sentinel;
    return KDataHandle(cells, static_cast<std::uint8_t>(std::min(attribute.width, 255)),
                       attribute.kind, static_cast<const ObjectImpl*>(&attribute), block,
                       attribute.cellKinds.empty()
                           ? nullptr
                           : reinterpret_cast<const std::uint8_t*>(attribute.cellKinds.data()));
}

KDataHandle::KDataHandle(tarn::Cell* cells, std::uint8_t width, tarn::CellKind kind,
                         const tarn::AttributeImpl* attribute, tarn::CellBlock* block)
    : m_cells(cells),
      m_width(width),
      m_kind(kind),
      m_attribute(attribute),
      m_block(block),
      m_cellKinds(attribute && !attribute->cellKinds.empty()
                      ? reinterpret_cast<const std::uint8_t*>(attribute->cellKinds.data())
                      : nullptr) {}

const AttributeImpl* KDataHandle::attributeImpl() const {
    return static_cast<const AttributeImpl*>(m_attribute);
}

KObject KDataHandle::attribute() const {
    if (!m_attribute) return {};
    return KObject(std::const_pointer_cast<AttributeImpl>(attributeImpl()->shared_from_this()));
}

CellKind KDataHandle::childKind(unsigned i) const {
    return m_attribute && i < attributeImpl()->cellKinds.size() ? attributeImpl()->cellKinds[i]
                                                                : CellKind::kNone;
}

const KString& KDataHandle::asString() const {
    static const KString empty;
    if (m_kind != CellKind::kString || !m_block) return empty;
    return m_block->strings[attributeImpl()->aux];
}

KObject KDataHandle::data() const {
    if (m_kind != CellKind::kData || !m_block) return {};
    return m_block->objects[attributeImpl()->aux];
}

void KDataHandle::set(const KFloatMatrix& m) {
    set(m.asMatrix());
}

void KDataHandle::set(const KMatrix& m) {
    if (m_kind != CellKind::kMatrix && m_kind != CellKind::kFloatMatrix) return;
    for (int i = 0; i < 16; ++i)
        tarn::storeCell(m_cells[i], attributeImpl()->cellKinds[i], m.matrix[i / 4][i % 4]);
}

void KDataHandle::set(const KString& text) {
    if (m_kind == CellKind::kString && m_block) m_block->strings[attributeImpl()->aux] = text;
}

KStatus KDataHandle::setKObject(const KObject& data) {
    if (m_kind != CellKind::kData || !m_block) return KStatus::kInvalidParameter;
    m_block->objects[attributeImpl()->aux] = data;
    return KStatus::kSuccess;
}

KDataHandle KDataHandle::child(const KObject& child) const {
    const AttributeImpl* c = AttributeImpl::from(child);
    if (!c || !m_attribute || c == attributeImpl() || !attributeImpl()->contains(c)) return {};
    static tarn::Cell sentinel{};
    tarn::Cell* cells = c->width > 0 ? m_cells + (c->cell - attributeImpl()->cell) : &sentinel;
    return KDataHandle(cells, static_cast<std::uint8_t>(c->width > 255 ? 255 : c->width), c->kind,
                       c, m_block);
}

void KDataHandle::setClean() {
    if (m_block && m_block->store && m_attribute) m_block->store->setClean(*attributeImpl());
}

// KArrayDataHandle

unsigned KArrayDataHandle::elementCount(KStatus* status) const {
    kSetStatus(status, m_array ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return m_array ? static_cast<unsigned>(m_array->elements.size()) : 0;
}

unsigned KArrayDataHandle::elementIndex(KStatus* status) const {
    if (!m_array || m_position >= m_array->elements.size()) {
        kSetStatus(status, KStatus::kFailure);
        return 0;
    }
    kSetStatus(status, KStatus::kSuccess);
    return m_array->elements[m_position]->logicalIndex;
}

KStatus KArrayDataHandle::next() {
    if (!m_array || m_position + 1 >= m_array->elements.size()) {
        if (m_array && m_position < m_array->elements.size()) ++m_position;
        return KStatus::kFailure;
    }
    ++m_position;
    return KStatus::kSuccess;
}

KStatus KArrayDataHandle::jumpToElement(unsigned logicalIndex) {
    if (!m_array) return KStatus::kInvalidParameter;
    int p = m_array->position(logicalIndex);
    if (p < 0) return KStatus::kInvalidParameter;
    m_position = static_cast<unsigned>(p);
    return KStatus::kSuccess;
}

KStatus KArrayDataHandle::jumpToArrayElement(unsigned physicalIndex) {
    if (!m_array || physicalIndex >= m_array->elements.size()) return KStatus::kInvalidParameter;
    m_position = physicalIndex;
    return KStatus::kSuccess;
}

KDataHandle KArrayDataHandle::inputValue(KStatus* status) const {
    if (!m_array || m_position >= m_array->elements.size()) {
        kSetStatus(status, KStatus::kFailure);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    tarn::CellBlock& block = m_array->elements[m_position]->block;
    block.store = m_owner ? m_owner->store : block.store;
    static tarn::Cell sentinel{};
    tarn::Cell* cells = m_attribute->width > 0 ? block.cells.data() + m_attribute->cell : &sentinel;
    return KDataHandle(
        cells, static_cast<std::uint8_t>(m_attribute->width > 255 ? 255 : m_attribute->width),
        m_attribute->kind, m_attribute, &block);
}

KDataHandle KArrayDataHandle::outputValue(KStatus* status) const {
    return inputValue(status);
}

KDataHandle KArrayDataHandle::addElement(unsigned logicalIndex, KStatus* status) {
    if (!m_array) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    m_array->obtain(logicalIndex);
    m_position = static_cast<unsigned>(m_array->position(logicalIndex));
    return inputValue(status);
}

KStatus KArrayDataHandle::setAllClean() {
    return setClean();
}

KStatus KArrayDataHandle::setClean() {
    if (!m_owner || !m_owner->store || !m_attribute) return KStatus::kInvalidParameter;
    m_owner->store->setClean(*m_attribute);
    return KStatus::kSuccess;
}

// KDataBlock

namespace {

const AttributeImpl* ownAttribute(tarn::DataStore* store, const KObject& attribute) {
    const AttributeImpl* a = AttributeImpl::from(attribute);
    if (!store || !a || a->owner != &store->type()) return nullptr;
    return a;
}

}  // namespace

KDataBlock::KDataBlock(tarn::DataStore* store) : m_store(store) {
    if (!store) return;
    // Note: an empty root storage has no cell pointer; its slots all fail the fast path.
    m_layout = &store->type();
    m_cells = store->root().cells.data();
    m_root = &store->root();
}

KDataHandle KDataBlock::lookup(const KObject& attribute, KStatus* status) {
    const AttributeImpl* a = ownAttribute(m_store, attribute);
    if (!a || a->arrayRoot) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return tarn::storeHandle(*m_store, *a, -1, false);
}

KDataHandle KDataBlock::inputValue(const KPlug& plug, KStatus* status) {
    const AttributeImpl* a = ownAttribute(m_store, plug.attribute());
    if (!a || (a->arrayRoot && plug.elementIndex() < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    KDataHandle h = tarn::storeHandle(*m_store, *a, plug.elementIndex(), false);
    kSetStatus(status, h.isNull() ? KStatus::kInvalidParameter : KStatus::kSuccess);
    return h;
}

KDataHandle KDataBlock::outputValue(const KPlug& plug, KStatus* status) {
    const AttributeImpl* a = ownAttribute(m_store, plug.attribute());
    if (!a || (a->arrayRoot && plug.elementIndex() < 0)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return tarn::storeHandle(*m_store, *a, plug.elementIndex(), true);
}

KArrayDataHandle KDataBlock::inputArrayValue(const KObject& attribute, KStatus* status) {
    const AttributeImpl* a = ownAttribute(m_store, attribute);
    if (!a || !a->array) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    kSetStatus(status, KStatus::kSuccess);
    return KArrayDataHandle(&m_store->array(*a), a, &m_store->root());
}

KArrayDataHandle KDataBlock::inputArrayValue(const KPlug& plug, KStatus* status) {
    return inputArrayValue(plug.attribute(), status);
}

KArrayDataHandle KDataBlock::outputArrayValue(const KObject& attribute, KStatus* status) {
    return inputArrayValue(attribute, status);
}

KArrayDataHandle KDataBlock::outputArrayValue(const KPlug& plug, KStatus* status) {
    return inputArrayValue(plug.attribute(), status);
}

KStatus KDataBlock::setClean(const KPlug& plug) {
    return setClean(plug.attribute());
}

KStatus KDataBlock::setClean(const KObject& attribute) {
    const AttributeImpl* a = ownAttribute(m_store, attribute);
    if (!a) return KStatus::kInvalidParameter;
    m_store->setClean(*a);
    return KStatus::kSuccess;
}

bool KDataBlock::isClean(const KPlug& plug, KStatus* status) const {
    return isClean(plug.attribute(), status);
}

bool KDataBlock::isClean(const KObject& attribute, KStatus* status) const {
    const AttributeImpl* a = ownAttribute(m_store, attribute);
    if (!a) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return false;
    }
    kSetStatus(status, KStatus::kSuccess);
    return !m_store->isDirty(*a);
}
