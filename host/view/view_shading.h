#pragma once
/// How the view colours the faces of a shading group: the surface shader's colour, or the
/// texture that drives it (a 2D texture node sampled over the UV square, a `file` node's
/// image, or a 3D texture sampled at the mesh's points). Shared by the scene's gathers.
/// Main thread only.

#include <memory>
#include <vector>

#include "frame/k_object.h"
#include "host/mesh/poly_mesh.h"
#include "host/view/draw_scene.h"

namespace tarn::texturing {
class TextureSampler;
}

namespace tarn::view {

/// Grey of faces without a shading group or shader colour.
inline constexpr float kNoShaderGrey = 0.5f;

struct GroupShade {
    float rgb[3] = {kNoShaderGrey, kNoShaderGrey, kNoShaderGrey};
    /// 1 - the mean of the shader's `transparency` (1 for a shader without one), 0 to 1.
    float opacity = 1.0f;
    TextureRef image;  ///< a 2D texture or file image drawn at the faces' UVs
    std::shared_ptr<texturing::TextureSampler> solid;  ///< a 3D texture, sampled per vertex
};

/// The shade of a shading group (null: the grey of no group). Without `withTextures` only the
/// colour is read. A texture that cannot be sampled or read leaves the colour.
GroupShade shadeOfGroup(const KObject& group, bool withTextures);

/// A 3D texture's colour at every point of `mesh` in object space (3 floats a vertex); empty
/// when sampling fails.
std::vector<float> sampleVertexColors(const texturing::TextureSampler& sampler,
                                      const PolyMesh& mesh);

/// True when two images hold the same pixels.
bool sameImage(const ViewTexture& a, const ViewTexture& b);

}  // namespace tarn::view
