// Exports of the DermalShade plug-in: the API version and the load/unload pair that register
// the DermalShade node type as a surface shader.

#include "frame/plugin_entry.h"
#include "shader/dermal_shade_node.h"

TARN_DEFINE_API_VERSION

namespace {

const kframe::NodePluginRow kRow{"Quill|Ridgeline",    "1.0",
                                 "DermalShade",        DermalShade::id,
                                 DermalShade::creator, DermalShade::initialize,
                                 "shader/surface",     1};

}  // namespace

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerNodePlugin(plugin, kRow);
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterNodePlugin(plugin, kRow);
}
