#include "texture/scallop/scallop_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId scallopNode::id(0x105344);

std::vector<OwnRow> scallopNode::ownRows() {
    const ScallopParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const scallopColorLong[3] = {"scallopColorR", "scallopColorG",
                                                    "scallopColorB"};
    static const char* const scallopColorShort[3] = {"sr", "sg", "sb"};
    return {
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
}
