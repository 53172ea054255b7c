// KFnNurbsSurface and KFnNurbsSurfaceData: surface shapes and surface data through the shared
// surface math (host/nurbs/nurbs_surface.h) and closest-point search.

#include <cmath>

#include "frame/k_nurbs.h"
#include "host/nurbs/surface_node.h"
#include "host/scene/dag.h"

using namespace tarn;
using namespace tarn::nurbs;

namespace {

KStatus fail(KStatus* status, KStatus::KStatusCode code) {
    if (status) *status = code;
    return code;
}

Vec3 toVec(const KPoint& p) {
    return {p.x, p.y, p.z};
}
KPoint toPoint(const Vec3& p) {
    return KPoint(p.x, p.y, p.z);
}
KVector toVector(const Vec3& v) {
    return KVector(v.x, v.y, v.z);
}

KFnNurbsSurface::Form formOf(SurfaceForm f) {
    return f == SurfaceForm::Open     ? KFnNurbsSurface::kOpen
           : f == SurfaceForm::Closed ? KFnNurbsSurface::kClosed
                                      : KFnNurbsSurface::kPeriodic;
}

// The surface the function set is attached to, in the space asked for; null when none.
SurfaceRef attachedSurface(const KObject& data, const KObject& shape, KSpace space) {
    if (const NurbsSurfaceDataImpl* d = NurbsSurfaceDataImpl::from(data)) return d->value;
    if (shape.isNull()) return nullptr;
    return space == KSpace::kWorld ? shapeWorldSurface(shape) : shapeSurface(shape);
}

// Answers f(surface) for the attached surface in object space, or `fallback` with
// kInvalidParameter when the function set is attached to none.
template <class T, class F>
T withSurface(const KObject& data, const KObject& shape, KStatus* status, T fallback, F f) {
    const SurfaceRef ref = attachedSurface(data, shape, KSpace::kObject);
    if (!ref) {
        fail(status, KStatus::kInvalidParameter);
        return fallback;
    }
    if (status) *status = KStatus::kSuccess;
    return f(ref->surface());
}

// Folded: the surface normal turns back on itself inside a patch, seen on a sample grid.
bool isFolded(const NurbsSurface& s) {
    const std::vector<double> bu = spanBreaks(s, true), bv = spanBreaks(s, false);
    constexpr int kSteps = 4;
    for (size_t a = 0; a + 1 < bu.size(); ++a)
        for (size_t b = 0; b + 1 < bv.size(); ++b) {
            Vec3 first;
            for (int i = 0; i <= kSteps; ++i)
                for (int j = 0; j <= kSteps; ++j) {
                    const double u = bu[a] + (bu[a + 1] - bu[a]) * i / kSteps;
                    const double v = bv[b] + (bv[b + 1] - bv[b]) * j / kSteps;
                    const SurfaceDerivs d = evaluateDerivs(s, u, v);
                    const Vec3 n = cross(d.du, d.dv);
                    if (dot(n, n) == 0.0) continue;
                    if (dot(first, first) == 0.0)
                        first = n;
                    else if (dot(first, n) < 0.0)
                        return true;
                }
        }
    return false;
}

}  // namespace

KFnNurbsSurface::KFnNurbsSurface(const KObject& object, KStatus* status) {
    const KStatus s = setObject(object);
    if (status) *status = s;
}

KFnNurbsSurface::KFnNurbsSurface(const KDagPath& path, KStatus* status) {
    const KStatus s = setObject(path);
    if (status) *status = s;
}

KStatus KFnNurbsSurface::setObject(const KObject& object) {
    m_data = KObject();
    if (object.apiType() == KFn::kNurbsSurfaceData) {
        m_object = KObject();
        m_data = object;
        return KStatus::kSuccess;
    }
    const KObject shape = surfaceShapeOf(object);
    if (shape.isNull()) return KStatus::kInvalidParameter;
    return KFnDagNode::setObject(shape);
}

KStatus KFnNurbsSurface::setObject(const KDagPath& path) {
    m_data = KObject();
    if (surfaceShapeOf(path.node()).isNull()) return KStatus::kInvalidParameter;
    if (path.node().apiType() == KFn::kNurbsSurface) return KFnDagNode::setObject(path);
    return KFnDagNode::setObject(surfaceShapeOf(path.node()));
}

