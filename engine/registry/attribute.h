#pragma once
/// Engine attributes: one object per attribute of a node class, owned by the class's attribute
/// set (TdependNodeVS). Each makes its host attribute once, on first use, and the host type's
/// initialiser adds it; the engine keeps the long and short name, default, limits and label.
/// Built on the main thread while a class is initialised; read-only afterwards.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame/k_attribute.h"
#include "frame/k_object.h"
#include "frame/k_status.h"

class Tattribute {
public:
    Tattribute(const char* longName, const char* shortName);
    virtual ~Tattribute();
    Tattribute(const Tattribute&) = delete;
    Tattribute& operator=(const Tattribute&) = delete;

    const std::string& longName() const { return m_longName; }
    const std::string& shortName() const { return m_shortName; }
    /// A label the engine keeps with the attribute (the node class's label string).
    void setLabel(const char* label) { m_label = label ? label : ""; }
    const std::string& label() const { return m_label; }

    /// Marks the attribute as one that compute writes: an output, neither writable nor saved.
    KStatus setComputeModifies(bool on);
    bool computeModifies() const { return m_computeModifies; }

    /// The host attribute, made on the first call; a null object when it cannot be made.
    KObject hostAttribute(KStatus* status = nullptr);

protected:
    /// Makes the host attribute with the engine's settings (called once).
    virtual KObject createHost(KStatus* status) = 0;
    /// Applies the flags common to every kind to a freshly made host attribute.
    void applyCommonFlags(KFnAttribute& fn) const;
    bool created() const { return !m_host.isNull(); }

private:
    std::string m_longName;
    std::string m_shortName;
    std::string m_label;
    bool m_computeModifies = false;
    KObject m_host;
};

/// A numeric attribute holding one value of C++ type T, stored by the host as `kind`.
template <typename T, KFnNumericData::Type kind>
class TnumericAttribute : public Tattribute {
public:
    TnumericAttribute(const char* longName, const char* shortName, T defaultValue = T())
        : Tattribute(longName, shortName), m_default(defaultValue) {}

    /// The value a new node starts with. kFailure once the host attribute exists.
    KStatus setNativeDefaultData(T value) {
        return change([&] { m_default = value; });
    }
    T nativeDefaultData() const { return m_default; }
    /// Limits of the value; kInvalidParameter when min > max.
    KStatus setMin(T value) {
        return change([&] { m_min = value; });
    }
    KStatus setMax(T value) {
        return change([&] { m_max = value; });
    }
    std::optional<T> min() const { return m_min; }
    std::optional<T> max() const { return m_max; }

protected:
    KObject createHost(KStatus* status) override {
        KFnNumericAttribute fn;
        KObject attr = fn.create(longName().c_str(), shortName().c_str(), kind, 0.0, status);
        if (attr.isNull()) return attr;
        if constexpr (kind == KFnNumericData::kBoolean)
            fn.setDefault(bool(m_default));
        else if constexpr (kind == KFnNumericData::kInt)
            fn.setDefault(int(m_default));
        else if constexpr (kind == KFnNumericData::kFloat)
            fn.setDefault(float(m_default));
        else
            fn.setDefault(double(m_default));
        if (m_min) fn.setMin(double(*m_min));
        if (m_max) fn.setMax(double(*m_max));
        applyCommonFlags(fn);
        return attr;
    }

private:
    template <typename F>
    KStatus change(F f) {
        if (created()) return KStatus::kFailure;  // the host attribute is already made
        f();
        if (m_min && m_max && *m_min > *m_max) return KStatus::kInvalidParameter;
        return KStatus::kSuccess;
    }

    T m_default;
    std::optional<T> m_min;
    std::optional<T> m_max;
};

class TattributeInt32 : public TnumericAttribute<std::int32_t, KFnNumericData::kInt> {
public:
    using TnumericAttribute::TnumericAttribute;
};
class TattributeFloat : public TnumericAttribute<float, KFnNumericData::kFloat> {
public:
    using TnumericAttribute::TnumericAttribute;
};
class TattributeDouble : public TnumericAttribute<double, KFnNumericData::kDouble> {
public:
    using TnumericAttribute::TnumericAttribute;
};
class TattributeBoolean : public TnumericAttribute<bool, KFnNumericData::kBoolean> {
public:
    using TnumericAttribute::TnumericAttribute;
};

/// The attributes of a node class, in the order they were added (the host lays them out in
/// this order). Does not own them.
class TattributeList {
public:
    /// Appends; kInvalidParameter for null, or a long or short name already in the list.
    KStatus addAttribute(Tattribute* attribute);
    const std::vector<Tattribute*>& attributes() const { return m_attributes; }
    Tattribute* find(const std::string& name) const;
    bool contains(const Tattribute* attribute) const;

private:
    std::vector<Tattribute*> m_attributes;
};

/// Which attribute changes dirty which outputs.
class TdependencyMatrix {
public:
    /// A change of `in` dirties `out`. `dynamic` is accepted for dynamic attributes and must be
    /// false (kInvalidParameter otherwise); null attributes are refused too.
    KStatus attributeAffects(Tattribute* in, Tattribute* out, bool dynamic);
    const std::vector<std::pair<Tattribute*, Tattribute*>>& pairs() const { return m_pairs; }

private:
    std::vector<std::pair<Tattribute*, Tattribute*>> m_pairs;
};
