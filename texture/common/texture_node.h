#pragma once
/// The node class shared by the texture plug-ins. A texture node is a KPxNode subclass that
/// supplies only what is its own: its type id, its own attribute rows and its pattern with the
/// parameter record the rows fill. Texture2dNode and Texture3dNode add the rest: creator,
/// attribute set-up, the shared attribute block and the compute frame; nothing else differs
/// between the nodes.
///
///     class ringsNode : public texture::Texture2dNode<ringsNode, RingsParams, &ringsPattern> {
///     public:
///         static const KTypeId id;
///         static std::vector<texture::OwnRow> ownRows();
///     };

#include <exception>
#include <new>
#include <type_traits>
#include <vector>

#include "frame/k_data.h"
#include "frame/k_node.h"
#include "frame/k_plug.h"
#include "frame/k_status.h"
#include "texture/common/attribute_table.h"
#include "texture/common/placement3d_block.h"
#include "texture/common/texture2d_block.h"

namespace texture {

/// Flags of a node's own colour attributes and of its own plain (number, boolean) attributes.
constexpr unsigned kColourOn = kStorable | kKeyable | kReadable | kWritable | kReset | kUsedAsColor;
constexpr unsigned kPlainOn = kKeyable | kReadable | kWritable | kReset;

/// One own attribute of a 2D node: its row, its position in registration order (from 0) and
/// whether it affects outColor only (both outputs otherwise).
struct OwnRow {
    AttrRow row;
    int addOrder = -1;
    bool colourOnly = false;
};

/// The rows of `own` in creation order, each with its addOrder set and, for colour-only rows,
/// the row's and its children's dependencies narrowed to outColor. Pure.
std::vector<AttrRow> finishOwnRows(const std::vector<OwnRow>& own);

/// `rows` with addOrder numbered 0, 1, ... in creation order (registration order = creation
/// order). Pure.
std::vector<AttrRow> inCreationOrder(std::vector<AttrRow> rows);

/// What every texture node type shares: creation, attribute set-up from `Node::attributeRows()`
/// and the type's layout and block `Handles`. `Node` may hide `kErrorTag` to print
/// "ERROR in <tag> at line <n>" for each failing set-up call (set-up continues).
template <class Node, class Handles>
class TextureNode : public KPxNode {
public:
    static constexpr const char* kErrorTag = nullptr;

    /// A new instance (null when out of memory); the host owns it.
    static void* creator() { return new (std::nothrow) Node; }

    /// Creates, adds and links the attributes and looks up the block's handles; failure when
    /// the table cannot be built. Registration thread only.
    static KStatus initialize() {
        try {
            s_layout.initialize(Node::attributeRows(), Node::kErrorTag);
            s_handles.bind(s_layout);
        } catch (const std::exception&) {
            return KStatus::kFailure;
        }
        return KStatus::kSuccess;
    }

    /// The attribute rows and handles of the type (valid after initialize).
    static const AttributeLayout& layout() { return s_layout; }

    void postConstructor() override {
        setMPSafe(true);
        setExistWithoutInConnections(true);
    }

protected:
    static inline AttributeLayout s_layout;
    static inline Handles s_handles;
};

/// Base of the 2D texture nodes. `Node` derives from it and provides `static const KTypeId id`
/// and `static std::vector<OwnRow> ownRows()`; it may hide `kDenimStyle` (denim's set-up
/// differences in the common block) and `kErrorTag`. `pattern` is called as
/// pattern(u, v, fx, fy, params) or, when it takes no filter sizes, pattern(u, v, params).
template <class Node, class Params, auto pattern>
class Texture2dNode : public TextureNode<Node, Texture2dHandles> {
    using Base = TextureNode<Node, Texture2dHandles>;

public:
    static constexpr bool kDenimStyle = false;

    /// The type's attribute table in creation order (pure data; walked by initialize and tests).
    static std::vector<AttrRow> attributeRows() {
        return texture2dRows(finishOwnRows(Node::ownRows()), Node::kDenimStyle);
    }

    /// Computes outColor and outAlpha (any of the five output plugs); 5 for other plugs.
    /// Thread-safe with one block per thread; no allocation.
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        Params params;
        return computeTexture2d(plug, block, Base::s_handles, Base::s_layout, &params, &evaluate,
                                kFiltered);
    }

private:
    /// Whether the pattern takes the effective filter sizes.
    static constexpr bool kFiltered =
        std::is_invocable_v<decltype(pattern), float, float, float, float, const Params&>;

    static PatternResult evaluate(float u, float v, float fx, float fy, const void* params) {
        const Params& p = *static_cast<const Params*>(params);
        if constexpr (kFiltered)
            return pattern(u, v, fx, fy, p);
        else
            return pattern(u, v, p);
    }
};

/// Base of the 3D texture nodes, placed by the placement block of `style`. `Node` derives from
/// it and provides `static const KTypeId id` and `static std::vector<AttrRow> ownRows()` in
/// creation order, which is also their registration order. `pattern` is called as
/// pattern(x, y, z, fx, fy, params) or, when it takes no filter sizes, pattern(x, y, z, params).
template <class Node, class Params, auto pattern, PlacementStyle style>
class Texture3dNode : public TextureNode<Node, Placement3dHandles> {
    using Base = TextureNode<Node, Placement3dHandles>;

public:
    /// The type's attribute table in creation order (pure data; walked by initialize and tests).
    static std::vector<AttrRow> attributeRows() {
        return placement3dRows(inCreationOrder(Node::ownRows()), style);
    }

    /// Computes outColor and outAlpha (any of the five output plugs); 5 for other plugs.
    /// Thread-safe with one block per thread; no allocation.
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        Params params;
        return computePlacement3d(plug, block, Base::s_handles, Base::s_layout, &params, &evaluate,
                                  style);
    }

private:
    static PatternResult evaluate(float x, float y, float z, float fx, float fy,
                                  const void* params) {
        const Params& p = *static_cast<const Params*>(params);
        if constexpr (std::is_invocable_v<decltype(pattern), float, float, float, float, float,
                                          const Params&>)
            return pattern(x, y, z, fx, fy, p);
        else
            return pattern(x, y, z, p);
    }
};

}  // namespace texture
