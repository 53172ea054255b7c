#include "texture/splatter/splatter_pattern.h"

#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {

PatternResult splatterPattern(float u, float v, const SplatterParams& p) {
    PatternResult r{p.backgroundColor, 0.0f};
    float d = p.minDiameter;
    if (d < 1e-6f) d = 1e-5f;
    if (!(p.numberOfSizes > 0 && p.threshold >= 0.0f)) return r;

    // Smallest blobs first; each further size halves the frequency.
    float f = 1.0f / d;
    for (int k = 0; k < p.numberOfSizes; ++k) {
        if (unitFromNoise(noise2(f * u, f * v)) > p.threshold) {
            r.alpha = 1.0f;
            break;
        }
        // Note: once f has underflowed to 0 every further test repeats the one just made.
        if (f == 0.0f) break;
        f = static_cast<float>(static_cast<double>(f) * 0.5);
    }
    r.color = mixColor(p.backgroundColor, p.splatterColor, r.alpha);
    return r;
}

}  // namespace texture
