// The view's commands: snapshots, the port and camera of the active view, and the queries
// users aim scripted strokes with (world point to pixel, pixel to ray, a mesh's edges on screen).

#include <cmath>

#include "frame/k_global.h"
#include "frame/k_scene.h"
#include "frame/k_selection.h"
#include "host/image/png_writer.h"
#include "host/lang/command_modules.h"
#include "host/lang/text_file.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/selection.h"
#include "host/view/active_view.h"
#include "host/view/view_commands.h"
#include "host/view/view_navigation.h"
#include "host/view/view_scene.h"
#include "host/view/view_snapshot.h"

namespace tarn::lang {

namespace {

using namespace view;

CommandResult viewPortCmd(const CommandArgs& args, CommandContext&) {
    ActiveView& v = ActiveView::instance();
    if (args.count() == 0) return Value(std::vector<std::int64_t>{v.width(), v.height()});
    if (args.count() != 2) return CommandResult::failure("viewPort takes a width and a height");
    const std::int64_t w = args[0].asInt(), h = args[1].asInt();
    std::string error;
    if (w < 1 || h < 1 || w > view::kMaxPortSide || h > view::kMaxPortSide ||
        !v.setPortSize(static_cast<int>(w), static_cast<int>(h), &error))
        return CommandResult::failure("viewPort: port size must be 1 to " +
                                      std::to_string(view::kMaxPortSide) + " pixels each way");
    return Value(std::vector<std::int64_t>{w, h});
}

// The name a camera shape is known by: its transform.
std::string cameraTransformName(const KObject& shape) {
    const KObject parent = scene::parentOf(shape);
    return scene::nodeName(parent.isNull() ? shape : parent);
}

CommandResult viewCameraCmd(const CommandArgs& args, CommandContext&) {
    ActiveView& v = ActiveView::instance();
    if (args.count() > 0) {
        std::string error;
        if (!v.setCamera(args[0].asString(), &error))
            return CommandResult::failure("viewCamera: " + error);
    }
    const KObject shape = v.cameraShape();
    return Value(shape.isNull() ? std::string() : cameraTransformName(shape));
}

// Moves the view's camera back along its view direction until `box` fills the narrower side
// of the port; a view without a camera node gets an automatic camera instead.
CommandResult viewFitCmd(const CommandArgs& args, CommandContext&) {
    ActiveView& v = ActiveView::instance();
    Box3 box;
    if (args.has("selection")) {
        for (const auto& item : scene::activeSelection().items()) {
            std::vector<KObject> shapes;
            const KObject node = item.path.node();
            if (scene::meshNode(node)) shapes.push_back(node);
            for (const KObject& s : scene::shapesOf(node)) shapes.push_back(s);
            for (const KObject& s : shapes) {
                scene::MeshNode* mesh = scene::meshNode(s);
                if (!mesh) continue;
                const KMatrix m = scene::worldMatrix(s);
                for (const Vec3& p : mesh->readMesh().points()) {
                    const KPoint w = KPoint(p.x, p.y, p.z) * m;
                    box.expand({w.x, w.y, w.z});
                }
            }
        }
        if (box.empty()) return CommandResult::failure("viewFit: nothing selected to frame");
    } else {
        box = visibleBounds();
        if (box.empty()) return CommandResult::failure("viewFit: the scene has no visible mesh");
    }
    // Framing is navigation: no undo step, a step of the view's camera history.
    const std::string error = navigate(false, [&]() -> std::string {
        const KObject shape = v.cameraShape();
        if (shape.isNull()) {
            v.setAutomaticCamera(framingCamera(box, v.width(), v.height()));
            return {};
        }
        const ViewCamera cam = cameraFromShape(shape);
        const Vec3 centre = (box.min + box.max) * 0.5;
        const double radius = std::max(length(box.max - box.min) * 0.5, 1e-3);
        KFnCamera fn(shape);
        Vec3 eye;
        if (cam.orthographic) {
            fn.setOrthoWidth(radius * 2.0 * std::max(1.0, double(v.width()) / v.height()) * 1.05);
            eye = centre - cam.forward * (radius * 2.0 + cam.nearClip);
        } else {
            const double tanH = std::tan(cam.horizontalFieldOfView * 0.5);
            const double tanV = tanH * v.height() / v.width();
            const double distance = radius / std::sin(std::atan(std::min(tanH, tanV))) * 1.05;
            eye = centre - cam.forward * distance;
        }
        if (!fn.setEyePoint(KPoint(eye.x, eye.y, eye.z), KSpace::kWorld))
            return "the camera could not be moved";
        v.refresh();
        return {};
    });
    if (!error.empty()) return CommandResult::failure("viewFit: " + error);
    return {};
}

CommandResult viewProjectCmd(const CommandArgs& args, CommandContext&) {
    const ViewProjection& p = ActiveView::instance().refresh();
    int x = 0, y = 0;
    const bool front = p.toPixel({args[0].asFloat(), args[1].asFloat(), args[2].asFloat()}, x, y);
    if (args.has("clipped")) return Value(front ? 0 : 1);
    return Value(std::vector<std::int64_t>{x, y});
}

CommandResult viewRayCmd(const CommandArgs& args, CommandContext&) {
    const ViewProjection& p = ActiveView::instance().refresh();
    const std::int64_t x = args[0].asInt(), y = args[1].asInt();
    if (x < -32768 || x > 32767 || y < -32768 || y > 32767)
        return CommandResult::failure("viewRay: pixel coordinates must fit 16 bits");
    const ViewRay r = p.pixelRay(static_cast<int>(x), static_cast<int>(y));
    return Value(std::vector<double>{r.origin.x, r.origin.y, r.origin.z, r.direction.x,
                                     r.direction.y, r.direction.z});
}

CommandResult viewEdgesCmd(const CommandArgs& args, CommandContext&) {
    const std::string name = args[0].asString();
    KObject node = scene::findNode(name);
    if (!node.isNull() && !scene::meshNode(node)) node = scene::meshShapeOf(node);
    scene::MeshNode* mesh = node.isNull() ? nullptr : scene::meshNode(node);
    if (!mesh) return CommandResult::failure("viewEdges: " + name + " is not a mesh");
    const PolyMesh& m = mesh->readMesh();
    std::vector<int> edges;
    if (args.has("edge")) {
        for (std::int64_t e : args.flag("edge").asIntArray()) {
            if (e < 0 || e >= m.numEdges())
                return CommandResult::failure("viewEdges: " + name + " has no edge " +
                                              std::to_string(e));
            edges.push_back(static_cast<int>(e));
        }
    } else {
        for (int e = 0; e < m.numEdges(); ++e) edges.push_back(e);
    }
    const ViewProjection& p = ActiveView::instance().refresh();
    const KMatrix world = scene::worldMatrix(node);
    std::vector<std::int64_t> out;
    out.reserve(edges.size() * 7);
    for (int e : edges) {
        const MeshEdge& edge = m.edge(e);
        out.push_back(e);
        out.push_back(edge.v0);
        out.push_back(edge.v1);
        for (int v : {edge.v0, edge.v1}) {
            const Vec3& q = m.point(v);
            const KPoint w = KPoint(q.x, q.y, q.z) * world;
            int x = 0, y = 0;
            p.toPixel({w.x, w.y, w.z}, x, y);
            out.push_back(x);
            out.push_back(y);
        }
    }
    return Value(std::move(out));
}

// What screen picks take: object or component mode, and the mask of the mode.
CommandResult selectModeCmd(const CommandArgs& args, CommandContext&) {
    if (args.has("object") && args.has("component"))
        return CommandResult::failure("selectMode: -object or -component, not both");
    if (args.has("object")) KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);
    if (args.has("component")) KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
    return Value(KGlobal::selectionMode() == KGlobal::kSelectComponentMode ? "component"
                                                                           : "object");
}

CommandResult selectTypeCmd(const CommandArgs& args, CommandContext&) {
    struct Row {
        const char* flag;
        KSelectionMask::SelectionType type;
        bool component;
    };
    static const Row kRows[] = {{"vertex", KSelectionMask::kSelectMeshVerts, true},
                                {"edge", KSelectionMask::kSelectMeshEdges, true},
                                {"facet", KSelectionMask::kSelectMeshFaces, true},
                                {"mesh", KSelectionMask::kSelectMeshes, false}};
    int given = 0;
    for (const Row& r : kRows) given += args.has(r.flag) ? 1 : 0;
    if (given > 1)
        return CommandResult::failure("selectType: one of -vertex, -edge, -facet, -mesh");
    for (const Row& r : kRows)
        if (args.has(r.flag)) {
            if (r.component)
                KGlobal::setComponentSelectionMask(KSelectionMask(r.type));
            else
                KGlobal::setObjectSelectionMask(KSelectionMask(r.type));
        }
    // Answers what the current mode picks.
    const bool component = KGlobal::selectionMode() == KGlobal::kSelectComponentMode;
    const KSelectionMask mask =
        component ? KGlobal::componentSelectionMask() : KGlobal::objectSelectionMask();
    for (const Row& r : kRows)
        if (r.component == component && mask.intersects(r.type)) return Value(r.flag);
    return Value(component ? "other components" : "objects");
}

CommandResult viewCaptureCmd(const CommandArgs& args, CommandContext&) {
    const std::string path = args[0].asString();
    std::string error;
    if (!view::writeViewCapture(path, &error))
        return CommandResult::failure("viewCapture: " + error);
    return Value(path);
}

CommandResult viewSnapshotCmd(const CommandArgs& args, CommandContext&) {
    view::SnapshotRequest request;
    // The file may come as -o FILE or as the one positional argument.
    const std::string flagPath = args.has("output") ? args.flag("output").asString() : "";
    const std::string argPath = args.count() > 0 ? args[0].asString() : "";
    if (!flagPath.empty() && !argPath.empty() && flagPath != argPath)
        return CommandResult::failure("viewSnapshot takes one output file, not " + flagPath +
                                      " and " + argPath);
    request.path = flagPath.empty() ? argPath : flagPath;
    if (request.path.empty())
        return CommandResult::failure("viewSnapshot needs an output file: -o FILE.png");
    if (lang::containsNul(request.path))
        return CommandResult::failure("viewSnapshot: the file name contains a NUL character");
    if (args.has("camera")) request.camera = args.flag("camera").asString();
    if (args.has("camera") && request.camera.empty())
        return CommandResult::failure("viewSnapshot: -camera needs a camera name");
    // Sizes are checked as 64-bit values so that huge numbers are not wrapped into range.
    const auto size = [&](const char* flag, int fallback, int& into) {
        if (!args.has(flag)) {
            into = fallback;
            return true;
        }
        const std::int64_t v = args.flag(flag).asInt();
        if (v < 1 || v > image::kMaxPngSide) return false;
        into = static_cast<int>(v);
        return true;
    };
    if (!size("width", 640, request.width) || !size("height", 480, request.height))
        return CommandResult::failure("viewSnapshot: width and height must be 1 to " +
                                      std::to_string(image::kMaxPngSide) + " pixels");
    request.wireframe = args.has("wireframe");
    if (args.has("background")) {
        request.flatBackground = true;
        for (int c = 0; c < 3; ++c) {
            const double v = args.flag("background", c).asFloat();
            if (!(v >= 0.0 && v <= 1.0))
                return CommandResult::failure(
                    "viewSnapshot: -background takes three values from 0 to 1");
            request.background[c] = static_cast<float>(v);
        }
    }
    std::string error;
    if (!view::writeSnapshot(request, &error))
        return CommandResult::failure("viewSnapshot: " + error);
    return Value(request.path);
}

}  // namespace

