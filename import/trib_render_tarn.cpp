#include "import/trib_render_tarn.h"

#include <algorithm>
#include <cmath>

#include "import/parse_scene.h"

namespace {

// One open attribute block: the transform it created and what was applied to it.
struct TransformRecord {
    KTransformationMatrix matrix;
    KQuaternion rotation;
    double translation[3] = {0, 0, 0};
    double scale[3] = {1, 1, 1};
    KObject object;  // null for the root
    TransformRecord* parent = nullptr;
};

// Process-wide current record; the stack lives from world begin to world end.
TransformRecord* gCurrent = nullptr;

void popRecord() {
    TransformRecord* r = gCurrent;
    if (!r) return;
    gCurrent = r->parent;
    delete r;
}

KStatus run(const std::string& command) {
    return KGlobal::executeCommand(KString(command));
}

KString runForString(const std::string& command) {
    KString result;
    KGlobal::executeCommand(KString(command), result);
    return result;
}

constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

}  // namespace

namespace {

// True when the face can go to the mesh kernel: at least 3 vertices, each in [0, vertexCount),
// none repeated.
bool usableFace(const int* face, int n, int vertexCount) {
    if (n == 3) {
        const unsigned limit = static_cast<unsigned>(std::max(vertexCount, 0));
        return static_cast<unsigned>(face[0]) < limit && static_cast<unsigned>(face[1]) < limit &&
               static_cast<unsigned>(face[2]) < limit && face[0] != face[1] && face[1] != face[2] &&
               face[0] != face[2];
    }
    if (n < 3) return false;
    for (int i = 0; i < n; ++i) {
        if (face[i] < 0 || face[i] >= vertexCount) return false;
        for (int j = 0; j < i; ++j)
            if (face[j] == face[i]) return false;
    }
    return true;
}

}  // namespace

MeshFaceFilter filterMeshFaces(const int* counts, int polygonCount, const int* indices,
                               size_t indexCount, int vertexCount) {
    MeshFaceFilter out;
    const int faceCount = std::max(polygonCount, 0);
    // Usually every face is usable: check them all first and copy the lists in one go.
    size_t offset = 0;
    int f = 0;
    for (; f < faceCount; ++f) {
        const int n = counts[f];
        if (n < 0 || offset + size_t(n) > indexCount ||
            !usableFace(indices + offset, n, vertexCount))
            break;
        offset += size_t(n);
    }
    if (f == faceCount) {
        out.counts.assign(counts, counts + faceCount);
        out.indices.assign(indices, indices + offset);
        out.remap.resize(size_t(faceCount));
        for (int k = 0; k < faceCount; ++k) out.remap[k] = k;
        return out;
    }
    out.remap.assign(size_t(faceCount), -1);
    out.counts.reserve(size_t(faceCount));
    out.indices.reserve(indexCount);
    offset = 0;
    int kept = 0;
    for (f = 0; f < faceCount; ++f) {
        const int n = counts[f];
        // Note: a count running past the index list ends the faces there.
        if (n < 0 || offset + size_t(n) > indexCount) break;
        const int* face = indices + offset;
        offset += size_t(n);
        if (!usableFace(face, n, vertexCount)) continue;
        out.counts.push_back(n);
        out.indices.insert(out.indices.end(), face, face + n);
        out.remap[f] = kept++;
    }
    return out;
}

int meshVertexCount(const int* indices, size_t indexCount, size_t pointCount) {
    // Four running maxima keep the loop free of a chain through one register.
    int m[4] = {-1, -1, -1, -1};
    size_t i = 0;
    for (; i + 4 <= indexCount; i += 4)
        for (int k = 0; k < 4; ++k) m[k] = indices[i + k] > m[k] ? indices[i + k] : m[k];
    for (; i < indexCount; ++i) m[0] = indices[i] > m[0] ? indices[i] : m[0];
    const int largest = std::max(std::max(m[0], m[1]), std::max(m[2], m[3]));
    if (largest < 0) return 0;
    return static_cast<int>(std::min<size_t>(size_t(largest) + 1, pointCount));
}

TribRenderTarn::TribRenderTarn() = default;

TribRenderTarn::~TribRenderTarn() {
    while (gCurrent) popRecord();
}

void TribRenderTarn::worldBegin() {
    createMaterials();
    createCameras();
    while (gCurrent) popRecord();
    gCurrent = new TransformRecord;
}

void TribRenderTarn::worldEnd() {
    popRecord();
}

