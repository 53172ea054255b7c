#include "texture/freckles/freckles_pattern.h"

#include <cmath>

#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {

PatternResult frecklesPattern(float u, float v, const FrecklesParams& p) {
    PatternResult r{p.backgroundColor, 0.0f};
    if (p.maxRadius <= 0.0f || p.numberOfSizes <= 0) return r;

    float baseFall = p.maxRadius * p.edgeFalloff;
    if (static_cast<double>(baseFall) < 1e-6) baseFall = static_cast<float>(1e-6);
    float threshold = 1.0f - clampValue(p.percentage, 0.0f, 1.0f);

    // One offset limit for all levels, from maxRadius.
    const float limit = 0.5f - p.maxRadius;
    const float ou = p.uOffset < limit ? p.uOffset : limit;
    const float ov = p.vOffset < limit ? p.vOffset : limit;

    float scale = 1.0f;
    float su = u * p.uFrequency;
    float sv = p.vFrequency * v;
    for (int i = 1; i <= p.numberOfSizes; ++i) {
        // Note: presence values never exceed 1; from threshold 1 on no level paints a spot.
        if (threshold >= 1.0f) break;
        // Note: each level doubles the grid; past level 128 its coordinates and size factor
        // overflow a float, and such a level has no cell or size left to paint with.
        if (!std::isfinite(scale) || !std::isfinite(su) || !std::isfinite(sv)) break;
        float spot = 0.0f;

        // Cell and level values decide presence and placement.
        const float n =
            unitFromNoise(noise2(std::floor(su) * 10.0f + 0.5f, std::floor(sv) * 10.0f + 0.5f));
        const float c = bandCurve(n);
        const float h = noiseBand1(static_cast<float>(i) * 10.0f + 0.5f) * c + p.seedValue;

        if (noiseBand1(h * 2963.0f) > threshold) {
            const float cx =
                noiseBand1(h * 5231.0f) * (2.0f * ou) - ou + std::fmod(su, 1.0f) - 0.5f;
            const float cy =
                noiseBand1(h * 4787.0f) * (2.0f * ov) - ov + std::fmod(sv, 1.0f) - 0.5f;
            const float d = std::sqrt(cx * cx + cy * cy);
            const float denom = (1.0f - p.frecklesSizeRate) + p.frecklesSizeRate * scale;
            // A size law whose denominator is 0 makes an infinite spot, which covers the cell
            // under a uniform falloff (smoothStep(inf, inf, d) = 0).
            const float k = 1.0f / denom;
            const float R = k * p.maxRadius;
            const float fall = p.uniformFalloff ? baseFall : k * baseFall;
            spot = 1.0f - smoothStep(R - fall, R, d);
            // Note: an infinite spot with an infinite falloff has no edge (inf - inf); such a
            // level paints nothing instead of turning the colour NaN.
            if (std::isnan(spot)) spot = 0.0f;
        }

        // Later levels paint over earlier ones.
        r.color = mixColor(r.color, p.frecklesColor, spot);
        r.alpha = mixValue(r.alpha, 1.0f, spot);

        threshold =
            threshold + threshold / static_cast<float>(static_cast<long long>(p.numberOfSizes) + 1);
        scale = scale * 2.0f;
        su = su * 2.0f;
        sv = sv * 2.0f;
    }
    return r;
}

}  // namespace texture
