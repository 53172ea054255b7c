#pragma once
/// Undo records of scene changes. Records name the nodes they touch (not handles), so a node
/// that undo deleted and redo re-created is found again by the later records of the chunk.
/// Every function records only while an undo chunk is open. Main thread only.

#include <string>
#include <vector>

#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "host/mesh/mesh_edit.h"
#include "host/mesh/poly_mesh.h"
#include "host/scene/face_group_runs.h"

namespace tarn::scene {

/// Records that `nodes` were just created (parents before children). Undo deletes them, keeping
/// each node's type, parent, numeric and string attribute values and mesh; redo re-creates them
/// from that under the same names.
void recordCreated(const std::vector<KObject>& nodes, const std::string& what);

/// Records a reparent of `node` from `oldParent` to `newParent` (names; "" for the world).
/// `oldIndex` is the node's place among its old parent's children (-1: append on undo).
void recordParentChange(const std::string& node, const std::string& oldParent,
                        const std::string& newParent, int oldIndex = -1);

/// Reads the numeric values of a plug: one for a leaf, one per child for a compound.
bool readPlugValues(const KPlug& plug, std::vector<double>& values);
/// Writes numeric values (as readPlugValues reads them) and marks dependants dirty; refuses
/// locked or non-writable plugs with a message.
bool writePlugValues(const KPlug& plug, const std::vector<double>& values, std::string* error);
/// Writes and records the change (by the plug's name) for undo.
bool setPlugValuesUndoable(const KPlug& plug, const std::vector<double>& values,
                           std::string* error);

/// Records that the mesh of the shape named `mesh` went from `before` to `after`.
void recordMeshChange(const std::string& mesh, PolyMesh before, PolyMesh after);

/// Records a topology edit of the shape named `mesh` by what it changed (no mesh copy), with
/// the shading runs of its faces before and after. Undo and redo cost time proportional to the
/// edit.
void recordMeshEdit(const std::string& mesh, MeshDelta delta, FaceGroupRuns groupsBefore,
                    FaceGroupRuns groupsAfter);

/// Records that the tweaks of the shape named `mesh` were folded into its points.
void recordTweakBake(const std::string& mesh, std::vector<std::pair<int, Vec3>> tweaks);

}  // namespace tarn::scene
