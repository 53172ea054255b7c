// KFnMesh over the host's mesh shapes and mesh data.

#include <algorithm>
#include <cctype>
#include <functional>

#include "frame/k_mesh.h"
#include "host/mesh/mesh_raycast.h"
#include "host/scene/dag.h"
#include "host/scene/mesh_data.h"
#include "host/scene/scene_undo.h"

using namespace tarn;
using namespace tarn::scene;

namespace {

KPoint toK(const Vec3& p) {
    return {p.x, p.y, p.z};
}
Vec3 toV(const KPoint& p) {
    return {p.x, p.y, p.z};
}
KVector toKV(const Vec3& v) {
    return {v.x, v.y, v.z};
}

// Normals go to world space by the inverse transpose of the point matrix.
KVector normalToWorld(const KVector& n, const KMatrix& toWorld) {
    return (n * toWorld.inverse().transpose()).normal();
}

const std::string& setOf(const KString* name) {
    static const std::string empty;
    return name ? name->str() : empty;
}

const PolyMesh* readHostMesh(const KObject& data, const KObject& object) {
    if (const MeshDataImpl* d = MeshDataImpl::from(data)) return &d->mesh();
    if (MeshNode* m = meshNode(object)) return &m->readMesh();
    return nullptr;
}

}  // namespace

KObject KFnMeshData::create(KStatus* status) {
    kSetStatus(status, KStatus::kSuccess);
    return KObject(std::make_shared<MeshDataImpl>());
}

KFnMesh::KFnMesh(const KObject& object, KStatus* status) {
    kSetStatus(status, setObject(object));
}

KFnMesh::KFnMesh(const KDagPath& path, KStatus* status) {
    kSetStatus(status, setObject(path));
}

KStatus KFnMesh::setObject(const KObject& object) {
    if (MeshDataImpl::from(object)) {
        m_data = object;
        m_object = KObject();
        m_path = KDagPath();
        return KStatus::kSuccess;
    }
    const KObject shape = meshShapeOf(object);
    if (shape.isNull()) return KStatus::kInvalidParameter;
    m_data = KObject();
    return KFnDagNode::setObject(shape);
}

KStatus KFnMesh::setObject(const KDagPath& path) {
    KDagPath p = path;
    if (p.extendToShape().error() || !meshNode(p.node())) return KStatus::kInvalidParameter;
    m_data = KObject();
    return KFnDagNode::setObject(p);
}

PolyMesh* KFnMesh::hostMesh() const {
    if (MeshDataImpl* d = MeshDataImpl::from(m_data)) return &d->editMesh();
    if (MeshNode* m = meshNode(m_object)) return &m->mesh();
    return nullptr;
}

KMatrix KFnMesh::toWorld() const {
    if (!m_data.isNull() || m_object.isNull()) return KMatrix();
    return m_path.length() > 0 ? m_path.inclusiveMatrix() : worldMatrix(m_object);
}

template <typename PointArray>
static KObject createMesh(int numVertices, int numPolygons, const PointArray& points,
                          const KIntArray& counts, const KIntArray& connects,
                          const KObject& parentOrOwner, KStatus* status,
                          std::function<KStatus(const KObject&)> attach) {
    auto fail = [&](KStatus::KStatusCode code) {
        kSetStatus(status, code);
        return KObject();
    };
    if (numVertices < 0 || static_cast<unsigned>(numVertices) != points.length() ||
        numPolygons < 0 || static_cast<unsigned>(numPolygons) != counts.length())
        return fail(KStatus::kInvalidParameter);
    std::vector<Vec3> pts(points.length());
    for (unsigned i = 0; i < points.length(); ++i) pts[i] = {points[i].x, points[i].y, points[i].z};
    PolyMesh mesh;
    std::string error;
    if (!PolyMesh::create(std::move(pts), counts.items(), connects.items(), mesh, &error))
        return fail(KStatus::kInvalidParameter);
    // Into mesh data, under a given transform, or under a new transform.
    if (MeshDataImpl* data = MeshDataImpl::from(parentOrOwner)) {
        data->setMesh(std::move(mesh));
        attach(parentOrOwner);
        kSetStatus(status, KStatus::kSuccess);
        return parentOrOwner;
    }
    KObject transform, shape;
    std::vector<KObject> created;
    if (parentOrOwner.isNull()) {
        std::tie(transform, shape) =
            createTransformAndShape("polySurface", "polySurfaceShape", "mesh", {}, &error);
        created = {transform, shape};
    } else if (parentOrOwner.apiType() == KFn::kTransform) {
        // "name12" gets the shape "nameShape12".
        const std::string name = nodeName(parentOrOwner);
        size_t d = name.size();
        while (d > 0 && std::isdigit(static_cast<unsigned char>(name[d - 1]))) --d;
        shape = createDagNode("mesh", name.substr(0, d) + "Shape" + name.substr(d), parentOrOwner,
                              &error);
        created = {shape};
    } else {
        return fail(KStatus::kInvalidParameter);
    }
    if (shape.isNull()) return fail(KStatus::kFailure);
    meshNode(shape)->setMesh(std::move(mesh));
    recordCreated(created, "create " + nodeName(shape));
    attach(shape);
    kSetStatus(status, KStatus::kSuccess);
    return transform.isNull() ? shape : transform;
}

