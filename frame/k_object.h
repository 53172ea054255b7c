#pragma once
/// A cheap, copyable handle to a host object: a node, an attribute, a data value, a component
/// or a plug-in. Plug-ins hold and compare handles; only the host looks inside them.
/// Copying a handle shares the object; the object lives while any handle refers to it.

#include <memory>

#include "frame/k_types.h"

namespace tarn {
/// Base of every host object behind a KObject (defined by the host).
class ObjectImpl {
public:
    virtual ~ObjectImpl();
    /// The object's kind; fixed for the object's life.
    virtual KFn::Type apiType() const = 0;
};
}  // namespace tarn

class KObject {
public:
    KObject() = default;
    /// Host use: wraps a host object.
    explicit KObject(std::shared_ptr<tarn::ObjectImpl> impl) : m_impl(std::move(impl)) {}

    bool isNull() const { return m_impl == nullptr; }
    /// The object's kind; KFn::kInvalid for a null handle.
    KFn::Type apiType() const { return m_impl ? m_impl->apiType() : KFn::kInvalid; }
    /// The name of apiType(), e.g. "kNumericAttribute".
    const char* apiTypeStr() const;
    /// True when a function set for `type` can attach: the object's kind is `type` or one of
    /// its specialisations (a numeric attribute has kAttribute, a mesh has kDagNode...).
    bool hasFn(KFn::Type type) const;

    /// Same object (identity, not value).
    bool operator==(const KObject& other) const { return m_impl == other.m_impl; }
    bool operator!=(const KObject& other) const { return m_impl != other.m_impl; }

    /// Host use: the object behind the handle.
    tarn::ObjectImpl* impl() const { return m_impl.get(); }
    const std::shared_ptr<tarn::ObjectImpl>& implPtr() const { return m_impl; }

    static const KObject kNullObj;

private:
    std::shared_ptr<tarn::ObjectImpl> m_impl;
};

/// True when kind `type` is `base` or a specialisation of it (e.g. kNumericAttribute of
/// kAttribute). Pure function.
bool kFnIsA(KFn::Type type, KFn::Type base);
