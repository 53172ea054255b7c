// DermalShade shading through the graph: golden samples worked out by hand from the shading
// formulas and the reference cells of the tables, and the handling of the light-data array (no
// lights, gaps in logical indices, per-light flags, default and removed elements).

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "shader/dermal_shade_test_fixture.h"

namespace {

using dermal_test::DermalShadeFixture;
using dermal_test::Light;

// Reference cells (order 0, value 4j + i) the compiled tables are calibrated to. This one is
// isotropic (anisotropy sample 0): its azimuthal orders are all zero.
const double kLevel1Rough0Aniso0[16] = {
    0.000876487, 0.024184, 0.0136598, 0.0171131, 0.024184,  0.667357, 0.376692, 0.471746,
    0.0136598,   0.376692, 0.213496,  0.267952,  0.0171131, 0.471746, 0.267952, 0.336767};
// Roughness 0.9, anisotropy 0.9 of level 1.0: order 0 alone, which is all the ambient term reads.
const double kLevel1Rough9Aniso9[16] = {0.243071, 0.252329, 0.207927, 0.212308, 0.215005, 0.289545,
                                        0.238051, 0.248195, 0.22292,  0.294866, 0.268713, 0.279522,
                                        0.292188, 0.402129, 0.379593, 0.40251};

// Half of a 32-point Gauss-Legendre rule, to six digits, as the hemisphere sum uses it.
const double kNodes[16] = {0.0483077, 0.144472, 0.239287, 0.331869, 0.421351, 0.5069,
                           0.587716,  0.663044, 0.732182, 0.794484, 0.849368, 0.896321,
                           0.934906,  0.964762, 0.985612, 0.997264};
const double kWeights[16] = {0.0965401, 0.0956387, 0.0938444, 0.0911739, 0.0876521, 0.0833119,
                             0.0781939, 0.0723458, 0.0658222, 0.0586841, 0.0509981, 0.0428359,
                             0.0342739, 0.0253921, 0.0162744, 0.00701861};

double bernstein(int i, double s) {
    const double t = 1.0 - s;
    const double b[4] = {t * t * t, 3 * s * t * t, 3 * s * s * t, s * s * s};
    return b[i];
}

// The bicubic patch at incident cosine a (column) and view cosine b (row).
double patch(const double* p, double a, double b) {
    double sum = 0.0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) sum += bernstein(j, b) * bernstein(i, a) * p[4 * j + i];
    return sum;
}

double hemisphere(const double* p, double b) {
    double sum = 0.0;
    for (int n = 0; n < 16; ++n) sum += patch(p, kNodes[n], b) * kWeights[n] * kNodes[n];
    return sum;
}

constexpr float kSin60 = 0.8660254f;
constexpr float kCos45 = 0.70710678f;

class DermalShadeLights : public DermalShadeFixture {
protected:
    // Albedo 1 and anisotropy 0 in every channel, roughness 0: the shader reads exactly the
    // isotropic reference cell of level 1.0, and the specular lobe is off.
    void isotropicWhiteSkin() {
        set3(DermalShade::dermis, 1, 1, 1);
        set3(DermalShade::anisotropy, 0, 0, 0);
        set(DermalShade::roughness, 0.0f);
    }
    // Albedo 0 leaves only the specular lobe (roughness 0.5).
    void specularOnlySkin() {
        set3(DermalShade::dermis, 0, 0, 0);
        set(DermalShade::roughness, 0.5f);
    }
    void expectColour(const KFloatVector& got, const double want[3], const char* what) {
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[c], want[c], 2e-6 * (1.0 + std::fabs(want[c]))) << what << " " << c;
    }
};

