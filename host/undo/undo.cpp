#include "host/undo/undo.h"

#include <algorithm>

namespace tarn::undo {

namespace {

// Folds state items that follow one another into one and drops the items that change nothing
// (with their texts).
void fold(UndoChunk& chunk) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < chunk.items.size(); ++i) {
        if (kept > 0 && chunk.items[kept - 1]->absorb(*chunk.items[i])) continue;
        if (kept != i) {
            chunk.items[kept] = std::move(chunk.items[i]);
            chunk.itemTexts[kept] = std::move(chunk.itemTexts[i]);
        }
        ++kept;
    }
    chunk.items.resize(kept);
    chunk.itemTexts.resize(kept);
    kept = 0;
    for (std::size_t i = 0; i < chunk.items.size(); ++i) {
        if (chunk.items[i]->changesNothing()) continue;
        if (kept != i) {
            chunk.items[kept] = std::move(chunk.items[i]);
            chunk.itemTexts[kept] = std::move(chunk.itemTexts[i]);
        }
        ++kept;
    }
    chunk.items.resize(kept);
    chunk.itemTexts.resize(kept);
}

}  // namespace

std::string UndoChunk::summary() const {
    if (!gesture) return label;
    for (const std::string& t : itemTexts)
        if (!t.empty()) return t;
    for (const auto& item : items) {
        std::string what = item->describe();
        if (!what.empty()) return what;
    }
    return label;
}

void UndoQueue::openChunk(std::string_view label) {
    if (m_depth++ == 0) {
        m_open.label = std::string(label);
        m_open.items.clear();
        m_open.itemTexts.clear();
        m_rollbackOnly.clear();
        m_changesNames.clear();
        m_texts.clear();
    }
    m_texts.emplace_back(label);
}

void UndoQueue::closeChunk() {
    if (m_depth == 0) return;
    if (!m_texts.empty()) m_texts.pop_back();
    if (--m_depth > 0) return;
    forgetSince(0);
    UndoChunk chunk = std::move(m_open);
    m_open = UndoChunk{};
    m_rollbackOnly.clear();
    m_changesNames.clear();
    if (m_gestureOpen) {
        // The chunk joins the gesture; the gesture is one step when it ends.
        if (m_gesture.label.empty()) m_gesture.label = chunk.label;
        for (std::size_t i = 0; i < chunk.items.size(); ++i) {
            m_gesture.items.push_back(std::move(chunk.items[i]));
            m_gesture.itemTexts.push_back(std::move(chunk.itemTexts[i]));
        }
        if (m_gestureEnding) endGesture();
        return;
    }
    commit(std::move(chunk));
}

void UndoQueue::commit(UndoChunk chunk) {
    fold(chunk);
    if (chunk.items.empty()) return;
    // Pointer events that only picked are no step (what they selected stays selected).
    if (chunk.gesture && std::all_of(chunk.items.begin(), chunk.items.end(),
                                     [](const auto& item) { return item->onlySelects(); }))
        return;
    m_done.push_back(std::move(chunk));
    m_undone.clear();
    m_staleUndone = 0;
    trim();
}

void UndoQueue::beginGesture() {
    if (m_gestureOpen) endGesture();
    m_gestureOpen = true;
    m_gestureEnding = false;
    m_gesture = UndoChunk{};
    m_gesture.gesture = true;
}

void UndoQueue::endGestureAfterChunk() {
    if (!m_gestureOpen) return;
    if (m_depth == 0)
        endGesture();
    else
        m_gestureEnding = true;
}

void UndoQueue::endGesture() {
    if (!m_gestureOpen) return;
    m_gestureOpen = false;
    m_gestureEnding = false;
    UndoChunk gesture = std::move(m_gesture);
    m_gesture = UndoChunk{};
    commit(std::move(gesture));
}

std::string UndoQueue::undoSummary() const {
    return m_done.empty() ? std::string() : m_done.back().summary();
}

std::string UndoQueue::redoSummary() const {
    return m_undone.empty() ? std::string() : m_undone.back().summary();
}

void UndoQueue::openUserChunk(std::string_view label) {
    openChunk(label);
    // Inside a running text the chunk is that text's: it takes the user's name instead.
    if (m_userDepth++ == 0 && !label.empty()) m_open.label = std::string(label);
}

bool UndoQueue::closeUserChunk() {
    if (m_userDepth == 0) return false;
    --m_userDepth;
    closeChunk();
    return true;
}

bool UndoQueue::endUserChunks() {
    if (m_userDepth == 0) return false;
    // The opens left are the texts running now; they go on recording into a fresh chunk.
    const int running = m_depth - m_userDepth;
    const std::string label = m_open.label;
    m_depth = 1;
    m_userDepth = 0;
    closeChunk();
    if (running > 0) {
        openChunk(label);
        m_depth = running;
    }
    return true;
}

