#pragma once
/// Object kinds the SDK distinguishes. `KObject::apiType()` answers one of these; function sets
/// check it before they attach. The values are fixed: scripts and files may store them.

namespace KFn {
enum Type : int {
    kInvalid = 0,
    kBase = 1,
    kNamedObject = 2,
    kDependencyNode = 4,

    // Attributes
    kAttribute = 100,
    kNumericAttribute = 101,
    kCompoundAttribute = 102,
    kMatrixAttribute = 103,
    kTypedAttribute = 104,
    kEnumAttribute = 105,
    kLightDataAttribute = 106,
    kMessageAttribute = 107,
    kGenericAttribute = 108,

    // Data
    kData = 200,
    kNumericData = 201,
    kMatrixData = 202,
    kStringData = 203,
    kMeshData = 204,
    kNurbsSurfaceData = 205,
    kNurbsCurveData = 206,
    kComponentListData = 207,
    kStringArrayData = 208,
    kPluginData = 209,

    // DAG and scene
    kDagNode = 300,
    kTransform = 301,
    kShape = 302,
    kMesh = 303,
    kCamera = 304,
    kNurbsSurface = 305,
    kNurbsCurve = 306,
    kLight = 307,
    kWorld = 308,

    // Shading
    kLambert = 400,
    kPhong = 401,
    kShadingEngine = 402,
    kSet = 403,
    kFileTexture = 404,
    kPlace2dTexture = 405,
    kTexture2d = 406,
    kTexture3d = 407,
    kPluginNode = 410,
    /// A node that takes a mesh in and gives a modified mesh out (a construction-history node).
    kPolyModifier = 411,
    /// A mesh modifier of the internal modelling engine: kPolyModifier and kPluginNode.
    kMidModifier = 412,
    /// A node that makes a mesh from nothing: kPluginNode.
    kPolyCreator = 413,

    // Components
    kComponent = 500,
    kSingleIndexedComponent = 501,
    kMeshVertComponent = 531,
    kMeshEdgeComponent = 532,
    kMeshMapComponent = 533,
    kMeshFaceVertComponent = 534,
    kMeshPolygonComponent = 540,
    kCurveCVComponent = 550,
    kSurfaceCVComponent = 551,

    // Plug-in objects
    kPlugin = 600,
};

/// Kinds added at run time (KObjBase::add) are numbered from here, in order of first addition;
/// a name keeps its number for the rest of the process, even after it is removed.
constexpr int kFirstAddedType = 0x10000;
}  // namespace KFn
