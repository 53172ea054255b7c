#include "frame/k_object.h"

#include <utility>

tarn::ObjectImpl::~ObjectImpl() = default;

const KObject KObject::kNullObj;

namespace {

// The kind each kind specialises (kBase for the roots).
KFn::Type parentOf(KFn::Type type) {
    switch (type) {
        case KFn::kNamedObject: return KFn::kBase;
        case KFn::kDependencyNode: return KFn::kNamedObject;
        case KFn::kNumericAttribute:
        case KFn::kCompoundAttribute:
        case KFn::kMatrixAttribute:
        case KFn::kTypedAttribute:
        case KFn::kEnumAttribute:
        case KFn::kMessageAttribute:
        case KFn::kGenericAttribute: return KFn::kAttribute;
        case KFn::kLightDataAttribute: return KFn::kCompoundAttribute;
        case KFn::kNumericData:
        case KFn::kMatrixData:
        case KFn::kStringData:
        case KFn::kMeshData:
        case KFn::kNurbsSurfaceData:
        case KFn::kNurbsCurveData:
        case KFn::kComponentListData:
        case KFn::kStringArrayData:
        case KFn::kPluginData: return KFn::kData;
        case KFn::kDagNode: return KFn::kDependencyNode;
        case KFn::kTransform:
        case KFn::kShape:
        case KFn::kWorld: return KFn::kDagNode;
        case KFn::kCamera: return KFn::kDagNode;
        case KFn::kLight: return KFn::kDagNode;
        case KFn::kMesh:
        case KFn::kNurbsSurface:
        case KFn::kNurbsCurve: return KFn::kShape;
        case KFn::kLambert:
        case KFn::kShadingEngine:
        case KFn::kSet:
        case KFn::kFileTexture:
        case KFn::kPlace2dTexture:
        case KFn::kTexture2d:
        case KFn::kTexture3d:
        case KFn::kPluginNode: return KFn::kDependencyNode;
        case KFn::kPhong: return KFn::kLambert;
        case KFn::kSingleIndexedComponent: return KFn::kComponent;
        case KFn::kMeshVertComponent:
        case KFn::kMeshEdgeComponent:
        case KFn::kMeshMapComponent:
        case KFn::kMeshFaceVertComponent:
        case KFn::kMeshPolygonComponent:
        case KFn::kCurveCVComponent:
        case KFn::kSurfaceCVComponent: return KFn::kSingleIndexedComponent;
        default: return KFn::kBase;
    }
}

constexpr std::pair<KFn::Type, const char*> kNames[] = {
    {KFn::kInvalid, "kInvalid"}, {KFn::kBase, "kBase"}, {KFn::kNamedObject, "kNamedObject"},
    {KFn::kDependencyNode, "kDependencyNode"}, {KFn::kAttribute, "kAttribute"},
    {KFn::kNumericAttribute, "kNumericAttribute"}, {KFn::kCompoundAttribute, "kCompoundAttribute"},
    {KFn::kMatrixAttribute, "kMatrixAttribute"}, {KFn::kTypedAttribute, "kTypedAttribute"},
    {KFn::kEnumAttribute, "kEnumAttribute"}, {KFn::kLightDataAttribute, "kLightDataAttribute"},
    {KFn::kMessageAttribute, "kMessageAttribute"}, {KFn::kGenericAttribute, "kGenericAttribute"},
    {KFn::kData, "kData"}, {KFn::kNumericData, "kNumericData"}, {KFn::kMatrixData, "kMatrixData"},
    {KFn::kStringData, "kStringData"}, {KFn::kMeshData, "kMeshData"},
    {KFn::kNurbsSurfaceData, "kNurbsSurfaceData"}, {KFn::kNurbsCurveData, "kNurbsCurveData"},
    {KFn::kComponentListData, "kComponentListData"}, {KFn::kStringArrayData, "kStringArrayData"},
    {KFn::kPluginData, "kPluginData"}, {KFn::kDagNode, "kDagNode"}, {KFn::kTransform, "kTransform"},
    {KFn::kShape, "kShape"}, {KFn::kMesh, "kMesh"}, {KFn::kCamera, "kCamera"},
    {KFn::kNurbsSurface, "kNurbsSurface"}, {KFn::kNurbsCurve, "kNurbsCurve"}, {KFn::kLight, "kLight"},
    {KFn::kWorld, "kWorld"}, {KFn::kLambert, "kLambert"}, {KFn::kPhong, "kPhong"},
    {KFn::kShadingEngine, "kShadingEngine"}, {KFn::kSet, "kSet"}, {KFn::kFileTexture, "kFileTexture"},
    {KFn::kPlace2dTexture, "kPlace2dTexture"}, {KFn::kTexture2d, "kTexture2d"},
    {KFn::kTexture3d, "kTexture3d"}, {KFn::kPluginNode, "kPluginNode"},
    {KFn::kComponent, "kComponent"}, {KFn::kSingleIndexedComponent, "kSingleIndexedComponent"},
    {KFn::kMeshVertComponent, "kMeshVertComponent"}, {KFn::kMeshEdgeComponent, "kMeshEdgeComponent"},
    {KFn::kMeshMapComponent, "kMeshMapComponent"},
    {KFn::kMeshFaceVertComponent, "kMeshFaceVertComponent"},
    {KFn::kMeshPolygonComponent, "kMeshPolygonComponent"},
    {KFn::kCurveCVComponent, "kCurveCVComponent"}, {KFn::kSurfaceCVComponent, "kSurfaceCVComponent"},
    {KFn::kPlugin, "kPlugin"},
};

}  // namespace

bool kFnIsA(KFn::Type type, KFn::Type base) {
    if (type == KFn::kInvalid) return base == KFn::kInvalid;
    for (KFn::Type t = type;; t = parentOf(t)) {
        if (t == base) return true;
        if (t == KFn::kBase) return false;
    }
}

bool KObject::hasFn(KFn::Type type) const { return !isNull() && kFnIsA(apiType(), type); }

const char* KObject::apiTypeStr() const {
    KFn::Type t = apiType();
    for (const auto& [type, name] : kNames) {
        if (type == t) return name;
    }
    return "kUnknown";
}
