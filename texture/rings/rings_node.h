#pragma once
/// The "rings" texture node: the common 2D block plus the node's own attributes.

#include <vector>

#include "frame/k_node.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture_node.h"
#include "texture/rings/rings_pattern.h"

class ringsNode
    : public texture::Texture2dNode<ringsNode, texture::RingsParams, &texture::ringsPattern> {
public:
    static const KTypeId id;

    /// Own attributes in creation order, with their registration position and whether they
    /// affect outColor only (data; the shared block is added around them).
    static std::vector<texture::OwnRow> ownRows();
};
