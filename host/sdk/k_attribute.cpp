#include "frame/k_attribute.h"

#include <cmath>
#include <memory>

#include "host/dg/attribute_impl.h"
#include "host/dg/data_store.h"
#include "host/sdk/attribute_building.h"

using tarn::AttributeImpl;
using tarn::CellKind;
using namespace tarn::attribute_building;

// KFnAttribute

KFnAttribute::KFnAttribute(const KObject& attribute, KStatus* status) {
    kSetStatus(status, setObject(attribute));
}

KFnAttribute::~KFnAttribute() = default;

KStatus KFnAttribute::setObject(const KObject& attribute) {
    if (!AttributeImpl::from(attribute)) {
        m_object = KObject();
        return KStatus::kInvalidParameter;
    }
    m_object = attribute;
    return KStatus::kSuccess;
}

KObject KFnAttribute::object(KStatus* status) const {
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

bool KFnAttribute::attached(KStatus* status) const {
    bool ok = AttributeImpl::from(m_object) != nullptr;
    kSetStatus(status, ok ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return ok;
}

KString KFnAttribute::name(KStatus* status) const {
    if (!attached(status)) return {};
    return KString(AttributeImpl::from(m_object)->longName);
}

KString KFnAttribute::shortName(KStatus* status) const {
    if (!attached(status)) return {};
    return KString(AttributeImpl::from(m_object)->shortName);
}

KObject KFnAttribute::parent(KStatus* status) const {
    if (!attached(status)) return {};
    AttributeImpl* p = AttributeImpl::from(m_object)->parent;
    if (!p) return {};
    return KObject(p->shared_from_this());
}

#define TARN_FLAG(getter, setter, field)                  \
    bool KFnAttribute::getter(KStatus* status) const {    \
        if (!attached(status)) return false;              \
        return AttributeImpl::from(m_object)->field;      \
    }                                                     \
    KStatus KFnAttribute::setter(bool state) {            \
        AttributeImpl* a = AttributeImpl::from(m_object); \
        if (!a) return KStatus::kInvalidParameter;        \
        a->field = state;                                 \
        return KStatus::kSuccess;                         \
    }

TARN_FLAG(isReadable, setReadable, readable)
TARN_FLAG(isWritable, setWritable, writable)
TARN_FLAG(isConnectable, setConnectable, connectable)
TARN_FLAG(isStorable, setStorable, storable)
TARN_FLAG(isCached, setCached, cached)
TARN_FLAG(indexMatters, setIndexMatters, indexMatters)
TARN_FLAG(isKeyable, setKeyable, keyable)
TARN_FLAG(isHidden, setHidden, hidden)
TARN_FLAG(isUsedAsColor, setUsedAsColor, usedAsColor)
TARN_FLAG(isChannelBoxFlagSet, setChannelBox, channelBox)
TARN_FLAG(isRenderSource, setRenderSource, renderSource)
TARN_FLAG(isAffectsAppearance, setAffectsAppearance, affectsAppearance)
#undef TARN_FLAG

bool KFnAttribute::isArray(KStatus* status) const {
    if (!attached(status)) return false;
    return AttributeImpl::from(m_object)->array;
}

KStatus KFnAttribute::setArray(bool state) {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a) return KStatus::kInvalidParameter;
    // The storage layout of a registered type is fixed.
    if (a->owner && a->array != state) return KStatus::kFailure;
    a->array = state;
    return KStatus::kSuccess;
}

KFnAttribute::DisconnectBehavior KFnAttribute::disconnectBehavior(KStatus* status) const {
    if (!attached(status)) return kNothing;
    return AttributeImpl::from(m_object)->disconnectBehavior;
}

KStatus KFnAttribute::setDisconnectBehavior(DisconnectBehavior behavior) {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || behavior < kDelete || behavior > kNothing) return KStatus::kInvalidParameter;
    a->disconnectBehavior = behavior;
    return KStatus::kSuccess;
}

// KFnCompoundAttribute

KFnCompoundAttribute::KFnCompoundAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnCompoundAttribute::create(const KString& longName, const KString& shortName,
                                     KStatus* status) {
    if (!validNames(longName, shortName)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = makeCompound(KFn::kCompoundAttribute, longName, shortName, {}, status);
    m_object = wrap(a);
    return m_object;
}

KStatus KFnCompoundAttribute::addChild(const KObject& child) {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || !a->isCompound() || a->owner) return KStatus::kInvalidParameter;
    return adopt(*a, child) ? KStatus::kSuccess : KStatus::kInvalidParameter;
}

unsigned KFnCompoundAttribute::numChildren(KStatus* status) const {
    if (!attached(status)) return 0;
    return static_cast<unsigned>(AttributeImpl::from(m_object)->children.size());
}

KObject KFnCompoundAttribute::child(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    return childAt(m_object, index, status);
}
