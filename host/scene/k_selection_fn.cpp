// KSelectionList, KItSelectionList and the component function sets.

#include <algorithm>

#include "frame/k_selection.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/selection.h"

using namespace tarn;
using namespace tarn::scene;

// KSelectionList.

unsigned KSelectionList::length(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return static_cast<unsigned>(m_items.size());
}

KStatus KSelectionList::clear() {
    m_items.clear();
    return KStatus::kSuccess;
}

KStatus KSelectionList::add(const KObject& object, bool mergeWithExisting) {
    if (!liveNode(object)) return KStatus::kInvalidParameter;
    if (dagNode(object)) return add(pathTo(object), KObject(), mergeWithExisting);
    if (mergeWithExisting && hasItem(object)) return KStatus::kSuccess;
    m_items.push_back({object, KDagPath(), KObject()});
    return KStatus::kSuccess;
}

KStatus KSelectionList::add(const KDagPath& path, const KObject& component,
                            bool mergeWithExisting) {
    if (!path.isValid()) return KStatus::kInvalidParameter;
    const KObject node = path.node();
    if (component.isNull()) {
        if (mergeWithExisting)
            for (const Item& i : m_items)
                if (i.path == path && i.component.isNull()) return KStatus::kSuccess;
        m_items.push_back({node, path, KObject()});
        return KStatus::kSuccess;
    }
    ComponentImpl* c = ComponentImpl::from(component);
    if (!c) return KStatus::kInvalidParameter;
    // Components live on the shape; a complete component becomes its explicit elements.
    KDagPath shapePath = path;
    shapePath.extendToShape();
    std::vector<int> elements = componentElements(component, shapePath.node());
    for (Item& i : m_items) {
        ComponentImpl* existing = ComponentImpl::from(i.component);
        if (i.path == shapePath && existing && existing->apiType() == c->apiType()) {
            existing->add(elements);
            return KStatus::kSuccess;
        }
    }
    m_items.push_back(
        {shapePath.node(), shapePath, ComponentImpl::make(c->apiType(), std::move(elements))});
    return KStatus::kSuccess;
}

KStatus KSelectionList::add(const KString& matchString, bool) {
    KSelectionList copy = *this;
    std::string error;
    if (!addByName(copy, matchString.str(), &error)) return KStatus::kInvalidParameter;
    *this = copy;
    return KStatus::kSuccess;
}

KStatus KSelectionList::merge(const KSelectionList& other) {
    for (const Item& i : other.m_items) {
        if (i.path.length() > 0)
            add(i.path, i.component, true);
        else
            add(i.node, true);
    }
    return KStatus::kSuccess;
}

KStatus KSelectionList::remove(unsigned index) {
    if (index >= m_items.size()) return KStatus::kInvalidParameter;
    m_items.erase(m_items.begin() + index);
    return KStatus::kSuccess;
}

bool KSelectionList::hasItem(const KObject& object, KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return std::any_of(m_items.begin(), m_items.end(),
                       [&](const Item& i) { return i.node == object; });
}

KStatus KSelectionList::getDependNode(unsigned index, KObject& node) const {
    if (index >= m_items.size()) return KStatus::kInvalidParameter;
    node = m_items[index].node;
    return KStatus::kSuccess;
}

KStatus KSelectionList::getDagPath(unsigned index, KDagPath& path, KObject& component) const {
    if (index >= m_items.size()) return KStatus::kInvalidParameter;
    if (m_items[index].path.length() == 0) return KStatus::kFailure;
    path = m_items[index].path;
    component = m_items[index].component;
    return KStatus::kSuccess;
}

KStatus KSelectionList::getDagPath(unsigned index, KDagPath& path) const {
    KObject component;
    return getDagPath(index, path, component);
}

KStatus KSelectionList::getSelectionStrings(KStringArray& strings) const {
    strings.clear();
    for (const std::string& s : selectionStrings(*this)) strings.append(s);
    return KStatus::kSuccess;
}

KStatus KSelectionList::getSelectionStrings(unsigned index, KStringArray& strings) const {
    if (index >= m_items.size()) return KStatus::kInvalidParameter;
    KSelectionList one;
    one.m_items.push_back(m_items[index]);
    return one.getSelectionStrings(strings);
}

// KItSelectionList.

KItSelectionList::KItSelectionList(const KSelectionList& list, KFn::Type filter, KStatus* status)
    : m_list(list), m_filter(filter) {
    skip();
    kSetStatus(status, KStatus::kSuccess);
}

void KItSelectionList::skip() {
    if (m_filter == KFn::kInvalid) return;
    const auto& items = m_list.items();
    while (m_index < items.size()) {
        const auto& item = items[m_index];
        const bool match = item.path.length() > 0
                               ? item.path.hasFn(m_filter) || item.component.hasFn(m_filter)
                               : item.node.hasFn(m_filter);
        if (match) return;
        ++m_index;
    }
}

