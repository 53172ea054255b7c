#pragma once
// The DermalShade surface shader node: layered skin shading from precomputed subsurface
// scattering tables plus a microfacet specular lobe and a Fresnel-weighted environment term.

#include "frame/host_sdk.h"

class DermalShade : public KPxNode {
public:
    /// Handles of a three-float compound and its children (R/G/B or X/Y/Z).
    struct Compound3 {
        KObject parent;
        KObject child[3];
    };

    DermalShade() = default;
    ~DermalShade() override;

    /// Shades `outColor` (or any of its children) and answers black for `outTransparency`;
    /// success for every plug, also those the node does not own (nothing is written then).
    /// Allocation-free and lock-free; reads only the data block and the read-only tables.
    KStatus compute(const KPlug& plug, KDataBlock& dataBlock) override;

    /// Creator registered with the host: a new node the host owns.
    static void* creator();
    /// Creates the attributes, adds them in registration order and declares the dependencies.
    /// Main thread, once per registration.
    static KStatus initialize();

    static const KTypeId id;

    static Compound3 outColor;
    static Compound3 outTransparency;
    static Compound3 pointCamera;
    static Compound3 transparency;
    static Compound3 epidermis;
    static Compound3 dermis;
    static Compound3 anisotropy;
    static KObject roughness;
    static KObject Ambient;
    static KObject SubSurface;
    static KObject Surface;
    static KObject reflectivity;
    static Compound3 reflectedColor;
    static Compound3 normalCamera;
    static KObject lightDataArray;
    static Compound3 lightDirection;
    static Compound3 lightIntensity;
    static KObject lightAmbient;
    static KObject lightDiffuse;
    static KObject lightSpecular;
    static KObject lightShadowFraction;
    static KObject preShadowIntensity;
    static KObject blindLightData;
    static Compound3 tangentUCamera;
    static Compound3 tangentVCamera;

private:
    static void shade(KDataBlock& dataBlock);
};
