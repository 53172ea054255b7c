#include "host/nurbs/nurbs_surface.h"

#include <algorithm>
#include <cmath>

namespace tarn::nurbs {

namespace {

// One direction of a surface seen as a curve: its degree, CV count and SDK knots.
struct Direction {
    int degree;
    int count;
    const std::vector<double>* knots;

    // The full knot vector: the SDK's knots with one copy of each end knot added.
    double full(int i) const {
        const int last = static_cast<int>(knots->size()) - 1;
        return (*knots)[std::clamp(i - 1, 0, last)];
    }
    double start() const { return (*knots)[degree - 1]; }
    double end() const { return (*knots)[count - 1]; }
};

Direction directionU(const NurbsSurface& s) {
    return {s.degreeU, s.numU, &s.knotsU};
}
Direction directionV(const NurbsSurface& s) {
    return {s.degreeV, s.numV, &s.knotsV};
}

// The span k (degree <= k <= count - 1) holding t, with U[k] < U[k + 1]; the end of the domain
// belongs to the last non-empty span.
int findSpan(const Direction& d, double t) {
    const int p = d.degree, n = d.count;
    int last = n - 1;
    while (last > p && d.full(last) >= d.full(n)) --last;
    if (t >= d.full(last)) return last;
    int lo = p, hi = last;  // U[lo] <= t < U[hi]
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (t < d.full(mid))
            hi = mid;
        else
            lo = mid;
    }
    return lo;
}

// Basis functions N[k][j] (derivative k = 0..order, function j = 0..degree of the span),
// after Piegl and Tiller's DersBasisFuns.
using BasisTable = double[kMaxSurfaceDegree + 1][kMaxSurfaceDegree + 1];

void basisDerivs(const Direction& d, int span, double t, int order, BasisTable ders) {
    const int p = d.degree;
    double ndu[kMaxSurfaceDegree + 1][kMaxSurfaceDegree + 1];
    double left[kMaxSurfaceDegree + 1], right[kMaxSurfaceDegree + 1];
    ndu[0][0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - d.full(span + 1 - j);
        right[j] = d.full(span + j) - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            ndu[j][r] = right[r + 1] + left[j - r];
            const double temp = ndu[j][r] != 0.0 ? ndu[r][j - 1] / ndu[j][r] : 0.0;
            ndu[r][j] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        ndu[j][j] = saved;
    }
    for (int j = 0; j <= p; ++j) ders[0][j] = ndu[j][p];
    // Derivatives above the degree vanish.
    for (int k = p + 1; k <= order; ++k)
        for (int j = 0; j <= p; ++j) ders[k][j] = 0.0;
    order = std::min(order, p);
    if (order == 0) return;
    double a[2][kMaxSurfaceDegree + 1];
    for (int r = 0; r <= p; ++r) {
        int s1 = 0, s2 = 1;
        a[0][0] = 1.0;
        for (int k = 1; k <= order; ++k) {
            double dk = 0.0;
            const int rk = r - k, pk = p - k;
            if (r >= k) {
                a[s2][0] = ndu[pk + 1][rk] != 0.0 ? a[s1][0] / ndu[pk + 1][rk] : 0.0;
                dk = a[s2][0] * ndu[rk][pk];
            }
            const int j1 = rk >= -1 ? 1 : -rk;
            const int j2 = r - 1 <= pk ? k - 1 : p - r;
            for (int j = j1; j <= j2; ++j) {
                a[s2][j] = ndu[pk + 1][rk + j] != 0.0
                               ? (a[s1][j] - a[s1][j - 1]) / ndu[pk + 1][rk + j]
                               : 0.0;
                dk += a[s2][j] * ndu[rk + j][pk];
            }
            if (r <= pk) {
                a[s2][k] = ndu[pk + 1][r] != 0.0 ? -a[s1][k - 1] / ndu[pk + 1][r] : 0.0;
                dk += a[s2][k] * ndu[r][pk];
            }
            ders[k][r] = dk;
            std::swap(s1, s2);
        }
    }
    double factor = p;
    for (int k = 1; k <= order; ++k) {
        for (int j = 0; j <= p; ++j) ders[k][j] *= factor;
        factor *= p - k;
    }
}

// Homogeneous point (x w, y w, z w, w).
struct H4 {
    double x = 0, y = 0, z = 0, w = 0;
    void add(const Vec3& p, double weight, double f) {
        const double fw = f * weight;
        x += p.x * fw, y += p.y * fw, z += p.z * fw, w += fw;
    }
    Vec3 xyz() const { return {x, y, z}; }
};

}  // namespace

