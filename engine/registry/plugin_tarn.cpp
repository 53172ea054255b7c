#include "engine/registry/plugin_tarn.h"

#include <algorithm>
#include <vector>

#include "host/dg/graph.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/host_output.h"

using tarn::Graph;
using tarn::plugins::PluginImpl;

namespace {

// Takes the reason the plug-in record kept for a failed registration (the engine reports it
// itself, with its context).
std::string takeProblem(PluginImpl* p) {
    if (!p || p->problems.empty()) return {};
    std::string why = p->problems.back();
    p->problems.pop_back();
    return why;
}

std::string withReason(std::string text, const std::string& why) {
    return why.empty() ? text : text + ": " + why;
}

}  // namespace

TpluginTarn::TpluginTarn(const KObject& plugin, const char* vendor, const char* version,
                         const char* requiredApiVersion, KStatus* status)
    : KFnPlugin(plugin, vendor, version, requiredApiVersion, status) {}

KStatus TpluginTarn::registerNode(const KString& name, std::uint32_t tag, KCreatorFunction creator,
                                  TdependNodeMetaClass* nodeClass, KPxNode::Type type,
                                  const KString* classification) {
    PluginImpl* p = PluginImpl::from(m_plugin);
    if (!p) {
        tarn::output::error("Cannot register node type '" + name.str() + "': no plug-in");
        return KStatus::kInvalidParameter;
    }
    if (!nodeClass) {
        KStatus s =
            KFnPlugin::registerNode(name, KTypeId(tag), creator, nullptr, type, classification);
        if (!s)
            tarn::output::error(withReason(
                "Cannot register node type '" + name.str() + "' (tag " + tagText(tag) + ")",
                takeProblem(p)));
        return s;
    }
    if (nodeClass->typeName() != name.str() || nodeClass->tag() != tag ||
        (creator && creator != nodeClass->metaclass().creator())) {
        tarn::output::error("Cannot register node type '" + name.str() + "' (tag " + tagText(tag) +
                            "): its node class is '" + nodeClass->typeName() + "' (tag " +
                            tagText(nodeClass->tag()) + ")" +
                            (creator && creator != nodeClass->metaclass().creator()
                                 ? ", made by another creator"
                                 : ""));
        return KStatus::kInvalidParameter;
    }
    // Registered at library load by this plug-in: nothing more to do than keep its kind true.
    if (nodeClass->registered()) {
        const tarn::NodeType* t = Graph::instance().findType(KTypeId(tag));
        if (t && t->owner == p) {
            nodeClass->setApiType(nodeClass->apiType());
            return KStatus::kSuccess;
        }
        tarn::output::error("Cannot register node type '" + name.str() +
                            "': another plug-in registered its node class");
        return KStatus::kFailure;
    }
    return TdependGraph::registerNodeType(nodeClass, m_plugin);
}

KStatus TpluginTarn::registerCommand(const KString& name) {
    PluginImpl* p = PluginImpl::from(m_plugin);
    if (!p) {
        tarn::output::error("Cannot register command '" + name.str() + "': no plug-in");
        return KStatus::kInvalidParameter;
    }
    if (std::find(p->commands.begin(), p->commands.end(), name.str()) != p->commands.end())
        return KStatus::kSuccess;
    if (!findTarnCommand(name.asChar())) {
        tarn::output::error("Cannot register command '" + name.str() +
                            "': no engine command is bound under this name");
        return KStatus::kNotFound;
    }
    KStatus s = KFnPlugin::registerCommand(name, &createTarnCommandProxy);
    if (!s)
        tarn::output::error(
            withReason("Cannot register command '" + name.str() + "'", takeProblem(p)));
    return s;
}

KStatus TpluginTarn::deregisterAll() {
    PluginImpl* p = PluginImpl::from(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    KStatus result;
    for (KTypeId id : std::vector<KTypeId>(p->nodeTypes)) {
        KStatus s;
        if (TdependNodeMetaClass* c = TdependGraph::findNodeType(id.id())) {
            s = TdependGraph::deregisterNodeType(c);
        } else {
            s = deregisterNode(id);
            if (!s && s.statusCode() != KStatus::kNotFound)
                tarn::output::error(withReason("Cannot deregister node type", takeProblem(p)));
        }
        if (!s) result = s;
    }
    for (const std::string& name : std::vector<std::string>(p->commands)) {
        if (KStatus s = deregisterCommand(name.c_str()); !s) result = s;
    }
    return result;
}
