// Fuzz target of the OBJ reader alone (no scene): the bytes parsed as an OBJ file. A file it
// takes must give valid meshes with faces, and cross to another process whole (the scene is
// written and read back as the model-import child process sends it).
#include <string>

#include "fuzz/fuzz_targets.h"
#include "host/fileio/isolated_read.h"
#include "host/fileio/obj_reader.h"

namespace tarn::fuzz {

void objReaderSetup() {}

void objReaderOne(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fileio::ImportedScene scene;
    std::string error;
    if (!fileio::parseObj(text, "", nullptr, scene, &error)) {
        if (error.empty()) reportFinding("a refused OBJ file said nothing", text);
        return;
    }
    for (const fileio::ImportedMesh& m : scene.meshes)
        if (!m.mesh || m.mesh->numFaces() == 0) reportFinding("an OBJ mesh without faces", text);
    const std::string bytes = fileio::serializeScene(scene);
    fileio::ImportedScene back;
    if (!fileio::deserializeScene(bytes, back, &error))
        reportFinding("an OBJ model does not cross whole: " + error, text);
    else if (fileio::serializeScene(back) != bytes)
        reportFinding("an OBJ model crosses changed", text);
}

}  // namespace tarn::fuzz
