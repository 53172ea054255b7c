#pragma once
/// Hard-edged paint blobs of several sizes: thresholded 2D noise tested at halving frequencies.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct SplatterParams {
    Rgb backgroundColor{0.0f, 0.0f, 0.0f};
    Rgb splatterColor{1.0f, 1.0f, 1.0f};
    int numberOfSizes = 5;
    float minDiameter = 0.01f;
    float threshold = 0.7f;
};

/// Colour and alpha (exactly 0 or 1) at (u, v). The filter size is not used.
/// Thread-safe, allocation-free.
PatternResult splatterPattern(float u, float v, const SplatterParams& p);

}  // namespace texture
