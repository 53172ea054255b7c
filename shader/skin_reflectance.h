#pragma once

#include "shader/scattering_tables.h"

// Reflectance terms of the skin shader: Fresnel, the microfacet specular lobe with its masking
// and shadowing, and the per-channel light and ambient responses built on the scattering tables.
// Double precision, angles in radians; pure functions: thread-safe, no allocation.

namespace dermal {

/// Unpolarised Fresnel reflectance for incidence cosine c (below 0 counts as grazing) into
/// refractive index n; 1 under total internal reflection. Range [0, 1].
double fresnelReflectance(double c, double n);

/// Smith-style masking of a microfacet surface of roughness s > 0 seen at polar angle theta.
double maskingTerm(double s, double theta);

/// Combined shadowing-masking factor for the light and view polar angles; range (0, 1].
double shadowingTerm(double s, double thetaA, double thetaB);

/// Microfacet specular reflectance (index 1.5) for roughness s, light (thetaI, phiI) and viewer
/// (thetaR, phiR); 0 for s < 1e-5 and for configurations without a visible half vector.
double specularLobe(double s, double thetaI, double phiI, double thetaR, double phiR);

/// One channel's response to a direct light: table term for albedo `alb`, anisotropy `ani` and
/// roughness `rough` scaled by epi * kSub, plus the specular lobe scaled by kSpec.
double lightResponse(double epi, double alb, double ani, double rough, double kSub, double kSpec,
                     double thetaI, double phiI, double thetaR, double phi);

/// One channel's response to ambient light: the hemispherical table term times epi * kSub.
double ambientResponse(double epi, double alb, double ani, double rough, double kSub,
                       double thetaR);

/// lightResponse with the cell of (alb, ani, rough) already looked up; the same result.
double lightResponse(const ScatteringCell& cell, double epi, double rough, double kSub,
                     double kSpec, double thetaI, double phiI, double thetaR, double phi);

/// The table part of lightResponse alone: azimuthalSum at phi + pi, times epi * kSub.
double subsurfaceResponse(const ScatteringCell& cell, double epi, double kSub, double thetaI,
                          double phiI, double thetaR, double phi);

/// ambientResponse with the cell already looked up; the same result.
double ambientResponse(const ScatteringCell& cell, double epi, double kSub, double thetaR);

}  // namespace dermal
