#include "texture/streaks/streaks_pattern.h"

#include <gtest/gtest.h>

#include "texture/common/test_support.h"

namespace texture {
namespace {

TEST(StreaksPattern, DegenerateInputsGiveBackground) {
    const StreaksParams base;
    StreaksParams cases[3] = {base, base, base};
    cases[0].frequency = 0.0f;
    cases[1].length = 0.0f;
    cases[2].octaves = 0;
    for (const StreaksParams& p : cases) {
        const PatternResult r = streaksPattern(0.4f, 0.6f, 0.001f, 0.001f, p);
        EXPECT_EQ(r.color, p.backgroundColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(StreaksPattern, FootprintOfOneCellOrMoreIsAllStreak) {
    // Width >= 1 makes limit <= 1: no octave, no partial octave, sum 0, t 0: streakColor.
    const StreaksParams p;
    for (float fs : {1.0f, 2.0f, 50.0f}) {
        const PatternResult r = streaksPattern(0.37f, 0.12f, fs, fs, p);
        EXPECT_EQ(r.color, p.streakColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(StreaksPattern, GoldenPartialOctaveAtTheOrigin) {
    // u = v = 0: every octave samples the lattice point 0, unit noise 0.5, band
    // b = smoothCurve(0.3 / 0.55) = 0.567994. fx = fy = 1/3: width 0.33333334, limit 3.
    // One octave (1.5 > 1): sum = b, s = 2; partial: k = 3/2 - 1 = 0.5, sum += 0.5 * b / 2,
    // sum = 0.7099925; t = smoothCurve(0.7099925) = 0.7964688 = alpha = every channel
    // (mix of black streak and white background).
    StreaksParams p;
    p.octaves = 1;
    const PatternResult r = streaksPattern(0.0f, 0.0f, 1.0f / 3.0f, 1.0f / 3.0f, p);
    EXPECT_NEAR(r.alpha, 0.7964688f, 1e-6f);
    EXPECT_TRUE(colorNear(r.color, {0.7964688f, 0.7964688f, 0.7964688f}, 1e-6f));
    // Six octaves and a fine filter: sum = b * (1 + 1/2 + ... + 1/32 + 1/64) > 1, t = 1.
    const PatternResult fine = streaksPattern(0.0f, 0.0f, 1e-6f, 1e-6f, StreaksParams{});
    EXPECT_EQ(fine.alpha, 1.0f);
}

TEST(StreaksPattern, MoreStreaksAndMoreSpaceShiftTheBalance) {
    StreaksParams base;
    StreaksParams streaky = base;
    streaky.moreStreaks = 0.6f;
    StreaksParams spacious = base;
    spacious.moreSpace = 0.6f;
    double aBase = 0, aStreaky = 0, aSpacious = 0;
    for (int i = 0; i < 500; ++i) {
        const float u = i * 0.0211f, v = i * 0.0019f;
        aBase += streaksPattern(u, v, 1e-3f, 1e-3f, base).alpha;
        aStreaky += streaksPattern(u, v, 1e-3f, 1e-3f, streaky).alpha;
        aSpacious += streaksPattern(u, v, 1e-3f, 1e-3f, spacious).alpha;
    }
    EXPECT_LT(aStreaky, aBase);
    EXPECT_GT(aSpacious, aBase);
}

}  // namespace
}  // namespace texture
