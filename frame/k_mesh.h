#pragma once
/// Polygon meshes: the mesh function set and its polygon, edge and vertex iterators.
///
/// A KFnMesh attaches to a mesh shape node (through an object or a DAG path; world-space
/// queries need the path) or to mesh data (the value of a mesh-typed attribute). Edges are
/// numbered in the order they are first met walking faces in order and, within a face, its
/// corners in order; edge k of a face joins its corners k and k+1. UV-set arguments that are
/// null mean the current set. Main thread only, except const queries on mesh data inside one
/// node's compute.

#include "frame/k_arrays.h"
#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_scene.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

using float2 = float[2];
using int2 = int[2];

namespace tarn {
class PolyMesh;
}

class KFnMesh : public KFnDagNode {
public:
    KFnMesh() = default;
    /// Attaches to a mesh shape, a transform with one mesh shape, or mesh data.
    explicit KFnMesh(const KObject& object, KStatus* status = nullptr);
    explicit KFnMesh(const KDagPath& path, KStatus* status = nullptr);
    KStatus setObject(const KObject& object);
    KStatus setObject(const KDagPath& path);

    /// Creates a mesh. With `parentOrOwner` a transform, the shape goes under it and is answered;
    /// null makes a new transform (answered); mesh data receives the mesh in place (answered).
    /// Fails with kInvalidParameter and creates nothing when counts or indices disagree, an
    /// index is out of range, a face has fewer than 3 vertices or repeats one.
    KObject create(int numVertices, int numPolygons, const KFloatPointArray& vertexArray,
                   const KIntArray& polygonCounts, const KIntArray& polygonConnects,
                   const KObject& parentOrOwner = KObject::kNullObj, KStatus* status = nullptr);
    KObject create(int numVertices, int numPolygons, const KPointArray& vertexArray,
                   const KIntArray& polygonCounts, const KIntArray& polygonConnects,
                   const KObject& parentOrOwner = KObject::kNullObj, KStatus* status = nullptr);
    /// Tells the host the mesh changed (redraw, dependants dirty).
    KStatus updateSurface();

    int numVertices(KStatus* status = nullptr) const;
    int numEdges(KStatus* status = nullptr) const;
    int numPolygons(KStatus* status = nullptr) const;
    int numFaceVertices(KStatus* status = nullptr) const;
    int numUVs(const KString* uvSet = nullptr, KStatus* status = nullptr) const;
    int numUVSets(KStatus* status = nullptr) const;
    int numColorSets(KStatus* status = nullptr) const;
    int polygonVertexCount(int polygonId, KStatus* status = nullptr) const;

    KStatus getPoints(KPointArray& points, KSpace space = KSpace::kObject) const;
    KStatus getPoints(KFloatPointArray& points, KSpace space = KSpace::kObject) const;
    KStatus setPoints(const KPointArray& points, KSpace space = KSpace::kObject);
    KStatus getPoint(int vertexId, KPoint& point, KSpace space = KSpace::kObject) const;
    KStatus setPoint(int vertexId, const KPoint& point, KSpace space = KSpace::kObject);
    /// Per-face vertex counts and the concatenated vertex indices.
    KStatus getVertices(KIntArray& vertexCount, KIntArray& vertexList) const;
    KStatus getPolygonVertices(int polygonId, KIntArray& vertexList) const;
    KStatus getEdgeVertices(int edgeId, int2& vertexList) const;
    /// Edge indices of a face, in corner order.
    KStatus getPolygonEdges(int polygonId, KIntArray& edgeList) const;
    KBoundingBox boundingBox(KStatus* status = nullptr) const;