TEST_F(DermalShadeLights, SubsurfaceGoldenSamples) {
    struct Case {
        const char* what;
        KFloatVector point;  // the view vector is -point, the normal +z
        Light light;
        double perUnitEpidermis;  // expected colour for epidermis 1 and intensity 1
    };
    // kSub = 10 (default), kA = 0.5 (default). A view or light along the normal has cosine 1
    // and picks row or column 3 of the patch alone.
    const Case cases[] = {
        // thetaI = thetaR = 0: the corner P[15]; x = 1. 0.336767 * 10.
        {"head-on light and view",
         {0, 0, -1},
         {{0, 0, 1}, {1, 1, 1}, false, true, false},
         0.336767 * 10},
        // a = 0.5, b = 1: (P12 + 3 P13 + 3 P14 + P15) / 8 = 0.3216217625; times 10 and x = 0.5.
        {"light at 60 degrees",
         {0, 0, -1},
         {{0, kSin60, 0.5f}, {1, 1, 1}, false, true, false},
         0.3216217625 * 10 * 0.5},
        // a = b = 0.5: the patch at the centre, 0.3085195857; the azimuth does not matter.
        {"light and view at 60 degrees",
         {-kSin60, 0, -0.5f},
         {{-kSin60, 0, 0.5f}, {1, 1, 1}, false, true, false},
         0.3085195857 * 10 * 0.5},
        {"same, light turned 90 degrees",
         {-kSin60, 0, -0.5f},
         {{0, kSin60, 0.5f}, {1, 1, 1}, false, true, false},
         0.3085195857 * 10 * 0.5},
        // Ambient at b = 1: sum of w_n x_n (row 3 at x_n) = 0.1555844221; times 10 and kA.
        {"ambient, head-on view",
         {0, 0, -1},
         {{0, 0, 1}, {1, 1, 1}, true, false, false},
         0.1555844221 * 10 * 0.5},
        // Ambient at b = 0.5: 0.1489832739.
        {"ambient, view at 60 degrees",
         {-kSin60, 0, -0.5f},
         {{0, 0, 1}, {1, 1, 1}, true, false, false},
         0.1489832739 * 10 * 0.5},
        // A light below the surface keeps its ambient part only.
        {"ambient and diffuse from below",
         {0, 0, -1},
         {{0, 0, -1}, {1, 1, 1}, true, true, true},
         0.1555844221 * 10 * 0.5},
        {"every flag off", {0, 0, -1}, {{0, 0, 1}, {5, 5, 5}, false, false, false}, 0.0},
    };
    // The reference computation agrees with the worked numbers above.
    ASSERT_NEAR(patch(kLevel1Rough0Aniso0, 0.5, 1.0), 0.3216217625, 1e-10);
    ASSERT_NEAR(patch(kLevel1Rough0Aniso0, 0.5, 0.5), 0.3085195857, 1e-10);
    ASSERT_NEAR(hemisphere(kLevel1Rough0Aniso0, 1.0), 0.1555844221, 1e-10);
    ASSERT_NEAR(hemisphere(kLevel1Rough0Aniso0, 0.5), 0.1489832739, 1e-10);

    isotropicWhiteSkin();
    set3(DermalShade::epidermis, 1.0f, 0.5f, 0.25f);
    for (const Case& c : cases) {
        view(c.point.x, c.point.y, c.point.z);
        Light light = c.light;
        light.intensity = {1.0f, 2.0f, 4.0f};
        addLight(0, light);
        // Epidermis and intensity multiply per channel: (1, 0.5, 0.25) x (1, 2, 4) = 1 each.
        const double want[3] = {c.perUnitEpidermis, c.perUnitEpidermis, c.perUnitEpidermis};
        expectColour(shade(), want, c.what);
    }
}

TEST_F(DermalShadeLights, AmbientAtTheLastGridSampleIsNotExtrapolated) {
    // Roughness 0.95 (beyond the slider's limit) and anisotropy 1.2 (g = 1.08) both stop at the
    // last sample: the cell is exactly level 1.0, roughness 0.9, anisotropy 0.9. Ambient needs
    // order 0 only: at b = 1 the sum of w_n x_n (row 3 at x_n) is 0.1923774040.
    ASSERT_NEAR(hemisphere(kLevel1Rough9Aniso9, 1.0), 0.1923774040, 1e-10);
    set3(DermalShade::dermis, 1, 1, 1);
    set3(DermalShade::anisotropy, 1.2f, 1.2f, 1.2f);
    set(DermalShade::roughness, 0.95f);
    set(DermalShade::Ambient, 1.0f);
    view(0, 0, -1);
    addLight(0, {{0, 0, 1}, {1, 1, 1}, true, false, false});
    const double want[3] = {1.923774040, 1.923774040, 1.923774040};
    expectColour(shade(), want, "last sample");
    // Roughness 5 reads the same cell.
    set(DermalShade::roughness, 5.0f);
    expectColour(shade(), want, "roughness 5");
}

