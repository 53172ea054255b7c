#pragma once
/// Primitive surfaces for the nurbsPlane, nurbsSphere and nurbsCylinder commands. Every
/// primitive has uniform knots running 0, 1, ..., patches in each direction (ends repeated
/// `degree` times), so dividing a parameter by its patch count maps the surface onto 0..1.
/// Pure functions; thread safe.

#include "host/nurbs/nurbs_surface.h"

namespace tarn::nurbs {

struct PrimitiveFrame {
    Vec3 axis{0, 1, 0};  ///< the plane's normal, the sphere's pole axis, the cylinder's axis
    Vec3 pivot;          ///< centre
};

/// A flat square `width` by `width * lengthRatio` through the pivot, perpendicular to the
/// axis, exactly linear in its parameters (u across the width, v along the length; the
/// normal du x dv points along the axis).
NurbsSurface makePlaneSurface(double width, double lengthRatio, int degree, int patchesU,
                              int patchesV, const PrimitiveFrame& frame);

/// A sphere of `radius`: u runs around the axis (closed, the seam at u = 0 and u = patchesU),
/// v from the pole at -axis to the pole at +axis. Non-rational: its CVs are fitted so that the
/// surface meets the sphere at each CV's Greville parameters and elsewhere stays within a small
/// fraction of the radius of it (0.5% for the default 8 x 4 cubic sphere).
NurbsSurface makeSphereSurface(double radius, int degree, int patchesU, int patchesV,
                               const PrimitiveFrame& frame);

/// An open cylinder (no caps) of `radius` and height radius * heightRatio centred on the pivot
/// along the axis: u around (closed, fitted as the sphere's circles are), v along the axis.
NurbsSurface makeCylinderSurface(double radius, double heightRatio, int degree, int patchesU,
                                 int patchesV, const PrimitiveFrame& frame);

}  // namespace tarn::nurbs
