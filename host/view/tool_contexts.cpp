#include "host/view/tool_contexts.h"

#include <algorithm>
#include <exception>

#include "frame/k_global.h"
#include "host/undo/undo.h"
#include "host/view/active_view.h"

namespace tarn::view {

namespace {

struct KindName {
    EventKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {{EventKind::Press, "press"},
                                   {EventKind::Drag, "drag"},
                                   {EventKind::Hold, "hold"},
                                   {EventKind::Release, "release"}};

// Runs a call into a context, turning exceptions into a message.
template <class F>
bool guarded(const std::string& what, std::string* error, F f) {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        if (error) *error = what + " failed: " + e.what();
    } catch (...) {
        if (error) *error = what + " failed";
    }
    return false;
}

// The host's selection tool: a click picks, a drag selects by marquee. Shift toggles, Ctrl
// removes, Shift+Ctrl adds; without modifiers the selection is replaced.
class SelectTool final : public KPxContext {
public:
    SelectTool() {
        setTitleString("Select Tool");
        setImage("aselect.xpm", kImage1);
        setHelpString("Click or drag to select");
    }
    KStatus doPress(KEvent& event) override {
        beginMarquee(event);
        return KStatus::kSuccess;
    }
    KStatus doDrag(KEvent& event) override {
        dragMarquee(event);
        return KStatus::kSuccess;
    }
    KStatus doRelease(KEvent& event) override {
        short top = 0, left = 0, bottom = 0, right = 0;
        releaseMarquee(event, top, left, bottom, right);
        KGlobal::ListAdjustment adjust = KGlobal::kReplaceList;
        if (event.isModifierShift() && event.isModifierControl())
            adjust = KGlobal::kAddToList;
        else if (event.isModifierShift())
            adjust = KGlobal::kXORWithList;
        else if (event.isModifierControl())
            adjust = KGlobal::kRemoveFromList;
        if (left == right && top == bottom) return KGlobal::selectFromScreen(left, bottom, adjust);
        return KGlobal::selectFromScreen(left, bottom, right, top, adjust);
    }
    void getClassName(KString& name) const override { name = "selectTool"; }
};

}  // namespace

bool parseEventKind(const std::string& word, EventKind& kind) {
    for (const KindName& k : kKindNames)
        if (word == k.name) {
            kind = k.kind;
            return true;
        }
    return false;
}

const char* eventKindName(EventKind kind) {
    for (const KindName& k : kKindNames)
        if (k.kind == kind) return k.name;
    return "";
}

ToolContexts& ToolContexts::instance() {
    // Never destroyed: contexts of plug-ins must not be deleted after their library is gone.
    static ToolContexts* contexts = new ToolContexts;
    return *contexts;
}

ToolContexts::ToolContexts() {
    m_entries.push_back({kSelectToolName, "", std::make_unique<SelectTool>()});
}

ToolContexts::Entry* ToolContexts::entry(const std::string& name) {
    for (Entry& e : m_entries)
        if (e.name == name) return &e;
    return nullptr;
}

const ToolContexts::Entry* ToolContexts::entry(const std::string& name) const {
    for (const Entry& e : m_entries)
        if (e.name == name) return &e;
    return nullptr;
}

bool ToolContexts::add(const std::string& name, const std::string& command, KPxContext* context,
                       std::string* error) {
    std::unique_ptr<KPxContext> owned(context);
    if (!owned) {
        if (error) *error = command + " made no context";
        return false;
    }
    if (name.empty() || entry(name)) {
        if (error) *error = "a tool context named " + name + " already exists";
        return false;
    }
    m_entries.push_back({name, command, std::move(owned)});
    return true;
}

std::string ToolContexts::freeName(const std::string& command) const {
    for (int n = 1;; ++n) {
        std::string name = command + std::to_string(n);
        if (!entry(name)) return name;
    }
}

KPxContext* ToolContexts::find(const std::string& name) const {
    const Entry* e = entry(name);
    return e ? e->context.get() : nullptr;
}

std::string ToolContexts::commandOf(const std::string& name) const {
    const Entry* e = entry(name);
    return e ? e->command : std::string();
}

std::vector<std::string> ToolContexts::names() const {
    std::vector<std::string> out;
    for (const Entry& e : m_entries) out.push_back(e.name);
    return out;
}

bool ToolContexts::setTool(const std::string& name, std::string* error) {
    Entry* next = entry(name);
    if (!next) {
        if (error) *error = "no tool context named " + name;
        return false;
    }
    // A gesture left open by the previous tool is one undo step of its own.
    undo::undoQueue().endGesture();
    bool ok = true;
    if (Entry* previous = entry(m_current))
        ok = guarded(previous->name + " clean-up", error,
                     [&] { previous->context->toolOffCleanup(); });
    m_current = name;
    ActiveView::instance().refresh();
    KEvent event;
    ok = guarded(name + " set-up", error, [&] { next->context->toolOnSetup(event); }) && ok;
    return ok;
}

bool ToolContexts::deliver(EventKind kind, KEvent& event, std::string* error) {
    Entry* tool = entry(m_current);
    if (!tool) {
        if (error) *error = "no active tool";
        return false;
    }
    ActiveView::instance().refresh();
    // Everything from a press to its release is one undo step (none when it changed nothing).
    auto& undoQueue = undo::undoQueue();
    if (kind == EventKind::Press) undoQueue.beginGesture();
    struct EndAtRelease {
        bool release;
        ~EndAtRelease() {
            if (release) undo::undoQueue().endGestureAfterChunk();
        }
    } endAtRelease{kind == EventKind::Release};
    KStatus status;
    const bool ok = guarded(m_current + " " + eventKindName(kind), error, [&] {
        KPxContext& c = *tool->context;
        switch (kind) {
            case EventKind::Press:
                status = c.doPress(event);
                break;
            case EventKind::Drag:
                status = c.doDrag(event);
                break;
            case EventKind::Hold:
                status = c.doHold(event);
                break;
            case EventKind::Release:
                status = c.doRelease(event);
                break;
        }
    });
    if (!ok) return false;
    if (!status) {
        if (error) *error = m_current + " " + eventKindName(kind) + " failed";
        return false;
    }
    return true;
}

bool ToolContexts::action(const std::string& which, std::string* error) {
    Entry* tool = entry(m_current);
    if (!tool) {
        if (error) *error = "no active tool";
        return false;
    }
    KPxContext& c = *tool->context;
    if (which == "complete")
        return guarded(m_current + " complete", error, [&] { c.completeAction(); });
    if (which == "abort") return guarded(m_current + " abort", error, [&] { c.abortAction(); });
    if (which == "delete") return guarded(m_current + " delete", error, [&] { c.deleteAction(); });
    if (error) *error = "unknown action " + which + " (complete, abort or delete)";
    return false;
}

void ToolContexts::removeMadeBy(const std::string& command) {
    if (command.empty()) return;
    if (Entry* active = entry(m_current); active && active->command == command) {
        guarded("clean-up", nullptr, [&] { active->context->toolOffCleanup(); });
        m_current = kSelectToolName;
    }
    std::erase_if(m_entries, [&](const Entry& e) { return e.command == command; });
}

}  // namespace tarn::view

// The host's marquee helpers for contexts.

void KPxContext::beginMarquee(KEvent& event) {
    short x = 0, y = 0;
    event.getPosition(x, y);
    auto& m = tarn::view::ActiveView::instance().marquee();
    m = {true, x, y, x, y};
}

void KPxContext::dragMarquee(KEvent& event) {
    short x = 0, y = 0;
    event.getPosition(x, y);
    auto& m = tarn::view::ActiveView::instance().marquee();
    if (!m.active) m = {true, x, y, x, y};
    m.x1 = x, m.y1 = y;
}

void KPxContext::releaseMarquee(KEvent& event, short& top, short& left, short& bottom,
                                short& right) {
    dragMarquee(event);
    auto& m = tarn::view::ActiveView::instance().marquee();
    left = static_cast<short>(std::min(m.x0, m.x1));
    right = static_cast<short>(std::max(m.x0, m.x1));
    bottom = static_cast<short>(std::min(m.y0, m.y1));
    top = static_cast<short>(std::max(m.y0, m.y1));
    m.active = false;
}
