#include "texture/splatter/splatter_pattern.h"

#include <gtest/gtest.h>

#include "texture/common/test_support.h"

namespace texture {
namespace {

TEST(SplatterPattern, ThresholdExtremes) {
    SplatterParams never;
    never.threshold = 1.0f;
    SplatterParams always;
    always.threshold = 0.0f;
    SplatterParams negative;
    negative.threshold = -0.5f;  // skips the test
    int hits = 0;
    const int n = 400;
    for (int i = 0; i < n; ++i) {
        const float u = i * 0.00731f, v = 0.2f + i * 0.00197f;
        const PatternResult r = splatterPattern(u, v, never);
        EXPECT_EQ(r.color, never.backgroundColor);
        EXPECT_EQ(r.alpha, 0.0f);
        EXPECT_EQ(splatterPattern(u, v, negative).alpha, 0.0f);
        hits += splatterPattern(u, v, always).alpha == 1.0f;
    }
    EXPECT_GT(hits, n * 95 / 100);
}

TEST(SplatterPattern, GoldenLatticePoints) {
    // minDiameter 0.5: f = 2, then 1. At (1, 1) both frequencies sample lattice points, noise 0,
    // unit value exactly 0.5: splatter when threshold < 0.5, background at 0.5 ("greater than").
    SplatterParams p;
    p.minDiameter = 0.5f;
    p.numberOfSizes = 2;
    struct Case {
        float threshold, alpha;
    } cases[] = {{0.49f, 1.0f}, {0.5f, 0.0f}, {0.7f, 0.0f}, {0.0f, 1.0f}};
    for (const Case& c : cases) {
        p.threshold = c.threshold;
        const PatternResult r = splatterPattern(1.0f, 1.0f, p);
        EXPECT_EQ(r.alpha, c.alpha) << c.threshold;
        EXPECT_EQ(r.color, c.alpha == 1.0f ? p.splatterColor : p.backgroundColor);
    }
}

TEST(SplatterPattern, TinyDiametersAreTreatedAsOneHundredThousandth) {
    SplatterParams ref;
    ref.minDiameter = 1e-5f;
    for (float d : {0.0f, -3.0f, 1e-7f}) {
        SplatterParams p;
        p.minDiameter = d;
        for (int i = 0; i < 50; ++i) {
            const float u = i * 0.013f, v = i * 0.007f;
            EXPECT_EQ(splatterPattern(u, v, p).alpha, splatterPattern(u, v, ref).alpha);
        }
    }
    // The floor compares in single precision: the float nearest 1e-6 is not below it and keeps
    // its own (ten times finer) blobs.
    SplatterParams kept;
    kept.minDiameter = 0.000001f;
    kept.numberOfSizes = ref.numberOfSizes = 1;
    kept.threshold = ref.threshold = 0.5f;
    int differ = 0;
    for (int i = 0; i < 200; ++i) {
        const float u = 0.1234567f + i * 0.013f, v = 0.3456789f + i * 0.007f;
        if (splatterPattern(u, v, kept).alpha != splatterPattern(u, v, ref).alpha) ++differ;
    }
    EXPECT_GT(differ, 0);
}

TEST(SplatterPattern, MoreSizesOnlyAddSplatter) {
    SplatterParams one;
    one.numberOfSizes = 1;
    SplatterParams five;
    for (int i = 0; i < 300; ++i) {
        const float u = i * 0.0031f, v = 0.5f - i * 0.0017f;
        if (splatterPattern(u, v, one).alpha == 1.0f) {
            EXPECT_EQ(splatterPattern(u, v, five).alpha, 1.0f);
        }
    }
    // A huge size count ends once the frequency has underflowed, with the same answer.
    SplatterParams many;
    many.numberOfSizes = 2000000000;
    many.threshold = 0.999f;
    EXPECT_EQ(splatterPattern(0.3f, 0.4f, many).alpha, 0.0f);
}

}  // namespace
}  // namespace texture
