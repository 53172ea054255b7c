#include "texture/common/scalar_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace texture {
namespace {

TEST(SmoothStep, BoundsAreInclusiveAndTestedInOrder) {
    struct Case {
        float e0, e1, x, expected;
    } cases[] = {
        {0.0f, 1.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f},  {0.0f, 1.0f, 1.0f, 1.0f},
        {0.0f, 1.0f, 2.0f, 1.0f},  {0.0f, 1.0f, 0.5f, 0.5f},  {0.0f, 1.0f, 0.25f, 0.15625f},
        {1.0f, 1.0f, 1.0f, 0.0f},  {1.0f, 1.0f, 1.5f, 1.0f},  {1.0f, 1.0f, 0.5f, 0.0f},
        {2.0f, 4.0f, 3.0f, 0.5f},  {0.2f, 0.75f, 0.2f, 0.0f}, {0.2f, 0.75f, 0.75f, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(smoothStep(c.e0, c.e1, c.x), c.expected) << c.e0 << " " << c.e1 << " " << c.x;
}

TEST(SmoothCurve, RoundsTheDoubleProductOnce) {
    // t = 0.1f: t*t (single) = 0.010000001f; (3 - 0.2000000029802322) = 2.7999999970197678;
    // their double product rounds to 0.028000003f.
    const float t = 0.1f;
    const float tt = t * t;
    EXPECT_EQ(smoothCurve(t), static_cast<float>(static_cast<double>(tt) * (3.0 - 2.0 * 0.1f)));
    EXPECT_EQ(smoothCurve(0.0f), 0.0f);
    EXPECT_EQ(smoothCurve(1.0f), 1.0f);
}

TEST(ClampAndMix, BoundsAndOrder) {
    EXPECT_EQ(clampValue(-1.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(clampValue(2.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(clampValue(0.3f, 0.0f, 1.0f), 0.3f);
    // lo wins when the bounds cross, since it is tested first.
    EXPECT_EQ(clampValue(0.5f, 1.0f, 0.0f), 1.0f);

    struct Case {
        float t, expected;
    } mixes[] = {{-1.0f, 2.0f}, {0.0f, 2.0f}, {0.5f, 3.0f}, {1.0f, 4.0f}, {2.0f, 4.0f}};
    for (const Case& c : mixes) EXPECT_EQ(mixValue(2.0f, 4.0f, c.t), c.expected) << c.t;

    const Rgb a{0.0f, 0.2f, 1.0f};
    const Rgb b{1.0f, 0.4f, 0.0f};
    EXPECT_EQ(mixColor(a, b, -1.0f), a);
    EXPECT_EQ(mixColor(a, b, 0.0f), a);
    EXPECT_EQ(mixColor(a, b, 2.0f), b);
    EXPECT_EQ(mixColor(a, b, 1.0f), b);
    const Rgb half = mixColor(a, b, 0.5f);
    EXPECT_FLOAT_EQ(half.r, 0.5f);
    EXPECT_FLOAT_EQ(half.g, 0.3f);
    EXPECT_FLOAT_EQ(half.b, 0.5f);
    EXPECT_EQ(lerpValue(1.0f, 3.0f, 2.0f), 5.0f);  // unclamped
}

TEST(ColourHelpers, LuminanceAndProducts) {
    EXPECT_EQ(luminance({1.0f, 1.0f, 1.0f}), static_cast<float>(0.3 + 0.59 + 0.11));
    EXPECT_EQ(luminance({0.5f, 0.5f, 0.5f}), 0.5f);
    EXPECT_EQ(luminance({1.0f, 0.0f, 0.0f}), 0.3f);
    EXPECT_EQ(multiplyColor({0.5f, 2.0f, 3.0f}, {2.0f, 0.25f, 0.0f}), (Rgb{1.0f, 0.5f, 0.0f}));
}

TEST(FilterWidth, FloorsAtOneMillionth) {
    const float floor = static_cast<float>(1e-6);
    struct Case {
        float fx, fy, expected;
    } cases[] = {{0.0f, 0.0f, floor},
                 {-1.0f, 1.0f, floor},
                 {4.0f, 1.0f, 2.0f},
                 {1e-7f, 1e-7f, floor},
                 {0.01f, 0.01f, 0.01f}};
    for (const Case& c : cases) EXPECT_FLOAT_EQ(filterWidth(c.fx, c.fy), c.expected);
}

TEST(FilteredPulseTrain, AveragesTheStep) {
    // Point-like width reproduces the step: 0 in the first `edge`, 1 after.
    EXPECT_NEAR(filteredPulseTrain(0.2f, 1.0f, 0.1f, 1e-4f), 0.0f, 1e-3f);
    EXPECT_NEAR(filteredPulseTrain(0.2f, 1.0f, 0.6f, 1e-4f), 1.0f, 1e-3f);
    // A footprint of a whole period gives the duty cycle 1 - edge anywhere.
    for (float x : {0.0f, 0.37f, 5.5f, -2.25f})
        EXPECT_NEAR(filteredPulseTrain(0.2f, 1.0f, x, 1.0f), 0.8f, 1e-5f) << x;
    // Half inside the low part: footprint [0.1, 0.3] covers 0.1 of the step.
    EXPECT_NEAR(filteredPulseTrain(0.2f, 1.0f, 0.2f, 0.2f), 0.5f, 1e-5f);
    // Edge 0 is always 1; a zero width point-samples instead of dividing by zero.
    EXPECT_NEAR(filteredPulseTrain(0.0f, 1.0f, 0.42f, 0.1f), 1.0f, 1e-6f);
    EXPECT_EQ(filteredPulseTrain(0.2f, 1.0f, 0.1f, 0.0f), 0.0f);
    EXPECT_EQ(filteredPulseTrain(0.2f, 1.0f, 0.5f, 0.0f), 1.0f);
}

}  // namespace
}  // namespace texture
