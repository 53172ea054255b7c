#include "texture/rings/rings_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId ringsNode::id(0x105343);

std::vector<OwnRow> ringsNode::ownRows() {
    const RingsParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const ringColorLong[3] = {"ringColorR", "ringColorG", "ringColorB"};
    static const char* const ringColorShort[3] = {"rcr", "rcg", "rcb"};
    return {
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
}
