#include "host/nurbs/curve_node.h"

#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/scene_undo.h"
#include "host/undo/undo.h"

namespace tarn::nurbs {

namespace {

scene::NurbsCurveNode* curveNode(const KObject& shape) {
    if (shape.apiType() != KFn::kNurbsCurve) return nullptr;
    return dynamic_cast<scene::NurbsCurveNode*>(scene::dagNode(shape));
}

// Stores the curve in the node without recording anything.
void store(scene::NurbsCurveNode& node, const NurbsCurve& curve) {
    node.degree = curve.degree;
    node.closed = curve.form != CurveForm::Open;
    node.cvs.clear();
    for (size_t i = 0; i < curve.cvs.size(); ++i) {
        const Vec3& p = curve.cvs[i];
        node.cvs.push_back(KPoint(p.x, p.y, p.z, curve.weights.empty() ? 1.0 : curve.weights[i]));
    }
    node.knots = curve.knots;
}

// Undo and redo find the shape again by name: a re-created node is a new object.
void storeByName(const std::string& name, const NurbsCurve& curve) {
    if (scene::NurbsCurveNode* node = curveNode(scene::findNode(name))) store(*node, curve);
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
    curve.degree = node->degree;
    curve.form = node->closed ? CurveForm::Closed : CurveForm::Open;
    curve.cvs.clear();
    curve.weights.clear();
    bool rational = false;
    for (const KPoint& p : node->cvs) rational = rational || p.w != 1.0;
    for (const KPoint& p : node->cvs) {
        curve.cvs.push_back({p.x, p.y, p.z});
        if (rational) curve.weights.push_back(p.w);
    }
    curve.knots = node->knots;
    return true;
}

bool writeCurve(const KObject& shape, const NurbsCurve& curve) {
    scene::NurbsCurveNode* node = curveNode(shape);
    if (!node) return false;
    NurbsCurve before;
    readCurve(shape, before);
    store(*node, curve);
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
    if (scene::NurbsCurveNode* node = curveNode(shape)) store(*node, curve);
    undo::undoQueue().record([] {}, [name, curve] { storeByName(name, curve); },
                             "curve data of " + name);
    return transform;
}

}  // namespace tarn::nurbs
