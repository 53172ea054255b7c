#pragma once
/// Textures turned into plain colours for pictures and exports: a 2D texture sampled over the
/// UV square into an image, a 3D texture at points, and a texture's mean colour. Everything
/// goes through TextureSampler, the path `sampleTexture` and swatches use.

#include <cstdint>
#include <string>
#include <vector>

#include "frame/k_object.h"
#include "host/texturing/texture_sampler.h"

namespace tarn::texturing {

/// The node whose output drives `shader`'s `color` (the first connection into it); null when
/// the colour is not connected. Main thread only.
KObject colorSourceOf(const KObject& shader);

/// Samples a 2D texture over the unit UV square into `size` x `size` RGBA bytes (alpha 255),
/// row 0 at the smallest v: pixel (i, j) is the sample at ((i + 0.5) / size, (j + 0.5) / size)
/// with filter size 1 / size. Parallel when the node is safe for it. False with `*error` when
/// an evaluation fails. `size` in 1..4096.
bool sampleUvImage(const TextureSampler& sampler, int size, std::vector<std::uint8_t>& rgba,
                   std::string* error);

/// Samples a 3D texture at object-space points (x, y, z triples, the node's own placement
/// applied), three floats per point into `rgb`. Parallel when the node is safe for it. False
/// with `*error` when an evaluation fails.
bool samplePoints(const TextureSampler& sampler, const std::vector<float>& points,
                  std::vector<float>& rgb, std::string* error);

/// The mean outColor of a texture: a 2D one over the centres of a `grid` x `grid` division of
/// the UV square, a 3D one over a `grid`^3 lattice of cell centres in the cube [-1, 1]^3 (object
/// space). False with `*error` when an evaluation fails. `grid` in 1..64.
bool averageColor(const TextureSampler& sampler, int grid, float out[3], std::string* error);

}  // namespace tarn::texturing
