// DermalShade through the host's dependency graph: its attribute table, its dependencies and
// the shading computation's edge cases.

#include "shader/dermal_shade_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "shader/dermal_shade_test_fixture.h"
#include "shader/skin_reflectance.h"

namespace {

using tarn::AttributeImpl;
using tarn::Graph;

class DermalShadeTest : public dermal_test::DermalShadeFixture {};

struct AttributeRow {
    const char* longName;
    const char* shortName;
    int storable, hidden, readable, writable, colour, array;  // -1: not checked
    std::vector<double> defaults;                             // per leaf, empty: not checked
};

TEST_F(DermalShadeTest, AttributesInRegistrationOrderWithFlagsAndDefaults) {
    const AttributeRow rows[] = {
        {"pointCamera", "pc", 0, 1, -1, -1, 0, 0, {}},
        {"pointCameraX", "px", 0, -1, -1, -1, -1, -1, {1}},
        {"pointCameraY", "py", 0, -1, -1, -1, -1, -1, {1}},
        {"pointCameraZ", "pz", 0, -1, -1, -1, -1, -1, {1}},
        {"lightDataArray", "ltd", 0, 1, -1, -1, -1, 1, {}},
        {"lightDirection", "ld", 0, 1, 0, -1, -1, -1, {}},
        {"lightDirectionX", "ldx", -1, -1, -1, -1, -1, -1, {0}},
        {"lightDirectionY", "ldy", -1, -1, -1, -1, -1, -1, {0}},
        {"lightDirectionZ", "ldz", -1, -1, -1, -1, -1, -1, {0}},
        {"lightIntensity", "li", 0, 1, 0, -1, -1, -1, {}},
        {"lightIntensityR", "lir", -1, -1, -1, -1, -1, -1, {0}},
        {"lightIntensityG", "lig", -1, -1, -1, -1, -1, -1, {0}},
        {"lightIntensityB", "lib", -1, -1, -1, -1, -1, -1, {0}},
        {"lightAmbient", "la", 0, 1, 0, -1, -1, -1, {1}},
        {"lightDiffuse", "ldf", 0, 1, 0, -1, -1, -1, {1}},
        {"lightSpecular", "ls", 0, 1, 0, -1, -1, -1, {0}},
        {"lightShadowFraction", "lsf", 0, 1, 0, -1, -1, -1, {0}},
        {"preShadowIntensity", "psi", 0, 1, 0, -1, -1, -1, {1}},
        {"blindLightData", "bld", 0, 1, 0, -1, -1, -1, {}},
        {"tangentUCamera", "tu", 0, 1, 0, -1, -1, -1, {}},
        {"tangentUCameraX", "tux", -1, -1, -1, -1, -1, -1, {1}},
        {"tangentUCameraY", "tuy", -1, -1, -1, -1, -1, -1, {0}},
        {"tangentUCameraZ", "tuz", -1, -1, -1, -1, -1, -1, {0}},
        {"tangentVCamera", "tv", 0, 1, 0, -1, -1, -1, {}},
        {"tangentVCameraX", "tvx", -1, -1, -1, -1, -1, -1, {1}},
        {"tangentVCameraY", "tvy", -1, -1, -1, -1, -1, -1, {0}},
        {"tangentVCameraZ", "tvz", -1, -1, -1, -1, -1, -1, {0}},
        {"epidermis", "epi", 1, -1, -1, -1, 1, -1, {}},
        {"epidermisR", "epr", 1, -1, -1, -1, -1, -1, {1}},
        {"epidermisG", "epg", 1, -1, -1, -1, -1, -1, {1}},
        {"epidermisB", "epb", 1, -1, -1, -1, -1, -1, {1}},
        {"dermis", "der", 1, -1, -1, -1, 1, -1, {}},
        {"dermisR", "dmr", -1, -1, -1, -1, -1, -1, {0.993f}},
        {"dermisG", "dmg", -1, -1, -1, -1, -1, -1, {0.979f}},
        {"dermisB", "dmb", -1, -1, -1, -1, -1, -1, {0.943f}},
        {"anisotropy", "ani", 1, -1, -1, -1, 1, -1, {}},
        {"anisotropyR", "anr", -1, -1, -1, -1, -1, -1, {0.955f}},
        {"anisotropyG", "ang", -1, -1, -1, -1, -1, -1, {0.949f}},
        {"anisotropyB", "anb", -1, -1, -1, -1, -1, -1, {0.914f}},
        {"roughness", "rgh", 1, -1, -1, -1, -1, -1, {0.5}},
        {"Ambient", "amb", 1, -1, -1, -1, -1, -1, {0.5}},
        {"SubSurface", "fudge1", 1, -1, -1, -1, -1, -1, {10}},
        {"Surface", "fudge2", 1, -1, -1, -1, -1, -1, {1}},
        {"reflectivity", "ref", 1, -1, -1, -1, -1, -1, {1}},
        {"reflectedColor", "rc", 1, -1, -1, -1, 1, -1, {}},
        {"reflectedColorR", "rr", -1, -1, -1, -1, -1, -1, {0}},
        {"reflectedColorG", "rg", -1, -1, -1, -1, -1, -1, {0}},
        {"reflectedColorB", "rb", -1, -1, -1, -1, -1, -1, {0}},
        {"normalCamera", "n", 0, -1, -1, -1, 0, -1, {}},
        {"normalCameraX", "nx", -1, -1, -1, -1, -1, -1, {1}},
        {"normalCameraY", "ny", -1, -1, -1, -1, -1, -1, {1}},
        {"normalCameraZ", "nz", -1, -1, -1, -1, -1, -1, {1}},
        {"outColor", "oc", 0, 1, -1, -1, 0, -1, {}},
        {"outColorR", "ocr", -1, -1, -1, -1, -1, -1, {}},
        {"outColorG", "ocg", -1, -1, -1, -1, -1, -1, {}},
        {"outColorB", "ocb", -1, -1, -1, -1, -1, -1, {}},
        {"outTransparency", "ot", 0, 0, 1, 0, -1, -1, {}},
        {"outTransparencyR", "otr", -1, -1, -1, -1, -1, -1, {}},
        {"outTransparencyG", "otg", -1, -1, -1, -1, -1, -1, {}},
        {"outTransparencyB", "otb", -1, -1, -1, -1, -1, -1, {}},
        {"transparency", "it", 0, 0, 1, 0, -1, -1, {}},
        {"transparencyR", "itr", -1, -1, -1, -1, -1, -1, {}},
        {"transparencyG", "itg", -1, -1, -1, -1, -1, -1, {}},
        {"transparencyB", "itb", -1, -1, -1, -1, -1, -1, {}},
    };
    const auto& attributes = Graph::instance().findType("DermalShade")->attributes();
    ASSERT_EQ(attributes.size(), std::size(rows));
    for (size_t n = 0; n < std::size(rows); ++n) {
        const AttributeRow& row = rows[n];
        const AttributeImpl& a = *attributes[n];
        SCOPED_TRACE(row.longName);
        EXPECT_EQ(a.longName, row.longName);
        EXPECT_EQ(a.shortName, row.shortName);
        auto check = [](int want, bool got) {
            if (want >= 0) {
                EXPECT_EQ(got, want != 0);
            }
        };
        check(row.storable, a.storable);
        check(row.hidden, a.hidden);
        check(row.readable, a.readable);
        check(row.writable, a.writable);
        check(row.colour, a.usedAsColor);
        check(row.array, a.array);
        if (!row.defaults.empty()) {
            EXPECT_DOUBLE_EQ(a.defaultValue, row.defaults[0]);
        }
    }
    // Limits of the scalar inputs; roughness stops at the single-precision 0.9.
    const AttributeImpl* rough = Graph::instance().findType("DermalShade")->findAttribute("rgh");
    ASSERT_TRUE(rough->maxValue.has_value());
    EXPECT_EQ(*rough->maxValue, 0.8999999761581421);
    EXPECT_EQ(*Graph::instance().findType("DermalShade")->findAttribute("fudge1")->maxValue,
              1000.0);
}

TEST_F(DermalShadeTest, DependenciesFeedOutColorAndTransparencyFeedsOutTransparency) {
    const tarn::NodeType& type = *Graph::instance().findType("DermalShade");
    const int outColor = type.findAttribute("outColor")->index;
    const int outTransparency = type.findAttribute("outTransparency")->index;
    auto affects = [&](const char* input, int output) {
        const auto& list = type.affectedBy(type.findAttribute(input)->index);
        return std::find(list.begin(), list.end(), output) != list.end();
    };
    for (const char* input :
         {"pc",  "pz",  "ltd", "ld",  "ldy", "li",  "la",     "ldf",    "ls",  "psi", "bld", "tu",
          "tvz", "epi", "dmg", "ani", "rgh", "amb", "fudge1", "fudge2", "ref", "rc",  "nx"}) {
        EXPECT_TRUE(affects(input, outColor)) << input;
        EXPECT_FALSE(affects(input, outTransparency)) << input;
    }
    // Note: lightShadowFraction declares no dependency of its own, but as a child of
    // lightDataArray it still dirties outColor through its parent, as every child does.
    for (const char* input : {"it", "itr", "itg", "itb"}) {
        EXPECT_TRUE(affects(input, outTransparency)) << input;
        EXPECT_FALSE(affects(input, outColor)) << input;
    }
}

TEST_F(DermalShadeTest, NoLightsAndBlackEnvironmentGiveBlack) {
    const KFloatVector c = read(DermalShade::outColor);
    EXPECT_EQ(c, KFloatVector(0, 0, 0));
}

TEST_F(DermalShadeTest, EnvironmentFactorIsOneThirtySixthHeadOnAndNearOneAtGrazing) {
    set3(DermalShade::reflectedColor, 1.0f, 0.5f, 0.25f);
    view(0, 0, -4);
    KFloatVector c = read(DermalShade::outColor);
    const float f = static_cast<float>(1.0 / 36.0);
    EXPECT_FLOAT_EQ(c.x, f);
    EXPECT_FLOAT_EQ(c.y, 0.5f * f);
    EXPECT_FLOAT_EQ(c.z, 0.25f * f);

    set(DermalShade::reflectivity, 2.0f);
    view(-3, 0, 0);  // the view lies in the surface: u is clamped to 1e-8
    c = read(DermalShade::outColor);
    EXPECT_GT(c.x, 2.0f * 0.99f);
    EXPECT_LE(c.x, 2.0f);
}

TEST_F(DermalShadeTest, GrazingAndBackFacingViewsStayFinite) {
    addLight(0, {{0, 0, 1}, {1, 1, 1}, true, true, true});
    set3(DermalShade::reflectedColor, 1, 1, 1);
    for (KFloatVector p : {KFloatVector(-1, 0, 0), KFloatVector(0, 0, 1), KFloatVector(0.3f, 0, 2),
                           KFloatVector(0, 0, 0)}) {
        view(p.x, p.y, p.z);
        const KFloatVector c = read(DermalShade::outColor);
        for (unsigned k = 0; k < 3; ++k) {
            EXPECT_TRUE(std::isfinite(c[k])) << p.x << " " << p.y << " " << p.z;
            EXPECT_GE(c[k], 0.0f);
        }
    }
}

TEST_F(DermalShadeTest, DiffuseOnlyIsTheTableTermTimesTheCosine) {
    view(0, 0, -1);
    addLight(0, {{0, 0.6f, 0.8f}, {1, 2, 0.5f}, false, true, false});
    const KFloatVector c = read(DermalShade::outColor);
    // Head-on view: Vt is zero, so the azimuth is acos(0).
    const double thetaI = std::acos(0.8f), phi = std::acos(0.0);
    const float intensity[3] = {1, 2, 0.5f};
    const float dermisDefault[3] = {0.993f, 0.979f, 0.943f};
    const float aniDefault[3] = {0.955f, 0.949f, 0.914f};
    for (int k = 0; k < 3; ++k) {
        const double r =
            dermal::lightResponse(1.0, dermisDefault[k], 0.9f * aniDefault[k], 0.5f, 10.0, 0.0,
                                  static_cast<float>(thetaI), 0.0, 0.0, static_cast<float>(phi));
        EXPECT_NEAR(c[k], static_cast<float>(r) * 0.8f * intensity[k], 1e-5 * (1 + c[k])) << k;
        EXPECT_GT(c[k], 0.0f);
    }
    // The specular gain does not matter for a diffuse-only light.
    set(DermalShade::Surface, 0.0f);
    EXPECT_EQ(read(DermalShade::outColor), c);
}

TEST_F(DermalShadeTest, SpecularOnlyIsAColourlessHighlight) {
    view(0, -0.5f, -1);
    addLight(0, {{0, 0.6f, 0.8f}, {1, 1, 1}, false, false, true});
    const KFloatVector c = read(DermalShade::outColor);
    EXPECT_GT(c.x, 0.0f);
    EXPECT_EQ(c.x, c.y);
    EXPECT_EQ(c.y, c.z);
    set(DermalShade::SubSurface, 0.0f);  // the table term is off anyway
    EXPECT_EQ(read(DermalShade::outColor), c);
    set(DermalShade::roughness, 0.0f);  // roughness 0 switches the lobe off
    EXPECT_EQ(read(DermalShade::outColor), KFloatVector(0, 0, 0));
}

TEST_F(DermalShadeTest, RoughnessZeroKeepsTheTableTerm) {
    view(0, 0, -1);
    set(DermalShade::roughness, 0.0f);
    addLight(0, {{0, 0, 1}, {1, 1, 1}, false, true, true});
    const KFloatVector c = read(DermalShade::outColor);
    for (unsigned k = 0; k < 3; ++k) EXPECT_GT(c[k], 0.0f);
}

TEST_F(DermalShadeTest, DermisZeroInAChannelGivesNoSubsurfaceThere) {
    view(0, 0, -1);
    set3(DermalShade::dermis, 0.0f, 0.979f, 0.943f);
    addLight(0, {{0, 0, 1}, {1, 1, 1}, true, true, false});
    const KFloatVector c = read(DermalShade::outColor);
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_GT(c.y, 0.0f);
    EXPECT_GT(c.z, 0.0f);
}

TEST_F(DermalShadeTest, BothGainsZeroLeaveOnlyTheEnvironment) {
    view(0, 0, -1);
    set(DermalShade::SubSurface, 0.0f);
    set(DermalShade::Surface, 0.0f);
    addLight(0, {{0, 0, 1}, {1, 1, 1}, true, true, true});
    addLight(1, {{0, 0.6f, 0.8f}, {3, 3, 3}, false, true, true});
    EXPECT_EQ(read(DermalShade::outColor), KFloatVector(0, 0, 0));
    set3(DermalShade::reflectedColor, 1, 1, 1);
    EXPECT_FLOAT_EQ(read(DermalShade::outColor).x, static_cast<float>(1.0 / 36.0));
}

TEST_F(DermalShadeTest, AmbientLightIsTheHemisphereTermScaledByAmbientGain) {
    view(0, 0, -1);
    set(DermalShade::Ambient, 0.25f);
    addLight(0, {{0, 0, -1}, {2, 2, 2}, true, true, true});  // facing away: ambient part only
    const KFloatVector c = read(DermalShade::outColor);
    const double h = dermal::ambientResponse(1.0, 0.993f, 0.9f * 0.955f, 0.5f, 10.0, 0.0);
    EXPECT_NEAR(c.x, static_cast<float>(h) * 0.25f * 2.0f, 1e-6);
    EXPECT_GT(c.x, 0.0f);
}

TEST_F(DermalShadeTest, LightsFacingAwayContributeNothingDirect) {
    view(0, 0, -1);
    addLight(0, {{0, 0.3f, -0.9f}, {1, 1, 1}, false, true, true});
    EXPECT_EQ(read(DermalShade::outColor), KFloatVector(0, 0, 0));
}

TEST_F(DermalShadeTest, LongLightDirectionScalesTheLightWithoutNaN) {
    view(0, 0, -1);
    addLight(0, {{0, 0, 1}, {1, 1, 1}, false, true, true});
    const KFloatVector unit = read(DermalShade::outColor);
    addLight(0, {{0, 0, 3}, {1, 1, 1}, false, true, true});
    const KFloatVector longer = read(DermalShade::outColor);
    for (unsigned k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(longer[k], 3.0f * unit[k]);
    addLight(0, {{0, 2, 3}, {1, 1, 1}, false, true, true});  // L.N = 3 but oblique
    const KFloatVector oblique = read(DermalShade::outColor);
    for (unsigned k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(oblique[k]));
}

TEST_F(DermalShadeTest, OutTransparencyIsAlwaysBlack) {
    EXPECT_EQ(read(DermalShade::outTransparency), KFloatVector(0, 0, 0));
    addLight(0, {{0, 0, 1}, {1, 1, 1}, true, true, true});
    EXPECT_EQ(read(DermalShade::outTransparency), KFloatVector(0, 0, 0));
}

TEST_F(DermalShadeTest, ComputeAnswersSuccessForEveryPlug) {
    tarn::NodeImpl* impl = tarn::NodeImpl::from(node);
    ASSERT_NE(impl, nullptr);
    KDataBlock block(&impl->store());
    for (const KObject* attribute :
         {&DermalShade::roughness, &DermalShade::transparency.parent,
          &DermalShade::outColor.child[1], &DermalShade::outTransparency.child[2]})
        EXPECT_EQ(impl->userNode()->compute(KPlug(node, *attribute), block), KStatus());
}

}  // namespace
