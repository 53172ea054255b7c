// closestPoint over 100,000 points near a wavy bicubic surface of 10 x 10 patches beside
// 100,000 plain evaluations of it, both through KFnNurbsSurface on surface data, and the same
// pair on the surface math directly. The two alternate in blocks of 1,000 and are timed by the
// thread's CPU clock, so load from other processes on the machine hits both alike. The ratio
// counters are closest-point time / evaluation time.
#include <benchmark/benchmark.h>

#include <time.h>

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
constexpr int kBlock = 1'000;

// CPU time of this thread, in seconds.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

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

// Runs `closest(i)` and `plain(i)` over all points, alternating blocks; adds their times.
template <class Closest, class Plain>
void alternate(Closest closest, Plain plain, double& closestTime, double& plainTime) {
    for (int start = 0; start < kPoints; start += kBlock) {
        const double t0 = threadSeconds();
        for (int i = start; i < start + kBlock; ++i) closest(i);
        const double t1 = threadSeconds();
        for (int i = start; i < start + kBlock; ++i) plain(i);
        const double t2 = threadSeconds();
        closestTime += t1 - t0;
        plainTime += t2 - t1;
    }
}

void report(benchmark::State& state, double closest, double plain) {
    const double n = static_cast<double>(state.iterations()) * kPoints;
    state.counters["ratio"] = closest / plain;
    state.counters["closest_ns"] = 1e9 * closest / n;
    state.counters["evaluate_ns"] = 1e9 * plain / n;
}

void BM_ClosestPointRatio(benchmark::State& state) {
    const Subject& s = subject();
    KFnNurbsSurface fn(s.data);
    double closest = 0, plain = 0;
    for (auto _ : state)
        alternate(
            [&](int i) {
                double u, v;
                benchmark::DoNotOptimize(fn.closestPoint(s.near[i], &u, &v, true, 1e-4));
            },
            [&](int i) {
                KPoint p;
                fn.getPointAtParam(s.uv[i].first, s.uv[i].second, p);
                benchmark::DoNotOptimize(p);
            },
            closest, plain);
    report(state, closest, plain);
}

void BM_ClosestPointMathRatio(benchmark::State& state) {
    const Subject& s = subject();
    const NurbsSurface& surface = s.value->surface();
    const SurfaceClosestPoint& search = s.value->search();
    double closest = 0, plain = 0;
    for (auto _ : state)
        alternate(
            [&](int i) {
                const KPoint& p = s.near[i];
                benchmark::DoNotOptimize(search.find(Vec3{p.x, p.y, p.z}, 1e-4));
            },
            [&](int i) {
                benchmark::DoNotOptimize(evaluate(surface, s.uv[i].first, s.uv[i].second));
            },
            closest, plain);
    report(state, closest, plain);
}

}  // namespace

BENCHMARK(BM_ClosestPointRatio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ClosestPointMathRatio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
