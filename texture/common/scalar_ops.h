#pragma once
/// Scalar and colour helpers shared by the texture patterns. Pure functions, no state, safe on
/// any thread, no allocation. Single precision unless a function says otherwise; every bound is
/// tested in the order written and is inclusive.

#include <algorithm>
#include <cmath>

#include "texture/common/rgb.h"

namespace texture {

/// Hermite ease t*t*(3-2t): (3-2t) in double precision times the single product t*t, rounded once.
inline float smoothCurve(float t) {
    const float tt = t * t;
    return static_cast<float>(static_cast<double>(tt) * (3.0 - 2.0 * static_cast<double>(t)));
}

/// 0 at or below e0; 1 at or above e1 (or above e0 when e0 == e1); smoothCurve in between.
inline float smoothStep(float e0, float e1, float x) {
    if (x <= e0) return 0.0f;
    if (x >= e1 || e0 == e1) return 1.0f;
    return smoothCurve((x - e0) / (e1 - e0));
}

/// lo if x <= lo, hi if x >= hi, else x.
inline float clampValue(float x, float lo, float hi) {
    if (x <= lo) return lo;
    if (x >= hi) return hi;
    return x;
}

/// a if t <= 0, b if t >= 1, else (1 - t) * a + t * b.
inline float mixValue(float a, float b, float t) {
    if (t <= 0.0f) return a;
    if (t >= 1.0f) return b;
    return (1.0f - t) * a + t * b;
}

/// Per component as mixValue, evaluated as t * b + (1 - t) * a.
inline Rgb mixColor(const Rgb& a, const Rgb& b, float t) {
    if (t <= 0.0f) return a;
    if (t >= 1.0f) return b;
    const float s = 1.0f - t;
    return {t * b.r + s * a.r, t * b.g + s * a.g, t * b.b + s * a.b};
}

/// (b - a) * t + a, unclamped.
inline float lerpValue(float a, float b, float t) {
    return (b - a) * t + a;
}

/// 0.3 r + 0.59 g + 0.11 b with double-precision weights, rounded to single.
inline float luminance(const Rgb& c) {
    return static_cast<float>(0.3 * c.r + 0.59 * c.g + 0.11 * c.b);
}

/// Component-wise product.
inline Rgb multiplyColor(const Rgb& a, const Rgb& b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}

/// Component-wise sum.
inline Rgb addColor(const Rgb& a, const Rgb& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

/// Every component times s.
inline Rgb scaleColor(const Rgb& a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}

/// Sample footprint sqrt(fx * fy), at least 1e-6 (a zero, negative or NaN product gives 1e-6).
inline float filterWidth(float fx, float fy) {
    const float s = std::sqrt(fx * fy);
    return static_cast<double>(s) > 1e-6 ? s : static_cast<float>(1e-6);
}

/// Box-filtered periodic step: 0 over the first `edge` of each `period`, 1 over the rest,
/// averaged over [x - width/2, x + width/2]. Range [0, 1]. A width <= 0 point-samples the step.
/// Note: evaluated in double and rounded once; in single precision the difference of the two
/// integrals loses most digits for footprints far below one ulp of x.
inline float filteredPulseTrain(float edge, float period, float x, float width) {
    const double w = static_cast<double>(width) / period;
    const double e = static_cast<double>(edge) / period;
    const double xp = static_cast<double>(x) / period;
    auto integral = [e](double t) {
        const double ft = std::floor(t);
        return (1.0 - e) * ft + std::max(0.0, t - ft - e);
    };
    if (!(w > 0.0)) return (xp - std::floor(xp)) >= e ? 1.0f : 0.0f;
    const double x0 = xp - 0.5 * w;
    const double x1 = x0 + w;
    return static_cast<float>((integral(x1) - integral(x0)) / w);
}

}  // namespace texture
