#pragma once
/// Camera navigation of the view: tumble about the centre of interest, track in the view
/// plane, dolly toward the centre. The pure pose arithmetic is here; the commands
/// `viewTumble`, `viewTrack` and `viewDolly` apply it to the bound camera node (or to the
/// automatic camera when the scene has none).
///
/// Navigation is never an undo step, on camera nodes and the automatic camera alike: the view
/// keeps a history of its camera instead, walked with `viewHistory -back` / `-forward`.

#include <functional>
#include <string>

#include "host/mesh/mesh_math.h"

namespace tarn::view {

/// Where a camera stands and what it looks at (world space). `eye` != `centre`.
struct OrbitPose {
    Vec3 eye;
    Vec3 centre;
};

/// Turns the eye about the centre: `yawDegrees` about world +Y (positive turns the eye to its
/// right, so the scene appears to turn left), `pitchDegrees` up over the centre. The elevation is
/// kept within 89 degrees of the horizon so the view never looks straight down +-Y. The distance
/// to the centre is kept.
OrbitPose tumblePose(const OrbitPose& pose, double yawDegrees, double pitchDegrees);

/// Moves eye and centre together by `dx` along `right` and `dy` along `up` (unit camera
/// directions), in world units.
OrbitPose trackPose(const OrbitPose& pose, const Vec3& right, const Vec3& up, double dx, double dy);

/// Moves the eye toward the centre by `fraction` of their distance (negative: away). The
/// fraction is clamped to at most 0.9, so the eye never reaches the centre.
OrbitPose dollyPose(const OrbitPose& pose, double fraction);

/// Runs `move` (which answers an error text, empty on success) as one navigation step of the
/// view's camera: with undo recording off, so the camera's channels change without an undo
/// step, and with the pose before it kept in the view's history, unless `continues` (the step
/// goes on from the previous one: the next motion of the same drag). Main thread only.
std::string navigate(bool continues, const std::function<std::string()>& move);

}  // namespace tarn::view