KObject KFnMesh::create(int numVertices, int numPolygons, const KFloatPointArray& vertexArray,
                        const KIntArray& polygonCounts, const KIntArray& polygonConnects,
                        const KObject& parentOrOwner, KStatus* status) {
    return createMesh(numVertices, numPolygons, vertexArray, polygonCounts, polygonConnects,
                      parentOrOwner, status, [this](const KObject& o) { return setObject(o); });
}

KObject KFnMesh::create(int numVertices, int numPolygons, const KPointArray& vertexArray,
                        const KIntArray& polygonCounts, const KIntArray& polygonConnects,
                        const KObject& parentOrOwner, KStatus* status) {
    return createMesh(numVertices, numPolygons, vertexArray, polygonCounts, polygonConnects,
                      parentOrOwner, status, [this](const KObject& o) { return setObject(o); });
}

KStatus KFnMesh::updateSurface() {
    // Derived tables (normals, triangles, edges) are built when first asked for, so there is
    // nothing to refresh here.
    if (!hostMesh()) return KStatus::kInvalidParameter;
    return KStatus::kSuccess;
}

#define MESH_OR(fallback)                               \
    PolyMesh* mesh = hostMesh();                        \
    if (!mesh) {                                        \
        kSetStatus(status, KStatus::kInvalidParameter); \
        return fallback;                                \
    }                                                   \
    kSetStatus(status, KStatus::kSuccess)

#define MESH_OR_STATUS()         \
    PolyMesh* mesh = hostMesh(); \
    if (!mesh) return KStatus::kInvalidParameter

// Readers take the mesh without copying it: mesh data shared with upstream stays shared (and
// keeps the tables built on it for later recomputes), a shape is read as it shows.
#define READ_MESH_OR(fallback)                             \
    const PolyMesh* mesh = readHostMesh(m_data, m_object); \
    if (!mesh) {                                           \
        kSetStatus(status, KStatus::kInvalidParameter);    \
        return fallback;                                   \
    }                                                      \
    kSetStatus(status, KStatus::kSuccess)

#define READ_MESH_OR_STATUS()                              \
    const PolyMesh* mesh = readHostMesh(m_data, m_object); \
    if (!mesh) return KStatus::kInvalidParameter

int KFnMesh::numVertices(KStatus* status) const {
    READ_MESH_OR(0);
    return mesh->numVertices();
}
int KFnMesh::numEdges(KStatus* status) const {
    READ_MESH_OR(0);
    return mesh->numEdges();
}
int KFnMesh::numPolygons(KStatus* status) const {
    READ_MESH_OR(0);
    return mesh->numFaces();
}
int KFnMesh::numFaceVertices(KStatus* status) const {
    READ_MESH_OR(0);
    return mesh->numFaceVertices();
}

int KFnMesh::numUVs(const KString* uvSet, KStatus* status) const {
    READ_MESH_OR(0);
    const UVSet* set = mesh->uvSet(setOf(uvSet));
    return set ? static_cast<int>(set->u.size()) : 0;
}

int KFnMesh::numUVSets(KStatus* status) const {
    READ_MESH_OR(0);
    return static_cast<int>(mesh->uvSetNames().size());
}

int KFnMesh::numColorSets(KStatus* status) const {
    READ_MESH_OR(0);
    return static_cast<int>(mesh->colorSetNames().size());
}

int KFnMesh::polygonVertexCount(int polygonId, KStatus* status) const {
    READ_MESH_OR(0);
    if (polygonId < 0 || polygonId >= mesh->numFaces()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return 0;
    }
    return mesh->faceVertexCount(polygonId);
}

