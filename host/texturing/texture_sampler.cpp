#include "host/texturing/texture_sampler.h"

#include "frame/k_math.h"
#include "host/dg/node_impl.h"
#include "host/texturing/file_texture.h"

namespace tarn::texturing {

std::unique_ptr<TextureSampler> TextureSampler::create(const KObject& node, std::string* error) {
    NodeImpl* impl = NodeImpl::from(node);
    if (!impl || !impl->alive() || !impl->userNode()) {
        *error = "not a node";
        return nullptr;
    }
    auto s = std::unique_ptr<TextureSampler>(new TextureSampler);
    const std::string typeName = impl->type().name;
    s->m_name = impl->name();
    // Brings connected inputs up to date and snapshots the values every block starts from.
    if (!s->m_eval.prepare(node, error)) {
        *error = "cannot evaluate the inputs of " + s->m_name;
        return nullptr;
    }
    const SampleEvaluator& e = s->m_eval;
    s->m_u = e.slot("uCoord");
    s->m_v = e.slot("vCoord");
    s->m_fsx = e.slot("uvFilterSizeX");
    s->m_fsy = e.slot("uvFilterSizeY");
    s->m_refObj = e.slot("refPointObj");
    s->m_refCamera = e.slot("refPointCamera");
    s->m_local = e.slot("local");
    s->m_placement = e.slot("placementMatrix");
    s->m_outColor = e.slot("outColor");
    s->m_outAlpha = e.slot("outAlpha");
    if (!s->m_outColor || !s->m_outAlpha) {
        *error = s->m_name + " (" + typeName + ") has no outColor and outAlpha";
        return nullptr;
    }
    if (typeName == "file") {
        auto image = std::make_shared<FileTexture>();
        std::string why;
        if (!FileTexture::load(node, *image, &why)) {
            *error = s->m_name + " shows no image: " + why;
            return nullptr;
        }
        s->m_file = std::move(image);
        s->m_kind = TextureKind::k2d;
    } else if (s->m_u && s->m_v) {
        s->m_kind = TextureKind::k2d;
    } else if (s->m_refObj && s->m_refCamera && s->m_local && s->m_placement) {
        s->m_kind = TextureKind::k3d;
    } else {
        *error = s->m_name + " (" + typeName + ") is neither a 2D nor a 3D texture";
        return nullptr;
    }
    return s;
}

std::unique_ptr<SampleBlock> TextureSampler::makeBlock() const {
    return std::make_unique<SampleBlock>(m_eval.makeBlock());
}

void TextureSampler::storedFilterSize(const SampleBlock& block, float* fx, float* fy) const {
    *fx = m_fsx ? block.asFloat(m_fsx) : 0.0f;
    *fy = m_fsy ? block.asFloat(m_fsy) : 0.0f;
}

KStatus TextureSampler::evaluate(SampleBlock& block, SampleValue* out) const {
    const KStatus status = block.compute(m_outColor);
    if (status.error()) return status;
    const KFloatVector c = block.floatVector(m_outColor);
    out->r = c.x;
    out->g = c.y;
    out->b = c.z;
    out->a = block.asFloat(m_outAlpha);
    return KStatus::kSuccess;
}

KStatus TextureSampler::sampleUv(SampleBlock& block, float u, float v, float fx, float fy,
                                 SampleValue* out) const {
    if (m_kind != TextureKind::k2d) return KStatus::kInvalidParameter;
    if (m_file) {
        m_file->sample(u, v, out);
        return KStatus::kSuccess;
    }
    block.set(m_u, u);
    block.set(m_v, v);
    block.set(m_fsx, fx);
    block.set(m_fsy, fy);
    return evaluate(block, out);
}

KStatus TextureSampler::samplePoint(SampleBlock& block, float x, float y, float z, bool local,
                                    float fx, float fy, SampleValue* out) const {
    if (m_kind != TextureKind::k3d) return KStatus::kInvalidParameter;
    block.set(local ? m_refObj : m_refCamera, x, y, z);
    block.set(m_local, local ? 1.0 : 0.0);
    if (m_fsx && m_fsy) {
        block.set(m_fsx, fx);
        block.set(m_fsy, fy);
    }
    return evaluate(block, out);
}

void TextureSampler::setIdentityPlacement(SampleBlock& block) const {
    if (m_placement) block.set(m_placement, KFloatMatrix());
}

}  // namespace tarn::texturing
