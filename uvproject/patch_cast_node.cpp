#include "uvproject/patch_cast_node.h"

#include <cstdio>

#include "frame/k_arrays.h"
#include "frame/k_attribute.h"
#include "frame/k_geometry_data.h"
#include "frame/k_mesh.h"
#include "frame/k_nurbs.h"
#include "frame/k_selection.h"
#include "uvproject/mesh_data_copy.h"

const KTypeId patchCastNode::id(0x107040);
KObject patchCastNode::inMesh;
KObject patchCastNode::inSurface;
KObject patchCastNode::outMesh;
KObject patchCastNode::normalize;
KObject patchCastNode::groupId;

using Kind = patchCastNode::AttributeRow::Kind;

// clang-format off
const patchCastNode::AttributeRow patchCastNode::kAttributes[5] = {
    // handle      long         short   kind               default read   write  store  key    affects
    {&inMesh,    "inMesh",    "inm",  Kind::kMeshData,    0,  false, true,  true,  false, true},
    {&inSurface, "inSurface", "ins",  Kind::kSurfaceData, 0,  false, true,  true,  false, true},
    {&outMesh,   "outMesh",   "outm", Kind::kMeshData,    0,  true,  false, false, false, false},
    {&normalize, "normalize", "n",    Kind::kOnOffEnum,   0,  true,  true,  true,  false, true},
    {&groupId,   "groupId",   "gid",  Kind::kInt,         -1, false, true,  true,  false, true},
};
// clang-format on

namespace {

/// Writes a message to standard error as is (the caller supplies any line feed).
KStatus fail(const char* message, KStatus status) {
    std::fputs(message, stderr);
    return status;
}

KObject createAttribute(const patchCastNode::AttributeRow& row, KStatus& status) {
    switch (row.kind) {
        case Kind::kMeshData:
            return KFnTypedAttribute().create(row.longName, row.shortName, KFnData::kMesh,
                                              KObject::kNullObj, &status);
        case Kind::kSurfaceData:
            return KFnTypedAttribute().create(row.longName, row.shortName, KFnData::kNurbsSurface,
                                              KObject::kNullObj, &status);
        case Kind::kOnOffEnum: {
            KFnEnumAttribute fn;
            KObject attribute = fn.create(row.longName, row.shortName,
                                          static_cast<short>(row.defaultValue), &status);
            if (status) status = fn.addField("off", 0);
            if (status) status = fn.addField("on", 1);
            return attribute;
        }
        case Kind::kInt:
            return KFnNumericAttribute().create(row.longName, row.shortName, KFnNumericData::kInt,
                                                row.defaultValue, &status);
    }
    status = KStatus::kInvalidParameter;
    return KObject();
}

KStatus setFlags(const patchCastNode::AttributeRow& row) {
    KStatus status;
    KFnAttribute fn(*row.handle, &status);
    if (status) status = fn.setReadable(row.readable);
    if (status) status = fn.setWritable(row.writable);
    if (status) status = fn.setStorable(row.storable);
    if (status) status = fn.setKeyable(row.keyable);
    return status;
}

/// The faces of object group `id` of `meshData`, in the group's order.
KStatus groupFaces(const KObject& meshData, int id, KIntArray& faces) {
    KStatus status;
    KFnGeometryData geometry(meshData, &status);
    KObject component;
    if (status) component = geometry.objectGroupComponent(id, &status);
    KFnSingleIndexedComponent members;
    if (status) status = members.setObject(component);
    if (!status) return fail("error\n", status);
    if (!(status = members.getElements(faces)))
        return fail("error getting selected faces\n", status);
    return KStatus::kSuccess;
}

/// The object groups of `from` with their members, added to `to` (which has none).
KStatus copyObjectGroups(const KObject& from, const KObject& to) {
    KStatus status;
    KFnGeometryData source(from, &status);
    if (!status) return status;
    KFnGeometryData target(to, &status);
    if (!status) return status;
    const int count = source.objectGroupCount(&status);
    for (int i = 0; status && i < count; ++i) {
        const int id = source.objectGroup(i, &status);
        if (!status) break;
        const KObject members = source.objectGroupComponent(id, &status);
        if (!status) break;
        if (!(status = target.addObjectGroup(id))) break;
        status = target.addObjectGroupComponent(id, members);
    }
    return status;
}

}  // namespace

