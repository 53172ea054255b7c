#include "tools/scattering/scattering_model.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace scattering {
namespace {

constexpr int kPhiSamples = 12;     // azimuth samples over [0, pi] (the reflectance is even in phi)
constexpr int kCosineSamples = 13;  // external cosines 0, 1/12, ..., 1
constexpr int kSlopeNodes = 6;      // Gauss-Hermite nodes per slope axis
constexpr int kHNodes = 48;         // Gauss-Legendre nodes for the H-function integral

// Gauss-Legendre rule on [0, 1].
void gaussLegendre01(int n, std::vector<double>& x, std::vector<double>& w) {
    x.assign(n, 0.0);
    w.assign(n, 0.0);
    for (int i = 0; i < n; ++i) {
        double z = std::cos(std::numbers::pi * (i + 0.75) / (n + 0.5));
        double pp = 0.0;
        for (int iter = 0; iter < 100; ++iter) {
            double p1 = 1.0, p2 = 0.0;
            for (int j = 0; j < n; ++j) {
                const double p3 = p2;
                p2 = p1;
                p1 = ((2.0 * j + 1.0) * z * p2 - j * p3) / (j + 1.0);
            }
            pp = n * (z * p1 - p2) / (z * z - 1.0);
            const double z1 = z;
            z = z1 - p1 / pp;
            if (std::fabs(z - z1) < 1e-15) break;
        }
        x[i] = 0.5 * (1.0 - z);
        w[i] = 1.0 / ((1.0 - z * z) * pp * pp);  // 2/((1-z^2)pp^2) scaled to [0, 1]
    }
}

// Gauss-Hermite rule for the weight exp(-x^2) on the real line (weights sum to sqrt(pi)).
void gaussHermite(int n, std::vector<double>& x, std::vector<double>& w) {
    const double kPiM4 = 0.7511255444649425;  // pi^(-1/4)
    x.assign(n, 0.0);
    w.assign(n, 0.0);
    double z = 0.0;
    for (int i = 0; i < (n + 1) / 2; ++i) {
        if (i == 0)
            z = std::sqrt(2.0 * n + 1.0) - 1.85575 * std::pow(2.0 * n + 1.0, -0.16667);
        else if (i == 1)
            z -= 1.14 * std::pow(double(n), 0.426) / z;
        else if (i == 2)
            z = 1.86 * z - 0.86 * x[0];
        else if (i == 3)
            z = 1.91 * z - 0.91 * x[1];
        else
            z = 2.0 * z - x[i - 2];
        double pp = 0.0;
        for (int iter = 0; iter < 100; ++iter) {
            double p1 = kPiM4, p2 = 0.0;
            for (int j = 0; j < n; ++j) {
                const double p3 = p2;
                p2 = p1;
                p1 = z * std::sqrt(2.0 / (j + 1)) * p2 - std::sqrt(double(j) / (j + 1)) * p3;
            }
            pp = std::sqrt(2.0 * n) * p2;
            const double z1 = z;
            z = z1 - p1 / pp;
            if (std::fabs(z - z1) < 3e-14) break;
        }
        x[i] = z;
        x[n - 1 - i] = -z;
        w[i] = w[n - 1 - i] = 2.0 / (pp * pp);
    }
}

double bernstein(int i, double s) {
    const double t = 1.0 - s;
    switch (i) {
        case 0:
            return t * t * t;
        case 1:
            return 3.0 * s * t * t;
        case 2:
            return 3.0 * s * s * t;
        default:
            return s * s * s;
    }
}

// Least-squares operator G (4 x kCosineSamples) of a cubic Bernstein fit on the sample cosines:
// control points = G * samples.
std::array<std::array<double, kCosineSamples>, 4> bezierFitOperator() {
    const auto& mu = sampleCosines();
    double ata[4][8] = {};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            for (double m : mu) ata[r][c] += bernstein(r, m) * bernstein(c, m);
        ata[r][4 + r] = 1.0;
    }
    // Invert the 4x4 normal matrix by Gauss-Jordan elimination (it is well conditioned).
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(ata[r][c]) > std::fabs(ata[pivot][c])) pivot = r;
        for (int k = 0; k < 8; ++k) std::swap(ata[c][k], ata[pivot][k]);
        const double d = ata[c][c];
        for (int k = 0; k < 8; ++k) ata[c][k] /= d;
        for (int r = 0; r < 4; ++r) {
            if (r == c) continue;
            const double f = ata[r][c];
            for (int k = 0; k < 8; ++k) ata[r][k] -= f * ata[c][k];
        }
    }
    std::array<std::array<double, kCosineSamples>, 4> g{};
    for (int r = 0; r < 4; ++r)
        for (int s = 0; s < kCosineSamples; ++s) {
            double sum = 0.0;
            for (int c = 0; c < 4; ++c) sum += ata[r][4 + c] * bernstein(c, mu[s]);
            g[r][s] = sum;
        }
    return g;
}

}  // namespace