bool validate(const NurbsSurface& s, std::string* error) {
    const auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    for (const bool inU : {true, false}) {
        const Direction d = inU ? directionU(s) : directionV(s);
        const std::string dir = inU ? " in u" : " in v";
        if (d.degree < 1 || d.degree > kMaxSurfaceDegree)
            return fail("degree" + dir + " must be 1 to " + std::to_string(kMaxSurfaceDegree));
        if (d.count < d.degree + 1)
            return fail("a degree " + std::to_string(d.degree) + " surface needs at least " +
                        std::to_string(d.degree + 1) + " control points" + dir);
        const size_t want = static_cast<size_t>(d.count + d.degree - 1);
        if (d.knots->size() != want)
            return fail("expected " + std::to_string(want) + " knots" + dir + ", got " +
                        std::to_string(d.knots->size()));
        for (size_t i = 0; i < want; ++i) {
            if (!std::isfinite((*d.knots)[i])) return fail("knots must be finite");
            if (i > 0 && (*d.knots)[i] < (*d.knots)[i - 1]) return fail("knots must not decrease");
        }
        if (d.end() <= d.start()) return fail("the knot domain" + dir + " is empty");
    }
    const size_t n = static_cast<size_t>(s.numU) * static_cast<size_t>(s.numV);
    if (s.cvs.size() != n)
        return fail("expected " + std::to_string(n) + " control points, got " +
                    std::to_string(s.cvs.size()));
    for (const Vec3& p : s.cvs)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return fail("control points must be finite");
    if (!s.weights.empty()) {
        if (s.weights.size() != n) return fail("one weight per control point is needed");
        for (double w : s.weights)
            if (!(w > 0.0) || !std::isfinite(w)) return fail("weights must be positive");
    }
    return true;
}

void knotDomain(const NurbsSurface& s, double& u0, double& u1, double& v0, double& v1) {
    u0 = directionU(s).start(), u1 = directionU(s).end();
    v0 = directionV(s).start(), v1 = directionV(s).end();
}

std::vector<double> spanBreaks(const NurbsSurface& s, bool inU) {
    const Direction d = inU ? directionU(s) : directionV(s);
    std::vector<double> breaks{d.start()};
    for (int i = d.degree; i < d.count; ++i)
        if (d.full(i + 1) > breaks.back()) breaks.push_back(d.full(i + 1));
    return breaks;
}

Vec3 evaluate(const NurbsSurface& s, double u, double v) {
    const Direction du = directionU(s), dv = directionV(s);
    u = std::clamp(u, du.start(), du.end());
    v = std::clamp(v, dv.start(), dv.end());
    const int su = findSpan(du, u), sv = findSpan(dv, v);
    BasisTable nu, nv;
    basisDerivs(du, su, u, 0, nu);
    basisDerivs(dv, sv, v, 0, nv);
    H4 sum;
    for (int a = 0; a <= s.degreeU; ++a) {
        const int i = su - s.degreeU + a;
        H4 row;
        for (int b = 0; b <= s.degreeV; ++b) {
            const int j = sv - s.degreeV + b;
            row.add(s.cv(i, j), s.weight(i, j), nv[0][b]);
        }
        sum.x += nu[0][a] * row.x, sum.y += nu[0][a] * row.y, sum.z += nu[0][a] * row.z;
        sum.w += nu[0][a] * row.w;
    }
    return sum.xyz() / sum.w;
}

SurfaceDerivs evaluateDerivs(const NurbsSurface& s, double u, double v, bool second) {
    const Direction du = directionU(s), dv = directionV(s);
    u = std::clamp(u, du.start(), du.end());
    v = std::clamp(v, dv.start(), dv.end());
    const int su = findSpan(du, u), sv = findSpan(dv, v);
    const int order = second ? 2 : 1;
    BasisTable nu, nv;
    basisDerivs(du, su, u, order, nu);
    basisDerivs(dv, sv, v, order, nv);
    // Homogeneous derivatives A(k, l) for k + l <= order.
    H4 a[3][3];
    for (int ia = 0; ia <= s.degreeU; ++ia) {
        const int i = su - s.degreeU + ia;
        H4 row[3];  // the v derivatives of this row
        for (int jb = 0; jb <= s.degreeV; ++jb) {
            const int j = sv - s.degreeV + jb;
            for (int l = 0; l <= order; ++l) row[l].add(s.cv(i, j), s.weight(i, j), nv[l][jb]);
        }
        for (int k = 0; k <= order; ++k)
            for (int l = 0; k + l <= order; ++l) {
                const double f = nu[k][ia];
                a[k][l].x += f * row[l].x, a[k][l].y += f * row[l].y, a[k][l].z += f * row[l].z;
                a[k][l].w += f * row[l].w;
            }
    }
    // The rational quotient rule.
    const double w = a[0][0].w;
    SurfaceDerivs d;
    d.p = a[0][0].xyz() / w;
    d.du = (a[1][0].xyz() - d.p * a[1][0].w) / w;
    d.dv = (a[0][1].xyz() - d.p * a[0][1].w) / w;
    if (second) {
        d.duu = (a[2][0].xyz() - d.du * (2.0 * a[1][0].w) - d.p * a[2][0].w) / w;
        d.dvv = (a[0][2].xyz() - d.dv * (2.0 * a[0][1].w) - d.p * a[0][2].w) / w;
        d.duv = (a[1][1].xyz() - d.p * a[1][1].w - d.dv * a[1][0].w - d.du * a[0][1].w) / w;
    }
    return d;
}

