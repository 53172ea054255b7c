#include "frame/k_attribute.h"

#include <cmath>
#include <memory>

#include "host/dg/attribute_impl.h"
#include "host/dg/data_store.h"
#include "host/sdk/attribute_building.h"

using tarn::AttributeImpl;
using tarn::CellKind;
using namespace tarn::attribute_building;

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
        c3 ? makeCompound(KFn::kNumericAttribute, longName, shortName, {&child1, &child2, &child3},
                          status)
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
    return childAt(m_object, index, status);
}

namespace {

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
auto setDefaultFn = setDefaultValue;
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

KStatus KFnNumericAttribute::setMin(double v) {
    return forValues(m_object, {v}, setMinFn);
}
KStatus KFnNumericAttribute::setMin(double v1, double v2) {
    return forValues(m_object, {v1, v2}, setMinFn);
}
KStatus KFnNumericAttribute::setMin(double v1, double v2, double v3) {
    return forValues(m_object, {v1, v2, v3}, setMinFn);
}
KStatus KFnNumericAttribute::setMax(double v) {
    return forValues(m_object, {v}, setMaxFn);
}
KStatus KFnNumericAttribute::setMax(double v1, double v2) {
    return forValues(m_object, {v1, v2}, setMaxFn);
}
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

KStatus KFnNumericAttribute::getMin(double& v) const {
    return getValues(m_object, {&v}, getMinFn);
}
KStatus KFnNumericAttribute::getMin(double& v1, double& v2) const {
    return getValues(m_object, {&v1, &v2}, getMinFn);
}
KStatus KFnNumericAttribute::getMin(double& v1, double& v2, double& v3) const {
    return getValues(m_object, {&v1, &v2, &v3}, getMinFn);
}
KStatus KFnNumericAttribute::getMax(double& v) const {
    return getValues(m_object, {&v}, getMaxFn);
}
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

KStatus KFnNumericAttribute::setDefault(bool v) {
    return setDefault(v ? 1.0 : 0.0);
}
KStatus KFnNumericAttribute::setDefault(int v) {
    return setDefault(static_cast<double>(v));
}
KStatus KFnNumericAttribute::setDefault(float v) {
    return setDefault(static_cast<double>(v));
}
KStatus KFnNumericAttribute::setDefault(double v) {
    return forValues(m_object, {v}, setDefaultFn);
}
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
