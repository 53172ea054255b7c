#pragma once
/// The "corrosion" 3D texture node: the placement block plus the node's own attributes.

#include <vector>

#include "frame/k_node.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture_node.h"
#include "texture/corrosion/corrosion_pattern.h"

class corrosionNode
    : public texture::Texture3dNode<corrosionNode, texture::CorrosionParams,
                                    &texture::corrosionPattern, texture::PlacementStyle::kOpenBox> {
public:
    static const KTypeId id;

    /// Own attributes in creation (and registration) order (data; the placement block is
    /// added before them).
    static std::vector<texture::AttrRow> ownRows();
};
