#pragma once
/// Bark: plates of bark colour between a grid of filtered, noise-wobbled furrows, with optional
/// fractal mottling, per-plate HSV variation and ragged furrow edges revealing a crack colour.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct TreeBarkParams {
    Rgb barkColor{0.6f, 0.3f, 0.1f};
    Rgb mottleColor{0.2f, 0.03f, 0.0f};
    Rgb furrowColor{0.12f, 0.03f, 0.0f};
    Rgb crackColor{0.0f, 0.0f, 0.0f};
    float frequency = 1.0f;
    float uWidth = 8.0f;
    float vWidth = 2.0f;
    float hueOffset = 0.0f;
    float saturationOffset = 0.0f;
    float brightnessOffset = 0.0f;
    bool mottling = true;
    float mottleFrequency = 5.0f;
    float furrowWidth = 0.2f;
    bool edgeVariation = true;
    float edgeFrequency = 5.0f;
};

/// Colour and alpha of the bark at (u, v) with effective filter sizes (fx, fy). Alpha grows with
/// plate coverage, mottling and cracks (up to about 1.67). Thread-safe, allocation-free.
PatternResult treeBarkPattern(float u, float v, float fx, float fy, const TreeBarkParams& p);

}  // namespace texture
