#include "texture/streaks/streaks_pattern.h"

#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {

PatternResult streaksPattern(float u, float v, float fx, float fy, const StreaksParams& p) {
    if (p.frequency <= 0.0f || p.length <= 0.0f || p.octaves <= 0) return {p.backgroundColor, 0.0f};

    // Compress u by length to stretch the noise along u.
    const float xs = p.frequency * u / p.length;
    const float ys = p.frequency * v;

    // Whole octaves up to half the filter limit, then one partial octave.
    const float limit = 1.0f / filterWidth(fx, fy);
    float sum = 0.0f;
    float s = 1.0f;
    for (int o = 0; o < p.octaves; ++o) {
        if (limit * 0.5f <= s) break;
        sum = sum + noiseBand2(s * xs, s * ys) / s;
        s = s * 2.0f;
    }
    if (s < limit) {
        float k = limit / s - 1.0f;
        if (k >= 1.0f) k = 1.0f;
        sum = sum + k * noiseBand2(s * xs, s * ys) / s;
    }

    const float t = smoothStep(p.moreStreaks, 1.0f - p.moreSpace, sum);
    return {mixColor(p.streakColor, p.backgroundColor, t), t};
}

}  // namespace texture
