#include "texture/veining/veining_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/veining/veining_pattern.h"

using texture::VeiningParams;

const KTypeId veiningNode::id(0x105347);
texture::AttributeLayout veiningNode::s_layout;
texture::Placement3dHandles veiningNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation (and registration) order.
std::vector<AttrRow> ownRows() {
    const VeiningParams d;
    static const char* const vl[3] = {"veinColorR", "veinColorG", "veinColorB"};
    static const char* const vs[3] = {"vr", "vg", "vb"};
    static const char* const bl[3] = {"backgroundColorR", "backgroundColorG", "backgroundColorB"};
    static const char* const bs[3] = {"bgr", "bgg", "bgb"};
    std::vector<AttrRow> rows = {
        ownColor("veinColor", "vc", vl, vs, d.veinColor, offsetof(VeiningParams, veinColor),
                 kColourOn),
        ownColor("backgroundColor", "bg", bl, bs, d.backgroundColor,
                 offsetof(VeiningParams, backgroundColor), kColourOn),
        withSoft(ownInt("octaves", "oct", d.octaves, offsetof(VeiningParams, octaves), kPlainOn,
                        kHidden),
                 0, 10),
        withSoft(ownFloat("frequency", "fq", d.frequency, offsetof(VeiningParams, frequency),
                          kPlainOn, kHidden),
                 0, 20),
        withSoft(ownFloat("veinWidth", "ww", d.veinWidth, offsetof(VeiningParams, veinWidth),
                          kPlainOn, kHidden),
                 0, 1),
        withSoft(ownFloat("veinDepth", "wd", d.veinDepth, offsetof(VeiningParams, veinDepth),
                          kPlainOn, kHidden),
                 0, 100),
        withSoft(ownFloat("veinFalloff", "vf", d.veinFalloff, offsetof(VeiningParams, veinFalloff),
                          kPlainOn, kHidden),
                 0, 0.5),
    };
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].addOrder = static_cast<int>(i);
    return rows;
}

PatternResult evaluate(float x, float y, float z, float, float, const void* params) {
    return veiningPattern(x, y, z, *static_cast<const VeiningParams*>(params));
}

}  // namespace

void* veiningNode::creator() {
    return new (std::nothrow) veiningNode;
}

std::vector<texture::AttrRow> veiningNode::attributeRows() {
    return placement3dRows(ownRows(), PlacementStyle::kClosedBox);
}

KStatus veiningNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& veiningNode::layout() {
    return s_layout;
}

void veiningNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus veiningNode::compute(const KPlug& plug, KDataBlock& block) {
    VeiningParams params;
    return computePlacement3d(plug, block, s_handles, s_layout, &params, &evaluate,
                              PlacementStyle::kClosedBox);
}
