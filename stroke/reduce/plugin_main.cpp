// thinPen: one context command, "thinPenContext", with its tools' property sheet.

#include "frame/plugin_entry.h"
#include "stroke/reduce/reduce_context.h"

TARN_DEFINE_API_VERSION

static const kframe::ContextPluginRow kRow{"Quill|Ridgeline Support Plugin",
                                           "4.0",
                                           "thinPenContext",
                                           stroke::drawReduceContextCmd::creator,
                                           stroke::reduceToolProperties().data(),
                                           unsigned(stroke::reduceToolProperties().size())};

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerContextPlugin(plugin, kRow);
}
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterContextPlugin(plugin, kRow);
}
