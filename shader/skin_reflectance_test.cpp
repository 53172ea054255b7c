#include "shader/skin_reflectance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shader/scattering_lookup.h"

namespace dermal {
namespace {

constexpr double kQuarterPi = 0.7853981633974483;

TEST(FresnelReflectance, HandDerivedValues) {
    struct Case {
        double c, n, want;
        const char* derivation;
    };
    const Case cases[] = {
        // s = 0, d = n: rs = (1 - n)/(1 + n), rp = (n^2 - n)/(n^2 + n) = (n - 1)/(n + 1).
        {1.0, 1.4, 1.0 / 36.0, "head-on, n = 1.4: rs = -0.4/2.4, rp = 0.4/2.4 -> 1/36"},
        {1.0, 1.5, 0.04, "head-on, n = 1.5: rs = -0.2, rp = 0.2 -> 0.04"},
        // s^2 = 0.75, d = sqrt(2.25 - 0.75) = 1.2247449; rs = -0.7247449/1.7247449 = -0.4202041,
        // rp = (1.125 - 1.2247449)/(1.125 + 1.2247449) = -0.0424492; (0.1765715 + 0.0018019)/2.
        {0.5, 1.5, 0.0891867128, "60 degrees, n = 1.5"},
        // s^2 = 0.5, d = sqrt(1.75) = 1.3228757; rs = -0.6157688/2.0299825 = -0.3033371,
        // rp = (1.5909903 - 1.3228757)/2.9138660 = 0.0920131; (0.0920134 + 0.0084664)/2.
        {std::sqrt(0.5), 1.5, 0.0502399110, "45 degrees, n = 1.5"},
        // c = 0: rs = -d/d = -1 and rp = -1.
        {0.0, 1.5, 1.0, "grazing reflects everything"},
        {-0.3, 1.5, 1.0, "negative cosines count as grazing"},
        // n^2 - s^2 = 0.25 - 0.75 < 0.
        {0.5, 0.5, 1.0, "total internal reflection"},
        // s^2 = 0.19, d = sqrt(0.06) = 0.2449490; rs = 0.6550510/1.1449490 = 0.5721223,
        // rp = (0.225 - 0.2449490)/0.4699490 = -0.0424493; (0.3273239 + 0.0018020)/2.
        {0.9, 0.5, 0.1645630244, "inside the critical angle from the dense side"},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(fresnelReflectance(c.c, c.n), c.want, 1e-9) << c.derivation;
}

TEST(MaskingTerm, HandDerivedValues) {
    // theta = 45 degrees: m = 1/tan = 1; exp(-1/s^2) * s / sqrt(6.2831854).
    EXPECT_NEAR(maskingTerm(0.5, kQuarterPi), std::exp(-4.0) * 0.5 / std::sqrt(6.2831854), 1e-15);
    EXPECT_NEAR(maskingTerm(1.0, kQuarterPi), 0.146762662, 1e-9);
    // Near the normal m is capped at 99999.99999999999 and the term vanishes.
    EXPECT_EQ(maskingTerm(0.9, 0.0), 0.0);
    EXPECT_EQ(maskingTerm(0.9, -1e-7), 0.0);
    // The term only depends on |theta|.
    EXPECT_EQ(maskingTerm(0.7, -0.9), maskingTerm(0.7, 0.9));
}

TEST(ShadowingTerm, WeighsTheSteeperAngleFully) {
    EXPECT_EQ(shadowingTerm(0.5, 0.0, 0.0), 1.0);
    const double steep = maskingTerm(1.0, 1.2), shallow = maskingTerm(1.0, 0.3);
    EXPECT_DOUBLE_EQ(shadowingTerm(1.0, 0.3, 1.2), 1.0 / (1.0 + steep + 0.5 * shallow));
    EXPECT_DOUBLE_EQ(shadowingTerm(1.0, 1.2, 0.3), shadowingTerm(1.0, 0.3, 1.2));
    // Towards grazing the factor falls steadily.
    EXPECT_GT(shadowingTerm(1.0, 1.0, 1.0), shadowingTerm(1.0, 1.3, 1.3));
    EXPECT_LT(shadowingTerm(1.0, 1.5, 1.5), 0.2);
}

TEST(SpecularLobe, HandDerivedValues) {
    struct Case {
        double s, thetaI, phiI, thetaR, phiR, want;
        const char* derivation;
    };
    const Case cases[] = {
        // H = N, cb = 1, cu = 1, w = 0, masking 0: F(1, 1.5) / (4 * 6.2831854 * s^2).
        {0.5, 0.0, 0.0, 0.0, 0.0, 0.04 / (4 * 6.2831854 * 0.25), "head-on mirror"},
        {0.5, 0.0, 0.0, 0.0, 2.0, 0.04 / (4 * 6.2831854 * 0.25), "azimuth of a normal view"},
        // Mirror at 45 degrees: H = N, cb = cos 45, shadowing 1/(1 + 1.5 * 0.0036534413) =
        // 0.9945497; F(cos 45, 1.5) / (0.25 * 6.2831854) / (4 cos 45) * G / cos^2 45.
        {0.5, kQuarterPi, 0.0, kQuarterPi, 3.141592653589793, 0.0224926421, "45 degree mirror"},
        {0.0, 0.3, 0.0, 0.3, 3.14, 0.0, "roughness 0 switches the lobe off"},
        {9e-6, 0.3, 0.0, 0.3, 3.14, 0.0, "roughness below 1e-5 as well"},
        {-0.2, 0.3, 0.0, 0.3, 3.14, 0.0, "negative roughness as well"},
        {std::nan(""), 0.3, 0.0, 0.3, 3.14, 0.0, "NaN roughness as well"},
        // L = -V: H = 0, Hn falls back to the normal and cb = cos 2.0 < 0.
        {0.5, 2.0, 0.0, 3.141592653589793 - 2.0, 3.141592653589793, 0.0, "opposite directions"},
        // Both horizontal towards the same side: the half vector lies in the surface.
        {0.5, 1.5707963267948966, 0.0, 1.5707963267948966, 0.0, 0.0, "half vector horizontal"},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(specularLobe(c.s, c.thetaI, c.phiI, c.thetaR, c.phiR), c.want, 1e-9)
            << c.derivation;
}

TEST(SpecularLobe, TurningAwayFromTheMirrorAzimuthDimsTheLobe) {
    const double pi = 3.141592653589793;
    const double mirror = specularLobe(0.3, 0.5, 0.0, 0.5, pi);
    const double off = specularLobe(0.3, 0.5, 0.0, 0.5, pi - 0.4);
    const double far = specularLobe(0.3, 0.5, 0.0, 0.5, pi - 1.2);
    EXPECT_GT(mirror, off);
    EXPECT_GT(off, far);
    EXPECT_GT(far, 0.0);
}

TEST(LightResponse, SumsTheTableAndSpecularParts) {
    const double thetaI = 0.6, thetaR = 0.9, phi = 1.1;
    ScatteringCell cell;
    lookupScatteringCell(0.9, 0.5, 0.4, cell);
    const double table = azimuthalSum(cell, thetaI, 0.0, thetaR, phi + 3.1415927);
    const double lobe = specularLobe(0.4, thetaI, 0.0, thetaR, phi);
    ASSERT_GT(table, 0.0);
    ASSERT_GT(lobe, 0.0);
    struct Case {
        double epi, kSub, kSpec, want;
    };
    const Case cases[] = {
        {1.0, 0.0, 0.0, 0.0},
        {0.5, 10.0, 0.0, table * 0.5 * 10.0},
        {0.5, 0.0, 40.0, lobe * 40.0},
        {0.8, 3.0, 20.0, table * 0.8 * 3.0 + lobe * 20.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(lightResponse(c.epi, 0.9, 0.5, 0.4, c.kSub, c.kSpec, thetaI, 0.0, thetaR, phi),
                    c.want, 1e-12 * (1 + c.want));
    // An albedo of 0 leaves the specular part only.
    EXPECT_NEAR(lightResponse(1.0, 0.0, 0.5, 0.4, 10.0, 40.0, thetaI, 0.0, thetaR, phi),
                lobe * 40.0, 1e-12);
}

TEST(AmbientResponse, IsTheHemisphereSumScaled) {
    ScatteringCell cell;
    lookupScatteringCell(0.993, 0.8595, 0.5, cell);
    const double h = hemisphereSum(cell, 0.4);
    ASSERT_GT(h, 0.0);
    EXPECT_NEAR(ambientResponse(0.7, 0.993, 0.8595, 0.5, 10.0, 0.4), h * 7.0, 1e-12);
    EXPECT_EQ(ambientResponse(1.0, 0.0, 0.8595, 0.5, 10.0, 0.4), 0.0);
    EXPECT_EQ(ambientResponse(0.0, 0.993, 0.8595, 0.5, 10.0, 0.4), 0.0);
}

}  // namespace
}  // namespace dermal

namespace dermal {
namespace {

TEST(Responses, PrecomputedCellGivesTheSameResults) {
    ScatteringCell cell;
    lookupScatteringCell(0.979, 0.8541, 0.3, cell);
    for (double theta : {0.1, 0.7, 1.3}) {
        EXPECT_EQ(lightResponse(cell, 0.8, 0.3, 10.0, 40.0, theta, 0.0, 0.5, 2.0),
                  lightResponse(0.8, 0.979, 0.8541, 0.3, 10.0, 40.0, theta, 0.0, 0.5, 2.0));
        EXPECT_EQ(ambientResponse(cell, 0.8, 10.0, theta),
                  ambientResponse(0.8, 0.979, 0.8541, 0.3, 10.0, theta));
    }
}

}  // namespace
}  // namespace dermal
