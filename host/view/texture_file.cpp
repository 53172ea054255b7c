// Image files shown as textures in the view, read through the host's one image reader.
#include <algorithm>

#include "host/image/image_file.h"
#include "host/view/view_scene.h"

namespace tarn::view {

namespace {

constexpr int kMaxTextureSide = 2048;  // larger images are reduced by point sampling

}  // namespace

bool loadTextureFile(const std::string& path, ViewTexture& out, std::string* error) {
    // The reader checks the size a header claims before anything is allocated from it.
    image::Image file;
    if (!image::readImage(path, file, error)) return false;
    const int w = file.width, h = file.height, channels = file.channels;
    if (w < 1 || h < 1 || channels < 1 || channels > 4) {
        *error = path + ": not a readable image";
        return false;
    }
    // Reduce large images, flip the rows so row 0 is the bottom (v = 0), and expand to RGBA.
    const int ow = std::min(w, kMaxTextureSide), oh = std::min(h, kMaxTextureSide);
    out.width = ow;
    out.height = oh;
    out.rgba.resize(static_cast<size_t>(ow) * oh * 4);
    for (int y = 0; y < oh; ++y) {
        const int sy = static_cast<int>((static_cast<long long>(y) * h) / oh);
        const std::uint8_t* src =
            file.pixels.data() + static_cast<size_t>(h - 1 - sy) * w * channels;
        std::uint8_t* dst = out.rgba.data() + static_cast<size_t>(y) * ow * 4;
        for (int x = 0; x < ow; ++x) {
            const std::uint8_t* p =
                src + static_cast<size_t>((static_cast<long long>(x) * w) / ow) * channels;
            std::uint8_t* q = dst + x * 4;
            if (channels >= 3) {
                q[0] = p[0], q[1] = p[1], q[2] = p[2];
            } else {
                q[0] = q[1] = q[2] = p[0];  // grey
            }
            q[3] = (channels == 2 || channels == 4) ? p[channels - 1] : 255;
        }
    }
    return true;
}

}  // namespace tarn::view
