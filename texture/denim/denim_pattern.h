#pragma once
/// The denim twill weave: diagonal warp threads (vColor) crossing diagonal weft threads (uColor)
/// over a crease colour, with per-thread HSV variation and fractal stains.

#include "texture/common/rgb.h"

namespace texture {

/// The node's own inputs; member initialisers are the attribute defaults.
struct DenimParams {
    Rgb vColor{0.2f, 0.3f, 0.4f};
    Rgb uColor{0.5f, 0.6f, 0.9f};
    Rgb creaseColor{0.0f, 0.0f, 0.0f};
    Rgb stainColor{1.0f, 1.0f, 1.0f};
    float uFrequency = 43.0f;
    float uWidth = 0.4f;
    float vFrequency = 11.0f;
    float vWidth = 0.8f;
    float stainIntensity = 3.0f;
    float stainFrequency = 1.0f;
    float hueOffset = 10.0f;
    float saturationOffset = 0.2f;
    float brightnessOffset = 0.2f;
};

/// Colour and alpha of the weave at (u, v) with effective filter sizes (fx, fy) in UV units.
/// Alpha is 1 on a thread and 0 in a crease. Thread-safe, allocation-free.
PatternResult denimPattern(float u, float v, float fx, float fy, const DenimParams& p);

}  // namespace texture
