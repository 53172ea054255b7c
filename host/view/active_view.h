#pragma once
/// The host's one 3D view: a port size, a camera node, the projection read from that camera,
/// and the overlay plane tools draw on with OpenGL. K3dView, screen selection, the gesture
/// commands and view snapshots all use it. Main thread only.

#include <cstdint>
#include <string>
#include <vector>

#include "frame/k_object.h"
#include "host/view/gl_context.h"
#include "host/view/view_projection.h"

namespace tarn::view {

inline constexpr int kMaxPortSide = 8192;

class ActiveView {
public:
    static ActiveView& instance();

    int width() const { return m_width; }
    int height() const { return m_height; }
    /// Sets the port size (1..kMaxPortSide each way); the overlay is cleared.
    bool setPortSize(int width, int height, std::string* error);

    /// Binds the view to a camera (transform or shape name). False with `*error` when `name`
    /// is not a camera. An empty name returns to the default: the scene's first camera, else an
    /// automatic camera framing the visible meshes.
    bool setCamera(const std::string& name, std::string* error);
    /// The camera shape the view looks through now; null when it uses the automatic camera.
    KObject cameraShape() const;
    /// The bound camera's name as given ("" for the default).
    const std::string& cameraName() const { return m_cameraName; }

    /// Re-reads the camera from the scene and answers the projection.
    const ViewProjection& refresh();
    /// The projection as last read (refresh has run at least once when the view was taken).
    const ViewProjection& projection() const { return m_projection; }
    /// Replaces the camera with an explicit one (used to frame the scene or selection when the
    /// view has no camera node); cleared by setCamera.
    void setAutomaticCamera(const ViewCamera& camera);
    /// Whether an explicit automatic camera is set, and which.
    bool hasAutomaticCamera() const { return m_hasAutomatic; }
    const ViewCamera& automaticCamera() const { return m_automatic; }
    /// Returns to framing the visible meshes automatically (no explicit automatic camera).
    void clearAutomaticCamera();

    /// Where the view's camera was: a camera node's channels, or the automatic camera.
    struct CameraPose {
        std::string camera;  ///< the camera shape's name; empty for the automatic camera
        double translate[3] = {0, 0, 0}, rotate[3] = {0, 0, 0};
        double centerOfInterest = 0, orthoWidth = 0;
        bool hasAutomatic = false;
        ViewCamera automatic;
    };
    /// The view's camera history: the poses before navigation steps (`back`, newest last) and
    /// those stepped back from (`forward`, next last). Cleared when the view is bound to
    /// another camera and by reset().
    std::vector<CameraPose>& historyBack() { return m_back; }
    std::vector<CameraPose>& historyForward() { return m_forward; }

    // The overlay plane.
    /// Makes the overlay's GL context current (remembering the previous one). Nested calls
    /// count; the outermost endGL restores the previous context.
    bool beginGL(std::string* error);
    void endGL();
    /// Sets a port-sized viewport and identity matrices for overlay drawing.
    void beginOverlayDrawing();
    void endOverlayDrawing();
    void clearOverlay();
    void swapBuffers() { ++m_swaps; }
    int swapCount() const { return m_swaps; }
    /// The overlay as RGBA bytes, bottom row first, width x height (empty before any drawing).
    const std::vector<std::uint8_t>& overlayPixels() const { return m_overlay.pixels(); }
    /// True when the overlay holds anything drawn (looked for once after each drawing, so a
    /// frame without tool feedback does not composite an empty plane).
    bool overlayHasContent();

    /// Composites the overlay over an RGB image of the port size (rows top to bottom).
    void compositeOverlay(std::vector<std::uint8_t>& rgb, int width, int height) const;

    /// The host's marquee: a rectangle outline composited over the overlay while active.
    struct Marquee {
        bool active = false;
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  ///< start and current corner, port pixels
    };
    Marquee& marquee() { return m_marquee; }
    const Marquee& marquee() const { return m_marquee; }

    /// Forgets camera, size and overlay (a new scene).
    void reset();

private:
    ActiveView() = default;

    int m_width = 640, m_height = 480;
    std::string m_cameraName;
    bool m_hasAutomatic = false;
    ViewCamera m_automatic;
    ViewProjection m_projection;
    GlContext m_overlay;
    int m_glDepth = 0;
    GlCurrentGuard* m_saved = nullptr;
    int m_swaps = 0;
    Marquee m_marquee;
    std::vector<CameraPose> m_back, m_forward;
    enum class OverlayState { kEmpty, kDrawn, kUnknown };
    OverlayState m_overlayState = OverlayState::kEmpty;
};

}  // namespace tarn::view
