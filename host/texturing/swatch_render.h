#pragma once
/// Rendering an existing texture node into 8-bit RGB pixels: the flat swatch the `tarn swatch`
/// job writes, and a lit sphere for 3D textures. Shared by the job and the textureSwatch
/// command so that both draw the same picture from the same settings.

#include <cstdint>
#include <string>
#include <vector>

#include "frame/k_object.h"

namespace tarn::texturing {

struct SwatchRender {
    int size = 256;         ///< width and height in pixels, 1 to 8192
    int threads = 0;        ///< 0: every core (one for a node that is not safe in parallel)
    float scale = 1.0f;     ///< 3D textures: half-width of the sampled region, > 0
    bool sphere = false;    ///< 3D textures only: a lit sphere of radius `scale` instead of a slice
    int tile = 1;           ///< flat pictures: the square shows tile x tile copies, 1 to size
    int samples = 1;        ///< flat pictures: each pixel averages samples x samples, 1 to 16
    const char* progressJob = nullptr;  ///< set: a progress line for this job on a terminal
};

/// Renders `node` (a 2D or 3D texture) into `rgb` (size * size * 3 bytes, rows top to bottom).
/// Flat: 2D textures over the unit UV square (v = 1 at the top), 3D textures on the z = 0
/// slice from -scale to scale, repeated tile x tile times; each pixel averages a regular grid
/// of samples x samples points, each with the filter size of its cell (tile / (size * samples);
/// 3D: 2 * scale times that). Sphere: the texture at the front surface points of a sphere of radius
/// `scale` seen along -z, shaded by a light from the upper left plus a little ambient, on a
/// dark background. The node's stored values are not changed; the result does not depend on
/// the thread count. False with `*error` when the node is no texture, a sphere is asked of a
/// 2D texture, or an evaluation failed. Main thread only (it runs the workers itself).
bool renderNodeSwatch(const KObject& node, const SwatchRender& options,
                      std::vector<std::uint8_t>* rgb, std::string* error);

}  // namespace tarn::texturing