TEST_F(DermalShadeLights, AlbedoBetweenZeroAndTheFirstLevelIsLinear) {
    // Albedo 0.05 is half of the level-0.1 cell; its corner P[15] is 0.00186116.
    set3(DermalShade::dermis, 0.05f, 0.1f, 0.0f);
    set3(DermalShade::anisotropy, 0, 0, 0);
    set(DermalShade::roughness, 0.0f);
    view(0, 0, -1);
    addLight(0, {{0, 0, 1}, {1, 1, 1}, false, true, false});
    const double want[3] = {0.5 * 0.00186116 * 10, 0.00186116 * 10, 0.0};
    const KFloatVector got = shade();
    expectColour(got, want, "albedo 0.05, 0.1, 0");
    EXPECT_EQ(got.z, 0.0f);  // the albedo-0 level is all zeros
}

TEST_F(DermalShadeLights, SpecularGoldenSamples) {
    struct Case {
        const char* what;
        KFloatVector point;
        KFloatVector direction;
        double want;
    };
    // kSpec = 40 * Surface = 40. Head-on: H = N, cb = cu = 1, w = 0, no masking:
    // F(1, 1.5) / (0.5 * 6.2831854 * 0.5) / 4 = 0.04 / 6.2831854.
    // Mirror at 45 degrees (phi = pi): F(cos 45, 1.5) = 0.0502399, shadowing 0.9945497, lobe
    // 0.0224926421 (two divisions by cos 45 included), times x = cos 45.
    // Light at 45 degrees, head-on view: Hn at 22.5 degrees, w = tan 22.5 / 0.5, lobe
    // 0.0088317843, times x = cos 45.
    const Case cases[] = {
        {"head-on", {0, 0, -1}, {0, 0, 1}, 0.04 / 6.2831854 * 40},
        {"45 degree mirror", {kCos45, 0, -kCos45}, {kCos45, 0, kCos45}, 0.0224926421 * 40 * kCos45},
        {"45 degree light, head-on view",
         {0, 0, -1},
         {0, kCos45, kCos45},
         0.0088317843 * 40 * kCos45},
    };
    specularOnlySkin();
    for (const Case& c : cases) {
        view(c.point.x, c.point.y, c.point.z);
        addLight(0, {c.direction, {1, 0.5f, 2}, false, false, true});
        const double want[3] = {c.want, c.want * 0.5, c.want * 2};
        expectColour(shade(), want, c.what);
        // The specular gain scales the lobe linearly.
        set(DermalShade::Surface, 0.25f);
        const double quarter[3] = {want[0] / 4, want[1] / 4, want[2] / 4};
        expectColour(shade(), quarter, c.what);
        set(DermalShade::Surface, 1.0f);
    }
}

TEST_F(DermalShadeLights, EnvironmentAtSixtyDegrees) {
    // u = 0.5, n = 1.4: s^2 = 0.75, d = sqrt(1.96 - 0.75) = 1.1; rs = -0.6 / 1.6 = -0.375,
    // rp = (0.98 - 1.1) / 2.08 = -0.0576923; F = (0.140625 + 0.0033284) / 2 = 0.0719767.
    view(-kSin60, 0, -0.5f);
    set3(DermalShade::reflectedColor, 1.0f, 0.5f, 0.0f);
    set(DermalShade::reflectivity, 2.0f);
    const double f = 0.07197670118;
    const double want[3] = {2 * f, f, 0.0};
    expectColour(shade(), want, "no lights: environment alone");
}

