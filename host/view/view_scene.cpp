#include "host/view/view_scene.h"

#include <algorithm>
#include <map>
#include <memory>
#include <span>

#include "frame/k_scene.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/mesh/mesh_triangulation.h"
#include "host/nurbs/surface_node.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/node_access.h"
#include "host/scene/selection.h"
#include "host/shading/shading_nodes.h"
#include "host/texturing/texture_image.h"
#include "host/view/view_shading.h"

namespace tarn::view {

namespace {

Vec3 toVec3(const KVector& v) {
    return {v.x, v.y, v.z};
}
Vec3 toVec3(const KPoint& p) {
    return {p.x, p.y, p.z};
}

// How a shading group's faces are drawn: its shade, with the index of its image among the
// gathered scene's textures.
struct Shade {
    GroupShade group;
    int texture = -1;  // index into ViewScene::textures
};

Shade shadeOf(const KObject& group, std::vector<ViewTexture>* textures) {
    Shade s;
    s.group = shadeOfGroup(group, textures != nullptr);
    if (textures && s.group.image) {
        s.texture = static_cast<int>(textures->size());
        textures->push_back(*s.group.image);
    }
    return s;
}

// Newell's normal: robust for concave and slightly non-planar loops.
Vec3 loopNormal(const std::vector<Vec3>& loop) {
    Vec3 n;
    for (size_t i = 0; i < loop.size(); ++i) {
        const Vec3& a = loop[i];
        const Vec3& b = loop[(i + 1) % loop.size()];
        n += Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
    }
    return normalize(n);
}

ViewCamera cameraOf(const KObject& shape) {
    KFnCamera fn(shape);
    ViewCamera cam;
    cam.eye = toVec3(fn.eyePoint(KSpace::kWorld));
    if (!orientCamera(cam, toVec3(fn.viewDirection(KSpace::kWorld)),
                      toVec3(fn.upDirection(KSpace::kWorld))))
        orientCamera(cam, {0, 0, -1}, {0, 1, 0});
    cam.horizontalFieldOfView = fn.horizontalFieldOfView();
    if (!(cam.horizontalFieldOfView > 1e-6 && cam.horizontalFieldOfView < 3.14))
        cam.horizontalFieldOfView = 0.8;
    cam.orthographic = fn.isOrtho();
    cam.orthoWidth = fn.orthoWidth() > 0.0 ? fn.orthoWidth() : 10.0;
    cam.nearClip = fn.nearClippingPlane() > 0.0 ? fn.nearClippingPlane() : 0.1;
    cam.farClip = fn.farClippingPlane() > cam.nearClip ? fn.farClippingPlane() : 1e30;
    return cam;
}

KObject cameraShapeOf(const KObject& node) {
    if (node.apiType() == KFn::kCamera) return node;
    for (const KObject& shape : scene::shapesOf(node))
        if (shape.apiType() == KFn::kCamera) return shape;
    return {};
}

// The triangles of one face in world space, in its shade (a triangle as it is, a larger face
// triangulated in its own plane). `solidRgb` holds the per-vertex colours of a 3D texture.
void addFace(const PolyMesh& mesh, int f, const std::vector<Vec3>& world, const Shade& shade,
             const std::vector<float>& solidRgb, std::vector<Vec3>& loop, std::vector<int>& corners,
             std::vector<ViewTriangle>& triangles) {
    const std::span<const int> verts = mesh.faceVertices(f);
    if (verts.size() < 3) return;
    loop.clear();
    for (int v : verts) loop.push_back(world[v]);
    corners.clear();
    if (verts.size() == 3)
        corners = {0, 1, 2};
    else
        triangulatePolygon(loop, loopNormal(loop), corners);
    const bool textured = shade.texture >= 0 && mesh.faceHasUVs(f);
    const bool solid = !solidRgb.empty();
    for (size_t k = 0; k + 2 < corners.size(); k += 3) {
        ViewTriangle t;
        for (int c = 0; c < 3; ++c) t.p[c] = loop[corners[k + c]];
        for (int c = 0; c < 3; ++c) t.color[c] = shade.group.rgb[c];
        if (textured) {
            t.texture = shade.texture;
            for (int c = 0; c < 3; ++c)
                mesh.getFaceVertexUV(f, corners[k + c], t.uv[c][0], t.uv[c][1]);
        } else if (solid) {
            t.cornerColors = true;
            for (int c = 0; c < 3; ++c)
                for (int ch = 0; ch < 3; ++ch)
                    t.corner[c][ch] = solidRgb[3 * static_cast<size_t>(verts[corners[k + c]]) + ch];
        }
        triangles.push_back(t);
    }
}

}  // namespace

namespace {

// The scene's visible meshes and surfaces into `out` (emptied first, its arrays' room kept):
// their world bounds always, their triangles (and edges when asked for) unless `boundsOnly`.
void gather(ViewScene& out, bool withEdges, bool withTextures, bool boundsOnly) {
    out.triangles.clear();
    out.edges.clear();
    out.textures.clear();
    out.bounds = Box3();
    std::map<std::string, Shade> shades;  // by shading group name
    std::vector<Vec3> loop;
    std::vector<int> corners;
    for (const KObject& shape : scene::allDagNodes()) {
        scene::MeshNode* node = scene::meshNode(shape);
        // A NURBS surface is shown as its tessellation, shaded by the default shading group.
        PolyMesh tessellation;
        std::vector<shading::GroupRun> surfaceRuns;
        if (!node && shape.apiType() == KFn::kNurbsSurface) {
            if (const nurbs::SurfaceRef surface = nurbs::shapeSurface(shape))
                tessellation = nurbs::tessellatedMesh(surface->surface(), kSurfaceStepsPerSpan);
            if (tessellation.numFaces() == 0) continue;
            surfaceRuns.push_back({shading::initialShadingGroup(), 0, tessellation.numFaces()});
        } else if (!node) {
            continue;
        }
        if (!scene::pathTo(shape).isVisible()) continue;
        // Read without marking the mesh changed or copying one an undo record shares.
        const PolyMesh& mesh = node ? node->readMesh() : tessellation;
        const KMatrix m = scene::worldMatrix(shape);
        Mat4 toWorld;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) toWorld.m[i][j] = m[i][j];
        std::vector<Vec3> world(mesh.points().size());
        for (size_t v = 0; v < world.size(); ++v) {
            world[v] = toWorld.point(mesh.point(static_cast<int>(v)));
            out.bounds.expand(world[v]);
        }
        if (boundsOnly) continue;
        // A face of n corners gives n - 2 triangles; room grows geometrically over the meshes.
        const size_t needed =
            out.triangles.size() +
            static_cast<size_t>(std::max(0, mesh.numFaceVertices() - 2 * mesh.numFaces()));
        if (needed > out.triangles.capacity())
            out.triangles.reserve(std::max(needed, 2 * out.triangles.capacity()));
        std::map<std::string, std::vector<float>> solidByGroup;  // per-vertex 3D texture colours
        // Faces come in runs sharing a shading group (covering every face): one colour lookup
        // per run.
        for (const shading::GroupRun& run : node ? shading::faceGroupRuns(shape) : surfaceRuns) {
            const std::string key = run.group.isNull() ? std::string() : scene::nodeName(run.group);
            auto it = shades.find(key);
            if (it == shades.end())
                it = shades.emplace(key, shadeOf(run.group, withTextures ? &out.textures : nullptr))
                         .first;
            const Shade& shade = it->second;
            // A 3D texture is sampled at this mesh's vertices once per shading group.
            static const std::vector<float> kNoColours;
            const std::vector<float>* solidRgb = &kNoColours;
            if (shade.group.solid) {
                auto at = solidByGroup.find(key);
                if (at == solidByGroup.end())
                    at = solidByGroup.emplace(key, sampleVertexColors(*shade.group.solid, mesh))
                             .first;
                solidRgb = &at->second;
            }
            const int end = std::min(run.first + run.count, mesh.numFaces());
            for (int f = run.first; f < end; ++f)
                addFace(mesh, f, world, shade, *solidRgb, loop, corners, out.triangles);
        }
        if (withEdges)
            for (int e = 0; e < mesh.numEdges(); ++e)
                out.edges.push_back({world[mesh.edge(e).v0], world[mesh.edge(e).v1]});
    }
}

}  // namespace

