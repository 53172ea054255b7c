#include "texture/denim/denim_pattern.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/test_support.h"

namespace texture {
namespace {

DenimParams plainWeave() {
    // Unit frequencies make a = u + v and b = u - v; no variation and no stains.
    DenimParams p;
    p.uFrequency = 1.0f;
    p.vFrequency = 1.0f;
    p.hueOffset = p.saturationOffset = p.brightnessOffset = 0.0f;
    p.stainIntensity = 0.0f;
    return p;
}

TEST(DenimPattern, DefaultsAtQuarterPointIsCrease) {
    // a = 0.5 * 43 = 21.5, b = 0; ia = 21 is odd so b stays 0; sin(0) = 0 gives l = 0 and the
    // colour is creaseColor (black); black stays black through HSV and stain tinting.
    const PatternResult r = denimPattern(0.25f, 0.25f, 0.01f, 0.01f, DenimParams{});
    EXPECT_EQ(r.color, (Rgb{0, 0, 0}));
    EXPECT_EQ(r.alpha, 0.0f);
}

TEST(DenimPattern, DegenerateWeaveIsFlatWarpColour) {
    const DenimParams base;
    DenimParams cases[4] = {base, base, base, base};
    cases[0].vWidth = 0.0f;
    cases[1].uWidth = -1.0f;
    cases[2].uFrequency = 0.0f;
    cases[3].vFrequency = 0.0f;
    for (const DenimParams& p : cases) {
        const PatternResult r = denimPattern(0.3f, 0.7f, 0.01f, 0.01f, p);
        EXPECT_EQ(r.color, base.vColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(DenimPattern, GoldenThreadCentres) {
    const DenimParams p = plainWeave();
    struct Case {
        float u, v;
        Rgb color;
        float alpha;
    } cases[] = {
        // a = 1.5 (ia = 1, odd), b = 0.5: |sin(1.5 pi)| = |sin(0.5 pi)| = 1, so m = l = 1 and the
        // four mixes give vColor; w = 0.5 + 0.5 = 1, not a weft row. Alpha 1.
        {1.0f, 0.5f, p.vColor, 1.0f},
        // a = 2.5 (ia = 2, even), b = 2.0 + 0.5 = 2.5; w = 2.0 + 0.5 = 2.5, iw = 2 and
        // fmod(1, 2) = 1: weft. m = h = 1 gives uColor with alpha 1.
        {2.25f, 0.25f, p.uColor, 1.0f},
        // a = 1.0 (integer): |sin(pi)| ~ 8.7e-8, sqrt ~ 3e-4 < 1 - vWidth = 0.2, so m = 0: crease.
        {0.5f, 0.5f, p.creaseColor, 0.0f},
    };
    for (const Case& c : cases) {
        const PatternResult r = denimPattern(c.u, c.v, 0.01f, 0.01f, p);
        EXPECT_TRUE(colorNear(r.color, c.color, kFewUlps)) << c.u << "," << c.v;
        EXPECT_NEAR(r.alpha, c.alpha, kFewUlps);
    }
}

TEST(DenimPattern, WeftRowsFollowTheModuloFourRule) {
    // With a = u + v in [2, 3) (even) the weft shows where iw = floor(|v - u| + 0.5) is 2 mod 4.
    const DenimParams p = plainWeave();
    struct Case {
        float d;  // v - u
        bool weft;
    } cases[] = {{-2.0f, true}, {2.0f, true}, {-1.0f, false}, {-3.0f, false}, {-6.0f, true}};
    for (const Case& c : cases) {
        // Centre the sample on both thread profiles: a = 2.5 always; b shifts to b + 0.5.
        const float u = (2.5f - c.d) / 2.0f;
        const float v = (2.5f + c.d) / 2.0f;
        const PatternResult r = denimPattern(u, v, 0.01f, 0.01f, p);
        const float w = std::fabs(v - u) + 0.5f;
        const float h = std::sqrt(std::fabs(std::sin(static_cast<float>(3.141592653589793 * w))));
        if (c.weft && h >= 1.0f) {
            EXPECT_EQ(r.color, p.uColor) << c.d;
        } else if (!c.weft) {
            EXPECT_NE(r.color, p.uColor) << c.d;
        }
    }
}

TEST(DenimPattern, ZeroOffsetsPassColoursThroughAndRowZeroIsNeverVaried) {
    DenimParams p = plainWeave();
    DenimParams varied = p;
    varied.hueOffset = 40.0f;
    varied.saturationOffset = 0.5f;
    varied.brightnessOffset = 0.5f;
    // ia = 0 makes atan2(0, ib) = 0 for ib >= 0, so every shift is 0 on that row.
    const PatternResult plain0 = denimPattern(0.3f, 0.2f, 0.01f, 0.01f, p);
    const PatternResult varied0 = denimPattern(0.3f, 0.2f, 0.01f, 0.01f, varied);
    EXPECT_EQ(plain0.color, varied0.color);
    // Elsewhere the variation changes thread colours but never alpha.
    int changed = 0;
    for (int i = 0; i < 50; ++i) {
        const float u = 3.0f + i * 0.137f, v = 1.0f + i * 0.071f;
        const PatternResult a = denimPattern(u, v, 0.01f, 0.01f, p);
        const PatternResult b = denimPattern(u, v, 0.01f, 0.01f, varied);
        EXPECT_EQ(a.alpha, b.alpha);
        changed += !(a.color == b.color);
    }
    EXPECT_GT(changed, 10);
}

TEST(DenimPattern, StainsTintWithinIntensity) {
    DenimParams p = plainWeave();
    p.stainColor = {1, 1, 1};
    DenimParams unit = p;
    unit.stainIntensity = 1.0f;
    DenimParams strong = p;
    strong.stainIntensity = 3.0f;
    int brighter = 0;
    for (int i = 0; i < 200; ++i) {
        const float u = i * 0.0137f, v = 0.5f + i * 0.0071f;
        const PatternResult base = denimPattern(u, v, 0.001f, 0.001f, p);
        // White at intensity 1 tints by exactly 1.
        EXPECT_EQ(denimPattern(u, v, 0.001f, 0.001f, unit).color, base.color);
        const PatternResult s = denimPattern(u, v, 0.001f, 0.001f, strong);
        EXPECT_EQ(s.alpha, base.alpha);
        EXPECT_GE(s.color.b, base.color.b);
        EXPECT_LE(s.color.b, 3.0f * base.color.b + 1e-6f);
        brighter += s.color.b > base.color.b;
    }
    EXPECT_GT(brighter, 0);
}

}  // namespace
}  // namespace texture
