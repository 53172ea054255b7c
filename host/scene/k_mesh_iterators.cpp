// KItMeshPolygon, KItMeshEdge and KItMeshVertex: walks over all components of a mesh or over
// those of a component object.

#include <algorithm>

#include "frame/k_mesh.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"

using namespace tarn;
using namespace tarn::scene;

namespace {

KPoint toK(const Vec3& p) {
    return {p.x, p.y, p.z};
}

// The elements of `component` when it is of `kind`; `all` stays true for a null component.
void selectElements(const KDagPath& path, const KObject& component, ComponentKind kind,
                    std::vector<int>& elements, bool& all) {
    all = component.isNull();
    if (all) return;
    ComponentImpl* c = ComponentImpl::from(component);
    if (!c || c->kind() != kind) {
        elements.clear();
        return;
    }
    KDagPath shape = path;
    shape.extendToShape();
    elements = componentElements(component, shape.node());
}

KMatrix pathMatrix(const KDagPath& path) {
    KDagPath shape = path;
    shape.extendToShape();
    return shape.inclusiveMatrix();
}

}  // namespace

// Shared stepping: `m_all` walks 0..count-1, otherwise the listed elements.
#define ITERATOR_STEPPING(Class, countExpr)                                               \
    bool Class::isDone(KStatus* status) const {                                           \
        kSetStatus(status, KStatus::kSuccess);                                            \
        PolyMesh* m = mesh();                                                             \
        if (!m) return true;                                                              \
        return m_all ? m_current >= (countExpr)                                           \
                     : m_position >= static_cast<int>(m_elementsList().size());           \
    }                                                                                     \
    KStatus Class::next() {                                                               \
        if (isDone()) return KStatus::kFailure;                                           \
        if (m_all) {                                                                      \
            ++m_current;                                                                  \
        } else if (++m_position < static_cast<int>(m_elementsList().size())) {            \
            m_current = m_elementsList()[m_position];                                     \
        }                                                                                 \
        return KStatus::kSuccess;                                                         \
    }                                                                                     \
    KStatus Class::reset() {                                                              \
        m_position = 0;                                                                   \
        m_current = m_all ? 0 : (m_elementsList().empty() ? 0 : m_elementsList()[0]);     \
        return KStatus::kSuccess;                                                         \
    }                                                                                     \
    int Class::count(KStatus* status) const {                                             \
        kSetStatus(status, KStatus::kSuccess);                                            \
        PolyMesh* m = mesh();                                                             \
        if (!m) return 0;                                                                 \
        return m_all ? (countExpr) : static_cast<int>(m_elementsList().size());           \
    }                                                                                     \
    int Class::index(KStatus* status) const {                                             \
        kSetStatus(status, KStatus::kSuccess);                                            \
        return m_current;                                                                 \
    }                                                                                     \
    KStatus Class::setIndex(int index, int& prevIndex) {                                  \
        PolyMesh* m = mesh();                                                             \
        if (!m || index < 0 || index >= (countExpr)) return KStatus::kInvalidParameter;   \
        prevIndex = m_current;                                                            \
        m_current = index;                                                                \
        if (!m_all) {                                                                     \
            auto it = std::find(m_elementsList().begin(), m_elementsList().end(), index); \
            if (it != m_elementsList().end())                                             \
                m_position = static_cast<int>(it - m_elementsList().begin());             \
        }                                                                                 \
        return KStatus::kSuccess;                                                         \
    }                                                                                     \
    PolyMesh* Class::mesh() const {                                                       \
        return m_fn.hostMesh();                                                           \
    }

// KItMeshPolygon.

#define m_elementsList() m_faces
ITERATOR_STEPPING(KItMeshPolygon, m->numFaces())
#undef m_elementsList

KItMeshPolygon::KItMeshPolygon(const KObject& mesh, KStatus* status) {
    kSetStatus(status, m_fn.setObject(mesh));
    m_toWorld = KMatrix();
    reset();
}

KItMeshPolygon::KItMeshPolygon(const KDagPath& path, const KObject& component, KStatus* status) {
    kSetStatus(status, m_fn.setObject(path));
    m_toWorld = pathMatrix(path);
    selectElements(path, component, ComponentKind::Face, m_faces, m_all);
    reset();
}

KStatus KItMeshPolygon::setIndex(int index) {
    int previous;
    return setIndex(index, previous);
}