void TribRenderTarn::createMaterials() {
    for (RtMaterial* m = sceneMaterials(); m; m = m->next) {
        if (m->materialName.empty()) continue;
        // Phong shader with the material's colours.
        KFnPhongShader phong;
        phong.create(true);
        phong.setSpecularColor(
            KColor(m->specularColor[0], m->specularColor[1], m->specularColor[2], 1.0f));
        phong.setColor(KColor(m->color[0], m->color[1], m->color[2]));
        phong.setTransparency(KColor(1 - m->opacity[0], 1 - m->opacity[1], 1 - m->opacity[2]));
        const std::string shader = phong.setName(KString(m->materialName)).asChar();

        if (!m->textureName.empty()) {
            const std::string tex = runForString("shadingNode -asTexture file").asChar();
            run("connectAttr " + tex + ".outColor " + shader + ".color");
            // The file's map name is data: escaped, so it arrives intact and cannot end the
            // string literal early.
            run("setAttr -type \"string\" " + tex + ".fileTextureName \"" +
                escapeCommandString(KString(m->textureName)).str() + "\"");
        }
        const std::string group =
            runForString("sets -renderable true -noSurfaceShader true -empty -name " + shader +
                         "SG")
                .asChar();
        // Meshes refer to the material by its shading group from here on.
        m->materialName = group;
        run("defaultNavigation -force true -connectToExisting -source " + shader +
            " -destination " + group);
    }
}

void TribRenderTarn::createCameras() {
    RtNodeData* root = sceneRoot();
    for (RtNodeData* n = root ? root->firstChild.get() : nullptr; n; n = n->nextSibling.get()) {
        const auto* cam = dynamic_cast<const RtCameraData*>(n->ref);
        if (n->kind != kNodeCamera || !cam) continue;
        KFnCamera fn;
        const KObject created = fn.create();
        KDagPath path;
        KDagPath::getAPathTo(created, path);
        path.extendToShape();
        KFnCamera camera(path);
        KFnDagNode(path.transform()).setName(KString(n->name));
        // Camera points are used as stored (no z mirror).
        camera.setEyePoint(KPoint(cam->from[0], cam->from[1], cam->from[2], 1.0), KSpace::kWorld);
        camera.setCenterOfInterestPoint(KPoint(cam->to[0], cam->to[1], cam->to[2], 1.0),
                                        KSpace::kWorld);
        const KVector view = camera.viewDirection(KSpace::kWorld);
        const KPoint eye = camera.eyePoint(KSpace::kWorld);
        const double aspect = camera.aspectRatio();
        const double fov = camera.horizontalFieldOfView();
        camera.set(eye, view, KVector(0, 1, 0), fov, aspect);
        camera.setFarClippingPlane(100000);
    }
}

void TribRenderTarn::attributeBegin() {
    KFnTransform fn;
    const KObject parent = gCurrent ? gCurrent->object : KObject::kNullObj;
    const KObject node = fn.create(parent);
    auto* r = new TransformRecord;
    r->object = node;
    r->parent = gCurrent;
    gCurrent = r;
}

void TribRenderTarn::attributeEnd() {
    if (!gCurrent) return;
    if (gCurrent->object.hasFn(KFn::kTransform))
        KFnTransform(gCurrent->object).set(gCurrent->matrix);
    popRecord();
}

int TribRenderTarn::lightSource(const char* shader, const RtVData&) {
    if (shader) ++m_lightHandles;
    return m_lightHandles;
}

void TribRenderTarn::translate(float x, float y, float z) {
    if (!gCurrent) return;
    gCurrent->matrix.addTranslation(KVector(x, y, -z), KSpace::kObject);
    gCurrent->translation[0] += x;
    gCurrent->translation[1] += y;
    gCurrent->translation[2] += -z;
}

void TribRenderTarn::rotate(float angleDegrees, float x, float y, float z) {
    if (!gCurrent) return;
    const KQuaternion q(angleDegrees * kDegreesToRadians, KVector(-x, y, z));
    gCurrent->matrix.rotateBy(q, KSpace::kObject);
    KQuaternion& r = gCurrent->rotation;
    r = KQuaternion(r.x + q.x, r.y + q.y, r.z + q.z, r.w + q.w);
}

void TribRenderTarn::scale(float x, float y, float z) {
    if (!gCurrent) return;
    const double s[3] = {x, y, z};
    gCurrent->matrix.addScale(s, KSpace::kObject);
    for (int i = 0; i < 3; ++i) gCurrent->scale[i] *= s[i];
}

void TribRenderTarn::attribute(const RtAttributeData& data) {
    if (!gCurrent || data.attribute != "identifier" || data.token != "name") return;
    if (gCurrent->object.hasFn(KFn::kDagNode))
        KFnDagNode(gCurrent->object).setName(KString(data.value));
}

