#pragma once
/// The frames of the active view, as a window shows them and `viewCapture` writes them: at the
/// port's size, composed in the process's one GL (OSMesa) from layers drawn in order into one
/// frame:
///
///     scene layer   the shaded scene, its selection (kept: drawn again only when asked)
///     overlay       the plane tools draw on with GL (ActiveView), blended over it
///     marquee       the selection rectangle while one is dragged
///     more layers   whatever the caller draws with GL last (a user interface)
///
/// A frame is BGRA bytes, rows top first: the byte order of usual 32-bit window surfaces, so a
/// window copies it as it is. Large ports are drawn in tiles of at most kFrameTile pixels a
/// side, each straight into its place in the frame. Main thread only.

#include <cstdint>
#include <functional>
#include <vector>

#include "host/view/scene_geometry.h"
#include "host/view/scene_layer.h"

namespace tarn::view {

/// Largest side of one GL drawing of a frame.
inline constexpr int kFrameTile = 4096;

/// A layer drawn over the frame with GL. Called once per tile with the viewport set to the
/// tile, which shows frame pixels [left, left + width) x [bottom, bottom + height) (y up) of a
/// frame `frameWidth` x `frameHeight` (the port's size unless the frame holds more than the
/// port); the projection and modelview are identity.
using FrameLayer = std::function<void(int left, int bottom, int width, int height, int frameWidth,
                                      int frameHeight)>;
/// A layer laid over the finished frame in memory: BGRA pixels, rows top first, frameWidth x
/// frameHeight (what it shows may itself have been drawn with GL into pictures of its own).
using PixelLayer = std::function<void(std::uint8_t* bgra, int frameWidth, int frameHeight)>;

class ViewFrames {
public:
    /// What changed since the previous frame.
    enum class Change {
        kOverlay,  ///< nothing but the overlay plane or marquee: the kept scene layer is reused
        kCamera,   ///< only the view's camera: the kept geometry is drawn from there
        kScene,    ///< anything: the scene is gathered again (unchanged meshes keep their arrays)
    };
    struct Options {
        /// A change alone is a whole request (update(Change::kCamera)).
        Options(Change what = Change::kScene) : change(what) {}
        Change change;
        /// Meshes above kQuickAbove triangles are drawn decimated (a camera drag must not wait
        /// for a full picture of a very large mesh).
        bool quick = false;
        FrameLayer layer;  ///< drawn last, over the overlay and marquee (may be empty)
        /// Laid over the frame last, in memory (after `layer` when both are given).
        PixelLayer paint;
        /// A frame larger than the port, for a user interface around the view: frameWidth x
        /// frameHeight pixels with the port's pictures `portLeft` pixels from its left edge and
        /// `portTop` from its top, the rest a dark ground for the layers to draw on. Used only
        /// when the port fits inside; 0: the frame is the port.
        int frameWidth = 0, frameHeight = 0;
        int portLeft = 0, portTop = 0;
    };
    /// Meshes a quick frame draws decimated are those above this many triangles.
    static constexpr std::size_t kQuickAbove = 200000;

    /// Brings the frame of the active view up to date. A port size that changed since the last
    /// frame redraws the scene layer whatever `change` says.
    void update(const Options& options);
    /// The port's size.
    int width() const { return m_width; }
    int height() const { return m_height; }
    /// The frame's size: the port's, or larger when the last update asked for a larger frame.
    int frameWidth() const { return m_shownWidth; }
    int frameHeight() const { return m_shownHeight; }
    /// The frame, frameWidth x frameHeight BGRA pixels, rows top first (valid until the next
    /// update).
    const std::uint8_t* pixels() const { return m_shown; }
    /// The frame as an RGB image (rows top first, the frame's size).
    RgbImage rgb() const;
    /// The scene layer alone (no overlay, marquee or further layers) as an RGB image.
    RgbImage sceneRgb() const;
    /// Milliseconds the last scene layer took to draw (gathering included).
    double sceneMilliseconds() const { return m_sceneMs; }
    /// True when the last scene layer was a quick one (decimated meshes).
    bool sceneIsQuick() const { return m_quick; }
    /// True when the last update drew the scene layer (not only the layers over it).
    bool drewScene() const { return m_drewScene; }
    /// Forgets the kept geometry and pictures (the next update gathers everything).
    void forget();
    const SceneGeometry& geometry() const { return m_geometry; }

private:
    void drawScene(bool quick);
    bool compose(const Options& options);

    SceneGeometry m_geometry;
    int m_width = 0, m_height = 0;
    std::vector<std::uint8_t> m_scene;  // the scene layer
    std::vector<std::uint8_t> m_frame;  // the composed frame
    const std::uint8_t* m_shown = nullptr;
    int m_shownWidth = 0, m_shownHeight = 0;
    bool m_gathered = false;  // m_geometry holds a gather of the scene
    bool m_kept = false;      // m_scene holds the scene layer at the current size
    bool m_quick = false;
    bool m_drewScene = false;
    double m_sceneMs = 0.0;
};

}  // namespace tarn::view
