// The view's navigation commands and the pose arithmetic behind them.

#include "host/view/view_navigation.h"

#include <cmath>

#include "frame/k_scene.h"
#include "host/lang/command_modules.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/undo/undo.h"
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

// Changes made while alive are not recorded for undo (kept only to take back a failure).
class UndoOff {
public:
    UndoOff() : m_was(undo::undoQueue().isEnabled()) { undo::undoQueue().setEnabled(false); }
    ~UndoOff() { undo::undoQueue().setEnabled(m_was); }
    UndoOff(const UndoOff&) = delete;
    UndoOff& operator=(const UndoOff&) = delete;

private:
    bool m_was;
};

ActiveView::CameraPose capturePose(const ActiveView& v) {
    ActiveView::CameraPose pose;
    const KObject shape = v.cameraShape();
    if (shape.isNull()) {
        pose.hasAutomatic = v.hasAutomaticCamera();
        pose.automatic = v.automaticCamera();
        return pose;
    }
    pose.camera = scene::nodeName(shape);
    const KObject transform = scene::parentOf(shape);
    const KVector t = scene::readVector(transform, "translate"),
                  r = scene::readVector(transform, "rotate");
    pose.translate[0] = t.x, pose.translate[1] = t.y, pose.translate[2] = t.z;
    pose.rotate[0] = r.x, pose.rotate[1] = r.y, pose.rotate[2] = r.z;
    pose.centerOfInterest = scene::readNumber(shape, "centerOfInterest");
    pose.orthoWidth = scene::readNumber(shape, "orthographicWidth");
    return pose;
}

// Puts the view's camera back where `pose` says; an error text when it cannot.
std::string applyPose(ActiveView& v, const ActiveView::CameraPose& pose) {
    if (pose.camera.empty()) {
        if (!v.cameraShape().isNull()) return "that view was seen through no camera node";
        if (pose.hasAutomatic)
            v.setAutomaticCamera(pose.automatic);
        else
            v.clearAutomaticCamera();
        return {};
    }
    const KObject shape = scene::findNode(pose.camera);
    if (shape.isNull() || shape.apiType() != KFn::kCamera)
        return "the camera " + pose.camera + " is gone";
    const KObject transform = scene::parentOf(shape);
    const bool ok =
        scene::writeVector(transform, "translate",
                           KVector(pose.translate[0], pose.translate[1], pose.translate[2])) &&
        scene::writeVector(transform, "rotate",
                           KVector(pose.rotate[0], pose.rotate[1], pose.rotate[2])) &&
        scene::writeNumber(shape, "centerOfInterest", pose.centerOfInterest) &&
        scene::writeNumber(shape, "orthographicWidth", pose.orthoWidth);
    v.refresh();
    return ok ? std::string() : "the camera " + pose.camera + " could not be moved";
}

}  // namespace

std::string navigate(bool continues, const std::function<std::string()>& move) {
    ActiveView& v = ActiveView::instance();
    v.refresh();
    const ActiveView::CameraPose before = capturePose(v);
    std::string error;
    {
        UndoOff off;
        error = move();
    }
    if (!error.empty()) return error;
    // A new step (or the first of a continued one) keeps where the camera was; any move
    // starts a new branch of the history.
    if (!continues || v.historyBack().empty()) v.historyBack().push_back(before);
    v.historyForward().clear();
    return {};
}

