#pragma once
/// The "splatter" texture node: the common 2D block plus the node's own attributes.

#include <vector>

#include "frame/k_data.h"
#include "frame/k_node.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "texture/common/attribute_table.h"
#include "texture/common/texture2d_block.h"

class splatterNode : public KPxNode {
public:
    static const KTypeId id;

    /// A new instance; the host owns it.
    static void* creator();
    /// Creates, adds and links the attributes. Registration thread only.
    static KStatus initialize();
    /// The type's attribute table in creation order (pure data; walked by initialize and tests).
    static std::vector<texture::AttrRow> attributeRows();
    /// The attribute rows and handles of the type (valid after initialize).
    static const texture::AttributeLayout& layout();

    void postConstructor() override;
    /// Computes outColor and outAlpha (any of the five output plugs); 5 for other plugs.
    KStatus compute(const KPlug& plug, KDataBlock& block) override;

private:
    static texture::AttributeLayout s_layout;
    static texture::Texture2dHandles s_handles;
};
