#include "host/nurbs/surface_closest_point.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn::nurbs {

namespace {

constexpr int kCandidates = 4;  // Newton starts at most
constexpr int kMaxIterations = 40;
constexpr int kKeptBounds = 1024;  // box distances kept on the stack between the two passes
// How far, in sample steps, a patch's best sample may be behind the best one and still start
// a refinement (a point of a sampled cell is within about one step of a corner).
constexpr double kReachMargin = 1.5;

double boxDistance2(const Box3& b, const Vec3& p) {
    const double dx = std::max({b.min.x - p.x, 0.0, p.x - b.max.x});
    const double dy = std::max({b.min.y - p.y, 0.0, p.y - b.max.y});
    const double dz = std::max({b.min.z - p.z, 0.0, p.z - b.max.z});
    return dx * dx + dy * dy + dz * dz;
}

double distance2(const Vec3& a, const Vec3& b) {
    const Vec3 d = a - b;
    return dot(d, d);
}

}  // namespace

SurfaceClosestPoint::SurfaceClosestPoint(const NurbsSurface& surface) : m_surface(surface) {
    knotDomain(surface, m_u0, m_u1, m_v0, m_v1);
    const std::vector<double> bu = spanBreaks(surface, true), bv = spanBreaks(surface, false);
    // Sample each patch finer as the degree (and so the possible bending) grows.
    const int nu = std::max(surface.degreeU, 2) + 1, nv = std::max(surface.degreeV, 2) + 1;
    m_samplesPerPatch = (nu + 1) * (nv + 1);
    for (size_t a = 0; a + 1 < bu.size(); ++a)
        for (size_t b = 0; b + 1 < bv.size(); ++b) {
            Patch patch;
            patch.firstSample = static_cast<int>(m_samples.size());
            patch.box = patchBox(surface, bu[a], bu[a + 1], bv[b], bv[b + 1]);
            for (int i = 0; i <= nu; ++i)
                for (int j = 0; j <= nv; ++j) {
                    const double u = bu[a] + (bu[a + 1] - bu[a]) * i / nu;
                    const double v = bv[b] + (bv[b + 1] - bv[b]) * j / nv;
                    m_samples.push_back(evaluate(surface, u, v));
                    m_su.push_back(u);
                    m_sv.push_back(v);
                }
            const Vec3* s = m_samples.data() + patch.firstSample;
            for (int i = 0; i <= nu; ++i)
                for (int j = 0; j <= nv; ++j) {
                    const Vec3& here = s[i * (nv + 1) + j];
                    if (i < nu)
                        patch.reach =
                            std::max(patch.reach, length(s[(i + 1) * (nv + 1) + j] - here));
                    if (j < nv)
                        patch.reach = std::max(patch.reach, length(s[i * (nv + 1) + j + 1] - here));
                }
            m_patches.push_back(patch);
        }
}

ClosestPointResult SurfaceClosestPoint::find(const Vec3& p, double tolerance) const {
    // Best sample per patch for the few most promising patches, best first.
    struct Candidate {
        double d2 = std::numeric_limits<double>::infinity();
        int sample = -1;
        double reach = 0.0;
        double bound2 = 0.0;  // squared distance to the patch's box
    };
    Candidate best[kCandidates];
    double bestD2 = std::numeric_limits<double>::infinity();  // best sample so far
    const auto scanPatch = [&](const Patch& patch, double bound2) {
        Candidate c;
        c.reach = patch.reach;
        c.bound2 = bound2;
        for (int k = 0; k < m_samplesPerPatch; ++k) {
            const double d2 = distance2(m_samples[patch.firstSample + k], p);
            if (d2 < c.d2) c.d2 = d2, c.sample = patch.firstSample + k;
        }
        bestD2 = std::min(bestD2, c.d2);
        // A patch whose best sample is a border sample already held (same parameters) adds
        // nothing as a start.
        for (const Candidate& held : best)
            if (held.sample >= 0 && m_su[held.sample] == m_su[c.sample] &&
                m_sv[held.sample] == m_sv[c.sample])
                return;
        int at = kCandidates;
        while (at > 0 && c.d2 < best[at - 1].d2) --at;
        if (at == kCandidates) return;
        for (int k = kCandidates - 1; k > at; --k) best[k] = best[k - 1];
        best[at] = c;
    };
    // Start from the patch whose box is nearest, then visit every patch whose box is not
    // farther than the best sample: no other patch can hold a nearer point.
    // The first kKeptBounds box distances are kept for the second pass.
    double bounds[kKeptBounds];
    const int patches = static_cast<int>(m_patches.size());
    int first = 0;
    double firstD2 = std::numeric_limits<double>::infinity();
    for (int i = 0; i < patches; ++i) {
        const double d2 = boxDistance2(m_patches[i].box, p);
        if (i < kKeptBounds) bounds[i] = d2;
        if (d2 < firstD2) firstD2 = d2, first = i;
    }
    scanPatch(m_patches[first], firstD2);
    for (int i = 0; i < patches; ++i) {
        if (i == first) continue;
        const double d2 = i < kKeptBounds ? bounds[i] : boxDistance2(m_patches[i].box, p);
        if (d2 <= bestD2) scanPatch(m_patches[i], d2);
    }
    // Refine from the best start, then from every other start close enough that the global
    // nearest point could lie in its patch (its sample within the patch's reach of the best,
    // its box nearer than the best point found).
    ClosestPointResult result;
    result.distance = std::numeric_limits<double>::infinity();
    const double bestSample = std::sqrt(best[0].d2);
    for (const Candidate& c : best) {
        if (c.sample < 0) break;
        if (&c != &best[0] && (std::sqrt(c.d2) > bestSample + kReachMargin * c.reach ||
                               c.bound2 >= result.distance * result.distance))
            continue;
        const ClosestPointResult r = refine(p, m_su[c.sample], m_sv[c.sample], tolerance);
        if (r.distance < result.distance) result = r;
    }
    // Never answer worse than the best sample.
    if (best[0].sample >= 0 && bestSample < result.distance) {
        result.u = m_su[best[0].sample], result.v = m_sv[best[0].sample];
        result.point = m_samples[best[0].sample];
        result.distance = bestSample;
    }
    return result;
}

