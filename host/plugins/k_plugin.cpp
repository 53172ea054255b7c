#include "frame/k_plugin.h"

#include <algorithm>

#include "frame/k_tool_property.h"
#include "host/dg/graph.h"
#include "host/plugins/plugin_registry.h"
#include "host/sdk/registrant.h"

using tarn::plugins::PluginImpl;
using tarn::plugins::Registry;

namespace {

PluginImpl* pluginOf(const KObject& object) {
    return PluginImpl::from(object);
}

// A failed registration's reason is kept for the loader, which reports it after the entry
// point returns; the status goes back to the plug-in, which decides what to print itself.
void explain(PluginImpl& plugin, const std::string& why) {
    if (!why.empty()) plugin.problems.push_back(why);
}

}  // namespace

KFnPlugin::KFnPlugin(const KObject& plugin, const char* vendor, const char* version,
                     const char* requiredApiVersion, KStatus* status) {
    PluginImpl* p = pluginOf(plugin);
    if (!p) {
        kSetStatus(status, KStatus::kInvalidParameter);
        return;
    }
    m_plugin = plugin;
    std::string v = vendor ? vendor : "Unknown";
    std::string ver = version ? version : "Unknown";
    if (v != "Unknown") p->vendor = v;
    if (ver != "Unknown") p->version = ver;
    if (requiredApiVersion && v != "Unknown") p->apiVersion = requiredApiVersion;
    kSetStatus(status, KStatus::kSuccess);
}

KFnPlugin::~KFnPlugin() = default;

KString KFnPlugin::vendor(KStatus* status) const {
    PluginImpl* p = pluginOf(m_plugin);
    kSetStatus(status, p ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return p ? KString(p->vendor) : KString();
}

KString KFnPlugin::version(KStatus* status) const {
    PluginImpl* p = pluginOf(m_plugin);
    kSetStatus(status, p ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return p ? KString(p->version) : KString();
}

KString KFnPlugin::apiVersion(KStatus* status) const {
    PluginImpl* p = pluginOf(m_plugin);
    kSetStatus(status, p ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return p ? KString(p->apiVersion) : KString();
}

KString KFnPlugin::name(KStatus* status) const {
    PluginImpl* p = pluginOf(m_plugin);
    kSetStatus(status, p ? KStatus::kSuccess : KStatus::kInvalidParameter);
    return p ? KString(p->name) : KString();
}

KString KFnPlugin::loadPath(KStatus* status) const {
    PluginImpl* p = pluginOf(m_plugin);
    kSetStatus(status, p ? KStatus::kSuccess : KStatus::kInvalidParameter);
    if (!p) return {};
    size_t slash = p->path.rfind('/');
    return KString(slash == std::string::npos ? std::string(".") : p->path.substr(0, slash));
}

KObject KFnPlugin::currentPlugin() {
    auto* p = static_cast<PluginImpl*>(tarn::currentRegistrant());
    return p ? KObject(p->shared_from_this()) : KObject();
}

KStatus KFnPlugin::registerNode(const KString& typeName, const KTypeId& typeId,
                                KCreatorFunction creator, KInitializeFunction initialize,
                                KPxNode::Type type, const KString* classification,
                                KFn::Type apiType) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    if (!kFnIsA(apiType, KFn::kDependencyNode)) {
        explain(*p, "node type '" + typeName.str() + "': " + KObjBase::name(apiType) +
                        " is not a kind of node");
        return KStatus::kInvalidParameter;
    }
    tarn::NodeTypeSpec decl;
    decl.name = typeName.str();
    decl.id = typeId;
    decl.creator = creator;
    decl.initializer = initialize;
    decl.nodeKind = type;
    decl.classification = classification ? classification->str() : std::string();
    decl.apiType = apiType;
    decl.owner = p;
    std::string why;
    KStatus s = tarn::Graph::instance().registerType(decl, &why);
    if (!s) {
        explain(*p, why);
        return s;
    }
    p->nodeTypes.push_back(typeId);
    return s;
}

KStatus KFnPlugin::deregisterNode(const KTypeId& typeId) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    auto it = std::find(p->nodeTypes.begin(), p->nodeTypes.end(), typeId);
    if (it == p->nodeTypes.end()) return KStatus::kNotFound;
    std::string why;
    KStatus s = tarn::Graph::instance().deregisterType(typeId, &why);
    if (!s) {
        explain(*p, why);
        return s;
    }
    p->nodeTypes.erase(it);
    return s;
}

KStatus KFnPlugin::registerCommand(const KString& commandName, KCreatorFunction creator,
                                   KCreateSyntaxFunction createSyntax) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    std::string why;
    KStatus s =
        Registry::instance().addCommand({commandName.str(), creator, createSyntax, p}, &why);
    if (!s) {
        explain(*p, why);
        return s;
    }
    p->commands.push_back(commandName.str());
    return s;
}