KStatus KFnMesh::getPoints(KPointArray& points, KSpace space) const {
    READ_MESH_OR_STATUS();
    const KMatrix m = space == KSpace::kWorld ? toWorld() : KMatrix();
    points.clear();
    for (const Vec3& p : mesh->points()) points.append(toK(p) * m);
    return KStatus::kSuccess;
}

KStatus KFnMesh::getPoints(KFloatPointArray& points, KSpace space) const {
    KPointArray doubles;
    if (KStatus s = getPoints(doubles, space); s.error()) return s;
    points.clear();
    for (const KPoint& p : doubles) points.append(KFloatPoint(p));
    return KStatus::kSuccess;
}

KStatus KFnMesh::setPoints(const KPointArray& points, KSpace space) {
    MESH_OR_STATUS();
    if (static_cast<int>(points.length()) != mesh->numVertices()) return KStatus::kInvalidParameter;
    const KMatrix inv = space == KSpace::kWorld ? toWorld().inverse() : KMatrix();
    for (int v = 0; v < mesh->numVertices(); ++v) {
        const Vec3 p = toV(KPoint(points[v]) * inv);
        if (MeshNode* node = meshNode(m_object))
            node->setPoint(v, p);
        else
            mesh->setPoint(v, p);
    }
    return KStatus::kSuccess;
}

KStatus KFnMesh::getPoint(int vertexId, KPoint& point, KSpace space) const {
    READ_MESH_OR_STATUS();
    if (vertexId < 0 || vertexId >= mesh->numVertices()) return KStatus::kInvalidParameter;
    point = toK(mesh->point(vertexId)) * (space == KSpace::kWorld ? toWorld() : KMatrix());
    return KStatus::kSuccess;
}

KStatus KFnMesh::setPoint(int vertexId, const KPoint& point, KSpace space) {
    MESH_OR_STATUS();
    if (vertexId < 0 || vertexId >= mesh->numVertices()) return KStatus::kInvalidParameter;
    const Vec3 p = toV(point * (space == KSpace::kWorld ? toWorld().inverse() : KMatrix()));
    if (MeshNode* node = meshNode(m_object))
        node->setPoint(vertexId, p);
    else
        mesh->setPoint(vertexId, p);
    return KStatus::kSuccess;
}

KStatus KFnMesh::getVertices(KIntArray& vertexCount, KIntArray& vertexList) const {
    READ_MESH_OR_STATUS();
    vertexCount = KIntArray();
    for (int c : mesh->faceCounts()) vertexCount.append(c);
    vertexList = KIntArray();
    for (int v : mesh->faceVertexList()) vertexList.append(v);
    return KStatus::kSuccess;
}

KStatus KFnMesh::getPolygonVertices(int polygonId, KIntArray& vertexList) const {
    READ_MESH_OR_STATUS();
    if (polygonId < 0 || polygonId >= mesh->numFaces()) return KStatus::kInvalidParameter;
    vertexList.clear();
    for (int v : mesh->faceVertices(polygonId)) vertexList.append(v);
    return KStatus::kSuccess;
}

KStatus KFnMesh::getEdgeVertices(int edgeId, int2& vertexList) const {
    READ_MESH_OR_STATUS();
    if (edgeId < 0 || edgeId >= mesh->numEdges()) return KStatus::kInvalidParameter;
    vertexList[0] = mesh->edge(edgeId).v0;
    vertexList[1] = mesh->edge(edgeId).v1;
    return KStatus::kSuccess;
}

KStatus KFnMesh::getPolygonEdges(int polygonId, KIntArray& edgeList) const {
    READ_MESH_OR_STATUS();
    if (polygonId < 0 || polygonId >= mesh->numFaces()) return KStatus::kInvalidParameter;
    edgeList.clear();
    for (int e : mesh->faceEdges(polygonId)) edgeList.append(e);
    return KStatus::kSuccess;
}

KBoundingBox KFnMesh::boundingBox(KStatus* status) const {
    READ_MESH_OR(KBoundingBox());
    const Box3 b = mesh->bounds();
    return b.empty() ? KBoundingBox() : KBoundingBox(toK(b.min), toK(b.max));
}

KStatus KFnMesh::getUVSetNames(KStringArray& names) const {
    READ_MESH_OR_STATUS();
    names.clear();
    for (const std::string& n : mesh->uvSetNames()) names.append(n);
    return KStatus::kSuccess;
}

KStatus KFnMesh::getCurrentUVSetName(KString& name) const {
    READ_MESH_OR_STATUS();
    name = mesh->currentUVSetName();
    return KStatus::kSuccess;
}

