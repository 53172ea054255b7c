#pragma once
/// Draws a DrawScene with OpenGL into the current context (the process's OSMesa): the
/// background, every mesh lit by a directional headlight from its own normals, the
/// wireframes (faded where edges crowd together), and the selected components. Knows nothing
/// of the scene graph; view_scene.h gathers what it draws. Main thread only.

#include "host/view/draw_scene.h"
#include "host/view/gl_context.h"
#include "host/view/view_projection.h"

namespace tarn::view {

struct LayerStyle {
    /// Pixels of the drawing per output pixel along each axis (2: a supersampled picture that
    /// is box filtered afterwards); line widths and dot sizes follow it.
    int supersample = 1;
    bool flatBackground = false;      ///< one colour instead of the vertical gradient
    float background[3] = {0, 0, 0};  ///< that colour, 0..1
    /// Draw the background with GL. Off: the layer is drawn over transparent black (colours
    /// premultiplied by their coverage) and layBackgroundUnder() puts the background under it
    /// afterwards, which costs a pass over memory instead of a drawn fill.
    bool drawBackground = true;
    /// Meshes above this many triangles are drawn through their decimated copy (a quick frame
    /// during a camera drag); 0 draws every mesh whole.
    std::size_t proxyAbove = 0;
};

/// Draws `scene` seen through `projection` into the current context. The viewport shows the
/// sub-rectangle [left, left + width) x [bottom, bottom + height) of the projection's port
/// (pixels, y up), so a large picture can be drawn tile by tile. Leaves depth testing,
/// lighting, blending and the client arrays off. Textures are made in the current context
/// the first time they are drawn and kept while a scene holds them.
void drawSceneLayer(const DrawScene& scene, const ViewProjection& projection, int left, int bottom,
                    int width, int height, const LayerStyle& style);

/// Puts the background of `style` under a layer drawn without it: `pixels` holds `height` BGRA
/// rows of `width` pixels, `rowLength` pixels apart, the first being row `top` (from the top)
/// of an output picture `portHeight` rows high. Leaves every pixel opaque.
void layBackgroundUnder(std::uint8_t* pixels, int width, int height, int rowLength, int top,
                        int portHeight, const LayerStyle& style);

/// The alpha the wireframe of `item` is drawn with in `projection`'s port: 0.85 where its
/// edges lie 6 or more output pixels apart at the mesh's nearest point, fading to 0 (not
/// drawn) at one pixel; 1 for opaque wires. `supersample` as in LayerStyle.
float wireAlpha(const DrawItem& item, const ViewProjection& projection, int supersample);

/// The decimated copy of a mesh used when LayerStyle::proxyAbove asks for it, made on first
/// use and kept while the mesh lives.
std::shared_ptr<const DrawMesh> proxyOf(const std::shared_ptr<const DrawMesh>& mesh);

/// Triangles a proxy keeps of a large mesh.
inline constexpr std::size_t kProxyTriangles = 60000;

/// A picture of `scene` through `camera` (supersampled and box filtered as the options ask),
/// drawn tile by tile so memory stays bounded. Restores the GL context that was current.
/// Options must be in range.
RgbImage renderScene(const DrawScene& scene, const ViewCamera& camera,
                     const RenderOptions& options);

/// The GL context pictures of the scene are drawn with (BGRA; never destroyed).
GlContext& rendererContext();

}  // namespace tarn::view