#define FACE_OR(fallback)                                    \
    PolyMesh* m = mesh();                                    \
    if (!m || m_current < 0 || m_current >= m->numFaces()) { \
        kSetStatus(status, KStatus::kInvalidParameter);      \
        return fallback;                                     \
    }                                                        \
    kSetStatus(status, KStatus::kSuccess)
#define FACE_OR_STATUS()  \
    PolyMesh* m = mesh(); \
    if (!m || m_current < 0 || m_current >= m->numFaces()) return KStatus::kInvalidParameter

unsigned KItMeshPolygon::polygonVertexCount(KStatus* status) const {
    FACE_OR(0u);
    return static_cast<unsigned>(m->faceVertexCount(m_current));
}

KStatus KItMeshPolygon::getVertices(KIntArray& vertices) const {
    FACE_OR_STATUS();
    vertices.clear();
    for (int v : m->faceVertices(m_current)) vertices.append(v);
    return KStatus::kSuccess;
}

int KItMeshPolygon::vertexIndex(int corner, KStatus* status) const {
    FACE_OR(-1);
    if (corner < 0 || corner >= m->faceVertexCount(m_current)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return -1;
    }
    return m->faceVertices(m_current)[corner];
}

KStatus KItMeshPolygon::getEdges(KIntArray& edges) const {
    FACE_OR_STATUS();
    edges.clear();
    for (int e : m->faceEdges(m_current)) edges.append(e);
    return KStatus::kSuccess;
}

KStatus KItMeshPolygon::getConnectedFaces(KIntArray& faces) const {
    FACE_OR_STATUS();
    faces.clear();
    for (int e : m->faceEdges(m_current))
        for (int f : m->edgeFaces(e))
            if (f != m_current && std::find(faces.begin(), faces.end(), f) == faces.end())
                faces.append(f);
    return KStatus::kSuccess;
}

KPoint KItMeshPolygon::point(int corner, KSpace space, KStatus* status) const {
    FACE_OR(KPoint());
    if (corner < 0 || corner >= m->faceVertexCount(m_current)) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    const KPoint p = toK(m->point(m->faceVertices(m_current)[corner]));
    return space == KSpace::kWorld ? p * m_toWorld : p;
}

KStatus KItMeshPolygon::getPoints(KPointArray& points, KSpace space) const {
    FACE_OR_STATUS();
    points.clear();
    for (int c = 0; c < m->faceVertexCount(m_current); ++c) points.append(point(c, space));
    return KStatus::kSuccess;
}

KPoint KItMeshPolygon::center(KSpace space, KStatus* status) const {
    FACE_OR(KPoint());
    Vec3 sum;
    for (int v : m->faceVertices(m_current)) sum += m->point(v);
    const KPoint p = toK(sum / m->faceVertexCount(m_current));
    return space == KSpace::kWorld ? p * m_toWorld : p;
}

KStatus KItMeshPolygon::getNormal(KVector& normal, KSpace space) const {
    FACE_OR_STATUS();
    const Vec3 n = m->faceNormal(m_current);
    normal = KVector(n.x, n.y, n.z);
    if (space == KSpace::kWorld) normal = (normal * m_toWorld.inverse().transpose()).normal();
    return KStatus::kSuccess;
}

KStatus KItMeshPolygon::getNormals(KVectorArray& normals, KSpace space) const {
    FACE_OR_STATUS();
    normals.clear();
    for (int c = 0; c < m->faceVertexCount(m_current); ++c) {
        const Vec3 n = m->faceVertexNormal(m_current, c);
        KVector k(n.x, n.y, n.z);
        if (space == KSpace::kWorld) k = (k * m_toWorld.inverse().transpose()).normal();
        normals.append(k);
    }
    return KStatus::kSuccess;
}

bool KItMeshPolygon::hasUVs(KStatus* status) const {
    FACE_OR(false);
    return m->faceHasUVs(m_current);
}

bool KItMeshPolygon::hasUVs(const KString& uvSet, KStatus* status) const {
    FACE_OR(false);
    return m->faceHasUVs(m_current, uvSet.str());
}

KStatus KItMeshPolygon::getUV(int corner, float2& uv, const KString* uvSet) const {
    FACE_OR_STATUS();
    if (corner < 0 || corner >= m->faceVertexCount(m_current)) return KStatus::kInvalidParameter;
    return m->getFaceVertexUV(m_current, corner, uv[0], uv[1], uvSet ? uvSet->str() : std::string())
               ? KStatus::kSuccess
               : KStatus::kFailure;
}

