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

DataStore TextureSampler::makeStore() const {
    DataStore copy(NodeImpl::from(m_node)->store());
    return copy;
}

KStatus TextureSampler::evaluate(DataStore& store, SampleValue* out) const {
    KDataBlock block(&store);
    KStatus status;
    try {
        status = m_user->compute(m_outColorPlug, block);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    if (status.error()) return status;
    const KFloatVector c = store.handle(*m_outColor, -1, false).asFloatVector();
    out->r = c.x;
    out->g = c.y;
    out->b = c.z;
    out->a = store.handle(*m_outAlpha, -1, false).asFloat();
    return KStatus::kSuccess;
}

KStatus TextureSampler::sampleUv(DataStore& store, float u, float v, float fx, float fy,
                                 SampleValue* out) const {
    if (m_kind != TextureKind::k2d) return KStatus::kInvalidParameter;
    store.handle(*m_u, -1, false).set(u);
    store.handle(*m_v, -1, false).set(v);
    store.handle(*m_fsx, -1, false).set(fx);
    store.handle(*m_fsy, -1, false).set(fy);
    return evaluate(store, out);
}

KStatus TextureSampler::samplePoint(DataStore& store, float x, float y, float z, bool local,
                                    float fx, float fy, SampleValue* out) const {
    if (m_kind != TextureKind::k3d) return KStatus::kInvalidParameter;
    store.handle(*(local ? m_refObj : m_refCamera), -1, false).set(x, y, z);
    store.handle(*m_local, -1, false).set(local);
    if (m_fsx && m_fsy) {
        store.handle(*m_fsx, -1, false).set(fx);
        store.handle(*m_fsy, -1, false).set(fy);
    }
    return evaluate(store, out);
}

void TextureSampler::setIdentityPlacement(DataStore& store) const {
    if (m_placement) store.handle(*m_placement, -1, false).set(KFloatMatrix());
}

}  // namespace tarn::texturing
