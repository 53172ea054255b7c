#pragma once
/// Soft round spots over a background in several size levels; each level doubles the grid's cell
/// count, a noise test decides per cell whether it holds a spot and noise places it.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct FrecklesParams {
    Rgb backgroundColor{1.0f, 1.0f, 1.0f};
    Rgb frecklesColor{0.0f, 0.0f, 0.0f};
    float uFrequency = 1.0f;
    float vFrequency = 1.0f;
    float uOffset = 0.05f;
    float vOffset = 0.05f;
    float maxRadius = 0.1f;
    float frecklesSizeRate = 0.0f;
    float seedValue = 0.0f;
    int numberOfSizes = 8;
    float percentage = 0.5f;
    float edgeFalloff = 0.1f;
    bool uniformFalloff = true;
};

/// Colour and alpha (spot coverage, [0, 1]) at (u, v). The filter size is not used.
/// Thread-safe, allocation-free.
PatternResult frecklesPattern(float u, float v, const FrecklesParams& p);

}  // namespace texture
