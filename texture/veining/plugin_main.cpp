#include "frame/plugin_entry.h"
#include "texture/veining/veining_node.h"

TARN_DEFINE_API_VERSION

namespace {
const kframe::NodePluginRow kRow{"Quill",
                                 "Tarn4.0",
                                 "veining",
                                 veiningNode::id,
                                 veiningNode::creator,
                                 veiningNode::initialize,
                                 "texture/3d",
                                 2};
}

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerNodePlugin(plugin, kRow);
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterNodePlugin(plugin, kRow);
}
