#include "frame/k_attribute.h"

#include <cmath>
#include <memory>

#include "host/dg/attribute_impl.h"
#include "host/dg/data_store.h"

using tarn::AttributeImpl;
using tarn::CellKind;

namespace {

KObject wrap(std::shared_ptr<AttributeImpl> impl) { return KObject(std::move(impl)); }

bool validNames(const KString& longName, const KString& shortName) {
    return !longName.isEmpty() && !shortName.isEmpty();
}

CellKind kindOf(KFnNumericData::Type type) {
    switch (type) {
        case KFnNumericData::kBoolean: return CellKind::kBool;
        case KFnNumericData::kByte:
        case KFnNumericData::kChar:
        case KFnNumericData::kShort:
        case KFnNumericData::kLong:
        case KFnNumericData::kInt64: return CellKind::kInt;
        case KFnNumericData::kFloat: return CellKind::kFloat;
        case KFnNumericData::kDouble: return CellKind::kDouble;
        case KFnNumericData::kAddr: return CellKind::kAddr;
        default: return CellKind::kNone;
    }
}

// The single-value kind and the count of a multi-value numeric type (k3Float -> kFloat, 3).
bool splitMulti(KFnNumericData::Type type, KFnNumericData::Type& single, int& count) {
    switch (type) {
        case KFnNumericData::k2Short: single = KFnNumericData::kShort; count = 2; return true;
        case KFnNumericData::k3Short: single = KFnNumericData::kShort; count = 3; return true;
        case KFnNumericData::k2Long: single = KFnNumericData::kLong; count = 2; return true;
        case KFnNumericData::k3Long: single = KFnNumericData::kLong; count = 3; return true;
        case KFnNumericData::k2Float: single = KFnNumericData::kFloat; count = 2; return true;
        case KFnNumericData::k3Float: single = KFnNumericData::kFloat; count = 3; return true;
        case KFnNumericData::k2Double: single = KFnNumericData::kDouble; count = 2; return true;
        case KFnNumericData::k3Double: single = KFnNumericData::kDouble; count = 3; return true;
        case KFnNumericData::k4Double: single = KFnNumericData::kDouble; count = 4; return true;
        default: return false;
    }
}

// The multi-value type standing for `count` children of `single`.
KFnNumericData::Type multiOf(KFnNumericData::Type single, size_t count) {
    if (count == 2) {
        if (single == KFnNumericData::kShort) return KFnNumericData::k2Short;
        if (single == KFnNumericData::kLong) return KFnNumericData::k2Long;
        if (single == KFnNumericData::kFloat) return KFnNumericData::k2Float;
        if (single == KFnNumericData::kDouble) return KFnNumericData::k2Double;
    } else if (count == 3) {
        if (single == KFnNumericData::kShort) return KFnNumericData::k3Short;
        if (single == KFnNumericData::kLong) return KFnNumericData::k3Long;
        if (single == KFnNumericData::kFloat) return KFnNumericData::k3Float;
        if (single == KFnNumericData::kDouble) return KFnNumericData::k3Double;
    } else if (count == 4 && single == KFnNumericData::kDouble) {
        return KFnNumericData::k4Double;
    }
    return KFnNumericData::kInvalid;
}

std::shared_ptr<AttributeImpl> makeLeaf(const KString& longName, const KString& shortName,
                                        KFnNumericData::Type type, double defaultValue) {
    auto a = std::make_shared<AttributeImpl>(KFn::kNumericAttribute, longName.str(),
                                             shortName.str());
    a->kind = kindOf(type);
    a->numericType = type;
    tarn::Cell c{};
    tarn::storeCell(c, a->kind, defaultValue);
    a->defaultValue = c.d;
    return a;
}

// Makes `child` a child of `parent`; false when it already has a parent or an owner.
bool adopt(AttributeImpl& parent, const KObject& child) {
    auto c = AttributeImpl::sharedFrom(child);
    if (!c || c->parent || c->owner || c.get() == &parent) return false;
    c->parent = &parent;
    parent.children.push_back(std::move(c));
    return true;
}

std::shared_ptr<AttributeImpl> makeCompound(KFn::Type fnType, const KString& longName,
                                            const KString& shortName,
                                            std::initializer_list<const KObject*> children,
                                            KStatus* status) {
    auto a = std::make_shared<AttributeImpl>(fnType, longName.str(), shortName.str());
    a->kind = CellKind::kCompound;
    for (const KObject* child : children) {
        if (!adopt(*a, *child)) {
            for (auto& c : a->children) c->parent = nullptr;
            kSetStatus(status, KStatus::kInvalidParameter);
            return nullptr;
        }
    }
    kSetStatus(status, KStatus::kSuccess);
    return a;
}

double roundTo(const AttributeImpl& a, double v) {
    tarn::Cell c{};
    tarn::storeCell(c, a.kind, v);
    return c.d;
}

}  // namespace

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