KStatus KItMeshPolygon::getUVs(KFloatArray& u, KFloatArray& v, const KString* uvSet) const {
    FACE_OR_STATUS();
    u.clear();
    v.clear();
    for (int c = 0; c < m->faceVertexCount(m_current); ++c) {
        float2 uv;
        if (getUV(c, uv, uvSet).error()) return KStatus::kFailure;
        u.append(uv[0]);
        v.append(uv[1]);
    }
    return KStatus::kSuccess;
}

KStatus KItMeshPolygon::getUVIndex(int corner, int& uvIndex, const KString* uvSet) const {
    FACE_OR_STATUS();
    if (corner < 0 || corner >= m->faceVertexCount(m_current)) return KStatus::kInvalidParameter;
    uvIndex = m->faceVertexUVIndex(m_current, corner, uvSet ? uvSet->str() : std::string());
    return uvIndex >= 0 ? KStatus::kSuccess : KStatus::kFailure;
}

KStatus KItMeshPolygon::setUV(int corner, const float2& uv, const KString* uvSet) {
    FACE_OR_STATUS();
    if (corner < 0 || corner >= m->faceVertexCount(m_current)) return KStatus::kInvalidParameter;
    return m->setFaceVertexUV(m_current, corner, uv[0], uv[1], uvSet ? uvSet->str() : std::string())
               ? KStatus::kSuccess
               : KStatus::kFailure;
}

bool KItMeshPolygon::hasColor(KStatus* status) const {
    FACE_OR(false);
    return m->faceHasColors(m_current);
}

KStatus KItMeshPolygon::getColors(KColorArray& colors, const KString* colorSet) const {
    FACE_OR_STATUS();
    colors.clear();
    for (int c = 0; c < m->faceVertexCount(m_current); ++c) {
        const Rgba k = m->faceVertexColor(m_current, c, colorSet ? colorSet->str() : std::string());
        colors.append(KColor(k.r, k.g, k.b, k.a));
    }
    return KStatus::kSuccess;
}

KStatus KItMeshPolygon::numTriangles(int& triangles) const {
    FACE_OR_STATUS();
    triangles = m->numTriangles(m_current);
    return KStatus::kSuccess;
}

KStatus KItMeshPolygon::getTriangle(int index, KPointArray& points, KIntArray& vertexList,
                                    KSpace space) const {
    FACE_OR_STATUS();
    if (index < 0 || index >= m->numTriangles(m_current)) return KStatus::kInvalidParameter;
    points.clear();
    vertexList.clear();
    for (int v : m->triangleVertices(m_current, index)) {
        const KPoint p = toK(m->point(v));
        points.append(space == KSpace::kWorld ? p * m_toWorld : p);
        vertexList.append(v);
    }
    return KStatus::kSuccess;
}

bool KItMeshPolygon::onBoundary(KStatus* status) const {
    FACE_OR(false);
    for (int e : m->faceEdges(m_current))
        if (m->isBorderEdge(e)) return true;
    return false;
}

// KItMeshEdge.

#define m_elementsList() m_edges
ITERATOR_STEPPING(KItMeshEdge, m->numEdges())
#undef m_elementsList

KItMeshEdge::KItMeshEdge(const KObject& mesh, KStatus* status) {
    kSetStatus(status, m_fn.setObject(mesh));
    reset();
}

KItMeshEdge::KItMeshEdge(const KDagPath& path, const KObject& component, KStatus* status) {
    kSetStatus(status, m_fn.setObject(path));
    m_toWorld = pathMatrix(path);
    selectElements(path, component, ComponentKind::Edge, m_edges, m_all);
    reset();
}

#define EDGE_OR(fallback)                                    \
    PolyMesh* m = mesh();                                    \
    if (!m || m_current < 0 || m_current >= m->numEdges()) { \
        kSetStatus(status, KStatus::kInvalidParameter);      \
        return fallback;                                     \
    }                                                        \
    kSetStatus(status, KStatus::kSuccess)
#define EDGE_OR_STATUS()  \
    PolyMesh* m = mesh(); \
    if (!m || m_current < 0 || m_current >= m->numEdges()) return KStatus::kInvalidParameter

int KItMeshEdge::index(int which, KStatus* status) const {
    EDGE_OR(-1);
    return which == 0 ? m->edge(m_current).v0 : m->edge(m_current).v1;
}

KPoint KItMeshEdge::point(int which, KSpace space, KStatus* status) const {
    EDGE_OR(KPoint());
    const KPoint p = toK(m->point(which == 0 ? m->edge(m_current).v0 : m->edge(m_current).v1));
    return space == KSpace::kWorld ? p * m_toWorld : p;
}

