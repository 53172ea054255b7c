// Edits of every component of a mesh, and of many new vertices, on a mesh of four times the
// components beside the same edit on the smaller mesh, in one loop so that machine noise hits
// both alike. An edit that costs about what it touches has a ratio near 4 (the goal for
// deleting every edge of a 100 x 100 plane against a 50 x 50 one is at most 5).
//
// Counters: ratio (large / small time), large_ms and small_ms (per edit). Only the edit is
// timed: each round starts from a fresh copy of the prepared mesh.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <map>

#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"

namespace {

using Clock = std::chrono::steady_clock;
using Edit = std::function<tarn::OpStatus(tarn::PolyMesh&)>;

std::vector<int> allOf(int n) {
    std::vector<int> ids(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) ids[static_cast<size_t>(i)] = i;
    return ids;
}

// Vertices all of whose edges have two faces.
std::vector<int> innerVertices(const tarn::PolyMesh& m) {
    std::vector<int> ids;
    for (int v = 0; v < m.numVertices(); ++v) {
        bool inside = true;
        for (int e : m.vertexEdges(v)) inside &= !m.isBorderEdge(e);
        if (inside) ids.push_back(v);
    }
    return ids;
}

// A grid's triangles with corners of their own: welding them is the merge of an import.
tarn::PolyMesh triangleSoup(int n) {
    const tarn::PolyMesh grid = tarn::makePlane(1, 1, n, n);
    std::vector<tarn::Vec3> points;
    std::vector<int> counts, ids;
    for (int f = 0; f < grid.numFaces(); ++f)
        for (int t = 0; t < grid.numTriangles(f); ++t) {
            for (int v : grid.triangleVertices(f, t)) {
                ids.push_back(static_cast<int>(points.size()));
                points.push_back(grid.point(v));
            }
            counts.push_back(3);
        }
    tarn::PolyMesh soup;
    tarn::PolyMesh::create(points, counts, ids, soup, nullptr);
    return soup;
}

// Times `edit` on copies of `large` and `small` alternately; reports their ratio.
void runPair(benchmark::State& state, const tarn::PolyMesh& large, const tarn::PolyMesh& small,
             const std::function<Edit(const tarn::PolyMesh&)>& makeEdit) {
    const Edit onLarge = makeEdit(large), onSmall = makeEdit(small);
    Clock::duration big{}, little{};
    for (auto _ : state) {
        tarn::PolyMesh a = large, b = small;
        const auto t0 = Clock::now();
        const tarn::OpStatus sa = onLarge(a);
        const auto t1 = Clock::now();
        const tarn::OpStatus sb = onSmall(b);
        const auto t2 = Clock::now();
        if (!sa.ok || !sb.ok) state.SkipWithError((sa.ok ? sb : sa).message.c_str());
        benchmark::DoNotOptimize(a.numFaces() + b.numFaces());
        big += t1 - t0;
        little += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ratio"] =
        std::chrono::duration<double>(big).count() / std::chrono::duration<double>(little).count();
    state.counters["large_ms"] = std::chrono::duration<double, std::milli>(big).count() / n;
    state.counters["small_ms"] = std::chrono::duration<double, std::milli>(little).count() / n;
}

// Prepared meshes: made once, and brought to the editable layout by a first edit undone.
const tarn::PolyMesh& plane(int n) {
    static std::map<int, tarn::PolyMesh> made;
    auto [it, added] = made.try_emplace(n);
    if (added) {
        it->second = tarn::makePlane(1, 1, n, n);
        tarn::EditResult warm;
        tarn::subdivideEdges(it->second, {0}, 1, &warm);
        tarn::MeshEditor::applyDelta(it->second, warm.delta, true);
    }
    return it->second;
}

void BM_DeleteEveryEdge100Against50(benchmark::State& state) {
    runPair(state, plane(100), plane(50), [](const tarn::PolyMesh& m) -> Edit {
        const std::vector<int> edges = allOf(m.numEdges());
        return [edges](tarn::PolyMesh& x) { return tarn::deleteEdges(x, edges, false, nullptr); };
    });
}

void BM_DeleteEveryEdge300Against150(benchmark::State& state) {
    runPair(state, plane(300), plane(150), [](const tarn::PolyMesh& m) -> Edit {
        const std::vector<int> edges = allOf(m.numEdges());
        return [edges](tarn::PolyMesh& x) { return tarn::deleteEdges(x, edges, false, nullptr); };
    });
}

void BM_DeleteEveryInnerVertex100Against50(benchmark::State& state) {
    runPair(state, plane(100), plane(50), [](const tarn::PolyMesh& m) -> Edit {
        const std::vector<int> verts = innerVertices(m);
        return
            [verts](tarn::PolyMesh& x) { return tarn::deleteVertices(x, verts, false, nullptr); };
    });
}

void BM_MergeNothingEveryVertex300Against150(benchmark::State& state) {
    runPair(state, plane(300), plane(150), [](const tarn::PolyMesh& m) -> Edit {
        const std::vector<int> verts = allOf(m.numVertices());
        return
            [verts](tarn::PolyMesh& x) { return tarn::mergeVertices(x, verts, 0.0001, nullptr); };
    });
}

void BM_WeldTriangleSoup100Against50(benchmark::State& state) {
    static const tarn::PolyMesh large = triangleSoup(100), small = triangleSoup(50);
    runPair(state, large, small, [](const tarn::PolyMesh& m) -> Edit {
        const std::vector<int> verts = allOf(m.numVertices());
        return [verts](tarn::PolyMesh& x) { return tarn::mergeVertices(x, verts, 1e-9, nullptr); };
    });
}

void BM_SubdivideOneEdge100000Against25000(benchmark::State& state) {
    static const tarn::PolyMesh cube = tarn::makeCube(1, 1, 1);
    Clock::duration big{}, little{};
    for (auto _ : state) {
        tarn::PolyMesh a = cube, b = cube;
        const auto t0 = Clock::now();
        tarn::subdivideEdges(a, {0}, 100000, nullptr);
        const auto t1 = Clock::now();
        tarn::subdivideEdges(b, {0}, 25000, nullptr);
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(a.numVertices() + b.numVertices());
        big += t1 - t0;
        little += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ratio"] =
        std::chrono::duration<double>(big).count() / std::chrono::duration<double>(little).count();
    state.counters["large_ms"] = std::chrono::duration<double, std::milli>(big).count() / n;
    state.counters["small_ms"] = std::chrono::duration<double, std::milli>(little).count() / n;
}

}  // namespace

BENCHMARK(BM_DeleteEveryEdge100Against50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteEveryEdge300Against150)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DeleteEveryInnerVertex100Against50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeNothingEveryVertex300Against150)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WeldTriangleSoup100Against50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SubdivideOneEdge100000Against25000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
