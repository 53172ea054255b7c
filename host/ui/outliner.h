#pragma once
/// The outliner panel's model: the scene as a tree of rows, read afresh on each call, and the
/// command text of each thing a person does to a row. Main thread only.
///
/// Rows, depth first:
/// - the DAG from the world down (transforms, shapes, cameras, curves, surfaces), children in
///   order;
/// - under a mesh shape, after its DAG children: its construction history, nearest first (as
///   `listHistory`), then each shading group of its faces (in face order) with, under it, the
///   group's shading network (surface shader, then what feeds it: textures, placements);
/// - then, at the top level, every other node not listed yet: shading groups, shaders and
///   textures first (each with its network), then the rest, in creation order.
/// A node may appear more than once (a shader shared by two meshes shows under both).

#include <string>
#include <vector>

namespace tarn::ui {

/// What a row stands for.
enum class OutlinerKind {
    Dag,           ///< a transform or shape
    History,       ///< a node in a mesh shape's construction history
    ShadingGroup,  ///< a shading group (or a plain set)
    Shading,       ///< a shader, texture or placement
    Other,         ///< any other node
};

struct OutlinerRow {
    std::string name;  ///< the node's unique name
    std::string type;  ///< its node type ("transform", "mesh", "polyDual", "denim", ...)
    OutlinerKind kind = OutlinerKind::Other;
    int depth = 0;               ///< 0 at the top level
    int parent = -1;             ///< index of the row it sits under (-1 at the top level)
    int childCount = 0;          ///< rows directly under it
    bool hasVisibility = false;  ///< a DAG node: the eye toggles its visibility
    bool visible = true;         ///< its own visibility attribute (DAG nodes)
    bool selected = false;       ///< the node itself is in the active selection
};

/// The rows of the current scene, in the order above.
std::vector<OutlinerRow> outlinerRows();

/// Modifier keys held with a click (bits).
enum ClickModifier : int { kNoModifier = 0, kShift = 1, kCtrl = 2 };

/// The text a click on a row runs: `select -r NAME`; with Shift `select -tgl NAME` (toggle),
/// with Ctrl `select -d NAME` (deselect), with both `select -add NAME`.
std::string outlinerSelectText(const std::string& name, int modifiers);
/// The text a rename runs: `rename OLD "NEW"`. Empty, with the reason in `*error`, when NEW is
/// no valid node name or equals OLD (nothing to run).
std::string outlinerRenameText(const std::string& oldName, const std::string& newName,
                               std::string* error);
/// The text the eye runs: `setAttr NAME.visibility 0` for a visible row, `... 1` for a hidden
/// one. Empty for a row without visibility.
std::string outlinerVisibilityText(const OutlinerRow& row);

}  // namespace tarn::ui
