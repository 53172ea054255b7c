#pragma once
/// The data block a node's compute reads and writes, and the handles into it.
///
/// Handles are cheap values (a pointer to the attribute's storage, a kind tag); reading and
/// writing numbers through them is inline and allocation-free, so compute may call them per
/// shading sample. A handle is valid for the duration of the compute call that obtained it.
/// A data block belongs to one thread at a time.

#include <array>
#include <cstdint>
#include <cstring>

#include "frame/k_data_cell.h"
#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

namespace tarn {
class AttributeImpl;
struct CellBlock;
struct ArrayStore;
class DataStore;

}  // namespace tarn

class KDataHandle {
public:
    KDataHandle() = default;

    bool isNull() const { return m_cells == nullptr; }
    KObject attribute() const;

    /// Numbers convert between kinds; a compound answers its first child's value.
    bool asBool() const { return m_cells && m_cells[0].d != 0.0; }
    char asChar() const { return static_cast<char>(asInt()); }
    short asShort() const { return static_cast<short>(asInt()); }
    int asInt() const { return m_cells ? tarn::cellToInt(m_cells[0].d) : 0; }
    long asLong() const { return asInt(); }
    float asFloat() const { return m_cells ? static_cast<float>(m_cells[0].d) : 0.0f; }
    double asDouble() const { return m_cells ? m_cells[0].d : 0.0; }
    void* asAddr() const { return m_kind == tarn::CellKind::kAddr ? m_cells[0].p : nullptr; }

    /// Compounds of two or three numbers (missing children read 0).
    std::array<float, 2> asFloat2() const { return {value(0), value(1)}; }
    std::array<double, 2> asDouble2() const { return {dvalue(0), dvalue(1)}; }
    KFloatVector asFloatVector() const { return {value(0), value(1), value(2)}; }
    KVector asVector() const { return {dvalue(0), dvalue(1), dvalue(2)}; }
    /// A matrix attribute's value (identity for other kinds).
    KFloatMatrix asFloatMatrix() const {
        KFloatMatrix m;
        if (isMatrix())
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c)
                    m.matrix[r][c] = static_cast<float>(m_cells[4 * r + c].d);
        return m;
    }
    KMatrix asMatrix() const {
        KMatrix m;
        if (isMatrix())
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) m.matrix[r][c] = m_cells[4 * r + c].d;
        return m;
    }
    /// Text of a string attribute (empty for other kinds).
    const KString& asString() const;
    /// Data object of a typed attribute (null when none).
    KObject data() const;
    KObject asMesh() const { return data(); }
    KObject asNurbsSurface() const { return data(); }
    KObject asNurbsCurve() const { return data(); }

    /// Writes store the value at the attribute's precision (a float leaf rounds to float, an
    /// integer leaf truncates toward zero, a boolean leaf stores 0 or 1).
    void set(bool v) { store(0, v ? 1.0 : 0.0); }
    void set(char v) { store(0, v); }
    void set(short v) { store(0, v); }
    void set(int v) { store(0, v); }
    void set(float v) { store(0, v); }
    void set(double v) { store(0, v); }
    void set(void* p) {
        if (m_kind == tarn::CellKind::kAddr) m_cells[0].p = p;
    }
    void set(float a, float b) {
        store(0, a);
        store(1, b);
    }
    void set(double a, double b) {
        store(0, a);
        store(1, b);
    }
    void set(float a, float b, float c) {
        store(0, a);
        store(1, b);
        store(2, c);
    }
    void set(double a, double b, double c) {
        store(0, a);
        store(1, b);
        store(2, c);
    }
    void set(const KFloatVector& v) { set(v.x, v.y, v.z); }
    void set(const KVector& v) { set(v.x, v.y, v.z); }
    void set(const KFloatMatrix& m);
    void set(const KMatrix& m);
    void set(const KString& text);
    void set(const char* text) { set(KString(text)); }
    /// Sets the data object of a typed attribute.
    KStatus setKObject(const KObject& data);
    KStatus set(const KObject& data) { return setKObject(data); }
    void setMesh(const KObject& data) { setKObject(data); }

    /// The handle of a child of this compound (a null handle when `child` is not one).
    KDataHandle child(const KObject& child) const;
    KDataHandle child(const KPlug& plug) const { return child(plug.attribute()); }
    /// Marks the attribute computed (clean).
    void setClean();

    /// Host use.
    KDataHandle(tarn::Cell* cells, std::uint8_t width, tarn::CellKind kind,
                const tarn::ObjectImpl* attribute, tarn::CellBlock* block,
                const std::uint8_t* cellKinds = nullptr)
        : m_cells(cells),
          m_width(width),
          m_kind(kind),
          m_attribute(attribute),
          m_block(block),
          m_cellKinds(cellKinds) {}
    KDataHandle(tarn::Cell* cells, std::uint8_t width, tarn::CellKind kind,
                const tarn::AttributeImpl* attribute, tarn::CellBlock* block);
    tarn::Cell* cells() const { return m_cells; }
    unsigned width() const { return m_width; }
    tarn::CellKind kind() const { return m_kind; }
    const tarn::AttributeImpl* attributeImpl() const;
    tarn::CellBlock* block() const { return m_block; }

