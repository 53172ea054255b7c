#include <exception>

#include "frame/plugin_entry.h"
#include "import/parse_scene.h"
#include "import/scene_reader_translator.h"

TARN_DEFINE_API_VERSION

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    try {
        KFnPlugin fn(plugin, "Copper Gleam", "1.0b2", "Any");
        // The registration status is the answer, without a message.
        return fn.registerFileTranslator("QMF", "", TsceneReader::creator, nullptr, nullptr, false);
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    try {
        KFnPlugin fn(plugin, "Unknown", "Unknown", "Any");
        fn.deregisterFileTranslator("QMF");
        // The last import's model is not needed once the translator is gone.
        resetSceneModel();
    } catch (const std::exception&) {
    }
    return KStatus::kSuccess;
}
