#include "shader/dermal_shade_node.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "shader/scattering_lookup.h"
#include "shader/skin_reflectance.h"

const KTypeId DermalShade::id(0x81061);

DermalShade::Compound3 DermalShade::outColor;
DermalShade::Compound3 DermalShade::outTransparency;
DermalShade::Compound3 DermalShade::pointCamera;
DermalShade::Compound3 DermalShade::transparency;
DermalShade::Compound3 DermalShade::epidermis;
DermalShade::Compound3 DermalShade::dermis;
DermalShade::Compound3 DermalShade::anisotropy;
KObject DermalShade::roughness;
KObject DermalShade::Ambient;
KObject DermalShade::SubSurface;
KObject DermalShade::Surface;
KObject DermalShade::reflectivity;
DermalShade::Compound3 DermalShade::reflectedColor;
DermalShade::Compound3 DermalShade::normalCamera;
KObject DermalShade::lightDataArray;
DermalShade::Compound3 DermalShade::lightDirection;
DermalShade::Compound3 DermalShade::lightIntensity;
KObject DermalShade::lightAmbient;
KObject DermalShade::lightDiffuse;
KObject DermalShade::lightSpecular;
KObject DermalShade::lightShadowFraction;
KObject DermalShade::preShadowIntensity;
KObject DermalShade::blindLightData;
DermalShade::Compound3 DermalShade::tangentUCamera;
DermalShade::Compound3 DermalShade::tangentVCamera;

