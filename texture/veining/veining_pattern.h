#pragma once
/// Thin branching veins through a solid: each octave of 3D noise contributes a vein where it
/// crosses zero, finer octaves only close to the veins of the coarser ones.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct VeiningParams {
    Rgb veinColor{1.0f, 0.2f, 0.0f};
    Rgb backgroundColor{1.0f, 1.0f, 1.0f};
    int octaves = 4;
    float frequency = 5.0f;
    float veinWidth = 0.2f;
    float veinDepth = 20.0f;
    float veinFalloff = 0.1f;
};

/// Colour and alpha (vein coverage, [0, 1]) at placement-space point (x, y, z).
/// Thread-safe, allocation-free.
PatternResult veiningPattern(float x, float y, float z, const VeiningParams& p);

}  // namespace texture