KObject KFnNurbsSurface::create(const KPointArray& controlVertices,
                                const KDoubleArray& uKnotSequences,
                                const KDoubleArray& vKnotSequences, unsigned degreeInU,
                                unsigned degreeInV, Form formU, Form formV, bool createRational,
                                const KObject& parentOrOwner, KStatus* status) {
    const auto refuse = [&](KStatus::KStatusCode code) {
        fail(status, code);
        return KObject();
    };
    if (formU <= kInvalid || formU >= kLast || formV <= kInvalid || formV >= kLast)
        return refuse(KStatus::kInvalidParameter);
    if (degreeInU > kMaxSurfaceDegree || degreeInV > kMaxSurfaceDegree)
        return refuse(KStatus::kInvalidParameter);
    NurbsSurface surface;
    surface.degreeU = static_cast<int>(degreeInU);
    surface.degreeV = static_cast<int>(degreeInV);
    // The CV counts follow from the knot counts: n = knots - degree + 1.
    surface.numU = static_cast<int>(uKnotSequences.length()) - surface.degreeU + 1;
    surface.numV = static_cast<int>(vKnotSequences.length()) - surface.degreeV + 1;
    surface.formU = static_cast<SurfaceForm>(formU);
    surface.formV = static_cast<SurfaceForm>(formV);
    for (unsigned i = 0; i < uKnotSequences.length(); ++i)
        surface.knotsU.push_back(uKnotSequences[i]);
    for (unsigned i = 0; i < vKnotSequences.length(); ++i)
        surface.knotsV.push_back(vKnotSequences[i]);
    for (unsigned i = 0; i < controlVertices.length(); ++i) {
        const KPoint& p = controlVertices[i];
        // Rational points come as (x w, y w, z w, w) like homogeneous coordinates.
        const double w = createRational ? p.w : 1.0;
        if (createRational && !(w > 0.0)) return refuse(KStatus::kInvalidParameter);
        surface.cvs.push_back(Vec3{p.x / w, p.y / w, p.z / w});
        if (createRational) surface.weights.push_back(w);
    }
    if (surface.numU < 1 || surface.numV < 1 || !validate(surface, nullptr))
        return refuse(KStatus::kInvalidParameter);
    auto value = std::make_shared<const SurfaceValue>(std::move(surface));

    if (NurbsSurfaceDataImpl* data = NurbsSurfaceDataImpl::from(parentOrOwner)) {
        data->value = value;
        setObject(parentOrOwner);
        if (status) *status = KStatus::kSuccess;
        return parentOrOwner;
    }
    if (!parentOrOwner.isNull() && parentOrOwner.apiType() != KFn::kTransform)
        return refuse(KStatus::kInvalidParameter);
    std::string error;
    const auto [transform, shape] =
        createSurfaceShape(value, "nurbsSurface", "", parentOrOwner, &error);
    if (shape.isNull()) return refuse(KStatus::kFailure);
    setObject(shape);
    if (status) *status = KStatus::kSuccess;
    return transform.isNull() ? shape : transform;
}

int KFnNurbsSurface::degreeU(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0,
                       [&](const NurbsSurface& s) { return s.degreeU; });
}

int KFnNurbsSurface::degreeV(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0,
                       [&](const NurbsSurface& s) { return s.degreeV; });
}

int KFnNurbsSurface::numCVsInU(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0, [&](const NurbsSurface& s) { return s.numU; });
}

int KFnNurbsSurface::numCVsInV(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0, [&](const NurbsSurface& s) { return s.numV; });
}

int KFnNurbsSurface::numKnotsInU(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0,
                       [&](const NurbsSurface& s) { return static_cast<int>(s.knotsU.size()); });
}

int KFnNurbsSurface::numKnotsInV(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0,
                       [&](const NurbsSurface& s) { return static_cast<int>(s.knotsV.size()); });
}

int KFnNurbsSurface::numSpansInU(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0, [&](const NurbsSurface& s) {
        return static_cast<int>(spanBreaks(s, true).size()) - 1;
    });
}

int KFnNurbsSurface::numSpansInV(KStatus* status) const {
    return withSurface(m_data, m_object, status, 0, [&](const NurbsSurface& s) {
        return static_cast<int>(spanBreaks(s, false).size()) - 1;
    });
}

int KFnNurbsSurface::numPatchesInU(KStatus* status) const {
    return numSpansInU(status);
}
int KFnNurbsSurface::numPatchesInV(KStatus* status) const {
    return numSpansInV(status);
}

int KFnNurbsSurface::numPatches(KStatus* status) const {
    return numSpansInU(status) * numSpansInV(status);
}

KFnNurbsSurface::Form KFnNurbsSurface::formInU(KStatus* status) const {
    return withSurface(m_data, m_object, status, kInvalid,
                       [&](const NurbsSurface& s) { return formOf(s.formU); });
}

KFnNurbsSurface::Form KFnNurbsSurface::formInV(KStatus* status) const {
    return withSurface(m_data, m_object, status, kInvalid,
                       [&](const NurbsSurface& s) { return formOf(s.formV); });
}

bool KFnNurbsSurface::isFoldedOnBispan(KStatus* status) const {
    return withSurface(m_data, m_object, status, false, isFolded);
}

KStatus KFnNurbsSurface::getCVs(KPointArray& cvs, KSpace space) const {
    const SurfaceRef ref = attachedSurface(m_data, m_object, space);
    if (!ref) return KStatus::kInvalidParameter;
    const NurbsSurface& s = ref->surface();
    cvs.clear();
    for (size_t i = 0; i < s.cvs.size(); ++i) {
        KPoint p = toPoint(s.cvs[i]);
        if (!s.weights.empty()) p.w = s.weights[i];
        cvs.append(p);
    }
    return KStatus::kSuccess;
}

