#include "host/nurbs/nurbs_curve.h"

#include <algorithm>
#include <cmath>

namespace tarn::nurbs {

namespace {

constexpr int kMaxDegree = 7;

// The full knot vector: the SDK's knots with one copy of each end knot added.
double fullKnot(const NurbsCurve& c, int i) {
    const int last = static_cast<int>(c.knots.size()) - 1;
    return c.knots[std::clamp(i - 1, 0, last)];
}

}  // namespace

bool validate(const NurbsCurve& curve, std::string* error) {
    const auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    if (curve.degree < 1 || curve.degree > kMaxDegree)
        return fail("degree must be 1 to " + std::to_string(kMaxDegree));
    const size_t n = curve.cvs.size();
    if (n < static_cast<size_t>(curve.degree) + 1)
        return fail("a degree " + std::to_string(curve.degree) + " curve needs at least " +
                    std::to_string(curve.degree + 1) + " control points");
    if (curve.knots.size() != n + curve.degree - 1)
        return fail("expected " + std::to_string(n + curve.degree - 1) + " knots, got " +
                    std::to_string(curve.knots.size()));
    for (size_t i = 0; i < curve.knots.size(); ++i) {
        if (!std::isfinite(curve.knots[i])) return fail("knots must be finite");
        if (i > 0 && curve.knots[i] < curve.knots[i - 1]) return fail("knots must not decrease");
    }
    if (curve.knots[n - 1] <= curve.knots[curve.degree - 1])
        return fail("the knot domain is empty");
    if (!curve.weights.empty()) {
        if (curve.weights.size() != n) return fail("one weight per control point is needed");
        for (double w : curve.weights)
            if (!(w > 0.0) || !std::isfinite(w)) return fail("weights must be positive");
    }
    return true;
}

void knotDomain(const NurbsCurve& curve, double& start, double& end) {
    start = curve.knots[curve.degree - 1];
    end = curve.knots[curve.cvs.size() - 1];
}

Vec3 evaluate(const NurbsCurve& curve, double t) {
    const int p = curve.degree;
    const int n = static_cast<int>(curve.cvs.size());
    double start, end;
    knotDomain(curve, start, end);
    t = std::clamp(t, start, end);
    // The span k with U[k] <= t < U[k+1] in the full vector, p <= k <= n - 1.
    int k = p;
    while (k < n - 1 && fullKnot(curve, k + 1) <= t) ++k;
    // de Boor in homogeneous coordinates.
    const bool rational = !curve.weights.empty();
    double pts[kMaxDegree + 1][4];
    for (int j = 0; j <= p; ++j) {
        const int i = k - p + j;
        const double w = rational ? curve.weights[i] : 1.0;
        pts[j][0] = curve.cvs[i].x * w, pts[j][1] = curve.cvs[i].y * w,
        pts[j][2] = curve.cvs[i].z * w, pts[j][3] = w;
    }
    for (int r = 1; r <= p; ++r)
        for (int j = p; j >= r; --j) {
            const int i = k - p + j;
            const double u0 = fullKnot(curve, i), u1 = fullKnot(curve, i + p - r + 1);
            const double a = u1 > u0 ? (t - u0) / (u1 - u0) : 0.0;
            for (int c = 0; c < 4; ++c) pts[j][c] = (1.0 - a) * pts[j - 1][c] + a * pts[j][c];
        }
    const double w = pts[p][3];
    return {pts[p][0] / w, pts[p][1] / w, pts[p][2] / w};
}

bool closeCurve(NurbsCurve& curve, std::string* error) {
    if (curve.form != CurveForm::Open) {
        if (error) *error = "the curve is already closed";
        return false;
    }
    if (curve.degree != 1) {
        if (error) *error = "only degree-1 curves can be closed";
        return false;
    }
    const size_t n = curve.knots.size();
    const double step = n >= 2 ? curve.knots[n - 1] - curve.knots[n - 2] : 1.0;
    curve.knots.push_back(curve.knots.back() + (step > 0.0 ? step : 1.0));
    curve.cvs.push_back(curve.cvs.front());
    if (!curve.weights.empty()) curve.weights.push_back(curve.weights.front());
    curve.form = CurveForm::Closed;
    return true;
}

}  // namespace tarn::nurbs
