#pragma once
/// The DAG over the graph's nodes: parents and children, creation under a parent, path names,
/// matrices and visibility. A null KObject stands for the world. Main thread only.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_scene.h"
#include "host/scene/dag_nodes.h"

namespace tarn {
class NodeImpl;
}

namespace tarn::scene {

/// The live node behind a handle, or null (not a node, or deleted).
NodeImpl* liveNode(const KObject& object);
/// The DAG data of a live DAG node, or null.
DagNodeBase* dagNode(const KObject& object);
MeshNode* meshNode(const KObject& object);
/// A handle for a node record.
KObject handleOf(const std::shared_ptr<NodeImpl>& node);

/// The parent (null for the world).
KObject parentOf(const KObject& node);
/// Live children in order; of the world when `node` is null.
std::vector<KObject> childrenOf(const KObject& node);
/// Every live DAG node, depth first in child order.
std::vector<KObject> allDagNodes();

/// Creates a DAG node of `type` named `name` (the type's own numbering when empty; a taken
/// name is numbered) under `parent` (null: the world). Null with `*error` on failure.
KObject createDagNode(std::string_view type, std::string_view name, const KObject& parent,
                      std::string* error);
/// Moves `node` under `parent` (null: the world), keeping its local transform. Refuses a
/// parent that is the node or below it, a shape as parent, or a shape to the world.
bool setParent(const KObject& node, const KObject& parent, std::string* error);

/// The place of `node` among the live children of its parent (or the world); -1 when it is
/// not a live DAG node.
int childIndex(const KObject& node);
/// Puts a DAG node back under `parent` (null: the world) at place `index` of the live children
/// (clamped), as it was before it was detached for undo. No checks: the caller restores a
/// hierarchy that was valid.
void relink(const KObject& node, const KObject& parent, int index);

/// The path from below the world to `node`.
KDagPath pathTo(const KObject& node);
/// "|a|b".
std::string fullPathName(const KObject& node);
std::string nodeName(const KObject& node);
/// A node by name or by full/partial path ("pCube1", "|pCube1|pCubeShape1"); null when none.
KObject findNode(std::string_view nameOrPath);
/// The shapes directly below a transform.
std::vector<KObject> shapesOf(const KObject& transform);
/// The node itself when it is a mesh, else the single mesh shape below a transform; null.
KObject meshShapeOf(const KObject& node);

/// The node's own matrix: scale, then rotate X, Y, Z (degrees), then translate. Identity for
/// shapes.
KMatrix localMatrix(const KObject& node);
/// Product of the local matrices from the node up to the world.
KMatrix worldMatrix(const KObject& node);
/// False when the node's visibility attribute is off.
bool isVisible(const KObject& node);

/// Rotation in degrees (X then Y then Z) from a rotation matrix; inverse of localMatrix's
/// rotation part.
KVector eulerDegreesFromMatrix(const KMatrix& rotation);
/// Reads translate/rotate/scale of a transform.
void getTransformValues(const KObject& transform, KVector& t, KVector& r, KVector& s);

}  // namespace tarn::scene

namespace tarn::scene {
/// Creates a transform named `base`<n> (the first free n from 1) under `parent` and below it a
/// shape of `shapeType` named `shapeBase`<n> (same n when free). Both are recorded for undo as
/// one creation. Null transform with `*error` on failure.
std::pair<KObject, KObject> createTransformAndShape(std::string_view base,
                                                    std::string_view shapeBase,
                                                    std::string_view shapeType,
                                                    const KObject& parent, std::string* error);
}  // namespace tarn::scene
