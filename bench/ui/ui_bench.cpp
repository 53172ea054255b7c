// The panel models run every frame, so they must cost a small part of one. Each benchmark
// times a model query beside its baseline in the same run, on a scene of 500 cubes under 50
// shading groups (each with a lambert), thread CPU time:
// - BM_OutlinerFrame: outlinerRows() beside a bare depth-first walk of the DAG that takes each
//   node's name and type (the least any tree of the scene costs);
// - BM_AttributeFrame: AttributeEditor tabs and rows of a shape beside a bare read of each of
//   its readable attributes through the graph (what showing their values costs at least).
// Counters: ratio (model / baseline) and ms_per_frame (the model's time per call).
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <string>

#include "host/dg/graph.h"
#include "host/lang/execute.h"
#include "host/scene/dag.h"
#include "host/ui/attribute_editor.h"
#include "host/ui/outliner.h"

namespace {

struct Clock {
    using duration = std::chrono::nanoseconds;
    static std::chrono::time_point<Clock, duration> now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::chrono::time_point<Clock, duration>(
            duration(t.tv_sec * 1000000000LL + t.tv_nsec));
    }
};

void buildScene() {
    static bool built = false;
    if (built) return;
    built = true;
    std::string text;
    for (int g = 1; g <= 50; ++g) {
        const std::string group = "group" + std::to_string(g) + "SG";
        text +=
            "shadingNode -asShader lambert; sets -renderable true -noSurfaceShader true "
            "-empty -name " +
            group + "; defaultNavigation -connectToExisting -source lambert" +
            std::to_string(g + 1) + " -destination " + group + ";";
        for (int c = 0; c < 10; ++c) {
            const std::string cube = "cube" + std::to_string(g) + "_" + std::to_string(c);
            text += "polyCube -n " + cube + "; sets -e -forceElement " + group + " " + cube + ";";
        }
    }
    tarn::lang::ExecuteOptions options;
    options.undo = false;
    tarn::lang::executeText(text, options);
}

void walk(const KObject& node, std::size_t& chars) {
    for (const KObject& child : tarn::scene::childrenOf(node)) {
        const tarn::NodeImpl* n = tarn::NodeImpl::from(child);
        std::string name = n->name(), type = n->type().name;
        chars += name.size() + type.size();
        walk(child, chars);
    }
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void BM_OutlinerFrame(benchmark::State& state) {
    buildScene();
    Clock::duration model{}, bare{};
    std::size_t rows = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        const std::vector<tarn::ui::OutlinerRow> r = tarn::ui::outlinerRows();
        auto t1 = Clock::now();
        std::size_t chars = 0;
        walk(KObject(), chars);
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(chars);
        rows = r.size();
        model += t1 - t0;
        bare += t2 - t1;
    }
    state.counters["ratio"] = seconds(model) / seconds(bare);
    state.counters["ms_per_frame"] = seconds(model) * 1e3 / double(state.iterations());
    state.counters["rows"] = double(rows);
}

void BM_AttributeFrame(benchmark::State& state) {
    buildScene();
    tarn::ui::AttributeEditor editor;
    const KObject shape = tarn::Graph::instance().findNode("cube25_5Shape");
    tarn::NodeImpl* node = tarn::NodeImpl::from(shape);
    Clock::duration model{}, bare{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        const tarn::ui::AttributeTabs tabs = editor.tabs("cube25_5");
        const std::vector<tarn::ui::AttributeRow> rows = editor.rows("cube25_5Shape");
        auto t1 = Clock::now();
        double sum = 0.0;
        for (const auto& a : node->type().attributes()) {
            if (a->parent || !a->readable || a->array || a->kind == tarn::CellKind::kData ||
                a->kind == tarn::CellKind::kMessage)
                continue;
            KStatus status;
            const KPlug plug(shape, KObject(std::const_pointer_cast<tarn::AttributeImpl>(a)), -1);
            KDataHandle h = tarn::Graph::instance().readHandle(plug, &status);
            for (unsigned i = 0; i < h.width(); ++i) sum += h.cells()[i].d;
        }
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(tabs.tabs.size() + rows.size());
        model += t1 - t0;
        bare += t2 - t1;
    }
    state.counters["ratio"] = seconds(model) / seconds(bare);
    state.counters["ms_per_frame"] = seconds(model) * 1e3 / double(state.iterations());
}

}  // namespace

BENCHMARK(BM_OutlinerFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttributeFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
