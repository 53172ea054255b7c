#include "texture/treeBark/tree_bark_pattern.h"

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/hsv.h"
#include "texture/common/noise.h"
#include "texture/common/scalar_ops.h"
#include "texture/common/test_support.h"

namespace texture {
namespace {

TEST(TreeBarkPattern, ZeroFrequencyIsFlatBark) {
    TreeBarkParams p;
    p.frequency = 0.0f;
    const PatternResult r = treeBarkPattern(0.3f, 0.4f, 0.01f, 0.01f, p);
    EXPECT_EQ(r.color, p.barkColor);
    EXPECT_EQ(r.alpha, 0.0f);
}

TEST(TreeBarkPattern, GoldenAtTheOrigin) {
    // u = v = 0: s = t = 0, X = Y = 0 (noise1 is 0 at integers), q = atan2(0, 0) = 0, z = 0, so
    // every fractal octave samples the lattice point 0 and returns 0.
    // Mottling: n = 0 * 0.6 + 0.4 = 0.4, mt = smoothCurve(0.2 / 0.55 = 0.363636) = 0.300526,
    //   alpha = 0.300526 / 3 = 0.100175 (the bark itself is hidden below).
    // Edge: n = 0.5, edge = smoothCurve(0.3 / 0.55) = 0.567994; fwidth = 0.2 * 1.067994.
    // Plate: x = 0.5 * fwidth = 0.1068 lies in the furrow part [0, fwidth) of the step and the
    //   1e-4 footprint stays inside it, so plate = 0.
    // Crack: furrow = mix(black, (0.12, 0.03, 0), 0.567994) = (0.068159, 0.017040, 0);
    //   alpha = 0.100175 + 0 + 0.567994 / 3 = 0.289507. Colour = furrow.
    const PatternResult r = treeBarkPattern(0.0f, 0.0f, 1e-4f, 1e-4f, TreeBarkParams{});
    EXPECT_TRUE(colorNear(r.color, {0.0681593f, 0.0170398f, 0.0f}, 1e-6f));
    EXPECT_NEAR(r.alpha, 0.289507f, 1e-6f);

    // Without mottling and edges the origin is plain furrow with alpha 0.
    TreeBarkParams plain;
    plain.mottling = false;
    plain.edgeVariation = false;
    const PatternResult f = treeBarkPattern(0.0f, 0.0f, 1e-4f, 1e-4f, plain);
    EXPECT_EQ(f.color, plain.furrowColor);
    EXPECT_EQ(f.alpha, 0.0f);
}

TEST(TreeBarkPattern, PlainGridMixesFurrowAndBarkByPlate) {
    TreeBarkParams p;
    p.mottling = false;
    p.edgeVariation = false;
    int plates = 0, furrows = 0;
    for (int i = 0; i < 400; ++i) {
        const float u = i * 0.0123f, v = i * 0.0071f;
        const PatternResult r = treeBarkPattern(u, v, 0.002f, 0.002f, p);
        ASSERT_GE(r.alpha, 0.0f);
        ASSERT_LE(r.alpha, 1.0f);
        EXPECT_TRUE(colorNear(r.color, mixColor(p.furrowColor, p.barkColor, r.alpha), 1e-6f));
        plates += r.alpha == 1.0f;
        furrows += r.alpha == 0.0f;
    }
    EXPECT_GT(plates, 100);
    EXPECT_GT(furrows, 10);
}

TEST(TreeBarkPattern, ZeroFurrowWidthIsAllBark) {
    // Pinned: the filtered step must give exactly 1 here even for footprints far below one ulp
    // of the grid coordinate.
    TreeBarkParams p;
    p.furrowWidth = 0.0f;
    for (int i = 0; i < 200; ++i) {
        const float u = 3.0f + i * 0.0173f, v = 7.0f + i * 0.0091f;
        for (float fs : {1e-6f, 1e-3f}) {
            const PatternResult r = treeBarkPattern(u, v, fs, fs, p);
            EXPECT_GE(r.alpha, 1.0f) << u << "," << v << " " << fs;
            EXPECT_LE(r.alpha, 1.0f + 1.0f / 3.0f + 1e-6f);
        }
    }
}

TEST(TreeBarkPattern, CracksShowOnlyWithEdgeVariation) {
    TreeBarkParams p;
    p.mottling = false;
    p.barkColor = {1, 0, 0};
    p.furrowColor = {0, 1, 0};
    p.crackColor = {0, 0, 1};
    TreeBarkParams smooth = p;
    smooth.edgeVariation = false;
    int cracks = 0;
    for (int i = 0; i < 600; ++i) {
        const float u = i * 0.0117f, v = i * 0.0043f;
        cracks += treeBarkPattern(u, v, 0.001f, 0.001f, p).color.b > 0.0f;
        EXPECT_EQ(treeBarkPattern(u, v, 0.001f, 0.001f, smooth).color.b, 0.0f);
    }
    EXPECT_GT(cracks, 0);
}

TEST(TreeBarkPattern, PlateVariationKeepsAlpha) {
    TreeBarkParams p;
    TreeBarkParams varied = p;
    varied.hueOffset = 30.0f;
    varied.saturationOffset = 0.5f;
    varied.brightnessOffset = 0.5f;
    int changed = 0;
    for (int i = 0; i < 100; ++i) {
        const float u = 0.1f + i * 0.031f, v = 0.2f + i * 0.017f;
        const PatternResult a = treeBarkPattern(u, v, 0.001f, 0.001f, p);
        const PatternResult b = treeBarkPattern(u, v, 0.001f, 0.001f, varied);
        EXPECT_EQ(a.alpha, b.alpha);
        changed += !(a.color == b.color);
    }
    EXPECT_GT(changed, 10);
}

TEST(TreeBarkPattern, PlateVariationFollowsTheSkewedGridAndUnitNoise) {
    // No furrow, no mottling: the colour is the varied bark alone, derived here step by step.
    TreeBarkParams p;
    p.furrowWidth = 0.0f;
    p.mottling = false;
    p.edgeVariation = false;
    p.hueOffset = 30.0f;
    p.saturationOffset = 0.5f;
    p.brightnessOffset = 0.5f;
    for (int i = 0; i < 200; ++i) {
        const float u = -1.79310393f + i * 0.0213f, v = 2.17383575f - i * 0.0157f;
        const float s = (u * p.uWidth - v) * p.frequency;
        const float t = (v * p.vWidth + u) * p.frequency;
        const float X = noise1(t) + s, Y = noise1(s) + t;
        const float q = std::atan2(std::floor(X), std::floor(Y));
        const float z = q * q * 313.0f;
        // The unit noise is rounded to single before it is recentred.
        const float kxy = unitNoise2(X, Y) - 0.5f, kyx = unitNoise2(Y, X) - 0.5f;
        const Rgb expected = adjustHsv(p.barkColor, (z * p.hueOffset / 113.0f) * kxy,
                                       (z * p.saturationOffset / 127.0f) * kxy,
                                       (z * p.brightnessOffset / 131.0f) * kyx);
        EXPECT_EQ(treeBarkPattern(u, v, 0.001f, 0.001f, p).color, expected) << u << "," << v;
    }
}

}  // namespace
}  // namespace texture
