#pragma once
/// A cheap, copyable handle to a host object: a node, an attribute, a data value, a component
/// or a plug-in. Plug-ins hold and compare handles; only the host looks inside them.
/// Copying a handle shares the object; the object lives while any handle refers to it.

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "frame/k_status.h"
#include "frame/k_types.h"

namespace tarn {
/// Where an attribute's value lives in the storage of the node type that laid it out. The host
/// fills it when a type is registered; the inline data-block accessors read it, so that taking
/// an input in compute is an index, not a lookup.
struct AttributeSlot {
    const void* layout = nullptr;  ///< the node type; null when not laid out
    /// `layout` when the value sits in the root storage with number cells, else null: the one
    /// comparison the inline accessors make.
    const void* rootLayout = nullptr;
    const std::uint8_t* cellKinds = nullptr;  ///< tarn::CellKind of each number cell
    int cell = -1;                 ///< first number cell in the node's root storage
    std::uint8_t width = 0;        ///< number cells spanned (255 at most)
    std::uint8_t kind = 0;         ///< tarn::CellKind
    bool inArray = false;          ///< lives inside an array element (no root storage)
};

/// Base of every host object behind a KObject (defined by the host).
class ObjectImpl {
public:
    virtual ~ObjectImpl();
    /// The object's kind; fixed for the object's life.
    virtual KFn::Type apiType() const = 0;

    AttributeSlot slot;  ///< attributes only
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
/// kAttribute), through any of its parents. Thread safe.
bool kFnIsA(KFn::Type type, KFn::Type base);

/// The SDK's table of object kinds, open to plug-ins: a plug-in (or the modelling engine) adds a
/// kind by name with the kinds it specialises, so that `hasFn` and `apiTypeStr` answer it, and a
/// node type registered with it (`KFnPlugin::registerNode`) makes nodes that report it.
/// Additions belong to the plug-in being loaded, initialised or unloaded when they are made (or
/// to the host when no plug-in is); they are taken back when that plug-in goes. Changes on the
/// main thread only; lookups are thread safe.
class KObjBase {
public:
    static constexpr unsigned kMaxParents = 8;

    /// Adds the kind `name` (e.g. "kTessellator") specialising each of `parents` (1 to
    /// kMaxParents known kinds) and answers its value. A name already added with the same
    /// parents answers the same value and counts one more holder; a built-in name answers its
    /// own value when it already is a kind of every parent. kInvalid with kInvalidParameter
    /// for an empty or non-identifier name, no or too many parents, an unknown parent or
    /// parents that contradict an existing kind of that name.
    static KFn::Type add(const char* name, const KFn::Type* parents, unsigned parentCount,
                         KStatus* status = nullptr);
    static KFn::Type add(const char* name, std::initializer_list<KFn::Type> parents,
                         KStatus* status = nullptr) {
        return add(name, parents.begin(), unsigned(parents.size()), status);
    }
    /// Drops the current plug-in's hold on an added kind; the kind is gone from name lookups
    /// when no holder is left (its value keeps answering for objects that still carry it).
    /// kNotFound when the plug-in holds no such kind (removing twice is harmless); built-in
    /// kinds cannot be removed (kInvalidParameter).
    static KStatus remove(const char* name);
    /// The kind of that name ("kMesh", or an added one still held), else KFn::kInvalid.
    static KFn::Type find(const char* name);
    /// The name of a kind, built-in or added; "kUnknown" for a value never given out.
    static const char* name(KFn::Type type);
};