KString KFnMesh::currentUVSetName(KStatus* status) const {
    READ_MESH_OR(KString());
    return mesh->currentUVSetName();
}

KStatus KFnMesh::setCurrentUVSetName(const KString& name) {
    MESH_OR_STATUS();
    return mesh->setCurrentUVSet(name.str()) ? KStatus::kSuccess : KStatus::kInvalidParameter;
}

KString KFnMesh::createUVSetWithName(const KString& name, KStatus* status) {
    MESH_OR(KString());
    if (name.isEmpty()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return {};
    }
    return mesh->createUVSet(name.str()).name;
}

KStatus KFnMesh::deleteUVSet(const KString& name) {
    MESH_OR_STATUS();
    return mesh->deleteUVSet(name.str()) ? KStatus::kSuccess : KStatus::kInvalidParameter;
}

KStatus KFnMesh::setUVs(const KFloatArray& uArray, const KFloatArray& vArray,
                        const KString* uvSet) {
    MESH_OR_STATUS();
    return mesh->setUVs(uArray.items(), vArray.items(), setOf(uvSet)) ? KStatus::kSuccess
                                                                      : KStatus::kInvalidParameter;
}

KStatus KFnMesh::getUVs(KFloatArray& uArray, KFloatArray& vArray, const KString* uvSet) const {
    READ_MESH_OR_STATUS();
    uArray.clear();
    vArray.clear();
    const UVSet* set = mesh->uvSet(setOf(uvSet));
    if (!set) return uvSet ? KStatus::kInvalidParameter : KStatus::kSuccess;
    for (float u : set->u) uArray.append(u);
    for (float v : set->v) vArray.append(v);
    return KStatus::kSuccess;
}

KStatus KFnMesh::setUV(int uvId, float u, float v, const KString* uvSet) {
    MESH_OR_STATUS();
    UVSet* set = mesh->uvSet(setOf(uvSet));
    if (!set || uvId < 0) return KStatus::kInvalidParameter;
    if (uvId >= static_cast<int>(set->u.size())) {
        set->u.resize(uvId + 1, 0.0f);
        set->v.resize(uvId + 1, 0.0f);
    }
    set->u[uvId] = u;
    set->v[uvId] = v;
    return KStatus::kSuccess;
}

KStatus KFnMesh::assignUVs(const KIntArray& uvCounts, const KIntArray& uvIds,
                           const KString* uvSet) {
    MESH_OR_STATUS();
    return mesh->assignUVs(uvCounts.items(), uvIds.items(), setOf(uvSet))
               ? KStatus::kSuccess
               : KStatus::kInvalidParameter;
}

KStatus KFnMesh::getAssignedUVs(KIntArray& uvCounts, KIntArray& uvIds, const KString* uvSet) const {
    READ_MESH_OR_STATUS();
    uvCounts.clear();
    uvIds.clear();
    for (int f = 0; f < mesh->numFaces(); ++f) {
        if (!mesh->faceHasUVs(f, setOf(uvSet))) {
            uvCounts.append(0);
            continue;
        }
        uvCounts.append(mesh->faceVertexCount(f));
        for (int c = 0; c < mesh->faceVertexCount(f); ++c)
            uvIds.append(mesh->faceVertexUVIndex(f, c, setOf(uvSet)));
    }
    return KStatus::kSuccess;
}

KStatus KFnMesh::getPolygonUV(int polygonId, int vertexIndex, float& u, float& v,
                              const KString* uvSet) const {
    READ_MESH_OR_STATUS();
    if (polygonId < 0 || polygonId >= mesh->numFaces() || vertexIndex < 0 ||
        vertexIndex >= mesh->faceVertexCount(polygonId))
        return KStatus::kInvalidParameter;
    return mesh->getFaceVertexUV(polygonId, vertexIndex, u, v, setOf(uvSet)) ? KStatus::kSuccess
                                                                             : KStatus::kFailure;
}

KStatus KFnMesh::getPolygonUVid(int polygonId, int vertexIndex, int& uvId,
                                const KString* uvSet) const {
    READ_MESH_OR_STATUS();
    if (polygonId < 0 || polygonId >= mesh->numFaces() || vertexIndex < 0 ||
        vertexIndex >= mesh->faceVertexCount(polygonId))
        return KStatus::kInvalidParameter;
    uvId = mesh->faceVertexUVIndex(polygonId, vertexIndex, setOf(uvSet));
    return uvId >= 0 ? KStatus::kSuccess : KStatus::kFailure;
}

