#pragma once
/// Rust patches over metal: a filtered turbulence sum of 3D noise, folded into a unit interval
/// and shaped by a smooth step, with biases towards metal or rust and a contrast control.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct CorrosionParams {
    Rgb metalColor{1.0f, 1.0f, 1.0f};
    Rgb rustColor{0.3f, 0.0f, 0.0f};
    int octaves = 5;
    float turbulence = 0.7f;
    float contrast = 0.0f;
    float moreRust = 0.0f;
    float moreMetal = 0.0f;
};

/// Filtered turbulence sum at (x, y, z): whole octaves while the frequency stays below half the
/// noise cells per filter footprint, then one partial octave. Thread-safe.
float corrosionSum(float x, float y, float z, float fx, float fy, int octaves, float turbulence);

/// Folds a turbulence sum into (-1, 1) and shapes it into the rust amount [0, 1] with the
/// moreMetal, moreRust and contrast controls, in that order.
float corrosionShape(float sum, const CorrosionParams& p);

/// Colour and alpha (rust amount, [0, 1]) at placement-space point (x, y, z) with effective
/// filter sizes (fx, fy). Thread-safe, allocation-free.
PatternResult corrosionPattern(float x, float y, float z, float fx, float fy,
                               const CorrosionParams& p);

}  // namespace texture
