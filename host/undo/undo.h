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
/// Records find nodes by name. A change of names (a node created, deleted, renamed or
/// reparented) made with the queue disabled is not in the history, so the chunks recorded before
/// it may no longer find their nodes: undo and redo refuse those chunks (undoRefused(),
/// redoRefused()) and change nothing, rather than replay them onto the wrong nodes or half of
/// them. Value changes made with the queue disabled leave the history usable.
///
/// Items must capture what they need by value (or by a handle that outlives them): an item can be
/// replayed long after the code that recorded it returned. Main thread only.
///
/// Gestures: the view opens a gesture when a mouse button goes down on a tool and ends it after
/// the text of the release. Every chunk closed in between joins the gesture, which becomes one
/// undo step when it ends: a stroke and the edit it made are one Ctrl+Z. Whenever a chunk or a
/// gesture closes, state items that follow one another fold into one (a selection changed
/// several times becomes one change from the first state to the last) and items that end where
/// they started are dropped. A gesture that changed nothing but the selection is no undo step
/// either: Ctrl+Z takes back work, not pointer events (a text that selects still is one).

#include <cstddef>
#include <cstdint>
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
    /// For items that set one whole state (the selection): takes `next` in when it sets the
    /// same state, keeping this item's state before and taking `next`'s after. True when
    /// `next` was taken in (it is then dropped).
    virtual bool absorb(UndoItem& /*next*/) { return false; }
    /// True when undo and redo would leave everything as it is.
    virtual bool changesNothing() const { return false; }
    /// True for a change of what is selected, not of the scene.
    virtual bool onlySelects() const { return false; }
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

/// A closed chunk: the items recorded by one text (or one gesture), in recording order.
struct UndoChunk {
    std::string label;  ///< usually the text that was run
    std::vector<std::unique_ptr<UndoItem>> items;
    /// Per item: the text nested in the chunk's own that recorded it ("" for the chunk's own
    /// text), e.g. the "polySplit ..." a tool ran during a "viewEvent release ...".
    std::vector<std::string> itemTexts;
    /// What the change was, for people ("polySplit -ep 3 0.5 ..."): see summary().
    std::string summary() const;
    bool gesture = false;  ///< made of a gesture's chunks
};

class UndoQueue {
public:
    /// Opens a chunk. Nested opens join the outer chunk (only the outermost close ends it).
    void openChunk(std::string_view label);
    /// Closes the innermost open; when the outermost closes, a non-empty chunk becomes the newest
    /// done chunk and clears the redo list. Empty chunks vanish. Unbalanced closes are ignored.
    void closeChunk();
    /// Opens a chunk that stays open across texts until closeUserChunk (`undoInfo -openChunk`):
    /// every text run meanwhile joins it, so one undo takes back, say, a whole slider drag.
    /// `label` names the chunk unless it joins an outer user chunk.
    void openUserChunk(std::string_view label);
    /// Closes the innermost user chunk; false (nothing changes) when none is open.
    bool closeUserChunk();
    /// Ends every open user chunk at once: what they recorded becomes the newest done chunk
    /// now, and the text running meanwhile (if any) records into a fresh chunk. `undo` calls it
    /// first, so a drag left open is what it takes back. False when none was open.
    bool endUserChunks();
    /// Number of user chunks open.
    int userChunkDepth() const { return m_userDepth; }
    /// True while a chunk is open and the queue is not replaying: record() keeps items (for
    /// undo, or with the queue disabled only until forgetSince()).
    bool isRecording() const;

    /// Records an action already carried out. Ignored (the item is destroyed) when not recording.
    /// `changesNames`: the action created, deleted, renamed or reparented nodes.
    void record(std::unique_ptr<UndoItem> item, bool changesNames = false);
    void record(std::function<void()> undoFn, std::function<void()> redoFn, std::string what = {},
                bool changesNames = false);

