// One split of a face, one edge collapse and the undo of both, on a sphere of about a million
// faces beside the same on a sphere of 400 faces. The ratio counter is large / small time.
#include <benchmark/benchmark.h>

#include <chrono>

#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"

namespace {

struct Subject {
    tarn::PolyMesh mesh;
    int splitA = -1, splitB = -1, collapse = -1;
};

// A quad in the middle of the face list: its edges 0 and 2 are split, edge 1 of the quad after
// it is collapsed.
Subject makeSubject(int sx, int sy) {
    Subject s;
    s.mesh = tarn::makeSphere(1.0, sx, sy);
    int f = s.mesh.numFaces() / 2;
    while (s.mesh.faceVertexCount(f) != 4) ++f;
    s.splitA = s.mesh.faceEdges(f)[0];
    s.splitB = s.mesh.faceEdges(f)[2];
    s.collapse = s.mesh.faceEdges(f + 2)[1];
    // The first edit switches the mesh to its editable layout once; it is not measured.
    tarn::EditResult warm;
    tarn::subdivideEdges(s.mesh, {s.collapse}, 1, &warm);
    tarn::MeshEditor::applyDelta(s.mesh, warm.delta, true);
    return s;
}

Subject& small() {
    static Subject s = makeSubject(20, 20);  // 400 faces
    return s;
}
Subject& large() {
    static Subject s = makeSubject(1000, 1000);  // 1,000,000 faces
    return s;
}

void editAndUndo(Subject& s) {
    tarn::EditResult split, collapse;
    tarn::splitMesh(
        s.mesh,
        {{tarn::SplitPoint::onEdge(s.splitA, 0.5), tarn::SplitPoint::onEdge(s.splitB, 0.5)}}, 1,
        &split);
    tarn::collapseEdges(s.mesh, {s.collapse}, &collapse);
    tarn::MeshEditor::applyDelta(s.mesh, collapse.delta, true);
    tarn::MeshEditor::applyDelta(s.mesh, split.delta, true);
    benchmark::DoNotOptimize(s.mesh.numFaces());
}

void BM_EditSmallSphere(benchmark::State& state) {
    Subject& s = small();
    for (auto _ : state) editAndUndo(s);
}

void BM_EditMillionFaceSphere(benchmark::State& state) {
    Subject& s = large();
    for (auto _ : state) editAndUndo(s);
}

// Both side by side in the same loop, so machine noise hits them alike.
void BM_EditCostRatio(benchmark::State& state) {
    Subject& a = large();
    Subject& b = small();
    using Clock = std::chrono::steady_clock;
    Clock::duration big{}, little{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        editAndUndo(a);
        const auto t1 = Clock::now();
        editAndUndo(b);
        const auto t2 = Clock::now();
        big += t1 - t0;
        little += t2 - t1;
    }
    state.counters["ratio"] =
        std::chrono::duration<double>(big).count() / std::chrono::duration<double>(little).count();
    state.counters["large_us"] = std::chrono::duration<double, std::micro>(big).count() /
                                 static_cast<double>(state.iterations());
    state.counters["small_us"] = std::chrono::duration<double, std::micro>(little).count() /
                                 static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_EditSmallSphere);
BENCHMARK(BM_EditMillionFaceSphere);
BENCHMARK(BM_EditCostRatio);
BENCHMARK_MAIN();
