// KFnPhongShader over the host's phong node.

#include "frame/k_shading.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"

using namespace tarn;
using namespace tarn::scene;

namespace {

KColor readColor(const KObject& node, const char* name) {
    const KVector v = readVector(node, name);
    return KColor(static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z), 1.0f);
}

KStatus writeColor(const KObject& node, const char* name, const KColor& c) {
    return writeVector(node, name, {c.r, c.g, c.b}) ? KStatus::kSuccess : KStatus::kFailure;
}

}  // namespace

KFnPhongShader::KFnPhongShader(const KObject& node, KStatus* status) {
    kSetStatus(status, node.apiType() == KFn::kPhong ? setObject(node)
                                                     : KStatus(KStatus::kInvalidParameter));
}

KObject KFnPhongShader::create(bool, KStatus* status) {
    ensureSceneTypes();
    std::string error;
    KObject node = Graph::instance().createNode("phong", "", &error);
    if (node.isNull()) {
        kSetStatus(status, KStatus::kFailure);
        return {};
    }
    recordCreated({node}, "create " + nodeName(node));
    m_object = node;
    kSetStatus(status, KStatus::kSuccess);
    return node;
}

#define COLOR_PAIR(getter, setter, attr)                           \
    KColor KFnPhongShader::getter(KStatus* status) const {         \
        if (!attached(status)) return {};                          \
        return readColor(m_object, attr);                          \
    }                                                              \
    KStatus KFnPhongShader::setter(const KColor& color) {          \
        if (!attached(nullptr)) return KStatus::kInvalidParameter; \
        return writeColor(m_object, attr, color);                  \
    }

COLOR_PAIR(color, setColor, "color")
COLOR_PAIR(specularColor, setSpecularColor, "specularColor")
COLOR_PAIR(transparency, setTransparency, "transparency")
COLOR_PAIR(ambientColor, setAmbientColor, "ambientColor")
COLOR_PAIR(incandescence, setIncandescence, "incandescence")

float KFnPhongShader::cosPower(KStatus* status) const {
    if (!attached(status)) return 0.0f;
    return static_cast<float>(readNumber(m_object, "cosinePower"));
}

KStatus KFnPhongShader::setCosPower(float power) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    return writeNumber(m_object, "cosinePower", power) ? KStatus::kSuccess : KStatus::kFailure;
}
