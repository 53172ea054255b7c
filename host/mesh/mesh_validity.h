#pragma once
/// The checks every mesh an edit leaves must pass, for tests, property runs and fuzzing: finite
/// points; faces of three corners or more that use no vertex twice; an edge table that agrees
/// with the faces (edge k of a face joins its corners k and k + 1, no two edges join the same
/// pair, every edge has a face); no edge with more than two faces; adjacency lists that agree
/// with all of that. Costs one pass over the mesh. Thread-safe as any const query.

#include <string>

#include "host/mesh/poly_mesh.h"

namespace tarn {

/// The first fault found, as a sentence naming the element ("face 3 uses vertex 7 twice"), or
/// "" for a valid mesh. With `allowOverloaded`, edges of more than two faces pass (for meshes
/// made by something else than the host's edits, such as a plug-in's history node).
std::string meshFault(const PolyMesh& mesh, bool allowOverloaded = false);

/// The number of edges with more than two faces.
int overloadedEdges(const PolyMesh& mesh);

}  // namespace tarn
