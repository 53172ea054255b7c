#include "texture/streaks/streaks_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/streaks/streaks_pattern.h"

using texture::StreaksParams;

const KTypeId streaksNode::id(0x105345);
texture::AttributeLayout streaksNode::s_layout;
texture::Texture2dHandles streaksNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation order, with their registration position and whether they affect
// outColor only.
std::vector<AttrRow> ownRows() {
    const StreaksParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const streakColorLong[3] = {"streakColorR", "streakColorG", "streakColorB"};
    static const char* const streakColorShort[3] = {"skr", "skg", "skb"};
    struct Own {
        AttrRow row;
        int addOrder;
        bool colourOnly;
    } own[] = {
        {ownColor("backgroundColor", "bg", backgroundColorLong, backgroundColorShort,
                  d.backgroundColor, offsetof(StreaksParams, backgroundColor), kColourOn),
         0, false},
        {ownColor("streakColor", "skc", streakColorLong, streakColorShort, d.streakColor,
                  offsetof(StreaksParams, streakColor), kColourOn),
         1, false},
        {withSoft(ownFloat("frequency", "fq", d.frequency, offsetof(StreaksParams, frequency),
                           kPlainOn, kHidden),
                  0, 300),
         2, false},
        {withSoft(ownFloat("length", "len", d.length, offsetof(StreaksParams, length), kPlainOn,
                           kHidden),
                  0, 500),
         3, false},
        {withSoft(ownInt("octaves", "oct", d.octaves, offsetof(StreaksParams, octaves), kPlainOn,
                         kHidden),
                  1, 6),
         4, false},
        {withSoft(ownFloat("moreStreaks", "st", d.moreStreaks, offsetof(StreaksParams, moreStreaks),
                           kPlainOn, kHidden),
                  0, 1),
         5, false},
        {withSoft(ownFloat("moreSpace", "sp", d.moreSpace, offsetof(StreaksParams, moreSpace),
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
    return streaksPattern(u, v, fx, fy, *static_cast<const StreaksParams*>(params));
}

}  // namespace

void* streaksNode::creator() {
    return new (std::nothrow) streaksNode;
}

std::vector<texture::AttrRow> streaksNode::attributeRows() {
    return texture2dRows(ownRows(), false);
}

KStatus streaksNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& streaksNode::layout() {
    return s_layout;
}

void streaksNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus streaksNode::compute(const KPlug& plug, KDataBlock& block) {
    StreaksParams params;
    return computeTexture2d(plug, block, s_handles, s_layout, &params, &evaluate);
}
