#include "texture/veining/veining_pattern.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/test_support.h"

namespace texture {
namespace {

TEST(VeiningPattern, DegenerateInputsGiveBackground) {
    const VeiningParams base;
    VeiningParams cases[3] = {base, base, base};
    cases[0].octaves = 0;
    cases[1].frequency = 0.0f;
    cases[2].veinWidth = 0.0f;
    for (const VeiningParams& p : cases) {
        const PatternResult r = veiningPattern(0.3f, 0.1f, 0.2f, p);
        EXPECT_EQ(r.color, p.backgroundColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(VeiningPattern, GoldenLatticeSamplesAreVeins) {
    // Defaults: the first octave samples (5x, 5y, 5z + 100). At (0, 0, 0) and (0.2, 0.4, -0.6)
    // that is a lattice point, noise 0, r = 1, s1 = 1^10 = 1 and s2 = smoothStep(0.08, 0.8, 1)
    // = 1, so a = 1 after the first octave and later octaves add (1 - a) * ... = 0.
    const VeiningParams p;
    const float points[2][3] = {{0.0f, 0.0f, 0.0f}, {0.2f, 0.4f, -0.6f}};
    for (const auto& q : points) {
        const PatternResult r = veiningPattern(q[0], q[1], q[2], p);
        EXPECT_EQ(r.alpha, 1.0f);
        EXPECT_EQ(r.color, p.veinColor);
    }
}

TEST(VeiningPattern, OctavesPastTheFloatRangeRepeatTheLastOne) {
    // From about octave 126 the frequency is infinite and every octave samples the same noise;
    // two billion octaves give what a thousand give (and take no longer).
    VeiningParams many, thousand;
    many.octaves = 2000000000;
    thousand.octaves = 1000;
    const float points[][3] = {{0.31f, 0.27f, 0.11f}, {0.77f, 0.13f, 0.9f}, {0.05f, 0.61f, 0.4f}};
    for (const auto& q : points) {
        const PatternResult a = veiningPattern(q[0], q[1], q[2], many);
        const PatternResult b = veiningPattern(q[0], q[1], q[2], thousand);
        EXPECT_EQ(a.alpha, b.alpha);
        EXPECT_EQ(a.color, b.color);
        EXPECT_LT(a.alpha, 1.0f);  // not the early stop at full coverage
    }
}

TEST(VeiningPattern, DepthShiftsAlongZ) {
    // Dyadic values keep z * f + f * d and (z + d) * f exact, so the two agree bit for bit.
    VeiningParams deep;
    deep.veinDepth = 2.0f;
    VeiningParams flat;
    flat.veinDepth = 0.0f;
    for (float x : {0.125f, 0.375f, 0.8125f}) {
        const PatternResult a = veiningPattern(x, 0.25f, 0.25f, deep);
        const PatternResult b = veiningPattern(x, 0.25f, 2.25f, flat);
        EXPECT_EQ(a.alpha, b.alpha) << x;
    }
}

TEST(VeiningPattern, WidthAndFalloffExtremesStayInRange) {
    VeiningParams wide;
    wide.veinWidth = 1.0f;  // e1 = 0, e0 raised to 1e-6
    VeiningParams sharp;
    sharp.veinFalloff = 0.0f;
    double wideSum = 0, defaultSum = 0;
    for (int i = 0; i < 300; ++i) {
        const float x = i * 0.0131f, y = 0.3f - i * 0.007f, z = 0.1f + i * 0.003f;
        for (const VeiningParams* p : {&wide, &sharp}) {
            const PatternResult r = veiningPattern(x, y, z, *p);
            ASSERT_TRUE(r.alpha >= 0.0f && r.alpha <= 1.0f) << r.alpha;
        }
        wideSum += veiningPattern(x, y, z, wide).alpha;
        defaultSum += veiningPattern(x, y, z, VeiningParams{}).alpha;
    }
    // The widest veins cover more than the default ones.
    EXPECT_GT(wideSum, defaultSum);
}

}  // namespace
}  // namespace texture
