// Mesh building, local edits and face subdivision beside OpenMesh 9 on the same input, in one
// process. Every iteration runs our side and OpenMesh's one after the other and times each in
// thread CPU time (page faults included; steadier than wall time while other jobs share the
// cores). Counters: "ratio" = ours / OpenMesh for the measure's goal, "ours_*" and "peer_*" the
// times of one run. Run with --benchmark_repetitions=N for min and median over the repeats.
//
// Measures (the input is the sphere of 1000 x 1000 faces that makeSphere makes):
//   BuildFromArrays   points and face lists to full connectivity (our edge table and adjacency;
//                     OpenMesh's halfedges), no UVs
//   Primitive/<kind>  makeSphere, makeCube, makePlane, makeCylinder at about 1M faces with UVs
//                     and full connectivity, against OpenMesh building the same arrays with
//                     halfedge texcoords; "ratio_arrays" is the primitive alone (its tables built
//                     on first use), "ours_editable_ms" also switches it to the editable layout.
//                     Goal: ratio <= 1.3.
//   SplitCollapse     one face split plus one edge collapse at a fresh place of the warm
//                     (editable) sphere, against OpenMesh's split(face, vertex) and collapse.
//                     Goal: ratio <= 3.
//   SplitCollapseUndo the same, then both undone, against OpenMesh's split and collapse
//                     followed by garbage_collection()
//   SubdivideFaceAny2 polySubdivideFaceAny with 2 divisions through the engine, with the
//                     result's edge table and adjacency, against OpenMesh's Catmull-Clark, 2
//                     steps; per output face. Goal: ours_ns_per_face <= 300.
#include <benchmark/benchmark.h>

#include <time.h>

#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/CatmullClarkT.hh>
#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "engine/geometry/subd_face_any.h"
#include "host/mesh/mesh_edit.h"
#include "host/mesh/mesh_edit_ops.h"
#include "host/mesh/mesh_primitives.h"

