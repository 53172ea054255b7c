#include "host/scene/selection.h"

#include <algorithm>

#include "host/dg/graph.h"
#include "host/scene/component_impl.h"
#include "host/scene/component_name.h"
#include "host/scene/dag.h"
#include "host/undo/undo.h"

namespace tarn::scene {

namespace {

struct SelectionState {
    KSelectionList active;
    KGlobal::SelectionMode mode = KGlobal::kSelectObjectMode;
    KSelectionMask objectMask{KSelectionMask::kSelectObjectsMask};
    KSelectionMask componentMask{KSelectionMask::kSelectMeshVerts};
    std::vector<std::string> hilite;
};

SelectionState& state() {
    // Never destroyed: nodes deleted at exit still leave the selection.
    static SelectionState* s = new SelectionState;
    return *s;
}

bool itemAlive(const KSelectionList::Item& item) {
    if (!liveNode(item.node)) return false;
    for (const KObject& n : item.path.nodes())
        if (!dagNode(n)) return false;
    return true;
}

// Simple glob: '*' matches any run, '?' one character.
bool globMatch(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p, ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

void restoreFromStrings(const std::vector<std::string>& names) {
    KSelectionList list;
    std::string error;
    for (const std::string& n : names) addByName(list, n, &error);
    state().active = list;
}

// A change of the active selection: the names before and after. Changes that follow one
// another fold into one, and a change back to where it started is none (a stroke selects
// under the pointer as it goes and puts the selection back at its end).
class SelectionChange final : public undo::UndoItem {
public:
    SelectionChange(std::vector<std::string> before, std::vector<std::string> after)
        : m_before(std::move(before)), m_after(std::move(after)) {}
    void undo() override { restoreFromStrings(m_before); }
    void redo() override { restoreFromStrings(m_after); }
    std::string describe() const override { return "select"; }
    bool absorb(undo::UndoItem& next) override {
        auto* later = dynamic_cast<SelectionChange*>(&next);
        if (!later) return false;
        m_after = std::move(later->m_after);
        return true;
    }
    bool changesNothing() const override { return m_before == m_after; }
    bool onlySelects() const override { return true; }

private:
    std::vector<std::string> m_before, m_after;
};

}  // namespace

KSelectionList& activeSelection() {
    auto& items = state().active.items();
    std::erase_if(items, [](const KSelectionList::Item& i) { return !itemAlive(i); });
    return state().active;
}

void setActiveSelection(const KSelectionList& list) {
    const std::vector<std::string> before = selectionStrings(activeSelection());
    state().active = list;
    const std::vector<std::string> after = selectionStrings(list);
    if (before == after) return;
    undo::undoQueue().record(std::make_unique<SelectionChange>(before, after));
}

std::string componentOwnerName(const KDagPath& path) {
    const KObject end = path.node();
    const KObject parent = parentOf(end);
    if (DagNodeBase* d = dagNode(end);
        d && d->isShape() && !parent.isNull() && shapesOf(parent).size() == 1)
        return nodeName(parent);
    return nodeName(end);
}

std::vector<std::string> selectionStrings(const KSelectionList& list) {
    std::vector<std::string> out;
    for (const auto& item : list.items()) {
        if (!itemAlive(item)) continue;
        if (item.component.isNull()) {
            out.push_back(nodeName(item.node));
            continue;
        }
        ComponentImpl* c = ComponentImpl::from(item.component);
        if (!c) continue;
        // A complete component is one run over every element; listed ones are read in place.
        const std::string owner = componentOwnerName(item.path);
        if (c->complete) {
            int count = componentCount(item.node, c->kind());
            if (count < 0) count = std::max(c->completeCount, 0);
            if (count > 0) out.push_back(componentRangeName(owner, c->kind(), 0, count - 1));
            continue;
        }
        for (std::string& s : formatComponentNames(owner, c->kind(), c->elements()))
            out.push_back(std::move(s));
    }
    return out;
}

bool addByName(KSelectionList& list, const std::string& name, std::string* error) {
    ComponentName parsed;
    if (!parseComponentName(name, parsed, error)) return false;
    if (parsed.kind == ComponentKind::None) {
        // Whole objects: a name, a path, or a pattern.
        std::vector<KObject> matches;
        if (name.find_first_of("*?") != std::string::npos) {
            for (const KObject& n : Graph::instance().nodes())
                if (liveNode(n) && globMatch(name, nodeName(n))) matches.push_back(n);
        } else if (KObject n = findNode(name); !n.isNull()) {
            matches.push_back(n);
        }
        if (matches.empty()) {
            if (error) *error = "No object matches name: " + name;
            return false;
        }
        for (const KObject& n : matches) {
            if (dagNode(n))
                list.add(pathTo(n), KObject(), true);
            else
                list.add(n, true);
        }
        return true;
    }
    const KObject owner = findNode(parsed.object);
    if (owner.isNull()) {
        if (error) *error = "No object matches name: " + parsed.object;
        return false;
    }
    const KObject mesh = meshShapeOf(owner);
    if (mesh.isNull()) {
        if (error) *error = parsed.object + " has no mesh components";
        return false;
    }
    std::vector<int> indices;
    if (!expandComponentIndices(parsed, componentCount(mesh, parsed.kind), indices, error))
        return false;
    list.add(pathTo(mesh), ComponentImpl::make(componentApiType(parsed.kind), indices), true);
    return true;
}

KGlobal::SelectionMode& selectionModeState() {
    return state().mode;
}
KSelectionMask& objectMaskState() {
    return state().objectMask;
}
KSelectionMask& componentMaskState() {
    return state().componentMask;
}
std::vector<std::string>& hiliteList() {
    return state().hilite;
}

void resetSelectionState() {
    state() = SelectionState{};
}

}  // namespace tarn::scene

// KGlobal's selection section.

using namespace tarn::scene;

KStatus KGlobal::getActiveSelectionList(KSelectionList& list) {
    list = activeSelection();
    return KStatus::kSuccess;
}

KStatus KGlobal::setActiveSelectionList(const KSelectionList& list, ListAdjustment adjustment) {
    KSelectionList result = activeSelection();
    switch (adjustment) {
        case kReplaceList:
            result = list;
            break;
        case kAddToList:
            result.merge(list);
            break;
        case kRemoveFromList:
        case kXORWithList:
            for (const auto& item : list.items()) {
                auto& items = result.items();
                auto same = [&](const KSelectionList::Item& i) {
                    return i.node == item.node && i.component.isNull() == item.component.isNull();
                };
                const bool present = std::any_of(items.begin(), items.end(), same);
                if (present)
                    std::erase_if(items, same);
                else if (adjustment == kXORWithList)
                    items.push_back(item);
            }
            break;
    }
    setActiveSelection(result);
    return KStatus::kSuccess;
}

KGlobal::SelectionMode KGlobal::selectionMode(KStatus* status) {
    kSetStatus(status, KStatus::kSuccess);
    return selectionModeState();
}

KStatus KGlobal::setSelectionMode(SelectionMode mode) {
    selectionModeState() = mode;
    return KStatus::kSuccess;
}

KSelectionMask KGlobal::objectSelectionMask(KStatus* status) {
    kSetStatus(status, KStatus::kSuccess);
    return objectMaskState();
}

KStatus KGlobal::setObjectSelectionMask(const KSelectionMask& mask) {
    objectMaskState() = mask;
    return KStatus::kSuccess;
}

KSelectionMask KGlobal::componentSelectionMask(KStatus* status) {
    kSetStatus(status, KStatus::kSuccess);
    return componentMaskState();
}

KStatus KGlobal::setComponentSelectionMask(const KSelectionMask& mask) {
    componentMaskState() = mask;
    return KStatus::kSuccess;
}
