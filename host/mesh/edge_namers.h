#pragma once
/// Edge names handed to PolyMesh::create by code that may be unloaded (a plug-in's mesh
/// operations): a mesh keeps its builder's namer until its edge table is built, and a mesh or a
/// copy of it may outlive the library the namer's code lives in.

namespace tarn {

/// Runs every namer still held by a live mesh and keeps its names instead, so that no mesh
/// holds code of a library about to be unloaded. The tables built later are the same. Call
/// before unloading a library that may have made meshes; takes each namer's lock in turn.
void settleEdgeNamers();

}  // namespace tarn
