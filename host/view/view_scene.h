#pragma once
/// What the view shows of the scene: the visible meshes as world-space triangles coloured by
/// their faces' shading groups, their edges, and the scene's cameras.

#include <string>
#include <vector>

#include "host/view/snapshot_renderer.h"

namespace tarn::view {

/// The drawable content of the scene.
struct ViewScene {
    std::vector<ViewTriangle> triangles;  ///< in DAG order, faces in order
    std::vector<ViewEdge> edges;          ///< mesh edges (filled only when asked for)
    Box3 bounds;                          ///< world box of the visible meshes; empty if none
};

/// Gathers every mesh whose DAG path is visible, with world transforms. Each face takes the
/// colour of its shading group's surface shader (grey when it has none; a file texture on the
/// colour tints it). Main thread only.
ViewScene gatherScene(bool withEdges);

/// The camera named `name` (its transform or shape). False with `*error` set when there is no
/// such node or it is not a camera. Main thread only.
bool namedCamera(const std::string& name, ViewCamera& out, std::string* error);

/// The first camera of the scene in DAG order; false when the scene has none. Main thread only.
bool firstCamera(ViewCamera& out);

}  // namespace tarn::view
