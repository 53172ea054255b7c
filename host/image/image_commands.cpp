// Image commands: imageInfo (what a file holds, from its header alone) and sysFile -makeDir (the
// folder an image is written into must exist; scripts make it first).
#include <filesystem>

#include "host/image/image_file.h"
#include "host/image/image_header.h"
#include "host/lang/command_modules.h"

namespace tarn::lang {

namespace {

CommandResult imageInfoCmd(const CommandArgs& args, CommandContext&) {
    const std::string path = args[0].asString();
    image::ImageHeader header;
    std::string error;
    if (!image::readImageHeader(path, header, &error)) return CommandResult::failure(error);
    return Value(std::vector<int>{header.width, header.height, header.channels});
}

CommandResult sysFileCmd(const CommandArgs& args, CommandContext&) {
    const std::string path = args[0].asString();
    if (!args.has("makeDir")) return CommandResult::failure("sysFile needs -makeDir");
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!std::filesystem::is_directory(path, ec))
        return CommandResult::failure("cannot make the folder " + path +
                                      (ec ? ": " + ec.message() : std::string()));
    return Value(1);
}

}  // namespace

void installImageCommands(CommandRegistry& registry) {
    registry.add({.name = "imageInfo",
                  .usage = "imageInfo FILE  (answers width, height and channels)",
                  .minArgs = 1,
                  .maxArgs = 1,
                  .argTypes = {ArgType::String},
                  .body = imageInfoCmd});
    registry.add({.name = "sysFile",
                  .usage = "sysFile -makeDir FOLDER  (makes the folder and its missing parents)",
                  .minArgs = 1,
                  .maxArgs = 1,
                  .argTypes = {ArgType::String},
                  .flags = {{.longName = "makeDir", .shortName = "md"}},
                  .body = sysFileCmd});
}

}  // namespace tarn::lang
