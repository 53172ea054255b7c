#include "fuzz/fuzz_targets.h"

#include <array>

namespace tarn::fuzz {

namespace {

// A new target (a command plug-in's flags, a tool context's gesture stream) is one more row
// here, one seed folder under fuzz/corpus/ and one add_tarn_fuzzer line in CMakeLists.txt.
// This table serves the corpus replay test; each libFuzzer binary is bound to its row's
// functions at build time.
constexpr std::array kTargets = {
    FuzzTarget{"qmf_parser", qmfParserSetup, qmfParserOne},
    FuzzTarget{"qmf_import", qmfImportSetup, qmfImportOne},
    FuzzTarget{"lang", langSetup, langOne},
    FuzzTarget{"scene_file", sceneFileSetup, sceneFileOne},
    FuzzTarget{"obj_reader", objReaderSetup, objReaderOne},
    FuzzTarget{"model_import", modelImportSetup, modelImportOne},
    FuzzTarget{"image_reader", imageReaderSetup, imageReaderOne},
    FuzzTarget{"mesh_history", meshHistorySetup, meshHistoryOne},
};

}  // namespace

std::span<const FuzzTarget> fuzzTargets() {
    return kTargets;
}

const FuzzTarget* findFuzzTarget(std::string_view name) {
    for (const FuzzTarget& t : kTargets)
        if (name == t.name) return &t;
    return nullptr;
}

}  // namespace tarn::fuzz
