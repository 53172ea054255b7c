// The sampleTexture command: one evaluation of a texture node at a UV or a point, on a private
// copy of the node's values.

#include <cstdio>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/lang/command_modules.h"
#include "host/lang/command_registry.h"
#include "host/texturing/texture_sampler.h"
#include "host/texturing/texture_swatch_command.h"

namespace tarn::lang {
namespace {

using texturing::SampleValue;
using texturing::TextureKind;
using texturing::TextureSampler;

// Nine significant digits bring every float back exactly.
std::string roundTrip(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

// The `count` numbers of a flag as floats; false when one is not finite in single precision.
bool floatArgs(const CommandArgs& args, const char* flag, int count, float* out) {
    for (int i = 0; i < count; ++i) {
        const double d = args.flag(flag, static_cast<std::size_t>(i)).asFloat();
        if (!cellHoldsFinite(CellKind::kFloat, d)) return false;
        out[i] = cellToFloat(d);
    }
    return true;
}

CommandResult sampleTexture(const CommandArgs& args, CommandContext&) {
    const std::string name = args[0].asString();
    const bool byUv = args.has("uv");
    const bool byPoint = args.has("p");
    if (byUv == byPoint)
        return CommandResult::failure("sampleTexture: give exactly one of -uv and -p");

    KObject node = Graph::instance().findNode(name);
    if (node.isNull()) return CommandResult::failure("No object matches name: " + name);
    std::string error;
    std::unique_ptr<TextureSampler> sampler = TextureSampler::create(node, &error);
    if (!sampler) return CommandResult::failure("sampleTexture: " + error);

    const bool is2d = sampler->kind() == TextureKind::k2d;
    if (byUv && !is2d)
        return CommandResult::failure("sampleTexture: " + name + " is a 3D texture; use -p X Y Z");
    if (byPoint && is2d)
        return CommandResult::failure("sampleTexture: " + name + " is a 2D texture; use -uv U V");
    if (args.has("local") && is2d)
        return CommandResult::failure("sampleTexture: -local applies to 3D textures only");

    // Coordinates and filter size are single precision: refuse what would round to infinity.
    float where[3] = {0.0f, 0.0f, 0.0f};
    float filter[2] = {0.0f, 0.0f};
    const char* const at = byUv ? "uv" : "p";
    const char* bad = !floatArgs(args, at, byUv ? 2 : 3, where)             ? at
                      : args.has("fs") && !floatArgs(args, "fs", 2, filter) ? "fs"
                                                                            : nullptr;
    if (bad)
        return CommandResult::failure("sampleTexture: -" + std::string(bad) +
                                      " takes finite numbers");

    // Filter size: given, else the node's stored one.
    std::unique_ptr<SampleBlock> block = sampler->makeBlock();
    float fx = filter[0], fy = filter[1];
    if (!args.has("fs")) sampler->storedFilterSize(*block, &fx, &fy);

    SampleValue s;
    KStatus status;
    if (byUv) {
        status = sampler->sampleUv(*block, where[0], where[1], fx, fy, &s);
    } else {
        status = sampler->samplePoint(*block, where[0], where[1], where[2], args.has("local"), fx,
                                      fy, &s);
    }
    if (status.error())
        return CommandResult::failure("sampleTexture: evaluation of " + name +
                                      " failed: " + KStatus::description(status.statusCode()));
    return CommandResult::success(Value(
        std::vector<std::string>{roundTrip(s.r), roundTrip(s.g), roundTrip(s.b), roundTrip(s.a)}));
}

}  // namespace

void installTexturingCommands(CommandRegistry& registry) {
    registry.add({
        .name = "sampleTexture",
        .usage = "sampleTexture (-uv U V | -p X Y Z [-local]) [-fs FX FY] NODE",
        .minArgs = 1,
        .maxArgs = 1,
        .argTypes = {ArgType::String},
        .flags = {{.longName = "uv", .shortName = "uv", .args = {ArgType::Float, ArgType::Float}},
                  {.longName = "p",
                   .shortName = "p",
                   .args = {ArgType::Float, ArgType::Float, ArgType::Float}},
                  {.longName = "local", .shortName = "local"},
                  {.longName = "fs", .shortName = "fs", .args = {ArgType::Float, ArgType::Float}}},
        .body = sampleTexture,
    });
    addTextureSwatchCommand(registry);
}

}  // namespace tarn::lang
