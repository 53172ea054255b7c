// The shadeSphere command: the sphere of the `tarn shade` job, shaded by a node of the scene,
// so that scripts can picture a shader under a light rig.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/image/png_writer.h"
#include "host/lang/command_modules.h"
#include "host/render/shade_job.h"

namespace tarn::lang {
namespace {

// Reads three finite numbers of one flag use into `out`.
bool takeThree(const CommandArgs& args, const char* flag, std::size_t use, std::size_t first,
               float* out) {
    for (std::size_t i = 0; i < 3; ++i) {
        const double v = args.flag(flag, first + i, use).asFloat();
        if (!std::isfinite(v) || std::fabs(v) > 3.4e38) return false;
        out[i] = static_cast<float>(v);
    }
    return true;
}

CommandResult shadeSphere(const CommandArgs& args, CommandContext&) {
    const std::string name = args[0].asString();
    const std::string path = args.has("output") ? args.flag("output").asString() : "";
    if (path.empty())
        return CommandResult::failure("shadeSphere needs an output file: -o FILE.png");
    KObject node = Graph::instance().findNode(name);
    if (node.isNull()) return CommandResult::failure("No object matches name: " + name);

    render::ShadeOptions options;
    const std::int64_t size = args.has("size") ? args.flag("size").asInt() : options.size;
    if (size < render::kMinShadeSize || size > render::kMaxShadeSize)
        return CommandResult::failure("shadeSphere: -size must be " +
                                      std::to_string(render::kMinShadeSize) + " to " +
                                      std::to_string(render::kMaxShadeSize) + " pixels");
    options.size = static_cast<int>(size);
    for (std::size_t use = 0; use < args.uses("light"); ++use) {
        render::ShadeLight light;
        if (!takeThree(args, "light", use, 0, light.direction) ||
            !takeThree(args, "light", use, 3, light.colour))
            return CommandResult::failure("shadeSphere: -light takes six finite numbers");
        const float* d = light.direction;
        if (d[0] == 0.0f && d[1] == 0.0f && d[2] == 0.0f)
            return CommandResult::failure("shadeSphere: a light direction must not be zero");
        options.lights.push_back(light);
    }
    if (args.has("ambient")) {
        if (!takeThree(args, "ambient", 0, 0, options.ambient))
            return CommandResult::failure("shadeSphere: -ambient takes three finite numbers");
        options.hasAmbient = true;
    }
    render::addDefaultLightRig(options);
    // The display mapping of the job: exposure in stops, then the tone curve.
    if (args.has("exposure")) {
        const double stops = args.flag("exposure").asFloat();
        if (!(std::fabs(stops) <= render::kMaxExposure))
            return CommandResult::failure("shadeSphere: -exposure must be from -20 to 20 stops");
        options.exposure = static_cast<float>(stops);
    }
    if (args.has("tone")) {
        const std::string curve = args.flag("tone").asString();
        if (curve == "filmic")
            options.tone = render::ToneCurve::kFilmic;
        else if (curve == "linear")
            options.tone = render::ToneCurve::kLinear;
        else
            return CommandResult::failure("shadeSphere: -tone must be filmic or linear, not '" +
                                          curve + "'");
    }

    std::vector<std::uint8_t> rgb;
    std::string error;
    if (!render::renderShadedSphere(node, options, rgb, &error) ||
        !image::writeRgbByExtension(path, options.size, options.size, rgb.data(), &error))
        return CommandResult::failure("shadeSphere: " + error);
    return Value(path);
}

}  // namespace

void installRenderCommands(CommandRegistry& registry) {
    using T = ArgType;
    registry.add({
        .name = "shadeSphere",
        .usage = "shadeSphere [-size N] [-light DX DY DZ R G B ...] [-ambient R G B] "
                 "[-exposure STOPS] [-tone filmic|linear] -o FILE.png NODE",
        .minArgs = 1,
        .maxArgs = 1,
        .argTypes = {T::String},
        .flags = {{.longName = "size", .shortName = "s", .args = {T::Int}},
                  {.longName = "light",
                   .shortName = "l",
                   .args = {T::Float, T::Float, T::Float, T::Float, T::Float, T::Float},
                   .multiUse = true},
                  {.longName = "ambient", .shortName = "a", .args = {T::Float, T::Float, T::Float}},
                  {.longName = "exposure", .shortName = "ex", .args = {T::Float}},
                  {.longName = "tone", .shortName = "tn", .args = {T::String}},
                  {.longName = "output", .shortName = "o", .args = {T::String}}},
        .body = shadeSphere,
    });
}

}  // namespace tarn::lang
