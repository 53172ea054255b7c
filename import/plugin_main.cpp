#include "frame/plugin_entry.h"
#include "import/parse_scene.h"
#include "import/scene_reader_translator.h"

TARN_DEFINE_API_VERSION

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    KFnPlugin fn(plugin, "Copper Gleam", "1.0b2", "Any");
    return fn.registerFileTranslator("QMF", "", TsceneReader::creator, nullptr, nullptr, false);
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
    fn.deregisterFileTranslator("QMF");
    // The last import's model is not needed once the translator is gone.
    resetSceneModel();
    return KStatus::kSuccess;
}
