#pragma once
/// The scene as the view draws it, kept from one frame to the next: per visible mesh (and
/// NURBS surface, tessellated) its draw arrays, rebuilt only when the mesh, its shading or its
/// textures changed. A frame after a camera move, a transform change or a selection change
/// therefore only re-reads placements and draws.
///
/// A mesh is known unchanged by its data: the view holds the node's mesh (shared), and a node
/// copies a shared mesh before any edit, so an edited mesh is always a new object. Main thread
/// only.

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/nurbs/surface_data.h"
#include "host/view/draw_scene.h"
#include "host/view/view_shading.h"

namespace tarn::view {

class SceneGeometry {
public:
    struct Options {
        bool edges = false;          ///< every mesh's edges shown (wireframe pictures)
        bool textures = true;        ///< textures that drive shader colours are shown
        bool sampleTextures = true;  ///< sample them anew; false reuses the last samples
    };

    /// Gathers the visible meshes and surfaces: placements and visibility always, draw arrays
    /// anew only where something drawn changed. Clears the selection marks.
    void gather(const Options& options);
    /// Marks the wireframes of the selected and hilited meshes (their edges made on first
    /// need) and the selected components: vertices as dots, edges and faces highlighted.
    void showSelection();
    const DrawScene& scene() const { return m_scene; }
    /// How many meshes the last gather built anew (the rest were kept).
    int rebuilt() const { return m_rebuilt; }
    /// Forgets everything kept.
    void clear();

private:
    // What a run of faces is drawn with; equal keys on the same mesh give the same arrays.
    struct RunKey {
        std::string group;
        int first = 0, count = 0;
        float rgb[3] = {0, 0, 0};
        float opacity = 1.0f;
        TextureRef texture;
        std::shared_ptr<const std::vector<float>> vertexRgb;
        bool operator==(const RunKey& o) const {
            return group == o.group && first == o.first && count == o.count &&
                   std::equal(rgb, rgb + 3, o.rgb) && opacity == o.opacity &&
                   texture == o.texture &&
                   vertexRgb == o.vertexRgb;
        }
    };
    struct Entry {
        std::shared_ptr<const PolyMesh> mesh;
        nurbs::SurfaceRef surface;  // a surface's tessellation is kept by the surface it came from
        std::vector<RunKey> runs;
        std::shared_ptr<DrawMesh> draw;
    };
    std::map<std::string, Entry> m_entries;       // by shape name
    std::map<std::string, GroupShade> m_groups;   // by shading group name ("" for none)
    std::map<std::string, std::size_t> m_itemOf;  // shape name -> index in m_scene.items
    DrawScene m_scene;
    int m_rebuilt = 0;
};

}  // namespace tarn::view
