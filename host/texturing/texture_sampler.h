#pragma once
/// Samples one texture node at UV coordinates or points, on private copies of its values (the
/// host's SampleEvaluator): the node's stored values stay untouched and many threads can
/// sample at once, one block each.

#include <memory>
#include <string>

#include "frame/k_object.h"
#include "frame/k_status.h"
#include "host/dg/sample_evaluator.h"

namespace tarn::texturing {

enum class TextureKind { k2d, k3d };

/// outColor and outAlpha of one sample.
struct SampleValue {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

class FileTexture;

class TextureSampler {
public:
    /// Prepares sampling of `node`: pulls its connected inputs (main thread) and finds the
    /// inputs a sample sets. Null with `*error` when the node is no 2D (uvCoord) or 3D
    /// (refPointCamera) texture. A `file` node is a 2D texture whose samples come from its image
    /// (read here; see file_texture.h); null with the reason when the image cannot be read.
    static std::unique_ptr<TextureSampler> create(const KObject& node, std::string* error);

    TextureKind kind() const { return m_kind; }
    /// Whether the node has uvFilterSize (all 2D textures, corrosion among the 3D ones).
    bool hasFilterSize() const { return static_cast<bool>(m_fsx); }
    const std::string& nodeName() const { return m_name; }
    /// Whether the node declared itself safe for parallel evaluation (blocks on many threads).
    bool isMPSafe() const { return m_file || m_eval.isMPSafe(); }

    /// A private copy of the node's current values, for one thread (allocates).
    std::unique_ptr<SampleBlock> makeBlock() const;
    /// The filter size stored in a block (0, 0 for a node without one).
    void storedFilterSize(const SampleBlock& block, float* fx, float* fy) const;
    /// Sets uCoord, vCoord and the filter size on the block and evaluates. No allocation; safe
    /// on many threads with one block each.
    KStatus sampleUv(SampleBlock& block, float u, float v, float fx, float fy,
                     SampleValue* out) const;
    /// Sets the reference point (refPointObj with local on when `local`, else refPointCamera
    /// with local off) and the filter size when the node has one, then evaluates.
    KStatus samplePoint(SampleBlock& block, float x, float y, float z, bool local, float fx,
                        float fy, SampleValue* out) const;
    /// Sets the placement matrix of the block to the identity.
    void setIdentityPlacement(SampleBlock& block) const;

private:
    KStatus evaluate(SampleBlock& block, SampleValue* out) const;

    SampleEvaluator m_eval;
    std::shared_ptr<const FileTexture> m_file;  ///< a `file` node's image, else null
    std::string m_name;
    TextureKind m_kind = TextureKind::k2d;
    SampleSlot m_u, m_v, m_fsx, m_fsy, m_refObj, m_refCamera, m_local, m_placement, m_outColor,
        m_outAlpha;
};

}  // namespace tarn::texturing
