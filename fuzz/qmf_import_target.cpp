// Fuzz target of the whole QMF import: the bytes written as a file and imported through the
// sceneReader plug-in (translator, recorder, player into the scene), then the scene described.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_targets.h"
#include "fuzz/host_session.h"
#include "host/fileio/file_import.h"
#include "host/lang/execute.h"
#include "host/plugins/plugin_loader.h"
#include "host/sdk/host_output.h"

namespace tarn::fuzz {

void qmfImportSetup() {
    enterScratchFolder();
    installPathSandbox();
    resetScene();
    std::string error;
    auto& loader = plugins::PluginLoader::instance();
    if (!loader.find("sceneReader") && loader.load("sceneReader", &error).error()) {
        std::fprintf(stderr, "tarn fuzz: %s\n", error.c_str());
        std::exit(2);
    }
}

void qmfImportOne(const std::uint8_t* data, std::size_t size) {
    const std::string path = enterScratchFolder() + "/input.qmf";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    output::Capture quiet;
    const fileio::ImportOutcome out = fileio::importFile(path, "");
    if (out.status.error() && out.error.empty())
        reportFinding("an import failed without a message", out.translator);
    if (!out.status.error()) {
        // What the import made must describe: every node, connection and face group readable.
        lang::ExecuteOptions options;
        options.origin = "fuzz";
        const lang::RunResult r = lang::executeText("describeScene -json", options);
        if (!r.ok) reportFinding("describeScene failed after an import", r.error);
    }
    resetScene();
}

}  // namespace tarn::fuzz
