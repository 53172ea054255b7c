// View benchmarks. Ratios are per iteration (the frame and its baseline timed back to back);
// View benchmarks. Frames are timed against their baseline each iteration (see Ratios below);
//   BM_SelectRectangle: KGlobal::selectFromScreen of a 20-pixel rectangle over a plane of a
//                       million faces in edge mode, against one K3dView::worldToView of every
//                       vertex of that plane (counter "ratio", goal <= 2; "ms_per_call").
//   BM_WindowFrame/W/H: the window's frame of a small scene (a selected cube) after a camera
//                       move at W x H, blitted to a window-layout surface, against the floor: bare
//                       OSMesa clearing, drawing the same arrays with the same GL state, reading
//                       back and blitting (goal <= 1.5 at 1280 x 1024; "view_ns_per_pixel" must
//                       not step up with the size).
//   BM_LargeMeshFrame/0|1: the window's frame of a plane of 1,000,000 triangles at 640 x 480
//                       after a camera move (0) or a selection change (1), against the floor
//                       drawing the same arrays (goal <= 1.5).
//   BM_CaptureWithOverlay: the active view at 1024 x 768 with an overlay line, drawn with GL,
//                       over the million-triangle import scene, against the software
//                       rasteriser the view used before, on the same scene and overlay
//                       (counter "ratio", goal <= 1: "ratio" with the view's geometry kept
//                       between captures, "ratio_cold" gathering it anew each time; both
//                       include everything the capture does).
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "bench/view/floor_renderer.h"
#include "bench/view/software_rasterizer.h"
#include "frame/host_sdk.h"
#include "host/fileio/file_import.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/view/active_view.h"
#include "host/view/view_frame.h"
#include "host/view/view_scene.h"
#include "host/view/view_snapshot.h"
#include "host/window/view_window.h"
#include "tools/qmf/qmf_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Seconds of CPU the process (every thread, Mesa's rasteriser threads included) has used.
double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// A timed stretch: wall and CPU seconds.
struct Span {
    double wall = 0, cpu = 0;
};
template <typename F>
Span timed(F&& f) {
    const auto t0 = Clock::now();
    const double c0 = cpuSeconds();
    f();
    return {seconds(t0), cpuSeconds() - c0};
}

// A frame against its baseline, timed back to back each iteration, by wall time and by CPU
// time (the machine is shared: CPU time is what the work costs whoever else runs). "ratio" is
// the median of the per-iteration ratios, "ratio_min" the ratio of the two fastest times (the
// least disturbed estimate); "frame_ms"/"baseline_ms" medians, "_min_ms" the fastest.
struct Ratios {
    std::vector<Span> view, base;
    void add(Span v, Span b) { view.push_back(v), base.push_back(b); }
    void report(benchmark::State& state, const char* prefix = "") const {
        const std::string p(prefix);
        const auto put = [&](const std::string& kind, double Span::*field) {
            std::vector<double> r, v, b;
            for (std::size_t i = 0; i < view.size(); ++i) {
                r.push_back(view[i].*field / base[i].*field);
                v.push_back(view[i].*field), b.push_back(base[i].*field);
            }
            if (r.empty()) return;
            const double vMin = *std::min_element(v.begin(), v.end());
            const double bMin = *std::min_element(b.begin(), b.end());
            state.counters[kind + "ratio" + p] = median(r);
            state.counters[kind + "ratio" + p + "_min"] = vMin / bMin;
            state.counters[kind + "frame" + p + "_ms"] = 1000 * median(v);
            state.counters[kind + "frame" + p + "_min_ms"] = 1000 * vMin;
            state.counters[kind + "baseline" + p + "_ms"] = 1000 * median(b);
            state.counters[kind + "baseline" + p + "_min_ms"] = 1000 * bMin;
        };
        put("", &Span::wall);
        put("cpu_", &Span::cpu);
    }
};

// A surface with a window's usual pixel layout (SDL needs no display for it).
struct Surface {
    SDL_Surface* s;
    Surface(int w, int h)
        : s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888)) {}
    ~Surface() { SDL_FreeSurface(s); }
};

// The window's frame after `change`, blitted.
Span viewFrame(tarn::view::ViewFrames& frames, tarn::view::ViewFrames::Change change,
               Surface& target) {
    return timed([&] {
        frames.update(change);
        tarn::window::blitBgra(target.s, frames.pixels(), frames.width(), frames.height());
    });
}

