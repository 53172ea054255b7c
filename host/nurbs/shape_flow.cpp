// Data flow shared by the nurbsCurve and nurbsSurface shapes.

#include "host/nurbs/shape_flow.h"

#include <vector>

#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"

namespace tarn::nurbs {

namespace {

// The world-space output of a curve or surface shape; null for other nodes.
KObject worldSpaceOutputOf(const KObject& node) {
    if (node.apiType() == KFn::kNurbsSurface) return scene::NurbsSurfaceNode::outWorldSpace;
    if (node.apiType() == KFn::kNurbsCurve) return scene::NurbsCurveNode::outWorldSpace;
    return {};
}

// A transform's change moves every curve and surface below it: their world-space outputs go
// dirty (and what reads them downstream with them).
void dirtyShapesBelow(NodeImpl& node, const AttributeImpl&) {
    if (!dynamic_cast<scene::TransformNode*>(node.userNode())) return;
    std::vector<KObject> pending = scene::childrenOf(scene::handleOf(node.shared_from_this()));
    while (!pending.empty()) {
        const KObject child = pending.back();
        pending.pop_back();
        const KObject world = worldSpaceOutputOf(child);
        if (!world.isNull()) {
            Graph::instance().valueChanged(KPlug(child, world));
            // valueChanged on an output dirties what reads it; the output itself follows.
            if (NodeImpl* impl = scene::liveNode(child))
                impl->store().setDirty(*AttributeImpl::from(world));
        } else {
            for (const KObject& below : scene::childrenOf(child)) pending.push_back(below);
        }
    }
}

}  // namespace

void watchTransformsAboveNurbsShapes() {
    Graph::instance().setDirtyObserver(dirtyShapesBelow);
}

KObject connectedInputData(const KObject& shape, const KObject& createAttr) {
    Graph& graph = Graph::instance();
    const KPlug create(shape, createAttr);
    if (graph.connectionsOf(create, true, false).empty()) return {};
    KStatus status;
    const KDataHandle h = graph.readHandle(create, &status);
    return status.error() ? KObject() : h.data();
}

KStatus writeDataOutput(const KPlug& plug, KDataBlock& block, const KObject& worldSpaceAttr,
                        const KObject& data) {
    KStatus status;
    KDataHandle out;
    if (plug.attribute() != worldSpaceAttr || plug.elementIndex() >= 0) {
        out = block.outputValue(plug, &status);
    } else {
        KArrayDataHandle array = block.outputArrayValue(worldSpaceAttr, &status);
        out = array.addElement(0, &status);
    }
    if (out.isNull()) return status.error() ? status : KStatus::kFailure;
    out.setKObject(data);
    out.setClean();
    return KStatus::kSuccess;
}

Mat4 toMat4(const KMatrix& m) {
    Mat4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.m[i][j] = m[i][j];
    return out;
}

KStatus addNurbsShapeAttributes(scene::AttrKind dataKind, KObject& create, KObject& local,
                                KObject& worldSpace, KObject& visibility) {
    scene::AttrRow in{"create", "cr", dataKind};
    in.handle = &create;
    scene::AttrRow loc{"local", "l", dataKind};
    loc.output = true;
    loc.handle = &local;
    scene::AttrRow world{"worldSpace", "ws", dataKind};
    world.output = true;
    world.array = true;
    world.handle = &worldSpace;
    scene::AttrRow v{"visibility", "v", scene::AttrKind::Bool, {1.0}};
    v.handle = &visibility;
    if (KStatus s = scene::addAttributeTable({in, loc, world, v}); s.error()) return s;
    for (const KObject* out : {&local, &worldSpace})
        if (KStatus s = KPxNode::attributeAffects(create, *out); s.error()) return s;
    watchTransformsAboveNurbsShapes();
    return KStatus::kSuccess;
}

}  // namespace tarn::nurbs
