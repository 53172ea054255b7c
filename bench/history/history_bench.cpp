// Reading a shape's mesh with no history (MeshNode::readMesh, which checks for a changed input)
// beside reading the mesh the node holds (MeshNode::storedMesh, the read as it was before
// history); and one recompute of a one-node history on a plane of a million faces beside a
// plain copy of that mesh. The modifier is a groupFaces node (its recompute copies the mesh to
// give it an object group) and, second, an offset modifier written against the SDK (copy,
// vertex normals, moved points). Ratio counters are new path / baseline, in thread CPU time.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>

#include "frame/host_sdk.h"
#include "host/dg/graph.h"
#include "host/mesh/mesh_primitives.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/history.h"
#include "host/scene/node_access.h"

namespace {

// Thread CPU time: on shared machines a thread waits for a core often, and wall time would
// charge that wait to whichever side it fell on.
struct Clock {
    using duration = std::chrono::nanoseconds;
    static std::chrono::time_point<Clock, duration> now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::chrono::time_point<Clock, duration>(
            duration(t.tv_sec * 1000000000LL + t.tv_nsec));
    }
};

// Moves every vertex along its normal by `offset`, through the SDK as a plug-in would.
struct OffsetNode : KPxNode {
    static inline KObject inMesh, outMesh, offset;
    static void* creator() { return new OffsetNode; }
    static KStatus initialize() {
        KFnTypedAttribute typed;
        inMesh = typed.create("inMesh", "im", KFnData::kMesh);
        outMesh = typed.create("outMesh", "om", KFnData::kMesh);
        typed.setWritable(false);
        KFnNumericAttribute n;
        offset = n.create("offset", "off", KFnNumericData::kFloat, 0.0);
        for (KObject* a : {&inMesh, &outMesh, &offset}) addAttribute(*a);
        attributeAffects(inMesh, outMesh);
        attributeAffects(offset, outMesh);
        return KStatus();
    }
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        if (plug != outMesh) return KStatus::kUnknownParameter;
        KObject data = block.inputValue(inMesh).data();
        KFnMesh mesh(data);
        KPointArray points;
        mesh.getPoints(points);
        const double d = block.inputValue(offset).asFloat();
        for (unsigned v = 0; v < points.length(); ++v) {
            KVector normal;
            mesh.getVertexNormal(static_cast<int>(v), false, normal);
            points[v] = points[v] + normal * d;
        }
        mesh.setPoints(points);
        block.outputValue(outMesh).setKObject(data);
        block.setClean(plug);
        return KStatus();
    }
};

tarn::scene::MeshNode* makeShape(const char* name, tarn::PolyMesh mesh) {
    tarn::scene::ensureSceneTypes();
    std::string error;
    auto [transform, shape] =
        tarn::scene::createTransformAndShape(name, std::string(name) + "Shape", "mesh", {}, &error);
    tarn::scene::MeshNode* node = tarn::scene::meshNode(shape);
    node->setMesh(std::move(mesh));
    return node;
}

void setNumber(const KObject& node, const char* attribute, double value) {
    tarn::Graph& graph = tarn::Graph::instance();
    const KPlug plug = tarn::scene::plugByName(node, attribute);
    KStatus status;
    graph.writeHandle(plug, &status).set(value);
    graph.valueChanged(plug);
}

void BM_ReadMeshRatio(benchmark::State& state) {
    static tarn::scene::MeshNode* node = makeShape("plain", tarn::makeCube(1, 1, 1));
    Clock::duration fresh{}, held{};
    long long sum = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < 1000; ++i) sum += node->readMesh().numVertices();
        const auto t1 = Clock::now();
        for (int i = 0; i < 1000; ++i) sum += node->storedMesh().numVertices();
        const auto t2 = Clock::now();
        fresh += t1 - t0;
        held += t2 - t1;
    }
    benchmark::DoNotOptimize(sum);
    state.counters["ratio"] =
        std::chrono::duration<double>(fresh).count() / std::chrono::duration<double>(held).count();
}

// A million-face plane with one modifier of `type`; `change` flips an input each round.
struct Recompute {
    tarn::scene::MeshNode* shape;
    KObject modifier;
};

Recompute& groupFacesHistory() {
    static Recompute r = [] {
        Recompute s{makeShape("gridA", tarn::makePlane(1, 1, 1000, 1000)), {}};
        std::string error;
        s.modifier = tarn::scene::createModifier(s.shape->thisKObject(), "groupFaces", &error);
        setNumber(s.modifier, "groupId", 0);
        s.shape->readMesh();
        return s;
    }();
    return r;
}

Recompute& offsetHistory() {
    static Recompute r = [] {
        tarn::NodeTypeSpec decl;
        decl.name = "benchOffset";
        decl.id = KTypeId(0x7f1f0);
        decl.creator = OffsetNode::creator;
        decl.initializer = OffsetNode::initialize;
        std::string error;
        tarn::Graph::instance().registerType(decl, &error);
        Recompute s{makeShape("gridB", tarn::makePlane(1, 1, 1000, 1000)), {}};
        s.modifier = tarn::scene::createModifier(s.shape->thisKObject(), "benchOffset", &error);
        s.shape->readMesh();
        return s;
    }();
    return r;
}

void recomputeRatio(benchmark::State& state, Recompute& r, const char* attribute) {
    const tarn::PolyMesh& source = r.shape->readMesh();
    const tarn::PolyMesh original = source;
    Clock::duration history{}, copy{};
    int round = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        setNumber(r.modifier, attribute, (++round % 2) ? 1.0 : 0.0);
        benchmark::DoNotOptimize(r.shape->readMesh().numVertices());
        const auto t1 = Clock::now();
        tarn::PolyMesh plain = original;
        benchmark::DoNotOptimize(plain.numVertices());
        const auto t2 = Clock::now();
        history += t1 - t0;
        copy += t2 - t1;
    }
    state.counters["ratio"] = std::chrono::duration<double>(history).count() /
                              std::chrono::duration<double>(copy).count();
    state.counters["history_ms"] = std::chrono::duration<double, std::milli>(history).count() /
                                   static_cast<double>(state.iterations());
    state.counters["copy_ms"] = std::chrono::duration<double, std::milli>(copy).count() /
                                static_cast<double>(state.iterations());
}

void BM_GroupFacesRecomputeRatio(benchmark::State& state) {
    recomputeRatio(state, groupFacesHistory(), "groupId");
}

void BM_OffsetRecomputeRatio(benchmark::State& state) {
    recomputeRatio(state, offsetHistory(), "offset");
}

}  // namespace

BENCHMARK(BM_ReadMeshRatio);
BENCHMARK(BM_GroupFacesRecomputeRatio)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OffsetRecomputeRatio)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
