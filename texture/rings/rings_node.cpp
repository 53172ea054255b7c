#include "texture/rings/rings_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/rings/rings_pattern.h"

using texture::RingsParams;

const KTypeId ringsNode::id(0x105343);
texture::AttributeLayout ringsNode::s_layout;
texture::Texture2dHandles ringsNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order, with their registration position and whether they affect
// outColor only.
std::vector<AttrRow> ownRows() {
    const RingsParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const ringColorLong[3] = {"ringColorR", "ringColorG", "ringColorB"};
    static const char* const ringColorShort[3] = {"rcr", "rcg", "rcb"};
    struct Own {
        AttrRow row;
        int addOrder;
        bool colourOnly;
    } own[] = {
        {ownColor("backgroundColor", "bg", backgroundColorLong, backgroundColorShort,
                  d.backgroundColor, offsetof(RingsParams, backgroundColor), kColourOn),
         0, false},
        {ownColor("ringColor", "rc", ringColorLong, ringColorShort, d.ringColor,
                  offsetof(RingsParams, ringColor), kColourOn),
         1, false},
        {withSoft(ownInt("numberOfSizes", "nos", d.numberOfSizes,
                         offsetof(RingsParams, numberOfSizes), kPlainOn, kHidden),
                  0, 30),
         2, false},
        {withHard(ownFloat("percentage", "pct", d.percentage, offsetof(RingsParams, percentage),
                           kPlainOn, kHidden),
                  0, 1),
         3, false},
        {withSoft(ownFloat("maxRadius", "maxr", d.maxRadius, offsetof(RingsParams, maxRadius),
                           kPlainOn, kHidden),
                  0, 1),
         4, false},
        {withSoft(ownFloat("ringSizeRate", "rsr", d.ringSizeRate,
                           offsetof(RingsParams, ringSizeRate), kPlainOn, kHidden),
                  0, 1),
         5, false},
        {withSoft(ownFloat("seedValue", "s", d.seedValue, offsetof(RingsParams, seedValue),
                           kPlainOn, kHidden),
                  0, 1),
         6, false},
        {withSoft(ownFloat("maxWidth", "wid", d.maxWidth, offsetof(RingsParams, maxWidth), kPlainOn,
                           kHidden),
                  0, 0.5),
         7, false},
        {ownBool("uniformWidth", "uw", d.uniformWidth, offsetof(RingsParams, uniformWidth),
                 kPlainOn, kHidden),
         8, false},
        {withSoft(ownFloat("uFrequency", "ufq", d.uFrequency, offsetof(RingsParams, uFrequency),
                           kPlainOn, kHidden),
                  1, 100),
         9, false},
        {withSoft(ownFloat("vFrequency", "vfq", d.vFrequency, offsetof(RingsParams, vFrequency),
                           kPlainOn, kHidden),
                  1, 100),
         10, false},
        {withSoft(ownFloat("uOffset", "uoff", d.uOffset, offsetof(RingsParams, uOffset), kPlainOn,
                           kHidden),
                  0, 1),
         11, false},
        {withSoft(ownFloat("vOffset", "voff", d.vOffset, offsetof(RingsParams, vOffset), kPlainOn,
                           kHidden),
                  0, 1),
         12, false},
        {withSoft(ownFloat("edgeFalloff", "ef", d.edgeFalloff, offsetof(RingsParams, edgeFalloff),
                           kPlainOn, kHidden),
                  0, 1),
         13, false},
        {ownBool("uniformFalloff", "uf", d.uniformFalloff, offsetof(RingsParams, uniformFalloff),
                 kPlainOn, kHidden),
         14, false},
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
    return ringsPattern(u, v, *static_cast<const RingsParams*>(params));
}

}  // namespace

void* ringsNode::creator() {
    return new (std::nothrow) ringsNode;
}

std::vector<texture::AttrRow> ringsNode::attributeRows() {
    return texture2dRows(ownRows(), false);
}

KStatus ringsNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& ringsNode::layout() {
    return s_layout;
}

void ringsNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus ringsNode::compute(const KPlug& plug, KDataBlock& block) {
    RingsParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
