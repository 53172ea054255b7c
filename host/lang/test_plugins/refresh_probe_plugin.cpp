// A node plug-in for the language tests: registers one empty node type with a classification
// through the shared registration sequence, so loading and unloading it runs the create-render-
// node refresh command. Built twice: with one blank (texture/2d) and with two (texture/3d).

#include "frame/host_sdk.h"
#include "frame/plugin_entry.h"

namespace {

class RefreshProbeNode : public KPxNode {
public:
    static void* creator() { return new RefreshProbeNode; }
    static KStatus initialize() { return KStatus(); }
};

const kframe::NodePluginRow kRow{"Probe",
                                 "1.0",
                                 PROBE_TYPE_NAME,
                                 PROBE_TYPE_ID,
                                 RefreshProbeNode::creator,
                                 RefreshProbeNode::initialize,
                                 PROBE_CLASSIFICATION,
                                 PROBE_BLANKS};

}  // namespace

TARN_DEFINE_API_VERSION
TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerNodePlugin(plugin, kRow);
}
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterNodePlugin(plugin, kRow);
}
