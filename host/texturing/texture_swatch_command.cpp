// The textureSwatch command: a texture node of the scene drawn into a PNG file, the same picture
// the `tarn swatch` job makes, so that scripts can make swatches too.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "host/dg/graph.h"
#include "host/image/png_writer.h"
#include "host/lang/command_registry.h"
#include "host/texturing/swatch_render.h"
#include "host/texturing/texture_swatch_command.h"

namespace tarn::lang {
namespace {

constexpr int kDefaultSize = 256;

CommandResult textureSwatch(const CommandArgs& args, CommandContext&) {
    const std::string name = args[0].asString();
    const std::string path = args.has("output") ? args.flag("output").asString() : "";
    if (path.empty())
        return CommandResult::failure("textureSwatch needs an output file: -o FILE.png");
    KObject node = Graph::instance().findNode(name);
    if (node.isNull()) return CommandResult::failure("No object matches name: " + name);

    texturing::SwatchRender render;
    // Checked as 64-bit values so that huge numbers are not wrapped into range.
    const std::int64_t size = args.has("size") ? args.flag("size").asInt() : kDefaultSize;
    if (size < 1 || size > image::kMaxPngSide)
        return CommandResult::failure("textureSwatch: -size must be 1 to " +
                                      std::to_string(image::kMaxPngSide) + " pixels");
    render.size = static_cast<int>(size);
    if (args.has("scale")) {
        const double scale = args.flag("scale").asFloat();
        // A float's range: a larger half-width would make every sample point infinite.
        if (!(scale > 0.0) || !(scale <= 3.4e38))
            return CommandResult::failure(
                "textureSwatch: -scale must be a positive number up to 3.4e38");
        render.scale = static_cast<float>(scale);
    }
    render.sphere = args.has("sphere");

    std::vector<std::uint8_t> rgb;
    std::string error;
    if (!texturing::renderNodeSwatch(node, render, &rgb, &error) ||
        !image::writeRgbByExtension(path, render.size, render.size, rgb.data(), &error))
        return CommandResult::failure("textureSwatch: " + error);
    return Value(path);
}

}  // namespace

void addTextureSwatchCommand(CommandRegistry& registry) {
    registry.add({
        .name = "textureSwatch",
        .usage = "textureSwatch [-size N] [-scale S] [-sphere] -o FILE.png NODE",
        .minArgs = 1,
        .maxArgs = 1,
        .argTypes = {ArgType::String},
        .flags = {{.longName = "size", .shortName = "s", .args = {ArgType::Int}},
                  {.longName = "scale", .shortName = "sc", .args = {ArgType::Float}},
                  {.longName = "sphere", .shortName = "sph"},
                  {.longName = "output", .shortName = "o", .args = {ArgType::String}}},
        .body = textureSwatch,
    });
}

}  // namespace tarn::lang