    // UV sets.
    KStatus getUVSetNames(KStringArray& names) const;
    KStatus getCurrentUVSetName(KString& name) const;
    KString currentUVSetName(KStatus* status = nullptr) const;
    KStatus setCurrentUVSetName(const KString& name);
    /// Adds an empty UV set; answers its name (an existing name is kept as is).
    KString createUVSetWithName(const KString& name, KStatus* status = nullptr);
    KStatus deleteUVSet(const KString& name);
    /// Replaces the UV table; u and v must have equal lengths.
    KStatus setUVs(const KFloatArray& uArray, const KFloatArray& vArray,
                   const KString* uvSet = nullptr);
    KStatus getUVs(KFloatArray& uArray, KFloatArray& vArray, const KString* uvSet = nullptr) const;
    KStatus setUV(int uvId, float u, float v, const KString* uvSet = nullptr);
    /// Per-face UV counts (0 or the face's corner count) and the UV ids of each corner.
    KStatus assignUVs(const KIntArray& uvCounts, const KIntArray& uvIds,
                      const KString* uvSet = nullptr);
    KStatus getAssignedUVs(KIntArray& uvCounts, KIntArray& uvIds,
                           const KString* uvSet = nullptr) const;
    KStatus getPolygonUV(int polygonId, int vertexIndex, float& u, float& v,
                         const KString* uvSet = nullptr) const;
    KStatus getPolygonUVid(int polygonId, int vertexIndex, int& uvId,
                           const KString* uvSet = nullptr) const;

    // Colours: unset channels read back negative unless a default colour is given.
    KStatus getColorSetNames(KStringArray& names) const;
    KStatus setFaceVertexColor(const KColor& color, int faceId, int vertexIndex);
    KStatus getFaceVertexColors(KColorArray& colors, const KString* colorSet = nullptr,
                                const KColor* defaultUnsetColor = nullptr) const;
    KStatus getFaceVertexColor(int faceId, int vertexIndex, KColor& color,
                               const KString* colorSet = nullptr) const;

    // Normals (unit length), honouring hard and soft edges.
    KStatus getPolygonNormal(int polygonId, KVector& normal, KSpace space = KSpace::kObject) const;
    KStatus getFaceVertexNormal(int faceId, int vertexId, KVector& normal,
                                KSpace space = KSpace::kObject) const;
    KStatus getFaceVertexNormals(int faceId, KFloatVectorArray& normals,
                                 KSpace space = KSpace::kObject) const;
    KStatus getVertexNormal(int vertexId, bool angleWeighted, KVector& normal,
                            KSpace space = KSpace::kObject) const;
    bool isEdgeSmooth(int edgeId, KStatus* status = nullptr) const;
    KStatus setEdgeSmoothing(int edgeId, bool smooth = true);

    // Triangles.
    /// n - 2 for an n-gon.
    int numTriangles(int polygonId, KStatus* status = nullptr) const;
    /// Mesh vertex indices of triangle `triangleId` of a face.
    KStatus getTriangle(int polygonId, int triangleId, int vertexList[3]) const;

    /// Hits of a ray with the mesh, nearest first: points in `space`, and the face of each hit.
    /// World space needs a DAG path. Answers false when nothing is hit.
    bool intersect(const KPoint& raySource, const KVector& rayDirection, KPointArray& points,
                   double tolerance = 1e-10, KSpace space = KSpace::kObject,
                   KIntArray* polygonIds = nullptr, KStatus* status = nullptr) const;
    /// Closest point of the mesh surface to `point`, and its face.
    KStatus getClosestPoint(const KPoint& point, KPoint& closest, KSpace space = KSpace::kObject,
                            int* closestPolygon = nullptr) const;

    /// Host use: the mesh behind this function set (null when not attached).
    tarn::PolyMesh* hostMesh() const;

private:
    friend class KItMeshPolygon;
    KMatrix toWorld() const;
    KObject m_data;  // set when attached to mesh data
};

class KItMeshPolygon {
public:
    /// All faces of a mesh shape or mesh data.
    explicit KItMeshPolygon(const KObject& mesh, KStatus* status = nullptr);
    /// The faces of `component` (all when null) of the mesh at `path`.
    KItMeshPolygon(const KDagPath& path, const KObject& component = KObject::kNullObj,
                   KStatus* status = nullptr);

    bool isDone(KStatus* status = nullptr) const;
    KStatus next();
    KStatus reset();
    int count(KStatus* status = nullptr) const;
    int index(KStatus* status = nullptr) const;
    /// Moves to face `index` of the mesh (any face, not only the component's).
    KStatus setIndex(int index, int& prevIndex);
    KStatus setIndex(int index);

