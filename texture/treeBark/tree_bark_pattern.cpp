#include "texture/treeBark/tree_bark_pattern.h"

#include <cmath>

#include "texture/common/hsv.h"
#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

// (noise2 + 1) * 0.5 - 0.5: the unit noise (formed in double, rounded to single) recentred on
// 0 in single precision.
float centredNoise(float x, float y) {
    return unitNoise2(x, y) - 0.5f;
}

}  // namespace

PatternResult treeBarkPattern(float u, float v, float fx, float fy, const TreeBarkParams& p) {
    if (p.frequency <= 0.0f) return {p.barkColor, 0.0f};

    const float width = filterWidth(fx, fy);
    Rgb bark = p.barkColor;
    Rgb furrow = p.furrowColor;
    float alpha = 0.0f;

    // Skewed grid coordinates, wobbled by 1D noise.
    const float s = (u * p.uWidth - v) * p.frequency;
    const float t = (v * p.vWidth + u) * p.frequency;
    const float X = noise1(t) + s;
    const float Y = noise1(s) + t;

    // Plate value: constant over a plate.
    const float q = std::atan2(std::floor(X), std::floor(Y));
    const float z = q * q * 313.0f;

    if (p.mottling) {
        const float mf = p.mottleFrequency;
        float n = fractalNoise3(X * mf, Y * mf, z * mf, width, 5, 2.13f, 0.65f);
        n = n * 0.6f + 0.4f;
        const float mt = bandCurve(n);
        bark = mixColor(bark, p.mottleColor, mt);
        alpha = mt / 3.0f;
    }

    // Per-plate hue, saturation and brightness variation.
    if (p.hueOffset != 0.0f || p.saturationOffset != 0.0f || p.brightnessOffset != 0.0f) {
        const float kxy = centredNoise(X, Y);
        const float hueShift = (z * p.hueOffset / 113.0f) * kxy;
        const float saturationShift = (z * p.saturationOffset / 127.0f) * kxy;
        const float brightnessShift = (z * p.brightnessOffset / 131.0f) * centredNoise(Y, X);
        bark = adjustHsv(bark, hueShift, saturationShift, brightnessShift);
    }

    // Ragged furrow edge widens or narrows the furrow.
    float edge = 1.0f;
    float fwidth = p.furrowWidth;
    if (p.edgeVariation && p.edgeFrequency > 0.0f) {
        const float ef = p.edgeFrequency;
        const float n = fractalNoise3(X * ef, Y * ef, z * ef, width, 4, 2.0f, 0.5f) + 0.5f;
        edge = bandCurve(n);
        fwidth = fwidth * (edge + 0.5f);
    }

    // Filtered furrow grid: 1 inside a plate, 0 on a furrow.
    const float plate = filteredPulseTrain(fwidth, 1.0f, X + 0.5f * fwidth, width) *
                        filteredPulseTrain(fwidth, 1.0f, Y + 0.5f * fwidth, width);
    alpha = alpha + plate;

    if (plate < 1.0f && edge < 1.0f) {
        furrow = mixColor(p.crackColor, p.furrowColor, edge);
        alpha = alpha + edge / 3.0f;
    }
    return {mixColor(furrow, bark, plate), alpha};
}

}  // namespace texture
