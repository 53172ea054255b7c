#include "host/dg/attribute_impl.h"

namespace tarn {

AttributeImpl::~AttributeImpl() {
    for (auto& child : children) {
        if (child && child->parent == this) child->parent = nullptr;
    }
}

AttributeImpl* AttributeImpl::from(const KObject& object) {
    ObjectImpl* impl = object.impl();
    if (!impl || !kFnIsA(impl->apiType(), KFn::kAttribute)) return nullptr;
    return static_cast<AttributeImpl*>(impl);
}

std::shared_ptr<AttributeImpl> AttributeImpl::sharedFrom(const KObject& object) {
    if (!from(object)) return nullptr;
    return std::static_pointer_cast<AttributeImpl>(object.implPtr());
}

bool AttributeImpl::contains(const AttributeImpl* other) const {
    for (const AttributeImpl* a = other; a; a = a->parent) {
        if (a == this) return true;
    }
    return false;
}

const AttributeImpl* AttributeImpl::root() const {
    const AttributeImpl* a = this;
    while (a->parent) a = a->parent;
    return a;
}

}  // namespace tarn