KStatus KFnMesh::getColorSetNames(KStringArray& names) const {
    READ_MESH_OR_STATUS();
    names.clear();
    for (const std::string& n : mesh->colorSetNames()) names.append(n);
    return KStatus::kSuccess;
}

KStatus KFnMesh::setFaceVertexColor(const KColor& color, int faceId, int vertexIndex) {
    MESH_OR_STATUS();
    if (faceId < 0 || faceId >= mesh->numFaces() || vertexIndex < 0 ||
        vertexIndex >= mesh->faceVertexCount(faceId))
        return KStatus::kInvalidParameter;
    mesh->setFaceVertexColor(faceId, vertexIndex, {color.r, color.g, color.b, color.a});
    return KStatus::kSuccess;
}

KStatus KFnMesh::getFaceVertexColors(KColorArray& colors, const KString* colorSet,
                                     const KColor* defaultUnsetColor) const {
    READ_MESH_OR_STATUS();
    colors.clear();
    for (int f = 0; f < mesh->numFaces(); ++f)
        for (int c = 0; c < mesh->faceVertexCount(f); ++c) {
            const Rgba k = mesh->faceVertexColor(f, c, setOf(colorSet));
            KColor out(k.r, k.g, k.b, k.a);
            if (defaultUnsetColor)
                for (unsigned i = 0; i < 4; ++i)
                    if (out[i] < 0.0f) out[i] = (*defaultUnsetColor)[i];
            colors.append(out);
        }
    return KStatus::kSuccess;
}

KStatus KFnMesh::getFaceVertexColor(int faceId, int vertexIndex, KColor& color,
                                    const KString* colorSet) const {
    READ_MESH_OR_STATUS();
    if (faceId < 0 || faceId >= mesh->numFaces() || vertexIndex < 0 ||
        vertexIndex >= mesh->faceVertexCount(faceId))
        return KStatus::kInvalidParameter;
    const Rgba k = mesh->faceVertexColor(faceId, vertexIndex, setOf(colorSet));
    color = KColor(k.r, k.g, k.b, k.a);
    return KStatus::kSuccess;
}

KStatus KFnMesh::getPolygonNormal(int polygonId, KVector& normal, KSpace space) const {
    READ_MESH_OR_STATUS();
    if (polygonId < 0 || polygonId >= mesh->numFaces()) return KStatus::kInvalidParameter;
    normal = toKV(mesh->faceNormal(polygonId));
    if (space == KSpace::kWorld) normal = normalToWorld(normal, toWorld());
    return KStatus::kSuccess;
}

KStatus KFnMesh::getFaceVertexNormal(int faceId, int vertexId, KVector& normal,
                                     KSpace space) const {
    READ_MESH_OR_STATUS();
    if (faceId < 0 || faceId >= mesh->numFaces()) return KStatus::kInvalidParameter;
    const auto verts = mesh->faceVertices(faceId);
    const auto it = std::find(verts.begin(), verts.end(), vertexId);
    if (it == verts.end()) return KStatus::kInvalidParameter;
    normal = toKV(mesh->faceVertexNormal(faceId, static_cast<int>(it - verts.begin())));
    if (space == KSpace::kWorld) normal = normalToWorld(normal, toWorld());
    return KStatus::kSuccess;
}

KStatus KFnMesh::getFaceVertexNormals(int faceId, KFloatVectorArray& normals, KSpace space) const {
    READ_MESH_OR_STATUS();
    if (faceId < 0 || faceId >= mesh->numFaces()) return KStatus::kInvalidParameter;
    normals.clear();
    const KMatrix m = toWorld();
    for (int c = 0; c < mesh->faceVertexCount(faceId); ++c) {
        KVector n = toKV(mesh->faceVertexNormal(faceId, c));
        if (space == KSpace::kWorld) n = normalToWorld(n, m);
        normals.append(KFloatVector(n));
    }
    return KStatus::kSuccess;
}

KStatus KFnMesh::getVertexNormal(int vertexId, bool, KVector& normal, KSpace space) const {
    READ_MESH_OR_STATUS();
    if (vertexId < 0 || vertexId >= mesh->numVertices()) return KStatus::kInvalidParameter;
    normal = toKV(mesh->vertexNormal(vertexId));
    if (space == KSpace::kWorld) normal = normalToWorld(normal, toWorld());
    return KStatus::kSuccess;
}