ClosestPointResult SurfaceClosestPoint::refine(const Vec3& p, double u, double v,
                                               double tolerance) const {
    const double stepGoal = std::max(tolerance, 1e-12) * 0.1;
    SurfaceDerivs d = evaluateDerivs(m_surface, u, v, true);
    double f = distance2(d.p, p);
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        const Vec3 r = d.p - p;
        const double gu = dot(d.du, r), gv = dot(d.dv, r);
        double huu = dot(d.du, d.du) + dot(r, d.duu);
        double hvv = dot(d.dv, d.dv) + dot(r, d.dvv);
        double huv = dot(d.du, d.dv) + dot(r, d.duv);
        double det = huu * hvv - huv * huv;
        if (!(huu > 0.0 && det > 1e-14 * (huu * hvv + 1e-300))) {
            // Not a descent direction: fall back to the damped Gauss-Newton system.
            const double a = dot(d.du, d.du), b = dot(d.du, d.dv), c = dot(d.dv, d.dv);
            const double damp = 1e-6 * (a + c) + 1e-300;
            huu = a + damp, hvv = c + damp, huv = b;
            det = huu * hvv - huv * huv;
        }
        double su = -(hvv * gu - huv * gv) / det;
        double sv = -(huu * gv - huv * gu) / det;
        // On an edge of the domain with the step leading out: hold that parameter and solve
        // for the other alone.
        const bool holdU = (u <= m_u0 && su < 0.0) || (u >= m_u1 && su > 0.0);
        const bool holdV = (v <= m_v0 && sv < 0.0) || (v >= m_v1 && sv > 0.0);
        if (holdU && holdV) break;
        if (holdU) su = 0.0, sv = hvv > 0.0 ? -gv / hvv : -gv / (dot(d.dv, d.dv) + 1e-300);
        if (holdV) sv = 0.0, su = huu > 0.0 ? -gu / huu : -gu / (dot(d.du, d.du) + 1e-300);
        if (!std::isfinite(su) || !std::isfinite(sv)) break;
        // Halve the step until the distance drops.
        bool moved = false;
        for (int halving = 0; halving < 30; ++halving) {
            const double nu = std::clamp(u + su, m_u0, m_u1);
            const double nv = std::clamp(v + sv, m_v0, m_v1);
            const SurfaceDerivs e = evaluateDerivs(m_surface, nu, nv, true);
            const double g = distance2(e.p, p);
            if (g <= f) {
                const double travelled = length(e.p - d.p);
                moved = nu != u || nv != v;
                u = nu, v = nv, d = e, f = g;
                if (travelled < stepGoal) moved = false;
                break;
            }
            su *= 0.5, sv *= 0.5;
        }
        if (!moved) break;
    }
    ClosestPointResult out;
    out.u = u, out.v = v, out.point = d.p, out.distance = std::sqrt(f);
    return out;
}

}  // namespace tarn::nurbs
