// The view's navigation commands and the pose arithmetic behind them.

#include "host/view/view_navigation.h"

#include <cmath>

#include "frame/k_scene.h"
#include "host/lang/command_modules.h"
#include "host/view/active_view.h"
#include "host/view/view_commands.h"
#include "host/view/view_scene.h"

namespace tarn::view {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxElevation = 89.0 * kPi / 180.0;

}  // namespace

OrbitPose tumblePose(const OrbitPose& pose, double yawDegrees, double pitchDegrees) {
    const Vec3 offset = pose.eye - pose.centre;
    const double distance = length(offset);
    if (distance <= 0.0) return pose;
    // Work in spherical angles about the centre: azimuth about +Y, elevation over the horizon.
    const double horizontal = std::hypot(offset.x, offset.z);
    double azimuth = std::atan2(offset.x, offset.z) + yawDegrees * kPi / 180.0;
    double elevation = std::atan2(offset.y, horizontal) + pitchDegrees * kPi / 180.0;
    elevation = std::clamp(elevation, -kMaxElevation, kMaxElevation);
    const Vec3 direction{std::cos(elevation) * std::sin(azimuth), std::sin(elevation),
                         std::cos(elevation) * std::cos(azimuth)};
    return {pose.centre + direction * distance, pose.centre};
}

OrbitPose trackPose(const OrbitPose& pose, const Vec3& right, const Vec3& up, double dx,
                    double dy) {
    const Vec3 shift = right * dx + up * dy;
    return {pose.eye + shift, pose.centre + shift};
}

OrbitPose dollyPose(const OrbitPose& pose, double fraction) {
    const double f = std::min(fraction, 0.9);
    return {pose.eye + (pose.centre - pose.eye) * f, pose.centre};
}

namespace {

using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;

// The pose of the view's camera; for the automatic camera the centre lies at the scene's
// middle depth along the view.
OrbitPose currentPose(const ActiveView& v, const KObject& shape) {
    if (!shape.isNull()) {
        KFnCamera fn(shape);
        const KPoint e = fn.eyePoint(KSpace::kWorld);
        const KPoint c = fn.centerOfInterestPoint(KSpace::kWorld);
        return {{e.x, e.y, e.z}, {c.x, c.y, c.z}};
    }
    const ViewCamera& cam = v.projection().camera();
    const Box3 box = visibleBounds();
    double depth = box.empty() ? 10.0 : dot((box.min + box.max) * 0.5 - cam.eye, cam.forward);
    if (!(depth > cam.nearClip)) depth = std::max(cam.nearClip * 10.0, 1.0);
    return {cam.eye, cam.eye + cam.forward * depth};
}

// Moves the view's camera to `pose`, aimed at its centre with up near +Y.
CommandResult applyPose(ActiveView& v, const KObject& shape, const OrbitPose& pose,
                        const char* command) {
    if (!(length(pose.centre - pose.eye) > 0.0))
        return CommandResult::failure(std::string(command) + ": the camera cannot move there");
    if (!shape.isNull()) {
        KFnCamera fn(shape);
        if (!fn.setEyePoint(KPoint(pose.eye.x, pose.eye.y, pose.eye.z), KSpace::kWorld) ||
            !fn.setCenterOfInterestPoint(KPoint(pose.centre.x, pose.centre.y, pose.centre.z),
                                         KSpace::kWorld))
            return CommandResult::failure(std::string(command) + ": the camera could not be moved");
    } else {
        ViewCamera cam = v.projection().camera();
        cam.eye = pose.eye;
        if (!orientCamera(cam, pose.centre - pose.eye, {0, 1, 0}))
            return CommandResult::failure(std::string(command) + ": the camera cannot move there");
        v.setAutomaticCamera(cam);
    }
    v.refresh();
    return {};
}

// World units one port pixel spans at the centre of interest.
double worldPerPixel(const ActiveView& v, const OrbitPose& pose) {
    const ViewCamera& cam = v.projection().camera();
    if (cam.orthographic) return cam.orthoWidth / v.width();
    return 2.0 * length(pose.centre - pose.eye) * std::tan(cam.horizontalFieldOfView * 0.5) /
           v.width();
}

CommandResult viewTumbleCmd(const CommandArgs& args, CommandContext&) {
    ActiveView& v = ActiveView::instance();
    v.refresh();
    const KObject shape = v.cameraShape();
    const OrbitPose pose = currentPose(v, shape);
    return applyPose(v, shape, tumblePose(pose, args[0].asFloat(), args[1].asFloat()),
                     "viewTumble");
}

CommandResult viewTrackCmd(const CommandArgs& args, CommandContext&) {
    ActiveView& v = ActiveView::instance();
    v.refresh();
    const KObject shape = v.cameraShape();
    const OrbitPose pose = currentPose(v, shape);
    const ViewCamera& cam = v.projection().camera();
    // The scene follows the pointer: the camera moves the other way.
    const double k = -worldPerPixel(v, pose);
    return applyPose(
        v, shape, trackPose(pose, cam.right, cam.up, args[0].asFloat() * k, args[1].asFloat() * k),
        "viewTrack");
}

CommandResult viewDollyCmd(const CommandArgs& args, CommandContext&) {
    ActiveView& v = ActiveView::instance();
    v.refresh();
    const KObject shape = v.cameraShape();
    const double fraction = args[0].asFloat();
    if (!std::isfinite(fraction) || fraction < -10.0 || fraction > 0.9)
        return CommandResult::failure("viewDolly: the fraction must be from -10 to 0.9");
    if (v.projection().camera().orthographic && !shape.isNull()) {
        // An orthographic view shows more or less of the scene instead of moving.
        KFnCamera fn(shape);
        fn.setOrthoWidth(v.projection().camera().orthoWidth * (1.0 - fraction));
        v.refresh();
        return {};
    }
    return applyPose(v, shape, dollyPose(currentPose(v, shape), fraction), "viewDolly");
}

}  // namespace

void addNavigationCommands(lang::CommandRegistry& registry) {
    using lang::ArgType;
    const lang::CommandSpec rows[] = {
        {.name = "viewTumble",
         .usage = "viewTumble YAW PITCH",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::Float},
         .undoable = true,
         .body = viewTumbleCmd},
        {.name = "viewTrack",
         .usage = "viewTrack DX DY",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::Float},
         .undoable = true,
         .body = viewTrackCmd},
        {.name = "viewDolly",
         .usage = "viewDolly FRACTION",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::Float},
         .undoable = true,
         .body = viewDollyCmd},
    };
    for (const lang::CommandSpec& row : rows) registry.add(row);
}

}  // namespace tarn::view
