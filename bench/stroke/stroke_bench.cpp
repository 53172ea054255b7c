// Stroke tool benchmarks.
//   BM_DragEvent: one drag event of a thinPen stroke over a plane of 200,000 faces (a sample
//                 added, the edges under the new segment picked, the overlay redrawn), against
//                 a bare KGlobal::selectFromScreen of the same rectangle in the same run
//                 (counter "ratio"; "ms_per_drag" against the 16 ms of one frame at 60 Hz).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "frame/host_sdk.h"
#include "host/plugins/plugin_loader.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

void BM_DragEvent(benchmark::State& state) {
    auto& loader = tarn::plugins::PluginLoader::instance();
    std::string error, plugin;
    if (!loader.load(std::string(TARN_PLUGIN_DIR) + "/thinPen.so", &error, &plugin)) {
        state.SkipWithError(error.c_str());
        return;
    }
    KGlobal::executeCommand("polyPlane -w 10 -h 8 -sx 500 -sy 400 -n benchPlane");
    KGlobal::executeCommand(
        "string $c[] = `camera -p 0 12 0`; rotate -90 0 0 $c[0]; viewCamera $c[0]; "
        "viewPort 1024 768; viewFit; select -r benchPlane");
    KGlobal::executeCommand("thinPenContext; setToolTo thinPenContext1");
    // Two points 30 pixels apart: every drag alternates between them, so each adds a sample.
    const short x0 = 497, x1 = 527, y = 384;
    KGlobal::executeCommand(
        KString("viewEvent press " + std::to_string(x0) + " " + std::to_string(y)));
    double drag = 0, select = 0;
    bool right = true;
    for (auto _ : state) {
        const short to = right ? x1 : x0, from = right ? x0 : x1;
        const std::string text = "viewEvent drag " + std::to_string(to) + " " + std::to_string(y);
        auto t0 = Clock::now();
        KGlobal::executeCommand(KString(text));
        const double t = seconds(t0);
        drag += t;
        state.SetIterationTime(t);
        // The baseline: the segment's rectangle picked directly, edges in component mode.
        t0 = Clock::now();
        KGlobal::selectFromScreen(from <= to ? from - 1 : from + 1, y + 1,
                                  from <= to ? to + 1 : to - 1, y - 1, KGlobal::kReplaceList);
        select += seconds(t0);
        right = !right;
    }
    state.counters["ratio"] = drag / select;
    state.counters["ms_per_drag"] = 1000 * drag / state.iterations();
    state.counters["ms_per_select"] = 1000 * select / state.iterations();
    // Dropped, not released: the zig-zag is no stroke to reduce.
    KGlobal::executeCommand("toolAction delete; setToolTo $gSelect; delete benchPlane; select -cl");
    loader.unload(plugin, true, &error);
}
BENCHMARK(BM_DragEvent)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
