#pragma once
/// Tool contexts: the instances context commands create (`slicePenContext` makes
/// `slicePenContext1`), the active tool, and the delivery of mouse events to it. The host's own
/// selection tool, `selectSuperContext` ($gSelect), always exists and is active at start.
/// Every call into a plug-in's context is guarded: an exception becomes a failure, never a crash.
/// Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "frame/k_context.h"

namespace tarn::view {

inline constexpr const char* kSelectToolName = "selectSuperContext";

enum class EventKind { Press, Drag, Hold, Release };

/// Parses "press", "drag", "hold", "release"; false for anything else.
bool parseEventKind(const std::string& word, EventKind& kind);
const char* eventKindName(EventKind kind);

class ToolContexts {
public:
    static ToolContexts& instance();

    /// Adds a context made by `command` (may be "" for host tools) under `name`. The registry
    /// owns it. False when the name is taken (the context is deleted).
    bool add(const std::string& name, const std::string& command, KPxContext* context,
             std::string* error);
    /// The first free "<command><n>" name, n from 1.
    std::string freeName(const std::string& command) const;
    KPxContext* find(const std::string& name) const;
    /// The context command that made a context ("" for host tools and unknown names).
    std::string commandOf(const std::string& name) const;
    /// Every context's name, in the order they were made.
    std::vector<std::string> names() const;

    /// Makes `name` the active tool: the previous tool's clean-up runs, then the new one's
    /// set-up. False with `*error` for an unknown name.
    bool setTool(const std::string& name, std::string* error);
    const std::string& current() const { return m_current; }

    /// Delivers an event to the active tool (the view's camera is re-read first). False with
    /// `*error` when the context failed or threw.
    bool deliver(EventKind kind, KEvent& event, std::string* error);
    /// Runs the active tool's complete, abort or delete action ("complete", "abort",
    /// "delete"). False for another word or a throwing context.
    bool action(const std::string& which, std::string* error);

    /// Removes every context made by `command` (its plug-in is going): the active one is
    /// cleaned up first and the selection tool becomes active.
    void removeMadeBy(const std::string& command);

private:
    ToolContexts();
    struct Entry {
        std::string name;
        std::string command;
        std::unique_ptr<KPxContext> context;
    };
    Entry* entry(const std::string& name);
    const Entry* entry(const std::string& name) const;

    std::vector<Entry> m_entries;
    std::string m_current = kSelectToolName;
};

}  // namespace tarn::view
