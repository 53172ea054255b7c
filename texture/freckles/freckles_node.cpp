#include "texture/freckles/freckles_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/freckles/freckles_pattern.h"

using texture::FrecklesParams;

const KTypeId frecklesNode::id(0x105342);
texture::AttributeLayout frecklesNode::s_layout;
texture::Texture2dHandles frecklesNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order, with their registration position and whether they affect
// outColor only.
std::vector<AttrRow> ownRows() {
    const FrecklesParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const frecklesColorLong[3] = {"frecklesColorR", "frecklesColorG",
                                                     "frecklesColorB"};
    static const char* const frecklesColorShort[3] = {"fr", "fg", "fb"};
    struct Own {
        AttrRow row;
        int addOrder;
        bool colourOnly;
    } own[] = {
        {ownColor("backgroundColor", "bg", backgroundColorLong, backgroundColorShort,
                  d.backgroundColor, offsetof(FrecklesParams, backgroundColor),
                  kStorable | kKeyable | kReset | kUsedAsColor),
         0, true},
        {ownColor("frecklesColor", "fc", frecklesColorLong, frecklesColorShort, d.frecklesColor,
                  offsetof(FrecklesParams, frecklesColor), kColourOn),
         1, true},
        {withSoft(ownFloat("uFrequency", "uf", d.uFrequency, offsetof(FrecklesParams, uFrequency),
                           kPlainOn, kHidden),
                  0, 20),
         2, false},
        {withSoft(ownFloat("vFrequency", "vf", d.vFrequency, offsetof(FrecklesParams, vFrequency),
                           kPlainOn, kHidden),
                  0, 20),
         3, false},
        {withSoft(ownFloat("uOffset", "uo", d.uOffset, offsetof(FrecklesParams, uOffset), kPlainOn,
                           kHidden),
                  0, 0.5),
         4, false},
        {withSoft(ownFloat("vOffset", "vo", d.vOffset, offsetof(FrecklesParams, vOffset), kPlainOn,
                           kHidden),
                  0, 0.5),
         5, false},
        {withSoft(ownFloat("maxRadius", "mra", d.maxRadius, offsetof(FrecklesParams, maxRadius),
                           kPlainOn, kHidden),
                  0, 0.5),
         6, false},
        {withSoft(ownFloat("frecklesSizeRate", "fsr", d.frecklesSizeRate,
                           offsetof(FrecklesParams, frecklesSizeRate), kPlainOn, kHidden),
                  0, 1),
         7, false},
        {withSoft(ownFloat("seedValue", "sv", d.seedValue, offsetof(FrecklesParams, seedValue),
                           kPlainOn, kHidden),
                  0, 0.5),
         8, false},
        {withSoft(ownInt("numberOfSizes", "nos", d.numberOfSizes,
                         offsetof(FrecklesParams, numberOfSizes), kPlainOn, kHidden),
                  0, 30),
         9, false},
        {withHard(ownFloat("percentage", "pct", d.percentage, offsetof(FrecklesParams, percentage),
                           kPlainOn, kHidden),
                  0, 1),
         10, false},
        {withSoft(ownFloat("edgeFalloff", "ef", d.edgeFalloff,
                           offsetof(FrecklesParams, edgeFalloff), kPlainOn, kHidden),
                  0, 1),
         11, false},
        {ownBool("uniformFalloff", "ufa", d.uniformFalloff,
                 offsetof(FrecklesParams, uniformFalloff), kPlainOn, kHidden),
         12, false},
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
    return frecklesPattern(u, v, *static_cast<const FrecklesParams*>(params));
}

}  // namespace

void* frecklesNode::creator() {
    return new (std::nothrow) frecklesNode;
}

std::vector<texture::AttrRow> frecklesNode::attributeRows() {
    return texture2dRows(ownRows(), false);
}

KStatus frecklesNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& frecklesNode::layout() {
    return s_layout;
}

void frecklesNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus frecklesNode::compute(const KPlug& plug, KDataBlock& block) {
    FrecklesParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
