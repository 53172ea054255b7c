// KFnNurbsCurve and KFnNurbsCurveData: curve shapes and curve data through the shared curve
// math (host/nurbs/nurbs_curve.h).

#include "frame/k_nurbs.h"

#include "host/nurbs/curve_data.h"
#include "host/nurbs/curve_node.h"
#include "host/scene/dag.h"
#include "host/scene/scene_undo.h"

using namespace tarn;
using namespace tarn::nurbs;

namespace {

// The curve the function set is attached to (data, else the shape's) in object space; false
// with kInvalidParameter when it is attached to none (or to empty data).
bool curveOf(const KObject& data, const KObject& shape, NurbsCurve& curve, KStatus* status) {
    bool ok = false;
    if (const NurbsCurveDataImpl* d = NurbsCurveDataImpl::from(data)) {
        if (d->value) curve = *d->value;
        ok = d->value != nullptr;
    } else {
        ok = !shape.isNull() && readCurve(shape, curve);
    }
    if (status) *status = ok ? KStatus::kSuccess : KStatus::kInvalidParameter;
    return ok;
}

// Shapes answer world space through their world matrix; data is its own world.
KMatrix worldOf(const KObject& data, const KObject& shape, KSpace space) {
    return space == KSpace::kWorld && data.isNull() ? scene::worldMatrix(shape) : KMatrix();
}

}  // namespace

KFnNurbsCurve::KFnNurbsCurve(const KObject& object, KStatus* status) {
    const KStatus s = setObject(object);
    if (status) *status = s;
}

KFnNurbsCurve::KFnNurbsCurve(const KDagPath& path, KStatus* status) {
    const KStatus s = setObject(path);
    if (status) *status = s;
}

KStatus KFnNurbsCurve::setObject(const KObject& object) {
    m_data = KObject();
    if (object.apiType() == KFn::kNurbsCurveData) {
        m_object = KObject();
        m_data = object;
        return KStatus::kSuccess;
    }
    const KObject shape = curveShapeOf(object);
    if (shape.isNull()) return KStatus::kInvalidParameter;
    return KFnDagNode::setObject(shape);
}

KStatus KFnNurbsCurve::setObject(const KDagPath& path) {
    return setObject(path.node());
}

KObject KFnNurbsCurve::create(const KPointArray& controlVertices, const KDoubleArray& knotSequences,
                              unsigned degree, Form form, bool create2D, bool createRational,
                              const KObject& parentOrOwner, KStatus* status) {
    const auto fail = [&](KStatus::KStatusCode code) {
        if (status) *status = code;
        return KObject();
    };
    if (create2D || form == kInvalid || form == kLast) return fail(KStatus::kInvalidParameter);
    NurbsCurve curve;
    curve.degree = static_cast<int>(degree);
    curve.form = form == kOpen ? CurveForm::Open : CurveForm::Closed;
    for (unsigned i = 0; i < controlVertices.length(); ++i) {
        const KPoint& p = controlVertices[i];
        const double w = createRational && p.w != 0.0 ? p.w : 1.0;
        // Rational points come as (x w, y w, z w, w) like homogeneous coordinates.
        curve.cvs.push_back(createRational ? Vec3{p.x / w, p.y / w, p.z / w} : Vec3{p.x, p.y, p.z});
        if (createRational) curve.weights.push_back(w);
    }
    for (unsigned i = 0; i < knotSequences.length(); ++i) curve.knots.push_back(knotSequences[i]);
    if (!validate(curve, nullptr)) return fail(KStatus::kInvalidParameter);
    if (NurbsCurveDataImpl* data = NurbsCurveDataImpl::from(parentOrOwner)) {
        data->value = std::make_shared<const NurbsCurve>(std::move(curve));
        setObject(parentOrOwner);
        if (status) *status = KStatus::kSuccess;
        return parentOrOwner;
    }
    if (!parentOrOwner.isNull() && parentOrOwner.apiType() != KFn::kTransform)
        return fail(KStatus::kInvalidParameter);
    std::string error;
    KObject made;
    if (!parentOrOwner.isNull()) {
        made = scene::createDagNode("nurbsCurve", "curveShape", parentOrOwner, &error);
        if (!made.isNull()) {
            scene::recordCreated({made}, "create " + scene::nodeName(made));
            if (!writeCurve(made, curve)) made = KObject();
        }
    } else {
        made = createCurve(curve, &error);
    }
    if (made.isNull()) return fail(KStatus::kFailure);
    setObject(curveShapeOf(made));
    if (status) *status = KStatus::kSuccess;
    return made;
}

int KFnNurbsCurve::degree(KStatus* status) const {
    NurbsCurve c;
    return curveOf(m_data, m_object, c, status) ? c.degree : 0;
}

int KFnNurbsCurve::numCVs(KStatus* status) const {
    NurbsCurve c;
    return curveOf(m_data, m_object, c, status) ? static_cast<int>(c.cvs.size()) : 0;
}

int KFnNurbsCurve::numKnots(KStatus* status) const {
    NurbsCurve c;
    return curveOf(m_data, m_object, c, status) ? static_cast<int>(c.knots.size()) : 0;
}

int KFnNurbsCurve::numSpans(KStatus* status) const {
    NurbsCurve c;
    return curveOf(m_data, m_object, c, status) ? static_cast<int>(c.cvs.size()) - c.degree : 0;
}

KFnNurbsCurve::Form KFnNurbsCurve::form(KStatus* status) const {
    NurbsCurve c;
    if (!curveOf(m_data, m_object, c, status)) return kInvalid;
    return c.form == CurveForm::Open ? kOpen : (c.form == CurveForm::Closed ? kClosed : kPeriodic);
}

KStatus KFnNurbsCurve::getCVs(KPointArray& cvs, KSpace space) const {
    NurbsCurve c;
    KStatus status;
    if (!curveOf(m_data, m_object, c, &status)) return status;
    const KMatrix world = worldOf(m_data, m_object, space);
    cvs.clear();
    for (size_t i = 0; i < c.cvs.size(); ++i) {
        KPoint p = KPoint(c.cvs[i].x, c.cvs[i].y, c.cvs[i].z) * world;
        // Euclidean points, each with its weight in w (1 for a non-rational curve).
        p.w = c.weights.empty() ? 1.0 : c.weights[i];
        cvs.append(p);
    }
    return KStatus::kSuccess;
}

KStatus KFnNurbsCurve::getKnots(KDoubleArray& knots) const {
    NurbsCurve c;
    KStatus status;
    if (!curveOf(m_data, m_object, c, &status)) return status;
    knots.clear();
    for (double k : c.knots) knots.append(k);
    return KStatus::kSuccess;
}

KStatus KFnNurbsCurve::getKnotDomain(double& start, double& end) const {
    NurbsCurve c;
    KStatus status;
    if (!curveOf(m_data, m_object, c, &status)) return status;
    if (!validate(c, nullptr)) return KStatus::kFailure;
    knotDomain(c, start, end);
    return KStatus::kSuccess;
}

KStatus KFnNurbsCurve::getPointAtParam(double param, KPoint& point, KSpace space) const {
    NurbsCurve c;
    KStatus status;
    if (!curveOf(m_data, m_object, c, &status)) return status;
    if (!validate(c, nullptr)) return KStatus::kFailure;
    const Vec3 p = evaluate(c, param);
    point = KPoint(p.x, p.y, p.z) * worldOf(m_data, m_object, space);
    return KStatus::kSuccess;
}

KObject KFnNurbsCurveData::create(KStatus* status) {
    if (status) *status = KStatus::kSuccess;
    return makeCurveData(nullptr);
}
