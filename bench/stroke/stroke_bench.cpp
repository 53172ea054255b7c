// Stroke tool benchmarks.
//   BM_DragEvent: one drag event of a thinPen stroke over a plane of 200,000 faces (a sample
//                 added, the edges under the new segment picked, the overlay redrawn), against
//                 a bare KGlobal::selectFromScreen of the same rectangle in the same run
//                 (counter "ratio"; "ms_per_drag" against the 16 ms of one frame at 60 Hz).
//   BM_SliceRelease: the release of a 30-sample slicePen stroke across the same plane, drawn
//                 through the view's gestures, into one split (crossings, chain walk, the
//                 polySplit, bookkeeping), against a bare KGlobal::selectFromScreen of the
//                 stroke's rectangle in edge mode in the same run (counter "ratio";
//                 "ms_per_release" against a goal of 100 ms). The press and drags are not timed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "host/plugins/plugin_loader.h"
#include "host/undo/undo.h"

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

int vertexCount(const char* mesh) {
    int n = 0;
    KGlobal::executeCommand(KString("polyEvaluate -v ") + mesh, n);
    return n;
}

std::string eventText(const char* what, short x, short y) {
    return std::string("viewEvent ") + what + " " + std::to_string(x) + " " + std::to_string(y);
}

void BM_SliceRelease(benchmark::State& state) {
    auto& loader = tarn::plugins::PluginLoader::instance();
    std::string error, plugin;
    if (!loader.load(std::string(TARN_PLUGIN_DIR) + "/slicePen.so", &error, &plugin)) {
        state.SkipWithError(error.c_str());
        return;
    }
    KGlobal::executeCommand("polyPlane -w 10 -h 8 -sx 500 -sy 400 -n benchPlane");
    // The whole plane is drawn and picked, but seen from closer than a fit so that a quad is
    // some 5 pixels wide: fitted, it is one pixel and a stroke runs along its edges.
    KGlobal::executeCommand(
        "string $c[] = `camera -p 0 12 0`; rotate -90 0 0 $c[0]; viewCamera $c[0]; "
        "viewPort 1024 768; viewFit; setAttr ($c[0] + \".ty\") 4; select -r benchPlane");
    KGlobal::executeCommand("slicePenContext; slicePenContext -e slicePenContext1");
    KGlobal::executeCommand("setToolTo slicePenContext1");
    // The stroke: 30 samples (about 34 pixels apart, above the minimum sample size of 25) along
    // the middle of the row of quads just below z = 0, over 201 edges.
    K3dView view = K3dView::active3dView();
    std::vector<short> xs;
    short y = 0;
    for (int k = 0; k < 30; ++k) {
        short x = 0;
        view.worldToView(KPoint(-2.0 + 4.0 * k / 29.0, 0, -0.01), x, y);
        xs.push_back(x);
    }
    const int before = vertexCount("benchPlane");
    double release = 0, select = 0;
    bool cut = true;
    int added = 0;
    for (auto _ : state) {
        KGlobal::executeCommand("select -r benchPlane");
        // Each event runs as a script's statement would: with undo, one chunk per gesture.
        KGlobal::executeCommand(KString(eventText("press", xs.front(), y)), false, true);
        for (std::size_t k = 1; k < xs.size(); ++k)
            KGlobal::executeCommand(KString(eventText("drag", xs[k], y)), false, true);
        const std::string text = eventText("release", xs.back(), y);
        auto t0 = Clock::now();
        KGlobal::executeCommand(KString(text), false, true);
        const double t = seconds(t0);
        release += t;
        state.SetIterationTime(t);
        // The release must have cut, and its one undo must take the cut back.
        added = vertexCount("benchPlane") - before;
        tarn::undo::undoQueue().undo();
        cut = cut && added > 0 && vertexCount("benchPlane") == before;

        // The baseline: the stroke's rectangle picked directly, edges on the hilited mesh.
        KGlobal::executeCommand("select -r benchPlane; hilite benchPlane");
        KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
        KGlobal::setComponentSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshEdges));
        t0 = Clock::now();
        KGlobal::selectFromScreen(xs.front() - 1, y - 1, xs.back() + 1, y + 1,
                                  KGlobal::kReplaceList);
        select += seconds(t0);
        KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);
    }
    if (!cut)
        state.SkipWithError("the stroke did not split the mesh, or one undo did not restore it");
    state.counters["ratio"] = release / select;
    state.counters["ms_per_release"] = 1000 * release / state.iterations();
    state.counters["ms_per_select"] = 1000 * select / state.iterations();
    state.counters["new_vertices"] = added;
    KGlobal::executeCommand("setToolTo $gSelect; delete benchPlane; select -cl");
    loader.unload(plugin, true, &error);
}
BENCHMARK(BM_SliceRelease)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