KStatus KItMeshEdge::getConnectedFaces(KIntArray& faces) const {
    EDGE_OR_STATUS();
    faces.clear();
    for (int f : m->edgeFaces(m_current)) faces.append(f);
    return KStatus::kSuccess;
}

KStatus KItMeshEdge::getConnectedEdges(KIntArray& edges) const {
    EDGE_OR_STATUS();
    edges.clear();
    for (int v : {m->edge(m_current).v0, m->edge(m_current).v1})
        for (int e : m->vertexEdges(v))
            if (e != m_current) edges.append(e);
    return KStatus::kSuccess;
}

bool KItMeshEdge::onBoundary(KStatus* status) const {
    EDGE_OR(false);
    return m->isBorderEdge(m_current);
}

bool KItMeshEdge::isSmooth(KStatus* status) const {
    EDGE_OR(false);
    return m->isEdgeSmooth(m_current);
}

KStatus KItMeshEdge::setSmoothing(bool smooth) {
    EDGE_OR_STATUS();
    m->setEdgeSmooth(m_current, smooth);
    return KStatus::kSuccess;
}

double KItMeshEdge::length(KSpace space, KStatus* status) const {
    EDGE_OR(0.0);
    (void)m;
    return (point(1, space) - point(0, space)).length();
}

// KItMeshVertex.

#define m_elementsList() m_vertices
ITERATOR_STEPPING(KItMeshVertex, m->numVertices())
#undef m_elementsList

KItMeshVertex::KItMeshVertex(const KObject& mesh, KStatus* status) {
    kSetStatus(status, m_fn.setObject(mesh));
    reset();
}

KItMeshVertex::KItMeshVertex(const KDagPath& path, const KObject& component, KStatus* status) {
    kSetStatus(status, m_fn.setObject(path));
    m_toWorld = pathMatrix(path);
    selectElements(path, component, ComponentKind::Vertex, m_vertices, m_all);
    reset();
}

#define VERTEX_OR(fallback)                                     \
    PolyMesh* m = mesh();                                       \
    if (!m || m_current < 0 || m_current >= m->numVertices()) { \
        kSetStatus(status, KStatus::kInvalidParameter);         \
        return fallback;                                        \
    }                                                           \
    kSetStatus(status, KStatus::kSuccess)
#define VERTEX_OR_STATUS() \
    PolyMesh* m = mesh();  \
    if (!m || m_current < 0 || m_current >= m->numVertices()) return KStatus::kInvalidParameter

KPoint KItMeshVertex::position(KSpace space, KStatus* status) const {
    VERTEX_OR(KPoint());
    const KPoint p = toK(m->point(m_current));
    return space == KSpace::kWorld ? p * m_toWorld : p;
}

KStatus KItMeshVertex::setPosition(const KPoint& point, KSpace space) {
    VERTEX_OR_STATUS();
    (void)m;
    return m_fn.setPoint(m_current, space == KSpace::kWorld ? point * m_toWorld.inverse() : point);
}

KStatus KItMeshVertex::getNormal(KVector& normal, KSpace space) const {
    VERTEX_OR_STATUS();
    const Vec3 n = m->vertexNormal(m_current);
    normal = KVector(n.x, n.y, n.z);
    if (space == KSpace::kWorld) normal = (normal * m_toWorld.inverse().transpose()).normal();
    return KStatus::kSuccess;
}

KStatus KItMeshVertex::getConnectedFaces(KIntArray& faces) const {
    VERTEX_OR_STATUS();
    faces.clear();
    for (int f : m->vertexFaces(m_current)) faces.append(f);
    return KStatus::kSuccess;
}

KStatus KItMeshVertex::getConnectedEdges(KIntArray& edges) const {
    VERTEX_OR_STATUS();
    edges.clear();
    for (int e : m->vertexEdges(m_current)) edges.append(e);
    return KStatus::kSuccess;
}

KStatus KItMeshVertex::getConnectedVertices(KIntArray& vertices) const {
    VERTEX_OR_STATUS();
    vertices.clear();
    for (int e : m->vertexEdges(m_current))
        vertices.append(m->edge(e).v0 == m_current ? m->edge(e).v1 : m->edge(e).v0);
    return KStatus::kSuccess;
}

bool KItMeshVertex::onBoundary(KStatus* status) const {
    VERTEX_OR(false);
    for (int e : m->vertexEdges(m_current))
        if (m->isBorderEdge(e)) return true;
    return false;
}
