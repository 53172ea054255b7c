#pragma once
/// The active selection, the selection mode and masks, and the hilite list, with undo of
/// selection changes. Main thread only.

#include <string>
#include <vector>

#include "frame/k_global.h"
#include "frame/k_selection.h"

namespace tarn::scene {

/// The active selection (live: items of deleted nodes are dropped when read).
KSelectionList& activeSelection();
/// Replaces the active selection, recording the change for undo when a chunk is open.
void setActiveSelection(const KSelectionList& list);
/// Names of a list's items, components as "obj.f[2:3]" ranges (the form `ls -sl` prints).
std::vector<std::string> selectionStrings(const KSelectionList& list);
/// Adds what `name` names to `list` ("pCube1", "pCube*", "|pCube1|pCubeShape1",
/// "pCube1.e[4:7]"). False with a message naming the fault when nothing matches, the component
/// name is malformed or out of range; `list` is unchanged then.
bool addByName(KSelectionList& list, const std::string& name, std::string* error);
/// The name used for a path with a component: the transform when the shape is its only one.
std::string componentOwnerName(const KDagPath& path);

KGlobal::SelectionMode& selectionModeState();
KSelectionMask& objectMaskState();
KSelectionMask& componentMaskState();
/// Objects whose components are shown for editing (`hilite`).
std::vector<std::string>& hiliteList();

/// Forgets the selection, masks and hilite list (a new scene).
void resetSelectionState();

}  // namespace tarn::scene
