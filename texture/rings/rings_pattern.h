#pragma once
/// Soft-edged rings of several sizes scattered over UV: each size level lays a grid, a noise test
/// decides per cell whether it holds a ring, and noise places the ring inside its cell.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct RingsParams {
    Rgb backgroundColor{0.0f, 0.0f, 0.0f};
    Rgb ringColor{1.0f, 1.0f, 1.0f};
    int numberOfSizes = 10;
    float percentage = 0.45f;
    float maxRadius = 0.1f;
    float ringSizeRate = 0.0f;
    float seedValue = 0.0f;
    float maxWidth = 0.02f;
    bool uniformWidth = true;
    float uFrequency = 1.0f;
    float vFrequency = 1.0f;
    float uOffset = 0.1f;
    float vOffset = 0.1f;
    float edgeFalloff = 0.5f;
    bool uniformFalloff = true;
};

/// Colour and alpha (the unclamped ring coverage) at (u, v). The filter size is not used.
/// Thread-safe, allocation-free.
PatternResult ringsPattern(float u, float v, const RingsParams& p);

}  // namespace texture