// Lights at logical indices with gaps are all walked, in any order of creation; together they
// give the sum of their parts, plus the environment term.
TEST_F(DermalShadeLights, GappedLogicalIndicesSumEveryLight) {
    isotropicWhiteSkin();
    view(-kSin60, 0, -0.5f);
    set3(DermalShade::reflectedColor, 1, 1, 1);
    const double environment = 0.07197670118;
    const double direct = 0.3085195857 * 10 * 0.5;   // light at 60 degrees, view at 60 degrees
    const double ambient = 0.1489832739 * 10 * 0.5;  // view at 60 degrees
    struct Placed {
        unsigned index;
        Light light;
    };
    const Placed lights[] = {
        {7, {{-kSin60, 0, 0.5f}, {1, 1, 1}, false, true, false}},
        {2, {{0, 0, 1}, {2, 2, 2}, true, false, false}},
        {12, {{0, kSin60, 0.5f}, {0, 1, 3}, true, true, false}},
        {4, {{0, 0, 1}, {9, 9, 9}, false, false, false}},  // every flag off
    };
    for (const Placed& p : lights) addLight(p.index, p.light);
    const double want[3] = {environment + direct + 2 * ambient,
                            environment + direct + 2 * ambient + (ambient + direct),
                            environment + direct + 2 * ambient + 3 * (ambient + direct)};
    expectColour(shade(), want, "four lights at 2, 4, 7, 12");

    // Removing a light takes away exactly its part.
    std::string error;
    ASSERT_TRUE(tarn::Graph::instance().removeElement(lightElement(12), &error)) << error;
    const double without[3] = {want[0], environment + direct + 2 * ambient,
                               environment + direct + 2 * ambient};
    expectColour(shade(), without, "light 12 removed");
}

TEST_F(DermalShadeLights, ElementWithTheCompoundDefaultsAddsNothing) {
    // A new element has direction and intensity 0 (the compound's defaults): its ambient flag
    // is on, but with intensity 0 there is nothing to add.
    isotropicWhiteSkin();
    view(0, 0, -1);
    ASSERT_TRUE(lightElement(3).child(DermalShade::lightShadowFraction).setValue(0.5f));
    ASSERT_EQ(plug(DermalShade::lightDataArray).numElements(), 1u);
    EXPECT_EQ(shade(), KFloatVector(0, 0, 0));
    // Giving it an intensity shows the ambient flag is on and the diffuse flag has nothing to
    // light with a zero direction.
    const KPlug intensity = lightElement(3).child(DermalShade::lightIntensity.parent);
    for (unsigned c = 0; c < 3; ++c) ASSERT_TRUE(intensity.child(c).setValue(1.0f));
    const double ambient = 0.1555844221 * 10 * 0.5;
    const double want[3] = {ambient, ambient, ambient};
    expectColour(shade(), want, "default flags");
}

// Each gain scales exactly its own part of the colour. The parts are set up so that each one
// has its own channel: R holds a diffuse light, G an ambient light, B the environment.
TEST_F(DermalShadeLights, GainsScaleTheirOwnPart) {
    isotropicWhiteSkin();
    view(0, 0, -1);
    set3(DermalShade::reflectedColor, 0, 0, 1);
    addLight(0, {{0, 0, 1}, {1, 0, 0}, false, true, false});
    addLight(1, {{0, 0, 1}, {0, 1, 0}, true, false, false});
    const double direct = 0.336767 * 10, ambient = 0.1555844221 * 10 * 0.5, env = 1.0 / 36.0;
    struct Case {
        const char* what;
        const KObject* attribute;
        float value;
        double scale[3];  // factor on (direct, ambient, environment)
    };
    const Case cases[] = {
        {"SubSurface 25", &DermalShade::SubSurface, 25.0f, {2.5, 2.5, 1}},
        {"Ambient 1", &DermalShade::Ambient, 1.0f, {1, 2, 1}},
        {"Surface 0 (no lobe at roughness 0)", &DermalShade::Surface, 0.0f, {1, 1, 1}},
        {"reflectivity 0.5", &DermalShade::reflectivity, 0.5f, {1, 1, 0.5}},
        {"SubSurface 0", &DermalShade::SubSurface, 0.0f, {0, 0, 1}},
    };
    const double base[3] = {direct, ambient, env};
    expectColour(shade(), base, "defaults");
    for (const Case& c : cases) {
        set(*c.attribute, c.value);
        const double want[3] = {direct * c.scale[0], ambient * c.scale[1], env * c.scale[2]};
        expectColour(shade(), want, c.what);
        set(DermalShade::SubSurface, 10.0f);
        set(DermalShade::Ambient, 0.5f);
        set(DermalShade::Surface, 1.0f);
        set(DermalShade::reflectivity, 1.0f);
    }
}

}  // namespace
