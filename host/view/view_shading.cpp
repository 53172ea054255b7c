#include "host/view/view_shading.h"

#include <algorithm>
#include <string>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/scene/node_access.h"
#include "host/shading/shading_nodes.h"
#include "host/texturing/texture_image.h"
#include "host/view/view_scene.h"

namespace tarn::view {

namespace {

// The texture that drives the shader's colour, when it can be shown: a `file` node whose image
// reads, or a 2D or 3D texture node the sampler accepts.
void textureShade(const KObject& shader, GroupShade& s) {
    const KObject source = texturing::colorSourceOf(shader);
    if (source.isNull()) return;
    std::string error;
    if (NodeImpl::from(source)->type().name == "file") {
        if (scene::attributeByName(source, "fileTextureName").isNull()) return;
        KStatus status;
        const KDataHandle h =
            Graph::instance().readHandle(scene::plugByName(source, "fileTextureName"), &status);
        auto image = std::make_shared<ViewTexture>();
        if (!status.error() && loadTextureFile(h.asString().str(), *image, &error))
            s.image = std::move(image);
        return;
    }
    std::unique_ptr<texturing::TextureSampler> sampler =
        texturing::TextureSampler::create(source, &error);
    if (!sampler) return;
    if (sampler->kind() == texturing::TextureKind::k3d) {
        s.solid = std::move(sampler);
        return;
    }
    auto image = std::make_shared<ViewTexture>();
    image->width = image->height = kViewTextureSize;
    if (texturing::sampleUvImage(*sampler, kViewTextureSize, image->rgba, &error))
        s.image = std::move(image);
}

}  // namespace

GroupShade shadeOfGroup(const KObject& group, bool withTextures) {
    GroupShade s;
    if (group.isNull()) return s;
    const KObject shader = shading::surfaceShaderOf(group);
    if (shader.isNull() || scene::attributeByName(shader, "color").isNull()) return s;
    const KVector c = scene::readVector(shader, "color");
    s.rgb[0] = static_cast<float>(c.x), s.rgb[1] = static_cast<float>(c.y),
    s.rgb[2] = static_cast<float>(c.z);
    if (!scene::attributeByName(shader, "transparency").isNull()) {
        const KVector t = scene::readVector(shader, "transparency");
        const double opacity = 1.0 - (t.x + t.y + t.z) / 3.0;
        // NaN falls to opaque: a picture with the face is better than one without it.
        s.opacity = opacity >= 0.0 ? static_cast<float>(std::min(opacity, 1.0)) : 0.0f;
        if (!(opacity == opacity)) s.opacity = 1.0f;
    }
    if (withTextures) textureShade(shader, s);
    return s;
}

std::vector<float> sampleVertexColors(const texturing::TextureSampler& sampler,
                                      const PolyMesh& mesh) {
    std::vector<float> points;
    points.reserve(mesh.points().size() * 3);
    for (const Vec3& p : mesh.points())
        points.insert(points.end(),
                      {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
    std::vector<float> rgb;
    std::string error;
    if (!texturing::samplePoints(sampler, points, rgb, &error)) rgb.clear();
    return rgb;
}

bool sameImage(const ViewTexture& a, const ViewTexture& b) {
    return a.width == b.width && a.height == b.height && a.rgba == b.rgba;
}

}  // namespace tarn::view
