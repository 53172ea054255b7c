// slicePen's release on a large mesh.
//   BM_SplitRelease: a 30-sample stroke across a plane of 200,000 faces (500 x 400 quads) seen
//                    from above, released into a split (runSplit: chain walk, text, the
//                    polySplit itself, bookkeeping), against one KGlobal::selectFromScreen of
//                    the stroke's bounding rectangle in edge mode on the same mesh (counter
//                    "ratio"; goal: "ms_per_call" <= 100).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "frame/host_sdk.h"
#include "host/undo/undo.h"
#include "stroke/split/split_action.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

KDagPath pathOf(const char* name) {
    KSelectionList list;
    KDagPath path;
    list.add(KString(name));
    list.getDagPath(0, path);
    return path;
}

// The stroke: 30 samples along the row of quads just below z = 0 (object space = world space),
// every z-running edge between its ends crossed at the row's height.
stroke::StrokeRecord straightStroke(K3dView& view, const KDagPath& shape, short& x0, short& y0,
                                    short& x1, short& y1) {
    stroke::StrokeRecord r;
    r.mesh.path = shape;
    r.mesh.name = shape.partialPathName().asChar();
    r.mesh.inclusiveMatrix = shape.inclusiveMatrix();
    KFnMesh mesh(shape);
    const double z = -0.01, left = -3.5, right = 3.5;
    for (int k = 0; k < 30; ++k) {
        const KPoint onPlane(left + (right - left) * k / 29.0, 0, z);
        short x = 0, y = 0;
        view.worldToView(onPlane, x, y);
        KPoint nearPt;
        KVector direction;
        view.viewToWorld(x, y, nearPt, direction);
        r.worldSamples.push_back(nearPt);
        if (k == 0) x0 = x, y0 = y;
        if (k == 29) x1 = x, y1 = y;
    }
    const int edges = mesh.numEdges();
    for (int e = 0; e < edges; ++e) {
        int2 ends;
        mesh.getEdgeVertices(e, ends);
        KPoint a, b;
        mesh.getPoint(ends[0], a);
        mesh.getPoint(ends[1], b);
        if (std::abs(a.x - b.x) > 1e-9 || a.x < left || a.x > right) continue;
        if ((a.z - z) * (b.z - z) >= 0) continue;
        const double t = (z - a.z) / (b.z - a.z);
        const double position = 29.0 * (a.x - left) / (right - left);
        r.crossings.edges.push_back(e);
        r.crossings.vertex0.push_back(ends[0]);
        r.crossings.vertex1.push_back(ends[1]);
        r.crossings.t.push_back(t);
        r.crossings.strokePos.push_back(position);
        r.crossings.edgeVector.push_back(b - a);
    }
    // The sampler finds crossings in stroke order.
    std::vector<int> order(r.crossings.edges.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return r.crossings.strokePos[a] < r.crossings.strokePos[b]; });
    stroke::Crossings sorted;
    for (int i : order) {
        sorted.edges.push_back(r.crossings.edges[i]);
        sorted.vertex0.push_back(r.crossings.vertex0[i]);
        sorted.vertex1.push_back(r.crossings.vertex1[i]);
        sorted.t.push_back(r.crossings.t[i]);
        sorted.strokePos.push_back(r.crossings.strokePos[i]);
        sorted.edgeVector.push_back(r.crossings.edgeVector[i]);
    }
    r.crossings = sorted;
    return r;
}

void BM_SplitRelease(benchmark::State& state) {
    KGlobal::executeCommand("polyPlane -w 10 -h 8 -sx 500 -sy 400 -n benchPlane");
    KGlobal::executeCommand(
        "string $c[] = `camera -p 0 12 0`; rotate -90 0 0 $c[0]; viewCamera $c[0]; "
        "viewPort 1024 768; viewFit");
    const KDagPath shape = pathOf("benchPlaneShape");
    K3dView view = K3dView::active3dView();
    short x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const stroke::StrokeRecord record = straightStroke(view, shape, x0, y0, x1, y1);
    const int faces = KFnMesh(shape).numPolygons();
    const int before = KFnMesh(shape).numVertices();
    stroke::SplitOptions options;
    options.subdivisions = static_cast<int>(state.range(0));
    double split = 0, select = 0;
    bool cut = true;
    for (auto _ : state) {
        // Baseline: the stroke's rectangle picked in edge mode on the hilited mesh.
        KGlobal::executeCommand("select -r benchPlane; hilite benchPlane");
        KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
        KGlobal::setComponentSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshEdges));
        auto t0 = Clock::now();
        KGlobal::selectFromScreen(x0 - 1, y0 - 1, x1 + 1, y1 + 1, KGlobal::kReplaceList);
        select += seconds(t0);
        KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);

        stroke::NewVertexBookkeeping vertices;
        t0 = Clock::now();
        {
            tarn::undo::UndoChunkScope gesture("viewStroke");
            stroke::runSplit(record, options, view, vertices);
        }
        const double t = seconds(t0);
        split += t;
        state.SetIterationTime(t);
        cut = cut && vertices.lastLast >= before;
        tarn::undo::undoQueue().undo();
    }
    if (!cut) state.SkipWithError("the stroke did not split the mesh");
    state.counters["ratio"] = split / select;
    state.counters["ms_per_call"] = 1000 * split / state.iterations();
    state.counters["baseline_ms"] = 1000 * select / state.iterations();
    state.counters["faces"] = faces;
    state.counters["crossings"] = record.crossings.size();
    KGlobal::executeCommand("delete benchPlane; select -cl");
}
BENCHMARK(BM_SplitRelease)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("subdivisions")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
