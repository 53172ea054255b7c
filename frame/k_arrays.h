#pragma once
/// Growable arrays of SDK values. Indices are unsigned; reading past the end is a programming
/// error (checked in debug builds). Not thread safe for concurrent writes.

#include <cassert>
#include <initializer_list>
#include <vector>

#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_string.h"

template <typename T>
class KArray {
public:
    KArray() = default;
    KArray(std::initializer_list<T> values) : m_items(values) {}
    /// `count` copies of `value`.
    KArray(unsigned count, const T& value) : m_items(count, value) {}
    KArray(const T* values, unsigned count) : m_items(values, values + count) {}

    unsigned length() const { return static_cast<unsigned>(m_items.size()); }
    const T& operator[](unsigned i) const { assert(i < m_items.size()); return m_items[i]; }
    T& operator[](unsigned i) { assert(i < m_items.size()); return m_items[i]; }
    /// Appends one value at the end.
    void append(const T& value) { m_items.push_back(value); }
    /// Grows (default values) or shrinks to `n`.
    void setLength(unsigned n) { m_items.resize(n); }
    /// Reserves room for `n` values without changing the length.
    void setSizeIncrement(unsigned n) { m_items.reserve(m_items.size() + n); }
    void clear() { m_items.clear(); }
    /// Removes index i; false when i is out of range.
    bool remove(unsigned i) {
        if (i >= m_items.size()) return false;
        m_items.erase(m_items.begin() + i);
        return true;
    }
    /// Inserts `value` before index i (i == length appends); false when i is out of range.
    bool insert(const T& value, unsigned i) {
        if (i > m_items.size()) return false;
        m_items.insert(m_items.begin() + i, value);
        return true;
    }
    /// Sets index i; false when i is out of range.
    bool set(const T& value, unsigned i) {
        if (i >= m_items.size()) return false;
        m_items[i] = value;
        return true;
    }
    /// Copies all values into `dest` (room for length() values).
    void get(T* dest) const { for (size_t i = 0; i < m_items.size(); ++i) dest[i] = m_items[i]; }
    bool operator==(const KArray& o) const { return m_items == o.m_items; }
    bool operator!=(const KArray& o) const { return m_items != o.m_items; }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    const std::vector<T>& items() const { return m_items; }
    std::vector<T>& items() { return m_items; }

private:
    std::vector<T> m_items;
};

class KIntArray : public KArray<int> { public: using KArray::KArray; };
class KDoubleArray : public KArray<double> { public: using KArray::KArray; };
class KFloatArray : public KArray<float> { public: using KArray::KArray; };
class KPointArray : public KArray<KPoint> { public: using KArray::KArray; };
class KFloatPointArray : public KArray<KFloatPoint> { public: using KArray::KArray; };
class KVectorArray : public KArray<KVector> { public: using KArray::KArray; };
class KFloatVectorArray : public KArray<KFloatVector> { public: using KArray::KArray; };
class KColorArray : public KArray<KColor> { public: using KArray::KArray; };
class KObjectArray : public KArray<KObject> { public: using KArray::KArray; };
class KStringArray : public KArray<KString> { public: using KArray::KArray; };
