// Scene files and model import on a mesh of a million faces, each beside its baseline in the
// same run, with the peak memory each takes (VmHWM over the resident size before, in MB).
//   BM_SaveScene:  file -save of a plane of 1,000,000 quads, against exportObj of the same mesh
//                  (counter "ratio", goal <= 1.5).
//   BM_OpenScene:  file -open of that file into a new scene, against a plain read of its bytes
//                  (counter "ratio", goal <= 4).
//   BM_ImportObj:  file -import of an OBJ of 1,000,000 triangles (positions, UVs and normals),
//                  the whole process into host meshes, against assimp's own load of the same
//                  file with no post-processing (counter "ratio", goal <= 0.5).
#include <benchmark/benchmark.h>

#include <assimp/scene.h>
#include <malloc.h>
#include <assimp/Importer.hpp>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "host/fileio/file_import.h"
#include "host/lang/execute.h"
#include "host/lang/text_file.h"
#include "host/scenefile/scene_reader.h"
#include "host/scenefile/scene_session.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

long readStatusKb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) kb = std::atol(line + n);
    std::fclose(f);
    return kb;
}

// Peak resident memory of one call, in MB over what was resident before it (Linux: VmHWM is
// reset to the current size first).
struct PeakWindow {
    long before;
    PeakWindow() {
        malloc_trim(0);
        before = readStatusKb("VmRSS:");
        if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
    }
    double mb() const { return (readStatusKb("VmHWM:") - before) / 1024.0; }
};

bool run(const std::string& text) {
    tarn::lang::ExecuteOptions o;
    o.undo = true;
    o.origin = "bench";
    return tarn::lang::executeText(text, o).ok;
}

// The scene of the save and open runs: one plane of 1000 x 1000 quads.
void makeBigPlane() {
    tarn::scenefile::newScene();
    run("polyPlane -w 100 -h 100 -sx 1000 -sy 1000 -n big");
}

const std::string kScene = "/tmp/tarn_bench_1m.tscene";
const std::string kObjOut = "/tmp/tarn_bench_1m_export.obj";
const std::string kObjIn = "/tmp/tarn_bench_1m_tris.obj";

void BM_SaveScene(benchmark::State& state) {
    makeBigPlane();
    double save = 0, exportTime = 0, saveMb = 0, exportMb = 0;
    for (auto _ : state) {
        PeakWindow e;
        auto t0 = Clock::now();
        if (!run("exportObj \"" + kObjOut + "\"")) state.SkipWithError("exportObj failed");
        exportTime += seconds(t0);
        exportMb = e.mb();
        PeakWindow s;
        t0 = Clock::now();
        if (!run("file -save \"" + kScene + "\"")) state.SkipWithError("file -save failed");
        const double t = seconds(t0);
        saveMb = s.mb();
        save += t;
        state.SetIterationTime(t);
    }
    state.counters["ratio"] = save / exportTime;
    state.counters["export_ms"] = 1000 * exportTime / state.iterations();
    state.counters["peak_mb"] = saveMb;
    state.counters["export_peak_mb"] = exportMb;
}
BENCHMARK(BM_SaveScene)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenScene(benchmark::State& state) {
    makeBigPlane();
    if (!run("file -save \"" + kScene + "\"")) {
        state.SkipWithError("file -save failed");
        return;
    }
    double open = 0, read = 0, openMb = 0, readMb = 0;
    for (auto _ : state) {
        tarn::scenefile::newScene();
        PeakWindow r;
        auto t0 = Clock::now();
        std::string bytes;
        tarn::lang::readWholeFile(kScene, std::size_t(1) << 32, bytes);
        benchmark::DoNotOptimize(bytes.data());
        read += seconds(t0);
        readMb = r.mb();
        bytes = std::string();
        PeakWindow o;
        t0 = Clock::now();
        const auto out = tarn::scenefile::openSceneFile(kScene);
        const double t = seconds(t0);
        openMb = o.mb();
        if (!out.ok) state.SkipWithError(out.error.c_str());
        open += t;
        state.SetIterationTime(t);
    }
    state.counters["ratio"] = open / read;
    state.counters["read_ms"] = 1000 * read / state.iterations();
    state.counters["peak_mb"] = openMb;
    state.counters["read_peak_mb"] = readMb;
}
BENCHMARK(BM_OpenScene)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A grid of 1,000,000 triangles with a UV and a normal per vertex, as modelling programs write.
void writeTriangleObj() {
    std::ifstream probe(kObjIn);
    if (probe.good()) return;
    std::ofstream out(kObjIn);
    const int n = 707;  // 707 x 707 quads, two triangles each: 999,698 triangles
    const int side = n + 1;
    char line[128];
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", i * 0.1, 0.01 * ((i * j) % 7),
                          j * 0.1);
            out << line;
        }
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            std::snprintf(line, sizeof line, "vt %.6f %.6f\n", double(i) / n, double(j) / n);
            out << line;
        }
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) out << "vn 0 1 0\n";
    out << "o grid\n";
    // Squares of 707 x 707 make 999,698 triangles; one more row of squares brings it over a
    // million.
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * side + i + 1, b = a + 1, c = a + side + 1, d = a + side;
            std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c,
                          c, c);
            out << line;
            std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, c, c, c, d,
                          d, d);
            out << line;
        }
    for (int i = 0; i < 151; ++i) {
        const int a = i + 1, b = a + 1, c = a + side + 1;
        std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, c, c, c, b, b,
                      b);
        out << line;
    }
}

void BM_ImportObj(benchmark::State& state) {
    writeTriangleObj();
    double ours = 0, theirs = 0, oursMb = 0, theirsMb = 0;
    for (auto _ : state) {
        tarn::scenefile::newScene();
        PeakWindow a;
        auto t0 = Clock::now();
        {
            Assimp::Importer importer;
            const aiScene* scene = importer.ReadFile(kObjIn, 0);
            if (!scene) state.SkipWithError("assimp could not read the file");
            benchmark::DoNotOptimize(scene);
        }
        theirs += seconds(t0);
        theirsMb = a.mb();
        PeakWindow o;
        t0 = Clock::now();
        const auto out = tarn::fileio::importFile(kObjIn, "");
        const double t = seconds(t0);
        oursMb = o.mb();
        if (out.status.error()) state.SkipWithError(out.error.c_str());
        ours += t;
        state.SetIterationTime(t);
    }
    state.counters["ratio"] = ours / theirs;
    state.counters["assimp_ms"] = 1000 * theirs / state.iterations();
    state.counters["peak_mb"] = oursMb;
    state.counters["assimp_peak_mb"] = theirsMb;
}
BENCHMARK(BM_ImportObj)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
