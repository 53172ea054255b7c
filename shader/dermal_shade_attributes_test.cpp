// The DermalShade attribute table walked row by row (names, parents, types, defaults, limits,
// flags, dependencies) and the dependencies seen from outside: what setting each input dirties
// and which inputs the shading never reads.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "host/dg/attribute_impl.h"
#include "host/sdk/data_handle.h"
#include "shader/dermal_shade_test_fixture.h"

namespace {

using dermal_test::DermalShadeFixture;
using tarn::AttributeImpl;
using tarn::CellKind;

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

enum class Type { kFloat3, kFloat, kBool, kAddr, kLightData };

struct Row {
    const char* longName;
    const char* shortName;
    const char* parent;  // long name of the parent compound, nullptr at the top
    Type type;
    // Storable, Hidden, Readable, Writable, used as Colour, Array: upper case set, lower clear.
    const char* flags;
    double defaultValue;  // kNone: not a numeric leaf
    double minimum, maximum;
    char affects;  // 'C' outColor, 'T' outTransparency, '-' nothing
};

// Every attribute in the order the node adds it (a compound directly followed by its children).
// Flags the node does not set are the SDK defaults: storable, readable, writable, not hidden.
// Note: the light-data compound's own defaults replace those its children were created with,
// so direction and intensity read 0 and preShadowIntensity 1. A child of lightDataArray dirties
// outColor through its parent, so lightShadowFraction shows 'C' although it declares nothing.
const Row kRows[] = {
    {"pointCamera", "pc", nullptr, Type::kFloat3, "sHRWca", kNone, kNone, kNone, 'C'},
    {"pointCameraX", "px", "pointCamera", Type::kFloat, "shRWca", 1, kNone, kNone, 'C'},
    {"pointCameraY", "py", "pointCamera", Type::kFloat, "shRWca", 1, kNone, kNone, 'C'},
    {"pointCameraZ", "pz", "pointCamera", Type::kFloat, "shRWca", 1, kNone, kNone, 'C'},
    {"lightDataArray", "ltd", nullptr, Type::kLightData, "sHRWcA", kNone, kNone, kNone, 'C'},
    {"lightDirection", "ld", "lightDataArray", Type::kFloat3, "sHrWca", kNone, kNone, kNone, 'C'},
    {"lightDirectionX", "ldx", "lightDirection", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"lightDirectionY", "ldy", "lightDirection", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"lightDirectionZ", "ldz", "lightDirection", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"lightIntensity", "li", "lightDataArray", Type::kFloat3, "sHrWca", kNone, kNone, kNone, 'C'},
    {"lightIntensityR", "lir", "lightIntensity", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"lightIntensityG", "lig", "lightIntensity", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"lightIntensityB", "lib", "lightIntensity", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"lightAmbient", "la", "lightDataArray", Type::kBool, "sHrWca", 1, kNone, kNone, 'C'},
    {"lightDiffuse", "ldf", "lightDataArray", Type::kBool, "sHrWca", 1, kNone, kNone, 'C'},
    {"lightSpecular", "ls", "lightDataArray", Type::kBool, "sHrWca", 0, kNone, kNone, 'C'},
    {"lightShadowFraction", "lsf", "lightDataArray", Type::kFloat, "sHrWca", 0, kNone, kNone, 'C'},
    {"preShadowIntensity", "psi", "lightDataArray", Type::kFloat, "sHrWca", 1, kNone, kNone, 'C'},
    {"blindLightData", "bld", "lightDataArray", Type::kAddr, "sHrWca", kNone, kNone, kNone, 'C'},
    {"tangentUCamera", "tu", nullptr, Type::kFloat3, "sHrWca", kNone, kNone, kNone, 'C'},
    {"tangentUCameraX", "tux", "tangentUCamera", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"tangentUCameraY", "tuy", "tangentUCamera", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"tangentUCameraZ", "tuz", "tangentUCamera", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"tangentVCamera", "tv", nullptr, Type::kFloat3, "sHrWca", kNone, kNone, kNone, 'C'},
    {"tangentVCameraX", "tvx", "tangentVCamera", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"tangentVCameraY", "tvy", "tangentVCamera", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"tangentVCameraZ", "tvz", "tangentVCamera", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"epidermis", "epi", nullptr, Type::kFloat3, "ShRWCa", kNone, kNone, kNone, 'C'},
    {"epidermisR", "epr", "epidermis", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"epidermisG", "epg", "epidermis", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"epidermisB", "epb", "epidermis", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"dermis", "der", nullptr, Type::kFloat3, "ShRWCa", kNone, kNone, kNone, 'C'},
    {"dermisR", "dmr", "dermis", Type::kFloat, "ShRWca", 0.993f, kNone, kNone, 'C'},
    {"dermisG", "dmg", "dermis", Type::kFloat, "ShRWca", 0.979f, kNone, kNone, 'C'},
    {"dermisB", "dmb", "dermis", Type::kFloat, "ShRWca", 0.943f, kNone, kNone, 'C'},
    {"anisotropy", "ani", nullptr, Type::kFloat3, "ShRWCa", kNone, kNone, kNone, 'C'},
    {"anisotropyR", "anr", "anisotropy", Type::kFloat, "ShRWca", 0.955f, kNone, kNone, 'C'},
    {"anisotropyG", "ang", "anisotropy", Type::kFloat, "ShRWca", 0.949f, kNone, kNone, 'C'},
    {"anisotropyB", "anb", "anisotropy", Type::kFloat, "ShRWca", 0.914f, kNone, kNone, 'C'},
    // The roughness maximum is the single-precision 0.9, 0.8999999761581421.
    {"roughness", "rgh", nullptr, Type::kFloat, "ShRWca", 0.5, 0, 0.9f, 'C'},
    {"Ambient", "amb", nullptr, Type::kFloat, "ShRWca", 0.5, 0, 1, 'C'},
    {"SubSurface", "fudge1", nullptr, Type::kFloat, "ShRWca", 10, 0, 1000, 'C'},
    {"Surface", "fudge2", nullptr, Type::kFloat, "ShRWca", 1, 0, 1, 'C'},
    {"reflectivity", "ref", nullptr, Type::kFloat, "ShRWca", 1, 0, 2, 'C'},
    {"reflectedColor", "rc", nullptr, Type::kFloat3, "ShRWCa", kNone, kNone, kNone, 'C'},
    {"reflectedColorR", "rr", "reflectedColor", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"reflectedColorG", "rg", "reflectedColor", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"reflectedColorB", "rb", "reflectedColor", Type::kFloat, "ShRWca", 0, kNone, kNone, 'C'},
    {"normalCamera", "n", nullptr, Type::kFloat3, "shRWca", kNone, kNone, kNone, 'C'},
    {"normalCameraX", "nx", "normalCamera", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"normalCameraY", "ny", "normalCamera", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"normalCameraZ", "nz", "normalCamera", Type::kFloat, "ShRWca", 1, kNone, kNone, 'C'},
    {"outColor", "oc", nullptr, Type::kFloat3, "sHRWca", kNone, kNone, kNone, '-'},
    {"outColorR", "ocr", "outColor", Type::kFloat, "ShRWca", 0, kNone, kNone, '-'},
    {"outColorG", "ocg", "outColor", Type::kFloat, "ShRWca", 0, kNone, kNone, '-'},
    {"outColorB", "ocb", "outColor", Type::kFloat, "ShRWca", 0, kNone, kNone, '-'},
    {"outTransparency", "ot", nullptr, Type::kFloat3, "shRwca", kNone, kNone, kNone, '-'},
    {"outTransparencyR", "otr", "outTransparency", Type::kFloat, "ShRWca", 0, kNone, kNone, '-'},
    {"outTransparencyG", "otg", "outTransparency", Type::kFloat, "ShRWca", 0, kNone, kNone, '-'},
    {"outTransparencyB", "otb", "outTransparency", Type::kFloat, "ShRWca", 0, kNone, kNone, '-'},
    {"transparency", "it", nullptr, Type::kFloat3, "shRwca", kNone, kNone, kNone, 'T'},
    {"transparencyR", "itr", "transparency", Type::kFloat, "ShRWca", 0, kNone, kNone, 'T'},
    {"transparencyG", "itg", "transparency", Type::kFloat, "ShRWca", 0, kNone, kNone, 'T'},
    {"transparencyB", "itb", "transparency", Type::kFloat, "ShRWca", 0, kNone, kNone, 'T'},
};

void expectType(const AttributeImpl& a, Type type) {
    switch (type) {
        case Type::kFloat3:
            EXPECT_EQ(a.fnType, KFn::kNumericAttribute);
            EXPECT_EQ(a.kind, CellKind::kCompound);
            EXPECT_EQ(a.numericType, KFnNumericData::k3Float);
            EXPECT_EQ(a.children.size(), 3u);
            break;
        case Type::kFloat:
            EXPECT_EQ(a.fnType, KFn::kNumericAttribute);
            EXPECT_EQ(a.numericType, KFnNumericData::kFloat);
            break;
        case Type::kBool:
            EXPECT_EQ(a.fnType, KFn::kNumericAttribute);
            EXPECT_EQ(a.numericType, KFnNumericData::kBoolean);
            break;
        case Type::kAddr:
            EXPECT_EQ(a.fnType, KFn::kNumericAttribute);
            EXPECT_EQ(a.kind, CellKind::kAddr);
            EXPECT_EQ(a.defaultAddr, nullptr);
            break;
        case Type::kLightData:
            EXPECT_EQ(a.fnType, KFn::kLightDataAttribute);
            EXPECT_EQ(a.children.size(), 8u);
            break;
    }
}

void expectLimit(const std::optional<double>& got, double want, const char* which) {
    if (std::isnan(want)) {
        EXPECT_FALSE(got.has_value()) << which;
    } else {
        ASSERT_TRUE(got.has_value()) << which;
        EXPECT_EQ(*got, want) << which;
    }
}

class DermalShadeAttributes : public DermalShadeFixture {
protected:
    const tarn::NodeType& type() const { return *tarn::Graph::instance().findType("DermalShade"); }
};

TEST_F(DermalShadeAttributes, TableRowByRow) {
    const auto& attributes = type().attributes();
    ASSERT_EQ(attributes.size(), std::size(kRows));
    const int outColor = type().findAttribute("outColor")->index;
    const int outTransparency = type().findAttribute("outTransparency")->index;
    for (size_t n = 0; n < std::size(kRows); ++n) {
        const Row& row = kRows[n];
        const AttributeImpl& a = *attributes[n];
        SCOPED_TRACE(row.longName);
        EXPECT_EQ(a.longName, row.longName);
        EXPECT_EQ(a.shortName, row.shortName);
        EXPECT_EQ(type().findAttribute(row.shortName), &a);
        if (row.parent) {
            ASSERT_NE(a.parent, nullptr);
            EXPECT_EQ(a.parent->longName, row.parent);
        } else {
            EXPECT_EQ(a.parent, nullptr);
        }
        expectType(a, row.type);

        const std::string f = row.flags;
        ASSERT_EQ(f.size(), 6u);
        EXPECT_EQ(a.storable, f[0] == 'S');
        EXPECT_EQ(a.hidden, f[1] == 'H');
        EXPECT_EQ(a.readable, f[2] == 'R');
        EXPECT_EQ(a.writable, f[3] == 'W');
        EXPECT_EQ(a.usedAsColor, f[4] == 'C');
        EXPECT_EQ(a.array, f[5] == 'A');
        EXPECT_FALSE(a.keyable);

        if (!std::isnan(row.defaultValue)) {
            EXPECT_EQ(a.defaultValue, row.defaultValue);
        }
        expectLimit(a.minValue, row.minimum, "min");
        expectLimit(a.maxValue, row.maximum, "max");
        EXPECT_FALSE(a.softMinValue.has_value());
        EXPECT_FALSE(a.softMaxValue.has_value());

        const auto& affected = type().affectedBy(a.index);
        auto has = [&](int i) {
            return std::find(affected.begin(), affected.end(), i) != affected.end();
        };
        EXPECT_EQ(has(outColor), row.affects == 'C');
        EXPECT_EQ(has(outTransparency), row.affects == 'T');
    }
}

TEST_F(DermalShadeAttributes, CompoundChildrenAreTheRowsThatFollowThem) {
    // The light-data compound takes its eight children in the order direction, intensity,
    // ambient, diffuse, specular, shadow fraction, pre-shadow intensity, blind data.
    const char* const lightChildren[] = {
        "lightDirection", "lightIntensity",      "lightAmbient",       "lightDiffuse",
        "lightSpecular",  "lightShadowFraction", "preShadowIntensity", "blindLightData"};
    const AttributeImpl* light = type().findAttribute("lightDataArray");
    for (size_t c = 0; c < std::size(lightChildren); ++c)
        EXPECT_EQ(light->children[c]->longName, lightChildren[c]);
    // The static handles name the attributes they were created for.
    struct Handle {
        const KObject* handle;
        const char* longName;
    };
    const Handle handles[] = {{&DermalShade::outColor.child[2], "outColorB"},
                              {&DermalShade::lightDataArray, "lightDataArray"},
                              {&DermalShade::lightIntensity.child[0], "lightIntensityR"},
                              {&DermalShade::blindLightData, "blindLightData"},
                              {&DermalShade::Ambient, "Ambient"},
                              {&DermalShade::SubSurface, "SubSurface"},
                              {&DermalShade::tangentVCamera.parent, "tangentVCamera"}};
    for (const Handle& h : handles) EXPECT_EQ(AttributeImpl::from(*h.handle)->longName, h.longName);
}

// Setting an input marks outColor (or outTransparency for `transparency`) dirty, nothing else.
TEST_F(DermalShadeAttributes, SettingEachInputDirtiesTheOutputItAffects) {
    struct Case {
        const char* plug;  // relative to the node
        float value;
        bool color, transparency;
    };
    const Case cases[] = {
        {"pointCameraX", 0.5f, true, false},
        {"pz", -2.0f, true, false},
        {"nx", 0.0f, true, false},
        {"epidermisG", 0.5f, true, false},
        {"dmb", 0.2f, true, false},
        {"anr", 0.1f, true, false},
        {"roughness", 0.2f, true, false},
        {"Ambient", 0.9f, true, false},
        {"SubSurface", 3.0f, true, false},
        {"Surface", 0.3f, true, false},
        {"reflectivity", 1.5f, true, false},
        {"reflectedColorB", 0.7f, true, false},
        {"tangentUCameraY", 1.0f, true, false},
        {"tvz", 1.0f, true, false},
        {"ltd[3].lightDirectionY", 1.0f, true, false},
        {"ltd[3].lir", 2.0f, true, false},
        {"ltd[1].la", 0.0f, true, false},
        {"ltd[1].ldf", 0.0f, true, false},
        {"ltd[1].ls", 1.0f, true, false},
        {"ltd[1].psi", 0.5f, true, false},
        // `transparency` is not writable: the host writes it internally, as a renderer would.
        {"transparencyR", 0.5f, false, true},
        {"itb", 0.25f, false, true},
    };
    const AttributeImpl& color = *AttributeImpl::from(DermalShade::outColor.parent);
    const AttributeImpl& transparency = *AttributeImpl::from(DermalShade::outTransparency.parent);
    const std::string name = impl().name();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plug);
        shade();
        read(DermalShade::outTransparency);
        ASSERT_FALSE(impl().store().isDirty(color));
        ASSERT_FALSE(impl().store().isDirty(transparency));
        std::string error;
        KPlug p = tarn::Graph::instance().parsePlug(name + "." + c.plug, &error);
        ASSERT_FALSE(p.isNull()) << error;
        const tarn::AttributeImpl& a = *AttributeImpl::from(p.attribute());
        std::string refused;
        if (tarn::Graph::instance().canWrite(p, &refused)) {
            ASSERT_TRUE(p.setValue(c.value));
        } else {
            tarn::storeHandle(impl().store(), a, -1, false).set(c.value);
            tarn::Graph::instance().valueChanged(p);
        }
        EXPECT_EQ(impl().store().isDirty(color), c.color);
        EXPECT_EQ(impl().store().isDirty(transparency), c.transparency);
    }
}

