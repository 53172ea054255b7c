#include "host/view/screen_select.h"

#include <tbb/blocked_range.h>
#include <tbb/combinable.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/k_selection.h"
#include "host/mesh/poly_mesh.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/node_access.h"
#include "host/scene/selection.h"
#include "host/view/active_view.h"

namespace tarn::view {

namespace {

constexpr int kGrain = 4096;

// The rectangle as continuous port coordinates: pixels x0..x1 cover [x0, x1 + 1).
struct PortRect {
    double u0, v0, u1, v1;
};

PortRect toPort(const PixelRect& r) {
    return {static_cast<double>(std::min(r.x0, r.x1)), static_cast<double>(std::min(r.y0, r.y1)),
            std::max(r.x0, r.x1) + 1.0, std::max(r.y0, r.y1) + 1.0};
}

// Liang-Barsky: does the segment a-b meet the rectangle?
bool segmentMeetsRect(double ax, double ay, double bx, double by, const PortRect& r) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - r.u0, r.u1 - ax, ay - r.v0, r.v1 - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

// The edge on screen, clipped to the near plane when an end lies behind the eye. False when
// none of it is in front.
bool edgeOnScreen(const ViewProjection& projection, const ProjectedMesh& pm, int a, int b,
                  double& ax, double& ay, double& bx, double& by) {
    if (pm.front[a] && pm.front[b]) {
        ax = pm.u[a], ay = pm.v[a], bx = pm.u[b], by = pm.v[b];
        return true;
    }
    Vec3 ca = projection.toCamera(pm.world[a]), cb = projection.toCamera(pm.world[b]);
    const double nearZ = projection.camera().nearClip;
    if (ca.z < nearZ && cb.z < nearZ) return false;
    if (ca.z < nearZ) ca = ca + (cb - ca) * ((nearZ - ca.z) / (cb.z - ca.z));
    if (cb.z < nearZ) cb = cb + (ca - cb) * ((nearZ - cb.z) / (ca.z - cb.z));
    return projection.cameraToPort(ca, ax, ay) && projection.cameraToPort(cb, bx, by);
}

bool edgeOffered(const ProjectedMesh& pm, int e, bool frontOnly) {
    if (!frontOnly) return true;
    for (int f : pm.mesh->edgeFaces(e))
        if (pm.faceFront[f]) return true;
    return false;
}

bool vertexOffered(const ProjectedMesh& pm, int v, bool frontOnly) {
    if (!frontOnly) return true;
    for (int f : pm.mesh->vertexFaces(v))
        if (pm.faceFront[f]) return true;
    return false;
}

double pointSegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Collects, in ascending order, the indices in [0, n) for which `keep` holds; in parallel.
template <class F>
std::vector<int> collect(int n, F keep) {
    tbb::combinable<std::vector<int>> parts;
    tbb::parallel_for(tbb::blocked_range<int>(0, n, kGrain), [&](const tbb::blocked_range<int>& r) {
        auto& local = parts.local();
        for (int i = r.begin(); i != r.end(); ++i)
            if (keep(i)) local.push_back(i);
    });
    std::vector<int> out;
    parts.combine_each(
        [&](const std::vector<int>& p) { out.insert(out.end(), p.begin(), p.end()); });
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

void projectMesh(const ViewProjection& projection, const PolyMesh& mesh, const Mat4& toWorld,
                 ProjectedMesh& out) {
    const int n = mesh.numVertices();
    out.mesh = &mesh;
    out.world.resize(n);
    out.u.resize(n);
    out.v.resize(n);
    out.front.resize(n);
    const double nearZ = projection.camera().orthographic ? -std::numeric_limits<double>::infinity()
                                                          : projection.camera().nearClip;
    tbb::parallel_for(tbb::blocked_range<int>(0, n, kGrain), [&](const tbb::blocked_range<int>& r) {
        for (int i = r.begin(); i != r.end(); ++i) {
            const Vec3 w = toWorld.point(mesh.point(i));
            out.world[i] = w;
            const Vec3 c = projection.toCamera(w);
            double u = 0, v = 0;
            const bool front = c.z >= nearZ && projection.cameraToPort(c, u, v);
            out.u[i] = u, out.v[i] = v;
            out.front[i] = front ? 1 : 0;
        }
    });
}

void markFrontFaces(const ViewProjection& projection, ProjectedMesh& pm) {
    const PolyMesh& mesh = *pm.mesh;
    pm.faceFront.assign(mesh.numFaces(), 0);
    const ViewCamera& cam = projection.camera();
    tbb::parallel_for(
        tbb::blocked_range<int>(0, mesh.numFaces(), kGrain), [&](const tbb::blocked_range<int>& r) {
            for (int f = r.begin(); f != r.end(); ++f) {
                const auto verts = mesh.faceVertices(f);
                Vec3 n;  // Newell's normal of the world-space loop
                for (size_t i = 0; i < verts.size(); ++i) {
                    const Vec3& a = pm.world[verts[i]];
                    const Vec3& b = pm.world[verts[(i + 1) % verts.size()]];
                    n += Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x),
                              (a.x - b.x) * (a.y + b.y)};
                }
                const Vec3 toEye = cam.orthographic ? -cam.forward : cam.eye - pm.world[verts[0]];
                pm.faceFront[f] = dot(n, toEye) > 0.0 ? 1 : 0;
            }
        });
}

std::vector<int> edgesInRect(const ViewProjection& projection, const ProjectedMesh& pm,
                             const PixelRect& rect, bool frontOnly) {
    const PortRect r = toPort(rect);
    const PolyMesh& mesh = *pm.mesh;
    return collect(mesh.numEdges(), [&](int e) {
        const MeshEdge& edge = mesh.edge(e);
        const int a = edge.v0, b = edge.v1;
        // Quick reject on the projected ends when both are in front.
        if (pm.front[a] && pm.front[b]) {
            if (std::max(pm.u[a], pm.u[b]) < r.u0 || std::min(pm.u[a], pm.u[b]) > r.u1 ||
                std::max(pm.v[a], pm.v[b]) < r.v0 || std::min(pm.v[a], pm.v[b]) > r.v1)
                return false;
        }
        double ax, ay, bx, by;
        return edgeOnScreen(projection, pm, a, b, ax, ay, bx, by) &&
               segmentMeetsRect(ax, ay, bx, by, r) && edgeOffered(pm, e, frontOnly);
    });
}

int edgeAtPixel(const ViewProjection& projection, const ProjectedMesh& pm, int x, int y,
                bool frontOnly) {
    const int reach = static_cast<int>(std::ceil(kPickRadius));
    const std::vector<int> near =
        edgesInRect(projection, pm, {x - reach, y - reach, x + reach, y + reach}, frontOnly);
    const double px = x + 0.5, py = y + 0.5;
    int best = -1;
    double bestDistance = kPickRadius;
    for (int e : near) {
        double ax, ay, bx, by;
        edgeOnScreen(projection, pm, pm.mesh->edge(e).v0, pm.mesh->edge(e).v1, ax, ay, bx, by);
        const double d = pointSegmentDistance(px, py, ax, ay, bx, by);
        if (d <= bestDistance && (best < 0 || d < bestDistance)) best = e, bestDistance = d;
    }
    return best;
}

std::vector<int> verticesInRect(const ProjectedMesh& pm, const PixelRect& rect, bool frontOnly) {
    const PortRect r = toPort(rect);
    return collect(static_cast<int>(pm.u.size()), [&](int v) {
        return pm.front[v] && pm.u[v] >= r.u0 && pm.u[v] < r.u1 && pm.v[v] >= r.v0 &&
               pm.v[v] < r.v1 && vertexOffered(pm, v, frontOnly);
    });
}

std::vector<int> facesInRect(const ViewProjection& projection, const ProjectedMesh& pm,
                             const PixelRect& rect, bool frontOnly) {
    const PortRect r = toPort(rect);
    const PolyMesh& mesh = *pm.mesh;
    return collect(mesh.numFaces(), [&](int f) {
        if (frontOnly && !pm.faceFront[f]) return false;
        Vec3 centre;
        const auto verts = mesh.faceVertices(f);
        for (int v : verts) centre += pm.world[v];
        centre = centre / static_cast<double>(std::max<size_t>(verts.size(), 1));
        double u = 0, v = 0;
        const Vec3 c = projection.toCamera(centre);
        if (!projection.camera().orthographic && c.z < projection.camera().nearClip) return false;
        return projection.cameraToPort(c, u, v) && u >= r.u0 && u < r.u1 && v >= r.v0 && v < r.v1;
    });
}

double rayHit(const ViewRay& ray, const ProjectedMesh& pm, int* face) {
    const PolyMesh& mesh = *pm.mesh;
    double best = std::numeric_limits<double>::infinity();
    int bestFace = -1;
    for (int f = 0; f < mesh.numFaces(); ++f) {
        for (int t = 0; t < mesh.numTriangles(f); ++t) {
            const auto tri = mesh.triangleVertices(f, t);
            // Moller-Trumbore, both sides.
            const Vec3& p0 = pm.world[tri[0]];
            const Vec3 e1 = pm.world[tri[1]] - p0, e2 = pm.world[tri[2]] - p0;
            const Vec3 h = cross(ray.direction, e2);
            const double det = dot(e1, h);
            if (std::fabs(det) < 1e-300) continue;
            const double inv = 1.0 / det;
            const Vec3 s = ray.origin - p0;
            const double a = dot(s, h) * inv;
            if (a < 0.0 || a > 1.0) continue;
            const Vec3 q = cross(s, e1);
            const double b = dot(ray.direction, q) * inv;
            if (b < 0.0 || a + b > 1.0) continue;
            const double d = dot(e2, q) * inv;
            if (d >= 0.0 && d < best) best = d, bestFace = f;
        }
    }
    if (face) *face = bestFace;
    return best;
}

namespace {

enum class Pick { Meshes, Edges, Vertices, Faces, Nothing };

// What a selection from the screen takes in the current mode and masks.
Pick pickKind() {
    if (KGlobal::selectionMode() == KGlobal::kSelectComponentMode) {
        const KSelectionMask mask = KGlobal::componentSelectionMask();
        if (mask.intersects(KSelectionMask::kSelectMeshEdges) ||
            mask.intersects(KSelectionMask::kSelectEdges))
            return Pick::Edges;
        if (mask.intersects(KSelectionMask::kSelectMeshVerts) ||
            mask.intersects(KSelectionMask::kSelectVertices))
            return Pick::Vertices;
        if (mask.intersects(KSelectionMask::kSelectMeshFaces) ||
            mask.intersects(KSelectionMask::kSelectFacets))
            return Pick::Faces;
        return Pick::Nothing;
    }
    const KSelectionMask mask = KGlobal::objectSelectionMask();
    if (mask.intersects(KSelectionMask::kSelectMeshes) ||
        mask.intersects(KSelectionMask::kSelectObjectsMask))
        return Pick::Meshes;
    return Pick::Nothing;
}

struct Candidate {
    KObject shape;
    std::shared_ptr<const PolyMesh> mesh;
    ProjectedMesh projected;
    bool backfaceCulled = false;
};

Mat4 toMat4(const KMatrix& m) {
    Mat4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.m[i][j] = m[i][j];
    return out;
}

void addMeshShape(const KObject& shape, std::vector<Candidate>& out) {
    for (const Candidate& c : out)
        if (c.shape == shape) return;
    scene::MeshNode* node = scene::meshNode(shape);
    if (!node || !scene::pathTo(shape).isVisible()) return;
    if (scene::readNumber(shape, "intermediateObject") != 0.0) return;
    Candidate c;
    c.shape = shape;
    c.mesh = node->sharedMesh();
    c.backfaceCulled = scene::readNumber(shape, "backfaceCulling") == 3.0;
    out.push_back(std::move(c));
}

// The meshes a pick looks at: every visible mesh in object mode; the hilited (else selected)
// ones in component mode.
std::vector<Candidate> candidates(Pick kind) {
    std::vector<Candidate> out;
    if (kind == Pick::Meshes) {
        for (const KObject& node : scene::allDagNodes())
            if (scene::meshNode(node)) addMeshShape(node, out);
        return out;
    }
    std::vector<KObject> owners;
    for (const std::string& name : scene::hiliteList())
        if (KObject n = scene::findNode(name); !n.isNull()) owners.push_back(n);
    if (owners.empty())
        for (const auto& item : scene::activeSelection().items())
            if (!item.path.node().isNull()) owners.push_back(item.path.node());
    for (const KObject& owner : owners) {
        if (scene::meshNode(owner)) {
            addMeshShape(owner, out);
            continue;
        }
        for (const KObject& shape : scene::shapesOf(owner))
            if (scene::meshNode(shape)) addMeshShape(shape, out);
    }
    return out;
}

KFn::Type componentType(Pick kind) {
    switch (kind) {
        case Pick::Edges:
            return KFn::kMeshEdgeComponent;
        case Pick::Vertices:
            return KFn::kMeshVertComponent;
        default:
            return KFn::kMeshPolygonComponent;
    }
}

// Applies the adjustment element by element for components of one kind, leaving other items.
KSelectionList adjustComponents(const KSelectionList& picked, KGlobal::ListAdjustment adjust,
                                KFn::Type type) {
    if (adjust == KGlobal::kReplaceList) return picked;
    KSelectionList result;
    std::vector<std::pair<KDagPath, std::vector<int>>> sets;
    for (const auto& item : scene::activeSelection().items()) {
        const scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        if (c && c->apiType() == type)
            sets.push_back({item.path, scene::componentElements(item.component, item.path.node())});
        else
            result.items().push_back(item);
    }
    for (const auto& item : picked.items()) {
        const std::vector<int>& add = scene::ComponentImpl::from(item.component)->elements();
        auto it = std::find_if(sets.begin(), sets.end(),
                               [&](const auto& s) { return s.first == item.path; });
        if (it == sets.end()) {
            if (adjust == KGlobal::kRemoveFromList) continue;
            sets.push_back({item.path, add});
            continue;
        }
        std::vector<int>& have = it->second;
        std::vector<int> next;
        if (adjust == KGlobal::kAddToList)
            std::set_union(have.begin(), have.end(), add.begin(), add.end(),
                           std::back_inserter(next));
        else if (adjust == KGlobal::kRemoveFromList)
            std::set_difference(have.begin(), have.end(), add.begin(), add.end(),
                                std::back_inserter(next));
        else
            std::set_symmetric_difference(have.begin(), have.end(), add.begin(), add.end(),
                                          std::back_inserter(next));
        have = std::move(next);
    }
    for (auto& [path, elements] : sets)
        if (!elements.empty())
            result.items().push_back(
                {path.node(), path, scene::ComponentImpl::make(type, std::move(elements))});
    return result;
}

KStatus selectFrom(const PixelRect& rect, bool point, KGlobal::ListAdjustment adjust) {
    const Pick kind = pickKind();
    const ViewProjection& projection = ActiveView::instance().refresh();
    std::vector<Candidate> meshes = candidates(kind);
    KSelectionList picked;
    const int px = rect.x0, py = rect.y0;
    double nearestHit = std::numeric_limits<double>::infinity();
    KObject nearestShape;
    double nearestPick = std::numeric_limits<double>::infinity();
    int nearestElement = -1;
    KDagPath nearestPath;
    for (Candidate& c : meshes) {
        projectMesh(projection, *c.mesh, toMat4(scene::worldMatrix(c.shape)), c.projected);
        const bool frontOnly = c.backfaceCulled && kind != Pick::Meshes;
        if (frontOnly) markFrontFaces(projection, c.projected);
        const KDagPath path = scene::pathTo(c.shape);
        if (kind == Pick::Meshes) {
            if (point) {
                const double d = rayHit(projection.pixelRay(px, py), c.projected, nullptr);
                if (d < nearestHit) nearestHit = d, nearestShape = c.shape;
            } else if (!edgesInRect(projection, c.projected, rect, false).empty()) {
                KDagPath owner = path;
                owner.pop();  // select the transform, as `select` does
                picked.add(owner.length() > 0 ? owner : path, KObject(), true);
            }
            continue;
        }
        std::vector<int> elements;
        if (point) {
            // The nearest element under the pixel across the candidate meshes.
            int element = -1;
            double distance = std::numeric_limits<double>::infinity();
            if (kind == Pick::Edges) {
                element = edgeAtPixel(projection, c.projected, px, py, frontOnly);
                if (element >= 0) {
                    double ax, ay, bx, by;
                    const MeshEdge& e = c.mesh->edge(element);
                    edgeOnScreen(projection, c.projected, e.v0, e.v1, ax, ay, bx, by);
                    distance = pointSegmentDistance(px + 0.5, py + 0.5, ax, ay, bx, by);
                }
            } else if (kind == Pick::Vertices) {
                const int r = static_cast<int>(std::ceil(kPickRadius));
                for (int v :
                     verticesInRect(c.projected, {px - r, py - r, px + r, py + r}, frontOnly)) {
                    const double d =
                        std::hypot(c.projected.u[v] - (px + 0.5), c.projected.v[v] - (py + 0.5));
                    if (d <= kPickRadius && d < distance) distance = d, element = v;
                }
            } else {
                int f = -1;
                const double d = rayHit(projection.pixelRay(px, py), c.projected, &f);
                if (f >= 0 && (!frontOnly || c.projected.faceFront[f])) element = f, distance = d;
            }
            if (element >= 0 && distance < nearestPick)
                nearestPick = distance, nearestElement = element, nearestPath = path;
            continue;
        }
        if (kind == Pick::Edges)
            elements = edgesInRect(projection, c.projected, rect, frontOnly);
        else if (kind == Pick::Vertices)
            elements = verticesInRect(c.projected, rect, frontOnly);
        else
            elements = facesInRect(projection, c.projected, rect, frontOnly);
        if (!elements.empty())
            picked.items().push_back(
                {c.shape, path,
                 scene::ComponentImpl::make(componentType(kind), std::move(elements))});
    }
    if (point && kind == Pick::Meshes && !nearestShape.isNull()) {
        KDagPath path = scene::pathTo(nearestShape);
        KDagPath owner = path;
        owner.pop();
        picked.add(owner.length() > 0 ? owner : path, KObject(), true);
    }
    if (point && kind != Pick::Meshes && nearestElement >= 0)
        picked.items().push_back(
            {nearestPath.node(), nearestPath,
             scene::ComponentImpl::make(componentType(kind), {nearestElement})});
    if (kind == Pick::Meshes || kind == Pick::Nothing)
        return KGlobal::setActiveSelectionList(picked, adjust);
    scene::setActiveSelection(adjustComponents(picked, adjust, componentType(kind)));
    return KStatus::kSuccess;
}

}  // namespace

}  // namespace tarn::view

KStatus KGlobal::selectFromScreen(short x, short y, ListAdjustment adjustment, SelectionMethod) {
    return tarn::view::selectFrom({x, y, x, y}, true, adjustment);
}

KStatus KGlobal::selectFromScreen(short x0, short y0, short x1, short y1, ListAdjustment adjustment,
                                  SelectionMethod) {
    return tarn::view::selectFrom({x0, y0, x1, y1}, false, adjustment);
}