patchCastNode::~patchCastNode() = default;

void* patchCastNode::creator() {
    return new patchCastNode;
}

KStatus patchCastNode::initialize() {
    // Create every attribute with its flags, in table order.
    for (const AttributeRow& row : kAttributes) {
        KStatus status;
        *row.handle = createAttribute(row, status);
        if (status) status = setFlags(row);
        if (!status) {
            std::fprintf(stderr, "failed create %s attribute", row.longName);
            return status;
        }
    }
    // Add them, then declare what outMesh depends on.
    for (const AttributeRow& row : kAttributes)
        if (KStatus status = addAttribute(*row.handle); !status) return status;
    for (const AttributeRow& row : kAttributes)
        if (row.affectsOutMesh)
            if (KStatus status = attributeAffects(*row.handle, outMesh); !status) return status;
    return KStatus::kSuccess;
}

KStatus patchCastNode::compute(const KPlug& plug, KDataBlock& dataBlock) {
    // outMesh is the only plug this node computes.
    if (plug != outMesh) return KStatus::kUnknownParameter;

    // Read the inputs.
    const KObject meshData = dataBlock.inputValue(inMesh).data();
    const KObject surfaceData = dataBlock.inputValue(inSurface).data();
    const int normalizeOn = dataBlock.inputValue(normalize).asInt();
    const int group = dataBlock.inputValue(groupId).asInt();

    KStatus status;
    KFnMesh mesh(meshData, &status);
    if (!status) return fail("error with mesh input data\n", status);
    KFnNurbsSurface surface(surfaceData, &status);
    if (!status) return fail("error with nurbs surface input data\n", status);
    const int patchesU = surface.numPatchesInU();
    const int patchesV = surface.numPatchesInV();

    // Choose the faces: all of them, or the members of one object group.
    KIntArray faces;
    if (group <= -1) {
        const int count = mesh.numPolygons();
        for (int f = 0; f < count; ++f) faces.append(f);
    } else if (!(status = groupFaces(meshData, group, faces))) {
        return status;
    }

    // Write into a copy: the input's data belongs to the node upstream. The copy's UVs are
    // rebuilt from it on each evaluation, so the UVs added below never accumulate.
    KObject result;
    status = uvproject::copyMeshData(meshData, result);
    if (status) status = copyObjectGroups(meshData, result);
    if (!status) return fail("error with mesh input data\n", status);

    KItMeshPolygon polygon(result, &status);
    if (!status) return fail("error creating mesh iterator\n", status);

    // Project each corner of each face onto the surface; each corner gets a UV of its own.
    for (unsigned i = 0; i < faces.length(); ++i) {
        if (!(status = polygon.setIndex(faces[i]))) return fail("invalid face index\n", status);
        KIntArray vertices;
        if (!(status = polygon.getVertices(vertices)))
            return fail("error getting the vertices\n", status);
        const int corners = static_cast<int>(vertices.length());
        for (int j = 0; j < corners; ++j) {
            const KPoint p = polygon.point(j, KSpace::kWorld, &status);
            if (!status) return fail("error getting vertex point\n", status);
            double u = 0.0, v = 0.0;
            surface.closestPoint(p, &u, &v, true, kClosestPointTolerance, KSpace::kWorld, &status);
            if (!status) return fail("error getting closest point on nurbs surface\n", status);
            if (normalizeOn != 0) {
                u /= patchesU;
                v /= patchesV;
            }
            const float2 uv = {static_cast<float>(u), static_cast<float>(v)};
            if (!(status = polygon.setUV(j, uv))) return fail("error setting UV\n", status);
        }
    }

    // Hand the mesh with its new UVs downstream.
    if (!(status = dataBlock.outputValue(outMesh).setKObject(result))) return status;
    return dataBlock.setClean(plug);
}
