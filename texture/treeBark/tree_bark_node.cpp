#include "texture/treeBark/tree_bark_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/treeBark/tree_bark_pattern.h"

using texture::TreeBarkParams;

const KTypeId treeBarkNode::id(0x105346);
texture::AttributeLayout treeBarkNode::s_layout;
texture::Texture2dHandles treeBarkNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order, with their registration position and whether they affect
// outColor only.
std::vector<AttrRow> ownRows() {
    const TreeBarkParams d;
    static const char* const barkColorLong[3] = {"barkColorR", "barkColorG", "barkColorB"};
    static const char* const barkColorShort[3] = {"bkr", "bkg", "bkb"};
    static const char* const mottleColorLong[3] = {"mottleColorR", "mottleColorG", "mottleColorB"};
    static const char* const mottleColorShort[3] = {"mtr", "mtg", "mtb"};
    static const char* const furrowColorLong[3] = {"furrowColorR", "furrowColorG", "furrowColorB"};
    static const char* const furrowColorShort[3] = {"fr", "fg", "fb"};
    static const char* const crackColorLong[3] = {"crackColorR", "crackColorG", "crackColorB"};
    static const char* const crackColorShort[3] = {"xcr", "xcg", "xcb"};
    struct Own {
        AttrRow row;
        int addOrder;
        bool colourOnly;
    } own[] = {
        {ownColor("barkColor", "bk", barkColorLong, barkColorShort, d.barkColor,
                  offsetof(TreeBarkParams, barkColor), kColourOn),
         0, false},
        {withSoft(ownFloat("frequency", "fq", d.frequency, offsetof(TreeBarkParams, frequency),
                           kPlainOn, kHidden),
                  0, 100),
         4, false},
        {withSoft(ownFloat("uWidth", "uw", d.uWidth, offsetof(TreeBarkParams, uWidth), kPlainOn,
                           kHidden),
                  0, 100),
         5, false},
        {withSoft(ownFloat("vWidth", "vw", d.vWidth, offsetof(TreeBarkParams, vWidth), kPlainOn,
                           kHidden),
                  0, 100),
         6, false},
        {withSoft(ownFloat("hueOffset", "hof", d.hueOffset, offsetof(TreeBarkParams, hueOffset),
                           kPlainOn, kHidden),
                  0, 360),
         12, false},
        {withSoft(ownFloat("saturationOffset", "sof", d.saturationOffset,
                           offsetof(TreeBarkParams, saturationOffset), kPlainOn, kHidden),
                  0, 1),
         13, false},
        {withSoft(ownFloat("brightnessOffset", "bof", d.brightnessOffset,
                           offsetof(TreeBarkParams, brightnessOffset), kPlainOn, kHidden),
                  0, 1),
         14, false},
        {ownColor("mottleColor", "mt", mottleColorLong, mottleColorShort, d.mottleColor,
                  offsetof(TreeBarkParams, mottleColor), kColourOn),
         1, false},
        {ownBool("mottling", "bm", d.mottling, offsetof(TreeBarkParams, mottling), kPlainOn,
                 kHidden),
         7, false},
        {withSoft(ownFloat("mottleFrequency", "mfq", d.mottleFrequency,
                           offsetof(TreeBarkParams, mottleFrequency), kPlainOn, kHidden),
                  0, 40),
         8, false},
        {ownColor("furrowColor", "fc", furrowColorLong, furrowColorShort, d.furrowColor,
                  offsetof(TreeBarkParams, furrowColor), kColourOn),
         2, false},
        {withSoft(ownFloat("furrowWidth", "fw", d.furrowWidth,
                           offsetof(TreeBarkParams, furrowWidth), kPlainOn, kHidden),
                  0, 1),
         9, false},
        {ownBool("edgeVariation", "ev", d.edgeVariation, offsetof(TreeBarkParams, edgeVariation),
                 kPlainOn, kHidden),
         10, false},
        {withSoft(ownFloat("edgeFrequency", "efq", d.edgeFrequency,
                           offsetof(TreeBarkParams, edgeFrequency), kPlainOn, kHidden),
                  0, 100),
         11, false},
        {ownColor("crackColor", "xcc", crackColorLong, crackColorShort, d.crackColor,
                  offsetof(TreeBarkParams, crackColor), kColourOn),
         3, false},
    };
    std::vector<AttrRow> rows;
    for (Own& o : own) {
        o.row.addOrder = o.addOrder;
        if (o.colourOnly) o.row.affects = o.row.childAffects = Affects::kColorOnly;
        rows.push_back(o.row);
    }
    return rows;
}

PatternResult evaluate(float u, float v, float fx, float fy, const void* params) {
    (void)fx;
    (void)fy;
    return treeBarkPattern(u, v, fx, fy, *static_cast<const TreeBarkParams*>(params));
}

}  // namespace

void* treeBarkNode::creator() {
    return new (std::nothrow) treeBarkNode;
}

std::vector<texture::AttrRow> treeBarkNode::attributeRows() {
    return texture2dRows(ownRows(), false);
}

KStatus treeBarkNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& treeBarkNode::layout() {
    return s_layout;
}

void treeBarkNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus treeBarkNode::compute(const KPlug& plug, KDataBlock& block) {
    TreeBarkParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