namespace {

// Attribute flags to set; -1 keeps the SDK default.
struct Flags {
    int storable = -1, hidden = -1, readable = -1, writable = -1;
};

constexpr Flags kKeep{};
constexpr Flags kStorable{1, -1, -1, -1};
constexpr Flags kNotStorable{0, -1, -1, -1};
constexpr Flags kOutput{0, 1, -1, -1};  // not storable, hidden
constexpr Flags kReadOnly{0, 0, 1, 0};  // not storable, not hidden, readable
constexpr Flags kHiddenNotStorable{0, 1, -1, -1};
constexpr Flags kPrivateInput{0, 1, 0, -1};  // not storable, hidden, not readable

KStatus applyFlags(const KObject& attribute, const Flags& f) {
    KStatus status;
    KFnAttribute fn(attribute, &status);
    if (!status) return status;
    if (f.storable >= 0) status = fn.setStorable(f.storable != 0);
    if (status && f.hidden >= 0) status = fn.setHidden(f.hidden != 0);
    if (status && f.readable >= 0) status = fn.setReadable(f.readable != 0);
    if (status && f.writable >= 0) status = fn.setWritable(f.writable != 0);
    return status;
}

// One three-float compound: names, defaults (none: SDK default) and flags.
struct Compound3Def {
    DermalShade::Compound3* handles;
    const char* longName;
    const char* shortName;
    const char* childLong[3];
    const char* childShort[3];
    bool hasDefault;
    float defaults[3];
    bool colour;
    Flags parentFlags;
    Flags childFlags;
};

// One float leaf with its hard limits.
struct FloatDef {
    KObject* handle;
    const char* longName;
    const char* shortName;
    float defaultValue, minimum, maximum;
};

// One child of the light-data compound that is a plain leaf.
struct LightLeafDef {
    KObject* handle;
    const char* longName;
    const char* shortName;
    KFnNumericData::Type type;
    double defaultValue;
};

using D = DermalShade;

const Compound3Def kCompounds[] = {
    {&D::outColor,
     "outColor",
     "oc",
     {"outColorR", "outColorG", "outColorB"},
     {"ocr", "ocg", "ocb"},
     false,
     {},
     false,
     kOutput,
     kKeep},
    {&D::outTransparency,
     "outTransparency",
     "ot",
     {"outTransparencyR", "outTransparencyG", "outTransparencyB"},
     {"otr", "otg", "otb"},
     false,
     {},
     false,
     kReadOnly,
     kKeep},
    {&D::pointCamera,
     "pointCamera",
     "pc",
     {"pointCameraX", "pointCameraY", "pointCameraZ"},
     {"px", "py", "pz"},
     true,
     {1, 1, 1},
     false,
     kHiddenNotStorable,
     kNotStorable},
    {&D::transparency,
     "transparency",
     "it",
     {"transparencyR", "transparencyG", "transparencyB"},
     {"itr", "itg", "itb"},
     false,
     {},
     false,
     kReadOnly,
     kKeep},
    {&D::epidermis,
     "epidermis",
     "epi",
     {"epidermisR", "epidermisG", "epidermisB"},
     {"epr", "epg", "epb"},
     true,
     {1, 1, 1},
     true,
     kStorable,
     kStorable},
    {&D::dermis,
     "dermis",
     "der",
     {"dermisR", "dermisG", "dermisB"},
     {"dmr", "dmg", "dmb"},
     true,
     {0.993f, 0.979f, 0.943f},
     true,
     kStorable,
     kKeep},
    {&D::anisotropy,
     "anisotropy",
     "ani",
     {"anisotropyR", "anisotropyG", "anisotropyB"},
     {"anr", "ang", "anb"},
     true,
     {0.955f, 0.949f, 0.914f},
     true,
     kStorable,
     kKeep},
    {&D::reflectedColor,
     "reflectedColor",
     "rc",
     {"reflectedColorR", "reflectedColorG", "reflectedColorB"},
     {"rr", "rg", "rb"},
     true,
     {0, 0, 0},
     true,
     kStorable,
     kKeep},
    {&D::normalCamera,
     "normalCamera",
     "n",
     {"normalCameraX", "normalCameraY", "normalCameraZ"},
     {"nx", "ny", "nz"},
     true,
     {1, 1, 1},
     false,
     kNotStorable,
     kKeep},
    {&D::tangentUCamera,
     "tangentUCamera",
     "tu",
     {"tangentUCameraX", "tangentUCameraY", "tangentUCameraZ"},
     {"tux", "tuy", "tuz"},
     true,
     {1, 0, 0},
     false,
     kPrivateInput,
     kKeep},
    {&D::tangentVCamera,
     "tangentVCamera",
     "tv",
     {"tangentVCameraX", "tangentVCameraY", "tangentVCameraZ"},
     {"tvx", "tvy", "tvz"},
     true,
     {1, 0, 0},
     false,
     kPrivateInput,
     kKeep},
    {&D::lightDirection,
     "lightDirection",
     "ld",
     {"lightDirectionX", "lightDirectionY", "lightDirectionZ"},
     {"ldx", "ldy", "ldz"},
     true,
     {1, 1, 1},
     false,
     kPrivateInput,
     kKeep},
    {&D::lightIntensity,
     "lightIntensity",
     "li",
     {"lightIntensityR", "lightIntensityG", "lightIntensityB"},
     {"lir", "lig", "lib"},
     true,
     {1, 1, 1},
     false,
     kPrivateInput,
     kKeep},
};

const FloatDef kFloats[] = {
    {&D::roughness, "roughness", "rgh", 0.5f, 0.0f, 0.9f},
    {&D::Ambient, "Ambient", "amb", 0.5f, 0.0f, 1.0f},
    {&D::SubSurface, "SubSurface", "fudge1", 10.0f, 0.0f, 1000.0f},
    {&D::Surface, "Surface", "fudge2", 1.0f, 0.0f, 1.0f},
    {&D::reflectivity, "reflectivity", "ref", 1.0f, 0.0f, 2.0f},
};

const LightLeafDef kLightLeaves[] = {
    {&D::lightAmbient, "lightAmbient", "la", KFnNumericData::kBoolean, 1.0},
    {&D::lightDiffuse, "lightDiffuse", "ldf", KFnNumericData::kBoolean, 1.0},
    {&D::lightSpecular, "lightSpecular", "ls", KFnNumericData::kBoolean, 0.0},
    {&D::lightShadowFraction, "lightShadowFraction", "lsf", KFnNumericData::kFloat, 0.0},
    {&D::preShadowIntensity, "preShadowIntensity", "psi", KFnNumericData::kFloat, 0.0},
};

// Order in which the attributes are added; a compound brings its children along.
const KObject* const kRegistrationOrder[] = {
    &D::pointCamera.parent,
    &D::lightDataArray,
    &D::lightDirection.parent,
    &D::lightIntensity.parent,
    &D::tangentUCamera.parent,
    &D::tangentVCamera.parent,
    &D::lightAmbient,
    &D::lightDiffuse,
    &D::lightSpecular,
    &D::lightShadowFraction,
    &D::preShadowIntensity,
    &D::blindLightData,
    &D::epidermis.parent,
    &D::dermis.parent,
    &D::anisotropy.parent,
    &D::roughness,
    &D::Ambient,
    &D::SubSurface,
    &D::Surface,
    &D::reflectivity,
    &D::reflectedColor.parent,
    &D::normalCamera.parent,
    &D::outColor.parent,
    &D::outTransparency.parent,
    &D::transparency.parent,
};

KStatus createCompound3(const Compound3Def& def) {
    KFnNumericAttribute fn;
    KStatus status;
    for (int c = 0; c < 3; ++c) {
        def.handles->child[c] =
            fn.create(def.childLong[c], def.childShort[c], KFnNumericData::kFloat,
                      def.hasDefault ? def.defaults[c] : 0.0, &status);
        if (!status) return status;
        if (!(status = applyFlags(def.handles->child[c], def.childFlags))) return status;
    }
    def.handles->parent = fn.create(def.longName, def.shortName, def.handles->child[0],
                                    def.handles->child[1], def.handles->child[2], &status);
    if (!status) return status;
    if (def.hasDefault &&
        !(status = fn.setDefault(def.defaults[0], def.defaults[1], def.defaults[2])))
        return status;
    if (def.colour && !(status = fn.setUsedAsColor(true))) return status;
    return applyFlags(def.handles->parent, def.parentFlags);
}

KStatus createLightData() {
    KStatus status;
    KFnNumericAttribute fn;
    for (const LightLeafDef& def : kLightLeaves) {
        *def.handle = fn.create(def.longName, def.shortName, def.type, def.defaultValue, &status);
        if (!status || !(status = applyFlags(*def.handle, kPrivateInput))) return status;
    }
    D::blindLightData = fn.createAddr("blindLightData", "bld", nullptr, &status);
    if (!status || !(status = applyFlags(D::blindLightData, kPrivateInput))) return status;

    KFnLightDataAttribute light;
    D::lightDataArray =
        light.create("lightDataArray", "ltd", D::lightDirection.parent, D::lightIntensity.parent,
                     D::lightAmbient, D::lightDiffuse, D::lightSpecular, D::lightShadowFraction,
                     D::preShadowIntensity, D::blindLightData, &status);
    if (!status) return status;
    if (!(status = light.setArray(true))) return status;
    if (!(status = applyFlags(D::lightDataArray, kHiddenNotStorable))) return status;
    // The compound's own defaults replace those of its children.
    return light.setDefault(0, 0, 0, 0, 0, 0, true, true, false, 0, 1, nullptr);
}

// Every input that affects outColor, compounds and children alike.
KStatus declareDependencies() {
    KStatus status;
    auto affects = [&](const KObject& input, const KObject& output) {
        if (status) status = KPxNode::attributeAffects(input, output);
    };
    auto affectsCompound = [&](const D::Compound3& input, const KObject& output) {
        affects(input.parent, output);
        for (const KObject& child : input.child) affects(child, output);
    };
    const KObject& out = D::outColor.parent;
    affectsCompound(D::pointCamera, out);
    affects(D::lightDataArray, out);
    affectsCompound(D::lightDirection, out);
    affectsCompound(D::lightIntensity, out);
    affectsCompound(D::tangentUCamera, out);
    affectsCompound(D::tangentVCamera, out);
    for (const KObject* leaf : {&D::lightAmbient, &D::lightDiffuse, &D::lightSpecular,
                                &D::preShadowIntensity, &D::blindLightData})
        affects(*leaf, out);
    affectsCompound(D::epidermis, out);
    affectsCompound(D::dermis, out);
    affectsCompound(D::anisotropy, out);
    for (const KObject* leaf :
         {&D::roughness, &D::Ambient, &D::SubSurface, &D::Surface, &D::reflectivity})
        affects(*leaf, out);
    affectsCompound(D::reflectedColor, out);
    affectsCompound(D::normalCamera, out);
    affectsCompound(D::transparency, D::outTransparency.parent);
    return status;
}

// Unit vector along v, or zero when v has no usable direction (zero, infinite or NaN), so that
// a broken normal or view shades as a grazing one instead of carrying infinities to the output.
KFloatVector unitOrZero(KFloatVector v) {
    v.normalize();
    if (!(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z))) return {0, 0, 0};
    return v;
}

