#pragma once
/// The "treeBark" texture node: the common 2D block plus the node's own attributes.

#include <vector>

#include "frame/k_node.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture_node.h"
#include "texture/treeBark/tree_bark_pattern.h"

class treeBarkNode : public texture::Texture2dNode<treeBarkNode, texture::TreeBarkParams,
                                                   &texture::treeBarkPattern> {
public:
    static const KTypeId id;

    /// Own attributes in creation order, with their registration position and whether they
    /// affect outColor only (data; the shared block is added around them).
    static std::vector<texture::OwnRow> ownRows();
};
