// polyDual, polyTriPatch (divisions 3) and polySubdivideFaceAny (divisions 2) on a sphere of
// about a million faces, each timed alternately with a plain copy of the same mesh through the
// engine (body made from the mesh, every vertex, edge and face appended to a new TpolyGeom,
// the result wrapped as mesh data). Counters: "ratio" = operation / copy; for polyTriPatch
// also "ratio_per_face" = (operation per output face) / (copy per input face).
// "cpu_ratio" is the same from thread CPU time, steadier while other jobs share the cores.
// Goals: ratio <= 10 for polyDual and polySubdivideFaceAny, ratio_per_face <= 10 for
// polyTriPatch. Every run starts from a mesh without derived tables, as a fresh input would.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "engine/geometry/subd_face_any.h"
#include "host/mesh/mesh_primitives.h"
#include "meshops/factories/poly_dual_fty.h"
#include "meshops/factories/poly_tri_patch_fty.h"

namespace {

// Rebuilds the body's mesh through the engine's building calls, unchanged.
class CopyFty : public TmidModifierFty {
protected:
    int modify(TmidBody& body) override {
        TpolyGeom& in = *body.geom();
        const tarn::PolyMesh& m = in.mesh();
        auto out = std::make_unique<TpolyGeom>();
        out->vertexBuffer(m.numVertices());
        for (int v = 0; v < m.numVertices(); ++v) out->appendVertex(m.point(v));
        for (int e = 0; e < m.numEdges(); ++e) out->appendEdge(m.edge(e).v0, m.edge(e).v1, false);
        std::vector<std::uint32_t> uses;
        out->edgeUseBuffer(m.numFaceVertices());
        for (int f = 0; f < m.numFaces(); ++f) {
            in.faceEdgeUses(f, uses);
            out->bgnFace();
            for (std::uint32_t w : uses) out->edgeUseBuffer().push_back(w & ~kEdgeUseLast);
            out->endFace();
        }
        if (!out->update(0)) return fail(out->error());
        body.setMidBody(out.release());
        return 0;
    }
};

// The input: a sphere of 1000 x 1000 faces, without UVs, rebuilt so that no derived table of
// it is built; every run copies it (arrays only).
const tarn::PolyMesh& source() {
    static const tarn::PolyMesh mesh = [] {
        const tarn::PolyMesh s = tarn::makeSphere(1.0, 1000, 1000);
        tarn::PolyMesh m;
        tarn::PolyMesh::create(s.points(), s.faceCounts(), s.faceVertexList(), m, nullptr);
        return m;
    }();
    return mesh;
}

// Runs one factory through the engine as a node would: body, doAction, mesh data out.
int runThroughEngine(TmidModifierFty& fty, bool allFaces, int* outFaces) {
    TmidBody body(source());
    TpolyGroup group{"all", kGrpFace, {}};
    if (allFaces) {
        group.members.resize(source().numFaces());
        for (int f = 0; f < source().numFaces(); ++f) group.members[f] = f;
    }
    const int status = fty.doAction(&body, allFaces ? &group : nullptr);
    TdataMesh data(body);
    if (outFaces) *outFaces = data.mesh().numFaces();
    benchmark::DoNotOptimize(data.object());
    return status;
}

// CPU time of this thread (user and system, page faults included), in seconds: on a shared
// machine it is steadier than wall time.
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void compare(benchmark::State& state, const std::function<TmidModifierFty*()>& make,
             bool allFaces) {
    (void)source();  // made once, outside the timed runs
    using Clock = std::chrono::steady_clock;
    Clock::duration op{}, copy{};
    double opCpu = 0, copyCpu = 0;
    int outFaces = 0;
    for (auto _ : state) {
        std::unique_ptr<TmidModifierFty> fty(make());
        CopyFty copier;
        const double c0 = threadSeconds();
        const auto t0 = Clock::now();
        if (runThroughEngine(*fty, allFaces, &outFaces) != 0) state.SkipWithError("failed");
        const auto t1 = Clock::now();
        const double c1 = threadSeconds();
        if (runThroughEngine(copier, false, nullptr) != 0) state.SkipWithError("copy failed");
        const auto t2 = Clock::now();
        opCpu += c1 - c0;
        copyCpu += threadSeconds() - c1;
        op += t1 - t0;
        copy += t2 - t1;
    }
    const double ratio =
        std::chrono::duration<double>(op).count() / std::chrono::duration<double>(copy).count();
    state.counters["ratio"] = ratio;
    state.counters["cpu_ratio"] = opCpu / copyCpu;
    state.counters["cpu_ratio_per_face"] =
        opCpu / copyCpu * source().numFaces() / std::max(outFaces, 1);
    state.counters["ratio_per_face"] = ratio * source().numFaces() / std::max(outFaces, 1);
    state.counters["in_faces"] = source().numFaces();
    state.counters["out_faces"] = outFaces;
    state.counters["op_ms"] = std::chrono::duration<double, std::milli>(op).count() /
                              static_cast<double>(state.iterations());
    state.counters["copy_ms"] = std::chrono::duration<double, std::milli>(copy).count() /
                                static_cast<double>(state.iterations());
}

void BM_DualVsCopy(benchmark::State& state) {
    compare(
        state, [] { return new TpolyDualFty(); }, false);
}

void BM_TriPatch3VsCopy(benchmark::State& state) {
    compare(
        state,
        [] {
            auto* f = new TpolyTriPatchFty();
            f->divisions = 3;
            return f;
        },
        true);
}

void BM_SubdivideFaceAny2VsCopy(benchmark::State& state) {
    compare(
        state,
        [] {
            auto* f = new TpolySubdFaceAnyFty();
            f->divisions[0] = f->divisions[1] = f->divisions[2] = 2;
            return f;
        },
        false);
}

}  // namespace

BENCHMARK(BM_DualVsCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TriPatch3VsCopy)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SubdivideFaceAny2VsCopy)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_MAIN();
