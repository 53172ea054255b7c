#include "texture/rings/rings_pattern.h"

#include <cmath>

#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {

PatternResult ringsPattern(float u, float v, const RingsParams& p) {
    if (p.maxRadius <= 0.0f || p.maxWidth <= 0.0f || p.numberOfSizes <= 0)
        return {p.backgroundColor, 0.0f};

    float threshold = 1.0f - clampValue(p.percentage, 0.0f, 1.0f);
    float baseFall = p.maxWidth * p.edgeFalloff;
    if (static_cast<double>(baseFall) < 1e-6) baseFall = static_cast<float>(1e-6);
    float coverage = 0.0f;
    float scale = 1.0f;

    for (int i = 1; i <= p.numberOfSizes; ++i) {
        // Note: no presence value exceeds 1, so once threshold reaches 1 no later level can
        // add a ring; stopping there gives the same result without the remaining levels.
        if (threshold >= 1.0f) break;

        // Ring size of this level.
        const float fi = static_cast<float>(i);
        // Note: scale (2 to the power i - 1) overflows to infinity past level 128; a rate of 0
        // still means sizes 1 / i there, where 0 * infinity would make every later value NaN.
        const float growth = p.ringSizeRate != 0.0f ? p.ringSizeRate * scale : 0.0f;
        const float denom = (1.0f - p.ringSizeRate) * fi + growth;
        const float k = 1.0f / denom;
        const float R = k * p.maxRadius;
        const float W = p.uniformWidth ? p.maxWidth : k * p.maxWidth;
        const float fall = p.uniformFalloff ? baseFall : k * baseFall;

        // Grid coordinates and the largest offset that keeps the ring in its cell.
        const float su = u * p.uFrequency * fi;
        const float sv = p.vFrequency * v * fi;
        const float limit = 0.5f - R;
        const float ou = p.uOffset < limit ? p.uOffset : limit;
        const float ov = p.vOffset < limit ? p.vOffset : limit;

        // Cell and level values decide presence and placement.
        const float n =
            unitFromNoise(noise2(std::floor(su) * 10.0f + 0.5f, std::floor(sv) * 10.0f + 0.5f));
        const float c = bandCurve(n);
        const float h = noiseBand1(fi * 10.0f + 0.5f) * c + p.seedValue;

        // Note: a size law whose denominator is 0 has no finite ring; such a level adds nothing.
        if (denom != 0.0f && noiseBand1(h * 967.5f) > threshold) {
            const float cx = noiseBand1(h * 853.5f) * (2.0f * ou) - ou + std::fmod(su, 1.0f) - 0.5f;
            const float cy = noiseBand1(h * 769.5f) * (2.0f * ov) - ov + std::fmod(sv, 1.0f) - 0.5f;
            const float d = std::sqrt(cx * cx + cy * cy);
            const float outer = R - W;
            const float a = smoothStep(outer - fall, outer, d);
            const float b = smoothStep(R - fall, R, d);
            // Note: an infinite falloff (maxWidth * edgeFalloff overflowing) leaves no finite
            // edge; such a ring adds nothing instead of turning the colour NaN.
            const float ring = a - b;
            if (!std::isnan(ring)) coverage = coverage + ring;
        }

        threshold =
            threshold + threshold / static_cast<float>(static_cast<long long>(p.numberOfSizes) + 1);
        if (static_cast<double>(W) < 1e-6) break;
        scale = scale * 2.0f;
    }
    return {mixColor(p.backgroundColor, p.ringColor, coverage), coverage};
}

}  // namespace texture
