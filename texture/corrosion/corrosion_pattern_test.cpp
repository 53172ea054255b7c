#include "texture/corrosion/corrosion_pattern.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/noise.h"
#include "texture/common/test_support.h"

namespace texture {
namespace {

TEST(CorrosionPattern, NoOctavesOrTurbulenceIsMetal) {
    const CorrosionParams base;
    CorrosionParams cases[3] = {base, base, base};
    cases[0].octaves = 0;
    cases[1].turbulence = 0.0f;
    cases[2].octaves = -2;
    for (const CorrosionParams& p : cases) {
        const PatternResult r = corrosionPattern(0.3f, 0.4f, 0.5f, 0.0f, 0.0f, p);
        EXPECT_EQ(r.color, p.metalColor);
        EXPECT_EQ(r.alpha, 0.0f);
    }
}

TEST(CorrosionPattern, CoarseFilterIsAnEvenMix) {
    // Width 2 (A = 0.5): no octave and no partial octave, sum 0, v = smoothStep(-0.5, 0.5, 0)
    // = smoothCurve(0.5) = 0.5; colour = 0.5 * (1, 1, 1) + 0.5 * (0.3, 0, 0) = (0.65, 0.5, 0.5).
    // The origin gives the same at any width: every octave samples the lattice point 0.
    const CorrosionParams p;
    const PatternResult coarse = corrosionPattern(0.37f, -0.2f, 0.9f, 2.0f, 2.0f, p);
    const PatternResult origin = corrosionPattern(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, p);
    for (const PatternResult& r : {coarse, origin}) {
        EXPECT_TRUE(colorNear(r.color, {0.65f, 0.5f, 0.5f}, kFewUlps));
        EXPECT_EQ(r.alpha, 0.5f);
    }
    EXPECT_EQ(corrosionSum(0.37f, -0.2f, 0.9f, 5.0f, 5.0f, 10, 0.7f), 0.0f);
}

TEST(CorrosionPattern, SharpFilterAddsAFullPartialOctave) {
    // Width 1e-6: both octaves run and the partial octave at frequency 4 has weight 1, so the
    // sum has three terms with amplitudes 1, t, t^2.
    const float x = 0.31f, y = 0.77f, z = -0.4f, t = 0.5f;
    const float expected = noise3(x, y, z) + noise3(2 * x, 2 * y, 2 * z) * t +
                           noise3(4 * x, 4 * y, 4 * z) * 1.0f * (t * t);
    EXPECT_FLOAT_EQ(corrosionSum(x, y, z, 0.0f, 0.0f, 2, t), expected);
}

TEST(CorrosionShape, FoldingAndControls) {
    const CorrosionParams plain;
    struct Case {
        float sum, v;
    } folds[] = {{1.5f, 1.0f}, {-0.5f, 0.0f}, {0.0f, 0.5f}, {2.0f, 0.5f}, {-1.25f, 0.15625f}};
    for (const Case& c : folds) EXPECT_FLOAT_EQ(corrosionShape(c.sum, plain), c.v) << c.sum;

    CorrosionParams metal;
    metal.moreMetal = 1.0f;
    CorrosionParams rust;
    rust.moreRust = 1.0f;
    CorrosionParams contrast;
    contrast.contrast = 1.0f;
    for (float sum : {-0.45f, -0.2f, 0.1f, 0.3f, 0.49f}) {
        EXPECT_EQ(corrosionShape(sum, metal), 0.0f);
        const float v = corrosionShape(sum, plain);
        EXPECT_EQ(corrosionShape(sum, rust), v > 0.0f ? 1.0f : 0.0f);
        const float c = corrosionShape(sum, contrast);
        if (v > 0.5f) {
            EXPECT_EQ(c, 1.0f);
        } else if (v < 0.5f) {
            EXPECT_FLOAT_EQ(c, v * v);
        }
    }
    EXPECT_EQ(corrosionShape(0.0f, contrast), 0.5f);

    // An overflowed sum folds like a huge whole one: to 0, an even mix.
    for (float sum : {INFINITY, -INFINITY, NAN, 3e38f}) EXPECT_EQ(corrosionShape(sum, plain), 0.5f);
    CorrosionParams wild;
    wild.turbulence = 1e30f;  // amplitudes overflow from the third octave
    for (int i = 0; i < 20; ++i) {
        const PatternResult r = corrosionPattern(i * 0.37f, 0.2f, 0.1f, 0.0f, 0.0f, wild);
        EXPECT_TRUE(std::isfinite(r.alpha) && std::isfinite(r.color.r)) << i;
    }
}

}  // namespace
}  // namespace texture
