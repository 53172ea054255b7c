#include "frame/plugin_entry.h"
#include "texture/treeBark/tree_bark_node.h"

TARN_DEFINE_API_VERSION

namespace {
const kframe::NodePluginRow kRow{"Quill",
                                 "1.0",
                                 "treeBark",
                                 treeBarkNode::id,
                                 treeBarkNode::creator,
                                 treeBarkNode::initialize,
                                 "texture/2d",
                                 2};
}

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerNodePlugin(plugin, kRow);
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterNodePlugin(plugin, kRow);
}
