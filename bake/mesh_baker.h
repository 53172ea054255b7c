#pragma once
/// Baking one mesh: the selected faces of a mesh drawn into an RGBA image laid out in the mesh's
/// UV space, with one per-vertex attribute as the colour. Main thread only (reads the scene).

#include <string>

#include "bake/bake_settings.h"
#include "frame/k_image.h"
#include "frame/k_object.h"
#include "frame/k_scene.h"

namespace bake {

/// The UV range of a mesh's current UV set, and the scales that map it onto the image.
struct UvRange {
    double umin = 0.0, umax = 0.0, vmin = 0.0, vmax = 0.0;
    double su = 1.0, sv = 1.0;  ///< 1 / (umax - umin), 1 / (vmax - vmin)
};

enum class BakeOutcome {
    kBaked,
    kNotAMesh,  ///< the path leads to no polygon mesh
    kNoUVs,     ///< the current UV set holds no UVs
    kFlatUVs,   ///< the UVs span no area (or are not finite): nothing could be mapped
};

struct MeshBake {
    BakeOutcome outcome = BakeOutcome::kNotAMesh;
    UvRange uv;
    int polygonsDrawn = 0;
};

/// Creates `image` (settings.width x settings.height, 4 channels), fills it with the background
/// colour and draws every face of `path` (or of `component`, when it is a face component) that
/// has UVs. `settings` must hold sizes of 2..kMaxBakeSide. The image is filled even when the
/// outcome is not kBaked.
MeshBake bakeMesh(const KDagPath& path, const KObject& component, const BakeSettings& settings,
                  KImage& image);

}  // namespace bake
