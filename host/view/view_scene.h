#pragma once
/// What the view shows of the scene: the visible meshes as world-space triangles coloured by
/// their faces' shading groups, their edges, and the scene's cameras.

#include <string>
#include <vector>

#include "frame/k_object.h"
#include "host/view/snapshot_renderer.h"

namespace tarn::view {

/// The drawable content of the scene.
struct ViewScene {
    std::vector<ViewTriangle> triangles;  ///< in DAG order, faces in order
    std::vector<ViewEdge> edges;          ///< mesh edges (filled only when asked for)
    std::vector<ViewTexture> textures;    ///< images the triangles' `texture` indices name
    Box3 bounds;                          ///< world box of the visible meshes; empty if none
};

/// Quads per span each way when a NURBS surface is drawn.
constexpr int kSurfaceStepsPerSpan = 8;

/// Side of the image a 2D texture node is sampled into for the view (over the UV square).
constexpr int kViewTextureSize = 256;

/// Reads an image file as a view texture (rows flipped so row 0 is v = 0; sides above 2048
/// pixels are reduced by point sampling). False with `*error` when the file cannot be read or
/// decoded, or is larger than 16384 pixels a side.
bool loadTextureFile(const std::string& path, ViewTexture& out, std::string* error);

/// Gathers every mesh and NURBS surface (tessellated, in the default shading group) whose DAG
/// path is visible, with world transforms. Each face takes the
/// colour of its shading group's surface shader (grey when it has none). With `withTextures`,
/// a texture node driving the shader's `color` is shown: a 2D node sampled into an image over
/// the UV square and a `file` node's image, both on faces whose corners all have UVs in the
/// current set; a 3D node sampled at each vertex in object space, blended across faces. A
/// texture that cannot be sampled or read leaves the shader's colour. Main thread only.
ViewScene gatherScene(bool withEdges, bool withTextures = true);

/// The world box of the visible meshes and surfaces (gatherScene's `bounds`, without gathering
/// any triangle); empty when there are none. Main thread only.
Box3 visibleBounds();

/// Adds the edges the interactive view shows: every edge of the selected and hilited meshes,
/// and, highlighted, the selected edges, the edges of selected faces and the halves next to
/// selected vertices. Main thread only.
void addSelectionEdges(ViewScene& scene);

/// The camera named `name` (its transform or shape). False with `*error` set when there is no
/// such node or it is not a camera. Main thread only.
bool namedCamera(const std::string& name, ViewCamera& out, std::string* error);

/// The first camera of the scene in DAG order; false when the scene has none. Main thread only.
bool firstCamera(ViewCamera& out);

/// The camera shape named by `name` (its transform or shape), or the first camera shape of the
/// scene when `name` is empty; null when there is none. Main thread only.
KObject findCameraShape(const std::string& name);
/// The view camera of a camera shape (its world placement and lens). Main thread only.
ViewCamera cameraFromShape(const KObject& shape);

}  // namespace tarn::view
