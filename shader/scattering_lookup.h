#pragma once
// Interpolation of the scattering tables and the two evaluations the shader uses. Pure functions
// of their arguments and the read-only tables: thread-safe, no allocation.

#include "shader/scattering_tables.h"

namespace dermal {

/// Interpolates the cell for albedo, anisotropy and roughness into `cell` (caller's storage):
/// linear between albedo levels, bilinear over the (roughness, anisotropy) grid. Anisotropy and
/// roughness are clamped to [0, 0.9], albedo to 0 and above (NaN counts as 0); albedo 1 and
/// above gives the level-1.0 table alone.
void lookupScatteringCell(double albedo, double anisotropy, double roughness, ScatteringCell& cell);

/// Bicubic Bezier patch of 16 control points (value 4j + i) at column coordinate a (incident
/// cosine) and row coordinate b (exit cosine); a, b nominally in [0, 1].
double patchValue(const double* controlPoints, double a, double b);

/// Reflectance for a light at (thetaI, phiI) and a viewer at (thetaR, phi), radians: the five
/// orders summed with cos(k (phi - phiI)); clamped to 0 and above.
double azimuthalSum(const ScatteringCell& cell, double thetaI, double phiI, double thetaR,
                    double phi);

/// Cosine-weighted sum of order 0 over the incident cosine (the quadrature table) for a viewer
/// at thetaR radians; no 2 pi factor; clamped to 0 and above.
double hemisphereSum(const ScatteringCell& cell, double thetaR);

}  // namespace dermal
