#pragma once
/// Helpers shared by the scene commands: turning the words of a command into selection items
/// (or the active selection when none are given) and the meshes they name.

#include <string>
#include <vector>

#include "frame/k_plug.h"
#include "frame/k_selection.h"
#include "host/lang/command_registry.h"

namespace tarn::commands {

/// Items named by the positional words (flattened arrays), or the active selection when there
/// are none and `selectionWhenEmpty` is set. False with a message naming the first bad word;
/// nothing is changed.
bool gatherItems(const lang::CommandArgs& args, bool selectionWhenEmpty, KSelectionList& out,
                 std::string* error, size_t firstWord = 0);

/// The words of the positional arguments, arrays flattened.
std::vector<std::string> positionalWords(const lang::CommandArgs& args, size_t first = 0);

/// A mesh item: the shape, and the component indices and kind (none: whole mesh).
struct MeshItem {
    KObject shape;
    KObject component;  // null for the whole mesh
};
/// The mesh items of a list (transforms resolve to their mesh shape); items that are not
/// meshes are skipped.
std::vector<MeshItem> meshItems(const KSelectionList& list);

/// The points of the vertices a list names (x y z each, in list and index order), in world
/// space or in the mesh's own space. False with a message when an item is not a mesh vertex
/// (whole objects, edges, faces and UVs are refused), or when nothing is named.
bool vertexPoints(const KSelectionList& list, bool world, std::vector<double>& out,
                  std::string* error);

/// "1e-05" style numbers for messages and text output.
std::string formatNumber(double value);

/// Clamps `values` (one per number cell of `plug`, as setAttr takes them) into the hard limits
/// of the plug's attribute (a compound's own limits, else those of the child holding the cell).
/// Answers one warning per value changed: "<who>: <wanted> is outside the range of <plug>;
/// <used> is used". Every command that writes an attribute from its arguments uses this, so a
/// flag keeps the limits exactly as setAttr does.
std::vector<std::string> clampToLimits(const KPlug& plug, std::vector<double>& values,
                                       const std::string& who);

}  // namespace tarn::commands
