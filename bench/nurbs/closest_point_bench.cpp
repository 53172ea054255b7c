// closestPoint over 100,000 points near a wavy bicubic surface of 10 x 10 patches beside
// 100,000 plain evaluations of it, both through KFnNurbsSurface on surface data, and the same
// pair on the surface math directly. The ratio counters are closest-point time / evaluation
// time in the same loop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "frame/k_nurbs.h"
#include "host/nurbs/surface_data.h"

namespace {

using namespace tarn;
using namespace tarn::nurbs;

constexpr int kPatches = 10;
constexpr int kPoints = 100'000;

struct Subject {
    KObject data;
    SurfaceRef value;
    std::vector<KPoint> near;                   // query points
    std::vector<std::pair<double, double>> uv;  // evaluation parameters
};

// Bicubic, knots 0..10 each way, CVs on a 10 x 10 square with a height wave.
const Subject& subject() {
    static const Subject s = [] {
        Subject out;
        const int n = kPatches + 3;
        KPointArray cvs;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                cvs.append(KPoint(i, j, 0.8 * std::sin(0.9 * i) * std::cos(0.7 * j)));
        KDoubleArray knots;
        for (double k : {0.0, 0.0}) knots.append(k);
        for (int k = 0; k <= kPatches; ++k) knots.append(k);
        for (double k : {10.0, 10.0}) knots.append(k);
        out.data = KFnNurbsSurfaceData().create();
        KFnNurbsSurface fn;
        fn.create(cvs, knots, knots, 3, 3, KFnNurbsSurface::kOpen, KFnNurbsSurface::kOpen, false,
                  out.data);
        out.value = NurbsSurfaceDataImpl::from(out.data)->value;
        // Points within 0.3 of the surface along its normal, a little off sideways too.
        std::mt19937 random(11);
        std::uniform_real_distribution<double> param(0.0, kPatches), offset(-0.3, 0.3);
        for (int k = 0; k < kPoints; ++k) {
            const double u = param(random), v = param(random);
            KPoint p;
            fn.getPointAtParam(u, v, p);
            const KVector nrm = fn.normal(u, v);
            out.near.push_back(KPoint(p.x + nrm.x * offset(random) + 0.05 * offset(random),
                                      p.y + nrm.y * offset(random), p.z + nrm.z * offset(random)));
            out.uv.emplace_back(param(random), param(random));
        }
        out.value->search();  // built once, outside the measurement
        return out;
    }();
    return s;
}

void BM_ClosestPointRatio(benchmark::State& state) {
    const Subject& s = subject();
    KFnNurbsSurface fn(s.data);
    using Clock = std::chrono::steady_clock;
    Clock::duration closest{}, plain{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const KPoint& p : s.near) {
            double u, v;
            benchmark::DoNotOptimize(fn.closestPoint(p, &u, &v, true, 1e-4));
        }
        const auto t1 = Clock::now();
        for (const auto& [u, v] : s.uv) {
            KPoint p;
            fn.getPointAtParam(u, v, p);
            benchmark::DoNotOptimize(p);
        }
        const auto t2 = Clock::now();
        closest += t1 - t0;
        plain += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations()) * kPoints;
    state.counters["ratio"] = std::chrono::duration<double>(closest).count() /
                              std::chrono::duration<double>(plain).count();
    state.counters["closest_ns"] = std::chrono::duration<double, std::nano>(closest).count() / n;
    state.counters["evaluate_ns"] = std::chrono::duration<double, std::nano>(plain).count() / n;
}

void BM_ClosestPointMathRatio(benchmark::State& state) {
    const Subject& s = subject();
    const NurbsSurface& surface = s.value->surface();
    const SurfaceClosestPoint& search = s.value->search();
    using Clock = std::chrono::steady_clock;
    Clock::duration closest{}, plain{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const KPoint& p : s.near)
            benchmark::DoNotOptimize(search.find(Vec3{p.x, p.y, p.z}, 1e-4));
        const auto t1 = Clock::now();
        for (const auto& [u, v] : s.uv) benchmark::DoNotOptimize(evaluate(surface, u, v));
        const auto t2 = Clock::now();
        closest += t1 - t0;
        plain += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations()) * kPoints;
    state.counters["ratio"] = std::chrono::duration<double>(closest).count() /
                              std::chrono::duration<double>(plain).count();
    state.counters["closest_ns"] = std::chrono::duration<double, std::nano>(closest).count() / n;
    state.counters["evaluate_ns"] = std::chrono::duration<double, std::nano>(plain).count() / n;
}

}  // namespace

BENCHMARK(BM_ClosestPointRatio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ClosestPointMathRatio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
