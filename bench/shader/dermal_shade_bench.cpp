// Samples per second through DermalShade's compute with two lights, beside the cost of the six
// scattering-cell lookups a light needs (the baseline), in one run. The ratio counter is
// compute time per sample over lookup time per six lookups.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/sdk/data_handle.h"
#include "shader/dermal_shade_node.h"
#include "shader/scattering_lookup.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGeometry = 256;

struct Sample {
    float point[3], normal[3];
};

// Points on a sphere in front of the camera, with their normals.
std::vector<Sample> sphereSamples() {
    std::vector<Sample> samples;
    for (int i = 0; i < kGeometry; ++i) {
        const double a = 0.37 * i, b = 0.11 * i;
        const float n[3] = {static_cast<float>(std::sin(b) * std::cos(a) * 0.8),
                            static_cast<float>(std::sin(b) * std::sin(a) * 0.8), 0.0f};
        const float nz = std::sqrt(std::max(0.0f, 1.0f - n[0] * n[0] - n[1] * n[1]));
        samples.push_back({{n[0], n[1], nz - 3.0f}, {n[0], n[1], nz}});
    }
    return samples;
}

// A DermalShade node with two lights, ready for per-sample compute on a private store.
struct ShaderFixture {
    KObject node;
    tarn::NodeImpl* impl = nullptr;
    KPlug outPlug;

    ShaderFixture() {
        tarn::Graph& graph = tarn::Graph::instance();
        std::string error;
        if (!graph.findType("DermalShade")) {
            tarn::NodeTypeSpec decl;
            decl.name = "DermalShade";
            decl.id = DermalShade::id;
            decl.creator = DermalShade::creator;
            decl.initializer = DermalShade::initialize;
            decl.classification = "shader/surface";
            graph.registerType(decl, &error);
        }
        node = graph.createNode("DermalShade", "", &error);
        impl = tarn::NodeImpl::from(node);
        const float dirs[2][3] = {{-0.45f, 0.55f, 0.7f}, {0.6f, -0.2f, 0.77f}};
        for (unsigned l = 0; l < 2; ++l) {
            const KPlug element = KPlug(node, DermalShade::lightDataArray).elementByLogicalIndex(l);
            for (unsigned c = 0; c < 3; ++c) {
                element.child(DermalShade::lightDirection.parent).child(c).setValue(dirs[l][c]);
                element.child(DermalShade::lightIntensity.parent).child(c).setValue(0.5f);
            }
            element.child(DermalShade::lightSpecular).setValue(true);
        }
        outPlug = KPlug(node, DermalShade::outColor.parent);
    }
};

// Shades `count` samples; returns a checksum so the work is not optimised away.
float shadeSamples(ShaderFixture& f, tarn::DataStore& local, const std::vector<Sample>& geometry,
                   int count, int& cursor) {
    KDataBlock block(&local);
    const tarn::NodeType& type = local.type();
    KDataHandle point = tarn::storeHandle(local, *type.findAttribute("pointCamera"), -1, false);
    KDataHandle normal = tarn::storeHandle(local, *type.findAttribute("normalCamera"), -1, false);
    KDataHandle out = tarn::storeHandle(local, *type.findAttribute("outColor"), -1, false);
    float sum = 0.0f;
    for (int i = 0; i < count; ++i) {
        const Sample& s = geometry[cursor++ % kGeometry];
        point.set(s.point[0], s.point[1], s.point[2]);
        normal.set(s.normal[0], s.normal[1], s.normal[2]);
        f.impl->userNode()->compute(f.outPlug, block);
        sum += out.asFloatVector().x;
    }
    return sum;
}

// Six lookups per sample, with the parameters a sample of the default skin would use.
double lookupSamples(int count, int& cursor) {
    dermal::ScatteringCell cell;
    const double albedo[3] = {0.993, 0.979, 0.943}, aniso[3] = {0.8595, 0.8541, 0.8226};
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        const double jitter = (cursor++ % kGeometry) * 1e-4;
        for (int k = 0; k < 6; ++k) {
            dermal::lookupScatteringCell(albedo[k % 3] - jitter, aniso[k % 3], 0.5 + jitter, cell);
            sum += cell.order[0][5];
        }
    }
    return sum;
}

void BM_DermalShadeCompute(benchmark::State& state) {
    ShaderFixture f;
    tarn::DataStore local(f.impl->store());
    const auto geometry = sphereSamples();
    int cursor = 0;
    for (auto _ : state) benchmark::DoNotOptimize(shadeSamples(f, local, geometry, 1, cursor));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DermalShadeCompute);

void BM_SixCellLookups(benchmark::State& state) {
    int cursor = 0;
    for (auto _ : state) benchmark::DoNotOptimize(lookupSamples(1, cursor));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SixCellLookups);

// Both in one measurement: batches alternate so machine noise hits both alike.
void BM_ComputeOverLookups(benchmark::State& state) {
    ShaderFixture f;
    tarn::DataStore local(f.impl->store());
    const auto geometry = sphereSamples();
    constexpr int kBatch = 512;
    int cursorA = 0, cursorB = 0;
    double computeSeconds = 0.0, lookupSeconds = 0.0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(shadeSamples(f, local, geometry, kBatch, cursorA));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(lookupSamples(kBatch, cursorB));
        auto t2 = Clock::now();
        computeSeconds += std::chrono::duration<double>(t1 - t0).count();
        lookupSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double samples = static_cast<double>(state.iterations()) * kBatch;
    state.counters["compute_samples_per_s"] = samples / computeSeconds;
    state.counters["lookup6_samples_per_s"] = samples / lookupSeconds;
    state.counters["ratio_compute_over_lookups"] = computeSeconds / lookupSeconds;
}
BENCHMARK(BM_ComputeOverLookups)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
