#include "texture/freckles/freckles_pattern.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/scalar_ops.h"
#include "texture/common/test_support.h"

namespace texture {
namespace {

template <typename F>
void forGrid(int n, F&& f) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            f(static_cast<float>(i) / n + 0.011f, static_cast<float>(j) / n);
}

TEST(FrecklesPattern, DegenerateInputsGiveFlatBackground) {
    const FrecklesParams base;
    FrecklesParams cases[3] = {base, base, base};
    cases[0].numberOfSizes = 0;
    cases[1].maxRadius = 0.0f;
    cases[2].percentage = 0.0f;  // threshold 1: no spot anywhere
    for (const FrecklesParams& p : cases)
        forGrid(20, [&](float u, float v) {
            const PatternResult r = frecklesPattern(u, v, p);
            EXPECT_EQ(r.color, p.backgroundColor);
            EXPECT_EQ(r.alpha, 0.0f);
        });
}

TEST(FrecklesPattern, SpotsPaintFrecklesColourWithAlphaInUnitRange) {
    FrecklesParams p;
    p.percentage = 0.9f;
    int spots = 0;
    forGrid(40, [&](float u, float v) {
        const PatternResult r = frecklesPattern(u, v, p);
        ASSERT_GE(r.alpha, 0.0f);
        ASSERT_LE(r.alpha, 1.0f);
        // Background white, freckles black: every channel equals 1 - alpha.
        EXPECT_NEAR(r.color.r, 1.0f - r.alpha, 1e-6f);
        spots += r.alpha > 0.5f;
    });
    EXPECT_GT(spots, 10);
}

TEST(FrecklesPattern, SizeRateShrinksSpots) {
    // Rate 1 halves the radius per level, so coverage can only shrink against rate 0.
    FrecklesParams same;
    same.percentage = 1.0f;
    FrecklesParams halving = same;
    halving.frecklesSizeRate = 1.0f;
    double covSame = 0, covHalving = 0;
    forGrid(60, [&](float u, float v) {
        covSame += frecklesPattern(u, v, same).alpha;
        covHalving += frecklesPattern(u, v, halving).alpha;
    });
    EXPECT_GT(covSame, covHalving);
    EXPECT_GT(covHalving, 0.0);
}

TEST(FrecklesPattern, ZeroDenominatorSizeLaw) {
    FrecklesParams p;
    p.frecklesSizeRate = -1.0f;  // (1 + 1) + (-1)(2) = 0 at level 2
    p.percentage = 1.0f;
    p.numberOfSizes = 2;
    FrecklesParams oneLevel = p;
    oneLevel.numberOfSizes = 1;
    // Uniform falloff: where level 2 holds a spot, the infinite spot covers the whole cell.
    int covered = 0;
    forGrid(10, [&](float u, float v) {
        const PatternResult r = frecklesPattern(u, v, p);
        const PatternResult first = frecklesPattern(u, v, oneLevel);
        EXPECT_TRUE(r.alpha == 1.0f || r.alpha == first.alpha) << u << " " << v;
        if (r.alpha == 1.0f && first.alpha < 1.0f) ++covered;
    });
    EXPECT_GT(covered, 0);
    const PatternResult spot = frecklesPattern(0.013f, 0.021f, p);
    EXPECT_EQ(spot.alpha, 1.0f);
    EXPECT_EQ(spot.color.r, p.frecklesColor.r);
    EXPECT_EQ(spot.color.b, p.frecklesColor.b);

    // An infinite falloff (scaled with the size, or overflowing by itself): no finite edge, the
    // level adds nothing and nothing is NaN.
    FrecklesParams hugeFall = p;
    hugeFall.edgeFalloff = 3e38f;
    hugeFall.maxRadius = 10.0f;
    FrecklesParams hugeFallOneLevel = hugeFall;
    hugeFallOneLevel.numberOfSizes = 1;
    p.uniformFalloff = false;
    oneLevel.uniformFalloff = false;
    forGrid(10, [&](float u, float v) {
        const PatternResult r = frecklesPattern(u, v, p);
        EXPECT_TRUE(std::isfinite(r.alpha) && std::isfinite(r.color.r));
        EXPECT_EQ(r.alpha, frecklesPattern(u, v, oneLevel).alpha);
        const PatternResult h = frecklesPattern(u, v, hugeFall);
        EXPECT_TRUE(std::isfinite(h.alpha) && std::isfinite(h.color.r));
        EXPECT_EQ(h.alpha, frecklesPattern(u, v, hugeFallOneLevel).alpha);
    });
}

TEST(FrecklesPattern, LevelsPastTheFloatRangeStayFinite) {
    // Each level doubles the grid: past level 128 it no longer fits a float.
    for (int sizes : {129, 200, 100000}) {
        FrecklesParams p;
        p.numberOfSizes = sizes;
        p.percentage = 1.0f;
        forGrid(20, [&](float u, float v) {
            const PatternResult r = frecklesPattern(u, v, p);
            EXPECT_TRUE(std::isfinite(r.alpha) && std::isfinite(r.color.r)) << sizes;
            EXPECT_GE(r.alpha, 0.0f);
            EXPECT_LE(r.alpha, 1.0f);
        });
    }
}

}  // namespace
}  // namespace texture
