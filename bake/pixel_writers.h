#pragma once
/// The four pixel writers of the baker: each turns the interpolated attributes of one pixel into
/// RGBA bytes of an image laid out as pixel (x, y) at byte (x + y * width) * 4. Values become
/// bytes by truncation toward zero, keeping the low 8 bits; values that are not finite give 0.
/// The writers hold only the image pointer and width: cheap to copy, no allocation.

#include <cmath>
#include <cstdint>

#include "bake/scan_converter.h"

namespace bake {

/// Truncates to an integer and keeps its low 8 bits (so 256 gives 0, -1 gives 255).
inline std::uint8_t toByte(double value) {
    if (!(std::fabs(value) < 9.0e18)) return 0;
    return static_cast<std::uint8_t>(static_cast<long long>(value) & 0xFF);
}

struct PixelTarget {
    std::uint8_t* pixels;
    int width;

    std::uint8_t* at(int x, int y) const {
        return pixels + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)) *
                            4;
    }
};

/// Normalised positions: (x, y, z) x 255, alpha 255. Positions are clamped to 0..1 first, so a
/// point a rounding step outside the box does not wrap to the other end.
struct PositionWriter {
    PixelTarget target;
    void operator()(int x, int y, const double* a) const {
        std::uint8_t* p = target.at(x, y);
        p[0] = toByte(std::fmin(std::fmax(a[kX], 0.0), 1.0) * 255.0);
        p[1] = toByte(std::fmin(std::fmax(a[kY], 0.0), 1.0) * 255.0);
        p[2] = toByte(std::fmin(std::fmax(a[kZ], 0.0), 1.0) * 255.0);
        p[3] = 255;
    }
};

/// Directions (nx, ny, nz) normalised, each component c stored as (c + 1) x 127 + 0.5, alpha 255:
/// the zero vector reads 127.
struct VectorWriter {
    PixelTarget target;
    void operator()(int x, int y, const double* a) const {
        const double nx = a[kNx], ny = a[kNy], nz = a[kNz];
        const double squared = nx * nx + ny * ny + nz * nz;
        // Unit components give bytes in 0..254 directly; zero, infinite and undefined lengths
        // store the zero vector.
        std::uint8_t* p = target.at(x, y);
        p[3] = 255;
        if (!(squared > 0.0 && squared < HUGE_VAL)) {
            p[0] = p[1] = p[2] = 127;
            return;
        }
        const double scale = 127.0 / std::sqrt(squared);
        p[0] = static_cast<std::uint8_t>(int(nx * scale + 127.5));
        p[1] = static_cast<std::uint8_t>(int(ny * scale + 127.5));
        p[2] = static_cast<std::uint8_t>(int(nz * scale + 127.5));
    }
};

/// Colours (r, g, b, a), each limited to 0..1, x 255.
struct ColorWriter {
    PixelTarget target;
    void operator()(int x, int y, const double* a) const {
        std::uint8_t* p = target.at(x, y);
        for (int c = 0; c < 4; ++c)
            p[c] = toByte(std::fmax(std::fmin(a[kR + c], 1.0), 0.0) * 255.0);
    }
};

/// Texture coordinates: u x 255, v x 255, 0, 255.
struct UvWriter {
    PixelTarget target;
    void operator()(int x, int y, const double* a) const {
        std::uint8_t* p = target.at(x, y);
        p[0] = toByte(a[kU] * 255.0);
        p[1] = toByte(a[kV] * 255.0);
        p[2] = 0;
        p[3] = 255;
    }
};

}  // namespace bake
