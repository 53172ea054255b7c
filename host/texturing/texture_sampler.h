#pragma once
/// Evaluates one texture node per sample on private copies of its values, so that the node's
/// stored values stay untouched and many threads can sample at once (one copy each).

#include <memory>
#include <string>

#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "host/dg/data_store.h"

class KPxNode;

namespace tarn::texturing {

enum class TextureKind { k2d, k3d };

/// One thread's private copy of a node's values, with the handles a sample writes and reads
/// resolved once. Not copyable (the handles point into the copy).
class SampleSlot {
public:
    explicit SampleSlot(const DataStore& values) : store(values) {}
    SampleSlot(const SampleSlot&) = delete;
    SampleSlot& operator=(const SampleSlot&) = delete;

    DataStore store;
    KDataHandle u, v, fsx, fsy, refObj, refCamera, local, placement, outColor, outAlpha;
};

/// outColor and outAlpha of one sample.
struct SampleValue {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

class TextureSampler {
public:
    /// Prepares sampling of `node`: pulls its connected inputs (main thread) and finds the
    /// inputs a sample sets. Null with `*error` when the node is no 2D (uvCoord) or 3D
    /// (refPointCamera) texture.
    static std::unique_ptr<TextureSampler> create(const KObject& node, std::string* error);

    TextureKind kind() const { return m_kind; }
    /// Whether the node has uvFilterSize (all 2D textures, corrosion among the 3D ones).
    bool hasFilterSize() const { return m_fsx != nullptr; }
    const std::string& nodeName() const { return m_name; }
    /// Whether the node declared itself safe for parallel evaluation (slots on many threads).
    bool isMPSafe() const;

    /// A private copy of the node's current values, for one thread (allocates).
    std::unique_ptr<SampleSlot> makeSlot() const;
    /// Sets uCoord, vCoord and the filter size on the slot and evaluates. No allocation; safe
    /// on many threads with one slot each.
    KStatus sampleUv(SampleSlot& slot, float u, float v, float fx, float fy,
                     SampleValue* out) const;
    /// Sets the reference point (refPointObj with local on when `local`, else refPointCamera
    /// with local off) and the filter size when the node has one, then evaluates.
    KStatus samplePoint(SampleSlot& slot, float x, float y, float z, bool local, float fx, float fy,
                        SampleValue* out) const;
    /// Sets the placement matrix of the slot to the identity.
    void setIdentityPlacement(SampleSlot& slot) const;

private:
    KStatus evaluate(SampleSlot& slot, SampleValue* out) const;

    KObject m_node;
    std::string m_name;
    KPxNode* m_user = nullptr;
    TextureKind m_kind = TextureKind::k2d;
    KPlug m_outColorPlug;
    const AttributeImpl* m_u = nullptr;
    const AttributeImpl* m_v = nullptr;
    const AttributeImpl* m_fsx = nullptr;
    const AttributeImpl* m_fsy = nullptr;
    const AttributeImpl* m_refObj = nullptr;
    const AttributeImpl* m_refCamera = nullptr;
    const AttributeImpl* m_local = nullptr;
    const AttributeImpl* m_placement = nullptr;
    const AttributeImpl* m_outColor = nullptr;
    const AttributeImpl* m_outAlpha = nullptr;
};

}  // namespace tarn::texturing
