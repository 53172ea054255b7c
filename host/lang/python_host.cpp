#include "host/lang/python_host.h"

#include <dlfcn.h>

#include <filesystem>

namespace tarn::lang {
namespace {

// The folder of libtarn.so, where libtarnpython.so is built too.
std::string libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&runPython), &info) == 0 || !info.dli_fname) return {};
    std::error_code ec;
    const auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string() : path.parent_path().string();
}

// Loads the embedded interpreter once; null with the reason in *why when it cannot.
PythonRunEntry entry(std::string* why) {
    static PythonRunEntry loaded = nullptr;
    static std::string failure;
    if (loaded || !failure.empty()) {
        *why = failure;
        return loaded;
    }
    const std::string path = libraryFolder() + "/libtarnpython.so";
    // Global: the tarn module, imported by that interpreter, resolves Python's symbols from it.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!library) {
        const char* reason = dlerror();
        failure = "Python is not available in this host: " + std::string(reason ? reason : path);
    } else if (!(loaded = reinterpret_cast<PythonRunEntry>(dlsym(library, kPythonRunSymbol)))) {
        failure = "Python is not available in this host: " + path + " lacks " + kPythonRunSymbol;
    }
    // Note: the library stays loaded for the life of the process (Python cannot be unloaded).
    *why = failure;
    return loaded;
}

CommandResult pythonCmd(const CommandArgs& args, CommandContext&) {
    PythonRun run;
    run.code = args[0].asString();
    run.fileName = "<python>";
    run.argv = {"<python>"};
    runPython(run);
    if (run.status != 0)
        return CommandResult::failure(run.error.empty() ? "python: exited with status " +
                                                              std::to_string(run.status)
                                                        : "python: " + run.error);
    return CommandResult(std::move(run.result));
}

}  // namespace

void runPython(PythonRun& run) {
    std::string why;
    const PythonRunEntry run_ = entry(&why);
    if (!run_) {
        run.status = 1;
        run.error = why;
        return;
    }
    run_(&run);
}

void addPythonCommand(CommandRegistry& registry) {
    registry.add({.name = "python",
                  .usage = "python text",
                  .summary = "Runs Python code in the host (the tarn module imported; names "
                             "persist between runs); answers the value of a single expression. "
                             "An exception fails the command with its traceback.",
                  .minArgs = 1,
                  .maxArgs = 1,
                  .argTypes = {ArgType::String},
                  .body = pythonCmd});
}

}  // namespace tarn::lang