// The floor's frame of the same arrays, blitted.
Span floorFrame(tarn::view::baseline::FloorRenderer& floor, const tarn::view::DrawScene& scene,
                std::vector<std::uint8_t>& pixels, Surface& target) {
    const auto& view = tarn::view::ActiveView::instance();
    const tarn::view::ViewProjection projection(view.projection().camera(), view.width(),
                                                view.height());
    return timed([&] {
        floor.frame(scene, projection, pixels);
        tarn::window::blitBgra(target.s, pixels.data(), view.width(), view.height());
    });
}

void BM_WindowFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    KGlobal::executeCommand("polyCube -n benchCube; select -r benchCube");
    std::string error;
    auto& view = tarn::view::ActiveView::instance();
    view.setPortSize(w, h, &error);
    view.setCamera("", &error);
    KGlobal::executeCommand("viewFit");
    tarn::view::ViewFrames frames;
    tarn::view::baseline::FloorRenderer floor;
    Surface target(w, h);
    std::vector<std::uint8_t> floorPixels;
    frames.update({});
    Ratios ratios;
    for (auto _ : state) {
        KGlobal::executeCommand("viewTumble -continue 2 0");
        const Span v = viewFrame(frames, tarn::view::ViewFrames::Change::kCamera, target);
        const Span f = floorFrame(floor, frames.geometry().scene(), floorPixels, target);
        state.SetIterationTime(v.wall);
        ratios.add(v, f);
    }
    ratios.report(state);
    const double pixels = static_cast<double>(w) * h;
    std::vector<double> cpu;
    for (const Span& s : ratios.view) cpu.push_back(s.cpu);
    state.counters["view_cpu_ns_per_pixel"] = 1e9 * median(cpu) / pixels;
    KGlobal::executeCommand("delete benchCube; select -cl");
}
BENCHMARK(BM_WindowFrame)
    ->Args({640, 480})
    ->Args({641, 481})
    ->Args({800, 600})
    ->Args({1280, 1024})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

void BM_LargeMeshFrame(benchmark::State& state) {
    const bool selectionChange = state.range(0) == 1;
    KGlobal::executeCommand(
        "polyPlane -n benchSheet -w 10 -h 10 -sx 1000 -sy 500; setAttr benchSheet.rx 60");
    std::string error;
    auto& view = tarn::view::ActiveView::instance();
    view.setPortSize(640, 480, &error);
    view.setCamera("", &error);
    KGlobal::executeCommand("viewFit");
    tarn::view::ViewFrames frames;
    tarn::view::baseline::FloorRenderer floor;
    Surface target(640, 480);
    std::vector<std::uint8_t> floorPixels;
    frames.update({});
    Ratios ratios;
    bool selected = false;
    std::size_t triangles = 0;
    for (auto _ : state) {
        tarn::view::ViewFrames::Change change = tarn::view::ViewFrames::Change::kCamera;
        if (selectionChange) {
            selected = !selected;
            KGlobal::executeCommand(selected ? "select -r benchSheet" : "select -cl");
            change = tarn::view::ViewFrames::Change::kScene;
        } else {
            KGlobal::executeCommand("viewTumble -continue 1 0");
        }
        const Span v = viewFrame(frames, change, target);
        const Span f = floorFrame(floor, frames.geometry().scene(), floorPixels, target);
        state.SetIterationTime(v.wall);
        ratios.add(v, f);
        triangles = frames.geometry().scene().triangleCount();
    }
    ratios.report(state);
    state.counters["triangles"] = static_cast<double>(triangles);
    KGlobal::executeCommand("delete benchSheet; select -cl");
}
BENCHMARK(BM_LargeMeshFrame)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

