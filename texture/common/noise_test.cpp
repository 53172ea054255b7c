#include "texture/common/noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "frame/k_random.h"
#include "texture/common/noise_reference.h"
#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

TEST(Random48, StreamMatchesIndependentReference) {
    std::lock_guard<std::recursive_mutex> guard(KFoundation::randomLock());
    KFoundation::srand48(1);
    Reference48 ref(1);
    for (int i = 0; i < 1023; ++i) ASSERT_EQ(KFoundation::lrand48(), ref.next()) << "draw " << i;
    // The published first draws after srand48(1) (libc agrees).
    KFoundation::srand48(1);
    EXPECT_EQ(KFoundation::lrand48(), 89400484L);
    EXPECT_EQ(KFoundation::lrand48(), 976015093L);
    KFoundation::srand48(1);
    EXPECT_DOUBLE_EQ(KFoundation::drand48(), 0.041630344771878214);
}

TEST(NoiseTables, EqualTheTablesBuiltFromTheReferenceStream) {
    const NoiseTables& t = noiseTables();
    const NoiseTables expected = referenceTables();
    for (int i = 0; i < NoiseTables::kSize; ++i) {
        EXPECT_EQ(t.perm[i], expected.perm[i]) << i;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(t.grad[i][k], expected.grad[i][k]) << i;
    }
}

TEST(NoiseTables, UpperHalfRepeatsTheFirst258Entries) {
    const NoiseTables& t = noiseTables();
    std::set<int> seen;
    for (int i = 0; i < 256; ++i) seen.insert(t.perm[i]);
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 255);
    for (int i = 0; i < 258; ++i) {
        EXPECT_EQ(t.perm[256 + i], t.perm[i]);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(t.grad[256 + i][k], t.grad[i][k]);
    }
    for (int i = 0; i < 256; ++i) {
        const float* g = t.grad[i];
        EXPECT_NEAR(g[0] * g[0] + g[1] * g[1] + g[2] * g[2], 1.0f, 1e-5f) << i;
    }
}

TEST(NoiseTables, ConcurrentFirstUseIsSafe) {
    // Every thread must see the filled tables, whatever the order of arrival.
    std::vector<std::thread> threads;
    std::vector<float> results(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&results, i] { results[i] = noise3(0.3f, 0.7f, 1.1f); });
    for (auto& th : threads) th.join();
    for (float r : results) EXPECT_EQ(r, results[0]);
}

TEST(Noise, ZeroAtEveryLatticePoint) {
    const float points[] = {0.0f, 1.0f, -1.0f, 17.0f, 255.0f, 256.0f, -256.0f, -300.0f, 1000.0f};
    for (float x : points) {
        EXPECT_EQ(noise1(x), 0.0f) << x;
        for (float y : points) {
            EXPECT_EQ(noise2(x, y), 0.0f) << x << "," << y;
            EXPECT_EQ(noise3(x, y, 3.0f), 0.0f) << x << "," << y;
        }
    }
}

TEST(Noise, HalfCellValuesFollowTheGradients) {
    // noise1(0.5): t = 256.5, cell 0, r0 = 0.5, r1 = -0.5, s = 0.5, so
    // u = 0.5 gx(p[0]), v = -0.5 gx(p[1]) and the result is u + 0.5 (v - u) = (u + v) / 2.
    const NoiseTables& t = noiseTables();
    const float u = 0.5f * t.grad[t.perm[0]][0];
    const float v = -0.5f * t.grad[t.perm[1]][0];
    EXPECT_FLOAT_EQ(noise1(0.5f), u + 0.5f * (v - u));
    // Below -256 the cell comes from truncation toward zero: t = -44.25 gives k = -44,
    // cell (-44 & 255) = 212, r0 = -0.25 (negative), r1 = -1.25, s = 0.0625 * 3.5 = 0.21875.
    const float u2 = -0.25f * t.grad[t.perm[212]][0];
    const float v2 = -1.25f * t.grad[t.perm[213]][0];
    EXPECT_FLOAT_EQ(noise1(-300.25f), u2 + 0.21875f * (v2 - u2));
}

