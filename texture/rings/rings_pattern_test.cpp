#include "texture/rings/rings_pattern.h"

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
            f(static_cast<float>(i) / n + 0.013f, static_cast<float>(j) / n);
}

TEST(RingsPattern, DegenerateInputsGiveFlatBackground) {
    const RingsParams base;
    RingsParams cases[3] = {base, base, base};
    cases[0].numberOfSizes = 0;
    cases[1].maxRadius = 0.0f;
    cases[2].maxWidth = 0.0f;
    for (const RingsParams& p : cases) {
        const PatternResult r = ringsPattern(0.31f, 0.62f, p);
        EXPECT_EQ(r.color, p.backgroundColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(RingsPattern, PercentageControlsPresence) {
    RingsParams none;
    none.percentage = 0.0f;  // threshold 1: no presence value exceeds it
    RingsParams all;
    all.percentage = 1.0f;
    int ringsAll = 0;
    forGrid(40, [&](float u, float v) {
        const PatternResult r = ringsPattern(u, v, none);
        EXPECT_EQ(r.alpha, 0.0f);
        EXPECT_EQ(r.color, none.backgroundColor);
        ringsAll += ringsPattern(u, v, all).alpha > 0.0f;
    });
    EXPECT_GT(ringsAll, 20);
}

TEST(RingsPattern, ColourIsTheCoverageMix) {
    RingsParams p;
    p.backgroundColor = {0.1f, 0.2f, 0.3f};
    p.ringColor = {0.9f, 0.5f, 0.0f};
    p.percentage = 0.9f;
    forGrid(30, [&](float u, float v) {
        const PatternResult r = ringsPattern(u, v, p);
        EXPECT_TRUE(colorNear(r.color, mixColor(p.backgroundColor, p.ringColor, r.alpha), 1e-7f));
    });
}

TEST(RingsPattern, OneLevelRingStaysInsideItsCell) {
    // With offsets beyond 0.5 - R the centre moves at most 0.5 - R from the cell centre, so the
    // cell borders (su or sv whole) are never covered.
    RingsParams p;
    p.numberOfSizes = 1;
    p.percentage = 1.0f;
    p.maxRadius = 0.3f;
    p.maxWidth = 0.1f;
    p.uOffset = p.vOffset = 1.0f;
    p.uFrequency = p.vFrequency = 4.0f;
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 50; ++j) {
            const float border = static_cast<float>(i) * 0.25f;
            const float along = static_cast<float>(j) / 50.0f;
            EXPECT_EQ(ringsPattern(border, along, p).alpha, 0.0f) << border << "," << along;
            EXPECT_EQ(ringsPattern(along, border, p).alpha, 0.0f) << along << "," << border;
        }
}

TEST(RingsPattern, ShrinkingWidthEndsTheLoopAndStaysFinite) {
    RingsParams p;
    p.uniformWidth = false;
    p.ringSizeRate = 1.0f;  // sizes halve per level; k * maxWidth falls below 1e-6 near level 16
    p.percentage = 1.0f;
    p.numberOfSizes = 1000000;
    forGrid(10, [&](float u, float v) {
        const PatternResult r = ringsPattern(u, v, p);
        EXPECT_TRUE(std::isfinite(r.alpha));
    });
    // Past level 128 the size factor 2^(i - 1) overflows; a size rate of 0 keeps sizes 1 / i.
    for (int sizes : {129, 300}) {
        RingsParams many;
        many.numberOfSizes = sizes;
        many.percentage = 1.0f;
        forGrid(10, [&](float u, float v) {
            const PatternResult r = ringsPattern(u, v, many);
            EXPECT_TRUE(std::isfinite(r.alpha)) << sizes;
            EXPECT_GE(r.alpha, 0.0f);
        });
    }
    // A size law with a zero denominator (rate -1 at level 4: 4 * 2 - 8) adds nothing, not NaN.
    RingsParams bad;
    bad.ringSizeRate = -1.0f;
    bad.percentage = 1.0f;
    forGrid(10,
            [&](float u, float v) { EXPECT_TRUE(std::isfinite(ringsPattern(u, v, bad).alpha)); });
    // An overflowing falloff (maxWidth * edgeFalloff = inf) leaves a ring edge of -inf: the
    // level adds nothing instead of NaN.
    RingsParams wide;
    wide.maxWidth = 1e30f;
    wide.edgeFalloff = 1e30f;
    wide.percentage = 1.0f;
    forGrid(20, [&](float u, float v) {
        const PatternResult r = ringsPattern(u, v, wide);
        EXPECT_TRUE(std::isfinite(r.alpha) && std::isfinite(r.color.r)) << u << " " << v;
    });
}

}  // namespace
}  // namespace texture