void BM_SelectRectangle(benchmark::State& state) {
    KGlobal::executeCommand("polyPlane -w 10 -h 10 -sx 1000 -sy 1000 -n benchPlane");
    KGlobal::executeCommand(
        "string $c[] = `camera -p 0 12 0`; rotate -90 0 0 $c[0]; viewCamera $c[0]; "
        "viewPort 1024 768");
    KGlobal::executeCommand("viewFit; select -r benchPlane; hilite benchPlane");
    KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
    KGlobal::setComponentSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshEdges));
    // World points of every vertex, made once: the baseline times the projections only.
    const KObject shape = tarn::scene::meshShapeOf(tarn::scene::findNode("benchPlane"));
    const tarn::PolyMesh& mesh = tarn::scene::meshNode(shape)->mesh();
    const KMatrix world = tarn::scene::worldMatrix(shape);
    std::vector<KPoint> points;
    points.reserve(mesh.numVertices());
    for (const tarn::Vec3& p : mesh.points()) points.push_back(KPoint(p.x, p.y, p.z) * world);
    double select = 0, project = 0;
    long selected = 0;
    for (auto _ : state) {
        const K3dView view = K3dView::active3dView();
        auto t0 = Clock::now();
        long sum = 0;
        for (const KPoint& p : points) {
            short x = 0, y = 0;
            view.worldToView(p, x, y);
            sum += x + y;
        }
        benchmark::DoNotOptimize(sum);
        project += seconds(t0);
        t0 = Clock::now();
        KGlobal::selectFromScreen(502, 374, 522, 394, KGlobal::kReplaceList);
        const double t = seconds(t0);
        select += t;
        state.SetIterationTime(t);
        KSelectionList list;
        KGlobal::getActiveSelectionList(list);
        KStringArray names;
        list.getSelectionStrings(names);
        selected = names.length();
    }
    state.counters["ratio"] = select / project;
    state.counters["ms_per_call"] = 1000 * select / state.iterations();
    state.counters["baseline_ms"] = 1000 * project / state.iterations();
    state.counters["vertices"] = mesh.numVertices();
    state.counters["selection_items"] = static_cast<double>(selected);
    KGlobal::executeCommand("delete benchPlane; select -cl");
    KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);
}
BENCHMARK(BM_SelectRectangle)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CaptureWithOverlay(benchmark::State& state) {
    const std::string path = "/tmp/view_bench_1m.qmf";
    qmf::saveBytes(path, qmf::writeScene(qmf::gridScene(1000000)));
    auto& loader = tarn::plugins::PluginLoader::instance();
    loader.setExplicitPath(TARN_PLUGIN_DIR);
    std::string error;
    if (!loader.find("sceneReader") && loader.load("sceneReader", &error).error()) {
        state.SkipWithError(("cannot load sceneReader: " + error).c_str());
        return;
    }
    const auto out = tarn::fileio::importFile(path, "QMF");
    if (out.status.error()) {
        state.SkipWithError(out.error.c_str());
        return;
    }
    auto& view = tarn::view::ActiveView::instance();
    view.setPortSize(1024, 768, &error);
    view.setCamera("", &error);
    KGlobal::executeCommand("viewFit");
    // An overlay line drawn through the view, as a tool draws its stroke.
    K3dView k = K3dView::active3dView();
    k.beginGL();
    k.beginOverlayDrawing();
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 1024, 0, 768, -1, 1);
    glIndexi(2);
    glBegin(GL_LINE_STRIP);
    glVertex2i(100, 100);
    glVertex2i(900, 600);
    glEnd();
    k.endOverlayDrawing();
    k.endGL();
    Ratios warm, cold;
    std::size_t triangles = 0;
    for (auto _ : state) {
        // The software rasteriser: gather the scene's triangles, rasterise, composite.
        const Span software = timed([&] {
            const tarn::view::ViewProjection& p = view.refresh();
            tarn::view::ViewScene scene = tarn::view::gatherScene(false);
            tarn::view::addSelectionEdges(scene);
            tarn::view::RgbImage b = tarn::view::baseline::renderViewSoftware(
                p.camera(), scene.triangles, scene.edges, {1024, 768, true});
            view.compositeOverlay(b.pixels, b.width, b.height);
            benchmark::DoNotOptimize(b.pixels.data());
            triangles = scene.triangles.size();
        });
        // GL with the geometry kept from the capture before, then gathered anew.
        const Span kept = timed([&] {
            const tarn::view::RgbImage a = tarn::view::renderActiveView();
            benchmark::DoNotOptimize(a.pixels.data());
        });
        tarn::view::captureFrames().forget();
        const Span anew = timed([&] {
            const tarn::view::RgbImage c = tarn::view::renderActiveView();
            benchmark::DoNotOptimize(c.pixels.data());
        });
        state.SetIterationTime(kept.wall);
        warm.add(kept, software);
        cold.add(anew, software);
    }
    warm.report(state);
    cold.report(state, "_cold");
    state.counters["triangles"] = static_cast<double>(triangles);
}
BENCHMARK(BM_CaptureWithOverlay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
