#include "frame/plugin_entry.h"
#include "uvproject/patch_cast_node.h"
#include "uvproject/poly_map_cut_faces_border_cmd.h"

TARN_DEFINE_API_VERSION

namespace {
const kframe::NodeCommandPluginRow kRow{"Quill|Ridgeline Support Plugin",
                                        "4.5",
                                        "patchCastNode",
                                        patchCastNode::id,
                                        patchCastNode::creator,
                                        patchCastNode::initialize,
                                        "polyMapCutFacesBorder",
                                        polyMapCutFacesBorder::creator,
                                        nullptr};
}

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerNodeCommandPlugin(plugin, kRow);
}

TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterNodeCommandPlugin(plugin, kRow);
}