const std::vector<double>& sampleCosines() {
    static const std::vector<double> mu = [] {
        std::vector<double> v(kCosineSamples);
        for (int k = 0; k < kCosineSamples; ++k) v[k] = double(k) / (kCosineSamples - 1);
        return v;
    }();
    return mu;
}

HFunction::HFunction(double albedo) : m_albedo(albedo) {
    gaussLegendre01(kHNodes, m_nodes, m_weights);
    m_values.assign(kHNodes, 1.0);
    // Iterate H(mu) = 1 / (1 - a/2 * mu * integral H(mu') / (mu + mu') dmu') upwards from H = 1:
    // it converges monotonically to the physical solution, also for a = 1. After every step
    // the zeroth moment integral H = 2 (1 - sqrt(1 - a)) / a is imposed, which removes the slow
    // drift of the conservative case.
    const double moment = albedo > 0.0 ? 2.0 * (1.0 - std::sqrt(1.0 - albedo)) / albedo : 1.0;
    for (int iter = 0; iter < 100000; ++iter) {
        double change = 0.0;
        std::vector<double> next(kHNodes);
        double sum = 0.0;
        for (int i = 0; i < kHNodes; ++i) {
            next[i] = evaluate(m_nodes[i]);
            sum += m_weights[i] * next[i];
        }
        for (int i = 0; i < kHNodes; ++i) {
            next[i] = 1.0 + (next[i] - 1.0) * (moment - 1.0) / (sum - 1.0 + 1e-300);
            change = std::max(change, std::fabs(next[i] - m_values[i]));
        }
        m_values = next;
        if (change < 1e-14) return;
    }
}

double HFunction::evaluate(double mu) const {
    double integral = 0.0;
    for (int j = 0; j < kHNodes; ++j) integral += m_weights[j] * m_values[j] / (mu + m_nodes[j]);
    return 1.0 / (1.0 - 0.5 * m_albedo * mu * integral);
}

double henyeyGreenstein(double g, double cosTheta) {
    const double d = 1.0 + g * g - 2.0 * g * cosTheta;
    return (1.0 - g * g) / (4.0 * std::numbers::pi * d * std::sqrt(d));
}

double fresnel(double c, double n) {
    double s;
    if (c < 0.0) {
        c = 0.0;
        s = 1.0;
    } else if (c >= 1.0) {
        s = 0.0;
    } else {
        s = std::sqrt(1.0 - c * c);
    }
    const double t = n * n - s * s;
    if (t < 0.0) return 1.0;
    const double d = std::sqrt(t);
    const double rs = (c - d) / (c + d);
    const double rp = (n * n * c - d) / (n * n * c + d);
    return 0.5 * (rs * rs + rp * rp);
}

LayerModel::LayerModel(double roughness) {
    std::vector<double> hx, hw;
    gaussHermite(kSlopeNodes, hx, hw);
    const double eta = kRefractiveIndex;
    for (double mu : sampleCosines()) {
        const double ox = std::sqrt(std::max(0.0, 1.0 - mu * mu)), oz = mu;
        std::vector<Refracted> side;
        double total = 0.0;
        // Facet normals from Beckmann slopes (alpha = roughness): slope = alpha * hermite node.
        const int n = roughness > 0.0 ? kSlopeNodes : 1;
        for (int a = 0; a < n; ++a) {
            for (int b = 0; b < n; ++b) {
                double mx = 0.0, my = 0.0, mz = 1.0, w = 1.0;
                if (roughness > 0.0) {
                    mx = -roughness * hx[a];
                    my = -roughness * hx[b];
                    const double len = std::sqrt(mx * mx + my * my + 1.0);
                    mx /= len;
                    my /= len;
                    mz = 1.0 / len;
                    w = hw[a] * hw[b] / std::numbers::pi;
                }
                // Projected area of the facet seen from the outside direction.
                const double cosI = ox * mx + oz * mz;
                if (cosI <= 0.0) continue;
                const double visible = w * cosI / mz;
                total += visible;
                // Refract the incoming travel direction -o through the facet.
                const double sin2T = (1.0 - cosI * cosI) / (eta * eta);
                const double cosT = std::sqrt(1.0 - sin2T);
                const double k = cosI / eta - cosT;
                const double tx = -ox / eta + k * mx, ty = k * my, tz = -oz / eta + k * mz;
                if (tz >= -1e-9) continue;  // leaves the layer again through a steep facet
                side.push_back({-tx, -ty, -tz, visible * (1.0 - fresnel(cosI, eta))});
            }
        }
        if (total > 0.0)
            for (auto& r : side) r.weight /= total;
        m_sides.push_back(std::move(side));
    }
}

