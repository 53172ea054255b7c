#pragma once
/// Snapshots of the scene as PNG files: the `viewSnapshot` command's work, callable directly by
/// other host tools (before/after views of the demo and the stroke tools).

#include <string>

#include "host/view/snapshot_renderer.h"
#include "host/view/view_frame.h"
#include "host/view/view_scene.h"

namespace tarn::view {

struct SnapshotRequest {
    std::string path;    ///< PNG file to write
    std::string camera;  ///< camera transform or shape; empty: first camera, else automatic
    int width = 640;     ///< 1..kMaxPngSide
    int height = 480;    ///< 1..kMaxPngSide
    bool wireframe = false;
    bool flatBackground = false;      ///< one colour behind the scene instead of the gradient
    float background[3] = {0, 0, 0};  ///< that colour, 0..1
};

/// The camera a request sees through: the named one, else the scene's first camera, else an
/// automatic three-quarter view framing the visible meshes (see framingCamera). False with
/// `*error` set for an unknown camera. Main thread only.
bool snapshotCamera(const SnapshotRequest& request, ViewCamera& camera, std::string* error);

/// Renders the scene and writes the PNG. Checks everything before writing, and writes through a
/// temporary file, so a failure (bad size, unknown camera, unwritable path) leaves no file and
/// reports why in `*error`. Main thread only.
bool writeSnapshot(const SnapshotRequest& request, std::string* error);

/// Renders what the active view shows at its port size through its camera: the shaded scene,
/// the wireframe of the selected and hilited meshes, the selected components highlighted, and
/// the overlay plane and marquee on top (the window's frame, through captureFrames()). Rows top
/// to bottom. Main thread only.
RgbImage renderActiveView();

/// renderActiveView without the overlay plane and marquee. Main thread only.
RgbImage renderActiveScene();

/// The frames captures are drawn with: they keep the scene's geometry between captures, so a
/// capture of an unchanged scene only draws. Main thread only.
ViewFrames& captureFrames();

/// renderActiveView written as a PNG (through a temporary file). False with `*error` when the
/// file cannot be written. Main thread only.
bool writeViewCapture(const std::string& path, std::string* error);

}  // namespace tarn::view