KStatus KFnPlugin::deregisterCommand(const KString& commandName) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    KStatus s = Registry::instance().removeCommand(commandName.str(), p);
    if (s) std::erase(p->commands, commandName.str());
    return s;
}

KStatus KFnPlugin::registerContextCommand(const KString& commandName, KCreatorFunction creator) {
    return registerContextCommand(commandName, creator, KString(), nullptr, nullptr);
}

KStatus KFnPlugin::registerContextCommand(const KString& commandName, KCreatorFunction creator,
                                          const KString& toolCmdName,
                                          KCreatorFunction toolCmdCreator,
                                          KCreateSyntaxFunction toolCmdSyntax) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    if (!toolCmdName.isEmpty() && !toolCmdCreator) return KStatus::kInvalidParameter;
    std::string why;
    tarn::plugins::ContextCommandEntry entry{
        commandName.str(), creator, toolCmdName.str(), toolCmdCreator, toolCmdSyntax, p, {}};
    KStatus s = Registry::instance().addContextCommand(entry, &why);
    if (!s) {
        explain(*p, why);
        return s;
    }
    p->contextCommands.push_back(commandName.str());
    return s;
}

KStatus KFnPlugin::deregisterContextCommand(const KString& commandName) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    KStatus s = Registry::instance().removeContextCommand(commandName.str(), p);
    if (s) std::erase(p->contextCommands, commandName.str());
    return s;
}

KStatus KFnPlugin::deregisterContextCommand(const KString& commandName, const KString&) {
    return deregisterContextCommand(commandName);
}

KStatus KFnPlugin::registerToolProperties(const KString& contextCommandName,
                                          const KToolProperty* rows, unsigned count) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p || (count > 0 && !rows)) return KStatus::kInvalidParameter;
    using Kind = tarn::plugins::ToolProperty::Kind;
    const auto text = [](const char* s) { return std::string(s ? s : ""); };
    std::vector<tarn::plugins::ToolProperty> sheet;
    sheet.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        const KToolProperty& r = rows[i];
        tarn::plugins::ToolProperty row;
        switch (r.kind) {
            case KToolProperty::kIntSlider:
                row.kind = Kind::IntSlider;
                break;
            case KToolProperty::kFloatSlider:
                row.kind = Kind::FloatSlider;
                break;
            case KToolProperty::kCheckBox:
                row.kind = Kind::CheckBox;
                break;
            case KToolProperty::kRadioGroup:
                row.kind = Kind::RadioGroup;
                break;
            default:
                explain(*p, "Tool property '" + text(r.control) + "' of '" +
                                contextCommandName.str() + "' has an unknown kind");
                return KStatus::kInvalidParameter;
        }
        row.optionVar = text(r.optionVar);
        row.control = text(r.control);
        row.label = text(r.label);
        row.meaning = text(r.meaning);
        row.minValue = r.minValue;
        row.maxValue = r.maxValue;
        row.sliderMin = r.sliderMin;
        row.sliderMax = r.sliderMax;
        // Button labels are separated by '|'; an empty text gives no buttons.
        const std::string choices = text(r.choices);
        for (std::size_t start = 0; !choices.empty() && start <= choices.size();) {
            const std::size_t bar = std::min(choices.find('|', start), choices.size());
            row.choices.push_back(choices.substr(start, bar - start));
            start = bar + 1;
        }
        row.firstChoice = r.firstChoice;
        row.enabledBy = text(r.enabledBy);
        row.enabledWhen = text(r.enabledWhen);
        row.enabledWhenValue = r.enabledWhenValue;
        sheet.push_back(std::move(row));
    }
    std::string why;
    KStatus s =
        Registry::instance().setToolProperties(contextCommandName.str(), p, std::move(sheet), &why);
    if (!s) explain(*p, why);
    return s;
}

KStatus KFnPlugin::registerFileTranslator(const KString& translatorName, const char* pixmapName,
                                          KCreatorFunction creator, const char* optionsScriptName,
                                          const char* defaultOptionsString,
                                          bool requiresFullCommandLanguage) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    tarn::plugins::TranslatorEntry entry;
    entry.name = translatorName.str();
    entry.pixmapName = pixmapName ? pixmapName : "";
    entry.creator = creator;
    entry.optionsScriptName = optionsScriptName ? optionsScriptName : "";
    entry.defaultOptions = defaultOptionsString ? defaultOptionsString : "";
    entry.requiresFullCommandLanguage = requiresFullCommandLanguage;
    entry.owner = p;
    std::string why;
    KStatus s = Registry::instance().addTranslator(entry, &why);
    if (!s) {
        explain(*p, why);
        return s;
    }
    p->translators.push_back(translatorName.str());
    return s;
}

KStatus KFnPlugin::deregisterFileTranslator(const KString& translatorName) {
    PluginImpl* p = pluginOf(m_plugin);
    if (!p) return KStatus::kInvalidParameter;
    KStatus s = Registry::instance().removeTranslator(translatorName.str(), p);
    if (s) std::erase(p->translators, translatorName.str());
    return s;
}