namespace {

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

// Moves the view's camera to `pose`, aimed at its centre with up near +Y; an error text when
// it cannot.
std::string moveTo(ActiveView& v, const KObject& shape, const OrbitPose& pose) {
    if (!(length(pose.centre - pose.eye) > 0.0)) return "the camera cannot move there";
    if (!shape.isNull()) {
        KFnCamera fn(shape);
        if (!fn.setEyePoint(KPoint(pose.eye.x, pose.eye.y, pose.eye.z), KSpace::kWorld) ||
            !fn.setCenterOfInterestPoint(KPoint(pose.centre.x, pose.centre.y, pose.centre.z),
                                         KSpace::kWorld))
            return "the camera could not be moved";
    } else {
        ViewCamera cam = v.projection().camera();
        cam.eye = pose.eye;
        if (!orientCamera(cam, pose.centre - pose.eye, {0, 1, 0}))
            return "the camera cannot move there";
        v.setAutomaticCamera(cam);
    }
    v.refresh();
    return {};
}

// A navigation command's outcome: the move's error under the command's name.
CommandResult navigation(const char* command, const CommandArgs& args,
                         const std::function<std::string()>& move) {
    const std::string error = navigate(args.has("continue"), move);
    if (!error.empty()) return CommandResult::failure(std::string(command) + ": " + error);
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
    return navigation("viewTumble", args, [&] {
        ActiveView& v = ActiveView::instance();
        const KObject shape = v.cameraShape();
        return moveTo(v, shape,
                      tumblePose(currentPose(v, shape), args[0].asFloat(), args[1].asFloat()));
    });
}

CommandResult viewTrackCmd(const CommandArgs& args, CommandContext&) {
    return navigation("viewTrack", args, [&] {
        ActiveView& v = ActiveView::instance();
        const KObject shape = v.cameraShape();
        const OrbitPose pose = currentPose(v, shape);
        const ViewCamera& cam = v.projection().camera();
        // The scene follows the pointer: the camera moves the other way.
        const double k = -worldPerPixel(v, pose);
        return moveTo(
            v, shape,
            trackPose(pose, cam.right, cam.up, args[0].asFloat() * k, args[1].asFloat() * k));
    });
}

CommandResult viewDollyCmd(const CommandArgs& args, CommandContext&) {
    const double fraction = args[0].asFloat();
    if (!std::isfinite(fraction) || fraction < -10.0 || fraction > 0.9)
        return CommandResult::failure("viewDolly: the fraction must be from -10 to 0.9");
    return navigation("viewDolly", args, [&]() -> std::string {
        ActiveView& v = ActiveView::instance();
        const KObject shape = v.cameraShape();
        if (v.projection().camera().orthographic && !shape.isNull()) {
            // An orthographic view shows more or less of the scene instead of moving.
            KFnCamera fn(shape);
            if (!fn.setOrthoWidth(v.projection().camera().orthoWidth * (1.0 - fraction)))
                return "the camera could not be changed";
            v.refresh();
            return {};
        }
        return moveTo(v, shape, dollyPose(currentPose(v, shape), fraction));
    });
}

// Walks the view's camera history: back to the pose before the last step, or forward again.
// Answers how many steps lie back and forward afterwards.
CommandResult viewHistoryCmd(const CommandArgs& args, CommandContext& ctx) {
    ActiveView& v = ActiveView::instance();
    if (args.has("back") && args.has("forward"))
        return CommandResult::failure("viewHistory: -back or -forward, not both");
    if (args.has("clear")) v.historyBack().clear(), v.historyForward().clear();
    const bool back = args.has("back"), forward = args.has("forward");
    if (back || forward) {
        std::vector<ActiveView::CameraPose>& from = back ? v.historyBack() : v.historyForward();
        std::vector<ActiveView::CameraPose>& to = back ? v.historyForward() : v.historyBack();
        if (from.empty()) {
            ctx.warning(back ? "No earlier view to go back to."
                             : "No later view to go forward to.");
        } else {
            v.refresh();
            const ActiveView::CameraPose here = capturePose(v);
            std::string error;
            {
                UndoOff off;
                error = applyPose(v, from.back());
            }
            if (!error.empty()) return CommandResult::failure("viewHistory: " + error);
            from.pop_back();
            to.push_back(here);
        }
    }
    return lang::Value(
        std::vector<std::int64_t>{static_cast<std::int64_t>(v.historyBack().size()),
                                  static_cast<std::int64_t>(v.historyForward().size())});
}

}  // namespace

void addNavigationCommands(lang::CommandRegistry& registry) {
    using lang::ArgType;
    const lang::FlagSpec continues{.longName = "continue", .shortName = "c"};
    const lang::CommandSpec rows[] = {
        {.name = "viewTumble",
         .usage = "viewTumble [-continue] YAW PITCH",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::Float},
         .flags = {continues},
         .body = viewTumbleCmd},
        {.name = "viewTrack",
         .usage = "viewTrack [-continue] DX DY",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::Float},
         .flags = {continues},
         .body = viewTrackCmd},
        {.name = "viewDolly",
         .usage = "viewDolly [-continue] FRACTION",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::Float},
         .flags = {continues},
         .body = viewDollyCmd},
        {.name = "viewHistory",
         .usage = "viewHistory [-back|-forward|-clear]",
         .flags = {{.longName = "back", .shortName = "b"},
                   {.longName = "forward", .shortName = "f"},
                   {.longName = "clear", .shortName = "cl"}},
         .body = viewHistoryCmd},
    };
    for (const lang::CommandSpec& row : rows) registry.add(row);
}

}  // namespace tarn::view