void TribRenderTarn::pointsPolygons(const RtPointsPolygons& mesh) {
    // Points and polygons are required; normals are passed over.
    if (!mesh.P || mesh.polygonCount <= 0 || !mesh.counts || !mesh.indices) return;
    const size_t pointCount = mesh.P->count / 3;
    const int vertexCount = meshVertexCount(mesh.indices.get(), mesh.indexCount, pointCount);
    if (vertexCount <= 0) return;

    // Mirror z into Tarn's handedness.
    KFloatPointArray points;
    points.setLength(vertexCount);
    const float* p = mesh.P->values.get();
    for (int v = 0; v < vertexCount; ++v)
        points[v] = KFloatPoint(p[3 * v], p[3 * v + 1], -p[3 * v + 2], 1.0f);

    MeshFaceFilter faces = filterMeshFaces(mesh.counts.get(), mesh.polygonCount, mesh.indices.get(),
                                           mesh.indexCount, vertexCount);
    if (faces.counts.empty()) return;
    const int faceCount = int(faces.counts.size());
    KIntArray counts, indices;
    counts.items() = std::move(faces.counts);
    indices.items() = std::move(faces.indices);

    KFnMesh fn;
    const KObject parent = gCurrent ? gCurrent->object : KObject::kNullObj;
    const KObject created = fn.create(vertexCount, faceCount, points, counts, indices, parent);
    if (created.isNull()) return;
    points = {};
    KDagPath path;
    KDagPath::getAPathTo(created, path);
    path.extendToShape();
    KFnMesh meshFn(path);

    // One UV per vertex; a list shorter than the vertices gives no UVs.
    if (mesh.st && mesh.st->count / 2 >= size_t(vertexCount)) {
        KFloatArray u, v;
        u.setLength(vertexCount);
        v.setLength(vertexCount);
        const float* st = mesh.st->values.get();
        for (int i = 0; i < vertexCount; ++i) {
            u[i] = st[2 * i];
            v[i] = 1.0f - st[2 * i + 1];
        }
        meshFn.setUVs(u, v);
        meshFn.assignUVs(counts, indices);
    }
    meshFn.updateSurface();

    std::string group = "initialShadingGroup";
    const auto* grouped = dynamic_cast<const RtMaterialPointsPolygons*>(&mesh);
    if (grouped && grouped->groups.material && !grouped->groups.material->materialName.empty())
        group = grouped->groups.material->materialName;

    const KObject shape = path.node();
    const std::string meshName = KFnDagNode(shape).name().asChar();
    if (shape.hasFn(KFn::kDagNode) && mesh.hidden) run("hide " + meshName);

    // Soften every edge and put the whole mesh in its shading group.
    KDGModifier modifier;
    KFnSingleIndexedComponent edges;
    const KObject edgeComponent = edges.create(KFn::kMeshEdgeComponent);
    edges.setComplete(true);
    KSelectionList selection;
    selection.add(path, edgeComponent);
    KGlobal::setActiveSelectionList(selection);
    modifier.commandToExecute("polySoftEdge -a 180 -ch 0");
    run("ls -sl");
    modifier.commandToExecute(KString("sets -edit -forceElement " + group + " " + meshName));
    modifier.doIt();

    if (grouped && grouped->groupCount > 1) assignGroups(*grouped, path, faces.remap);
}

void TribRenderTarn::assignGroups(const RtMaterialPointsPolygons& mesh, const KDagPath& path,
                                  const std::vector<int>& remap) {
    for (const RtFaceGroup* g = &mesh.groups; g; g = g->next.get()) {
        if (!g->material || !g->faces || g->faceCount == 0) continue;
        const std::string group =
            g->material->materialName.empty() ? "initialShadingGroup" : g->material->materialName;
        // Faces numbered as in the file; dropped faces and numbers past the face count are left
        // out.
        KFnSingleIndexedComponent faces;
        const KObject component = faces.create(KFn::kMeshPolygonComponent);
        int added = 0;
        for (int i = 0; i < g->faceCount; ++i) {
            const int f = g->faces[i];
            if (f < 0 || size_t(f) >= remap.size() || remap[f] < 0) continue;
            faces.addElement(remap[f]);
            ++added;
        }
        if (added == 0) continue;
        KSelectionList selection;
        selection.add(path, component);
        KGlobal::setActiveSelectionList(selection);
        KStringArray items;
        KGlobal::executeCommand(KString("ls -sl"), items);
        if (items.length() == 0) continue;
        std::string command = "sets -edit -forceElement " + group;
        for (const KString& item : items) command += std::string(" ") + item.asChar();
        KGlobal::executeCommandOnIdle(KString(command));
    }
}
