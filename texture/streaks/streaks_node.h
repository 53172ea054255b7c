#pragma once
/// The "streaks" texture node: the common 2D block plus the node's own attributes.

#include <vector>

#include "frame/k_node.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture_node.h"
#include "texture/streaks/streaks_pattern.h"

class streaksNode
    : public texture::Texture2dNode<streaksNode, texture::StreaksParams, &texture::streaksPattern> {
public:
    static const KTypeId id;

    /// Own attributes in creation order, with their registration position and whether they
    /// affect outColor only (data; the shared block is added around them).
    static std::vector<texture::OwnRow> ownRows();
};