// Inputs the shading does not read leave outColor unchanged whatever they hold.
TEST_F(DermalShadeAttributes, UnreadInputsDoNotChangeTheColour) {
    view(0.3f, -0.2f, -1.0f);
    set3(DermalShade::reflectedColor, 0.2f, 0.4f, 0.6f);
    addLight(0, {{0.2f, 0.3f, 0.9f}, {1, 1, 1}, true, true, true});
    // Compute directly, so that inputs without a declared dependency are seen as well.
    tarn::DataStore& store = impl().store();
    auto computeColour = [&] {
        KDataBlock block(&store);
        EXPECT_EQ(impl().userNode()->compute(plug(DermalShade::outColor.parent), block), KStatus());
        return tarn::storeHandle(store, *AttributeImpl::from(DermalShade::outColor.parent), -1,
                                 false)
            .asFloatVector();
    };
    const KFloatVector reference = computeColour();
    ASSERT_GT(reference.x, 0.0f);
    struct Case {
        const KObject* attribute;
        int element;  // light element, -1 for the node's own attributes
        float value;
    };
    const Case cases[] = {
        {&DermalShade::lightShadowFraction, 0, 1.0f},
        {&DermalShade::preShadowIntensity, 0, 0.0f},
        {&DermalShade::tangentUCamera.child[0], -1, -5.0f},
        {&DermalShade::tangentVCamera.child[1], -1, 7.0f},
        {&DermalShade::transparency.child[0], -1, 1.0f},
    };
    for (const Case& c : cases) {
        tarn::storeHandle(store, *AttributeImpl::from(*c.attribute), c.element, false).set(c.value);
        EXPECT_EQ(computeColour(), reference) << AttributeImpl::from(*c.attribute)->longName;
    }
}

}  // namespace
