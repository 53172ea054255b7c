#include "texture/scallop/scallop_pattern.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/test_support.h"

namespace texture {
namespace {

TEST(ScallopPattern, ZeroSizesGiveBackground) {
    const ScallopParams base;
    ScallopParams cases[4] = {base, base, base, base};
    cases[0].radius = 0.0f;
    cases[1].width = 0.0f;
    cases[2].uFrequency = 0.0f;
    cases[3].vFrequency = 0.0f;
    for (const ScallopParams& p : cases) {
        const PatternResult r = scallopPattern(0.1f, 0.03f, p);
        EXPECT_EQ(r.color, p.backgroundColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(ScallopPattern, GoldenCentreLine) {
    // Frequencies 4 keep t = 4v exact. u = 0 in row 0 (even): s = fmod(0.5, 1) = 0.5, so
    // d1 = |t - 0.5| and d2 = |t - 0.7|. Rim band 0.3 * 0.2 = 0.06: e0 = 0.44, e1 = 0.5.
    ScallopParams p;
    p.uFrequency = p.vFrequency = 4.0f;
    struct Case {
        float t, alpha;
    } cases[] = {
        {0.0f, 0.0f},     // d1 = 0.5 = e1: k1 = 1, a = 0
        {0.0625f, 1.0f},  // d1 = 0.4375 <= e0: k1 = 0; d2 = 0.6375 >= e1: k2 = 1; a = 1
        {0.125f, 1.0f},   // d1 = 0.375, d2 = 0.575: a = 1
        // d2 = 0.45: k2 = smoothCurve(0.01 / 0.06 = 1/6) = (1/36)(3 - 1/3) = 0.0740741 = a
        {0.25f, 0.0740741f},
        {0.5f, 0.0f},  // inside both discs: k1 = k2 = 0, a = 0
    };
    for (const Case& c : cases) {
        const PatternResult r = scallopPattern(0.0f, c.t / 4.0f, p);
        EXPECT_NEAR(r.alpha, c.alpha, 2e-6f) << c.t;
        // mix of white and (0, 0, 0.5): (1 - a, 1 - a, 1 - a / 2)
        EXPECT_TRUE(colorNear(r.color, {1 - c.alpha, 1 - c.alpha, 1 - 0.5f * c.alpha}, 2e-6f));
    }
    // With the defaults (0, 0) is background: row 0, s = 0.5, t = 0, d1 = radius.
    EXPECT_EQ(scallopPattern(0.0f, 0.0f, ScallopParams{}).alpha, 0.0f);
}

TEST(ScallopPattern, OddRowsAreShiftedByHalfACell) {
    // Row 1 (odd) uses s = fmod(x, 1): the sample at x = 0.5 there matches x = 0 in row 0.
    ScallopParams p;
    p.uFrequency = p.vFrequency = 4.0f;
    for (float t : {0.0625f, 0.25f, 0.3f}) {
        const float even = scallopPattern(0.0f, t / 4.0f, p).alpha;
        const float odd = scallopPattern(0.5f / 4.0f, (1.0f + t) / 4.0f, p).alpha;
        EXPECT_NEAR(even, odd, 1e-5f) << t;
    }
}

TEST(ScallopPattern, HardRimAndNegativeCoordinates) {
    ScallopParams hard;
    hard.edgeFalloff = 0.0f;  // band 1e-6
    int soft = 0;
    for (int i = 0; i < 400; ++i) {
        const float u = -1.0f + i * 0.00517f, v = -0.7f + i * 0.00391f;
        const float a = scallopPattern(u, v, hard).alpha;
        soft += (a != 0.0f && a != 1.0f);
        const float s = scallopPattern(u, v, ScallopParams{}).alpha;
        EXPECT_TRUE(s >= 0.0f && s <= 1.0f) << u << "," << v;
    }
    EXPECT_LE(soft, 1);
    // Huge coordinates truncate in float instead of overflowing an int row index.
    EXPECT_TRUE(std::isfinite(scallopPattern(3e12f, -7e15f, ScallopParams{}).alpha));
}

}  // namespace
}  // namespace texture
