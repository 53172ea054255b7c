#pragma once
/// Thin streaks stretched along u: a band-limited sum of banded 2D noise octaves over coordinates
/// compressed in u, thresholded into streak and background.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct StreaksParams {
    Rgb backgroundColor{1.0f, 1.0f, 1.0f};
    Rgb streakColor{0.0f, 0.0f, 0.0f};
    float frequency = 50.0f;
    float length = 200.0f;
    int octaves = 6;
    float moreStreaks = 0.0f;
    float moreSpace = 0.0f;
};

/// Colour and alpha (1 on background, 0 on a streak) at (u, v) with effective filter sizes
/// (fx, fy); octaves stop at the filter width. Thread-safe, allocation-free.
PatternResult streaksPattern(float u, float v, float fx, float fy, const StreaksParams& p);

}  // namespace texture
