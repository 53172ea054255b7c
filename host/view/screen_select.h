#pragma once
/// Selection from the screen: what of the scene lies under a pixel or inside a rectangle of the
/// active view, through the view's one projection. Defines KGlobal::selectFromScreen.
///
/// - Object mode picks meshes (object mask meshes, 12, or any mask naming objects): a rectangle
///   takes every visible mesh with an edge crossing it; a point takes the mesh whose surface
///   the pixel's ray meets first.
/// - Component mode offers the components of the hilited meshes (the selected ones when
///   nothing is hilited): edges (mask 42 or 40), vertices (31 or 38) and faces (34 or 41). A
///   rectangle takes every edge crossing it, every vertex inside it and every face whose centre
///   is inside it; a point takes the nearest one within kPickRadius pixels (faces: the face
///   its ray meets first).
/// - A mesh whose backfaceCulling (`bck`) is 3 offers only the edges, vertices and faces of its
///   faces turned toward the camera.
/// - Both select methods ignore occlusion for rectangles and edge or vertex picks (wireframe
///   selection): what lies behind a surface is selected too.
/// Main thread only.

#include <vector>

#include "frame/k_global.h"
#include "frame/k_object.h"
#include "host/view/view_projection.h"

namespace tarn {
class PolyMesh;
}

namespace tarn::view {

/// Pixels around a clicked point within which edges and vertices are picked.
inline constexpr double kPickRadius = 4.0;

/// A rectangle of port pixels, inclusive, corners in any order.
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

/// Port-space data of one mesh for picking: world points and their projection.
struct ProjectedMesh {
    const PolyMesh* mesh = nullptr;
    std::vector<Vec3> world;
    std::vector<double> u, v;              ///< port coordinates of each vertex
    std::vector<unsigned char> front;      ///< 1 where the vertex is in front of the eye
    std::vector<unsigned char> faceFront;  ///< filled by markFrontFaces
};

/// Projects every vertex of `mesh` placed by `toWorld`. Runs in parallel; no scene access.
void projectMesh(const ViewProjection& projection, const PolyMesh& mesh, const Mat4& toWorld,
                 ProjectedMesh& out);
/// Marks the faces turned toward the camera (world-space normal against the view).
void markFrontFaces(const ViewProjection& projection, ProjectedMesh& pm);

/// Edges crossing the rectangle, ascending; with `frontOnly`, edges of front faces only.
std::vector<int> edgesInRect(const ViewProjection& projection, const ProjectedMesh& pm,
                             const PixelRect& rect, bool frontOnly);
/// The edge nearest the centre of pixel (x, y) within kPickRadius pixels, or -1.
int edgeAtPixel(const ViewProjection& projection, const ProjectedMesh& pm, int x, int y,
                bool frontOnly);
/// Vertices inside the rectangle, ascending.
std::vector<int> verticesInRect(const ProjectedMesh& pm, const PixelRect& rect, bool frontOnly);
/// Faces whose vertex average projects inside the rectangle, ascending.
std::vector<int> facesInRect(const ViewProjection& projection, const ProjectedMesh& pm,
                             const PixelRect& rect, bool frontOnly);
/// Distance along the ray to the first face it meets (its index in *face), or infinity.
double rayHit(const ViewRay& ray, const ProjectedMesh& pm, int* face);

}  // namespace tarn::view
