// The nurbsSurface shape: its attributes and compute, and the scene-side surface helpers.

#include "host/nurbs/surface_node.h"

#include <algorithm>

#include "frame/k_data.h"
#include "frame/k_plug.h"
#include "host/dg/graph.h"
#include "host/nurbs/shape_flow.h"
#include "host/scene/attribute_table.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/scene_undo.h"
#include "host/undo/undo.h"

namespace tarn::scene {

KObject NurbsSurfaceNode::inCreate, NurbsSurfaceNode::outLocal, NurbsSurfaceNode::outWorldSpace,
    NurbsSurfaceNode::visibility;

KStatus NurbsSurfaceNode::initialize() {
    return nurbs::addNurbsShapeAttributes(AttrKind::SurfaceData, inCreate, outLocal, outWorldSpace,
                                          visibility);
}

KStatus NurbsSurfaceNode::compute(const KPlug& plug, KDataBlock& block) {
    const bool isLocal = plug.attribute() == outLocal;
    if (!isLocal && plug.attribute() != outWorldSpace) return KStatus::kUnknownParameter;
    const KObject self = thisKObject();
    const nurbs::SurfaceRef value =
        isLocal ? nurbs::shapeSurface(self) : nurbs::shapeWorldSurface(self);
    return nurbs::writeDataOutput(plug, block, outWorldSpace,
                                  value ? nurbs::makeSurfaceData(value) : KObject());
}

}  // namespace tarn::scene

namespace tarn::nurbs {

namespace {

scene::NurbsSurfaceNode* surfaceNode(const KObject& shape) {
    if (shape.apiType() != KFn::kNurbsSurface) return nullptr;
    return dynamic_cast<scene::NurbsSurfaceNode*>(scene::dagNode(shape));
}

// Undo and redo find the shape again by name: a re-created node is a new object.
void storeByName(const std::string& name, const SurfaceRef& value) {
    const KObject shape = scene::findNode(name);
    if (scene::NurbsSurfaceNode* node = surfaceNode(shape)) {
        node->surface = value;
        Graph::instance().valueChanged(KPlug(shape, scene::NurbsSurfaceNode::inCreate));
    }
}

}  // namespace

KObject surfaceShapeOf(const KObject& node) {
    if (node.apiType() == KFn::kNurbsSurface) return node;
    for (const KObject& shape : scene::shapesOf(node))
        if (shape.apiType() == KFn::kNurbsSurface) return shape;
    return {};
}

SurfaceRef shapeSurface(const KObject& shape) {
    scene::NurbsSurfaceNode* node = surfaceNode(shape);
    if (!node) return nullptr;
    // A connected `create` input decides the shape's surface.
    const KObject input = connectedInputData(shape, scene::NurbsSurfaceNode::inCreate);
    if (const NurbsSurfaceDataImpl* data = NurbsSurfaceDataImpl::from(input))
        if (data->value) return data->value;
    return node->surface;
}

SurfaceRef shapeWorldSurface(const KObject& shape) {
    scene::NurbsSurfaceNode* node = surfaceNode(shape);
    const SurfaceRef local = shapeSurface(shape);
    if (!node || !local) return nullptr;
    const KMatrix m = scene::worldMatrix(shape);
    if (node->world && node->worldBase == local && node->worldMatrix == m) return node->world;
    node->worldBase = local;
    node->worldMatrix = m;
    node->world = m == KMatrix::identity
                      ? local
                      : std::make_shared<SurfaceValue>(transformed(local->surface(), toMat4(m)));
    return node->world;
}

bool writeSurface(const KObject& shape, SurfaceRef value) {
    scene::NurbsSurfaceNode* node = surfaceNode(shape);
    if (!node) return false;
    SurfaceRef before = node->surface;
    const std::string name = scene::nodeName(shape);
    storeByName(name, value);
    undo::undoQueue().record([name, before] { storeByName(name, before); },
                             [name, value] { storeByName(name, value); }, "edit " + name);
    return true;
}

std::pair<KObject, KObject> createSurfaceShape(SurfaceRef value, const std::string& base,
                                               const std::string& name, const KObject& parent,
                                               std::string* error) {
    KObject transform, shape;
    Graph& graph = Graph::instance();
    scene::ensureSceneTypes();
    if (!parent.isNull()) {
        shape =
            scene::createDagNode("nurbsSurface", graph.uniqueName(base + "Shape1"), parent, error);
    } else if (!name.empty()) {
        transform = scene::createDagNode("transform", name, {}, error);
        if (transform.isNull()) return {};
        shape = scene::createDagNode("nurbsSurface", scene::nodeName(transform) + "Shape",
                                     transform, error);
    } else {
        std::tie(transform, shape) =
            scene::createTransformAndShape(base, base + "Shape", "nurbsSurface", {}, error);
    }
    if (shape.isNull()) {
        std::string ignored;
        if (!transform.isNull()) graph.deleteNode(transform, &ignored);
        return {};
    }
    std::vector<KObject> made;
    if (!transform.isNull()) made.push_back(transform);
    made.push_back(shape);
    scene::recordCreated(made, "create " + scene::nodeName(made.front()));
    // The creation record keeps attributes only: the surface itself is put back on redo here.
    const std::string shapeName = scene::nodeName(shape);
    storeByName(shapeName, value);
    undo::undoQueue().record([] {}, [shapeName, value] { storeByName(shapeName, value); },
                             "surface of " + shapeName);
    return {transform, shape};
}

PolyMesh tessellatedMesh(const NurbsSurface& surface, int perSpan) {
    // Keep to kMaxTessellationQuads a side: a surface of many patches gets fewer per patch.
    const int spans = static_cast<int>(
        std::max(spanBreaks(surface, true).size(), spanBreaks(surface, false).size()) - 1);
    perSpan = std::clamp(std::min(perSpan, kMaxTessellationQuads / std::max(spans, 1)), 1,
                         std::max(perSpan, 1));
    const SurfaceGrid g = tessellate(surface, perSpan, perSpan);
    double u0, u1, v0, v1;
    knotDomain(surface, u0, u1, v0, v1);
    std::vector<int> counts, indices;
    for (int i = 0; i + 1 < g.rows; ++i)
        for (int j = 0; j + 1 < g.cols; ++j) {
            counts.push_back(4);
            indices.insert(indices.end(), {i * g.cols + j, (i + 1) * g.cols + j,
                                           (i + 1) * g.cols + j + 1, i * g.cols + j + 1});
        }
    std::vector<float> us, vs;
    for (int i = 0; i < g.rows; ++i)
        for (int j = 0; j < g.cols; ++j) {
            us.push_back(static_cast<float>((g.us[i] - u0) / (u1 - u0)));
            vs.push_back(static_cast<float>((g.vs[j] - v0) / (v1 - v0)));
        }
    PolyMesh mesh;
    std::string error;
    if (!PolyMesh::create(g.points, counts, indices, mesh, &error)) return {};
    mesh.createUVSet("map1");
    mesh.setUVs(us, vs);
    mesh.assignUVs(counts, indices);
    return mesh;
}

}  // namespace tarn::nurbs
