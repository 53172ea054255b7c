#include "uvproject/mesh_data_copy.h"

#include "frame/k_arrays.h"
#include "frame/k_mesh.h"

namespace uvproject {

namespace {

KStatus copyUVSets(const KFnMesh& from, KFnMesh& to) {
    KStringArray names;
    KStatus status = from.getUVSetNames(names);
    if (!status) return status;
    for (unsigned i = 0; i < names.length(); ++i) {
        const KString name = to.createUVSetWithName(names[i], &status);
        if (!status) return status;
        KFloatArray u, v;
        KIntArray counts, ids;
        if (!(status = from.getUVs(u, v, &names[i]))) return status;
        if (!(status = to.setUVs(u, v, &name))) return status;
        if (!(status = from.getAssignedUVs(counts, ids, &names[i]))) return status;
        if (!(status = to.assignUVs(counts, ids, &name))) return status;
    }
    if (names.length() == 0) return KStatus::kSuccess;
    KString current;
    if (!(status = from.getCurrentUVSetName(current))) return status;
    return to.setCurrentUVSetName(current);
}

KStatus copyHardEdges(const KFnMesh& from, KFnMesh& to) {
    const int edges = from.numEdges();
    for (int e = 0; e < edges; ++e) {
        KStatus status;
        const bool smooth = from.isEdgeSmooth(e, &status);
        if (!status) return status;
        if (smooth == to.isEdgeSmooth(e)) continue;
        if (!(status = to.setEdgeSmoothing(e, smooth))) return status;
    }
    return KStatus::kSuccess;
}

KStatus copyColors(const KFnMesh& from, KFnMesh& to) {
    if (from.numColorSets() == 0) return KStatus::kSuccess;
    KColorArray colors;
    KStatus status = from.getFaceVertexColors(colors);
    if (!status) return status;
    // Colours come per face-vertex in face order; an unset corner reads back negative.
    unsigned at = 0;
    for (int f = 0; f < from.numPolygons(); ++f) {
        const int corners = from.polygonVertexCount(f);
        for (int c = 0; c < corners; ++c, ++at) {
            const KColor& k = colors[at];
            if (k.r < 0.0f && k.g < 0.0f && k.b < 0.0f && k.a < 0.0f) continue;
            if (!(status = to.setFaceVertexColor(k, f, c))) return status;
        }
    }
    return KStatus::kSuccess;
}

}  // namespace

KStatus copyMeshData(const KObject& source, KObject& copy) {
    KStatus status;
    KFnMesh from(source, &status);
    if (!status) return status;

    KPointArray points;
    KIntArray counts, connects;
    if (!(status = from.getPoints(points))) return status;
    if (!(status = from.getVertices(counts, connects))) return status;

    KObject data = KFnMeshData().create(&status);
    if (!status) return status;
    KFnMesh to;
    to.create(static_cast<int>(points.length()), static_cast<int>(counts.length()), points, counts,
              connects, data, &status);
    if (!status) return status;
    if (!(status = to.setObject(data))) return status;

    if (!(status = copyUVSets(from, to))) return status;
    if (!(status = copyHardEdges(from, to))) return status;
    if (!(status = copyColors(from, to))) return status;
    copy = data;
    return KStatus::kSuccess;
}

}  // namespace uvproject
