#pragma once
/// NURBS function sets. A curve has n control vertices, a degree d and n + d - 1 knots (the
/// end knots are not repeated an extra time); its parameter runs over
/// [knot[d - 1], knot[n - 1]]. Main thread only.

#include "frame/k_arrays.h"
#include "frame/k_math.h"
#include "frame/k_scene.h"
#include "frame/k_status.h"

class KFnNurbsCurve : public KFnDagNode {
public:
    enum Form { kInvalid = 0, kOpen, kClosed, kPeriodic, kLast };

    KFnNurbsCurve() = default;
    /// Attaches to a curve shape, or a transform with a curve shape.
    explicit KFnNurbsCurve(const KObject& node, KStatus* status = nullptr);
    explicit KFnNurbsCurve(const KDagPath& path, KStatus* status = nullptr);

    /// Creates a curve shape "curveShape<n>" under a new transform "curve<n>" (answered), or
    /// under `parentOrOwner` when it is a transform (the shape is answered). Points are in
    /// object space; with `createRational` their w is the weight. kInvalidParameter for a
    /// degree, knot count or knot order that does not make a curve; 2D curves are refused.
    KObject create(const KPointArray& controlVertices, const KDoubleArray& knotSequences,
                   unsigned degree, Form form, bool create2D, bool createRational,
                   const KObject& parentOrOwner = KObject::kNullObj, KStatus* status = nullptr);

    int degree(KStatus* status = nullptr) const;
    int numCVs(KStatus* status = nullptr) const;
    int numKnots(KStatus* status = nullptr) const;
    int numSpans(KStatus* status = nullptr) const;
    Form form(KStatus* status = nullptr) const;
    KStatus getCVs(KPointArray& cvs, KSpace space = KSpace::kObject) const;
    KStatus getKnots(KDoubleArray& knots) const;
    KStatus getKnotDomain(double& start, double& end) const;
    /// The point at `param` (clamped to the knot domain).
    KStatus getPointAtParam(double param, KPoint& point, KSpace space = KSpace::kObject) const;
};
