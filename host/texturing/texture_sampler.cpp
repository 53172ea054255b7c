#include "host/texturing/texture_sampler.h"

#include <exception>

#include "frame/k_data.h"
#include "frame/k_math.h"
#include "frame/k_node.h"
#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"

namespace tarn::texturing {
namespace {

KObject attributeObject(const NodeType& type, const AttributeImpl* attribute) {
    for (const auto& a : type.attributes())
        if (a.get() == attribute) return KObject(a);
    return {};
}

}  // namespace

std::unique_ptr<TextureSampler> TextureSampler::create(const KObject& node, std::string* error) {
    NodeImpl* impl = NodeImpl::from(node);
    if (!impl || !impl->alive() || !impl->userNode()) {
        *error = "not a node";
        return nullptr;
    }
    const NodeType& type = impl->type();
    auto s = std::unique_ptr<TextureSampler>(new TextureSampler);
    s->m_node = node;
    s->m_name = impl->name();
    s->m_user = impl->userNode();
    s->m_u = type.findAttribute("uCoord");
    s->m_v = type.findAttribute("vCoord");
    s->m_fsx = type.findAttribute("uvFilterSizeX");
    s->m_fsy = type.findAttribute("uvFilterSizeY");
    s->m_refObj = type.findAttribute("refPointObj");
    s->m_refCamera = type.findAttribute("refPointCamera");
    s->m_local = type.findAttribute("local");
    s->m_placement = type.findAttribute("placementMatrix");
    s->m_outColor = type.findAttribute("outColor");
    s->m_outAlpha = type.findAttribute("outAlpha");
    if (!s->m_outColor || !s->m_outAlpha) {
        *error = impl->name() + " (" + type.name + ") has no outColor and outAlpha";
        return nullptr;
    }
    if (s->m_u && s->m_v) {
        s->m_kind = TextureKind::k2d;
    } else if (s->m_refObj && s->m_refCamera && s->m_local && s->m_placement) {
        s->m_kind = TextureKind::k3d;
    } else {
        *error = impl->name() + " (" + type.name + ") is neither a 2D nor a 3D texture";
        return nullptr;
    }
    s->m_outColorPlug = KPlug(node, attributeObject(type, s->m_outColor), -1);
    // Bring connected inputs up to date before copying the values.
    const KStatus pulled = Graph::instance().pullInputs(*impl);
    if (pulled.error()) {
        *error = "cannot evaluate the inputs of " + impl->name();
        return nullptr;
    }
    return s;
}

bool TextureSampler::isMPSafe() const {
    return m_user && m_user->isMPSafe();
}

std::unique_ptr<SampleSlot> TextureSampler::makeSlot() const {
    auto slot = std::make_unique<SampleSlot>(NodeImpl::from(m_node)->store());
    auto bind = [&](const AttributeImpl* a) {
        return a ? slot->store.handle(*a, -1, false) : KDataHandle();
    };
    slot->u = bind(m_u);
    slot->v = bind(m_v);
    slot->fsx = bind(m_fsx);
    slot->fsy = bind(m_fsy);
    slot->refObj = bind(m_refObj);
    slot->refCamera = bind(m_refCamera);
    slot->local = bind(m_local);
    slot->placement = bind(m_placement);
    slot->outColor = bind(m_outColor);
    slot->outAlpha = bind(m_outAlpha);
    return slot;
}

KStatus TextureSampler::evaluate(SampleSlot& slot, SampleValue* out) const {
    KDataBlock block(&slot.store);
    KStatus status;
    try {
        status = m_user->compute(m_outColorPlug, block);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    if (status.error()) return status;
    const KFloatVector c = slot.outColor.asFloatVector();
    out->r = c.x;
    out->g = c.y;
    out->b = c.z;
    out->a = slot.outAlpha.asFloat();
    return KStatus::kSuccess;
}

KStatus TextureSampler::sampleUv(SampleSlot& slot, float u, float v, float fx, float fy,
                                 SampleValue* out) const {
    if (m_kind != TextureKind::k2d) return KStatus::kInvalidParameter;
    slot.u.set(u);
    slot.v.set(v);
    slot.fsx.set(fx);
    slot.fsy.set(fy);
    return evaluate(slot, out);
}

KStatus TextureSampler::samplePoint(SampleSlot& slot, float x, float y, float z, bool local,
                                    float fx, float fy, SampleValue* out) const {
    if (m_kind != TextureKind::k3d) return KStatus::kInvalidParameter;
    (local ? slot.refObj : slot.refCamera).set(x, y, z);
    slot.local.set(local);
    if (!slot.fsx.isNull() && !slot.fsy.isNull()) {
        slot.fsx.set(fx);
        slot.fsy.set(fy);
    }
    return evaluate(slot, out);
}

void TextureSampler::setIdentityPlacement(SampleSlot& slot) const {
    if (!slot.placement.isNull()) slot.placement.set(KFloatMatrix());
}

}  // namespace tarn::texturing
