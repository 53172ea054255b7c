#include "host/app/gallery_sections.h"

namespace tarn::app {

const std::vector<GallerySection>& gallerySections() {
    static const std::vector<GallerySection> table = {
        {"textures",
         "2D textures",
         "gallery/textures.tcs",
         {"twillPattern", "trunkPattern", "annulusPattern", "specklePattern", "smearPattern",
          "shellPattern", "blotPattern"},
         "Every 2D texture node as a swatch over the unit UV square: first with its defaults, "
         "then with settings that show what its controls do."},
        {"textures3d",
         "3D textures",
         "gallery/textures3d.tcs",
         {"rustPattern", "marblePattern"},
         "The 3D texture nodes as flat slices through their space and on a lit sphere."},
        {"skin",
         "DermalShade skin shader",
         "gallery/skin.tcs",
         {"DermalShade"},
         "Spheres shaded by DermalShade: the default light rig, then one control varied at a "
         "time."},
        {"scene",
         "QMF scene import",
         "gallery/scene.tcs",
         {"sceneReader"},
         "The sample QMF scene imported: a view of it, its description, and its OBJ export."},
        {"bake",
         "surfaceBake attribute maps",
         "gallery/bake.tcs",
         {"surfaceBake"},
         "A sphere's surface attributes baked by surfaceBake into images laid out in its UV "
         "space (normals, positions, UVs and tangents), each shown beside the sphere wearing it "
         "as a texture."},
        {"stroke",
         "thinPen and slicePen stroke tools",
         "gallery/stroke.tcs",
         {"thinPen", "slicePen"},
         "Lines drawn in the view through its gestures: over a plane grid with the thinPen "
         "tool, the stroke in the overlay, then the edges under it deleted; across a cylinder "
         "with the slicePen tool, then the ring of side faces cut around its middle."},
        {"uvproject",
         "patchCast UVs from a NURBS surface",
         "gallery/uvproject.tcs",
         {"patchCast", "twillPattern"},
         "A plane mesh given UVs by patchCastNode from the closest points of a turned NURBS "
         "surface, shown with a twill texture, and UVs cut around selected faces by "
         "polyMapCutFacesBorder."},
        {"meshops",
         "meshKit mesh operations",
         "gallery/meshops.tcs",
         {"meshKit"},
         "Primitives before and after each of meshKit's operations, the nodes kept in their "
         "construction history: the dual of a cube, faces of a cylinder subdivided, a sphere "
         "made of curved triangle patches, and a number built by polyDigits, seen from the "
         "front."},
    };
    return table;
}

}  // namespace tarn::app
