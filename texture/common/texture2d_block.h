#pragma once
/// The attribute block and compute frame shared by the 2D texture nodes: missing-UV marker,
/// effective filter sizes, the node's pattern, then luminance alpha, invert, gains and offsets.

#include <vector>

#include "frame/k_data.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "texture/common/attribute_table.h"
#include "texture/common/rgb.h"

namespace texture {

/// Sample inputs the frame hands a pattern: UV, effective filter sizes and the own parameters.
using Pattern2d = PatternResult (*)(float u, float v, float fx, float fy, const void* params);

/// The common rows (creation order) around the node's own rows; own addOrder values count from
/// 0 and are placed after the common block. `denimStyle` applies denim's set-up differences.
std::vector<AttrRow> texture2dRows(const std::vector<AttrRow>& own, bool denimStyle);

/// Handles of the common attributes, looked up once after set-up.
struct Texture2dHandles {
    KObject uCoord, vCoord, uvFilterSizeX, uvFilterSizeY, filter, filterOffset;
    KObject defaultColor, colorGain, colorOffset, alphaGain, alphaOffset, alphaIsLuminance, invert;
    KObject outColor, outColorR, outColorG, outColorB, outAlpha;

    void bind(const AttributeLayout& layout);
    /// True when `plug` is outColor, one of its children or outAlpha (tested in that order).
    bool serves(const KPlug& plug) const;
};

/// The compute frame: status 5 without writing for a plug it does not serve; otherwise reads
/// the inputs, evaluates `pattern` with `params` (filled from the own rows) and writes and
/// cleans outAlpha then outColor. The filter inputs are read only when `filtered` (the pattern
/// uses the filter sizes; it gets 0 otherwise). Safe on many threads with one block each; no
/// allocation.
KStatus computeTexture2d(const KPlug& plug, KDataBlock& block, const Texture2dHandles& handles,
                         const AttributeLayout& layout, void* params, Pattern2d pattern,
                         bool filtered = true);

}  // namespace texture
