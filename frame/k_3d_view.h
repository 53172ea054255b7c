#pragma once
/// The 3D view a tool works in: its port, its camera, the projection between world space and
/// port pixels, and the overlay plane a tool draws on with its own OpenGL calls. The host has
/// one view; `active3dView` answers it. Main thread only.

#include "frame/k_math.h"
#include "frame/k_scene.h"
#include "frame/k_status.h"

class K3dView {
public:
    K3dView() = default;

    /// The view the user works in. Reads the view's camera now, so projections answered by the
    /// returned view follow the camera as it is at this call (and at each `refresh`).
    static K3dView active3dView(KStatus* status = nullptr);

    /// Port size in pixels.
    int portWidth(KStatus* status = nullptr) const;
    int portHeight(KStatus* status = nullptr) const;

    /// The pixel (origin bottom-left) where a world point appears. Points outside the port give
    /// pixels outside it; `clipped` (optional) is set when the point lies behind the eye.
    KStatus worldToView(const KPoint& worldPt, short& x_pos, short& y_pos,
                        bool* clipped = nullptr) const;
    /// The ray a pixel casts (through its centre): the point on the near plane and a unit
    /// direction, world space.
    KStatus viewToWorld(short x_pos, short y_pos, KPoint& worldPt, KVector& worldVector) const;
    /// The same ray as its near and far points.
    KStatus viewToWorld(short x_pos, short y_pos, KPoint& nearPt, KPoint& farPt) const;

    /// The camera shape the view looks through; kFailure when the view uses its automatic
    /// camera (no camera in the scene).
    KStatus getCamera(KDagPath& camera) const;

    /// Brackets a tool's OpenGL calls: makes the view's GL context current (and restores the
    /// previous one at endGL).
    KStatus beginGL();
    KStatus endGL();
    /// Brackets drawing into the overlay plane: viewport of the port, identity matrices.
    KStatus beginOverlayDrawing();
    KStatus endOverlayDrawing();
    /// Clears the overlay plane to transparent.
    KStatus clearOverlayPlane();
    /// Sets the GL colour from the overlay palette (index 0..7; see host/view/README.md).
    KStatus setDrawColor(int index);
    /// Presents what was drawn: the overlay as it stands becomes what snapshots show.
    void swapBuffers();
    /// Re-reads the camera; the host redraws lazily (snapshots render on demand).
    KStatus refresh(bool all = false, bool force = false);

private:
    bool m_valid = false;
};
