#include "texture/common/hsv.h"

#include <algorithm>
#include <cmath>

namespace texture {
namespace {

// 0 at or below 0, 1 at or above 1.
float clampUnit(float x) {
    if (x <= 0.0f) return 0.0f;
    if (x >= 1.0f) return 1.0f;
    return x;
}

}  // namespace

Hsv rgbToHsv(const Rgb& c) {
    const float mx = std::max(c.r, std::max(c.g, c.b));
    const float mn = std::min(c.r, std::min(c.g, c.b));
    Hsv out;
    out.v = mx;
    out.s = (mx == 0.0f) ? 0.0f : (mx - mn) / mx;
    if (out.s == 0.0f) {
        out.h = -1.0f;
        return out;
    }
    const float d = mx - mn;
    const float rc = (mx - c.r) / d;
    const float gc = (mx - c.g) / d;
    const float bc = (mx - c.b) / d;
    float h;
    if (c.r == mx)
        h = bc - gc;
    else if (c.g == mx)
        h = 2.0f + rc - bc;
    else
        h = 4.0f + gc - rc;
    h = h * 60.0f;
    if (h < 0.0f) h = h + 360.0f;
    out.h = h;
    return out;
}

Rgb hsvToRgb(const Hsv& hsv) {
    const float v = hsv.v;
    if (hsv.s == 0.0f && hsv.h < 0.0f) return {v, v, v};
    const float s = hsv.s;
    const float h = (hsv.h == 360.0f) ? 0.0f : hsv.h;
    const float hp = h / 60.0f;
    const float fl = std::floor(hp);
    // Note: hue values far outside [0, 360) fall into the last case instead of overflowing int.
    const int i = (fl >= 0.0f && fl < 6.0f) ? static_cast<int>(fl) : 6;
    const float f = hp - fl;
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float t = v * (1.0f - s * (1.0f - f));
    switch (i) {
        case 0:
            return {v, t, p};
        case 1:
            return {q, v, p};
        case 2:
            return {p, v, t};
        case 3:
            return {p, q, v};
        case 4:
            return {t, p, v};
        default:
            return {v, p, q};
    }
}

Rgb adjustHsv(const Rgb& rgb, float hueShift, float saturationShift, float brightnessShift) {
    if (hueShift == 0.0f && saturationShift == 0.0f && brightnessShift == 0.0f) return rgb;
    Hsv hsv = rgbToHsv(rgb);
    if (hueShift != 0.0f && std::fabs(hueShift) < 360.0f) {
        float h = hsv.h + hueShift;
        if (h < 0.0f) h = h + 360.0f;
        hsv.h = std::fmod(h, 360.0f);
    }
    if (saturationShift != 0.0f) hsv.s = clampUnit((saturationShift + 1.0f) * hsv.s);
    if (brightnessShift != 0.0f) hsv.v = clampUnit((brightnessShift + 1.0f) * hsv.v);
    return hsvToRgb(hsv);
}

}  // namespace texture