KStatus KFnNurbsSurface::setCVs(const KPointArray& cvs, KSpace space) {
    const SurfaceRef ref = attachedSurface(m_data, m_object, KSpace::kObject);
    if (!ref) return KStatus::kInvalidParameter;
    NurbsSurface s = ref->surface();
    if (cvs.length() != s.cvs.size()) return KStatus::kInvalidParameter;
    const KMatrix toObject = space == KSpace::kWorld && m_data.isNull()
                                 ? scene::worldMatrix(m_object).inverse()
                                 : KMatrix::identity;
    for (unsigned i = 0; i < cvs.length(); ++i) {
        s.cvs[i] = toVec(KPoint(cvs[i].x, cvs[i].y, cvs[i].z) * toObject);
        if (!s.weights.empty()) s.weights[i] = cvs[i].w;
    }
    if (!validate(s, nullptr)) return KStatus::kInvalidParameter;
    auto value = std::make_shared<const SurfaceValue>(std::move(s));
    if (NurbsSurfaceDataImpl* data = NurbsSurfaceDataImpl::from(m_data)) {
        data->value = value;
        return KStatus::kSuccess;
    }
    return writeSurface(m_object, value) ? KStatus::kSuccess : KStatus::kFailure;
}

KStatus KFnNurbsSurface::getKnotsInU(KDoubleArray& knots) const {
    KStatus status;
    return withSurface(m_data, m_object, &status, status, [&](const NurbsSurface& s) {
        knots.clear();
        for (double k : s.knotsU) knots.append(k);
        return KStatus(KStatus::kSuccess);
    });
}

KStatus KFnNurbsSurface::getKnotsInV(KDoubleArray& knots) const {
    KStatus status;
    return withSurface(m_data, m_object, &status, status, [&](const NurbsSurface& s) {
        knots.clear();
        for (double k : s.knotsV) knots.append(k);
        return KStatus(KStatus::kSuccess);
    });
}

KStatus KFnNurbsSurface::getKnotDomain(double& startU, double& endU, double& startV,
                                       double& endV) const {
    KStatus status;
    return withSurface(m_data, m_object, &status, status, [&](const NurbsSurface& s) {
        knotDomain(s, startU, endU, startV, endV);
        return KStatus(KStatus::kSuccess);
    });
}

KStatus KFnNurbsSurface::getPointAtParam(double u, double v, KPoint& point, KSpace space) const {
    const SurfaceRef ref = attachedSurface(m_data, m_object, space);
    if (!ref) return KStatus::kInvalidParameter;
    if (!std::isfinite(u) || !std::isfinite(v)) return KStatus::kInvalidParameter;
    point = toPoint(evaluate(ref->surface(), u, v));
    return KStatus::kSuccess;
}

KStatus KFnNurbsSurface::getDerivativesAtParm(double u, double v, KPoint& point, KVector& dU,
                                              KVector& dV, KSpace space) const {
    const SurfaceRef ref = attachedSurface(m_data, m_object, space);
    if (!ref) return KStatus::kInvalidParameter;
    if (!std::isfinite(u) || !std::isfinite(v)) return KStatus::kInvalidParameter;
    const SurfaceDerivs d = evaluateDerivs(ref->surface(), u, v);
    point = toPoint(d.p);
    dU = toVector(d.du);
    dV = toVector(d.dv);
    return KStatus::kSuccess;
}

KVector KFnNurbsSurface::normal(double u, double v, KSpace space, KStatus* status) const {
    const SurfaceRef ref = attachedSurface(m_data, m_object, space);
    if (!ref || !std::isfinite(u) || !std::isfinite(v)) {
        fail(status, KStatus::kInvalidParameter);
        return {};
    }
    if (status) *status = KStatus::kSuccess;
    return toVector(normalAt(ref->surface(), u, v));
}

KPoint KFnNurbsSurface::closestPoint(const KPoint& toThisPoint, double* paramU, double* paramV,
                                     bool /*ignoreTrimBoundaries*/, double tolerance, KSpace space,
                                     KStatus* status) const {
    const SurfaceRef ref = attachedSurface(m_data, m_object, space);
    const Vec3 p = toVec(toThisPoint);
    if (!ref || !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
        fail(status, KStatus::kInvalidParameter);
        return {};
    }
    // A tolerance that is not a positive number asks for the default accuracy.
    if (!(tolerance > 0.0) || !std::isfinite(tolerance)) tolerance = 1.0e-3;
    const ClosestPointResult r = ref->search().find(p, tolerance);
    if (paramU) *paramU = r.u;
    if (paramV) *paramV = r.v;
    if (status) *status = KStatus::kSuccess;
    return toPoint(r.point);
}

KObject KFnNurbsSurfaceData::create(KStatus* status) {
    if (status) *status = KStatus::kSuccess;
    return makeSurfaceData(nullptr);
}
