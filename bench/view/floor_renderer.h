#pragma once
/// The floor the view's frames are measured against: bare OSMesa, in a context of its own,
/// drawing the very arrays the view gathered with the same GL state (headlight, two-sided
/// lighting, polygon offset, blended wires), after a plain clear, read back into memory. No
/// background, no overlay, no selection bookkeeping, no gathering.

#include <cstdint>
#include <vector>

#include "host/view/draw_scene.h"
#include "host/view/view_projection.h"

namespace tarn::view::baseline {

class FloorRenderer {
public:
    FloorRenderer();
    ~FloorRenderer();
    FloorRenderer(const FloorRenderer&) = delete;
    FloorRenderer& operator=(const FloorRenderer&) = delete;

    /// Clears, draws every item's faces (and its wire with the alpha the view gives it), and
    /// reads the frame back into `bgra` (width x height of the projection, rows top first).
    /// Restores the GL context that was current.
    void frame(const DrawScene& scene, const ViewProjection& projection,
               std::vector<std::uint8_t>& bgra);

private:
    void* m_context = nullptr;
};

}  // namespace tarn::view::baseline
