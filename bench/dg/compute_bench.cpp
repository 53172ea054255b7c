// One compute through the data block of a node with 30 input leaves, against the same
// arithmetic called directly on the same values, in one run. The "ratio" counter is
// host time / direct time (goal: at most 1.25).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "bench/dg/bench_fixture.h"
#include "frame/k_attribute.h"
#include "frame/k_data.h"
#include "frame/k_node.h"
#include "host/dg/graph.h"
#include "host/dg/sample_evaluator.h"

namespace {

// The 30 inputs of a texture-like node: uv, filter sizes, three colours, gains and pattern
// parameters.
struct Inputs {
    float u, v, fsx, fsy, filter, filterOffset;
    KFloatVector defaultColor, colorGain, colorOffset, color1, color2;
    float alphaGain, alphaOffset;
    bool alphaIsLuminance, invert;
    float scale, contrast, threshold, amplitude;
};

float hash(int x, int y) {
    unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>(h & 0xffffff) / 16777215.0f;
}

// Value noise, three octaves: about the work of a light procedural texture.
float pattern(float u, float v) {
    float sum = 0.0f, amp = 0.5f;
    for (int o = 0; o < 3; ++o) {
        float x = u * (4 << o), y = v * (4 << o);
        int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
        float fx = x - ix, fy = y - iy;
        fx = fx * fx * (3 - 2 * fx);
        fy = fy * fy * (3 - 2 * fy);
        float a = hash(ix, iy), b = hash(ix + 1, iy), c = hash(ix, iy + 1),
              d = hash(ix + 1, iy + 1);
        sum += amp * ((a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy);
        amp *= 0.5f;
    }
    return sum;
}

// Not inlined, so that both sides run the very same code for the arithmetic.
[[gnu::noinline]] void shade(const Inputs& in, KFloatVector& color, float& alpha) {
    float fx = in.filter * in.fsx + in.filterOffset;
    float fy = in.filter * in.fsy + in.filterOffset;
    float t = pattern(in.u * in.scale, in.v * in.scale) * in.amplitude;
    t = std::clamp((t - in.threshold) * in.contrast + 0.5f + 0.01f * (fx + fy), 0.0f, 1.0f);
    color = in.color1 * (1 - t) + in.color2 * t;
    alpha = t;
    if (in.alphaIsLuminance) alpha = 0.3f * color.x + 0.59f * color.y + 0.11f * color.z;
    if (in.invert) {
        color = KFloatVector(1, 1, 1) - color;
        alpha = 1 - alpha;
    }
    color =
        KFloatVector(color.x * in.colorGain.x, color.y * in.colorGain.y, color.z * in.colorGain.z) +
        in.colorOffset;
    alpha = alpha * in.alphaGain + in.alphaOffset;
}

struct BenchNode : KPxNode {
    static inline KObject u, v, fs, filter, filterOffset, defaultColor, colorGain, colorOffset,
        color1, color2, alphaGain, alphaOffset, ail, invert, scale, contrast, threshold, amplitude,
        outColor, outAlpha;
    static void* creator() { return new BenchNode; }
    static KStatus initialize() {
        KFnNumericAttribute n;
        auto leaf = [&](const char* l, const char* s, double d) {
            return n.create(l, s, KFnNumericData::kFloat, d);
        };
        u = leaf("uCoord", "u", 0);
        v = leaf("vCoord", "v", 0);
        KObject fsx = leaf("uvFilterSizeX", "fsx", 0.01), fsy = leaf("uvFilterSizeY", "fsy", 0.01);
        fs = n.create("uvFilterSize", "fs", fsx, fsy);
        filter = leaf("filter", "f", 1);
        filterOffset = leaf("filterOffset", "fo", 0);
        defaultColor = n.createColor("defaultColor", "dc");
        colorGain = n.createColor("colorGain", "cg");
        n.setDefault(1.0, 1.0, 1.0);
        colorOffset = n.createColor("colorOffset", "co");
        color1 = n.createColor("color1", "c1");
        n.setDefault(0.2, 0.3, 0.6);
        color2 = n.createColor("color2", "c2");
        n.setDefault(0.9, 0.8, 0.7);
        alphaGain = leaf("alphaGain", "ag", 1);
        alphaOffset = leaf("alphaOffset", "ao", 0);
        ail = n.create("alphaIsLuminance", "ail", KFnNumericData::kBoolean, 0);
        invert = n.create("invert", "i", KFnNumericData::kBoolean, 0);
        scale = leaf("scale", "sc", 3);
        contrast = leaf("contrast", "ct", 1.5);
        threshold = leaf("threshold", "th", 0.4);
        amplitude = leaf("amplitude", "am", 1);
        outColor = n.createColor("outColor", "oc");
        outAlpha = leaf("outAlpha", "oa", 0);
        for (KObject* a :
             {&u,         &v,           &fs,     &filter,   &filterOffset, &defaultColor,
              &colorGain, &colorOffset, &color1, &color2,   &alphaGain,    &alphaOffset,
              &ail,       &invert,      &scale,  &contrast, &threshold,    &amplitude,
              &outColor,  &outAlpha}) {
            addAttribute(*a);
            if (a != &outColor && a != &outAlpha) {
                attributeAffects(*a, outColor);
                attributeAffects(*a, outAlpha);
            }
        }
        return KStatus();
    }
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        if (!(plug == outColor || plug == outAlpha)) return KStatus::kUnknownParameter;
        Inputs in;
        in.u = block.inputValue(u).asFloat();
        in.v = block.inputValue(v).asFloat();
        auto f = block.inputValue(fs).asFloat2();
        in.fsx = f[0];
        in.fsy = f[1];
        in.filter = block.inputValue(filter).asFloat();
        in.filterOffset = block.inputValue(filterOffset).asFloat();
        in.defaultColor = block.inputValue(defaultColor).asFloatVector();
        in.colorGain = block.inputValue(colorGain).asFloatVector();
        in.colorOffset = block.inputValue(colorOffset).asFloatVector();
        in.color1 = block.inputValue(color1).asFloatVector();
        in.color2 = block.inputValue(color2).asFloatVector();
        in.alphaGain = block.inputValue(alphaGain).asFloat();
        in.alphaOffset = block.inputValue(alphaOffset).asFloat();
        in.alphaIsLuminance = block.inputValue(ail).asBool();
        in.invert = block.inputValue(invert).asBool();
        in.scale = block.inputValue(scale).asFloat();
        in.contrast = block.inputValue(contrast).asFloat();
        in.threshold = block.inputValue(threshold).asFloat();
        in.amplitude = block.inputValue(amplitude).asFloat();
        KFloatVector color;
        float alpha;
        shade(in, color, alpha);
        KDataHandle oa = block.outputValue(outAlpha);
        oa.set(alpha);
        oa.setClean();
        KDataHandle oc = block.outputValue(outColor);
        oc.set(color);
        oc.setClean();
        return KStatus();
    }
};

Inputs directInputs() {
    Inputs in{};
    in.fsx = in.fsy = 0.01f;
    in.filter = 1;
    in.colorGain = {1, 1, 1};
    in.color1 = {0.2f, 0.3f, 0.6f};
    in.color2 = {0.9f, 0.8f, 0.7f};
    in.alphaGain = 1;
    in.scale = 3;
    in.contrast = 1.5f;
    in.threshold = 0.4f;
    in.amplitude = 1;
    in.defaultColor = {0.5f, 0.5f, 0.5f};
    return in;
}

constexpr int kSamples = 256;

bench::NodeFixture& fixture() {
    static bench::NodeFixture f(std::type_identity<BenchNode>{}, "benchTexture", 0x7ffb01);
    return f;
}

float hostBatch(tarn::SampleBlock& block, const bench::NodeFixture& f, int seed) {
    float acc = 0;
    for (int i = 0; i < kSamples; ++i) {
        block.set(f.u, (i + seed) * 0.0037);
        block.set(f.v, i * 0.0051);
        block.compute(f.color);
        acc += block.floatVector(f.color).x;
    }
    return acc;
}

float directBatch(Inputs& in, int seed) {
    float acc = 0;
    for (int i = 0; i < kSamples; ++i) {
        in.u = static_cast<float>((i + seed) * 0.0037);
        in.v = static_cast<float>(i * 0.0051);
        KFloatVector c;
        float a;
        shade(in, c, a);
        benchmark::DoNotOptimize(a);
        acc += c.x;
    }
    return acc;
}

void BM_ComputeThroughDataBlock(benchmark::State& state) {
    bench::NodeFixture& f = fixture();
    tarn::SampleBlock block = f.eval.makeBlock();
    int seed = 0;
    for (auto _ : state) benchmark::DoNotOptimize(hostBatch(block, f, ++seed));
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void BM_SameArithmeticDirect(benchmark::State& state) {
    Inputs in = directInputs();
    int seed = 0;
    for (auto _ : state) benchmark::DoNotOptimize(directBatch(in, ++seed));
    state.SetItemsProcessed(state.iterations() * kSamples);
}

// Both side by side in the same loop, so machine noise hits them alike.
void BM_HostOverheadRatio(benchmark::State& state) {
    bench::NodeFixture& f = fixture();
    tarn::SampleBlock block = f.eval.makeBlock();
    Inputs in = directInputs();
    using Clock = std::chrono::steady_clock;
    Clock::duration host{}, direct{};
    int seed = 0;
    for (auto _ : state) {
        ++seed;
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(hostBatch(block, f, seed));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(directBatch(in, seed));
        auto t2 = Clock::now();
        host += t1 - t0;
        direct += t2 - t1;
    }
    state.counters["ratio"] =
        std::chrono::duration<double>(host).count() / std::chrono::duration<double>(direct).count();
    state.counters["host_ns_per_sample"] =
        std::chrono::duration<double, std::nano>(host).count() / (state.iterations() * kSamples);
    state.counters["direct_ns_per_sample"] =
        std::chrono::duration<double, std::nano>(direct).count() / (state.iterations() * kSamples);
}

}  // namespace

BENCHMARK(BM_ComputeThroughDataBlock);
BENCHMARK(BM_SameArithmeticDirect);
BENCHMARK(BM_HostOverheadRatio);
BENCHMARK_MAIN();
