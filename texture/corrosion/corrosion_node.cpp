#include "texture/corrosion/corrosion_node.h"

#include <cstddef>
#include <exception>
#include <new>

#include "texture/common/own_rows.h"
#include "texture/corrosion/corrosion_pattern.h"

using texture::CorrosionParams;

const KTypeId corrosionNode::id(0x105341);
texture::AttributeLayout corrosionNode::s_layout;
texture::Placement3dHandles corrosionNode::s_handles;

namespace {

using namespace texture;

constexpr unsigned kOwnOn = kStorable | kKeyable | kReadable | kWritable | kReset;

// Own attributes in creation (and registration) order.
std::vector<AttrRow> ownRows() {
    const CorrosionParams d;
    std::vector<AttrRow> rows = {
        ownCreatedColor("metalColor", "mc", d.metalColor, offsetof(CorrosionParams, metalColor),
                        kOwnOn),
        ownCreatedColor("rustColor", "rc", d.rustColor, offsetof(CorrosionParams, rustColor),
                        kOwnOn),
        withSoft(ownInt("octaves", "oct", d.octaves, offsetof(CorrosionParams, octaves), kOwnOn,
                        kHidden),
                 0, 10),
        withSoft(ownFloat("turbulence", "turb", d.turbulence, offsetof(CorrosionParams, turbulence),
                          kOwnOn, kHidden),
                 0, 5),
        withSoft(ownFloat("contrast", "con", d.contrast, offsetof(CorrosionParams, contrast),
                          kOwnOn, kHidden),
                 0, 1),
        withSoft(ownFloat("moreRust", "mr", d.moreRust, offsetof(CorrosionParams, moreRust), kOwnOn,
                          kHidden),
                 0, 1),
        withSoft(ownFloat("moreMetal", "mm", d.moreMetal, offsetof(CorrosionParams, moreMetal),
                          kOwnOn, kHidden),
                 0, 1),
    };
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].addOrder = static_cast<int>(i);
    return rows;
}

PatternResult evaluate(float x, float y, float z, float fx, float fy, const void* params) {
    return corrosionPattern(x, y, z, fx, fy, *static_cast<const CorrosionParams*>(params));
}

}  // namespace

void* corrosionNode::creator() {
    return new (std::nothrow) corrosionNode;
}

std::vector<texture::AttrRow> corrosionNode::attributeRows() {
    return placement3dRows(ownRows(), PlacementStyle::kOpenBox);
}

KStatus corrosionNode::initialize() {
    try {
        s_layout.initialize(attributeRows(), nullptr);
        s_handles.bind(s_layout);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
    return KStatus::kSuccess;
}

const texture::AttributeLayout& corrosionNode::layout() {
    return s_layout;
}

void corrosionNode::postConstructor() {
    setMPSafe(true);
    setExistWithoutInConnections(true);
}

KStatus corrosionNode::compute(const KPlug& plug, KDataBlock& block) {
    CorrosionParams params;
    return computePlacement3d(plug, block, s_handles, s_layout, &params, &evaluate,
                              PlacementStyle::kOpenBox);
}
