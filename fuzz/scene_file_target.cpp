// Fuzz target of the scene-file reader: the bytes opened as a scene file (parsed, checked, then
// built), in a fresh scene. A refusal must say why; a file that opens must save, and what it
// saves must open again and save to the same bytes (so every scene a file can make is one the
// writer can keep).
#include <string>

#include "fuzz/fuzz_targets.h"
#include "fuzz/host_session.h"
#include "host/scenefile/scene_reader.h"
#include "host/scenefile/scene_writer.h"
#include "host/sdk/host_output.h"

namespace tarn::fuzz {

void sceneFileSetup() {
    enterScratchFolder();
    installPathSandbox();
    unloadPluginsAndReset();
}

void sceneFileOne(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        output::Capture quiet;
        const scenefile::OpenOutcome out = scenefile::openSceneText(text, "input.tscene");
        if (!out.ok && out.error.empty()) reportFinding("a refused scene file said nothing", text);
        if (out.ok) {
            const std::string saved = scenefile::writeScene();
            const scenefile::OpenOutcome again = scenefile::openSceneText(saved, "saved.tscene");
            if (!again.ok) reportFinding("a saved scene does not open: " + again.error, saved);
            if (scenefile::writeScene() != saved)
                reportFinding("a saved scene saves differently once opened", saved);
        }
    }
    // The file may have loaded plug-ins and set the scene's option variables.
    unloadPluginsAndReset();
}

}  // namespace tarn::fuzz