    /// Position in the open chunk, for rollbackTo(). 0 when no chunk is open.
    std::size_t mark() const;
    /// Undoes and drops the items recorded in the open chunk since `mark` (newest first): used
    /// to take back the partial changes of a command that failed.
    void rollbackTo(std::size_t mark);
    /// Drops, without undoing them, the items recorded since `mark` while the queue was disabled:
    /// the command that recorded them succeeded and undo is off. When `outsideHistory` and one of
    /// them changed names, the chunks recorded before become refused; a command that runs texts
    /// with undo off and undoes them itself passes false.
    void forgetSince(std::size_t mark, bool outsideHistory = true);

    /// Undoes the newest done chunk; false when there is none or it is refused. Items recorded
    /// during the replay are ignored.
    bool undo();
    /// Redoes the newest undone chunk; false when there is none or it is refused.
    bool redo();
    /// True when the newest done (undone) chunk was recorded before the scene was changed with
    /// the queue disabled: undo (redo) refuses it.
    bool undoRefused() const { return !m_done.empty() && m_done.size() <= m_staleDone; }
    bool redoRefused() const { return !m_undone.empty() && m_undone.size() <= m_staleUndone; }

    std::size_t undoCount() const { return m_done.size(); }
    std::size_t redoCount() const { return m_undone.size(); }
    /// Labels of the done chunks, oldest first.
    std::vector<std::string> undoLabels() const;
    /// Drops every chunk (a new scene); an open chunk is emptied but stays open.
    void clear();

    /// Keeps at most `n` done chunks (oldest dropped first); 0 means no limit. Default 0.
    void setLimit(std::size_t n);

    /// Counts changes to the scene: one for each action recorded (kept for undo, or only for a
    /// rollback while the queue is disabled), undone or redone. Whoever needs to know whether
    /// the scene changed since some moment (unsaved work) compares two counts.
    std::uint64_t changeCount() const { return m_changes; }

    /// What undo (redo) would take back (redo again) now, for people: the text of the newest
    /// done (undone) chunk, or for a gesture the first text nested in it that changed
    /// something (else its first change's description). Empty when there is none.
    std::string undoSummary() const;
    std::string redoSummary() const;

    /// Starts a gesture (a gesture already open ends first). See the file comment.
    void beginGesture();
    /// Ends the open gesture when the outermost open chunk closes (at once when none is open).
    void endGestureAfterChunk();
    /// Ends the open gesture now: its changes become one undo step (none when it changed
    /// nothing).
    void endGesture();
    bool inGesture() const { return m_gestureOpen; }

    /// Turns recording off (and back on) globally, e.g. for `undoInfo -state off`.
    void setEnabled(bool on) { m_enabled = on; }
    bool isEnabled() const { return m_enabled; }

private:
    void trim();
    // Pushes a finished chunk as the newest done one (clearing the redo list), folded first;
    // an empty chunk vanishes.
    void commit(UndoChunk chunk);

    std::vector<UndoChunk> m_done;
    std::vector<UndoChunk> m_undone;
    UndoChunk m_open;
    std::vector<bool> m_rollbackOnly;  ///< per item of m_open: recorded while disabled
    std::vector<bool> m_changesNames;  ///< per item of m_open: created, deleted or renamed nodes
    std::vector<std::string> m_texts;  ///< label of each open level, outermost first
    UndoChunk m_gesture;               ///< the open gesture's changes so far
    bool m_gestureOpen = false;
    bool m_gestureEnding = false;
    std::size_t m_staleDone = 0;    ///< done chunks below this predate a change made disabled
    std::size_t m_staleUndone = 0;  ///< likewise for the undone chunks
    int m_depth = 0;
    int m_userDepth = 0;  ///< how many of the m_depth opens are user chunks
    bool m_replaying = false;
    bool m_enabled = true;
    std::size_t m_limit = 0;
    std::uint64_t m_changes = 0;
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
