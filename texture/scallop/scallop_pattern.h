#pragma once
/// Overlapping shell shapes tiling UV: in each cell (every other row shifted by half a cell) a
/// crescent, a disc minus the same disc moved up by `width`, with soft rims. No noise.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct ScallopParams {
    Rgb backgroundColor{1.0f, 1.0f, 1.0f};
    Rgb scallopColor{0.0f, 0.0f, 0.5f};
    float uFrequency = 6.0f;
    float vFrequency = 6.0f;
    float radius = 0.5f;
    float width = 0.2f;
    float edgeFalloff = 0.3f;
};

/// Colour and alpha (crescent coverage, [0, 1]) at (u, v); mirrored across u = 0 and v = 0.
/// The filter size is not used. Thread-safe, allocation-free.
PatternResult scallopPattern(float u, float v, const ScallopParams& p);

}  // namespace texture
