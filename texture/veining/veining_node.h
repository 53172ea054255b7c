#pragma once
/// The "veining" 3D texture node: the placement block plus the node's own attributes.

#include <vector>

#include "frame/k_node.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture_node.h"
#include "texture/veining/veining_pattern.h"

class veiningNode
    : public texture::Texture3dNode<veiningNode, texture::VeiningParams, &texture::veiningPattern,
                                    texture::PlacementStyle::kClosedBox> {
public:
    static const KTypeId id;

    /// Own attributes in creation (and registration) order (data; the placement block is
    /// added before them).
    static std::vector<texture::AttrRow> ownRows();
};
