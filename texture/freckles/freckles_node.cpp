#include "texture/freckles/freckles_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId frecklesNode::id(0x105342);

std::vector<OwnRow> frecklesNode::ownRows() {
    const FrecklesParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const frecklesColorLong[3] = {"frecklesColorR", "frecklesColorG",
                                                     "frecklesColorB"};
    static const char* const frecklesColorShort[3] = {"fr", "fg", "fb"};
    return {
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
}
