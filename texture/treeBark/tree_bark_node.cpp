#include "texture/treeBark/tree_bark_node.h"

#include <cstddef>

#include "texture/common/own_rows.h"

using namespace texture;

const KTypeId treeBarkNode::id(0x105346);

std::vector<OwnRow> treeBarkNode::ownRows() {
    const TreeBarkParams d;
    static const char* const barkColorLong[3] = {"barkColorR", "barkColorG", "barkColorB"};
    static const char* const barkColorShort[3] = {"bkr", "bkg", "bkb"};
    static const char* const mottleColorLong[3] = {"mottleColorR", "mottleColorG", "mottleColorB"};
    static const char* const mottleColorShort[3] = {"mtr", "mtg", "mtb"};
    static const char* const furrowColorLong[3] = {"furrowColorR", "furrowColorG", "furrowColorB"};
    static const char* const furrowColorShort[3] = {"fr", "fg", "fb"};
    static const char* const crackColorLong[3] = {"crackColorR", "crackColorG", "crackColorB"};
    static const char* const crackColorShort[3] = {"xcr", "xcg", "xcb"};
    return {
        {ownColor("barkColor", "bk", barkColorLong, barkColorShort, d.barkColor,
                  offsetof(TreeBarkParams, barkColor), kColourOn),
         0, false},
        {withSoft(ownFloat("frequency", "fq", d.frequency, offsetof(TreeBarkParams, frequency),
                           kPlainOn, kHidden),
                  0, 100),
         4, false},
        {withSoft(ownFloat("uWidth", "uw", d.uWidth, offsetof(TreeBarkParams, uWidth), kPlainOn,
                           kHidden),
                  0, 100),
         5, false},
        {withSoft(ownFloat("vWidth", "vw", d.vWidth, offsetof(TreeBarkParams, vWidth), kPlainOn,
                           kHidden),
                  0, 100),
         6, false},
        {withSoft(ownFloat("hueOffset", "hof", d.hueOffset, offsetof(TreeBarkParams, hueOffset),
                           kPlainOn, kHidden),
                  0, 360),
         12, false},
        {withSoft(ownFloat("saturationOffset", "sof", d.saturationOffset,
                           offsetof(TreeBarkParams, saturationOffset), kPlainOn, kHidden),
                  0, 1),
         13, false},
        {withSoft(ownFloat("brightnessOffset", "bof", d.brightnessOffset,
                           offsetof(TreeBarkParams, brightnessOffset), kPlainOn, kHidden),
                  0, 1),
         14, false},
        {ownColor("mottleColor", "mt", mottleColorLong, mottleColorShort, d.mottleColor,
                  offsetof(TreeBarkParams, mottleColor), kColourOn),
         1, false},
        {ownBool("mottling", "bm", d.mottling, offsetof(TreeBarkParams, mottling), kPlainOn,
                 kHidden),
         7, false},
        {withSoft(ownFloat("mottleFrequency", "mfq", d.mottleFrequency,
                           offsetof(TreeBarkParams, mottleFrequency), kPlainOn, kHidden),
                  0, 40),
         8, false},
        {ownColor("furrowColor", "fc", furrowColorLong, furrowColorShort, d.furrowColor,
                  offsetof(TreeBarkParams, furrowColor), kColourOn),
         2, false},
        {withSoft(ownFloat("furrowWidth", "fw", d.furrowWidth,
                           offsetof(TreeBarkParams, furrowWidth), kPlainOn, kHidden),
                  0, 1),
         9, false},
        {ownBool("edgeVariation", "ev", d.edgeVariation, offsetof(TreeBarkParams, edgeVariation),
                 kPlainOn, kHidden),
         10, false},
        {withSoft(ownFloat("edgeFrequency", "efq", d.edgeFrequency,
                           offsetof(TreeBarkParams, edgeFrequency), kPlainOn, kHidden),
                  0, 100),
         11, false},
        {ownColor("crackColor", "xcc", crackColorLong, crackColorShort, d.crackColor,
                  offsetof(TreeBarkParams, crackColor), kColourOn),
         3, false},
    };
}