bool UndoQueue::isRecording() const {
    return m_depth > 0 && !m_replaying;
}

void UndoQueue::record(std::unique_ptr<UndoItem> item, bool changesNames) {
    if (!item || !isRecording()) return;
    ++m_changes;
    m_open.items.push_back(std::move(item));
    m_open.itemTexts.push_back(m_texts.size() > 1 ? m_texts[1] : std::string());
    m_rollbackOnly.push_back(!m_enabled);
    m_changesNames.push_back(changesNames);
}

void UndoQueue::record(std::function<void()> undoFn, std::function<void()> redoFn, std::string what,
                       bool changesNames) {
    if (isRecording())
        record(
            std::make_unique<LambdaUndoItem>(std::move(undoFn), std::move(redoFn), std::move(what)),
            changesNames);
}

void UndoQueue::forgetSince(std::size_t mark, bool outsideHistory) {
    std::size_t kept = mark;
    bool namesChanged = false;
    for (std::size_t i = mark; i < m_open.items.size(); ++i) {
        if (m_rollbackOnly[i]) {
            namesChanged = namesChanged || m_changesNames[i];
            continue;
        }
        if (kept != i) {
            m_open.items[kept] = std::move(m_open.items[i]);
            m_open.itemTexts[kept] = std::move(m_open.itemTexts[i]);
        }
        m_rollbackOnly[kept] = false;
        m_changesNames[kept] = m_changesNames[i];
        ++kept;
    }
    if (kept < m_open.items.size()) {
        m_open.items.resize(kept);
        m_open.itemTexts.resize(kept);
        m_rollbackOnly.resize(kept);
        m_changesNames.resize(kept);
    }
    // Names changed outside the history: what was recorded so far may not find its nodes.
    if (namesChanged && outsideHistory) {
        m_staleDone = m_done.size();
        m_staleUndone = m_undone.size();
    }
}

std::size_t UndoQueue::mark() const {
    return m_depth > 0 ? m_open.items.size() : 0;
}

void UndoQueue::rollbackTo(std::size_t mark) {
    if (m_depth == 0) return;
    // Replay newest first with recording off, so the reverting changes do not record themselves.
    bool wasReplaying = m_replaying;
    m_replaying = true;
    while (m_open.items.size() > mark) {
        m_open.items.back()->undo();
        m_open.items.pop_back();
        m_open.itemTexts.pop_back();
        m_rollbackOnly.pop_back();
        m_changesNames.pop_back();
    }
    m_replaying = wasReplaying;
}

bool UndoQueue::undo() {
    // A gesture still open is the newest change.
    if (m_gestureOpen) endGesture();
    if (m_done.empty() || m_replaying || undoRefused()) return false;
    UndoChunk chunk = std::move(m_done.back());
    m_done.pop_back();
    m_replaying = true;
    ++m_changes;
    for (auto it = chunk.items.rbegin(); it != chunk.items.rend(); ++it) (*it)->undo();
    m_replaying = false;
    m_undone.push_back(std::move(chunk));
    return true;
}

bool UndoQueue::redo() {
    if (m_gestureOpen) endGesture();
    if (m_undone.empty() || m_replaying || redoRefused()) return false;
    UndoChunk chunk = std::move(m_undone.back());
    m_undone.pop_back();
    m_replaying = true;
    ++m_changes;
    for (auto& item : chunk.items) item->redo();
    m_replaying = false;
    m_done.push_back(std::move(chunk));
    return true;
}

std::vector<std::string> UndoQueue::undoLabels() const {
    std::vector<std::string> labels;
    labels.reserve(m_done.size());
    for (const auto& c : m_done) labels.push_back(c.label);
    return labels;
}

void UndoQueue::clear() {
    m_done.clear();
    m_undone.clear();
    m_gesture = UndoChunk{};
    m_gestureOpen = m_gestureEnding = false;
    m_open.items.clear();
    m_open.itemTexts.clear();
    m_rollbackOnly.clear();
    m_changesNames.clear();
    m_staleDone = 0;
    m_staleUndone = 0;
}

void UndoQueue::setLimit(std::size_t n) {
    m_limit = n;
    trim();
}

void UndoQueue::trim() {
    if (m_limit == 0 || m_done.size() <= m_limit) return;
    const std::size_t dropped = m_done.size() - m_limit;
    m_done.erase(m_done.begin(), m_done.begin() + std::ptrdiff_t(dropped));
    m_staleDone = m_staleDone > dropped ? m_staleDone - dropped : 0;
}

UndoQueue& undoQueue() {
    // Never destroyed: at exit it may still hold plug-in commands whose libraries are gone.
    static UndoQueue* queue = new UndoQueue;
    return *queue;
}

}  // namespace tarn::undo
