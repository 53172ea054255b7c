#pragma once
/// The software rasteriser the view used before it drew with OpenGL: the benchmark's baseline.

#include "host/view/snapshot_renderer.h"

namespace tarn::view::baseline {

/// Renders like tarn::view::renderView, on the CPU.
RgbImage renderViewSoftware(const ViewCamera& camera, const std::vector<ViewTriangle>& triangles,
                            const std::vector<ViewEdge>& edges, const RenderOptions& options);

}  // namespace tarn::view::baseline
