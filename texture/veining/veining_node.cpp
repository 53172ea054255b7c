#include "texture/veining/veining_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId veiningNode::id(0x105347);

std::vector<AttrRow> veiningNode::ownRows() {
    const VeiningParams d;
    static const char* const vl[3] = {"veinColorR", "veinColorG", "veinColorB"};
    static const char* const vs[3] = {"vr", "vg", "vb"};
    static const char* const bl[3] = {"backgroundColorR", "backgroundColorG", "backgroundColorB"};
    static const char* const bs[3] = {"bgr", "bgg", "bgb"};
    return {
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
}
