#include "texture/scallop/scallop_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/scallop/scallop_pattern.h"

using texture::ScallopParams;

const KTypeId scallopNode::id(0x105344);
texture::AttributeLayout scallopNode::s_layout;
texture::Texture2dHandles scallopNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order, with their registration position and whether they affect
// outColor only.
std::vector<AttrRow> ownRows() {
    const ScallopParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const scallopColorLong[3] = {"scallopColorR", "scallopColorG",
                                                    "scallopColorB"};
    static const char* const scallopColorShort[3] = {"sr", "sg", "sb"};
    struct Own {
        AttrRow row;
        int addOrder;
        bool colourOnly;
    } own[] = {
        {ownColor("backgroundColor", "bg", backgroundColorLong, backgroundColorShort,
                  d.backgroundColor, offsetof(ScallopParams, backgroundColor), kColourOn),
         0, false},
        {ownColor("scallopColor", "sc", scallopColorLong, scallopColorShort, d.scallopColor,
                  offsetof(ScallopParams, scallopColor), kColourOn),
         1, false},
        {withSoft(ownFloat("uFrequency", "ufq", d.uFrequency, offsetof(ScallopParams, uFrequency),
                           kPlainOn, kHidden),
                  0, 30),
         2, false},
        {withSoft(ownFloat("vFrequency", "vfq", d.vFrequency, offsetof(ScallopParams, vFrequency),
                           kPlainOn, kHidden),
                  0, 30),
         3, false},
        {withSoft(ownFloat("radius", "rad", d.radius, offsetof(ScallopParams, radius), kPlainOn,
                           kHidden),
                  0, 1),
         4, false},
        {withSoft(
             ownFloat("width", "wid", d.width, offsetof(ScallopParams, width), kPlainOn, kHidden),
             0, 1),
         5, false},
        {withSoft(ownFloat("edgeFalloff", "ef", d.edgeFalloff, offsetof(ScallopParams, edgeFalloff),
                           kPlainOn, kHidden),
                  0, 1),
         6, false},
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
    return scallopPattern(u, v, *static_cast<const ScallopParams*>(params));
}

}  // namespace

void* scallopNode::creator() {
    return new (std::nothrow) scallopNode;
}

std::vector<texture::AttrRow> scallopNode::attributeRows() {
    return texture2dRows(ownRows(), false);
}

KStatus scallopNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& scallopNode::layout() {
    return s_layout;
}

void scallopNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus scallopNode::compute(const KPlug& plug, KDataBlock& block) {
    ScallopParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
