#include "texture/splatter/splatter_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId splatterNode::id(0x10534A);

std::vector<OwnRow> splatterNode::ownRows() {
    const SplatterParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const splatterColorLong[3] = {"splatterColorR", "splatterColorG",
                                                     "splatterColorB"};
    static const char* const splatterColorShort[3] = {"sr", "sg", "sb"};
    return {
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
}
