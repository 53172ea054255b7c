#pragma once
/// The "denim" texture node: the common 2D block plus the twill weave's own attributes.

#include <vector>

#include "frame/k_node.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture_node.h"
#include "texture/denim/denim_pattern.h"

class denimNode
    : public texture::Texture2dNode<denimNode, texture::DenimParams, &texture::denimPattern> {
public:
    static const KTypeId id;

    /// Denim's differences in the common block, and "ERROR in denim at line <n>" printed
    /// for each failing set-up call (set-up continues).
    static constexpr bool kDenimStyle = true;
    static constexpr const char* kErrorTag = "denim";

    /// Own attributes in creation order, with their registration position and whether they
    /// affect outColor only (data; the shared block is added around them).
    static std::vector<texture::OwnRow> ownRows();
};
