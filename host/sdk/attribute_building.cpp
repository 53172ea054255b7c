#include "host/sdk/attribute_building.h"

#include "host/dg/data_store.h"

namespace tarn::attribute_building {

KObject wrap(std::shared_ptr<AttributeImpl> impl) {
    return KObject(std::move(impl));
}

bool validNames(const KString& longName, const KString& shortName) {
    return !longName.isEmpty() && !shortName.isEmpty();
}

CellKind kindOf(KFnNumericData::Type type) {
    switch (type) {
        case KFnNumericData::kBoolean:
            return CellKind::kBool;
        case KFnNumericData::kByte:
        case KFnNumericData::kChar:
        case KFnNumericData::kShort:
        case KFnNumericData::kLong:
        case KFnNumericData::kInt64:
            return CellKind::kInt;
        case KFnNumericData::kFloat:
            return CellKind::kFloat;
        case KFnNumericData::kDouble:
            return CellKind::kDouble;
        case KFnNumericData::kAddr:
            return CellKind::kAddr;
        default:
            return CellKind::kNone;
    }
}

bool splitMulti(KFnNumericData::Type type, KFnNumericData::Type& single, int& count) {
    switch (type) {
        case KFnNumericData::k2Short:
            single = KFnNumericData::kShort;
            count = 2;
            return true;
        case KFnNumericData::k3Short:
            single = KFnNumericData::kShort;
            count = 3;
            return true;
        case KFnNumericData::k2Long:
            single = KFnNumericData::kLong;
            count = 2;
            return true;
        case KFnNumericData::k3Long:
            single = KFnNumericData::kLong;
            count = 3;
            return true;
        case KFnNumericData::k2Float:
            single = KFnNumericData::kFloat;
            count = 2;
            return true;
        case KFnNumericData::k3Float:
            single = KFnNumericData::kFloat;
            count = 3;
            return true;
        case KFnNumericData::k2Double:
            single = KFnNumericData::kDouble;
            count = 2;
            return true;
        case KFnNumericData::k3Double:
            single = KFnNumericData::kDouble;
            count = 3;
            return true;
        case KFnNumericData::k4Double:
            single = KFnNumericData::kDouble;
            count = 4;
            return true;
        default:
            return false;
    }
}

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
    auto a =
        std::make_shared<AttributeImpl>(KFn::kNumericAttribute, longName.str(), shortName.str());
    a->kind = kindOf(type);
    a->numericType = type;
    tarn::Cell c{};
    tarn::storeCell(c, a->kind, defaultValue);
    a->defaultValue = c.d;
    return a;
}

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

KObject childAt(const KObject& attribute, unsigned index, KStatus* status) {
    const auto& children = AttributeImpl::from(attribute)->children;
    if (index >= children.size()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    return KObject(children[index]);
}

}  // namespace tarn::attribute_building
