#include "texture/denim/denim_pattern.h"

#include <cmath>

#include "texture/common/hsv.h"
#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

constexpr double kPi = 3.14159265358979323846;

// sqrt(|sin(pi * x)|), with pi * x formed in double and rounded to single before the sine.
float threadWave(float x) {
    const float arg = static_cast<float>(kPi * static_cast<double>(x));
    return std::sqrt(std::fabs(std::sin(arg)));
}

// The four mixes that lay a thread of `thread` colour over the crease with profiles m and h.
PatternResult crossThreads(const Rgb& crease, const Rgb& thread, float m, float h) {
    PatternResult r;
    Rgb c = mixColor(crease, thread, m);
    c = mixColor(c, crease, 1.0f - m);
    c = mixColor(crease, c, h);
    r.color = mixColor(c, crease, 1.0f - h);
    float x = mixValue(0.0f, 1.0f, m);
    x = mixValue(x, 0.0f, 1.0f - m);
    x = mixValue(0.0f, x, h);
    r.alpha = mixValue(x, 0.0f, 1.0f - h);
    return r;
}

}  // namespace

PatternResult denimPattern(float u, float v, float fx, float fy, const DenimParams& p) {
    // Degenerate weave: flat warp colour.
    if (p.vFrequency <= 0.0f || p.uFrequency <= 0.0f || p.vWidth <= 0.0f || p.uWidth <= 0.0f)
        return {p.vColor, 0.0f};

    // Diagonal coordinates, every other warp row shifted by half a thread.
    const float a = (u + v) * p.uFrequency;
    float b = (u - v) * p.vFrequency;
    const float ia = std::floor(a);
    const bool even = std::fmod(ia, 2.0f) == 0.0f;
    if (even) b = b + 0.5f;
    const float ib = std::floor(b);

    // Thread profiles; both use vWidth.
    const float e = 1.0f - p.vWidth;
    const float m = smoothStep(e, 1.0f, threadWave(a));
    const float l = smoothStep(e, 1.0f, threadWave(b));

    PatternResult r = crossThreads(p.creaseColor, p.vColor, m, l);

    // Weft threads replace the warp on even rows where iw leaves remainder 2 modulo 4.
    const float w = std::fabs(v - u) * p.uFrequency + 0.5f;
    const float iw = std::floor(w);
    if (even && std::fmod(iw * 0.5f, 2.0f) == 1.0f) {
        const float h = smoothStep(1.0f - p.uWidth, 1.0f, threadWave(w));
        r = crossThreads(p.creaseColor, p.uColor, m, h);
    }

    // Per-thread hue, saturation and brightness variation.
    if (p.hueOffset != 0.0f || p.saturationOffset != 0.0f || p.brightnessOffset != 0.0f) {
        const float q = std::atan2(ia, ib);
        const float q2 = q * q;
        const float hueShift = noise3(a, b, 3.0f) * (q2 * p.hueOffset);
        const float saturationShift = noise3(a, b, 1.0f) * (q2 * p.saturationOffset);
        const float brightnessShift = noise3(b, a, 5.0f) * (q2 * p.brightnessOffset);
        r.color = adjustHsv(r.color, hueShift, saturationShift, brightnessShift);
    }

    // Fractal stains tint the colour; alpha is unchanged.
    if (p.stainIntensity > 0.0f && p.stainFrequency > 0.0f) {
        const float width = filterWidth(fx, fy);
        const float sf = p.stainFrequency;
        const float n = std::fabs(fractalNoise3(u * sf, v * sf, 1.0f * sf, width, 4, 2.17f, 0.59f));
        const float s = smoothStep(0.0f, 1.0f, n);
        const Rgb tint =
            mixColor({1.0f, 1.0f, 1.0f}, scaleColor(p.stainColor, p.stainIntensity), s);
        r.color = multiplyColor(r.color, tint);
    }
    return r;
}

}  // namespace texture
