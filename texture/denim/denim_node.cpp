#include "texture/denim/denim_node.h"

#include <cstddef>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/denim/denim_pattern.h"

using texture::DenimParams;

const KTypeId denimNode::id(0x105349);
texture::AttributeLayout denimNode::s_layout;
texture::Texture2dHandles denimNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kFloatOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order; addOrder gives the registration order.
std::vector<AttrRow> ownRows() {
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
    struct Own {
        AttrRow row;
        int addOrder;
    } own[] = {
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
                           kFloatOn, kHidden),
                  0, 100),
         5},
        {withSoft(
             ownFloat("uWidth", "uw", d.uWidth, offsetof(DenimParams, uWidth), kFloatOn, kHidden),
             0, 3),
         7},
        {withSoft(ownFloat("vFrequency", "vfq", d.vFrequency, offsetof(DenimParams, vFrequency),
                           kFloatOn, kHidden),
                  0, 100),
         4},
        {withSoft(
             ownFloat("vWidth", "vw", d.vWidth, offsetof(DenimParams, vWidth), kFloatOn, kHidden),
             0, 3),
         6},
        {withSoft(ownFloat("stainIntensity", "si", d.stainIntensity,
                           offsetof(DenimParams, stainIntensity), kFloatOn, kHidden),
                  0, 5),
         8},
        {withSoft(ownFloat("stainFrequency", "sfq", d.stainFrequency,
                           offsetof(DenimParams, stainFrequency), kFloatOn, kHidden),
                  0, 20),
         9},
        {withSoft(ownFloat("hueOffset", "hof", d.hueOffset, offsetof(DenimParams, hueOffset),
                           kFloatOn, kHidden),
                  0, 360),
         10},
        {withSoft(ownFloat("saturationOffset", "sof", d.saturationOffset,
                           offsetof(DenimParams, saturationOffset), kFloatOn, kHidden),
                  0, 1),
         11},
        {withSoft(ownFloat("brightnessOffset", "bof", d.brightnessOffset,
                           offsetof(DenimParams, brightnessOffset), kFloatOn, kHidden),
                  0, 1),
         12},
    };
    std::vector<AttrRow> rows;
    for (Own& o : own) {
        o.row.addOrder = o.addOrder;
        rows.push_back(o.row);
    }
    return rows;
}

PatternResult evaluate(float u, float v, float fx, float fy, const void* params) {
    return denimPattern(u, v, fx, fy, *static_cast<const DenimParams*>(params));
}

}  // namespace

void* denimNode::creator() {
    return new (std::nothrow) denimNode;
}

std::vector<texture::AttrRow> denimNode::attributeRows() {
    return texture2dRows(ownRows(), true);
}

KStatus denimNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), "denim");
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& denimNode::layout() {
    return s_layout;
}

void denimNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus denimNode::compute(const KPlug& plug, KDataBlock& block) {
    DenimParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