bool KItSelectionList::isDone(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return m_index >= m_list.items().size();
}

KStatus KItSelectionList::next() {
    if (isDone()) return KStatus::kFailure;
    ++m_index;
    skip();
    return KStatus::kSuccess;
}

KStatus KItSelectionList::reset() {
    m_index = 0;
    skip();
    return KStatus::kSuccess;
}

KStatus KItSelectionList::getDependNode(KObject& node) const {
    return m_list.getDependNode(m_index, node);
}

KStatus KItSelectionList::getDagPath(KDagPath& path, KObject& component) const {
    return m_list.getDagPath(m_index, path, component);
}

KStatus KItSelectionList::getDagPath(KDagPath& path) const {
    return m_list.getDagPath(m_index, path);
}

KStatus KItSelectionList::getStrings(KStringArray& strings) const {
    return m_list.getSelectionStrings(m_index, strings);
}

KItSelectionList::selItemType KItSelectionList::itemType(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    if (isDone()) return kUnknownItem;
    return m_list.items()[m_index].path.length() > 0 ? kDagSelectionItem : kDNselectionItem;
}

bool KItSelectionList::hasComponents(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return !isDone() && !m_list.items()[m_index].component.isNull();
}

// KFnComponent.

KFnComponent::KFnComponent(const KObject& component, KStatus* status) {
    kSetStatus(status, setObject(component));
}

KFnComponent::~KFnComponent() = default;

KStatus KFnComponent::setObject(const KObject& component) {
    if (!ComponentImpl::from(component)) return KStatus::kInvalidParameter;
    m_object = component;
    return KStatus::kSuccess;
}

KObject KFnComponent::object(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

bool KFnComponent::attached(KStatus* status) const {
    const bool ok = ComponentImpl::from(m_object) != nullptr;
    kSetStatus(status, ok ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return ok;
}

KFn::Type KFnComponent::type(KStatus* status) const {
    if (!attached(status)) return KFn::kInvalid;
    return m_object.apiType();
}

int KFnComponent::elementCount(KStatus* status) const {
    if (!attached(status)) return 0;
    ComponentImpl* c = ComponentImpl::from(m_object);
    if (c->complete) return std::max(c->completeCount, 0);
    return static_cast<int>(c->elements().size());
}

bool KFnComponent::isComplete(KStatus* status) const {
    if (!attached(status)) return false;
    return ComponentImpl::from(m_object)->complete;
}

KStatus KFnComponent::setComplete(bool complete) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    ComponentImpl::from(m_object)->complete = complete;
    return KStatus::kSuccess;
}

// KFnSingleIndexedComponent.

KFnSingleIndexedComponent::KFnSingleIndexedComponent(const KObject& component, KStatus* status)
    : KFnComponent(component, status) {}

KObject KFnSingleIndexedComponent::create(KFn::Type type, KStatus* status) {
    if (componentKindOf(type) == ComponentKind::None) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    m_object = ComponentImpl::make(type, {});
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

KStatus KFnSingleIndexedComponent::addElement(int element) {
    if (!attached(nullptr) || element < 0) return KStatus::kInvalidParameter;
    ComponentImpl::from(m_object)->add({element});
    return KStatus::kSuccess;
}

KStatus KFnSingleIndexedComponent::addElements(const KIntArray& elements) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    for (int e : elements)
        if (e < 0) return KStatus::kInvalidParameter;
    ComponentImpl::from(m_object)->add(elements.items());
    return KStatus::kSuccess;
}

int KFnSingleIndexedComponent::element(int i, KStatus* status) const {
    if (!attached(status)) return -1;
    ComponentImpl* c = ComponentImpl::from(m_object);
    if (c->complete && i >= 0 && i < c->completeCount) return i;
    if (i < 0 || i >= static_cast<int>(c->elements().size())) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return -1;
    }
    return c->elements()[i];
}

KStatus KFnSingleIndexedComponent::getElements(KIntArray& elements) const {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    ComponentImpl* c = ComponentImpl::from(m_object);
    elements.clear();
    if (c->complete) {
        for (int i = 0; i < std::max(c->completeCount, 0); ++i) elements.append(i);
        return KStatus::kSuccess;
    }
    for (int e : c->elements()) elements.append(e);
    return KStatus::kSuccess;
}

KStatus KFnSingleIndexedComponent::setCompleteData(int numElements) {
    if (!attached(nullptr) || numElements < 0) return KStatus::kInvalidParameter;
    ComponentImpl* c = ComponentImpl::from(m_object);
    c->complete = true;
    c->completeCount = numElements;
    return KStatus::kSuccess;
}

KStatus KFnSingleIndexedComponent::getCompleteData(int& numElements) const {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    numElements = ComponentImpl::from(m_object)->completeCount;
    return KStatus::kSuccess;
}
