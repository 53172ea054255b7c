#include "texture/veining/veining_pattern.h"

#include <cmath>

#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {

PatternResult veiningPattern(float x, float y, float z, const VeiningParams& p) {
    PatternResult r{p.backgroundColor, 0.0f};
    if (!(p.octaves > 0 && p.frequency > 0.0f && p.veinWidth > 0.0f)) return r;

    const float e1 = 1.0f - p.veinWidth;
    float e0 = e1 * p.veinFalloff;
    if (static_cast<double>(e0) < 1e-6) e0 = static_cast<float>(1e-6);

    float f = p.frequency;
    float g = 1.0f;
    float a = 0.0f;
    for (int i = 0; i < p.octaves; ++i) {
        const float aBefore = a, gBefore = g;
        // Vein where this octave's noise crosses zero, admitted near coarser veins only.
        const float n = noise3(x * f, y * f, z * f + f * p.veinDepth);
        const float rr = static_cast<float>(1.0 - std::fabs(static_cast<double>(n)));
        const float s1 = std::pow(smoothStep(e1, 1.0f, rr), 10.0f);
        const float s2 = smoothStep(e0, e1, g * g);
        a = a + (1.0f - a) * s1 * s2;
        g = g * rr;
        // Note: once a is 1 every later octave adds exactly 0; stop early with the same result.
        if (a == 1.0f) break;
        // Note: once f has overflowed every octave samples the same noise, so an octave that
        // changes neither a nor g is repeated unchanged by all the rest (a huge octave count
        // would otherwise cost seconds per sample for nothing).
        if (std::isinf(f) && a == aBefore && g == gBefore) break;
        f = f * 2.0f;
    }
    r.color = mixColor(p.backgroundColor, p.veinColor, a);
    r.alpha = a;
    return r;
}

}  // namespace texture