    unsigned polygonVertexCount(KStatus* status = nullptr) const;
    KStatus getVertices(KIntArray& vertices) const;
    int vertexIndex(int corner, KStatus* status = nullptr) const;
    KStatus getEdges(KIntArray& edges) const;
    KStatus getConnectedFaces(KIntArray& faces) const;
    KPoint point(int corner, KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    KStatus getPoints(KPointArray& points, KSpace space = KSpace::kObject) const;
    KPoint center(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    KStatus getNormal(KVector& normal, KSpace space = KSpace::kObject) const;
    KStatus getNormals(KVectorArray& normals, KSpace space = KSpace::kObject) const;
    bool hasUVs(KStatus* status = nullptr) const;
    bool hasUVs(const KString& uvSet, KStatus* status = nullptr) const;
    KStatus getUV(int corner, float2& uv, const KString* uvSet = nullptr) const;
    KStatus getUVs(KFloatArray& u, KFloatArray& v, const KString* uvSet = nullptr) const;
    KStatus getUVIndex(int corner, int& uvIndex, const KString* uvSet = nullptr) const;
    /// Gives one corner its own UV in the set (fails when the mesh has no such set).
    KStatus setUV(int corner, const float2& uv, const KString* uvSet = nullptr);
    bool hasColor(KStatus* status = nullptr) const;
    KStatus getColors(KColorArray& colors, const KString* colorSet = nullptr) const;
    KStatus numTriangles(int& triangles) const;
    /// Triangle `index` of the face: its points and mesh vertex indices.
    KStatus getTriangle(int index, KPointArray& points, KIntArray& vertexList,
                        KSpace space = KSpace::kObject) const;
    bool onBoundary(KStatus* status = nullptr) const;

private:
    tarn::PolyMesh* mesh() const;
    KFnMesh m_fn;
    KMatrix m_toWorld;
    std::vector<int> m_faces;  // empty: every face
    bool m_all = true;
    int m_position = 0;
    int m_current = 0;
};

class KItMeshEdge {
public:
    explicit KItMeshEdge(const KObject& mesh, KStatus* status = nullptr);
    KItMeshEdge(const KDagPath& path, const KObject& component = KObject::kNullObj,
                KStatus* status = nullptr);

    bool isDone(KStatus* status = nullptr) const;
    KStatus next();
    KStatus reset();
    int count(KStatus* status = nullptr) const;
    int index(KStatus* status = nullptr) const;
    /// Vertex 0 or 1 of the current edge.
    int index(int which, KStatus* status = nullptr) const;
    KStatus setIndex(int index, int& prevIndex);
    KPoint point(int which, KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    KStatus getConnectedFaces(KIntArray& faces) const;
    KStatus getConnectedEdges(KIntArray& edges) const;
    bool onBoundary(KStatus* status = nullptr) const;
    bool isSmooth(KStatus* status = nullptr) const;
    KStatus setSmoothing(bool smooth = true);
    double length(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;

private:
    tarn::PolyMesh* mesh() const;
    KFnMesh m_fn;
    KMatrix m_toWorld;
    std::vector<int> m_edges;
    bool m_all = true;
    int m_position = 0;
    int m_current = 0;
};

class KItMeshVertex {
public:
    explicit KItMeshVertex(const KObject& mesh, KStatus* status = nullptr);
    KItMeshVertex(const KDagPath& path, const KObject& component = KObject::kNullObj,
                  KStatus* status = nullptr);

    bool isDone(KStatus* status = nullptr) const;
    KStatus next();
    KStatus reset();
    int count(KStatus* status = nullptr) const;
    int index(KStatus* status = nullptr) const;
    KStatus setIndex(int index, int& prevIndex);
    KPoint position(KSpace space = KSpace::kObject, KStatus* status = nullptr) const;
    KStatus setPosition(const KPoint& point, KSpace space = KSpace::kObject);
    KStatus getNormal(KVector& normal, KSpace space = KSpace::kObject) const;
    KStatus getConnectedFaces(KIntArray& faces) const;
    KStatus getConnectedEdges(KIntArray& edges) const;
    KStatus getConnectedVertices(KIntArray& vertices) const;
    bool onBoundary(KStatus* status = nullptr) const;

private:
    tarn::PolyMesh* mesh() const;
    KFnMesh m_fn;
    KMatrix m_toWorld;
    std::vector<int> m_vertices;
    bool m_all = true;
    int m_position = 0;
    int m_current = 0;
};

/// Mesh data: a mesh value that is not in the DAG (the value of mesh-typed attributes).
class KFnMeshData {
public:
    /// A new, empty mesh data object; fill it with KFnMesh::create(..., data).
    KObject create(KStatus* status = nullptr);
};
