#include "texture/splatter/splatter_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/splatter/splatter_pattern.h"

using texture::SplatterParams;

const KTypeId splatterNode::id(0x10534A);
texture::AttributeLayout splatterNode::s_layout;
texture::Texture2dHandles splatterNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order, with their registration position and whether they affect
// outColor only.
std::vector<AttrRow> ownRows() {
    const SplatterParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const splatterColorLong[3] = {"splatterColorR", "splatterColorG",
                                                     "splatterColorB"};
    static const char* const splatterColorShort[3] = {"sr", "sg", "sb"};
    struct Own {
        AttrRow row;
        int addOrder;
        bool colourOnly;
    } own[] = {
        {ownColor("backgroundColor", "bg", backgroundColorLong, backgroundColorShort,
                  d.backgroundColor, offsetof(SplatterParams, backgroundColor), kColourOn),
         0, false},
        {ownColor("splatterColor", "sc", splatterColorLong, splatterColorShort, d.splatterColor,
                  offsetof(SplatterParams, splatterColor), kColourOn),
         1, false},
        {withSoftMax(withHardMin(ownInt("numberOfSizes", "nos", d.numberOfSizes,
                                        offsetof(SplatterParams, numberOfSizes), kPlainOn, kHidden),
                                 1),
                     10),
         2, false},
        {withSoft(ownFloat("minDiameter", "mind", d.minDiameter,
                           offsetof(SplatterParams, minDiameter), kPlainOn, kHidden),
                  0.001, 1),
         3, false},
        {withHard(ownFloat("threshold", "thr", d.threshold, offsetof(SplatterParams, threshold),
                           kPlainOn, kHidden),
                  0, 1),
         4, false},
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
    return splatterPattern(u, v, *static_cast<const SplatterParams*>(params));
}

}  // namespace

void* splatterNode::creator() {
    return new (std::nothrow) splatterNode;
}

std::vector<texture::AttrRow> splatterNode::attributeRows() {
    return texture2dRows(ownRows(), false);
}

KStatus splatterNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& splatterNode::layout() {
    return s_layout;
}

void splatterNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus splatterNode::compute(const KPlug& plug, KDataBlock& block) {
    SplatterParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
