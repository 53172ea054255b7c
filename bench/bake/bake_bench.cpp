// Baking benchmarks. Each measurement times the subject and its baseline alternately in the same
// run and reports subject/baseline as the counter "ratio". The baseline is writing the baked
// 2048 x 2048 image to a file (IFF, the default format), which every bake ends with.
//
//   BM_BakeSphereNormals: the whole bake of one mesh through the SDK (fill, mesh walk, scan
//     conversion) of a 100,000-triangle sphere;
//   BM_ScanSphereTriangles: the scan conversion alone, of the same sphere's 100,000 triangles
//     given directly in screen space.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

#include "bake/mesh_baker.h"
#include "bake/pixel_writers.h"
#include "bake/scan_converter.h"
#include "frame/host_sdk.h"

namespace {

constexpr int kSide = 2048;
// polySphere -sx 500 -sy 101 has 2 x 500 x 100 = 100,000 triangles.
constexpr int kSx = 500, kSy = 101;

std::string outputFile() {
    static const std::string file = (std::filesystem::temp_directory_path() /
                                     ("tarn_bake_bench_" + std::to_string(::getpid()) + ".iff"))
                                        .string();
    return file;
}

KDagPath sphere() {
    static KDagPath path;
    if (!path.isValid()) {
        KGlobal::executeCommand(KString("polySphere -r 1 -sx ") + kSx + " -sy " + kSy +
                                " -n benchBall");
        KSelectionList list;
        list.add(KString("benchBall"));
        list.getDagPath(0, path);
    }
    return path;
}

/// Seconds of processor time this thread has used.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// Times `subject` and `baseline` alternately and reports their ratio in wall time ("ratio") and
// in this thread's processor time ("cpu_ratio": steadier on a busy machine, but it leaves out
// the time the write waits for the disk).
void ratio(benchmark::State& state, const std::function<void()>& subject,
           const std::function<void()>& baseline) {
    double tSubject = 0, tBaseline = 0, cSubject = 0, cBaseline = 0;
    for (auto _ : state) {
        const double c0 = threadSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        subject();
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = threadSeconds();
        baseline();
        const auto t2 = std::chrono::steady_clock::now();
        const double c2 = threadSeconds();
        tSubject += std::chrono::duration<double>(t1 - t0).count();
        tBaseline += std::chrono::duration<double>(t2 - t1).count();
        cSubject += c1 - c0;
        cBaseline += c2 - c1;
    }
    const double n = double(state.iterations());
    state.counters["ratio"] = tSubject / tBaseline;
    state.counters["cpu_ratio"] = cSubject / cBaseline;
    state.counters["ms_subject"] = 1e3 * tSubject / n;
    state.counters["ms_baseline"] = 1e3 * tBaseline / n;
    state.counters["cpu_ms_subject"] = 1e3 * cSubject / n;
    state.counters["cpu_ms_baseline"] = 1e3 * cBaseline / n;
}

void BM_BakeSphereNormals(benchmark::State& state) {
    const KDagPath path = sphere();
    bake::BakeSettings settings;
    settings.width = settings.height = kSide;
    settings.attribute = bake::kNormal;
    KImage image;
    bake::bakeMesh(path, KObject::kNullObj, settings, image);
    ratio(
        state,
        [&] {
            const bake::MeshBake r = bake::bakeMesh(path, KObject::kNullObj, settings, image);
            benchmark::DoNotOptimize(r.polygonsDrawn);
        },
        [&] { image.writeToFile(KString(outputFile())); });
    std::filesystem::remove(outputFile());
}
BENCHMARK(BM_BakeSphereNormals)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ScanSphereTriangles(benchmark::State& state) {
    // The sphere's triangles on its UV grid, with radial normals at the corners.
    std::vector<bake::ScanPolygon> triangles;
    auto corner = [](int i, int j) {
        bake::ScanVertex v;
        const double u = double(i) / kSx, w = double(j) / kSy;
        const double theta = 2 * M_PI * u, phi = M_PI * (w - 0.5);
        v.a[bake::kSx] = u * kSide;
        v.a[bake::kSy] = w * kSide;
        v.a[bake::kNx] = std::cos(phi) * std::cos(theta);
        v.a[bake::kNy] = std::sin(phi);
        v.a[bake::kNz] = -std::cos(phi) * std::sin(theta);
        return v;
    };
    const unsigned mask = bake::maskOf(bake::kSx) | bake::maskOf(bake::kSy) |
                          bake::maskOf(bake::kNx) | bake::maskOf(bake::kNy) |
                          bake::maskOf(bake::kNz);
    for (int j = 0; j < kSy - 1; ++j)
        for (int i = 0; i < kSx; ++i)
            for (int half = 0; half < 2; ++half) {
                bake::ScanPolygon p;
                p.count = 3;
                p.mask = mask;
                p.v[0] = corner(i, j);
                p.v[1] = half ? corner(i + 1, j + 1) : corner(i + 1, j);
                p.v[2] = half ? corner(i, j + 1) : corner(i + 1, j + 1);
                triangles.push_back(p);
            }
    KImage image;
    image.create(kSide, kSide, 4);
    const bake::VectorWriter writer{{image.pixels(), kSide}};
    const bake::ScanWindow window{0, 0, kSide - 1, kSide - 1};
    ratio(
        state,
        [&] {
            for (const bake::ScanPolygon& p : triangles) bake::scanPolygon(p, window, writer);
            benchmark::DoNotOptimize(image.pixels()[0]);
        },
        [&] { image.writeToFile(KString(outputFile())); });
    state.counters["triangles"] = double(triangles.size());
    std::filesystem::remove(outputFile());
}
BENCHMARK(BM_ScanSphereTriangles)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