bool isCompoundPlug(const KObject& attribute, const D::Compound3& compound) {
    return attribute == compound.parent || attribute == compound.child[0] ||
           attribute == compound.child[1] || attribute == compound.child[2];
}

}  // namespace

DermalShade::~DermalShade() = default;

void* DermalShade::creator() {
    return new DermalShade();
}

KStatus DermalShade::initialize() {
    try {
        KStatus status;
        for (const Compound3Def& def : kCompounds)
            if (!(status = createCompound3(def))) return status;
        KFnNumericAttribute fn;
        for (const FloatDef& def : kFloats) {
            *def.handle = fn.create(def.longName, def.shortName, KFnNumericData::kFloat,
                                    def.defaultValue, &status);
            if (!status) return status;
            // Limits at single precision: the roughness maximum is 0.8999999761581421.
            if (!(status = fn.setMin(def.minimum)) || !(status = fn.setMax(def.maximum)))
                return status;
            if (!(status = fn.setStorable(true))) return status;
        }
        if (!(status = createLightData())) return status;
        for (const KObject* attribute : kRegistrationOrder)
            if (!(status = addAttribute(*attribute))) return status;
        return declareDependencies();
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
}

KStatus DermalShade::compute(const KPlug& plug, KDataBlock& dataBlock) {
    try {
        const KObject attribute = plug.attribute();
        if (isCompoundPlug(attribute, outColor)) {
            shade(dataBlock);
            dataBlock.setClean(plug);
        } else if (isCompoundPlug(attribute, outTransparency)) {
            // The skin is opaque whatever `transparency` holds.
            KDataHandle out = dataBlock.outputValue(outTransparency.parent);
            out.set(0.0f, 0.0f, 0.0f);
            dataBlock.setClean(plug);
        }
        // Every other plug: nothing to write, and still success.
        return KStatus();
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
}

void DermalShade::shade(KDataBlock& block) {
    // Read the geometry and the material.
    KFloatVector N = block.inputValue(normalCamera.parent).asFloatVector();
    KFloatVector V = -block.inputValue(pointCamera.parent).asFloatVector();
    const KFloatVector E = block.inputValue(epidermis.parent).asFloatVector();
    const KFloatVector D = block.inputValue(dermis.parent).asFloatVector();
    const KFloatVector A = block.inputValue(anisotropy.parent).asFloatVector();
    const float r = block.inputValue(roughness).asFloat();
    const float kA = block.inputValue(Ambient).asFloat();
    const float kSub = block.inputValue(SubSurface).asFloat();
    const float kSurf = block.inputValue(Surface).asFloat();
    const float q = block.inputValue(reflectivity).asFloat();
    const KFloatVector Cr = block.inputValue(reflectedColor.parent).asFloatVector();

    const float g[3] = {0.9f * A.x, 0.9f * A.y, 0.9f * A.z};
    const float kSpec = static_cast<float>(40.0 * kSurf);
    float S[3] = {0.0f, 0.0f, 0.0f};
    KArrayDataHandle lights = block.inputArrayValue(lightDataArray);
    const unsigned count = lights.elementCount();

    // View angle; u is kept inside [1e-8, 1] so the arc-cosine is always defined.
    V = unitOrZero(V);
    N = unitOrZero(N);
    float u = V * N;
    if (static_cast<double>(u) < 1e-8) u = 1e-8f;
    if (static_cast<double>(u) > 0.99999999) u = 1.0f;
    const float thetaR = static_cast<float>(std::acos(static_cast<double>(u)));
    KFloatVector Vt = V - std::cos(thetaR) * N;
    Vt.normalize();

    // The scattering cell of a channel depends on the material only, not on the light: look
    // each up once per sample, on first use (the results equal a lookup per light).
    dermal::ScatteringCell cells[3];
    bool haveCells = false;
    double ambient[3];
    bool haveAmbient = false;
    auto lookupCells = [&] {
        if (haveCells) return;
        for (int c = 0; c < 3; ++c) dermal::lookupScatteringCell(D[c], g[c], r, cells[c]);
        haveCells = true;
    };

    for (unsigned e = 0; e < count; ++e) {
        const KDataHandle light = lights.inputValue();
        const KFloatVector I = light.child(lightIntensity.parent).asFloatVector();
        if (light.child(lightAmbient).asBool()) {
            if (!haveAmbient) {
                lookupCells();
                for (int c = 0; c < 3; ++c)
                    ambient[c] = dermal::ambientResponse(cells[c], E[c], kSub, thetaR);
                haveAmbient = true;
            }
            for (int c = 0; c < 3; ++c) S[c] += static_cast<float>(ambient[c]) * kA * I[c];
        }
        const bool diffuse = light.child(lightDiffuse).asBool();
        const bool specular = light.child(lightSpecular).asBool();
        if (diffuse || specular) {
            // The direction is used as given (its length scales the light); only the
            // arc-cosine sees it clamped, so a longer-than-unit direction cannot give NaN.
            const KFloatVector L = light.child(lightDirection.parent).asFloatVector();
            const float x = L * N;
            // Note: an infinite direction would weigh the light infinitely; it is skipped like
            // a NaN one.
            if (x > 0.0f && std::isfinite(x)) {
                const float thetaI = std::acos(std::min(x, 1.0f));
                KFloatVector Lt = L - std::cos(thetaI) * N;
                Lt.normalize();
                float k = Lt * Vt;
                k = k > 1.0f ? 1.0f : (k >= -1.0f ? k : -1.0f);  // NaN goes to -1 as well
                const float phi = static_cast<float>(std::acos(static_cast<double>(k)));
                const float kS = diffuse ? kSub : 0.0f;
                const float kP = specular ? kSpec : 0.0f;
                // The lobe is the same in every channel: evaluate it once per light. A light
                // without the specular flag skips it, so an overflowing lobe cannot turn into
                // NaN by a multiplication with 0.
                const double lobe =
                    kP != 0.0f ? dermal::specularLobe(r, thetaI, 0.0, thetaR, phi) * kP : 0.0;
                lookupCells();
                for (int c = 0; c < 3; ++c) {
                    const double sub =
                        dermal::subsurfaceResponse(cells[c], E[c], kS, thetaI, 0.0, thetaR, phi);
                    const float R = static_cast<float>(sub + lobe);
                    S[c] += std::max(R, 0.0f) * x * I[c];
                }
            }
        }
        if (!lights.next()) break;
    }

    // Environment reflection, weighted by the Fresnel factor of the view angle.
    const float F = static_cast<float>(dermal::fresnelReflectance(u, 1.4));
    KDataHandle out = block.outputValue(outColor.parent);
    out.set(q * Cr.x * F + S[0], q * Cr.y * F + S[1], q * Cr.z * F + S[2]);
    out.setClean();
}
