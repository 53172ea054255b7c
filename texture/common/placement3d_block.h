#pragma once
/// The placement block and evaluation frame shared by the 3D texture nodes: the reference point
/// carried into placement space, the unit box with its default colour outside and optional fade
/// near the faces, then luminance alpha, invert, gains and offsets.

#include <vector>

#include "frame/k_data.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "texture/common/attribute_table.h"
#include "texture/common/rgb.h"

namespace texture {

/// Pattern of a 3D node at placement-space point (x, y, z) with filter sizes (fx, fy).
using Pattern3d = PatternResult (*)(float x, float y, float z, float fx, float fy,
                                    const void* params);

/// The two variants of the block.
enum class PlacementStyle {
    /// corrosion: uvFilterSize and filter sizes, "eyeToWorldMatrix", open box (a point on a face
    /// is outside), fade quotient formed in double.
    kOpenBox,
    /// veining: no uvFilterSize, filter not read, "matrixEyeToWorld", resettable placement
    /// matrix, closed box, fade quotient formed in single precision.
    kClosedBox,
};

/// The block's rows followed by the node's own rows (own addOrder counts from 0).
std::vector<AttrRow> placement3dRows(const std::vector<AttrRow>& own, PlacementStyle style);

/// Handles of the block's attributes, looked up once after set-up.
struct Placement3dHandles {
    KObject defaultColor, colorGain, colorOffset, alphaGain, alphaOffset, alphaIsLuminance, invert;
    KObject blend, wrap, uvFilterSizeX, uvFilterSizeY, filter, filterOffset, local;
    KObject refPointObj, refPointCamera, placementMatrix, eyeToWorld;
    KObject outColor, outColorR, outColorG, outColorB, outAlpha;

    void bind(const AttributeLayout& layout);
    bool serves(const KPlug& plug) const;
};

/// Fade weight of one axis value near the box faces: 1 at the centre when blend reaches it,
/// falling to 0 at the face. Pure.
float faceFade(float axisValue, float blend, PlacementStyle style);

/// True when the placement-space point lies outside the unit box of `style`. Pure.
bool outsideBox(float x, float y, float z, PlacementStyle style);

/// The evaluation frame: status 5 without writing for a plug it does not serve; otherwise
/// writes and cleans outAlpha then outColor. Safe on many threads with one block each.
KStatus computePlacement3d(const KPlug& plug, KDataBlock& block, const Placement3dHandles& h,
                           const AttributeLayout& layout, void* params, Pattern3d pattern,
                           PlacementStyle style);

}  // namespace texture
