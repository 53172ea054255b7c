#include "host/view/scene_geometry.h"

#include <algorithm>

#include "frame/k_scene.h"
#include "host/nurbs/surface_node.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/shading/shading_nodes.h"
#include "host/view/view_scene.h"

namespace tarn::view {

namespace {

Mat4 toMat4(const KMatrix& m) {
    Mat4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.m[i][j] = m[i][j];
    return out;
}

void expandByBox(Box3& bounds, const Box3& box, const Mat4& toWorld) {
    if (box.empty()) return;
    for (int c = 0; c < 8; ++c)
        bounds.expand(toWorld.point({c & 1 ? box.max.x : box.min.x, c & 2 ? box.max.y : box.min.y,
                                     c & 4 ? box.max.z : box.min.z}));
}

}  // namespace

void SceneGeometry::clear() {
    m_entries.clear();
    m_groups.clear();
    m_itemOf.clear();
    m_scene = DrawScene();
    m_rebuilt = 0;
}

void SceneGeometry::gather(const Options& options) {
    m_rebuilt = 0;
    // Shading groups: sampled anew unless the caller knows nothing but the camera moved.
    std::map<std::string, GroupShade> groups;
    const auto shadeOf = [&](const KObject& group) -> const GroupShade& {
        const std::string key = group.isNull() ? std::string() : scene::nodeName(group);
        auto it = groups.find(key);
        if (it != groups.end()) return it->second;
        const auto old = m_groups.find(key);
        if (!options.sampleTextures && old != m_groups.end())
            return groups.emplace(key, old->second).first->second;
        GroupShade shade = shadeOfGroup(group, options.textures);
        // The same pixels keep their image object: meshes showing it need no new arrays and
        // its GL texture stays.
        if (old != m_groups.end() && shade.image && old->second.image &&
            sameImage(*shade.image, *old->second.image))
            shade.image = old->second.image;
        return groups.emplace(key, std::move(shade)).first->second;
    };

    std::map<std::string, Entry> entries;
    DrawScene next;
    std::map<std::string, std::size_t> itemOf;
    for (const KObject& shape : scene::allDagNodes()) {
        scene::MeshNode* node = scene::meshNode(shape);
        if (!node && shape.apiType() != KFn::kNurbsSurface) continue;
        const std::string name = scene::nodeName(shape);
        const auto old = m_entries.find(name);
        if (!scene::pathTo(shape).isVisible()) {
            // A hidden mesh keeps its arrays for when it shows again.
            if (old != m_entries.end()) entries.emplace(name, std::move(old->second));
            continue;
        }
        const Entry* before = old == m_entries.end() ? nullptr : &old->second;
        Entry e;
        std::vector<shading::GroupRun> runs;
        if (node) {
            e.mesh = node->sharedMesh();
            runs = shading::faceGroupRuns(shape);
        } else {
            // A NURBS surface is shown as its tessellation in the default shading group.
            e.surface = nurbs::shapeSurface(shape);
            if (!e.surface) continue;
            if (before && before->surface == e.surface)
                e.mesh = before->mesh;
            else
                e.mesh = std::make_shared<PolyMesh>(
                    nurbs::tessellatedMesh(e.surface->surface(), kSurfaceStepsPerSpan));
            if (e.mesh->numFaces() == 0) continue;
            runs.push_back({shading::initialShadingGroup(), 0, e.mesh->numFaces()});
        }
        if (!e.mesh) continue;
        const bool sameMesh = before && before->mesh == e.mesh;
        for (const shading::GroupRun& run : runs) {
            const GroupShade& shade = shadeOf(run.group);
            RunKey key;
            key.group = run.group.isNull() ? std::string() : scene::nodeName(run.group);
            key.first = run.first, key.count = run.count;
            std::copy(shade.rgb, shade.rgb + 3, key.rgb);
            key.opacity = shade.opacity;
            key.texture = shade.image;
            if (shade.solid) {
                // A 3D texture's colours at this mesh's vertices: kept while the mesh is the
                // same and textures are not sampled anew; equal samples keep their object.
                const RunKey* was = nullptr;
                if (sameMesh)
                    for (const RunKey& r : before->runs)
                        if (r.group == key.group && r.vertexRgb) was = &r;
                if (was && !options.sampleTextures) {
                    key.vertexRgb = was->vertexRgb;
                } else {
                    auto rgb = std::make_shared<const std::vector<float>>(
                        sampleVertexColors(*shade.solid, *e.mesh));
                    key.vertexRgb = was && *was->vertexRgb == *rgb ? was->vertexRgb : rgb;
                    if (key.vertexRgb->empty()) key.vertexRgb.reset();
                }
            }
            e.runs.push_back(std::move(key));
        }
        if (sameMesh && before->runs == e.runs) {
            e.draw = before->draw;
            if (options.edges && !e.draw->hasEdges) addDrawEdges(*e.draw, *e.mesh);
        } else {
            std::vector<RunShade> shades;
            for (const RunKey& k : e.runs) {
                RunShade s;
                s.first = k.first, s.count = k.count;
                std::copy(k.rgb, k.rgb + 3, s.rgb);
                s.opacity = k.opacity;
                s.texture = k.texture;
                s.vertexRgb = k.vertexRgb;
                shades.push_back(std::move(s));
            }
            e.draw = buildDrawMesh(*e.mesh, shades, options.edges);
            ++m_rebuilt;
        }
        DrawItem item;
        item.name = name;
        item.mesh = e.draw;
        item.toWorld = toMat4(scene::worldMatrix(shape));
        item.wire = options.edges;
        expandByBox(next.bounds, e.draw->box, item.toWorld);
        itemOf[name] = next.items.size();
        next.items.push_back(std::move(item));
        entries.emplace(name, std::move(e));
    }
    m_entries.swap(entries);
    m_groups.swap(groups);
    m_itemOf.swap(itemOf);
    m_scene = std::move(next);
}

void SceneGeometry::showSelection() {
    for (DrawItem& item : m_scene.items) {
        item.selected = false;
        item.highlightEdges.clear();
        item.highlightFaces.clear();
        item.highlightPoints.clear();
    }
    // The item and entry of a shape (transform or shape node), or null.
    const auto find = [&](const KObject& node) -> std::pair<DrawItem*, Entry*> {
        if (node.isNull() || !scene::meshNode(node)) return {nullptr, nullptr};
        const std::string name = scene::nodeName(node);
        const auto at = m_itemOf.find(name);
        if (at == m_itemOf.end()) return {nullptr, nullptr};
        return {&m_scene.items[at->second], &m_entries.at(name)};
    };
    // Meshes shown with their wireframe: selected or hilited, by themselves or their transform.
    const auto wire = [&](const KObject& node, bool selected) {
        std::vector<KObject> shapes = scene::shapesOf(node);
        shapes.push_back(node);
        for (const KObject& shape : shapes) {
            const auto [item, entry] = find(shape);
            if (!item) continue;
            item->wire = true;
            item->selected = item->selected || selected;
            if (!entry->draw->hasEdges) addDrawEdges(*entry->draw, *entry->mesh);
        }
    };
    for (const std::string& name : scene::hiliteList()) wire(scene::findNode(name), false);
    const KSelectionList& active = scene::activeSelection();
    for (const auto& s : active.items())
        if (s.component.isNull()) wire(s.path.node(), true);

    for (const auto& s : active.items()) {
        const scene::ComponentImpl* c = scene::ComponentImpl::from(s.component);
        const auto [item, entry] = find(s.path.node());
        if (!c || !item) continue;
        const PolyMesh& mesh = *entry->mesh;
        const std::vector<std::uint32_t>& render = entry->draw->vertexRender;
        const auto at = [&](int v) {
            return v >= 0 && v < static_cast<int>(render.size()) ? render[v] : kNoRenderVertex;
        };
        const auto edge = [&](int e) {
            if (e < 0 || e >= mesh.numEdges()) return;
            const std::uint32_t a = at(mesh.edge(e).v0), b = at(mesh.edge(e).v1);
            if (a != kNoRenderVertex && b != kNoRenderVertex)
                item->highlightEdges.insert(item->highlightEdges.end(), {a, b});
        };
        for (int i : scene::componentElements(s.component, s.path.node())) {
            switch (c->apiType()) {
                case KFn::kMeshEdgeComponent:
                    edge(i);
                    break;
                case KFn::kMeshPolygonComponent: {
                    if (i < 0 || i >= mesh.numFaces()) break;
                    for (int e : mesh.faceEdges(i)) edge(e);
                    const std::span<const int> verts = mesh.faceVertices(i);
                    for (int t = 0; t + 2 < static_cast<int>(verts.size()); ++t) {
                        const std::array<int, 3> k = mesh.triangleCorners(i, t);
                        const std::uint32_t a = at(verts[k[0]]), b = at(verts[k[1]]),
                                            d = at(verts[k[2]]);
                        if (a != kNoRenderVertex && b != kNoRenderVertex && d != kNoRenderVertex)
                            item->highlightFaces.insert(item->highlightFaces.end(), {a, b, d});
                    }
                    break;
                }
                case KFn::kMeshVertComponent:
                    if (at(i) != kNoRenderVertex) item->highlightPoints.push_back(at(i));
                    break;
                default:
                    break;
            }
        }
    }
}

}  // namespace tarn::view
