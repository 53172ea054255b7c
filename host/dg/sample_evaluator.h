#pragma once
/// Evaluating one node's outputs for many samples, on many threads at once.
///
///     tarn::SampleEvaluator eval;
///     std::string error;
///     if (!eval.prepare(nodeObject, &error)) { report(error); return; }  // pulls inputs once
///     tarn::SampleSlot u = eval.slot("uCoord"), v = eval.slot("vCoord");
///     tarn::SampleSlot color = eval.slot("outColor");
///     tbb::parallel_for(tbb::blocked_range<int>(0, n), [&](const auto& r) {
///         tarn::SampleBlock block = eval.makeBlock();         // one private copy per task
///         for (int i = r.begin(); i != r.end(); ++i) {
///             block.set(u, us[i]);
///             block.set(v, vs[i]);
///             if (block.compute(color)) out[i] = block.floatVector(color);
///         }
///     });
///
/// prepare() runs on the main thread: it evaluates everything connected into the node once and
/// snapshots the node's values. Each SampleBlock is a private copy of that snapshot; setting
/// inputs and computing touch only the block, allocate nothing and take no locks, so results
/// are the same bit for bit whatever the number of threads. Nodes that did not declare
/// setMPSafe(true) must be evaluated from one thread at a time (isMPSafe() tells).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "frame/k_data.h"
#include "frame/k_math.h"
#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "host/dg/data_store.h"

namespace tarn {

class AttributeImpl;

/// An attribute looked up once by name: a cheap handle for SampleBlock calls.
struct SampleSlot {
    const AttributeImpl* attribute = nullptr;
    KPlug plug;         ///< the plug handed to compute for outputs
    int rootCell = -1;  ///< first number cell in the root storage, -1 when not there
    int width = 0;
    const std::uint8_t* cellKinds = nullptr;
    explicit operator bool() const { return attribute != nullptr; }
};

class SampleBlock {
public:
    /// Writes a number into a leaf (or the first child of a compound), at its precision.
    void set(const SampleSlot& slot, double value) { setCell(slot, 0, value); }
    /// Writes the first two or three numbers of a compound (extra values are dropped).
    void set(const SampleSlot& slot, double a, double b) {
        setCell(slot, 0, a);
        setCell(slot, 1, b);
    }
    void set(const SampleSlot& slot, double a, double b, double c) {
        setCell(slot, 0, a);
        setCell(slot, 1, b);
        setCell(slot, 2, c);
    }
    void set(const SampleSlot& slot, const KFloatMatrix& m);
    /// A handle for any other write; `element` names an array element (created when missing).
    KDataHandle handle(const SampleSlot& slot, int element = -1);
    /// Removes every element of an array slot.
    void clearArray(const SampleSlot& arraySlot);

    /// Runs compute for an output; kUnknownParameter when the node does not serve it. Plug-in
    /// exceptions become kFailure.
    KStatus compute(const SampleSlot& output) {
        if (!output.attribute || !m_node) return KStatus::kInvalidParameter;
        KDataBlock block(&m_store);
        try {
            return m_node->compute(output.plug, block);
        } catch (...) {
            return KStatus::kFailure;
        }
    }

    float asFloat(const SampleSlot& slot) const { return static_cast<float>(asDouble(slot)); }
    double asDouble(const SampleSlot& slot) const {
        return slot.rootCell >= 0 ? m_store.root().cells[slot.rootCell].d : 0.0;
    }
    /// The first three numbers of a compound (missing ones read 0).
    KFloatVector floatVector(const SampleSlot& slot) const {
        if (slot.rootCell < 0) return {};
        const Cell* c = m_store.root().cells.data() + slot.rootCell;
        return {static_cast<float>(c[0].d), slot.width > 1 ? static_cast<float>(c[1].d) : 0.0f,
                slot.width > 2 ? static_cast<float>(c[2].d) : 0.0f};
    }

private:
    friend class SampleEvaluator;
    SampleBlock(const DataStore& snapshot, KPxNode* node) : m_store(snapshot), m_node(node) {}
    KDataHandle rootHandle(const SampleSlot& slot);
    // The i-th number cell of a slot in the root storage, at the cell's precision.
    void setCell(const SampleSlot& slot, int i, double value) {
        if (slot.rootCell >= 0 && i < slot.width)
            storeCell(m_store.root().cells[slot.rootCell + i],
                      static_cast<CellKind>(slot.cellKinds[i]), value);
    }

    DataStore m_store;
    KPxNode* m_node;
};

class SampleEvaluator {
public:
    /// Snapshots a node for sampling (main thread). False with `*error` for a null or deleted
    /// node, or when pulling its inputs fails.
    bool prepare(const KObject& node, std::string* error);
    /// The slot of an attribute by long or short name (falsy when the node has none).
    SampleSlot slot(std::string_view name) const;
    /// A private block for one thread (allocates; make one per task, not per sample).
    SampleBlock makeBlock() const;
    bool isMPSafe() const;
    bool prepared() const { return m_snapshot != nullptr; }

private:
    KObject m_node;
    KPxNode* m_user = nullptr;
    std::unique_ptr<DataStore> m_snapshot;
};

}  // namespace tarn
