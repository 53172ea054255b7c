#pragma once
/// Hexcone HSV conversion and the relative hue/saturation/brightness shift of thread and plate
/// colours. Pure functions, thread-safe, no allocation.

#include "texture/common/rgb.h"

namespace texture {

/// Hue in degrees [0, 360) or -1 when undefined (grey or black); s and v in [0, 1] for inputs
/// in [0, 1].
struct Hsv {
    float h = -1.0f;
    float s = 0.0f;
    float v = 0.0f;
};

/// Hexcone RGB to HSV.
Hsv rgbToHsv(const Rgb& rgb);

/// Hexcone HSV to RGB; a grey (s == 0, h < 0) gives (v, v, v); h == 360 counts as 0.
Rgb hsvToRgb(const Hsv& hsv);

/// Shifts hue by hueShift degrees (ignored when |hueShift| >= 360) and scales saturation and
/// value by (1 + shift), clamped to [0, 1]. All shifts 0 returns rgb unchanged.
Rgb adjustHsv(const Rgb& rgb, float hueShift, float saturationShift, float brightnessShift);

}  // namespace texture