void installViewCommands(CommandRegistry& registry) {
    const CommandSpec rows[] = {
        {.name = "viewPort",
         .usage = "viewPort [WIDTH HEIGHT]",
         .minArgs = 0,
         .maxArgs = 2,
         .argTypes = {ArgType::Int},
         .body = viewPortCmd},
        {.name = "viewCamera",
         .usage = "viewCamera [CAMERA]",
         .minArgs = 0,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = viewCameraCmd},
        {.name = "viewFit",
         .usage = "viewFit [-selection]",
         .flags = {{.longName = "selection", .shortName = "sl"}},
         .body = viewFitCmd},
        {.name = "viewProject",
         .usage = "viewProject [-clipped] X Y Z",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {ArgType::Float},
         .flags = {{.longName = "clipped", .shortName = "cl"}},
         .body = viewProjectCmd},
        {.name = "viewRay",
         .usage = "viewRay X Y",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {ArgType::Int},
         .body = viewRayCmd},
        {.name = "viewEdges",
         .usage = "viewEdges [-edge {E...}] MESH",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "edge", .shortName = "e", .args = {ArgType::IntArray}}},
         .body = viewEdgesCmd},
        {.name = "selectMode",
         .usage = "selectMode [-object|-component]",
         .flags = {{.longName = "object", .shortName = "o"},
                   {.longName = "component", .shortName = "co"}},
         .body = selectModeCmd},
        {.name = "selectType",
         .usage = "selectType [-vertex|-edge|-facet|-mesh]",
         .flags = {{.longName = "vertex", .shortName = "v"},
                   {.longName = "edge", .shortName = "e"},
                   {.longName = "facet", .shortName = "f"},
                   {.longName = "mesh", .shortName = "m"}},
         .body = selectTypeCmd},
        {.name = "viewCapture",
         .usage = "viewCapture FILE.png",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .body = viewCaptureCmd},
    };
    for (const CommandSpec& row : rows) registry.add(row);
    view::addContextCommands(registry);
    view::addNavigationCommands(registry);
    registry.add(
        {.name = "viewSnapshot",
         .usage = "viewSnapshot [-camera CAMERA] [-width W] [-height H] [-wireframe] "
                  "[-background R G B] -o FILE.png",
         .minArgs = 0,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "camera", .shortName = "camera", .args = {ArgType::String}},
                   {.longName = "width", .shortName = "width", .args = {ArgType::Int}},
                   {.longName = "height", .shortName = "height", .args = {ArgType::Int}},
                   {.longName = "wireframe", .shortName = "wireframe"},
                   {.longName = "background",
                    .shortName = "bg",
                    .args = {ArgType::Float, ArgType::Float, ArgType::Float}},
                   {.longName = "output", .shortName = "o", .args = {ArgType::String}}},
         .body = viewSnapshotCmd});
}

}  // namespace tarn::lang