ViewScene gatherScene(bool withEdges, bool withTextures) {
    ViewScene scene;
    gather(scene, withEdges, withTextures, false);
    return scene;
}

Box3 visibleBounds() {
    ViewScene scene;
    gather(scene, false, false, true);
    return scene.bounds;
}

void addSelectionEdges(ViewScene& out) {
    // Shapes shown with their wireframe: selected or hilited, by themselves or their transform.
    std::vector<KObject> wired;
    const auto addOwner = [&](const KObject& node) {
        if (node.isNull()) return;
        if (scene::meshNode(node)) wired.push_back(node);
        for (const KObject& shape : scene::shapesOf(node))
            if (scene::meshNode(shape)) wired.push_back(shape);
    };
    for (const std::string& name : scene::hiliteList()) addOwner(scene::findNode(name));
    const KSelectionList& active = scene::activeSelection();
    for (const auto& item : active.items())
        if (item.component.isNull()) addOwner(item.path.node());
    std::sort(wired.begin(), wired.end(), [](const KObject& a, const KObject& b) {
        return scene::nodeName(a) < scene::nodeName(b);
    });
    wired.erase(std::unique(wired.begin(), wired.end()), wired.end());

    const auto worldOf = [](const KObject& shape, std::vector<Vec3>& world) {
        const PolyMesh& mesh = scene::meshNode(shape)->readMesh();
        const KMatrix m = scene::worldMatrix(shape);
        Mat4 toWorld;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) toWorld.m[i][j] = m[i][j];
        world.resize(mesh.points().size());
        for (size_t v = 0; v < world.size(); ++v)
            world[v] = toWorld.point(mesh.point(static_cast<int>(v)));
        return &mesh;
    };
    std::vector<Vec3> world;
    for (const KObject& shape : wired) {
        if (!scene::pathTo(shape).isVisible()) continue;
        const PolyMesh* mesh = worldOf(shape, world);
        for (int e = 0; e < mesh->numEdges(); ++e)
            out.edges.push_back({world[mesh->edge(e).v0], world[mesh->edge(e).v1]});
    }
    for (const auto& item : active.items()) {
        const scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        const KObject shape = item.path.node();
        if (!c || !scene::meshNode(shape) || !scene::pathTo(shape).isVisible()) continue;
        const PolyMesh* mesh = worldOf(shape, world);
        const auto edge = [&](int e, double reach, int from) {
            if (e < 0 || e >= mesh->numEdges()) return;
            Vec3 a = world[mesh->edge(e).v0], b = world[mesh->edge(e).v1];
            if (from == mesh->edge(e).v1) std::swap(a, b);
            out.edges.push_back({a, a + (b - a) * reach, true});
        };
        for (int i : scene::componentElements(item.component, shape)) {
            switch (c->apiType()) {
                case KFn::kMeshEdgeComponent:
                    edge(i, 1.0, -1);
                    break;
                case KFn::kMeshPolygonComponent:
                    if (i < mesh->numFaces())
                        for (int e : mesh->faceEdges(i)) edge(e, 1.0, -1);
                    break;
                case KFn::kMeshVertComponent:
                    if (i < mesh->numVertices())
                        for (int e : mesh->vertexEdges(i)) edge(e, 0.5, i);
                    break;
                default:
                    break;
            }
        }
    }
}

bool namedCamera(const std::string& name, ViewCamera& out, std::string* error) {
    const KObject node = scene::findNode(name);
    if (node.isNull()) {
        if (error) *error = "No camera named " + name;
        return false;
    }
    const KObject shape = cameraShapeOf(node);
    if (shape.isNull()) {
        if (error) *error = name + " is not a camera";
        return false;
    }
    out = cameraOf(shape);
    return true;
}

KObject findCameraShape(const std::string& name) {
    if (!name.empty()) {
        const KObject node = scene::findNode(name);
        return node.isNull() ? KObject() : cameraShapeOf(node);
    }
    for (const KObject& node : scene::allDagNodes())
        if (node.apiType() == KFn::kCamera) return node;
    return {};
}

ViewCamera cameraFromShape(const KObject& shape) {
    return cameraOf(shape);
}

bool firstCamera(ViewCamera& out) {
    for (const KObject& node : scene::allDagNodes())
        if (node.apiType() == KFn::kCamera) {
            out = cameraOf(node);
            return true;
        }
    return false;
}

}  // namespace tarn::view
