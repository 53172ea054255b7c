// The nurbsCurve shape: its attributes and compute, and the scene-side curve helpers.

#include "host/nurbs/curve_node.h"

#include "host/dg/graph.h"
#include "host/nurbs/curve_data.h"
#include "host/nurbs/shape_flow.h"
#include "host/scene/attribute_table.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/scene_undo.h"
#include "host/undo/undo.h"

namespace tarn::scene {

KObject NurbsCurveNode::inCreate, NurbsCurveNode::outLocal, NurbsCurveNode::outWorldSpace,
    NurbsCurveNode::visibility;

KStatus NurbsCurveNode::initialize() {
    return nurbs::addNurbsShapeAttributes(AttrKind::CurveData, inCreate, outLocal, outWorldSpace,
                                          visibility);
}

KStatus NurbsCurveNode::compute(const KPlug& plug, KDataBlock& block) {
    const bool isLocal = plug.attribute() == outLocal;
    if (!isLocal && plug.attribute() != outWorldSpace) return KStatus::kUnknownParameter;
    const KObject self = thisKObject();
    nurbs::NurbsCurve curve;
    const bool read = isLocal ? nurbs::readCurve(self, curve) : nurbs::readWorldCurve(self, curve);
    // A shape made without a curve yet (createNode) answers empty data.
    const bool valid = read && nurbs::validate(curve, nullptr);
    return nurbs::writeDataOutput(
        plug, block, outWorldSpace,
        valid ? nurbs::makeCurveData(std::make_shared<const nurbs::NurbsCurve>(std::move(curve)))
              : KObject());
}

}  // namespace tarn::scene

namespace tarn::nurbs {

namespace {

scene::NurbsCurveNode* curveNode(const KObject& shape) {
    if (shape.apiType() != KFn::kNurbsCurve) return nullptr;
    return dynamic_cast<scene::NurbsCurveNode*>(scene::dagNode(shape));
}

// Stores the curve in the node without recording anything; its outputs go dirty.
void store(const KObject& shape, scene::NurbsCurveNode& node, const NurbsCurve& curve) {
    node.degree = curve.degree;
    node.closed = curve.form != CurveForm::Open;
    node.cvs.clear();
    for (size_t i = 0; i < curve.cvs.size(); ++i) {
        const Vec3& p = curve.cvs[i];
        node.cvs.push_back(KPoint(p.x, p.y, p.z, curve.weights.empty() ? 1.0 : curve.weights[i]));
    }
    node.knots = curve.knots;
    Graph::instance().valueChanged(KPlug(shape, scene::NurbsCurveNode::inCreate));
}

// The shape's own curve, whatever its `create` input holds.
NurbsCurve ownCurve(const scene::NurbsCurveNode& node) {
    NurbsCurve curve;
    curve.degree = node.degree;
    curve.form = node.closed ? CurveForm::Closed : CurveForm::Open;
    bool rational = false;
    for (const KPoint& p : node.cvs) rational = rational || p.w != 1.0;
    for (const KPoint& p : node.cvs) {
        curve.cvs.push_back({p.x, p.y, p.z});
        if (rational) curve.weights.push_back(p.w);
    }
    curve.knots = node.knots;
    return curve;
}

// Undo and redo find the shape again by name: a re-created node is a new object.
void storeByName(const std::string& name, const NurbsCurve& curve) {
    const KObject shape = scene::findNode(name);
    if (scene::NurbsCurveNode* node = curveNode(shape)) store(shape, *node, curve);
}

}  // namespace

KObject curveShapeOf(const KObject& node) {
    if (node.apiType() == KFn::kNurbsCurve) return node;
    for (const KObject& shape : scene::shapesOf(node))
        if (shape.apiType() == KFn::kNurbsCurve) return shape;
    return {};
}

bool readCurve(const KObject& shape, NurbsCurve& curve) {
    const scene::NurbsCurveNode* node = curveNode(shape);
    if (!node) return false;
    // A connected `create` input decides the shape's curve.
    const KObject input = connectedInputData(shape, scene::NurbsCurveNode::inCreate);
    if (const NurbsCurveDataImpl* data = NurbsCurveDataImpl::from(input))
        if (data->value) {
            curve = *data->value;
            return true;
        }
    curve = ownCurve(*node);
    return true;
}

bool readWorldCurve(const KObject& shape, NurbsCurve& curve) {
    if (!readCurve(shape, curve)) return false;
    const KMatrix m = scene::worldMatrix(shape);
    if (m != KMatrix::identity) curve = transformed(curve, toMat4(m));
    return true;
}

NurbsCurve transformed(const NurbsCurve& curve, const Mat4& m) {
    NurbsCurve out = curve;
    for (Vec3& p : out.cvs) p = m.point(p);
    return out;
}

bool writeCurve(const KObject& shape, const NurbsCurve& curve) {
    scene::NurbsCurveNode* node = curveNode(shape);
    if (!node) return false;
    const NurbsCurve before = ownCurve(*node);
    store(shape, *node, curve);
    const std::string name = scene::nodeName(shape);
    undo::undoQueue().record([name, before] { storeByName(name, before); },
                             [name, curve] { storeByName(name, curve); }, "edit " + name);
    return true;
}

KObject createCurve(const NurbsCurve& curve, std::string* error) {
    auto [transform, shape] =
        scene::createTransformAndShape("curve", "curveShape", "nurbsCurve", {}, error);
    if (transform.isNull()) return {};
    scene::recordCreated({transform, shape}, "create " + scene::nodeName(transform));
    // The creation record keeps attributes only: the curve itself is put back on redo here.
    const std::string name = scene::nodeName(shape);
    if (scene::NurbsCurveNode* node = curveNode(shape)) store(shape, *node, curve);
    undo::undoQueue().record([] {}, [name, curve] { storeByName(name, curve); },
                             "curve data of " + name);
    return transform;
}

}  // namespace tarn::nurbs
