// View benchmarks.
//   BM_SelectRectangle: KGlobal::selectFromScreen of a 20-pixel rectangle over a plane of a
//                       million faces in edge mode, against one K3dView::worldToView of every
//                       vertex of that plane (counter "ratio", goal <= 2; "ms_per_call").
//   BM_CaptureWithOverlay: the active view at 1024 x 768 with an overlay line, drawn with GL,
//                       over the million-triangle import scene, against the software
//                       rasteriser the view used before, on the same scene and overlay
//                       (counter "ratio", aim <= 1; "draw_ratio" leaves out gathering the
//                       scene's triangles, which both pay).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "bench/view/software_rasterizer.h"
#include "frame/host_sdk.h"
#include "host/fileio/file_import.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/view/active_view.h"
#include "host/view/view_scene.h"
#include "host/view/view_snapshot.h"
#include "tools/qmf/qmf_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

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
    double gl = 0, software = 0, gather = 0;
    std::size_t triangles = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        const tarn::view::RgbImage a = tarn::view::renderActiveView();
        const double t = seconds(t0);
        gl += t;
        state.SetIterationTime(t);
        benchmark::DoNotOptimize(a.pixels.data());
        t0 = Clock::now();
        const tarn::view::ViewProjection& p = view.refresh();
        tarn::view::ViewScene scene = tarn::view::gatherScene(false);
        tarn::view::addSelectionEdges(scene);
        gather += seconds(t0);
        tarn::view::RgbImage b = tarn::view::baseline::renderViewSoftware(
            p.camera(), scene.triangles, scene.edges, {1024, 768, true});
        view.compositeOverlay(b.pixels, b.width, b.height);
        software += seconds(t0);
        benchmark::DoNotOptimize(b.pixels.data());
        triangles = scene.triangles.size();
    }
    state.counters["ratio"] = gl / software;
    state.counters["gl_ms"] = 1000 * gl / state.iterations();
    state.counters["software_ms"] = 1000 * software / state.iterations();
    state.counters["triangles"] = static_cast<double>(triangles);
    // Both include gathering the scene's triangles; without it, the drawing alone.
    state.counters["gather_ms"] = 1000 * gather / state.iterations();
    state.counters["draw_ratio"] = (gl - gather) / (software - gather);
}
BENCHMARK(BM_CaptureWithOverlay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