namespace {

using PeerMesh = OpenMesh::PolyMesh_ArrayKernelT<>;
using tarn::PolyMesh;

// CPU time of this thread in seconds (user and system, so page faults count).
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Thread CPU time of the two sides of a measure, summed over the iterations.
struct PairTimes {
    double ours = 0, peer = 0;
    template <typename F>
    static double time(F&& f) {
        const double t0 = threadSeconds();
        f();
        return threadSeconds() - t0;
    }
};

// A mesh as plain arrays: what both sides build from.
struct Arrays {
    std::vector<tarn::Vec3> points;
    std::vector<int> counts, indices;
    std::vector<float> u, v;  // per face corner (empty without UVs)
    int edges = 0;
};

Arrays arraysOf(const PolyMesh& m, bool uvs) {
    Arrays a;
    a.points = m.points();
    a.counts = m.faceCounts();
    a.indices = m.faceVertexList();
    a.edges = m.numEdges();
    if (uvs && m.uvSet()) {
        for (int f = 0; f < m.numFaces(); ++f)
            for (int c = 0; c < m.faceVertexCount(f); ++c) {
                float u = 0, v = 0;
                m.getFaceVertexUV(f, c, u, v);
                a.u.push_back(u);
                a.v.push_back(v);
            }
    }
    return a;
}

// The connectivity our meshes build on first use: the edge table and the adjacency lists.
void connect(const PolyMesh& m) {
    benchmark::DoNotOptimize(m.faceEdges(0).data());
    benchmark::DoNotOptimize(m.vertexFaces(0).data());
}

// OpenMesh's build from arrays: vertices, then faces; with texcoords each face's halfedges get
// the UV of the corner they point to.
void buildPeer(const Arrays& a, PeerMesh& m, bool status) {
    const bool uvs = !a.u.empty();
    if (uvs) m.request_halfedge_texcoords2D();
    if (status) {
        m.request_vertex_status();
        m.request_edge_status();
        m.request_halfedge_status();
        m.request_face_status();
    }
    m.reserve(a.points.size(), static_cast<size_t>(a.edges), a.counts.size());
    for (const tarn::Vec3& p : a.points)
        m.add_vertex(PeerMesh::Point(static_cast<float>(p.x), static_cast<float>(p.y),
                                     static_cast<float>(p.z)));
    std::vector<PeerMesh::VertexHandle> loop;
    size_t at = 0;
    for (int n : a.counts) {
        loop.clear();
        for (int c = 0; c < n; ++c) loop.emplace_back(a.indices[at + c]);
        const PeerMesh::FaceHandle fh = m.add_face(loop);
        if (uvs && fh.is_valid()) {
            for (PeerMesh::HalfedgeHandle h : m.fh_range(fh)) {
                const int to = m.to_vertex_handle(h).idx();
                int c = 0;
                while (c < n && a.indices[at + c] != to) ++c;
                m.set_texcoord2D(h, PeerMesh::TexCoord2D(a.u[at + c], a.v[at + c]));
            }
        }
        at += static_cast<size_t>(n);
    }
}

// The sphere every measure starts from, made once.
const PolyMesh& sphere() {
    static const PolyMesh mesh = tarn::makeSphere(1.0, 1000, 1000);
    return mesh;
}

void report(benchmark::State& state, const PairTimes& t, double scale = 1.0) {
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = t.ours / n * 1e3 * scale;
    state.counters["peer_ms"] = t.peer / n * 1e3 * scale;
    state.counters["ratio"] = t.ours / t.peer;
}

void BM_BuildFromArrays(benchmark::State& state) {
    const Arrays a = arraysOf(sphere(), false);
    PairTimes t;
    for (auto _ : state) {
        std::vector<tarn::Vec3> points = a.points;
        std::vector<int> indices = a.indices;
        {
            PolyMesh ours;
            t.ours += PairTimes::time([&] {
                PolyMesh::create(std::move(points), a.counts, std::move(indices), ours, nullptr);
                connect(ours);
            });
        }
        {
            PeerMesh peer;
            t.peer += PairTimes::time([&] { buildPeer(a, peer, false); });
        }
    }
    report(state, t);
}

// The four primitives at about a million faces each.
PolyMesh makePrimitive(int kind) {
    switch (kind) {
        case 0:
            return tarn::makeSphere(1.0, 1000, 1000);
        case 1:
            return tarn::makeCube(1.0, 1.0, 1.0, 408, 408, 408);  // 998,784 faces
        case 2:
            return tarn::makePlane(1.0, 1.0, 1000, 1000);
        default:
            return tarn::makeCylinder(1.0, 2.0, 1000, 998, 1);  // 1,000,000 faces
    }
}

void BM_Primitive(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const Arrays a = arraysOf(makePrimitive(kind), true);
    PairTimes t;
    double arraysOnly = 0, editable = 0;
    for (auto _ : state) {
        {
            PolyMesh ours;
            arraysOnly += PairTimes::time([&] { ours = makePrimitive(kind); });
            t.ours += PairTimes::time([&] { connect(ours); });
            editable += PairTimes::time([&] { tarn::MeshEditor edit(ours); });
        }
        {
            PeerMesh peer;
            t.peer += PairTimes::time([&] { buildPeer(a, peer, false); });
        }
    }
    t.ours += arraysOnly;
    report(state, t);
    const double n = static_cast<double>(state.iterations());
    state.counters["ratio_arrays"] = arraysOnly / t.peer;
    state.counters["ours_arrays_ms"] = arraysOnly / n * 1e3;
    state.counters["ours_editable_ms"] = (t.ours + editable) / n * 1e3;
    state.counters["faces"] = static_cast<double>(a.counts.size());
}

// Places for local edits: quads of the sphere's middle band, far enough apart that no edit
// touches another's faces, in a shuffled order so that each edit meets cold memory.
struct Place {
    int face = -1;  // split across its edges 0 and 2; edge 1 of face + 2 is collapsed
};

std::vector<Place> editPlaces() {
    std::vector<Place> places;
    const int sx = 1000, sy = 1000;
    for (int j = sy / 4; j < 3 * sy / 4; j += 8)
        for (int i = 0; i + 3 < sx; i += 6) places.push_back({j * sx + i});
    std::shuffle(places.begin(), places.end(), std::mt19937(12345));
    return places;
}

// Our editable sphere and OpenMesh's, with the places not used yet.
struct EditSubjects {
    PolyMesh ours = sphere();
    PeerMesh peer;
    std::vector<Place> places = editPlaces();
    size_t next = 0;
    EditSubjects();
};

// Ours: split face f across its edges 0 and 2, collapse edge 1 of face f + 2.
bool editOurs(PolyMesh& m, const Place& p, tarn::EditResult* split, tarn::EditResult* collapse) {
    const std::span<const int> fe = m.faceEdges(p.face);
    const int collapseEdge = m.faceEdges(p.face + 2)[1];
    const tarn::OpStatus s = tarn::splitMesh(
        m, {{tarn::SplitPoint::onEdge(fe[0], 0.5), tarn::SplitPoint::onEdge(fe[2], 0.5)}}, 1,
        split);
    if (!s.ok) return false;
    return tarn::collapseEdges(m, {collapseEdge}, collapse).ok;
}

// OpenMesh: split face f at its centroid, collapse the halfedge from corner 1 to corner 2 of
// face f + 2.
bool editPeer(PeerMesh& m, const Place& p) {
    const PeerMesh::FaceHandle f(p.face), g(p.face + 2);
    PeerMesh::Point centre(0, 0, 0);
    int n = 0;
    for (PeerMesh::VertexHandle v : m.fv_range(f)) {
        centre += m.point(v);
        ++n;
    }
    m.split(f, m.add_vertex(centre / static_cast<float>(n)));
    std::vector<PeerMesh::VertexHandle> loop(m.fv_range(g).begin(), m.fv_range(g).end());
    const PeerMesh::HalfedgeHandle h = m.find_halfedge(loop[1], loop[2]);
    if (!h.is_valid() || !m.is_collapse_ok(h)) return false;
    m.collapse(h);
    return true;
}

EditSubjects::EditSubjects() {
    buildPeer(arraysOf(ours, false), peer, true);
    // Warm both: one edit each (not measured) switches our mesh to its editable layout and
    // grows both sides' arrays past the size they were built at.
    tarn::EditResult split, collapse;
    if (!editOurs(ours, places.back(), &split, &collapse) || !editPeer(peer, places.back()))
        places.clear();  // every measure then reports that it ran out of places
    else
        places.pop_back();
}

EditSubjects& editSubjects() {
    static EditSubjects s;
    return s;
}

constexpr int kEditBatch = 16;

void BM_SplitCollapse(benchmark::State& state) {
    EditSubjects& s = editSubjects();
    PairTimes t;
    for (auto _ : state) {
        if (s.next + kEditBatch > s.places.size()) {
            state.SkipWithError("out of fresh places");
            break;
        }
        const Place* batch = s.places.data() + s.next;
        s.next += kEditBatch;
        bool ok = true;
        t.ours += PairTimes::time([&] {
            for (int k = 0; k < kEditBatch; ++k) {
                tarn::EditResult split, collapse;
                ok = editOurs(s.ours, batch[k], &split, &collapse) && ok;
            }
        });
        t.peer += PairTimes::time([&] {
            for (int k = 0; k < kEditBatch; ++k) ok = editPeer(s.peer, batch[k]) && ok;
        });
        if (!ok) state.SkipWithError("an edit failed");
    }
    const double n = static_cast<double>(state.iterations()) * kEditBatch;
    state.counters["ours_us"] = t.ours / n * 1e6;
    state.counters["peer_us"] = t.peer / n * 1e6;
    state.counters["ratio"] = t.ours / t.peer;
}

void BM_SplitCollapseUndo(benchmark::State& state) {
    EditSubjects& s = editSubjects();
    PairTimes t;
    for (auto _ : state) {
        if (s.next + kEditBatch > s.places.size()) {
            state.SkipWithError("out of fresh places");
            break;
        }
        const Place* batch = s.places.data() + s.next;
        s.next += kEditBatch;
        bool ok = true;
        t.ours += PairTimes::time([&] {
            for (int k = 0; k < kEditBatch; ++k) {
                tarn::EditResult split, collapse;
                ok = editOurs(s.ours, batch[k], &split, &collapse) && ok;
                tarn::MeshEditor::applyDelta(s.ours, collapse.delta, true);
                tarn::MeshEditor::applyDelta(s.ours, split.delta, true);
            }
        });
        // One place only: garbage collection goes over the whole mesh.
        t.peer += PairTimes::time([&] {
                      ok = editPeer(s.peer, batch[0]) && ok;
                      s.peer.garbage_collection();
                  }) *
                  kEditBatch;
        if (!ok) state.SkipWithError("an edit failed");
    }
    const double n = static_cast<double>(state.iterations()) * kEditBatch;
    state.counters["ours_us"] = t.ours / n * 1e6;
    state.counters["peer_us"] = t.peer / n * 1e6;
    state.counters["ratio"] = t.ours / t.peer;
}

void BM_SubdivideFaceAny2(benchmark::State& state) {
    const Arrays a = arraysOf(sphere(), false);
    PairTimes t;
    double oursFaces = 0, peerFaces = 0;
    for (auto _ : state) {
        {
            TmidBody body(sphere());
            TpolySubdFaceAnyFty fty;
            fty.divisions[0] = fty.divisions[1] = fty.divisions[2] = 2;
            int status = -1;
            t.ours += PairTimes::time([&] {
                status = fty.doAction(&body, nullptr);
                if (status == 0) connect(body.geom()->mesh());
            });
            if (status != 0) state.SkipWithError("subdivision failed");
            oursFaces += body.geom()->mesh().numFaces();
        }
        {
            PeerMesh peer;
            buildPeer(a, peer, false);
            OpenMesh::Subdivider::Uniform::CatmullClarkT<PeerMesh> cc;
            t.peer += PairTimes::time([&] {
                cc.attach(peer);
                cc(2);
                cc.detach();
            });
            peerFaces += static_cast<double>(peer.n_faces());
        }
    }
    state.counters["ours_ns_per_face"] = t.ours / oursFaces * 1e9;
    state.counters["peer_ns_per_face"] = t.peer / peerFaces * 1e9;
    state.counters["ratio"] = (t.ours / oursFaces) / (t.peer / peerFaces);
    state.counters["out_faces"] = oursFaces / static_cast<double>(state.iterations());
}

double minimum(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

}  // namespace

BENCHMARK(BM_BuildFromArrays)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->ComputeStatistics("min", minimum);
BENCHMARK(BM_Primitive)
    ->ArgName("kind")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->ComputeStatistics("min", minimum);
BENCHMARK(BM_SplitCollapse)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(40)
    ->ComputeStatistics("min", minimum);
BENCHMARK(BM_SplitCollapseUndo)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->ComputeStatistics("min", minimum);
BENCHMARK(BM_SubdivideFaceAny2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->ComputeStatistics("min", minimum);
BENCHMARK_MAIN();
