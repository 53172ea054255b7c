#pragma once
/// The scene as the GL renderer draws it: per mesh, arrays ready for glDrawElements in the
/// mesh's own object space (render vertices shared between the corners that agree in position,
/// normal, UV and colour), and per drawn instance the world matrix and what the selection
/// highlights. Built once per mesh and kept while the mesh is unchanged, so a frame after a
/// camera move, a transform change or a selection change only draws.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/mesh/mesh_math.h"
#include "host/mesh/poly_mesh.h"
#include "host/view/snapshot_renderer.h"

namespace tarn::view {

/// A texture image shared by the gathered scene, the meshes that show it and its GL texture.
using TextureRef = std::shared_ptr<const ViewTexture>;

inline constexpr std::uint32_t kNoRenderVertex = 0xffffffffu;

/// One mesh as GL draws it. Positions are floats relative to `centre` (object space), so large
/// coordinates keep their precision; the world matrix goes to GL at draw time.
struct DrawMesh {
    Vec3 centre;
    std::vector<float> positions;      ///< 3 per render vertex, relative to `centre`
    std::vector<float> normals;        ///< 3 per render vertex, unit, object space
    std::vector<std::uint8_t> colors;  ///< 4 per render vertex (RGBA)
    std::vector<float> uvs;            ///< 2 per render vertex (0 where untextured)

    /// A range of `indices` drawn with one texture (or none).
    struct Batch {
        int texture = -1;  ///< index into `textures`, -1: none
        bool translucent = false;  ///< its colours' alpha is below 1: drawn blended, after
                                   ///< every opaque face
        std::uint32_t first = 0, count = 0;
    };
    std::vector<Batch> batches;
    std::vector<TextureRef> textures;    ///< the images the batches show
    std::vector<std::uint32_t> indices;  ///< 3 per triangle

    /// Per mesh vertex: one render vertex at its position (kNoRenderVertex when the point
    /// cannot be drawn). Selection highlights index the render vertices through it.
    std::vector<std::uint32_t> vertexRender;
    /// Pairs of render vertices, one per mesh edge both of whose ends can be drawn (made only
    /// when asked for: `hasEdges`).
    std::vector<std::uint32_t> edges;
    bool hasEdges = false;
    /// A typical edge length in object units (the median of a sample): how dense the
    /// wireframe looks at a given distance.
    double edgeLength = 0.0;
    Box3 box;  ///< object-space box of the drawn points (absolute, not relative to `centre`)

    std::size_t triangleCount() const { return indices.size() / 3; }
    bool hasTranslucent() const {
        for (const Batch& b : batches)
            if (b.translucent) return true;
        return false;
    }
    std::size_t renderVertexCount() const { return positions.size() / 3; }
};

/// How the faces of a run of a mesh are shaded: a colour, or a texture at their UVs (faces
/// with a UV at every corner; the others take the texture's mean colour), or per-vertex colours
/// (a 3D texture sampled at the points).
struct RunShade {
    int first = 0, count = 0;  ///< the faces
    float rgb[3] = {0.5f, 0.5f, 0.5f};
    float opacity = 1.0f;  ///< the faces' alpha (textures and vertex colours included)
    TextureRef texture;                                   ///< shown at the faces' UVs, or null
    std::shared_ptr<const std::vector<float>> vertexRgb;  ///< 3 per mesh vertex, or null
};

/// Builds the draw arrays of `mesh` (its faces triangulated by the mesh's own triangulation,
/// normals per corner from its soft and hard edges) shaded run by run. `withEdges` also
/// fills `edges`. Points that are not finite or reach 1e15 in size are not drawn, nor any
/// triangle or edge using them. Runs must cover faces in order; faces outside every run are
/// grey.
std::shared_ptr<DrawMesh> buildDrawMesh(const PolyMesh& mesh, const std::vector<RunShade>& runs,
                                        bool withEdges);

/// Fills `out.edges` from the mesh it was built from (for a wireframe asked for later).
void addDrawEdges(DrawMesh& out, const PolyMesh& mesh);

/// A reduced copy of `mesh` for frames that must be quick (a camera drag over a very large
/// mesh): vertices clustered on a grid over its box so that about `targetTriangles` remain,
/// each cluster drawn at its first vertex with that vertex's normal and colour. Keeps the
/// batches' textures and colours. No edges.
std::shared_ptr<DrawMesh> decimatedDrawMesh(const DrawMesh& mesh, std::size_t targetTriangles);

/// One mesh placed in the scene with what is drawn on it.
struct DrawItem {
    std::string name;  ///< the shape's name (empty for drawings not from the scene)
    std::shared_ptr<const DrawMesh> mesh;
    Mat4 toWorld;  ///< object to world (row vectors, as the host's matrices)
    /// Draw the mesh's edges: faded with their density (`wireDensity`), or in full colour.
    bool wire = false;
    bool opaqueWire = false;
    bool selected = false;  ///< tinted when its wireframe is too dense to read
    // Selected components (render vertex indices of `mesh`).
    std::vector<std::uint32_t> highlightEdges;   ///< pairs
    std::vector<std::uint32_t> highlightPoints;  ///< selected vertices, shown as dots
    std::vector<std::uint32_t> highlightFaces;   ///< triangles of selected faces
};

/// What the renderer draws: mesh instances.
struct DrawScene {
    std::vector<DrawItem> items;
    Box3 bounds;  ///< world box of the meshes' boxes

    std::size_t triangleCount() const;
};

/// The scene of renderView's arguments: the triangles as one mesh in world space (corners not
/// shared, each triangle lit by its own plane), the plain edges as lines drawn when
/// `wireframe`, the highlighted ones always.
DrawScene drawSceneOf(const std::vector<ViewTriangle>& triangles,
                      const std::vector<ViewEdge>& edges, bool wireframe,
                      const std::vector<ViewTexture>& textures);

}  // namespace tarn::view
