// The view's commands: viewSnapshot.

#include "host/image/png_writer.h"
#include "host/lang/command_modules.h"
#include "host/lang/text_file.h"
#include "host/view/view_snapshot.h"

namespace tarn::lang {

namespace {

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
    std::string error;
    if (!view::writeSnapshot(request, &error))
        return CommandResult::failure("viewSnapshot: " + error);
    return Value(request.path);
}

}  // namespace

void installViewCommands(CommandRegistry& registry) {
    registry.add(
        {.name = "viewSnapshot",
         .usage = "viewSnapshot [-camera CAMERA] [-width W] [-height H] [-wireframe] -o FILE.png",
         .minArgs = 0,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "camera", .shortName = "camera", .args = {ArgType::String}},
                   {.longName = "width", .shortName = "width", .args = {ArgType::Int}},
                   {.longName = "height", .shortName = "height", .args = {ArgType::Int}},
                   {.longName = "wireframe", .shortName = "wireframe"},
                   {.longName = "output", .shortName = "o", .args = {ArgType::String}}},
         .body = viewSnapshotCmd});
}

}  // namespace tarn::lang
