#include "texture/corrosion/corrosion_pattern.h"

#include <cmath>

#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {

float corrosionSum(float x, float y, float z, float fx, float fy, int octaves, float turbulence) {
    // Noise cells per filter footprint bound the octaves.
    const float A = 1.0f / filterWidth(fx, fy);
    float freq = 1.0f;
    float amp = 1.0f;
    float sum = 0.0f;
    for (int i = 0; i < octaves && 0.5f * A > freq; ++i) {
        sum += noise3(x * freq, y * freq, z * freq) * amp;
        freq = freq * 2.0f;
        amp = amp * turbulence;
    }
    // Partial octave at the frequency and amplitude the loop stopped at.
    if (A > freq) {
        float f = A / freq - 1.0f;
        if (f > 1.0f) f = 1.0f;
        sum += noise3(x * freq, y * freq, z * freq) * f * amp;
    }
    return sum;
}

float corrosionShape(float sum, const CorrosionParams& p) {
    // Note: a sum that overflowed (a huge turbulence) has no remainder; like every float past
    // 2^24, which is whole, it folds to 0 instead of turning the colour NaN.
    const float e = std::isfinite(sum) ? std::fmod(sum, 1.0f) : 0.0f;
    float v = smoothStep(-0.5f, 0.5f, e);
    if (p.moreMetal > 0.0f) v = smoothStep(p.moreMetal, 1.0f, v);
    if (p.moreRust > 0.0f) v = smoothStep(0.0f, 1.0f - p.moreRust, v);
    if (p.contrast > 0.0f) {
        if (v > 0.5f)
            v = std::pow(v, 1.0f - p.contrast);
        else if (v < 0.5f)
            v = std::pow(v, 1.0f + p.contrast);
    }
    return v;
}

PatternResult corrosionPattern(float x, float y, float z, float fx, float fy,
                               const CorrosionParams& p) {
    if (!(p.octaves > 0 && p.turbulence > 0.0f)) return {p.metalColor, 0.0f};
    const float v = corrosionShape(corrosionSum(x, y, z, fx, fy, p.octaves, p.turbulence), p);
    return {mixColor(p.metalColor, p.rustColor, v), v};
}

}  // namespace texture
