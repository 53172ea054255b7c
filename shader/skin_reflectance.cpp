#include "shader/skin_reflectance.h"

#include <algorithm>
#include <cmath>

#include "shader/scattering_lookup.h"

namespace dermal {
namespace {

// The shader's constants, used as written rather than as full-precision pi values.
constexpr double kTwoPi = 6.2831854;
constexpr double kPi = 3.1415927;

}  // namespace

double fresnelReflectance(double c, double n) {
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

double maskingTerm(double s, double theta) {
    const double t = std::tan(std::fabs(theta));
    const double m = t < 1e-5 ? 99999.99999999999 : 1.0 / t;
    return std::exp(-(m * m) / (s * s)) * s / (std::sqrt(kTwoPi) * m);
}

double shadowingTerm(double s, double thetaA, double thetaB) {
    return 1.0 / (1.0 + maskingTerm(s, std::max(thetaA, thetaB)) +
                  0.5 * maskingTerm(s, std::min(thetaA, thetaB)));
}

double specularLobe(double s, double thetaI, double phiI, double thetaR, double phiR) {
    if (!(s >= 1e-5)) return 0.0;  // also keeps a NaN roughness out of the result
    // Build the light, view and half vectors.
    const double sinI = std::sin(thetaI), cosI = std::cos(thetaI);
    const double sinR = std::sin(thetaR), cosR = std::cos(thetaR);
    const double lx = sinI * std::cos(phiI), ly = sinI * std::sin(phiI), lz = cosI;
    const double vx = sinR * std::cos(phiR), vy = sinR * std::sin(phiR), vz = cosR;
    double hx = lx + vx, hy = ly + vy, hz = lz + vz;
    const double len = std::sqrt(hx * hx + hy * hy + hz * hz);
    if (len > 1e-8) {
        hx /= len, hy /= len, hz /= len;
    } else {
        hx = 0.0, hy = 0.0, hz = 1.0;
    }
    const double cb = hx * lx + hy * ly + hz * lz;
    if (cb <= 0.0) return 0.0;
    // Slope of the half vector against the Gaussian facet distribution.
    const double ch = hz;
    double cu;
    if (ch >= 1.0)
        cu = 1.0;
    else if (ch < 1e-8)
        return 0.0;
    else
        cu = ch;
    const double sh = std::sqrt(1.0 - ch * ch);
    const double w = sh / cu / s;
    double value = fresnelReflectance(cb, 1.5) * std::exp(-0.5 * w * w) /
                   (s * kTwoPi * s * cu * cu * cu) / (4.0 * cb) * shadowingTerm(s, thetaI, thetaR);
    if (cosI > 1e-8) value /= cosI;
    if (cosR > 1e-8) value /= cosR;
    return value;
}

double subsurfaceResponse(const ScatteringCell& cell, double epi, double kSub, double thetaI,
                          double phiI, double thetaR, double phi) {
    // The table measures the azimuth from the light's travel direction, hence the half turn.
    return azimuthalSum(cell, thetaI, phiI, thetaR, phi + kPi) * epi * kSub;
}

double lightResponse(const ScatteringCell& cell, double epi, double rough, double kSub,
                     double kSpec, double thetaI, double phiI, double thetaR, double phi) {
    const double subsurface = subsurfaceResponse(cell, epi, kSub, thetaI, phiI, thetaR, phi);
    const double specular = specularLobe(rough, thetaI, phiI, thetaR, phi) * kSpec;
    return subsurface + specular;
}

double ambientResponse(const ScatteringCell& cell, double epi, double kSub, double thetaR) {
    return hemisphereSum(cell, thetaR) * (epi * kSub);
}

double lightResponse(double epi, double alb, double ani, double rough, double kSub, double kSpec,
                     double thetaI, double phiI, double thetaR, double phi) {
    ScatteringCell cell;
    lookupScatteringCell(alb, ani, rough, cell);
    return lightResponse(cell, epi, rough, kSub, kSpec, thetaI, phiI, thetaR, phi);
}

double ambientResponse(double epi, double alb, double ani, double rough, double kSub,
                       double thetaR) {
    ScatteringCell cell;
    lookupScatteringCell(alb, ani, rough, cell);
    return ambientResponse(cell, epi, kSub, thetaR);
}

}  // namespace dermal
