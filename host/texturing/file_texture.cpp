#include "host/texturing/file_texture.h"

#include <cmath>

#include "host/dg/graph.h"
#include "host/image/image_file.h"
#include "host/scene/node_access.h"
#include "host/texturing/texture_sampler.h"

namespace tarn::texturing {

namespace {

// Pixel index of a wrapped coordinate: x in pixel units, repeating every `size` pixels.
int wrap(long long x, int size) {
    const long long m = x % size;
    return static_cast<int>(m < 0 ? m + size : m);
}

}  // namespace

bool FileTexture::load(const KObject& node, FileTexture& out, std::string* error) {
    const KPlug plug = scene::plugByName(node, "fileTextureName");
    KStatus status;
    const KDataHandle h = Graph::instance().readHandle(plug, &status);
    if (plug.isNull() || status.error() || h.isNull()) {
        *error = "it has no fileTextureName";
        return false;
    }
    const std::string path = h.asString().str();
    if (path.empty()) {
        *error = "no image file is set (fileTextureName is empty)";
        return false;
    }
    image::Image picture;
    if (!image::readImage(path, picture, error)) return false;
    out.m_width = picture.width;
    out.m_height = picture.height;
    out.m_channels = picture.channels;
    out.m_pixels = std::move(picture.pixels);
    return true;
}

void FileTexture::sample(float u, float v, SampleValue* out) const {
    // Pixel (i, j) of the picture as shown (j from the bottom) has its centre at
    // ((i + 0.5) / width, (j + 0.5) / height).
    const double x = std::isfinite(u) ? double(u) * m_width - 0.5 : 0.0;
    const double y = std::isfinite(v) ? double(v) * m_height - 0.5 : 0.0;
    const double x0 = std::floor(x), y0 = std::floor(y);
    const double fx = x - x0, fy = y - y0;
    // Coordinates far outside the square wrap like near ones; the range keeps the cast defined.
    const long long ix = static_cast<long long>(std::fmod(x0, 1e15));
    const long long iy = static_cast<long long>(std::fmod(y0, 1e15));
    float acc[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            const double w = (dx ? fx : 1.0 - fx) * (dy ? fy : 1.0 - fy);
            const int px = wrap(ix + dx, m_width);
            const int row = m_height - 1 - wrap(iy + dy, m_height);
            const std::uint8_t* p =
                m_pixels.data() + (static_cast<std::size_t>(row) * m_width + px) *
                                      static_cast<std::size_t>(m_channels);
            const bool grey = m_channels < 3;
            const int alpha = m_channels == 2 ? p[1] : m_channels == 4 ? p[3] : 255;
            const int rgba[4] = {p[0], grey ? p[0] : p[1], grey ? p[0] : p[2], alpha};
            for (int c = 0; c < 4; ++c) acc[c] += static_cast<float>(w * rgba[c]);
        }
    out->r = acc[0] / 255.0f;
    out->g = acc[1] / 255.0f;
    out->b = acc[2] / 255.0f;
    out->a = acc[3] / 255.0f;
}

}  // namespace tarn::texturing