TEST(Noise, StaysNearUnitRangeAndHandlesHugeInputs) {
    for (int i = 0; i < 2000; ++i) {
        const float x = i * 0.173f - 150.0f, y = i * 0.071f, z = i * -0.031f;
        EXPECT_LE(std::fabs(noise1(x)), 1.0f);
        EXPECT_LE(std::fabs(noise2(x, y)), 1.5f);
        EXPECT_LE(std::fabs(noise3(x, y, z)), 1.5f);
    }
    // Beyond int range every float is whole: a lattice point, so 0 (no undefined conversion).
    EXPECT_EQ(noise3(3e9f, -5e12f, 1e30f), 0.0f);
    EXPECT_EQ(noise1(std::nanf("")), 0.0f);
    // The largest offset coordinate below 2^31 (2147483520) still truncates: cell 128 with
    // offset 0, the same lattice plane as -128 + 256.
    EXPECT_EQ(noise3(2147483264.0f, 0.3f, 0.2f), noise3(-128.0f, 0.3f, 0.2f));
    EXPECT_EQ(noise2(0.7f, 2147483264.0f), noise2(0.7f, -128.0f));
    // -2^31 itself truncates to the cell of every multiple of 256.
    EXPECT_EQ(noise3(-2147483904.0f, 0.3f, 0.2f), noise3(-256.0f, 0.3f, 0.2f));
}

TEST(Noise, UnitAndBandForms) {
    const float xs[] = {0.37f, 1.9f, -4.2f, 77.7f};
    for (float x : xs) {
        const float n = noise1(x);
        EXPECT_EQ(unitNoise1(x), static_cast<float>((n + 1.0) * 0.5));
        const float a = unitNoise1(x);
        const float band = a <= 0.2f ? 0.0f : a >= 0.75f ? 1.0f : noiseBand1(x);
        EXPECT_EQ(noiseBand1(x), band);
        EXPECT_GE(noiseBand2(x, 0.5f * x), 0.0f);
        EXPECT_LE(noiseBand2(x, 0.5f * x), 1.0f);
    }
    // At a lattice point the unit value is exactly 0.5: t = 0.3 / 0.55 = 0.545454,
    // t * t * (3 - 2t) = 0.297521 * 1.909091 = 0.567994.
    EXPECT_EQ(unitNoise2(4.0f, 9.0f), 0.5f);
    EXPECT_NEAR(noiseBand2(4.0f, 9.0f), 0.567994f, 1e-6f);
}

TEST(FractalNoise, OctaveCountAndFade) {
    struct Case {
        int octaves;
        float width;
        bool zero;
    } cases[] = {{0, 0.0f, true}, {-3, 0.0f, true}, {4, 0.75f, true}, {4, 5.0f, true}};
    for (const Case& c : cases)
        EXPECT_EQ(fractalNoise3(0.3f, 0.6f, 0.9f, c.width, c.octaves, 2.0f, 0.5f), 0.0f);
    // One sharp octave is the plain noise; two add the scaled second octave.
    EXPECT_EQ(fractalNoise3(0.3f, 0.6f, 0.9f, 0.0f, 1, 2.0f, 0.5f), noise3(0.3f, 0.6f, 0.9f));
    const float two = noise3(0.3f, 0.6f, 0.9f) + noise3(0.6f, 1.2f, 1.8f) * 0.5f;
    EXPECT_FLOAT_EQ(fractalNoise3(0.3f, 0.6f, 0.9f, 0.1f, 2, 2.0f, 0.5f), two);
    // Width 0.3 fades the first octave by smoothCurve(0.1 / 0.55) and drops the second (0.6).
    const float fade = smoothStep(0.2f, 0.75f, 0.3f);
    EXPECT_NEAR(fractalNoise3(0.3f, 0.6f, 0.9f, 0.3f, 2, 2.0f, 0.5f),
                noise3(0.3f, 0.6f, 0.9f) * (1.0f - fade) +
                    noise3(0.6f, 1.2f, 1.8f) * (1.0f - smoothStep(0.2f, 0.75f, 0.6f)) * 0.5f,
                1e-6f);
}

}  // namespace
}  // namespace texture
