// QMF import benchmarks on a one-million-triangle file written by the fixture writer.
//   BM_ParseAndRecord: chunk walk + scene model + recorded call list, against a plain read of
//                      the same file into memory (counter "ratio", goal <= 4).
//   BM_WholeImport:    the same file imported into the host through the plug-in, against the
//                      plain read (counter "ratio", goal <= 15); also reports the peak memory of
//                      the import over the final meshes' size (counter "memory_ratio", goal <= 3).
//                      The import starts with the freed heap given back to the system, so it
//                      faults in every page it uses; "ratio" reads the file under the same
//                      condition. "ratio_warm_read" is against reads into already mapped pages,
//                      which is far cheaper where page faults are dear (virtual machines).
//   BM_WholeImportUndoOff: the same with the host's undo queue off, to show what undo costs.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "import/parse_scene.h"
#include "tools/qmf/qmf_scene.h"

#ifdef TARN_IMPORT_BENCH_HOST
#include "frame/host_sdk.h"
#include "host/fileio/file_import.h"
#include "host/fileio/scene_summary.h"
#include "host/plugins/plugin_loader.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

const std::string& benchFile() {
    static const std::string path = [] {
        const std::string p = "/tmp/qmf_bench_1m.qmf";
        qmf::saveBytes(p, qmf::writeScene(qmf::gridScene(1000000)));
        return p;
    }();
    return path;
}

double plainRead(const std::string& path) {
    const auto t0 = Clock::now();
    FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<char> bytes(static_cast<size_t>(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    benchmark::DoNotOptimize(got);
    benchmark::DoNotOptimize(bytes.data());
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Median of five plain reads: a steadier baseline for the one-shot whole-import runs. With
// `freshMemory`, each read first gives the freed heap back to the system, as the import is
// measured (so both fault in new pages); otherwise reads reuse the previous read's pages.
double plainReadMedian(const std::string& path, bool freshMemory) {
    std::vector<double> t;
    for (int i = 0; i < 5; ++i) {
        if (freshMemory) malloc_trim(0);
        t.push_back(plainRead(path));
    }
    std::sort(t.begin(), t.end());
    return t[2];
}

double parseAndRecord(const std::string& path) {
    const auto t0 = Clock::now();
    FILE* f = std::fopen(path.c_str(), "rb");
    ChunkStream* cs = chunkStreamCreate(f, 0);
    {
        LclTparseFile source(cs);
        TparseQmfFile parser(&source);
        benchmark::DoNotOptimize(parser.parse());
    }
    chunkStreamRelease(cs);
    std::fclose(f);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

void BM_ParseAndRecord(benchmark::State& state) {
    const std::string& path = benchFile();
    double read = 0, parse = 0;
    for (auto _ : state) {
        read += plainRead(path);
        const double t = parseAndRecord(path);
        parse += t;
        state.SetIterationTime(t);
        resetSceneModel();
    }
    state.counters["ratio"] = parse / read;
    state.counters["plain_read_ms"] = 1000 * read / state.iterations();
}
BENCHMARK(BM_ParseAndRecord)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef TARN_IMPORT_BENCH_HOST

long readStatusKb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof(line), f))
        if (std::strncmp(line, field, n) == 0) kb = std::atol(line + n);
    std::fclose(f);
    return kb;
}

// Starts a new peak-memory measurement window (Linux: resets VmHWM to the current RSS).
void resetPeak() {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// undoOff: with the host's undo queue off (a diagnostic run showing what undo records cost).
void wholeImport(benchmark::State& state, bool undoOff) {
    const std::string& path = benchFile();
    std::string error;
    auto& loader = tarn::plugins::PluginLoader::instance();
    loader.setExplicitPath(TARN_PLUGIN_DIR);
    if (!loader.find("sceneReader") && loader.load("sceneReader", &error).error()) {
        state.SkipWithError(("cannot load sceneReader: " + error).c_str());
        return;
    }
    if (undoOff) KGlobal::executeCommand("undoInfo -state 0");
    double read = 0, warmRead = 0, import = 0, memoryRatio = 0, peakMb = 0;
    for (auto _ : state) {
        read += plainReadMedian(path, true);
        warmRead += plainReadMedian(path, false);
        // The scene keeps what earlier runs imported: count only the meshes this run adds.
        const auto summaryBefore = tarn::fileio::summarizeScene();
        // Give freed heap back first so memory reused from earlier runs is not missed.
        malloc_trim(0);
        const long rssBefore = readStatusKb("VmRSS:");
        resetPeak();
        const auto t0 = Clock::now();
        const auto out = tarn::fileio::importFile(path, "QMF");
        const double t = std::chrono::duration<double>(Clock::now() - t0).count();
        const long peak = readStatusKb("VmHWM:");
        import += t;
        state.SetIterationTime(t);
        if (out.status.error()) {
            state.SkipWithError(out.error.c_str());
            return;
        }
        state.PauseTiming();
        // Final meshes: points as 3 doubles, one int per face corner, one UV pair per vertex
        // (the file's triangles, so three corners per face).
        const auto summary = tarn::fileio::summarizeScene();
        const double vertices = double(summary.totalVertices - summaryBefore.totalVertices);
        const double faces = double(summary.totalFaces - summaryBefore.totalFaces);
        const double meshBytes = vertices * (24.0 + 8.0) + faces * 3 * 4.0;
        memoryRatio = (peak - rssBefore) * 1024.0 / meshBytes;
        peakMb = (peak - rssBefore) / 1024.0;
        state.ResumeTiming();
    }
    if (undoOff) KGlobal::executeCommand("undoInfo -state 1");
    state.counters["ratio"] = import / read;
    state.counters["ratio_warm_read"] = import / warmRead;
    state.counters["plain_read_ms"] = 1000 * read / state.iterations();
    state.counters["warm_read_ms"] = 1000 * warmRead / state.iterations();
    state.counters["memory_ratio"] = memoryRatio;
    state.counters["peak_mb"] = peakMb;
}

void BM_WholeImport(benchmark::State& state) {
    wholeImport(state, false);
}
void BM_WholeImportUndoOff(benchmark::State& state) {
    wholeImport(state, true);
}
// One import per run: the host has no "new scene", so a second import would add to the first.
BENCHMARK(BM_WholeImport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WholeImportUndoOff)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

#endif

}  // namespace

BENCHMARK_MAIN();
