// DermalShade with inputs outside their intended range: degenerate, NaN and infinite geometry,
// material values off the scattering grid, negative gains, and compute asked for plugs that are
// not outputs of the node.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "host/dg/attribute_impl.h"
#include "host/sdk/data_handle.h"
#include "shader/dermal_shade_test_fixture.h"

namespace {

using dermal_test::DermalShadeFixture;
using dermal_test::Light;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class DermalShadeEdgeInputs : public DermalShadeFixture {
protected:
    void expectFiniteAndNonNegative(const KFloatVector& c, const char* what) {
        for (unsigned k = 0; k < 3; ++k) {
            EXPECT_TRUE(std::isfinite(c[k])) << what << " channel " << k;
            EXPECT_GE(c[k], 0.0f) << what << " channel " << k;
        }
    }
    KDataHandle storedValue(const KObject& attribute) {
        return tarn::storeHandle(impl().store(), *tarn::AttributeImpl::from(attribute), -1, false);
    }
};

// Broken geometry never reaches the output as NaN or infinity: the view cosine is kept inside
// [1e-8, 1] and a light whose cosine is not positive (NaN included) adds only its ambient part.
TEST_F(DermalShadeEdgeInputs, DegenerateGeometryStaysFinite) {
    struct Case {
        const char* what;
        KFloatVector point, normal, direction;
    };
    const Case cases[] = {
        {"zero normal", {0, 0, -1}, {0, 0, 0}, {0, 0.6f, 0.8f}},
        {"NaN normal", {0, 0, -1}, {kNaN, 0, 1}, {0, 0.6f, 0.8f}},
        {"infinite normal", {0, 0, -1}, {0, kInf, 1}, {0, 0.6f, 0.8f}},
        {"point at the eye", {0, 0, 0}, {0, 0, 1}, {0, 0.6f, 0.8f}},
        {"NaN point", {kNaN, 0, -1}, {0, 0, 1}, {0, 0.6f, 0.8f}},
        {"infinite point", {kInf, 0, -1}, {0, 0, 1}, {0, 0.6f, 0.8f}},
        {"view in the surface", {-2, 0, 0}, {0, 0, 1}, {0, 0.6f, 0.8f}},
        {"view from behind", {0.2f, 0, 1}, {0, 0, 1}, {0, 0.6f, 0.8f}},
        {"NaN light", {0, 0, -1}, {0, 0, 1}, {kNaN, 0, 1}},
        {"infinite light", {0, 0, -1}, {0, 0, 1}, {0, kInf, 1}},
        {"zero light", {0, 0, -1}, {0, 0, 1}, {0, 0, 0}},
        {"light along the surface", {0, 0, -1}, {0, 0, 1}, {1, 0, 0}},
        {"long oblique light", {0.3f, 0, -1}, {0, 0, 1}, {0, 4, 3}},
        {"light and view coincide", {0, -0.6f, -0.8f}, {0, 0, 1}, {0, 0.6f, 0.8f}},
    };
    set3(DermalShade::reflectedColor, 1, 1, 1);
    for (const Case& c : cases) {
        set3(DermalShade::pointCamera, c.point.x, c.point.y, c.point.z);
        set3(DermalShade::normalCamera, c.normal.x, c.normal.y, c.normal.z);
        addLight(0, {c.direction, {1, 1, 1}, true, true, true});
        expectFiniteAndNonNegative(shade(), c.what);
    }
}

// A normal or view without a usable direction (infinite or NaN) shades exactly like a zero
// one, as a grazing view without direct light. Pinned: an infinite normal used to pass through
// normalisation unchanged and turned the whole colour infinite.
TEST_F(DermalShadeEdgeInputs, UnusableDirectionsShadeLikeZeroOnes) {
    set3(DermalShade::reflectedColor, 0.5f, 0.5f, 0.5f);
    addLight(0, {{0, 0.6f, 0.8f}, {1, 1, 1}, true, true, true});
    view(0, 0.3f, -1);
    set3(DermalShade::normalCamera, 0, 0, 0);
    const KFloatVector zeroNormal = shade();
    expectFiniteAndNonNegative(zeroNormal, "zero normal");
    for (KFloatVector n : {KFloatVector(0, kInf, 1), KFloatVector(kNaN, 0, 1),
                           KFloatVector(-kInf, kInf, kInf), KFloatVector(0, 0, -kInf)}) {
        set3(DermalShade::normalCamera, n.x, n.y, n.z);
        EXPECT_EQ(shade(), zeroNormal) << n.x << " " << n.y << " " << n.z;
    }
    view(0, 0, 0);
    const KFloatVector zeroView = shade();
    expectFiniteAndNonNegative(zeroView, "zero view");
    for (KFloatVector p :
         {KFloatVector(kInf, 0, -1), KFloatVector(0, kNaN, -1), KFloatVector(kInf, -kInf, kInf)}) {
        view(p.x, p.y, p.z);
        EXPECT_EQ(shade(), zeroView) << p.x << " " << p.y << " " << p.z;
    }
    // An infinite light direction adds its ambient part only, like one below the surface.
    view(0, 0.3f, -1);
    addLight(0, {{0, 0.6f, -0.8f}, {1, 1, 1}, true, true, true});
    const KFloatVector ambientOnly = shade();
    for (KFloatVector l : {KFloatVector(0, 0, kInf), KFloatVector(kInf, 0, kInf)}) {
        addLight(0, {l, {1, 1, 1}, true, true, true});
        EXPECT_EQ(shade(), ambientOnly) << l.x << " " << l.y << " " << l.z;
    }
}

TEST_F(DermalShadeEdgeInputs, GrazingAndZeroViewsClampTheCosine) {
    // A view in the surface, at the eye or from behind gives u = 1e-8: the environment factor
    // F(1e-8, 1.4) = 0.99999994. Note: thetaR = acos(1e-8) rounds to the float just above pi/2,
    // so the view cosine the tables see is -4.4e-8, harmless.
    set3(DermalShade::reflectedColor, 1, 1, 1);
    set(DermalShade::SubSurface, 0.0f);
    for (KFloatVector p : {KFloatVector(-2, 0, 0), KFloatVector(0, 0, 0), KFloatVector(0, 0, 3)}) {
        view(p.x, p.y, p.z);
        const KFloatVector c = shade();
        EXPECT_NEAR(c.x, 0.99999994, 1e-7);
        EXPECT_EQ(c.x, c.y);
        EXPECT_EQ(c.y, c.z);
    }
}

// Material values off the scattering grid shade like the nearest value on it.
TEST_F(DermalShadeEdgeInputs, MaterialOffTheGridClampsToTheGrid) {
    struct Case {
        const char* what;
        const DermalShade::Compound3* colour;  // nullptr: roughness
        float bad, equivalent;
    };
    const Case cases[] = {
        {"NaN albedo", &DermalShade::dermis, kNaN, 0.0f},
        {"negative albedo", &DermalShade::dermis, -0.5f, 0.0f},
        {"albedo above 1", &DermalShade::dermis, 3.0f, 1.0f},
        {"infinite albedo", &DermalShade::dermis, kInf, 1.0f},
        {"NaN anisotropy", &DermalShade::anisotropy, kNaN, 0.0f},
        {"negative anisotropy", &DermalShade::anisotropy, -2.0f, 0.0f},
        {"infinite anisotropy", &DermalShade::anisotropy, kInf, 2.0f},
        {"NaN roughness", nullptr, kNaN, 0.0f},
        {"negative roughness", nullptr, -0.3f, 0.0f},
    };
    view(0.2f, -0.3f, -1);
    addLight(0, {{0.1f, 0.5f, 0.8f}, {1, 1, 1}, true, true, true});
    addLight(5, {{-0.4f, 0.1f, 0.9f}, {0.5f, 0.7f, 0.2f}, false, true, true});
    for (const Case& c : cases) {
        auto apply = [&](float v) {
            if (c.colour)
                set3(*c.colour, v, v, v);
            else
                set(DermalShade::roughness, v);
        };
        apply(c.equivalent);
        const KFloatVector want = shade();
        apply(c.bad);
        const KFloatVector got = shade();
        EXPECT_EQ(got, want) << c.what;
        expectFiniteAndNonNegative(got, c.what);
        // Back to the defaults for the next case.
        set3(DermalShade::dermis, 0.993f, 0.979f, 0.943f);
        set3(DermalShade::anisotropy, 0.955f, 0.949f, 0.914f);
        set(DermalShade::roughness, 0.5f);
    }
    // Infinite roughness reads the last table sample and turns the lobe into 0, not NaN.
    set(DermalShade::roughness, kInf);
    expectFiniteAndNonNegative(shade(), "infinite roughness");
}

// Gains beyond their limits (through a connection, say) follow the formulas: the direct term is
// clamped per light at 0, the ambient term and the intensity are plain factors.
TEST_F(DermalShadeEdgeInputs, NegativeGainsFollowTheFormulas) {
    set3(DermalShade::dermis, 1, 1, 1);
    set3(DermalShade::anisotropy, 0, 0, 0);
    set(DermalShade::roughness, 0.0f);
    view(0, 0, -1);
    const double direct = 0.336767 * 10, ambient = 0.1555844221 * 10 * 0.5;
    struct Case {
        const char* what;
        float subSurface, intensity;
        bool ambientLight;
        double want;
    };
    const Case cases[] = {
        {"negative SubSurface, direct light: clamped at 0", -10, 1, false, 0.0},
        {"negative SubSurface, ambient light: negative", -10, 1, true, -ambient},
        {"negative intensity, direct light", 10, -1, false, -direct},
        {"negative intensity, ambient light", 10, -2, true, -2 * ambient},
    };
    for (const Case& c : cases) {
        set(DermalShade::SubSurface, c.subSurface);
        addLight(0, {{0, 0, 1},
                     {c.intensity, c.intensity, c.intensity},
                     c.ambientLight,
                     !c.ambientLight,
                     false});
        EXPECT_NEAR(shade().y, c.want, 2e-6 * (1 + std::fabs(c.want))) << c.what;
    }
}

TEST_F(DermalShadeEdgeInputs, ComputeForPlugsItDoesNotServeWritesNothing) {
    // A plug of an attribute that no node type owns, and inputs of the node itself.
    KStatus status;
    KFnNumericAttribute fn;
    const KObject foreign = fn.create("foreignValue", "fgv", KFnNumericData::kFloat, 0.0, &status);
    ASSERT_TRUE(status);
    KDataBlock block(&impl().store());
    const tarn::AttributeImpl& outColor = *tarn::AttributeImpl::from(DermalShade::outColor.parent);
    storedValue(DermalShade::outColor.parent).set(9.0f, 9.0f, 9.0f);
    const KObject* const attributes[] = {
        &foreign, &DermalShade::roughness, &DermalShade::transparency.parent,
        &DermalShade::lightDataArray, &DermalShade::pointCamera.child[1]};
    for (const KObject* attribute : attributes) {
        EXPECT_EQ(impl().userNode()->compute(KPlug(node, *attribute), block), KStatus());
        EXPECT_TRUE(impl().store().isDirty(outColor));
        EXPECT_EQ(storedValue(DermalShade::outColor.parent).asFloatVector(), KFloatVector(9, 9, 9));
    }
}

TEST_F(DermalShadeEdgeInputs, AChildPlugComputesTheWholeOutput) {
    view(0, 0, -1);
    set3(DermalShade::reflectedColor, 1.0f, 0.5f, 0.25f);
    KDataBlock block(&impl().store());
    const float f = static_cast<float>(1.0 / 36.0);
    for (int child = 0; child < 3; ++child) {
        storedValue(DermalShade::outColor.parent).set(9.0f, 9.0f, 9.0f);
        storedValue(DermalShade::outTransparency.parent).set(0.7f, 0.7f, 0.7f);
        const KPlug colour(node, DermalShade::outColor.child[child]);
        ASSERT_EQ(impl().userNode()->compute(colour, block), KStatus());
        const KFloatVector c = storedValue(DermalShade::outColor.parent).asFloatVector();
        EXPECT_FLOAT_EQ(c.x, f);
        EXPECT_FLOAT_EQ(c.y, 0.5f * f);
        EXPECT_FLOAT_EQ(c.z, 0.25f * f);
        // Transparency is black whatever the store held before, for any of its children.
        const KPlug transparency(node, DermalShade::outTransparency.child[child]);
        ASSERT_EQ(impl().userNode()->compute(transparency, block), KStatus());
        EXPECT_EQ(storedValue(DermalShade::outTransparency.parent).asFloatVector(),
                  KFloatVector(0, 0, 0));
    }
}

}  // namespace
