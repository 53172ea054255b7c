#pragma once
/// The global closest point of a NURBS surface to a point in space.
///
/// Built once per surface: for every patch (one span in u by one in v) the box of its Bezier
/// control net (the patch lies inside its convex hull, weights being positive) and a small grid
/// of sample points. A query scans the patch with the nearest box first, then every patch whose
/// box is not farther than the best sample found, keeps the best sample of the few most
/// promising patches, and runs a clamped Newton iteration (second derivatives, a damped
/// fallback where the Hessian is not positive, step halving until the distance drops) from
/// each that could still lead to a nearer point, over the whole domain, so an iteration may
/// cross patch borders and stops on the domain's edge for points beyond it. The answer is never
/// worse than the best sample. Queries are thread safe and allocate nothing.

#include <vector>

#include "host/nurbs/nurbs_surface.h"

namespace tarn::nurbs {

struct ClosestPointResult {
    double u = 0.0, v = 0.0;
    Vec3 point;
    double distance = 0.0;
};

class SurfaceClosestPoint {
public:
    /// Prepares the search for `surface`, which must be valid and outlive this object.
    explicit SurfaceClosestPoint(const NurbsSurface& surface);

    /// The point of the surface nearest `p`; `tolerance` (> 0) is the distance accuracy.
    ClosestPointResult find(const Vec3& p, double tolerance) const;

    /// The Newton iteration alone from (u, v): the local minimum of the distance it reaches.
    ClosestPointResult refine(const Vec3& p, double u, double v, double tolerance) const;

    int numPatches() const { return static_cast<int>(m_patches.size()); }

private:
    struct Patch {
        Box3 box;
        int firstSample = 0;
        double reach = 0.0;  ///< the largest distance between neighbouring samples
    };
    const NurbsSurface& m_surface;
    double m_u0 = 0, m_u1 = 0, m_v0 = 0, m_v1 = 0;
    int m_samplesPerPatch = 0;
    std::vector<Patch> m_patches;
    std::vector<Vec3> m_samples;     ///< per patch, contiguous
    std::vector<double> m_su, m_sv;  ///< the samples' parameters
};

}  // namespace tarn::nurbs
