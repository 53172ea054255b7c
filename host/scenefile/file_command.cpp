// The `file` command: scene files (save, open, new, the scene's name and modified state) and
// importing files of other programs.

#include <string>

#include "host/fileio/file_import.h"
#include "host/lang/atomic_file.h"
#include "host/lang/command_modules.h"
#include "host/lang/text_file.h"
#include "host/scenefile/scene_reader.h"
#include "host/scenefile/scene_session.h"
#include "host/scenefile/scene_writer.h"

namespace tarn::scenefile {

namespace {

using lang::ArgType;
using lang::CommandArgs;
using lang::CommandContext;
using lang::CommandResult;
using lang::Value;

constexpr const char* kExtension = ".tscene";

bool hasSceneExtension(const std::string& path) {
    const std::string ext = kExtension;
    const auto slash = path.find_last_of('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return base.size() > ext.size() && base.compare(base.size() - ext.size(), ext.size(), ext) == 0;
}

std::string unsavedMessage(const char* action) {
    return std::string("file: the scene has unsaved changes; save them first (file -save) or ") +
           action + " with -force to drop them";
}

CommandResult save(const CommandArgs& args) {
    std::string path = args.count() > 0 ? args[0].asString() : sceneName();
    if (path.empty())
        return CommandResult::failure(
            "file: the scene has no file yet: name one (file -save PATH)");
    if (lang::containsNul(path)) return CommandResult::failure("file: a path holds no NUL byte");
    if (!hasSceneExtension(path))
        return CommandResult::failure("file: a scene file's name ends in " +
                                      std::string(kExtension) + ", not \"" + path + "\"");
    const std::string text = writeScene();
    std::string error;
    // The old file stays whole until the new one is written and checked.
    if (!lang::writeFileAtomically(path, text, &error))
        return CommandResult::failure("file: the scene was not saved: " + error);
    markSceneSaved(path);
    return Value(path);
}

CommandResult open(const CommandArgs& args, CommandContext& ctx) {
    if (args.count() == 0) return CommandResult::failure("file: -open needs the file to open");
    const std::string path = args[0].asString();
    if (lang::containsNul(path)) return CommandResult::failure("file: a path holds no NUL byte");
    if (sceneModified() && !args.has("force"))
        return CommandResult::failure(unsavedMessage("open"));
    const OpenOutcome out = openSceneFile(path);
    for (const std::string& w : out.warnings) ctx.warning(w);
    if (!out.ok) return CommandResult::failure(out.error);
    markSceneSaved(path);
    return Value(path);
}

CommandResult importModel(const CommandArgs& args) {
    if (args.count() == 0) return CommandResult::failure("file: -import needs the file to import");
    const std::string path = args[0].asString();
    const std::string type = args.has("type") ? args.flag("type").asString() : "";
    const fileio::ImportOutcome out = fileio::importFile(path, type);
    if (out.status.error()) return CommandResult::failure(out.error);
    markSceneModified();
    return Value(path);
}

CommandResult fileCommand(const CommandArgs& args, CommandContext& ctx) {
    if (args.isQuery()) {
        if (args.has("sceneName")) return Value(sceneName());
        if (args.has("modified")) return Value(static_cast<std::int64_t>(sceneModified()));
        return CommandResult::failure("file: query -sceneName or -modified");
    }
    const int actions = args.has("save") + args.has("open") + args.has("new") + args.has("import");
    if (actions != 1)
        return CommandResult::failure(
            "file: give one of -save, -open, -new and -import (file -q -sceneName, file -q "
            "-modified ask)");
    if (args.has("save")) return save(args);
    if (args.has("open")) return open(args, ctx);
    if (args.has("import")) return importModel(args);
    if (args.count() > 0) return CommandResult::failure("file: -new takes no file");
    if (sceneModified() && !args.has("force"))
        return CommandResult::failure(unsavedMessage("start anew"));
    newScene();
    return {};
}

}  // namespace

}  // namespace tarn::scenefile

namespace tarn::lang {

void installScenefileCommands(CommandRegistry& registry) {
    registry.add(
        {.name = "file",
         .usage = "file -save [path] | -open [-force] path | -new [-force] | -import "
                  "[-type string] path | -q -sceneName | -q -modified",
         .minArgs = 0,
         .maxArgs = 1,
         .argTypes = {ArgType::String},
         .flags = {{.longName = "save", .shortName = "s"},
                   {.longName = "open", .shortName = "o"},
                   {.longName = "new", .shortName = "new"},
                   {.longName = "force", .shortName = "f"},
                   {.longName = "import", .shortName = "i"},
                   {.longName = "type", .shortName = "typ", .args = {ArgType::String}},
                   {.longName = "sceneName", .shortName = "sn", .query = true, .create = false},
                   {.longName = "modified", .shortName = "mf", .query = true, .create = false}},
         .queryMode = true,
         .undoable = false,
         .body = scenefile::fileCommand});
}

}  // namespace tarn::lang
