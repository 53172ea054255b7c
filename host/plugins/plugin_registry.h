#pragma once
/// What each plug-in registered: the plug-in records (one per loaded library) and the registries
/// of plug-in commands, context commands and file translators. The command language and the
/// file command consult these registries; listeners let them mirror changes (and veto a name
/// they already use). Node types live in the dependency graph (host/dg/graph.h), recorded here
/// by id. Main thread only.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "frame/k_plugin.h"
#include "frame/k_status.h"

class KPxFileTranslator;

namespace tarn::plugins {

/// One loaded (or loading) plug-in library.
class PluginImpl final : public ObjectImpl, public std::enable_shared_from_this<PluginImpl> {
public:
    KFn::Type apiType() const override { return KFn::kPlugin; }
    static PluginImpl* from(const KObject& object);

    std::string name;  ///< file name without ".so"
    std::string path;  ///< the file loaded
    std::string vendor = "Unknown";
    std::string version = "Unknown";
    std::string apiVersion = "Any";
    void* library = nullptr;  ///< dlopen handle
    bool loaded = false;      ///< initializePlugin succeeded

    std::vector<KTypeId> nodeTypes;
    std::vector<std::string> commands;
    std::vector<std::string> contextCommands;
    std::vector<std::string> translators;
    /// Why registration calls failed during the current entry-point call; the loader reports
    /// them once the plug-in's own code has returned (and printed what it prints).
    std::vector<std::string> problems;
};

struct CommandEntry {
    std::string name;
    KCreatorFunction creator = nullptr;
    KCreateSyntaxFunction syntax = nullptr;
    PluginImpl* owner = nullptr;
};

/// One control of a tool's property sheet, the host's copy of a plug-in's KToolProperty.
struct ToolProperty {
    enum class Kind { IntSlider, FloatSlider, CheckBox, RadioGroup };
    std::string optionVar;
    std::string control;
    std::string label;
    std::string meaning;
    Kind kind = Kind::IntSlider;
    double minValue = 0.0, maxValue = 0.0;    ///< sliders: values a person may set
    double sliderMin = 0.0, sliderMax = 0.0;  ///< sliders: the span shown
    std::vector<std::string> choices;         ///< radio groups: button labels
    int firstChoice = 1;                      ///< radio groups: option value of button 1
    std::string enabledBy;                    ///< enabled while this option is non-zero
    std::string enabledWhen;                  ///< ... and while this option equals the value
    int enabledWhenValue = 0;
};

/// The name of a kind as `help` and the panels write it ("int slider", "radio group", ...).
const char* toolPropertyKindName(ToolProperty::Kind kind);

struct ContextCommandEntry {
    std::string name;
    KCreatorFunction creator = nullptr;
    std::string toolCommandName;  ///< empty when the context has no tool command
    KCreatorFunction toolCommandCreator = nullptr;
    KCreateSyntaxFunction toolCommandSyntax = nullptr;
    PluginImpl* owner = nullptr;
    /// The property sheet of its tools, in display order (empty when the plug-in gave none).
    std::vector<ToolProperty> properties;
};

struct TranslatorEntry {
    std::string name;
    std::string pixmapName;
    KCreatorFunction creator = nullptr;
    std::string optionsScriptName;
    std::string defaultOptions;
    bool requiresFullCommandLanguage = false;
    PluginImpl* owner = nullptr;
};

class Registry {
public:
    static Registry& instance();

    /// Called before an entry is added (added = true; answering false with a reason vetoes it)
    /// and after it is removed (added = false; the answer is ignored). When one listener vetoes,
    /// the listeners before it are told the entry is removed again.
    template <typename Entry>
    using Listener = std::function<bool(const Entry&, bool added, std::string* error)>;
    void addCommandListener(Listener<CommandEntry> listener);
    void addContextCommandListener(Listener<ContextCommandEntry> listener);
    void addTranslatorListener(Listener<TranslatorEntry> listener);

    /// Adds an entry; kFailure for a taken name (or a veto), kInvalidParameter for an empty name
    /// or a null creator.
    KStatus addCommand(CommandEntry entry, std::string* error);
    KStatus addContextCommand(ContextCommandEntry entry, std::string* error);
    KStatus addTranslator(TranslatorEntry entry, std::string* error);
    /// Removes an entry of `owner` (any owner when null); kNotFound when there is none.
    KStatus removeCommand(std::string_view name, const PluginImpl* owner);
    KStatus removeContextCommand(std::string_view name, const PluginImpl* owner);
    KStatus removeTranslator(std::string_view name, const PluginImpl* owner);
    /// Gives the context command `name` of `owner` its tools' property sheet (replacing any).
    /// kNotFound when `owner` registered no such command; kInvalidParameter with the reason in
    /// `*error` when a row is incomplete or two rows name one control (nothing changes then).
    KStatus setToolProperties(std::string_view name, const PluginImpl* owner,
                              std::vector<ToolProperty> properties, std::string* error);

    const CommandEntry* findCommand(std::string_view name) const;
    const ContextCommandEntry* findContextCommand(std::string_view name) const;
    const TranslatorEntry* findTranslator(std::string_view name) const;
    const std::vector<CommandEntry>& commands() const { return m_commands; }
    const std::vector<ContextCommandEntry>& contextCommands() const { return m_contexts; }
    const std::vector<TranslatorEntry>& translators() const { return m_translators; }

    /// Makes a translator through its creator; null with `*error` when the name is unknown or
    /// the creator fails or throws. The caller owns the result and must delete it before the
    /// plug-in is unloaded (its code goes with the library).
    KPxFileTranslator* createTranslator(std::string_view name, std::string* error) const;

private:
    std::vector<CommandEntry> m_commands;
    std::vector<ContextCommandEntry> m_contexts;
    std::vector<TranslatorEntry> m_translators;
    std::vector<Listener<CommandEntry>> m_commandListeners;
    std::vector<Listener<ContextCommandEntry>> m_contextListeners;
    std::vector<Listener<TranslatorEntry>> m_translatorListeners;
};

}  // namespace tarn::plugins
