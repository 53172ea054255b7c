#include "texture/denim/denim_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId denimNode::id(0x105349);

std::vector<OwnRow> denimNode::ownRows() {
    const DenimParams d;
    static const char* const vl[3] = {"vColorR", "vColorG", "vColorB"};
    static const char* const vs[3] = {"vr", "vg", "vb"};
    static const char* const ul[3] = {"uColorR", "uColorG", "uColorB"};
    static const char* const us[3] = {"ur", "ug", "ub"};
    static const char* const xl[3] = {"creaseColorR", "creaseColorG", "creaseColorB"};
    static const char* const xs[3] = {"xcr", "xcg", "xcb"};
    static const char* const sl[3] = {"stainColorR", "stainColorG", "stainColorB"};
    static const char* const ss[3] = {"sr", "sg", "sb"};
    const unsigned childOn = kKeyable | kStorable;
    return {
        {ownColor("vColor", "vc", vl, vs, d.vColor, offsetof(DenimParams, vColor), kColourOn, 0,
                  childOn),
         0},
        {ownColor("uColor", "uc", ul, us, d.uColor, offsetof(DenimParams, uColor), kColourOn, 0,
                  childOn),
         1},
        {ownColor("creaseColor", "xcc", xl, xs, d.creaseColor, offsetof(DenimParams, creaseColor),
                  kColourOn, 0, childOn),
         2},
        {ownColor("stainColor", "sc", sl, ss, d.stainColor, offsetof(DenimParams, stainColor),
                  kColourOn, 0, childOn),
         3},
        {withSoft(ownFloat("uFrequency", "ufq", d.uFrequency, offsetof(DenimParams, uFrequency),
                           kPlainOn, kHidden),
                  0, 100),
         5},
        {withSoft(
             ownFloat("uWidth", "uw", d.uWidth, offsetof(DenimParams, uWidth), kPlainOn, kHidden),
             0, 3),
         7},
        {withSoft(ownFloat("vFrequency", "vfq", d.vFrequency, offsetof(DenimParams, vFrequency),
                           kPlainOn, kHidden),
                  0, 100),
         4},
        {withSoft(
             ownFloat("vWidth", "vw", d.vWidth, offsetof(DenimParams, vWidth), kPlainOn, kHidden),
             0, 3),
         6},
        {withSoft(ownFloat("stainIntensity", "si", d.stainIntensity,
                           offsetof(DenimParams, stainIntensity), kPlainOn, kHidden),
                  0, 5),
         8},
        {withSoft(ownFloat("stainFrequency", "sfq", d.stainFrequency,
                           offsetof(DenimParams, stainFrequency), kPlainOn, kHidden),
                  0, 20),
         9},
        {withSoft(ownFloat("hueOffset", "hof", d.hueOffset, offsetof(DenimParams, hueOffset),
                           kPlainOn, kHidden),
                  0, 360),
         10},
        {withSoft(ownFloat("saturationOffset", "sof", d.saturationOffset,
                           offsetof(DenimParams, saturationOffset), kPlainOn, kHidden),
                  0, 1),
         11},
        {withSoft(ownFloat("brightnessOffset", "bof", d.brightnessOffset,
                           offsetof(DenimParams, brightnessOffset), kPlainOn, kHidden),
                  0, 1),
         12},
    };
}
