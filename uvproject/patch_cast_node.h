#pragma once
/// patchCastNode: gives a polygon mesh UVs taken from a NURBS surface. For every corner of every
/// processed face it finds the closest point of the surface and writes that point's (u, v) as
/// the corner's UV; `normalize` divides them by the surface's patch counts and `groupId` limits
/// the work to one object group of the mesh data. Messages go to standard error.

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_status.h"

class patchCastNode : public KPxNode {
public:
    patchCastNode() = default;
    ~patchCastNode() override;

    /// outMesh: a copy of inMesh with the UVs of the processed faces replaced. Any other plug
    /// answers kUnknownParameter (5): the node computes nothing else. A failing host call ends
    /// the evaluation with its status after one message on standard error.
    KStatus compute(const KPlug& plug, KDataBlock& dataBlock) override;

    static void* creator();
    /// Creates and adds the attributes from kAttributes (in table order) and declares that each
    /// input affects outMesh. A failed creation prints "failed create <name> attribute".
    static KStatus initialize();

    static const KTypeId id;  ///< 0x107040
    static KObject inMesh;
    static KObject inSurface;
    static KObject outMesh;
    static KObject normalize;
    static KObject groupId;

    /// One attribute of the node, as the initialiser builds it and the tests read it back.
    struct AttributeRow {
        enum class Kind { kMeshData, kSurfaceData, kOnOffEnum, kInt };
        KObject* handle;
        const char* longName;
        const char* shortName;
        Kind kind;
        int defaultValue;  ///< enum and integer kinds
        bool readable;
        bool writable;
        bool storable;
        bool keyable;
        bool affectsOutMesh;
    };
    static const AttributeRow kAttributes[5];

    /// Tolerance of the closest-point search, in world units.
    static constexpr double kClosestPointTolerance = 0.0001;
};
