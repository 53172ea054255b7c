#pragma once
/// The image of a `file` texture node, sampled the way the view shows it on faces: row 0 of the
/// picture at v = 1 (the file's top row up), bilinear between pixel centres, repeating outside
/// the unit square. Thread safe once loaded (read only).

#include <cstdint>
#include <string>
#include <vector>

#include "frame/k_object.h"

namespace tarn::texturing {

struct SampleValue;

class FileTexture {
public:
    /// Reads the image the node's fileTextureName names through the host's image reader. False
    /// with the reason (no name set, or why the file cannot be read) in `*error`.
    static bool load(const KObject& node, FileTexture& out, std::string* error);

    /// outColor (grey images give R = G = B) and outAlpha (1 without an alpha channel), in 0..1,
    /// at (u, v). Non-finite coordinates give the pixel at (0, 0). No allocation.
    void sample(float u, float v, SampleValue* out) const;

    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width = 0;
    int m_height = 0;
    int m_channels = 0;
    std::vector<std::uint8_t> m_pixels;  ///< top row first, as the file stores them
};

}  // namespace tarn::texturing
