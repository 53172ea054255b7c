#pragma once
/// NURBS function sets. A curve has n control vertices, a degree d and n + d - 1 knots (the
/// end knots are not repeated an extra time); its parameter runs over
/// [knot[d - 1], knot[n - 1]]. Main thread only.

#include "frame/k_arrays.h"
#include "frame/k_math.h"
#include "frame/k_scene.h"
#include "frame/k_status.h"

/// A NURBS curve. The function set attaches to a curve shape, a transform with a curve shape,
/// or curve data (the value of a typed attribute such as a shape's `local` or `worldSpace`);
/// data has no transform of its own, so for data world space and object space are the same.
class KFnNurbsCurve : public KFnDagNode {
public:
    enum Form { kInvalid = 0, kOpen, kClosed, kPeriodic, kLast };

    KFnNurbsCurve() = default;
    /// Attaches to a curve shape, a transform with a curve shape, or curve data.
    explicit KFnNurbsCurve(const KObject& object, KStatus* status = nullptr);
    explicit KFnNurbsCurve(const KDagPath& path, KStatus* status = nullptr);
    KStatus setObject(const KObject& object);
    KStatus setObject(const KDagPath& path);

    /// Creates a curve shape "curveShape<n>" under a new transform "curve<n>" (answered), or
    /// under `parentOrOwner` when it is a transform (the shape is answered); curve data
    /// (KFnNurbsCurveData::create) receives the curve in place (answered), nothing enters the
    /// DAG. Points are in object space; with `createRational` each is (x w, y w, z w, w).
    /// kInvalidParameter, and nothing made, for a degree, knot count or knot order that does
    /// not make a curve, or another kind of owner; 2D curves are refused.
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

private:
    KObject m_data;  // set when attached to curve data
};

/// Curve data: a curve value that is not in the DAG.
class KFnNurbsCurveData {
public:
    /// A new, empty curve data object; fill it with KFnNurbsCurve::create(..., data).
    KObject create(KStatus* status = nullptr);
};

/// A NURBS surface: a curve in each direction (the knot rule above holds in u and in v). Its
/// control vertices form a grid of numCVsInU() x numCVsInV(); in arrays they are stored with v
/// varying fastest: cv(i, j) = cvs[i * numCVsInV() + j]. The function set attaches to a surface
/// shape, a transform with one surface shape, or surface data (the value of a typed attribute
/// such as a shape's `worldSpace` or a node's `inSurface`); data has no transform of its own, so
/// for data world space and object space are the same. Main thread only.
class KFnNurbsSurface : public KFnDagNode {
public:
    enum Form { kInvalid = 0, kOpen, kClosed, kPeriodic, kLast };

    KFnNurbsSurface() = default;
    explicit KFnNurbsSurface(const KObject& object, KStatus* status = nullptr);
    explicit KFnNurbsSurface(const KDagPath& path, KStatus* status = nullptr);
    KStatus setObject(const KObject& object);
    KStatus setObject(const KDagPath& path);

    /// Creates a surface. With `parentOrOwner` a transform the shape "nurbsSurfaceShape<n>" goes
    /// under it and is answered; null makes a new transform "nurbsSurface<n>" (answered);
    /// surface data (KFnNurbsSurfaceData::create) receives the surface in place (answered).
    /// With `createRational` each point's w is its weight. kInvalidParameter, and nothing made,
    /// for degrees, counts or knots that do not make a surface.
    KObject create(const KPointArray& controlVertices, const KDoubleArray& uKnotSequences,
                   const KDoubleArray& vKnotSequences, unsigned degreeInU, unsigned degreeInV,
                   Form formU, Form formV, bool createRational,
                   const KObject& parentOrOwner = KObject::kNullObj, KStatus* status = nullptr);

    int degreeU(KStatus* status = nullptr) const;
    int degreeV(KStatus* status = nullptr) const;
    int numCVsInU(KStatus* status = nullptr) const;
    int numCVsInV(KStatus* status = nullptr) const;
    int numKnotsInU(KStatus* status = nullptr) const;
    int numKnotsInV(KStatus* status = nullptr) const;
    /// Spans between distinct knots of the domain; a patch is one span in u by one in v.
    int numSpansInU(KStatus* status = nullptr) const;
    int numSpansInV(KStatus* status = nullptr) const;
    int numPatchesInU(KStatus* status = nullptr) const;
    int numPatchesInV(KStatus* status = nullptr) const;
    int numPatches(KStatus* status = nullptr) const;
    Form formInU(KStatus* status = nullptr) const;
    Form formInV(KStatus* status = nullptr) const;
    bool isFoldedOnBispan(KStatus* status = nullptr) const;

    KStatus getCVs(KPointArray& cvs, KSpace space = KSpace::kObject) const;
    KStatus setCVs(const KPointArray& cvs, KSpace space = KSpace::kObject);
    KStatus getKnotsInU(KDoubleArray& knots) const;
    KStatus getKnotsInV(KDoubleArray& knots) const;
    KStatus getKnotDomain(double& startU, double& endU, double& startV, double& endV) const;

    /// The point at (u, v), each clamped to its knot domain.
    KStatus getPointAtParam(double u, double v, KPoint& point,
                            KSpace space = KSpace::kObject) const;
    /// Point and first partial derivatives at (u, v).
    KStatus getDerivativesAtParm(double u, double v, KPoint& point, KVector& dU, KVector& dV,
                                 KSpace space = KSpace::kObject) const;
    /// Unit normal at (u, v) (dU x dV normalised; a degenerate point answers a neighbour's).
    KVector normal(double u, double v, KSpace space = KSpace::kObject,
                   KStatus* status = nullptr) const;

    /// The point of the surface nearest `toThisPoint` (the global nearest, also where the
    /// surface folds back and for points beyond its span), with its parameters in `paramU` and
    /// `paramV` when given. Trims are ignored whatever `ignoreTrimBoundaries` says (the host has
    /// no trimmed surfaces). `tolerance` is the distance accuracy in the space asked for.
    KPoint closestPoint(const KPoint& toThisPoint, double* paramU = nullptr,
                        double* paramV = nullptr, bool ignoreTrimBoundaries = false,
                        double tolerance = 1.0e-3, KSpace space = KSpace::kObject,
                        KStatus* status = nullptr) const;

private:
    KObject m_data;  // set when attached to surface data
};

/// Surface data: a surface value that is not in the DAG.
class KFnNurbsSurfaceData {
public:
    /// A new, empty surface data object; fill it with KFnNurbsSurface::create(..., data).
    KObject create(KStatus* status = nullptr);
};
