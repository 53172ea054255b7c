// A construction-history probe for the host tests: `offsetMesh` moves every vertex along its
// normal by `offset` (only the vertices of the faces in object group `groupId` when that is 0
// or more, and reports the group's face count on `groupSize`); `quadMesh` makes a unit square
// of side `size` from nothing (a creator).

#include <exception>
#include <set>

#include "frame/host_sdk.h"
#include "frame/plugin_entry.h"

namespace {

struct OffsetMesh : KPxNode {
    static inline KObject inMesh, outMesh, offset, groupId, groupSize;
    static void* creator() { return new OffsetMesh; }
    static KStatus initialize() {
        KFnTypedAttribute typed;
        inMesh = typed.create("inMesh", "im", KFnData::kMesh);
        typed.setReadable(false);
        outMesh = typed.create("outMesh", "om", KFnData::kMesh);
        typed.setWritable(false);
        typed.setStorable(false);
        KFnNumericAttribute n;
        offset = n.create("offset", "off", KFnNumericData::kFloat, 0.0);
        n.setKeyable(true);
        groupId = n.create("groupId", "gid", KFnNumericData::kInt, -1.0);
        groupSize = n.create("groupSize", "gsz", KFnNumericData::kInt, -1.0);
        n.setWritable(false);
        n.setStorable(false);
        for (KObject* a : {&inMesh, &outMesh, &offset, &groupId, &groupSize})
            if (KStatus s = addAttribute(*a); !s) return s;
        for (KObject* a : {&inMesh, &offset, &groupId}) {
            attributeAffects(*a, outMesh);
            attributeAffects(*a, groupSize);
        }
        return KStatus();
    }
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        if (plug != outMesh && plug != groupSize) return KStatus::kUnknownParameter;
        try {
            return run(block);
        } catch (const std::exception&) {
            return KStatus::kFailure;
        }
    }
    KStatus run(KDataBlock& block) {
        // The input is this compute's own object: edit it and hand it on.
        KObject data = block.inputValue(inMesh).data();
        KStatus status;
        KFnMesh mesh(data, &status);
        if (!status) return status;
        const int gid = block.inputValue(groupId).asInt();
        std::set<int> vertices;
        int size = -1;
        if (gid >= 0) {
            KFnGeometryData geometry(data);
            KFnSingleIndexedComponent faces(geometry.objectGroupComponent(gid, &status));
            if (!status) return status;
            KIntArray ids, corners;
            faces.getElements(ids);
            size = static_cast<int>(ids.length());
            for (unsigned i = 0; i < ids.length(); ++i) {
                mesh.getPolygonVertices(ids[i], corners);
                for (unsigned k = 0; k < corners.length(); ++k) vertices.insert(corners[k]);
            }
        } else {
            for (int v = 0; v < mesh.numVertices(); ++v) vertices.insert(v);
        }
        const double d = block.inputValue(offset).asFloat();
        KPointArray points;
        mesh.getPoints(points);
        for (int v : vertices) {
            KVector normal;
            mesh.getVertexNormal(v, false, normal);
            points[v] = points[v] + normal * d;
        }
        mesh.setPoints(points);
        block.outputValue(outMesh).setKObject(data);
        block.setClean(outMesh);
        block.outputValue(groupSize).set(size);
        block.setClean(groupSize);
        return KStatus();
    }
};

struct QuadMesh : KPxNode {
    static inline KObject size, outMesh;
    static void* creator() { return new QuadMesh; }
    static KStatus initialize() {
        KFnNumericAttribute n;
        size = n.create("size", "sz", KFnNumericData::kDouble, 1.0);
        KFnTypedAttribute typed;
        outMesh = typed.create("outMesh", "om", KFnData::kMesh);
        typed.setWritable(false);
        typed.setStorable(false);
        for (KObject* a : {&size, &outMesh})
            if (KStatus s = addAttribute(*a); !s) return s;
        attributeAffects(size, outMesh);
        return KStatus();
    }
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        if (plug != outMesh) return KStatus::kUnknownParameter;
        const double s = block.inputValue(size).asDouble() * 0.5;
        KPointArray points;
        for (const auto& [x, z] : {std::pair{-s, -s}, {s, -s}, {s, s}, {-s, s}})
            points.append(KPoint(x, 0.0, z));
        KIntArray counts, connects;
        counts.append(4);
        for (int v : {0, 3, 2, 1}) connects.append(v);
        KStatus status;
        KObject data = KFnMeshData().create(&status);
        KFnMesh().create(4, 1, points, counts, connects, data, &status);
        if (!status) return status;
        block.outputValue(outMesh).setKObject(data);
        block.setClean(plug);
        return KStatus();
    }
};

struct NodeRow {
    const char* name;
    unsigned id;
    KCreatorFunction creator;
    KInitializeFunction initialize;
};
constexpr NodeRow kNodes[] = {
    {"offsetMesh", 0x7f110, OffsetMesh::creator, OffsetMesh::initialize},
    {"quadMesh", 0x7f111, QuadMesh::creator, QuadMesh::initialize},
};

}  // namespace

TARN_DEFINE_API_VERSION

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    KFnPlugin fn(plugin, "Probe", "1.0", "Any");
    for (const NodeRow& row : kNodes)
        if (KStatus s = fn.registerNode(row.name, KTypeId(row.id), row.creator, row.initialize); !s)
            return s;
    return KStatus();
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    KFnPlugin fn(plugin);
    for (auto it = std::rbegin(kNodes); it != std::rend(kNodes); ++it)
        fn.deregisterNode(KTypeId(it->id));
    return KStatus();
}