private:
    float value(unsigned i) const { return i < m_width ? static_cast<float>(m_cells[i].d) : 0.0f; }
    double dvalue(unsigned i) const { return i < m_width ? m_cells[i].d : 0.0; }
    void store(unsigned i, double v) {
        if (i >= m_width) return;
        tarn::CellKind k = m_kind != tarn::CellKind::kCompound ? m_kind
                           : m_cellKinds ? static_cast<tarn::CellKind>(m_cellKinds[i])
                                         : childKind(i);
        switch (k) {
            case tarn::CellKind::kFloat:
                m_cells[i].d = static_cast<float>(v);
                break;
            case tarn::CellKind::kDouble:
                m_cells[i].d = v;
                break;
            case tarn::CellKind::kInt:
                m_cells[i].d = tarn::cellToInt(v);
                break;
            case tarn::CellKind::kBool:
                m_cells[i].d = v != 0.0 ? 1.0 : 0.0;
                break;
            default:
                break;
        }
    }
    tarn::CellKind childKind(unsigned i) const;
    bool isMatrix() const {
        return m_kind == tarn::CellKind::kMatrix || m_kind == tarn::CellKind::kFloatMatrix;
    }

    tarn::Cell* m_cells = nullptr;
    std::uint8_t m_width = 0;
    tarn::CellKind m_kind = tarn::CellKind::kNone;
    const tarn::ObjectImpl* m_attribute = nullptr;
    tarn::CellBlock* m_block = nullptr;
    const std::uint8_t* m_cellKinds = nullptr;
};

/// Walks the existing elements of an array attribute in ascending logical index.
class KArrayDataHandle {
public:
    KArrayDataHandle() = default;

    /// Number of existing elements.
    unsigned elementCount(KStatus* status = nullptr) const;
    /// Logical index of the current element.
    unsigned elementIndex(KStatus* status = nullptr) const;
    /// Moves to the next element; kFailure past the last.
    KStatus next();
    /// Moves to the element with logical index `logicalIndex`; kInvalidParameter when none.
    KStatus jumpToElement(unsigned logicalIndex);
    /// Moves to the element at position `physicalIndex`.
    KStatus jumpToArrayElement(unsigned physicalIndex);
    /// Handle of the current element (a compound element answers `child`).
    KDataHandle inputValue(KStatus* status = nullptr) const;
    KDataHandle outputValue(KStatus* status = nullptr) const;
    /// Creates (or finds) element `logicalIndex` and moves to it.
    KDataHandle addElement(unsigned logicalIndex, KStatus* status = nullptr);
    KStatus setAllClean();
    KStatus setClean();

    /// Host use.
    KArrayDataHandle(tarn::ArrayStore* array, const tarn::AttributeImpl* attribute,
                     tarn::CellBlock* owner)
        : m_array(array), m_attribute(attribute), m_owner(owner) {}

private:
    tarn::ArrayStore* m_array = nullptr;
    const tarn::AttributeImpl* m_attribute = nullptr;
    tarn::CellBlock* m_owner = nullptr;
    unsigned m_position = 0;
};

class KDataBlock {
public:
    /// Host use: a block over one node's storage.
    explicit KDataBlock(tarn::DataStore* store);

    /// Handle of an attribute (or plug) of this node; status kInvalidParameter and a null handle
    /// when the attribute is not the node's. Array attributes need inputArrayValue.
    KDataHandle inputValue(const KObject& attribute, KStatus* status = nullptr) {
        const tarn::ObjectImpl* a = attribute.impl();
        if (a && a->slot.rootLayout == m_layout) [[likely]] {
            if (status) status->clear();
            return KDataHandle(m_cells + a->slot.cell, a->slot.width,
                               static_cast<tarn::CellKind>(a->slot.kind), a, m_root,
                               a->slot.cellKinds);
        }
        return lookup(attribute, status);
    }
    KDataHandle inputValue(const KPlug& plug, KStatus* status = nullptr);
    KDataHandle outputValue(const KObject& attribute, KStatus* status = nullptr) {
        return inputValue(attribute, status);
    }
    KDataHandle outputValue(const KPlug& plug, KStatus* status = nullptr);
    KArrayDataHandle inputArrayValue(const KObject& attribute, KStatus* status = nullptr);
    KArrayDataHandle inputArrayValue(const KPlug& plug, KStatus* status = nullptr);
    KArrayDataHandle outputArrayValue(const KObject& attribute, KStatus* status = nullptr);
    KArrayDataHandle outputArrayValue(const KPlug& plug, KStatus* status = nullptr);

    /// Marks a plug (or attribute) computed; children and parent follow.
    KStatus setClean(const KPlug& plug);
    KStatus setClean(const KObject& attribute);
    bool isClean(const KPlug& plug, KStatus* status = nullptr) const;
    bool isClean(const KObject& attribute, KStatus* status = nullptr) const;

    tarn::DataStore* store() const { return m_store; }

private:
    KDataHandle lookup(const KObject& attribute, KStatus* status);

    tarn::DataStore* m_store;
    const void* m_layout = &m_store;  ///< never null, so an unset slot never matches
    tarn::Cell* m_cells = nullptr;
    tarn::CellBlock* m_root = nullptr;
};
