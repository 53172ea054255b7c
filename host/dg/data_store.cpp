#include "host/dg/data_store.h"

#include <algorithm>

#include "host/dg/attribute_impl.h"
#include "host/dg/node_type.h"

namespace tarn {

ArrayElement* ArrayStore::find(unsigned logicalIndex) const {
    int p = position(logicalIndex);
    return p < 0 ? nullptr : elements[p].get();
}

int ArrayStore::position(unsigned logicalIndex) const {
    auto it = std::lower_bound(elements.begin(), elements.end(), logicalIndex,
                               [](const auto& e, unsigned i) { return e->logicalIndex < i; });
    if (it == elements.end() || (*it)->logicalIndex != logicalIndex) return -1;
    return static_cast<int>(it - elements.begin());
}

bool ArrayStore::remove(unsigned logicalIndex) {
    int p = position(logicalIndex);
    if (p < 0) return false;
    elements.erase(elements.begin() + p);
    return true;
}

ArrayElement& ArrayStore::obtain(unsigned logicalIndex) {
    auto it = std::lower_bound(elements.begin(), elements.end(), logicalIndex,
                               [](const auto& e, unsigned i) { return e->logicalIndex < i; });
    if (it != elements.end() && (*it)->logicalIndex == logicalIndex) return **it;
    auto element = std::make_unique<ArrayElement>();
    element->logicalIndex = logicalIndex;
    element->block = attribute->owner->elementDefaults(attribute->arraySlot);
    return **elements.insert(it, std::move(element));
}

DataStore::DataStore(const NodeType& type, NodeImpl* node)
    : m_type(&type), m_node(node), m_root(type.rootDefaults()) {
    for (const AttributeImpl* a : type.arrays()) {
        ArrayStore store;
        store.attribute = a;
        m_arrays.push_back(std::move(store));
    }
    m_dirty.assign(type.attributes().size(), 0);
    for (const auto& a : type.attributes()) {
        if (a->computed) {
            m_dirty[a->index] = 1;
            ++m_dirtyCount;
        }
    }
    rebind();
}

DataStore::DataStore(const DataStore& other)
    : m_type(other.m_type),
      m_node(nullptr),
      m_root(other.m_root),
      m_dirty(other.m_dirty),
      m_dirtyCount(other.m_dirtyCount) {
    for (const ArrayStore& a : other.m_arrays) {
        ArrayStore copy;
        copy.attribute = a.attribute;
        for (const auto& e : a.elements)
            copy.elements.push_back(std::make_unique<ArrayElement>(*e));
        m_arrays.push_back(std::move(copy));
    }
    rebind();
}

DataStore& DataStore::operator=(const DataStore& other) {
    if (this == &other) return *this;
    DataStore copy(other);
    m_type = copy.m_type;
    m_root = std::move(copy.m_root);
    m_arrays = std::move(copy.m_arrays);
    m_dirty = std::move(copy.m_dirty);
    m_dirtyCount = copy.m_dirtyCount;
    rebind();
    return *this;
}

void DataStore::rebind() {
    m_root.store = this;
    for (ArrayStore& a : m_arrays)
        for (auto& e : a.elements) e->block.store = this;
}

ArrayStore& DataStore::array(const AttributeImpl& arrayAttribute) {
    return m_arrays[arrayAttribute.arraySlot];
}

const ArrayStore& DataStore::array(const AttributeImpl& arrayAttribute) const {
    return m_arrays[arrayAttribute.arraySlot];
}

CellBlock* DataStore::block(const AttributeImpl& attribute, int logicalIndex, bool create) {
    if (attribute.owner != m_type) return nullptr;
    if (!attribute.arrayRoot) return &m_root;
    if (logicalIndex < 0) return nullptr;
    ArrayStore& store = array(*attribute.arrayRoot);
    ArrayElement* element = create ? &store.obtain(static_cast<unsigned>(logicalIndex))
                                   : store.find(static_cast<unsigned>(logicalIndex));
    if (!element) return nullptr;
    element->block.store = this;
    return &element->block;
}

bool DataStore::isDirty(const AttributeImpl& attribute) const {
    if (m_dirtyCount == 0) return false;
    for (int i = attribute.index; i < attribute.subtreeEnd; ++i)
        if (m_dirty[i]) return true;
    return false;
}

bool DataStore::isFullyDirty(const AttributeImpl& attribute) const {
    for (int i = attribute.index; i < attribute.subtreeEnd; ++i)
        if (!m_dirty[i]) return false;
    return true;
}

void DataStore::mark(int index, std::uint8_t dirty) {
    m_dirtyCount += static_cast<int>(dirty) - static_cast<int>(m_dirty[index]);
    m_dirty[index] = dirty;
}

void DataStore::setDirty(const AttributeImpl& attribute) {
    for (int i = attribute.index; i < attribute.subtreeEnd; ++i) mark(i, 1);
    for (const AttributeImpl* p = attribute.parent; p; p = p->parent) mark(p->index, 1);
}

void DataStore::setClean(const AttributeImpl& attribute) {
    // Outputs computed once per sample are usually clean already: nothing to walk.
    if (m_dirtyCount == 0) return;
    for (int i = attribute.index; i < attribute.subtreeEnd; ++i) mark(i, 0);
    for (const AttributeImpl* p = attribute.parent; p; p = p->parent) {
        for (int i = p->index + 1; i < p->subtreeEnd; ++i)
            if (m_dirty[i]) return;
        mark(p->index, 0);
    }
}

void DataStore::resetToDefault(const AttributeImpl& attribute, int logicalIndex) {
    const CellBlock* defaults = &m_type->rootDefaults();
    CellBlock* block = &m_root;
    if (attribute.arrayRoot) {
        ArrayElement* element =
            array(*attribute.arrayRoot).find(static_cast<unsigned>(logicalIndex));
        if (!element) return;
        defaults = &m_type->elementDefaults(attribute.arrayRoot->arraySlot);
        block = &element->block;
    }
    for (int i = 0; i < attribute.width; ++i)
        block->cells[attribute.cell + i] = defaults->cells[attribute.cell + i];
    // Strings and data of the attribute's leaves.
    std::vector<const AttributeImpl*> stack{&attribute};
    while (!stack.empty()) {
        const AttributeImpl* a = stack.back();
        stack.pop_back();
        if (a->aux >= 0) {
            if (a->kind == CellKind::kString)
                block->strings[a->aux] = defaults->strings[a->aux];
            else
                block->objects[a->aux] = defaults->objects[a->aux];
        }
        for (const auto& c : a->children) stack.push_back(c.get());
    }
}

}  // namespace tarn
