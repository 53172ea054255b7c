#pragma once
/// Storage of one node's attribute values: a root block of cells plus, per array attribute, the
/// existing elements (each its own block) in ascending logical index, and a dirty flag per
/// attribute. Plain values: copying a store gives an independent private block (used for
/// per-thread evaluation). Not thread safe.
///
/// The storage knows nothing of the SDK's data handles: those are built over it
/// (host/sdk/data_handle.h), never the other way round.

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "frame/k_data_cell.h"
#include "frame/k_object.h"
#include "frame/k_string.h"

namespace tarn {

class NodeType;
class NodeImpl;
class AttributeImpl;
class DataStore;

/// Cells of one scope (the node's root or one array element) and its strings and data.
struct CellBlock {
    std::vector<Cell> cells;
    std::vector<KString> strings;
    std::vector<KObject> objects;
    DataStore* store = nullptr;  ///< not owning
};

struct ArrayElement {
    unsigned logicalIndex = 0;
    CellBlock block;
};

struct ArrayStore {
    const AttributeImpl* attribute = nullptr;
    std::vector<std::unique_ptr<ArrayElement>> elements;  ///< ascending logical index

    /// The element with `logicalIndex`, or null.
    ArrayElement* find(unsigned logicalIndex) const;
    /// Position of the element with `logicalIndex`, or -1.
    int position(unsigned logicalIndex) const;
    /// The element with `logicalIndex`, created with the attribute's defaults when missing.
    ArrayElement& obtain(unsigned logicalIndex);
    /// Removes the element; false when missing.
    bool remove(unsigned logicalIndex);
};

class DataStore {
public:
    /// Storage with every attribute at its default and every computed attribute dirty.
    explicit DataStore(const NodeType& type, NodeImpl* node = nullptr);
    DataStore(const DataStore& other);
    DataStore& operator=(const DataStore& other);

    const NodeType& type() const { return *m_type; }
    /// The node the store belongs to; null for private evaluation copies.
    NodeImpl* node() const { return m_node; }

    CellBlock& root() { return m_root; }
    const CellBlock& root() const { return m_root; }
    ArrayStore& array(const AttributeImpl& arrayAttribute);
    const ArrayStore& array(const AttributeImpl& arrayAttribute) const;

    /// The block holding `attribute`'s cells: the root, or element `logicalIndex` of its array
    /// (created when `create` is set). Null when the attribute is not of this store's type, or
    /// the element is missing or not given.
    CellBlock* block(const AttributeImpl& attribute, int logicalIndex, bool create);

    /// True when the attribute or any of its descendants is dirty.
    bool isDirty(const AttributeImpl& attribute) const;
    /// True when the attribute and all of its descendants are dirty.
    bool isFullyDirty(const AttributeImpl& attribute) const;
    /// Marks the attribute, its descendants and its ancestors dirty.
    void setDirty(const AttributeImpl& attribute);
    /// Marks the attribute and its descendants clean; a compound whose children are all clean
    /// becomes clean too.
    void setClean(const AttributeImpl& attribute);
    /// Resets the attribute's values (root scope or one element) to its defaults.
    void resetToDefault(const AttributeImpl& attribute, int logicalIndex);

private:
    void rebind();
    /// Sets one attribute's flag, keeping the count of dirty flags.
    void mark(int index, std::uint8_t dirty);

    const NodeType* m_type;
    NodeImpl* m_node;
    CellBlock m_root;
    std::vector<ArrayStore> m_arrays;
    std::vector<std::uint8_t> m_dirty;
    int m_dirtyCount = 0;  ///< number of set flags in m_dirty
};

/// Single-precision rounding without undefined behaviour: a value past the float range gives the
/// infinity of its sign, NaN stays NaN.
inline float cellToFloat(double v) {
    constexpr double kMax = static_cast<double>(std::numeric_limits<float>::max());
    if (v > kMax) return std::numeric_limits<float>::infinity();
    if (v < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

/// True when `v` is still a finite number once stored in a cell of `kind`: 1e39 is not, as a
/// float. Every writer of values from commands and the SDK refuses what this refuses.
inline bool cellHoldsFinite(CellKind kind, double v) {
    if (!std::isfinite(v)) return false;
    return kind != CellKind::kFloat || std::isfinite(cellToFloat(v));
}

/// True when a finite `v` fits a cell of `kind` without being saturated: an int cell holds
/// -2147483648 to 2147483647 (fractions are cut off, as storeCell does); other kinds take any
/// finite number. Writers from commands and the SDK refuse what this refuses rather than store
/// the nearest int.
inline bool cellHoldsInRange(CellKind kind, double v) {
    return kind != CellKind::kInt || (v > -2147483649.0 && v < 2147483648.0);
}

/// Writes `value` into a number cell of `kind`, rounded to that kind's precision.
inline void storeCell(Cell& cell, CellKind kind, double value) {
    switch (kind) {
        case CellKind::kFloat:
            cell.d = cellToFloat(value);
            break;
        case CellKind::kDouble:
            cell.d = value;
            break;
        case CellKind::kInt:
            cell.d = cellToInt(value);
            break;
        case CellKind::kBool:
            cell.d = value != 0.0 ? 1.0 : 0.0;
            break;
        default:
            break;
    }
}

}  // namespace tarn
