#pragma once
/// Construction history of mesh shapes: chains of nodes with mesh-typed `inMesh` and `outMesh`
/// attributes (host or plug-in nodes) that feed a shape's inMesh. The shape recomputes its mesh
/// from the chain when an input changes (MeshNode::mesh). Every function here records its
/// changes for undo and, inside an undo chunk (any command, undo on or off), takes back its
/// partial changes on failure; called outside any chunk it records nothing and a failure may
/// leave part of the change. Main thread only.
///
/// Rules callers rely on:
/// - A modifier has a writable mesh-typed `inMesh` and a readable mesh-typed `outMesh`; a
///   creator has the `outMesh` only.
/// - The first modifier put into a shape's history makes a `meshOriginal` node named
///   `<shape>Orig` that holds the shape's mesh as it looked (its tweaks folded in), so the chain
///   reads original -> modifier -> ... -> shape. Later modifiers go after the last one.
/// - The shape's own tweaks (`pnts`) apply after the last modifier.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/k_object.h"
#include "frame/k_status.h"

namespace tarn::scene {

/// True when `node` can sit inside a mesh history (mesh in and mesh out).
bool isMeshModifier(const KObject& node);
/// True when `node` gives a mesh from nothing (mesh out, no mesh in).
bool isMeshCreator(const KObject& node);

/// The nodes upstream of a mesh shape (a transform stands for its mesh shape), nearest first,
/// each once: the mesh chain and whatever feeds its nodes. Empty without history.
std::vector<KObject> listHistory(const KObject& shapeOrTransform);
/// The node feeding the shape's inMesh (its last modifier or creator), or null.
KObject lastHistoryNode(const KObject& shape);

/// Records that `node` (a dependency node just made) was created: undo takes the very node out
/// of the graph, redo puts it back with its values.
void recordNodeCreated(const KObject& node);

/// Puts the modifier `node` into the history of `shape` after its last modifier (see the rules
/// above). kInvalidParameter with `*error` when `shape` is not a mesh, `node` is no modifier or
/// already has connections on its inMesh or outMesh.
KStatus insertModifier(const KObject& shape, const KObject& node, std::string* error);
/// Creates a node of type `typeName` and inserts it; the node, or null with `*error`.
KObject createModifier(const KObject& shape, std::string_view typeName, std::string* error);

/// Inserts the modifier `node` to act on `faces` of `shape`: a groupFaces node put in first
/// gives the mesh data a new object group of those faces, and the node's `groupId` attribute
/// (when it has one) is set to that group's id. `*groupId` receives the id.
KStatus insertModifierOnFaces(const KObject& shape, const KObject& node,
                              const std::vector<int>& faces, int* groupId, std::string* error);
/// Gives the mesh data of the shape's history a new object group holding `faces` (through a
/// groupFaces node at the end of the history); the group's id, or -1 with `*error`.
int addFaceGroup(const KObject& shape, const std::vector<int>& faces, std::string* error);

/// Makes a new mesh shape under a new transform named from `name` ("polySurface" when empty)
/// whose mesh comes from the creator `creator`. The shape, or null with `*error`.
KObject attachCreator(const KObject& creator, std::string_view name, std::string* error);

/// What deleting `nodes` must reconnect so the histories they sit in stay chains: for each
/// modifier among them, (the plug upstream of it, each mesh plug downstream of it), by name.
std::vector<std::pair<std::string, std::string>> historyBridges(const std::vector<KObject>& nodes);
/// Makes those connections (recorded); call after the nodes went.
void connectBridges(const std::vector<std::pair<std::string, std::string>>& bridges);

/// Bakes the history of a shape (or a transform's mesh shape): the shape keeps its evaluated
/// mesh, its inMesh is disconnected and the chain's nodes that feed nothing else are deleted.
/// Succeeds and changes nothing when the shape has no history.
KStatus deleteHistory(const KObject& shapeOrTransform, std::string* error);

/// Before an edit of the shape's own mesh: bakes its history (recorded) so the edit is not lost
/// at the next recompute. Does nothing without history.
KStatus bakeBeforeEdit(const KObject& shape, std::string* error);

}  // namespace tarn::scene
