#include "texture/streaks/streaks_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId streaksNode::id(0x105345);

std::vector<OwnRow> streaksNode::ownRows() {
    const StreaksParams d;
    static const char* const backgroundColorLong[3] = {"backgroundColorR", "backgroundColorG",
                                                       "backgroundColorB"};
    static const char* const backgroundColorShort[3] = {"bgr", "bgg", "bgb"};
    static const char* const streakColorLong[3] = {"streakColorR", "streakColorG", "streakColorB"};
    static const char* const streakColorShort[3] = {"skr", "skg", "skb"};
    return {
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
}
