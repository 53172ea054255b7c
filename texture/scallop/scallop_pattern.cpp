#include "texture/scallop/scallop_pattern.h"

#include <cmath>

#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

// Euclidean distance of two points in the z = 0 plane, in double, rounded to single.
float planeDistance(float x0, float y0, float x1, float y1) {
    const double dx = static_cast<double>(x1) - static_cast<double>(x0);
    const double dy = static_cast<double>(y1) - static_cast<double>(y0);
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

}  // namespace

PatternResult scallopPattern(float u, float v, const ScallopParams& p) {
    PatternResult r{p.backgroundColor, 0.0f};
    if (!(p.radius > 0.0f && p.width > 0.0f && p.uFrequency > 0.0f && p.vFrequency > 0.0f))
        return r;

    // Row index truncated toward zero; even rows shift by half a cell.
    // Note: truncation is done in float so that huge coordinates cannot overflow an int.
    const float y = p.vFrequency * v;
    const float row = std::trunc(y);
    const bool even = std::fmod(row, 2.0f) == 0.0f;
    const float x = p.uFrequency * u;
    const float s = even ? std::fmod(x + 0.5f, 1.0f) : std::fmod(x, 1.0f);
    const float t = y - row;

    // Distances to the disc and to the same disc moved up by width.
    const float d1 = planeDistance(s, t, 0.5f, 0.5f);
    const float d2 = planeDistance(s, t, 0.5f, 0.5f + p.width);

    // Soft rim band.
    float band = p.edgeFalloff * p.width;
    if (static_cast<double>(band) < 1e-6) band = static_cast<float>(1e-6);
    const float e0 = p.radius - band;
    const float e1 = p.radius;
    const float k1 = smoothStep(e0, e1, d1);
    const float k2 = smoothStep(e0, e1, d2);

    // Inside the first disc and outside the second.
    r.alpha = (1.0f - k1) - (1.0f - k2) * (1.0f - k1);
    r.color = mixColor(p.backgroundColor, p.scallopColor, r.alpha);
    return r;
}

}  // namespace texture