#define TARN_ATTR() AttributeImpl* a = AttributeImpl::from(m_object)

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

#define TARN_FLAG(getter, setter, field)                                 \
    bool KFnAttribute::getter(KStatus* status) const {                  \
        if (!attached(status)) return false;                            \
        return AttributeImpl::from(m_object)->field;                    \
    }                                                                   \
    KStatus KFnAttribute::setter(bool state) {                          \
        TARN_ATTR();                                                    \
        if (!a) return KStatus::kInvalidParameter;                      \
        a->field = state;                                               \
        return KStatus::kSuccess;                                       \
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
    TARN_ATTR();
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
    TARN_ATTR();
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
    TARN_ATTR();
    if (!a || !a->isCompound() || a->owner) return KStatus::kInvalidParameter;
    return adopt(*a, child) ? KStatus::kSuccess : KStatus::kInvalidParameter;
}

unsigned KFnCompoundAttribute::numChildren(KStatus* status) const {
    if (!attached(status)) return 0;
    return static_cast<unsigned>(AttributeImpl::from(m_object)->children.size());
}

KObject KFnCompoundAttribute::child(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    auto& children = AttributeImpl::from(m_object)->children;
    if (index >= children.size()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    return KObject(children[index]);
}

// KFnNumericAttribute

KFnNumericAttribute::KFnNumericAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnNumericAttribute::create(const KString& longName, const KString& shortName,
                                    KFnNumericData::Type type, double defaultValue,
                                    KStatus* status) {
    m_object = KObject();
    if (!validNames(longName, shortName)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    KFnNumericData::Type single;
    int count;
    if (splitMulti(type, single, count)) {
        // A multi-value numeric: a compound of `count` children <long>0.. / <short>0...
        auto a = std::make_shared<AttributeImpl>(KFn::kNumericAttribute, longName.str(),
                                                 shortName.str());
        a->kind = CellKind::kCompound;
        a->numericType = type;
        for (int i = 0; i < count; ++i) {
            auto c = makeLeaf(longName + i, shortName + i, single, defaultValue);
            c->parent = a.get();
            a->children.push_back(std::move(c));
        }
        m_object = wrap(a);
        kSetStatus(status, KStatus::kSuccess);
        return m_object;
    }
    if (kindOf(type) == CellKind::kNone) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = makeLeaf(longName, shortName, type, defaultValue);
    if (type == KFnNumericData::kAddr) a->storable = false;
    m_object = wrap(a);
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

KObject KFnNumericAttribute::create(const KString& longName, const KString& shortName,
                                    const KObject& child1, const KObject& child2,
                                    const KObject& child3, KStatus* status) {
    m_object = KObject();
    AttributeImpl* c1 = AttributeImpl::from(child1);
    AttributeImpl* c2 = AttributeImpl::from(child2);
    AttributeImpl* c3 = child3.isNull() ? nullptr : AttributeImpl::from(child3);
    if (!validNames(longName, shortName) || !c1 || !c2 || (!child3.isNull() && !c3) ||
        !c1->isNumericLeaf() || !c2->isNumericLeaf() || (c3 && !c3->isNumericLeaf())) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    std::shared_ptr<AttributeImpl> a =
        c3 ? makeCompound(KFn::kNumericAttribute, longName, shortName, {&child1, &child2, &child3}, status)
           : makeCompound(KFn::kNumericAttribute, longName, shortName, {&child1, &child2}, status);
    if (!a) return {};
    bool same = c1->numericType == c2->numericType && (!c3 || c3->numericType == c1->numericType);
    a->numericType = same ? multiOf(c1->numericType, a->children.size()) : KFnNumericData::kInvalid;
    m_object = wrap(a);
    return m_object;
}

KObject KFnNumericAttribute::createColor(const KString& longName, const KString& shortName,
                                         KStatus* status) {
    KFnNumericAttribute fn;
    KObject r = fn.create(longName + "R", shortName + "r", KFnNumericData::kFloat);
    KObject g = fn.create(longName + "G", shortName + "g", KFnNumericData::kFloat);
    KObject b = fn.create(longName + "B", shortName + "b", KFnNumericData::kFloat);
    KObject color = create(longName, shortName, r, g, b, status);
    if (AttributeImpl* a = AttributeImpl::from(color)) a->usedAsColor = true;
    return color;
}

KObject KFnNumericAttribute::createPoint(const KString& longName, const KString& shortName,
                                         KStatus* status) {
    KFnNumericAttribute fn;
    KObject x = fn.create(longName + "X", shortName + "x", KFnNumericData::kFloat);
    KObject y = fn.create(longName + "Y", shortName + "y", KFnNumericData::kFloat);
    KObject z = fn.create(longName + "Z", shortName + "z", KFnNumericData::kFloat);
    return create(longName, shortName, x, y, z, status);
}

KObject KFnNumericAttribute::createAddr(const KString& longName, const KString& shortName,
                                        void* defaultValue, KStatus* status) {
    KObject o = create(longName, shortName, KFnNumericData::kAddr, 0.0, status);
    if (AttributeImpl* a = AttributeImpl::from(o)) a->defaultAddr = defaultValue;
    return o;
}

KFnNumericData::Type KFnNumericAttribute::unitType(KStatus* status) const {
    if (!attached(status)) return KFnNumericData::kInvalid;
    return AttributeImpl::from(m_object)->numericType;
}

unsigned KFnNumericAttribute::numChildren(KStatus* status) const {
    if (!attached(status)) return 0;
    return static_cast<unsigned>(AttributeImpl::from(m_object)->children.size());
}

KObject KFnNumericAttribute::child(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    auto& children = AttributeImpl::from(m_object)->children;
    if (index >= children.size()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    return KObject(children[index]);
}

namespace {

// Applies `set` to the leaf itself (one value) or to each child of a compound (n values).
template <typename Fn>
KStatus forValues(const KObject& object, std::initializer_list<double> values, Fn set) {
    AttributeImpl* a = AttributeImpl::from(object);
    if (!a) return KStatus::kInvalidParameter;
    if (values.size() == 1 && a->isNumericLeaf()) {
        set(*a, *values.begin());
        return KStatus::kSuccess;
    }
    if (!a->isCompound() || a->children.size() != values.size()) return KStatus::kInvalidParameter;
    for (auto& c : a->children) {
        if (!c->isNumericLeaf()) return KStatus::kInvalidParameter;
    }
    size_t i = 0;
    for (double v : values) set(*a->children[i++], v);
    return KStatus::kSuccess;
}

template <typename Fn>
KStatus getValues(const KObject& object, std::initializer_list<double*> out, Fn get) {
    AttributeImpl* a = AttributeImpl::from(object);
    if (!a) return KStatus::kInvalidParameter;
    if (out.size() == 1 && a->isNumericLeaf()) return get(*a, **out.begin());
    if (!a->isCompound() || a->children.size() != out.size()) return KStatus::kInvalidParameter;
    size_t i = 0;
    for (double* v : out) {
        KStatus s = get(*a->children[i++], *v);
        if (!s) return s;
    }
    return KStatus::kSuccess;
}

auto setMinFn = [](AttributeImpl& a, double v) { a.minValue = v; };
auto setMaxFn = [](AttributeImpl& a, double v) { a.maxValue = v; };
auto setDefaultFn = [](AttributeImpl& a, double v) { a.defaultValue = roundTo(a, v); };
auto getMinFn = [](const AttributeImpl& a, double& v) -> KStatus {
    if (!a.minValue) return KStatus::kFailure;
    v = *a.minValue;
    return KStatus::kSuccess;
};
auto getMaxFn = [](const AttributeImpl& a, double& v) -> KStatus {
    if (!a.maxValue) return KStatus::kFailure;
    v = *a.maxValue;
    return KStatus::kSuccess;
};
auto getDefaultFn = [](const AttributeImpl& a, double& v) -> KStatus {
    v = a.defaultValue;
    return KStatus::kSuccess;
};

}  // namespace

KStatus KFnNumericAttribute::setMin(double v) { return forValues(m_object, {v}, setMinFn); }
KStatus KFnNumericAttribute::setMin(double v1, double v2) { return forValues(m_object, {v1, v2}, setMinFn); }
KStatus KFnNumericAttribute::setMin(double v1, double v2, double v3) {
    return forValues(m_object, {v1, v2, v3}, setMinFn);
}
KStatus KFnNumericAttribute::setMax(double v) { return forValues(m_object, {v}, setMaxFn); }
KStatus KFnNumericAttribute::setMax(double v1, double v2) { return forValues(m_object, {v1, v2}, setMaxFn); }
KStatus KFnNumericAttribute::setMax(double v1, double v2, double v3) {
    return forValues(m_object, {v1, v2, v3}, setMaxFn);
}
KStatus KFnNumericAttribute::setSoftMin(double v) {
    return forValues(m_object, {v}, [](AttributeImpl& a, double x) { a.softMinValue = x; });
}
KStatus KFnNumericAttribute::setSoftMax(double v) {
    return forValues(m_object, {v}, [](AttributeImpl& a, double x) { a.softMaxValue = x; });
}

bool KFnNumericAttribute::hasMin(KStatus* status) const {
    return attached(status) && AttributeImpl::from(m_object)->minValue.has_value();
}
bool KFnNumericAttribute::hasMax(KStatus* status) const {
    return attached(status) && AttributeImpl::from(m_object)->maxValue.has_value();
}
bool KFnNumericAttribute::hasSoftMin(KStatus* status) const {
    return attached(status) && AttributeImpl::from(m_object)->softMinValue.has_value();
}
bool KFnNumericAttribute::hasSoftMax(KStatus* status) const {
    return attached(status) && AttributeImpl::from(m_object)->softMaxValue.has_value();
}

KStatus KFnNumericAttribute::getMin(double& v) const { return getValues(m_object, {&v}, getMinFn); }
KStatus KFnNumericAttribute::getMin(double& v1, double& v2) const {
    return getValues(m_object, {&v1, &v2}, getMinFn);
}
KStatus KFnNumericAttribute::getMin(double& v1, double& v2, double& v3) const {
    return getValues(m_object, {&v1, &v2, &v3}, getMinFn);
}
KStatus KFnNumericAttribute::getMax(double& v) const { return getValues(m_object, {&v}, getMaxFn); }
KStatus KFnNumericAttribute::getMax(double& v1, double& v2) const {
    return getValues(m_object, {&v1, &v2}, getMaxFn);
}
KStatus KFnNumericAttribute::getMax(double& v1, double& v2, double& v3) const {
    return getValues(m_object, {&v1, &v2, &v3}, getMaxFn);
}
KStatus KFnNumericAttribute::getSoftMin(double& v) const {
    return getValues(m_object, {&v}, [](const AttributeImpl& a, double& x) -> KStatus {
        if (!a.softMinValue) return KStatus::kFailure;
        x = *a.softMinValue;
        return KStatus::kSuccess;
    });
}
KStatus KFnNumericAttribute::getSoftMax(double& v) const {
    return getValues(m_object, {&v}, [](const AttributeImpl& a, double& x) -> KStatus {
        if (!a.softMaxValue) return KStatus::kFailure;
        x = *a.softMaxValue;
        return KStatus::kSuccess;
    });
}

KStatus KFnNumericAttribute::setDefault(bool v) { return setDefault(v ? 1.0 : 0.0); }
KStatus KFnNumericAttribute::setDefault(int v) { return setDefault(static_cast<double>(v)); }
KStatus KFnNumericAttribute::setDefault(float v) { return setDefault(static_cast<double>(v)); }
KStatus KFnNumericAttribute::setDefault(double v) { return forValues(m_object, {v}, setDefaultFn); }
KStatus KFnNumericAttribute::setDefault(double v1, double v2) {
    return forValues(m_object, {v1, v2}, setDefaultFn);
}
KStatus KFnNumericAttribute::setDefault(double v1, double v2, double v3) {
    return forValues(m_object, {v1, v2, v3}, setDefaultFn);
}
KStatus KFnNumericAttribute::setDefault(float v1, float v2, float v3) {
    return setDefault(static_cast<double>(v1), static_cast<double>(v2), static_cast<double>(v3));
}

KStatus KFnNumericAttribute::getDefault(bool& v) const {
    double d = 0.0;
    KStatus s = getDefault(d);
    v = d != 0.0;
    return s;
}
KStatus KFnNumericAttribute::getDefault(int& v) const {
    double d = 0.0;
    KStatus s = getDefault(d);
    v = tarn::cellToInt(d);
    return s;
}
KStatus KFnNumericAttribute::getDefault(float& v) const {
    double d = 0.0;
    KStatus s = getDefault(d);
    v = static_cast<float>(d);
    return s;
}
KStatus KFnNumericAttribute::getDefault(double& v) const {
    return getValues(m_object, {&v}, getDefaultFn);
}
KStatus KFnNumericAttribute::getDefault(double& v1, double& v2) const {
    return getValues(m_object, {&v1, &v2}, getDefaultFn);
}
KStatus KFnNumericAttribute::getDefault(double& v1, double& v2, double& v3) const {
    return getValues(m_object, {&v1, &v2, &v3}, getDefaultFn);
}
KStatus KFnNumericAttribute::getDefault(float& v1, float& v2, float& v3) const {
    double a = 0, b = 0, c = 0;
    KStatus s = getDefault(a, b, c);
    v1 = static_cast<float>(a);
    v2 = static_cast<float>(b);
    v3 = static_cast<float>(c);
    return s;
}

// KFnMatrixAttribute

KFnMatrixAttribute::KFnMatrixAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnMatrixAttribute::create(const KString& longName, const KString& shortName, Type type,
                                   KStatus* status) {
    m_object = KObject();
    if (!validNames(longName, shortName) || (type != kFloat && type != kDouble)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = std::make_shared<AttributeImpl>(KFn::kMatrixAttribute, longName.str(), shortName.str());
    a->kind = type == kFloat ? CellKind::kFloatMatrix : CellKind::kMatrix;
    m_object = wrap(a);
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

KFnMatrixAttribute::Type KFnMatrixAttribute::matrixType(KStatus* status) const {
    if (!attached(status)) return kDouble;
    return AttributeImpl::from(m_object)->kind == CellKind::kFloatMatrix ? kFloat : kDouble;
}

KStatus KFnMatrixAttribute::setDefault(const KMatrix& m) {
    TARN_ATTR();
    if (!a || (a->kind != CellKind::kMatrix && a->kind != CellKind::kFloatMatrix))
        return KStatus::kInvalidParameter;
    a->defaultMatrix = a->kind == CellKind::kFloatMatrix ? KFloatMatrix(m).asMatrix() : m;
    return KStatus::kSuccess;
}

KStatus KFnMatrixAttribute::setDefault(const KFloatMatrix& m) { return setDefault(m.asMatrix()); }

KStatus KFnMatrixAttribute::getDefault(KMatrix& m) const {
    TARN_ATTR();
    if (!a || (a->kind != CellKind::kMatrix && a->kind != CellKind::kFloatMatrix))
        return KStatus::kInvalidParameter;
    m = a->defaultMatrix;
    return KStatus::kSuccess;
}

// KFnTypedAttribute

KFnTypedAttribute::KFnTypedAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnTypedAttribute::create(const KString& longName, const KString& shortName,
                                  KFnData::Type type, const KObject& defaultData, KStatus* status) {
    m_object = KObject();
    if (!validNames(longName, shortName) || type <= KFnData::kInvalid || type >= KFnData::kLast ||
        type == KFnData::kNumeric) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = std::make_shared<AttributeImpl>(KFn::kTypedAttribute, longName.str(), shortName.str());
    a->dataType = type;
    a->kind = type == KFnData::kString   ? CellKind::kString
              : type == KFnData::kMatrix ? CellKind::kMatrix
                                         : CellKind::kData;
    a->defaultData = defaultData;
    m_object = wrap(a);
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

KFnData::Type KFnTypedAttribute::attrType(KStatus* status) const {
    if (!attached(status)) return KFnData::kInvalid;
    return AttributeImpl::from(m_object)->dataType;
}

KStatus KFnTypedAttribute::setDefault(const KObject& data) {
    TARN_ATTR();
    if (!a || a->kind != CellKind::kData) return KStatus::kInvalidParameter;
    a->defaultData = data;
    return KStatus::kSuccess;
}

KStatus KFnTypedAttribute::getDefault(KObject& data) const {
    TARN_ATTR();
    if (!a || a->kind != CellKind::kData) return KStatus::kInvalidParameter;
    data = a->defaultData;
    return KStatus::kSuccess;
}

KStatus KFnTypedAttribute::setDefaultString(const KString& text) {
    TARN_ATTR();
    if (!a || a->kind != CellKind::kString) return KStatus::kInvalidParameter;
    a->defaultString = text.str();
    return KStatus::kSuccess;
}

KStatus KFnTypedAttribute::getDefaultString(KString& text) const {
    TARN_ATTR();
    if (!a || a->kind != CellKind::kString) return KStatus::kInvalidParameter;
    text = KString(a->defaultString);
    return KStatus::kSuccess;
}

// KFnEnumAttribute

KFnEnumAttribute::KFnEnumAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnEnumAttribute::create(const KString& longName, const KString& shortName,
                                 short defaultValue, KStatus* status) {
    m_object = KObject();
    if (!validNames(longName, shortName)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = std::make_shared<AttributeImpl>(KFn::kEnumAttribute, longName.str(), shortName.str());
    a->kind = CellKind::kInt;
    a->numericType = KFnNumericData::kShort;
    a->defaultValue = defaultValue;
    m_object = wrap(a);
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}

KStatus KFnEnumAttribute::addField(const KString& fieldName, short value) {
    TARN_ATTR();
    if (!a || a->fnType != KFn::kEnumAttribute || fieldName.isEmpty()) return KStatus::kInvalidParameter;
    for (auto& [name, v] : a->enumFields) {
        if (name == fieldName.str() || v == value) return KStatus::kInvalidParameter;
    }
    a->enumFields.emplace_back(fieldName.str(), value);
    return KStatus::kSuccess;
}

KString KFnEnumAttribute::fieldName(short value, KStatus* status) const {
    if (!attached(status)) return {};
    for (auto& [name, v] : AttributeImpl::from(m_object)->enumFields) {
        if (v == value) return KString(name);
    }
    kSetStatus(status, KStatus::kInvalidParameter);
    return {};
}

short KFnEnumAttribute::fieldIndex(const KString& fieldName, KStatus* status) const {
    if (!attached(status)) return 0;
    for (auto& [name, v] : AttributeImpl::from(m_object)->enumFields) {
        if (name == fieldName.str()) return v;
    }
    kSetStatus(status, KStatus::kInvalidParameter);
    return 0;
}

KStatus KFnEnumAttribute::getMin(short& v) const {
    TARN_ATTR();
    if (!a || a->enumFields.empty()) return KStatus::kFailure;
    v = a->enumFields.front().second;
    for (auto& f : a->enumFields) v = std::min(v, f.second);
    return KStatus::kSuccess;
}

KStatus KFnEnumAttribute::getMax(short& v) const {
    TARN_ATTR();
    if (!a || a->enumFields.empty()) return KStatus::kFailure;
    v = a->enumFields.front().second;
    for (auto& f : a->enumFields) v = std::max(v, f.second);
    return KStatus::kSuccess;
}

KStatus KFnEnumAttribute::setDefault(short value) {
    TARN_ATTR();
    if (!a || a->fnType != KFn::kEnumAttribute) return KStatus::kInvalidParameter;
    a->defaultValue = value;
    return KStatus::kSuccess;
}

KStatus KFnEnumAttribute::getDefault(short& value) const {
    TARN_ATTR();
    if (!a || a->fnType != KFn::kEnumAttribute) return KStatus::kInvalidParameter;
    value = static_cast<short>(a->defaultValue);
    return KStatus::kSuccess;
}

// KFnLightDataAttribute

KFnLightDataAttribute::KFnLightDataAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnLightDataAttribute::create(const KString& longName, const KString& shortName,
                                      const KObject& direction, const KObject& intensity,
                                      const KObject& ambient, const KObject& diffuse,
                                      const KObject& specular, const KObject& shadowFraction,
                                      const KObject& preShadowIntensity, const KObject& blindData,
                                      KStatus* status) {
    m_object = KObject();
    if (!validNames(longName, shortName)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = makeCompound(KFn::kLightDataAttribute, longName, shortName,
                          {&direction, &intensity, &ambient, &diffuse, &specular, &shadowFraction,
                           &preShadowIntensity, &blindData},
                          status);
    if (!a) return {};
    m_object = wrap(a);
    return m_object;
}

KObject KFnLightDataAttribute::child(unsigned index, KStatus* status) const {
    if (!attached(status)) return {};
    auto& children = AttributeImpl::from(m_object)->children;
    if (index >= children.size()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    return KObject(children[index]);
}

KStatus KFnLightDataAttribute::setDefault(float dirX, float dirY, float dirZ, float intR, float intG,
                                          float intB, bool ambient, bool diffuse, bool specular,
                                          float shadowFraction, float preShadowIntensity,
                                          void* blindData) {
    TARN_ATTR();
    if (!a || a->fnType != KFn::kLightDataAttribute || a->children.size() != 8)
        return KStatus::kInvalidParameter;
    auto& c = a->children;
    KStatus s = forValues(KObject(c[0]), {dirX, dirY, dirZ}, setDefaultFn);
    if (!s) return s;
    s = forValues(KObject(c[1]), {intR, intG, intB}, setDefaultFn);
    if (!s) return s;
    const double flags[3] = {ambient ? 1.0 : 0.0, diffuse ? 1.0 : 0.0, specular ? 1.0 : 0.0};
    for (int i = 0; i < 3; ++i) {
        s = forValues(KObject(c[2 + i]), {flags[i]}, setDefaultFn);
        if (!s) return s;
    }
    s = forValues(KObject(c[5]), {shadowFraction}, setDefaultFn);
    if (!s) return s;
    s = forValues(KObject(c[6]), {preShadowIntensity}, setDefaultFn);
    if (!s) return s;
    if (c[7]->kind != CellKind::kAddr) return KStatus::kInvalidParameter;
    c[7]->defaultAddr = blindData;
    return KStatus::kSuccess;
}

// KFnMessageAttribute

KFnMessageAttribute::KFnMessageAttribute(const KObject& attribute, KStatus* status)
    : KFnAttribute(attribute, status) {}

KObject KFnMessageAttribute::create(const KString& longName, const KString& shortName,
                                    KStatus* status) {
    m_object = KObject();
    if (!validNames(longName, shortName)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    auto a = std::make_shared<AttributeImpl>(KFn::kMessageAttribute, longName.str(), shortName.str());
    a->kind = CellKind::kMessage;
    a->storable = false;
    m_object = wrap(a);
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}
