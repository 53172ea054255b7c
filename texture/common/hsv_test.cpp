#include "texture/common/hsv.h"

#include <gtest/gtest.h>

namespace texture {
namespace {

TEST(RgbToHsv, PrimariesGreysAndBlack) {
    struct Case {
        Rgb rgb;
        float h, s, v;
    } cases[] = {
        {{1, 0, 0}, 0, 1, 1},     {{0, 1, 0}, 120, 1, 1},
        {{0, 0, 1}, 240, 1, 1},   {{0.5f, 0.5f, 0.5f}, -1, 0, 0.5f},
        {{0, 0, 0}, -1, 0, 0},    {{1, 0, 1}, 300, 1, 1},
        {{1, 0.5f, 0}, 30, 1, 1},
    };
    for (const Case& c : cases) {
        const Hsv hsv = rgbToHsv(c.rgb);
        EXPECT_FLOAT_EQ(hsv.h, c.h) << c.rgb.r << c.rgb.g << c.rgb.b;
        EXPECT_FLOAT_EQ(hsv.s, c.s);
        EXPECT_FLOAT_EQ(hsv.v, c.v);
    }
}

TEST(HsvToRgb, RoundTripsSaturatedAndGreyColours) {
    const Rgb colours[] = {{1, 0, 0},          {0, 1, 0},          {0, 0, 1}, {0.5f, 0.5f, 0.5f},
                           {0.2f, 0.3f, 0.4f}, {0.9f, 0.1f, 0.6f}, {0, 0, 0}, {0.6f, 0.3f, 0.1f}};
    for (const Rgb& c : colours) {
        const Rgb back = hsvToRgb(rgbToHsv(c));
        EXPECT_NEAR(back.r, c.r, 1e-6f);
        EXPECT_NEAR(back.g, c.g, 1e-6f);
        EXPECT_NEAR(back.b, c.b, 1e-6f);
    }
    EXPECT_EQ(hsvToRgb(rgbToHsv({1, 0, 0})), (Rgb{1, 0, 0}));
    // Hue 360 is hue 0.
    EXPECT_EQ(hsvToRgb({360.0f, 1.0f, 1.0f}), (Rgb{1, 0, 0}));
}

TEST(AdjustHsv, Shifts) {
    // Zero shifts: no round trip at all, even for values outside 0..1.
    const Rgb odd{1.5f, -0.25f, 0.3f};
    EXPECT_EQ(adjustHsv(odd, 0, 0, 0), odd);

    // Red shifted by 10 degrees: hue 10, s 1, v 1 -> (1, 10/60, 0).
    const Rgb orange = adjustHsv({1, 0, 0}, 10.0f, 0, 0);
    const Hsv h = rgbToHsv(orange);
    EXPECT_NEAR(h.h, 10.0f, 1e-4f);
    EXPECT_FLOAT_EQ(h.s, 1.0f);
    EXPECT_FLOAT_EQ(h.v, 1.0f);
    EXPECT_NEAR(orange.g, 1.0f / 6.0f, 1e-6f);

    // A grey stays the same grey under any hue shift.
    for (float shift : {10.0f, -10.0f, 200.0f}) {
        EXPECT_EQ(adjustHsv({0.4f, 0.4f, 0.4f}, shift, 0, 0), (Rgb{0.4f, 0.4f, 0.4f})) << shift;
    }

    // |shift| >= 360 is ignored; -10 on hue 5 wraps to 355.
    const Rgb hue5 = hsvToRgb({5.0f, 1.0f, 1.0f});
    EXPECT_NEAR(rgbToHsv(adjustHsv(hue5, -370.0f, 0, 0)).h, 5.0f, 1e-4f);
    EXPECT_NEAR(rgbToHsv(adjustHsv(hue5, 360.0f, 0, 0)).h, 5.0f, 1e-4f);
    EXPECT_NEAR(rgbToHsv(adjustHsv(hue5, -10.0f, 0, 0)).h, 355.0f, 1e-3f);

    // Saturation -1 greys, brightness -1 blackens, brightness 1 doubles v up to 1.
    const Rgb c{0.4f, 0.2f, 0.1f};
    const Rgb grey = adjustHsv(c, 0, -1.0f, 0);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
    EXPECT_FLOAT_EQ(grey.r, 0.4f);
    EXPECT_EQ(adjustHsv(c, 0, 0, -1.0f), (Rgb{0, 0, 0}));
    EXPECT_FLOAT_EQ(rgbToHsv(adjustHsv(c, 0, 0, 1.0f)).v, 0.8f);
    EXPECT_FLOAT_EQ(rgbToHsv(adjustHsv({0.8f, 0.2f, 0.1f}, 0, 0, 1.0f)).v, 1.0f);
    // Relative saturation: 0.2 scales s = 0.75 to 0.9.
    EXPECT_FLOAT_EQ(rgbToHsv(adjustHsv(c, 0, 0.2f, 0)).s, 0.9f);
}

}  // namespace
}  // namespace texture