Box3 patchBox(const NurbsSurface& s, double u0, double u1, double v0, double v1) {
    const Direction du = directionU(s), dv = directionV(s);
    const int pu = s.degreeU, pv = s.degreeV;
    const int su = findSpan(du, u0), sv = findSpan(dv, v0);
    BasisTable nu, nv;
    basisDerivs(du, su, u0, pu, nu);
    basisDerivs(dv, sv, v0, pv, nv);
    // Forward differences of the homogeneous Bezier net from the derivatives at the corner:
    // delta(j, i) = A(j, i) hu^j hv^i (pu - j)! / pu! (pv - i)! / pv!.
    H4 delta[kMaxSurfaceDegree + 1][kMaxSurfaceDegree + 1];
    const double hu = u1 - u0, hv = v1 - v0;
    double fu = 1.0;
    for (int j = 0; j <= pu; ++j) {
        double fv = 1.0;
        for (int i = 0; i <= pv; ++i) {
            H4 a;
            for (int ia = 0; ia <= pu; ++ia)
                for (int ib = 0; ib <= pv; ++ib) {
                    const int ci = su - pu + ia, cj = sv - pv + ib;
                    a.add(s.cv(ci, cj), s.weight(ci, cj), nu[j][ia] * nv[i][ib]);
                }
            const double f = fu * fv;
            delta[j][i] = {a.x * f, a.y * f, a.z * f, a.w * f};
            if (i < pv) fv *= hv / (pv - i);
        }
        if (j < pu) fu *= hu / (pu - j);
    }
    // b(k, l) = sum over j <= k, i <= l of C(k, j) C(l, i) delta(j, i).
    double binom[kMaxSurfaceDegree + 1][kMaxSurfaceDegree + 1] = {};
    for (int n = 0; n <= kMaxSurfaceDegree; ++n) {
        binom[n][0] = 1.0;
        for (int k = 1; k <= n; ++k)
            binom[n][k] = binom[n - 1][k - 1] + (k < n ? binom[n - 1][k] : 0.0);
    }
    Box3 box;
    for (int k = 0; k <= pu; ++k)
        for (int l = 0; l <= pv; ++l) {
            H4 b;
            for (int j = 0; j <= k; ++j)
                for (int i = 0; i <= l; ++i) {
                    const double c = binom[k][j] * binom[l][i];
                    b.x += c * delta[j][i].x, b.y += c * delta[j][i].y, b.z += c * delta[j][i].z;
                    b.w += c * delta[j][i].w;
                }
            box.expand(b.xyz() / b.w);
        }
    // Note: the sums above round; widen the box by a little more than their error.
    const Vec3 size = box.max - box.min;
    const double pad = 1e-9 * (std::abs(size.x) + std::abs(size.y) + std::abs(size.z) +
                               length(box.max) + length(box.min)) +
                       1e-12;
    box.min = box.min - Vec3(pad, pad, pad);
    box.max = box.max + Vec3(pad, pad, pad);
    return box;
}

Vec3 normalAt(const NurbsSurface& s, double u, double v) {
    double u0, u1, v0, v1;
    knotDomain(s, u0, u1, v0, v1);
    const SurfaceDerivs d = evaluateDerivs(s, u, v);
    Vec3 n = cross(d.du, d.dv);
    const double scale = std::max(dot(d.du, d.du), dot(d.dv, d.dv));
    if (dot(n, n) > 1e-24 * scale * scale && dot(n, n) > 0.0) return normalize(n);
    // A pole or a collapsed edge: step towards the middle of the domain and look again.
    const double eu = (u1 - u0) * 1e-4, ev = (v1 - v0) * 1e-4;
    const double nuv[2] = {u < 0.5 * (u0 + u1) ? u + eu : u - eu,
                           v < 0.5 * (v0 + v1) ? v + ev : v - ev};
    const SurfaceDerivs e = evaluateDerivs(s, nuv[0], nuv[1]);
    return normalize(cross(e.du, e.dv));
}

NurbsSurface transformed(const NurbsSurface& s, const Mat4& m) {
    NurbsSurface out = s;
    for (Vec3& p : out.cvs) p = m.point(p);
    return out;
}

SurfaceGrid tessellate(const NurbsSurface& s, int perSpanU, int perSpanV) {
    SurfaceGrid g;
    const auto params = [](const std::vector<double>& breaks, int per) {
        std::vector<double> t;
        per = std::max(per, 1);
        for (size_t k = 0; k + 1 < breaks.size(); ++k)
            for (int i = 0; i < per; ++i)
                t.push_back(breaks[k] + (breaks[k + 1] - breaks[k]) * i / per);
        t.push_back(breaks.back());
        return t;
    };
    const std::vector<double> us = params(spanBreaks(s, true), perSpanU);
    const std::vector<double> vs = params(spanBreaks(s, false), perSpanV);
    g.rows = static_cast<int>(us.size());
    g.cols = static_cast<int>(vs.size());
    g.points.reserve(us.size() * vs.size());
    for (double u : us)
        for (double v : vs) g.points.push_back(evaluate(s, u, v));
    g.us = us;
    g.vs = vs;
    return g;
}

}  // namespace tarn::nurbs
