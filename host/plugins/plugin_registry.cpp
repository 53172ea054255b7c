#include "host/plugins/plugin_registry.h"

#include <algorithm>

#include "frame/k_translator.h"
#include "host/dg/graph.h"

namespace tarn::plugins {

PluginImpl* PluginImpl::from(const KObject& object) {
    ObjectImpl* impl = object.impl();
    if (!impl || impl->apiType() != KFn::kPlugin) return nullptr;
    return dynamic_cast<PluginImpl*>(impl);
}

Registry& Registry::instance() {
    // Lives until exit: unloading plug-ins at exit deregisters through it.
    static Registry* registry = new Registry;
    return *registry;
}

void Registry::addCommandListener(Listener<CommandEntry> l) { m_commandListeners.push_back(std::move(l)); }
void Registry::addContextCommandListener(Listener<ContextCommandEntry> l) {
    m_contextListeners.push_back(std::move(l));
}
void Registry::addTranslatorListener(Listener<TranslatorEntry> l) { m_translatorListeners.push_back(std::move(l)); }

namespace {

template <typename Entry>
KStatus add(std::vector<Entry>& entries, const std::vector<Registry::Listener<Entry>>& listeners,
            Entry entry, const char* what, std::string* error) {
    if (entry.name.empty() || !entry.creator) {
        if (error) *error = std::string(what) + " '" + entry.name + "' needs a name and a creator";
        return KStatus::kInvalidParameter;
    }
    for (const Entry& e : entries) {
        if (e.name == entry.name) {
            if (error) *error = std::string(what) + " '" + entry.name + "' is already registered" +
                                (e.owner ? " by " + e.owner->name : std::string());
            return KStatus::kFailure;
        }
    }
    for (size_t i = 0; i < listeners.size(); ++i) {
        std::string why;
        if (!listeners[i](entry, true, &why)) {
            // Take the entry back from the listeners that already took it.
            for (size_t j = 0; j < i; ++j) listeners[j](entry, false, nullptr);
            if (error) *error = std::string(what) + " '" + entry.name + "': " + why;
            return KStatus::kFailure;
        }
    }
    entries.push_back(std::move(entry));
    return KStatus::kSuccess;
}

template <typename Entry>
KStatus remove(std::vector<Entry>& entries, const std::vector<Registry::Listener<Entry>>& listeners,
               std::string_view name, const PluginImpl* owner) {
    auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
        return e.name == name && (!owner || e.owner == owner);
    });
    if (it == entries.end()) return KStatus::kNotFound;
    Entry removed = *it;
    entries.erase(it);
    for (const auto& listener : listeners) listener(removed, false, nullptr);
    return KStatus::kSuccess;
}

template <typename Entry>
const Entry* find(const std::vector<Entry>& entries, std::string_view name) {
    for (const Entry& e : entries)
        if (e.name == name) return &e;
    return nullptr;
}

}  // namespace

KStatus Registry::addCommand(CommandEntry entry, std::string* error) {
    return add(m_commands, m_commandListeners, std::move(entry), "Command", error);
}
KStatus Registry::addContextCommand(ContextCommandEntry entry, std::string* error) {
    return add(m_contexts, m_contextListeners, std::move(entry), "Context command", error);
}
KStatus Registry::addTranslator(TranslatorEntry entry, std::string* error) {
    return add(m_translators, m_translatorListeners, std::move(entry), "File translator", error);
}
KStatus Registry::removeCommand(std::string_view name, const PluginImpl* owner) {
    return remove(m_commands, m_commandListeners, name, owner);
}
KStatus Registry::removeContextCommand(std::string_view name, const PluginImpl* owner) {
    return remove(m_contexts, m_contextListeners, name, owner);
}
KStatus Registry::removeTranslator(std::string_view name, const PluginImpl* owner) {
    return remove(m_translators, m_translatorListeners, name, owner);
}
const char* toolPropertyKindName(ToolProperty::Kind kind) {
    switch (kind) {
        case ToolProperty::Kind::IntSlider:
            return "int slider";
        case ToolProperty::Kind::FloatSlider:
            return "float slider";
        case ToolProperty::Kind::CheckBox:
            return "check box";
        case ToolProperty::Kind::RadioGroup:
            return "radio group";
    }
    return "control";
}

KStatus Registry::setToolProperties(std::string_view name, const PluginImpl* owner,
                                    std::vector<ToolProperty> properties, std::string* error) {
    auto it = std::find_if(m_contexts.begin(), m_contexts.end(), [&](const ContextCommandEntry& e) {
        return e.name == name && e.owner == owner;
    });
    if (it == m_contexts.end()) {
        if (error) *error = "No context command '" + std::string(name) + "' of this plug-in";
        return KStatus::kNotFound;
    }
    const auto refuse = [&](const ToolProperty& p, const std::string& why) {
        if (error)
            *error = "Tool property '" + p.control + "' of '" + std::string(name) + "': " + why;
        return KStatus::kInvalidParameter;
    };
    for (std::size_t i = 0; i < properties.size(); ++i) {
        const ToolProperty& p = properties[i];
        if (p.optionVar.empty() || p.control.empty() || p.label.empty())
            return refuse(p, "needs an option variable, a control and a label");
        const bool slider =
            p.kind == ToolProperty::Kind::IntSlider || p.kind == ToolProperty::Kind::FloatSlider;
        if (slider &&
            !(p.minValue <= p.sliderMin && p.sliderMin < p.sliderMax && p.sliderMax <= p.maxValue))
            return refuse(p, "the slider's span must lie inside its range and not be empty");
        if (p.kind == ToolProperty::Kind::RadioGroup && p.choices.empty())
            return refuse(p, "a radio group needs its buttons' labels");
        for (std::size_t j = 0; j < i; ++j)
            if (properties[j].control == p.control) return refuse(p, "the control is listed twice");
    }
    it->properties = std::move(properties);
    return KStatus::kSuccess;
}

const CommandEntry* Registry::findCommand(std::string_view name) const { return find(m_commands, name); }
const ContextCommandEntry* Registry::findContextCommand(std::string_view name) const {
    return find(m_contexts, name);
}
const TranslatorEntry* Registry::findTranslator(std::string_view name) const { return find(m_translators, name); }

KPxFileTranslator* Registry::createTranslator(std::string_view name, std::string* error) const {
    const TranslatorEntry* entry = findTranslator(name);
    if (!entry) {
        if (error) *error = "No file translator named '" + std::string(name) + "'";
        return nullptr;
    }
    void* made = nullptr;
    KStatus s = tarn::guardPluginCall([&] {
        made = entry->creator();
        return made ? KStatus() : KStatus(KStatus::kFailure);
    }, error);
    if (!s) {
        if (error && error->empty()) *error = "The creator of file translator '" + entry->name + "' failed";
        return nullptr;
    }
    return static_cast<KPxFileTranslator*>(made);
}

}  // namespace tarn::plugins
