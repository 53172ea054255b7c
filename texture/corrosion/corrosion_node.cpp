#include "texture/corrosion/corrosion_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId corrosionNode::id(0x105341);

namespace {

constexpr unsigned kOwnOn = kStorable | kKeyable | kReadable | kWritable | kReset;

}  // namespace

std::vector<AttrRow> corrosionNode::ownRows() {
    const CorrosionParams d;
    return {
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
}
