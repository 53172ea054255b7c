#pragma once
/// Building blocks of the attribute function sets: leaves and compounds made from the
/// SDK's numeric types, with the host's cell kinds and rounding. Internal to the SDK.

#include <initializer_list>
#include <memory>

#include "frame/k_attribute.h"
#include "host/dg/attribute_impl.h"

namespace tarn::attribute_building {

/// The handle plug-ins hold for an attribute.
KObject wrap(std::shared_ptr<AttributeImpl> impl);
/// Both names are needed (neither may be empty).
bool validNames(const KString& longName, const KString& shortName);
/// The cell kind of a single-value numeric type (kNone for multi-value and unknown types).
CellKind kindOf(KFnNumericData::Type type);
/// The single-value type and the count of a multi-value numeric type (k3Float -> kFloat, 3);
/// false for single-value types.
bool splitMulti(KFnNumericData::Type type, KFnNumericData::Type& single, int& count);
/// The multi-value type standing for `count` children of `single` (kInvalid when none).
KFnNumericData::Type multiOf(KFnNumericData::Type single, size_t count);
/// A numeric leaf with its default rounded to the leaf's precision.
std::shared_ptr<AttributeImpl> makeLeaf(const KString& longName, const KString& shortName,
                                        KFnNumericData::Type type, double defaultValue);
/// Makes `child` a child of `parent`; false when it already has a parent or an owner.
bool adopt(AttributeImpl& parent, const KObject& child);
/// A compound of the given children; null (status kInvalidParameter, children left free) when
/// one cannot be adopted.
std::shared_ptr<AttributeImpl> makeCompound(KFn::Type fnType, const KString& longName,
                                            const KString& shortName,
                                            std::initializer_list<const KObject*> children,
                                            KStatus* status);
/// `v` as the attribute's cells store it (a float leaf rounds to float, and so on).
double roundTo(const AttributeImpl& a, double v);
/// The `index`-th child of an attribute; null with status kInvalidParameter past the last.
KObject childAt(const KObject& attribute, unsigned index, KStatus* status);
/// Sets a numeric leaf's default, rounded to its precision.
inline void setDefaultValue(AttributeImpl& a, double v) {
    a.defaultValue = roundTo(a, v);
}

/// Applies `set` to the leaf itself (one value) or to each child of a compound (n values).
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

}  // namespace tarn::attribute_building
