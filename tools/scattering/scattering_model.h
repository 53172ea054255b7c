#pragma once
// Physical model of light scattered back out of a skin-like layer, used offline to produce the
// shader's scattering tables. See README.md in this folder for the model and its assumptions.

#include <array>
#include <vector>

namespace scattering {

inline constexpr int kOrders = 5;          // azimuthal cosine orders 0..4
inline constexpr int kControlPoints = 16;  // bicubic Bezier patch, row-major (row = view cosine)
inline constexpr double kRefractiveIndex = 1.4;

/// One fitted cell: kOrders patches of 16 control points, value 16k + 4j + i.
using FittedCell = std::array<double, kOrders * kControlPoints>;

/// Chandrasekhar's H-function of a conservative or absorbing isotropic half-space.
/// albedo in [0, 1]; evaluate() takes mu in [0, 1]. Not thread-safe to construct, safe to read.
class HFunction {
public:
    explicit HFunction(double albedo);
    /// H(mu) for mu in [0, 1]; >= 1.
    double evaluate(double mu) const;

private:
    double m_albedo;
    std::vector<double> m_nodes, m_weights, m_values;
};

/// Henyey-Greenstein phase function normalised over the sphere (integral 1), cosTheta in [-1, 1].
double henyeyGreenstein(double g, double cosTheta);

/// Unpolarised Fresnel reflectance at cosine c from outside into index n (same formula as the
/// shader's environment term). c in [0, 1]; result in [0, 1].
double fresnel(double c, double n);

/// Reflectance model for one roughness: boundary quadrature is built once and reused for every
/// albedo and anisotropy. Not thread-safe; use one instance per thread.
class LayerModel {
public:
    /// roughness: RMS-like Beckmann slope width alpha >= 0 (0 is a smooth boundary).
    explicit LayerModel(double roughness);

    /// Fits the reflectance of a half-space with single-scattering albedo albedos[n] and HG
    /// anisotropy `g` below this boundary: Fourier orders 0..4 in the azimuth difference, each
    /// fitted by least squares with a bicubic Bezier patch over (incident, exit) cosines.
    std::vector<FittedCell> fit(const std::vector<double>& albedos, double g) const;

private:
    struct Refracted {
        double x, y, z;  // internal travel direction, z > 0 (upward, towards the boundary)
        double weight;   // visible-facet weight times Fresnel transmittance
    };
    // Per sampled external cosine, the internal directions light takes through the facets.
    std::vector<std::vector<Refracted>> m_sides;
};

/// External cosines at which the reflectance is sampled for the fit (both axes).
const std::vector<double>& sampleCosines();

}  // namespace scattering
