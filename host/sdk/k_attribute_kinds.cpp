#include "frame/k_attribute.h"

#include <cmath>
#include <memory>

#include "host/dg/attribute_impl.h"
#include "host/dg/data_store.h"
#include "host/sdk/attribute_building.h"

using tarn::AttributeImpl;
using tarn::CellKind;
using namespace tarn::attribute_building;

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
    auto a =
        std::make_shared<AttributeImpl>(KFn::kMatrixAttribute, longName.str(), shortName.str());
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
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || (a->kind != CellKind::kMatrix && a->kind != CellKind::kFloatMatrix))
        return KStatus::kInvalidParameter;
    a->defaultMatrix = a->kind == CellKind::kFloatMatrix ? KFloatMatrix(m).asMatrix() : m;
    return KStatus::kSuccess;
}

KStatus KFnMatrixAttribute::setDefault(const KFloatMatrix& m) {
    return setDefault(m.asMatrix());
}

KStatus KFnMatrixAttribute::getDefault(KMatrix& m) const {
    AttributeImpl* a = AttributeImpl::from(m_object);
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
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->kind != CellKind::kData) return KStatus::kInvalidParameter;
    a->defaultData = data;
    return KStatus::kSuccess;
}

KStatus KFnTypedAttribute::getDefault(KObject& data) const {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->kind != CellKind::kData) return KStatus::kInvalidParameter;
    data = a->defaultData;
    return KStatus::kSuccess;
}

KStatus KFnTypedAttribute::setDefaultString(const KString& text) {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->kind != CellKind::kString) return KStatus::kInvalidParameter;
    a->defaultString = text.str();
    return KStatus::kSuccess;
}

KStatus KFnTypedAttribute::getDefaultString(KString& text) const {
    AttributeImpl* a = AttributeImpl::from(m_object);
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
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->fnType != KFn::kEnumAttribute || fieldName.isEmpty())
        return KStatus::kInvalidParameter;
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
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->enumFields.empty()) return KStatus::kFailure;
    v = a->enumFields.front().second;
    for (auto& f : a->enumFields) v = std::min(v, f.second);
    return KStatus::kSuccess;
}

KStatus KFnEnumAttribute::getMax(short& v) const {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->enumFields.empty()) return KStatus::kFailure;
    v = a->enumFields.front().second;
    for (auto& f : a->enumFields) v = std::max(v, f.second);
    return KStatus::kSuccess;
}

KStatus KFnEnumAttribute::setDefault(short value) {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->fnType != KFn::kEnumAttribute) return KStatus::kInvalidParameter;
    a->defaultValue = value;
    return KStatus::kSuccess;
}

KStatus KFnEnumAttribute::getDefault(short& value) const {
    AttributeImpl* a = AttributeImpl::from(m_object);
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
    return childAt(m_object, index, status);
}

KStatus KFnLightDataAttribute::setDefault(float dirX, float dirY, float dirZ, float intR,
                                          float intG, float intB, bool ambient, bool diffuse,
                                          bool specular, float shadowFraction,
                                          float preShadowIntensity, void* blindData) {
    AttributeImpl* a = AttributeImpl::from(m_object);
    if (!a || a->fnType != KFn::kLightDataAttribute || a->children.size() != 8)
        return KStatus::kInvalidParameter;
    auto& c = a->children;
    KStatus s = forValues(KObject(c[0]), {dirX, dirY, dirZ}, setDefaultValue);
    if (!s) return s;
    s = forValues(KObject(c[1]), {intR, intG, intB}, setDefaultValue);
    if (!s) return s;
    const double flags[3] = {ambient ? 1.0 : 0.0, diffuse ? 1.0 : 0.0, specular ? 1.0 : 0.0};
    for (int i = 0; i < 3; ++i) {
        s = forValues(KObject(c[2 + i]), {flags[i]}, setDefaultValue);
        if (!s) return s;
    }
    s = forValues(KObject(c[5]), {shadowFraction}, setDefaultValue);
    if (!s) return s;
    s = forValues(KObject(c[6]), {preShadowIntensity}, setDefaultValue);
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
    auto a =
        std::make_shared<AttributeImpl>(KFn::kMessageAttribute, longName.str(), shortName.str());
    a->kind = CellKind::kMessage;
    a->storable = false;
    m_object = wrap(a);
    kSetStatus(status, KStatus::kSuccess);
    return m_object;
}
