// Image files shown as textures in the view.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "host/view/view_scene.h"

// The decoder's functions are static, so no clash with other copies in the host.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO_ERRORS
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace tarn::view {

namespace {

constexpr int kMaxFileSide = 16384;  // larger images are refused before decoding
constexpr int kMaxTextureSide = 2048;

}  // namespace

bool loadTextureFile(const std::string& path, ViewTexture& out, std::string* error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    // Check the size the header claims before anything is allocated from it.
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_file(file.get(), &w, &h, &channels) || w < 1 || h < 1 || w > kMaxFileSide ||
        h > kMaxFileSide) {
        *error = path + ": not a readable image of at most " + std::to_string(kMaxFileSide) +
                 " pixels a side";
        return false;
    }
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_file(file.get(), &w, &h, &channels, 4), &stbi_image_free);
    if (!pixels) {
        *error = path + ": " + stbi_failure_reason();
        return false;
    }
    // Reduce large images by point sampling, and flip the rows so row 0 is the bottom (v = 0).
    const int ow = std::min(w, kMaxTextureSide), oh = std::min(h, kMaxTextureSide);
    out.width = ow;
    out.height = oh;
    out.rgba.resize(static_cast<size_t>(ow) * oh * 4);
    for (int y = 0; y < oh; ++y) {
        const int sy = static_cast<int>((static_cast<long long>(y) * h) / oh);
        const stbi_uc* src = pixels.get() + static_cast<size_t>(h - 1 - sy) * w * 4;
        std::uint8_t* dst = out.rgba.data() + static_cast<size_t>(y) * ow * 4;
        for (int x = 0; x < ow; ++x) {
            const int sx = static_cast<int>((static_cast<long long>(x) * w) / ow);
            std::copy(src + sx * 4, src + sx * 4 + 4, dst + x * 4);
        }
    }
    return true;
}

}  // namespace tarn::view
