#pragma once
/// The undo queue. The interpreter opens a chunk around each text run with undo on; while a chunk
/// is open, host code records reversible actions into it (an UndoItem, or a pair of lambdas).
/// `undo` reverts the newest done chunk (its items in reverse order), `redo` re-applies the
/// newest undone one (items in order). Changes made while no chunk is open are not recorded.
/// With the queue disabled (`undoInfo -state off`) items are still kept while the command that
/// recorded them runs, so that a failing command can take its changes back; they never reach
/// the undo list.
///
/// Recording a change (in a host module):
///
///     auto& q = tarn::undo::undoQueue();
///     double before = node.value;
///     node.value = after;                       // make the change first
///     q.record([&node, before] { node.value = before; },
///              [&node, after] { node.value = after; });
///
/// Items must capture what they need by value (or by a handle that outlives them): an item can be
/// replayed long after the code that recorded it returned. Main thread only.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::undo {

/// One reversible action. undo() must restore the state before the action; redo() the state
/// after it. Neither may throw.
class UndoItem {
public:
    virtual ~UndoItem() = default;
    virtual void undo() = 0;
    virtual void redo() = 0;
    /// A short description for listings (may be empty).
    virtual std::string describe() const { return {}; }
};

/// An UndoItem made of two functions.
class LambdaUndoItem final : public UndoItem {
public:
    LambdaUndoItem(std::function<void()> undoFn, std::function<void()> redoFn,
                   std::string what = {})
        : m_undo(std::move(undoFn)), m_redo(std::move(redoFn)), m_what(std::move(what)) {}
    void undo() override {
        if (m_undo) m_undo();
    }
    void redo() override {
        if (m_redo) m_redo();
    }
    std::string describe() const override { return m_what; }

private:
    std::function<void()> m_undo;
    std::function<void()> m_redo;
    std::string m_what;
};

/// A closed chunk: the items recorded by one text, in recording order.
struct UndoChunk {
    std::string label;  ///< usually the text that was run
    std::vector<std::unique_ptr<UndoItem>> items;
};

class UndoQueue {
public:
    /// Opens a chunk. Nested opens join the outer chunk (only the outermost close ends it).
    void openChunk(std::string_view label);
    /// Closes the innermost open; when the outermost closes, a non-empty chunk becomes the newest
    /// done chunk and clears the redo list. Empty chunks vanish. Unbalanced closes are ignored.
    void closeChunk();
    /// True while a chunk is open and the queue is not replaying: record() keeps items (for
    /// undo, or with the queue disabled only until forgetSince()).
    bool isRecording() const;

    /// Records an action already carried out. Ignored (the item is destroyed) when not recording.
    void record(std::unique_ptr<UndoItem> item);
    void record(std::function<void()> undoFn, std::function<void()> redoFn, std::string what = {});

    /// Position in the open chunk, for rollbackTo(). 0 when no chunk is open.
    std::size_t mark() const;
    /// Undoes and drops the items recorded in the open chunk since `mark` (newest first): used
    /// to take back the partial changes of a command that failed.
    void rollbackTo(std::size_t mark);
    /// Drops, without undoing them, the items recorded since `mark` while the queue was disabled:
    /// the command that recorded them succeeded and undo is off.
    void forgetSince(std::size_t mark);

    /// Undoes the newest done chunk; false when there is none. Items recorded during the replay
    /// are ignored.
    bool undo();
    /// Redoes the newest undone chunk; false when there is none.
    bool redo();

    std::size_t undoCount() const { return m_done.size(); }
    std::size_t redoCount() const { return m_undone.size(); }
    /// Labels of the done chunks, oldest first.
    std::vector<std::string> undoLabels() const;
    /// Drops every chunk (a new scene); an open chunk is emptied but stays open.
    void clear();

    /// Keeps at most `n` done chunks (oldest dropped first); 0 means no limit. Default 0.
    void setLimit(std::size_t n);

    /// Turns recording off (and back on) globally, e.g. for `undoInfo -state off`.
    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }

private:
    void trim();

    std::vector<UndoChunk> m_done;
    std::vector<UndoChunk> m_undone;
    UndoChunk m_open;
    std::vector<bool> m_rollbackOnly;  ///< per item of m_open: recorded while disabled
    int m_depth = 0;
    bool m_replaying = false;
    bool m_enabled = true;
    std::size_t m_limit = 0;
};

/// The host's one undo queue (process-wide). Main thread only.
UndoQueue& undoQueue();

/// Opens a chunk for the lifetime of the object.
class UndoChunkScope {
public:
    explicit UndoChunkScope(std::string_view label) { undoQueue().openChunk(label); }
    ~UndoChunkScope() { undoQueue().closeChunk(); }
    UndoChunkScope(const UndoChunkScope&) = delete;
    UndoChunkScope& operator=(const UndoChunkScope&) = delete;
};

}  // namespace tarn::undo
