// Fuzz target of model import as `file -import` runs it: the first byte picks the format (OBJ,
// PLY, STL, glTF, GLB, FBX, Collada), the rest is written as that file and imported into an
// empty scene. assimp's formats are read in a child process: a crash or endless loop there
// must come back as a failed import with a reason. A failure must say why; an import must
// leave a scene that describes.
#include <cstdio>
#include <string>

#include "fuzz/fuzz_targets.h"
#include "fuzz/host_session.h"
#include "host/fileio/file_import.h"
#include "host/lang/execute.h"
#include "host/sdk/host_output.h"

namespace tarn::fuzz {

void modelImportSetup() {
    enterScratchFolder();
    installPathSandbox();
    resetScene();
}

void modelImportOne(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    static const char* const kExtensions[] = {"obj", "ply", "stl", "gltf", "glb", "fbx", "dae"};
    const std::string path = enterScratchFolder() + "/input." +
                             kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    }
    output::Capture quiet;
    const fileio::ImportOutcome out = fileio::importFile(path, "");
    if (out.status.error() && out.error.empty())
        reportFinding("an import failed without a message", path);
    if (!out.status.error()) {
        lang::ExecuteOptions options;
        options.origin = "fuzz";
        const lang::RunResult r = lang::executeText("describeScene -json", options);
        if (!r.ok) reportFinding("describeScene failed after a model import", r.error);
    }
    resetScene();
}

}  // namespace tarn::fuzz
