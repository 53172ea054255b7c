#include "bake/surface_bake_cmd.h"
#include "frame/plugin_entry.h"

TARN_DEFINE_API_VERSION

namespace {
const kframe::CommandPluginRow kRow{"Quill | ridgeline", "4.0", "surfaceBake",
                                    surfaceBakeCmd::creator, nullptr};
}

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerCommandPlugin(plugin, kRow);
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterCommandPlugin(plugin, kRow);
}
