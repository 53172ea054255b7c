// DermalShade evaluated per sample through the host's SampleEvaluator, as a renderer does: the
// node keeps no state between computes, so private blocks on many threads give the same bits as
// one serial block and as the dependency graph itself.

#include <gtest/gtest.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/dg/sample_evaluator.h"
#include "shader/dermal_shade_test_fixture.h"

// Counts allocations made while `gCountAllocations` is set, on any thread, for the check that
// shading a sample allocates nothing.
std::atomic<bool> gCountAllocations{false};
std::atomic<long> gAllocations{0};

void* operator new(std::size_t size) {
    if (gCountAllocations.load(std::memory_order_relaxed)) ++gAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// Note: kept out of line so that the compiler does not pair an inlined free() with new
// expressions (a false -Wmismatched-new-delete).
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using dermal_test::DermalShadeFixture;

constexpr int kSamples = 3000;

// Sample i: a point on a unit sphere seen from the origin, its outward normal, and a per-sample
// intensity for one of the lights.
struct Sample {
    float point[3], normal[3], intensity[3];
};

Sample makeSample(int i) {
    const double theta = 0.05 + 1.5 * ((i * 37) % kSamples) / kSamples;  // polar, radians
    const double phi = 6.283185307179586 * ((i * 101) % 97) / 97.0;
    const double nx = std::sin(theta) * std::cos(phi), ny = std::sin(theta) * std::sin(phi);
    const double nz = std::cos(theta);
    Sample s;
    // Sphere centre at (0, 0, -3): point = centre + normal, normal facing the camera side.
    const float point[3] = {static_cast<float>(nx), static_cast<float>(ny),
                            static_cast<float>(-3.0 + nz)};
    const float normal[3] = {static_cast<float>(nx), static_cast<float>(ny),
                             static_cast<float>(nz)};
    const float intensity[3] = {1.0f + 0.25f * (i % 7), 0.5f, 0.125f * (i % 5)};
    std::memcpy(s.point, point, sizeof point);
    std::memcpy(s.normal, normal, sizeof normal);
    std::memcpy(s.intensity, intensity, sizeof intensity);
    return s;
}

class DermalShadeSampling : public DermalShadeFixture {
protected:
    void SetUp() override {
        DermalShadeFixture::SetUp();
        set3(DermalShade::reflectedColor, 0.3f, 0.3f, 0.4f);
        addLight(1, {{0.3f, 0.5f, 0.81f}, {1, 0.9f, 0.8f}, false, true, true});
        addLight(6, {{-0.6f, 0.2f, 0.77f}, {1, 1, 1}, true, true, false});
        addLight(9, {{0, 0, 1}, {0.1f, 0.1f, 0.2f}, true, false, false});
    }
};

TEST_F(DermalShadeSampling, ParallelBlocksMatchASerialRunAndTheGraph) {
    std::string error;
    tarn::SampleEvaluator eval;
    ASSERT_TRUE(eval.prepare(node, &error)) << error;
    // The shader does not declare itself parallel-safe; it relies on each thread having its
    // own block instead.
    EXPECT_FALSE(eval.isMPSafe());
    const tarn::SampleSlot point = eval.slot("pointCamera"), normal = eval.slot("n"),
                           color = eval.slot("outColor"), intensity = eval.slot("li");
    ASSERT_TRUE(point && normal && color && intensity);

    auto shadeSample = [&](tarn::SampleBlock& block, int i) {
        const Sample s = makeSample(i);
        block.set(point, s.point[0], s.point[1], s.point[2]);
        block.set(normal, s.normal[0], s.normal[1], s.normal[2]);
        block.handle(intensity, 6).set(s.intensity[0], s.intensity[1], s.intensity[2]);
        EXPECT_TRUE(block.compute(color));
        return block.floatVector(color);
    };

    std::vector<KFloatVector> serial(kSamples), parallel(kSamples);
    {
        tarn::SampleBlock block = eval.makeBlock();
        for (int i = 0; i < kSamples; ++i) serial[i] = shadeSample(block, i);
    }
    tbb::parallel_for(tbb::blocked_range<int>(0, kSamples, 64),
                      [&](const tbb::blocked_range<int>& range) {
                          tarn::SampleBlock block = eval.makeBlock();
                          // Walk backwards so no task sees its samples in the serial order.
                          for (int i = range.end() - 1; i >= range.begin(); --i)
                              parallel[i] = shadeSample(block, i);
                      });
    ASSERT_EQ(std::memcmp(serial.data(), parallel.data(), sizeof(KFloatVector) * kSamples), 0);

    int lit = 0;
    for (const KFloatVector& c : serial) {
        ASSERT_TRUE(std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z));
        lit += c.x > 0.1f;
    }
    EXPECT_GT(lit, kSamples / 4);  // the samples are really lit, not a trivial black

    // The graph gives the same values as the evaluator's blocks.
    for (int i : {0, 1, 777, kSamples - 1}) {
        const Sample s = makeSample(i);
        set3(DermalShade::pointCamera, s.point[0], s.point[1], s.point[2]);
        set3(DermalShade::normalCamera, s.normal[0], s.normal[1], s.normal[2]);
        const KPlug li = lightElement(6).child(DermalShade::lightIntensity.parent);
        for (unsigned c = 0; c < 3; ++c) ASSERT_TRUE(li.child(c).setValue(s.intensity[c]));
        EXPECT_EQ(shade(), serial[i]) << "sample " << i;
    }
}

TEST_F(DermalShadeSampling, ShadingASampleAllocatesNothing) {
    std::string error;
    tarn::SampleEvaluator eval;
    ASSERT_TRUE(eval.prepare(node, &error)) << error;
    const tarn::SampleSlot point = eval.slot("pc"), normal = eval.slot("n"),
                           color = eval.slot("oc"), intensity = eval.slot("li");
    tarn::SampleBlock block = eval.makeBlock();
    int lit = 0;
    gAllocations = 0;
    gCountAllocations = true;
    for (int i = 0; i < 200; ++i) {
        const Sample s = makeSample(i * 13);
        block.set(point, s.point[0], s.point[1], s.point[2]);
        block.set(normal, s.normal[0], s.normal[1], s.normal[2]);
        block.handle(intensity, 1).set(s.intensity[0], s.intensity[1], s.intensity[2]);
        lit += block.compute(color) && block.floatVector(color).x > 0.0f;
    }
    gCountAllocations = false;
    EXPECT_EQ(gAllocations.load(), 0);
    EXPECT_EQ(lit, 200);
}

TEST_F(DermalShadeSampling, ClearingTheLightsLeavesTheEnvironment) {
    std::string error;
    tarn::SampleEvaluator eval;
    ASSERT_TRUE(eval.prepare(node, &error)) << error;
    const tarn::SampleSlot point = eval.slot("pc"), normal = eval.slot("n"),
                           color = eval.slot("oc"), lights = eval.slot("ltd");
    tarn::SampleBlock block = eval.makeBlock();
    block.set(point, 0, 0, -1);
    block.set(normal, 0, 0, 1);
    block.clearArray(lights);
    ASSERT_TRUE(block.compute(color));
    // Head-on view: F = 1/36 on reflectedColor (0.3, 0.3, 0.4).
    const KFloatVector c = block.floatVector(color);
    EXPECT_FLOAT_EQ(c.x, static_cast<float>(0.3f * (1.0 / 36.0)));
    EXPECT_FLOAT_EQ(c.z, static_cast<float>(0.4f * (1.0 / 36.0)));
    // The node's own lights are untouched by the private block.
    EXPECT_EQ(plug(DermalShade::lightDataArray).numElements(), 3u);
}

}  // namespace