bool KFnMesh::isEdgeSmooth(int edgeId, KStatus* status) const {
    READ_MESH_OR(false);
    if (edgeId < 0 || edgeId >= mesh->numEdges()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return false;
    }
    return mesh->isEdgeSmooth(edgeId);
}

KStatus KFnMesh::setEdgeSmoothing(int edgeId, bool smooth) {
    MESH_OR_STATUS();
    if (edgeId < 0 || edgeId >= mesh->numEdges()) return KStatus::kInvalidParameter;
    mesh->setEdgeSmooth(edgeId, smooth);
    return KStatus::kSuccess;
}

int KFnMesh::numTriangles(int polygonId, KStatus* status) const {
    READ_MESH_OR(0);
    if (polygonId < 0 || polygonId >= mesh->numFaces()) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return 0;
    }
    return mesh->numTriangles(polygonId);
}

KStatus KFnMesh::getTriangle(int polygonId, int triangleId, int vertexList[3]) const {
    READ_MESH_OR_STATUS();
    if (polygonId < 0 || polygonId >= mesh->numFaces() || triangleId < 0 ||
        triangleId >= mesh->numTriangles(polygonId))
        return KStatus::kInvalidParameter;
    const auto v = mesh->triangleVertices(polygonId, triangleId);
    std::copy(v.begin(), v.end(), vertexList);
    return KStatus::kSuccess;
}

bool KFnMesh::intersect(const KPoint& raySource, const KVector& rayDirection, KPointArray& points,
                        double, KSpace space, KIntArray* polygonIds, KStatus* status) const {
    READ_MESH_OR(false);
    points.clear();
    if (polygonIds) polygonIds->clear();
    // Work in object space; world rays come in through the inverse matrix.
    const KMatrix m = space == KSpace::kWorld ? toWorld() : KMatrix();
    const KMatrix inv = m.inverse();
    const KPoint o = raySource * inv;
    const KVector d = rayDirection * inv;
    for (const MeshHit& hit : intersectMesh(*mesh, toV(o), {d.x, d.y, d.z})) {
        points.append(toK(hit.point) * m);
        if (polygonIds) polygonIds->append(hit.face);
    }
    return points.length() > 0;
}

KStatus KFnMesh::getClosestPoint(const KPoint& point, KPoint& closest, KSpace space,
                                 int* closestPolygon) const {
    READ_MESH_OR_STATUS();
    if (mesh->numFaces() == 0) return KStatus::kFailure;
    const KMatrix m = space == KSpace::kWorld ? toWorld() : KMatrix();
    const Vec3 p = toV(point * m.inverse());
    // Closest point over every triangle (Ericson's region test).
    double best = -1.0;
    Vec3 bestPoint;
    int bestFace = -1;
    for (int f = 0; f < mesh->numFaces(); ++f)
        for (int t = 0; t < mesh->numTriangles(f); ++t) {
            const auto v = mesh->triangleVertices(f, t);
            const Vec3 a = mesh->point(v[0]), b = mesh->point(v[1]), c = mesh->point(v[2]);
            const Vec3 ab = b - a, ac = c - a, ap = p - a;
            Vec3 q;
            const double d1 = dot(ab, ap), d2 = dot(ac, ap);
            const Vec3 bp = p - b;
            const double d3 = dot(ab, bp), d4 = dot(ac, bp);
            const Vec3 cp = p - c;
            const double d5 = dot(ab, cp), d6 = dot(ac, cp);
            const double vc = d1 * d4 - d3 * d2, vb = d5 * d2 - d1 * d6, va = d3 * d6 - d5 * d4;
            if (d1 <= 0 && d2 <= 0)
                q = a;
            else if (d3 >= 0 && d4 <= d3)
                q = b;
            else if (vc <= 0 && d1 >= 0 && d3 <= 0)
                q = a + ab * (d1 / (d1 - d3));
            else if (d6 >= 0 && d5 <= d6)
                q = c;
            else if (vb <= 0 && d2 >= 0 && d6 <= 0)
                q = a + ac * (d2 / (d2 - d6));
            else if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
                q = b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
            else {
                const double denom = 1.0 / (va + vb + vc);
                q = a + ab * (vb * denom) + ac * (vc * denom);
            }
            const double dist = dot(q - p, q - p);
            if (best < 0 || dist < best) best = dist, bestPoint = q, bestFace = f;
        }
    closest = toK(bestPoint) * m;
    if (closestPolygon) *closestPolygon = bestFace;
    return KStatus::kSuccess;
}