std::vector<FittedCell> LayerModel::fit(const std::vector<double>& albedos, double g) const {
    const int nc = kCosineSamples;
    // Single-scattering part per unit albedo, sampled over (incident, exit, phi).
    std::vector<double> single(nc * nc * kPhiSamples, 0.0);
    double cosPhi[kPhiSamples], sinPhi[kPhiSamples];
    for (int m = 0; m < kPhiSamples; ++m) {
        const double phi = (m + 0.5) * std::numbers::pi / kPhiSamples;
        cosPhi[m] = std::cos(phi);
        sinPhi[m] = std::sin(phi);
    }
    for (int p = 0; p < nc; ++p)
        for (int q = 0; q < nc; ++q)
            for (const Refracted& in : m_sides[p])
                for (const Refracted& out : m_sides[q]) {
                    // Light travels down along (in.x, -in.y, -in.z) and up along the rotated out.
                    const double w = in.weight * out.weight / (in.z + out.z);
                    double* dst = &single[(p * nc + q) * kPhiSamples];
                    for (int m = 0; m < kPhiSamples; ++m) {
                        const double dx = out.x * cosPhi[m] - out.y * sinPhi[m];
                        const double dy = out.x * sinPhi[m] + out.y * cosPhi[m];
                        const double cosTheta = in.x * dx - in.y * dy - in.z * out.z;
                        dst[m] += w * henyeyGreenstein(g, cosTheta);
                    }
                }

    static const auto op = bezierFitOperator();
    std::vector<FittedCell> cells;
    for (double albedo : albedos) {
        // Multiple scattering: H-function of the similarity albedo, minus its own single
        // scattering, which the exact anisotropic term above replaces.
        const double reduced = albedo * (1.0 - g) / (1.0 - albedo * g);
        const HFunction h(reduced);
        std::vector<std::vector<double>> hv(nc);
        for (int p = 0; p < nc; ++p)
            for (const Refracted& r : m_sides[p]) hv[p].push_back(h.evaluate(r.z));

        // Fourier coefficients per order at every (incident, exit) sample.
        std::vector<double> coeff(kOrders * nc * nc, 0.0);
        for (int p = 0; p < nc; ++p)
            for (int q = 0; q < nc; ++q) {
                double multiple = 0.0;
                for (size_t a = 0; a < m_sides[p].size(); ++a)
                    for (size_t b = 0; b < m_sides[q].size(); ++b) {
                        const Refracted& in = m_sides[p][a];
                        const Refracted& out = m_sides[q][b];
                        multiple +=
                            in.weight * out.weight * (hv[p][a] * hv[q][b] - 1.0) / (in.z + out.z);
                    }
                multiple *= reduced / (4.0 * std::numbers::pi);
                const double* s = &single[(p * nc + q) * kPhiSamples];
                for (int k = 0; k < kOrders; ++k) {
                    double sum = 0.0;
                    for (int m = 0; m < kPhiSamples; ++m) {
                        const double phi = (m + 0.5) * std::numbers::pi / kPhiSamples;
                        const double r = albedo * s[m] + (k == 0 ? multiple : 0.0);
                        sum += r * std::cos(k * phi);
                    }
                    coeff[(k * nc + p) * nc + q] = sum * (k == 0 ? 1.0 : 2.0) / kPhiSamples;
                }
            }

        // Least-squares bicubic patch per order: row j over the exit cosine, column i incident.
        FittedCell cell{};
        for (int k = 0; k < kOrders; ++k)
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) {
                    double sum = 0.0;
                    for (int p = 0; p < nc; ++p)
                        for (int q = 0; q < nc; ++q)
                            sum += op[j][q] * op[i][p] * coeff[(k * nc + p) * nc + q];
                    cell[k * kControlPoints + 4 * j + i] = sum;
                }
        cells.push_back(cell);
    }
    return cells;
}

}  // namespace scattering
