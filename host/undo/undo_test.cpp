#include "host/undo/undo.h"

#include <gtest/gtest.h>

using tarn::undo::UndoQueue;

namespace {

// Records setting `*slot` to `value` the way host code does: change first, then record.
void setRecorded(UndoQueue& q, int* slot, int value) {
    int before = *slot;
    *slot = value;
    q.record([slot, before] { *slot = before; }, [slot, value] { *slot = value; });
}

}  // namespace

TEST(UndoQueue, ChunkUndoRedoRestoresExactly) {
    UndoQueue q;
    int a = 0, b = 0;
    q.openChunk("first");
    setRecorded(q, &a, 1);
    setRecorded(q, &a, 2);
    setRecorded(q, &b, 5);
    q.closeChunk();
    q.openChunk("second");
    setRecorded(q, &b, 7);
    q.closeChunk();

    struct Step {
        bool undo;
        bool expectOk;
        int a, b;
    } steps[] = {
        {true, true, 2, 5},  {true, true, 0, 0},  {true, false, 0, 0},
        {false, true, 2, 5}, {false, true, 2, 7}, {false, false, 2, 7},
    };
    for (const auto& s : steps) {
        bool ok = s.undo ? q.undo() : q.redo();
        EXPECT_EQ(ok, s.expectOk);
        EXPECT_EQ(a, s.a);
        EXPECT_EQ(b, s.b);
    }
}

TEST(UndoQueue, OutsideChunkNothingIsRecorded) {
    UndoQueue q;
    int a = 0;
    setRecorded(q, &a, 3);
    EXPECT_FALSE(q.isRecording());
    EXPECT_EQ(q.undoCount(), 0u);
    EXPECT_FALSE(q.undo());
    EXPECT_EQ(a, 3);
}

TEST(UndoQueue, NestedChunksJoinTheOuterAndEmptyChunksVanish) {
    UndoQueue q;
    int a = 0;
    q.openChunk("outer");
    q.openChunk("inner");
    setRecorded(q, &a, 1);
    q.closeChunk();
    setRecorded(q, &a, 2);
    q.closeChunk();
    q.openChunk("empty");
    q.closeChunk();
    q.closeChunk();  // unbalanced: ignored
    ASSERT_EQ(q.undoLabels(), std::vector<std::string>{"outer"});
    q.undo();
    EXPECT_EQ(a, 0);
}

TEST(UndoQueue, NewChunkClearsRedoButEmptyOneDoesNot) {
    UndoQueue q;
    int a = 0;
    q.openChunk("x");
    setRecorded(q, &a, 1);
    q.closeChunk();
    q.undo();
    EXPECT_EQ(q.redoCount(), 1u);
    // A text that changes nothing (e.g. the `undo` command itself) keeps the redo list.
    q.openChunk("nothing");
    q.closeChunk();
    EXPECT_EQ(q.redoCount(), 1u);
    q.openChunk("y");
    setRecorded(q, &a, 4);
    q.closeChunk();
    EXPECT_EQ(q.redoCount(), 0u);
    EXPECT_FALSE(q.redo());
}

TEST(UndoQueue, RollbackTakesBackOnlyTheFailedPart) {
    UndoQueue q;
    int a = 0, b = 0;
    q.openChunk("script");
    setRecorded(q, &a, 1);
    std::size_t m = q.mark();
    setRecorded(q, &b, 1);
    setRecorded(q, &b, 2);
    q.rollbackTo(m);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(a, 1);
    q.closeChunk();
    q.undo();
    EXPECT_EQ(a, 0);
    EXPECT_FALSE(q.undo());
}

TEST(UndoQueue, ReplayDoesNotRecordAndLimitDropsOldest) {
    UndoQueue q;
    int a = 0;
    // An undo function that itself tries to record must not grow the queue.
    q.openChunk("self");
    a = 1;
    q.record([&q, &a] { setRecorded(q, &a, 0); }, [&a] { a = 1; });
    q.closeChunk();
    q.undo();
    EXPECT_EQ(a, 0);
    EXPECT_EQ(q.undoCount(), 0u);
    q.redo();

    q.setLimit(2);
    for (int i = 2; i <= 4; ++i) {
        q.openChunk("c" + std::to_string(i));
        setRecorded(q, &a, i);
        q.closeChunk();
    }
    EXPECT_EQ(q.undoLabels(), (std::vector<std::string>{"c3", "c4"}));
}

TEST(UndoQueue, DisabledQueueKeepsItemsOnlyForRollback) {
    UndoQueue q;
    int a = 0, b = 0, c = 0;
    q.setEnabled(false);
    q.openChunk("off");
    // A command that succeeds: what it kept is forgotten, its change stays.
    std::size_t m = q.mark();
    setRecorded(q, &a, 1);
    q.forgetSince(m);
    EXPECT_EQ(q.mark(), m);
    // A command that fails takes its change back even with undo off.
    m = q.mark();
    setRecorded(q, &b, 5);
    q.rollbackTo(m);
    EXPECT_EQ(b, 0);
    // Whatever is still kept never reaches the undo list.
    setRecorded(q, &c, 7);
    q.closeChunk();
    EXPECT_EQ(q.undoCount(), 0u);
    EXPECT_FALSE(q.undo());
    EXPECT_EQ(a, 1);
    EXPECT_EQ(c, 7);
}

TEST(UndoQueue, TurningUndoOffMidChunkKeepsWhatWasRecordedBefore) {
    UndoQueue q;
    int a = 0, b = 0, c = 0;
    q.openChunk("mixed");
    setRecorded(q, &a, 1);
    q.setEnabled(false);
    setRecorded(q, &b, 2);
    q.setEnabled(true);
    setRecorded(q, &c, 3);
    // Forgetting drops only the items recorded while disabled; order of the rest is kept.
    q.forgetSince(0);
    EXPECT_EQ(q.mark(), 2u);
    q.closeChunk();
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 2) << "not undoable: recorded with undo off";
    EXPECT_EQ(c, 0);
    ASSERT_TRUE(q.redo());
    EXPECT_EQ(a, 1);
    EXPECT_EQ(c, 3);
}

namespace {

// Records a change of names (as create, delete, rename and parent do).
void renameRecorded(UndoQueue& q, int* slot, int value) {
    int before = *slot;
    *slot = value;
    q.record([slot, before] { *slot = before; }, [slot, value] { *slot = value; }, "rename",
             /*changesNames=*/true);
}

}  // namespace

TEST(UndoQueue, NameChangeMadeWithUndoOffRefusesOnlyTheEarlierHistory) {
    UndoQueue q;
    int a = 0, b = 0, c = 0;
    for (int value : {1, 2}) {
        q.openChunk("set a");
        setRecorded(q, &a, value);
        q.closeChunk();
    }
    ASSERT_TRUE(q.undo());
    ASSERT_EQ(a, 1);
    // With undo off, a value change leaves the history usable; a change of names does not.
    q.setEnabled(false);
    q.openChunk("off");
    std::size_t m = q.mark();
    setRecorded(q, &b, 4);
    q.forgetSince(m);
    EXPECT_FALSE(q.undoRefused());
    EXPECT_FALSE(q.redoRefused());
    // Run by a command that undoes its own texts: not outside the history either.
    m = q.mark();
    renameRecorded(q, &b, 6);
    q.forgetSince(m, /*outsideHistory=*/false);
    EXPECT_FALSE(q.undoRefused());
    m = q.mark();
    renameRecorded(q, &b, 5);
    q.forgetSince(m);
    q.closeChunk();
    q.setEnabled(true);

    EXPECT_TRUE(q.undoRefused());
    EXPECT_TRUE(q.redoRefused());
    EXPECT_FALSE(q.undo());
    EXPECT_FALSE(q.redo());
    EXPECT_EQ(a, 1) << "a refused replay changes nothing";
    EXPECT_EQ(q.undoCount(), 1u);
    EXPECT_EQ(q.redoCount(), 1u);

    // What is recorded afterwards matches the scene and replays; the older chunk stays refused.
    q.openChunk("set c");
    setRecorded(q, &c, 3);
    q.closeChunk();
    EXPECT_FALSE(q.redoRefused()) << "the new chunk cleared the redo list";
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(c, 0);
    ASSERT_TRUE(q.redo());
    EXPECT_EQ(c, 3);
    ASSERT_TRUE(q.undo());
    EXPECT_TRUE(q.undoRefused());
    EXPECT_FALSE(q.undo());
    EXPECT_EQ(a, 1);

    // A failed command with undo off changed nothing: no refusal. A cleared queue starts over.
    q.clear();
    q.openChunk("set a");
    setRecorded(q, &a, 4);
    q.closeChunk();
    q.setEnabled(false);
    q.openChunk("failing");
    renameRecorded(q, &b, 9);
    q.rollbackTo(0);
    q.closeChunk();
    q.setEnabled(true);
    EXPECT_FALSE(q.undoRefused());
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(a, 1);
}

namespace {

// A whole state set at once (as the selection is): folds with the next change of the same
// state, and is nothing when it ends where it started.
class StateChange final : public tarn::undo::UndoItem {
public:
    StateChange(int* slot, int before, int after)
        : m_slot(slot), m_before(before), m_after(after) {}
    void undo() override { *m_slot = m_before; }
    void redo() override { *m_slot = m_after; }
    std::string describe() const override { return "state"; }
    bool absorb(tarn::undo::UndoItem& next) override {
        auto* later = dynamic_cast<StateChange*>(&next);
        if (!later || later->m_slot != m_slot) return false;
        m_after = later->m_after;
        return true;
    }
    bool changesNothing() const override { return m_before == m_after; }
    bool onlySelects() const override { return true; }

private:
    int* m_slot;
    int m_before, m_after;
};

void setState(UndoQueue& q, int* slot, int value) {
    const int before = *slot;
    *slot = value;
    q.record(std::make_unique<StateChange>(slot, before, value));
}

}  // namespace

// Chunks closed between the start and end of a gesture are one undo step.
TEST(UndoQueue, AGestureIsOneStep) {
    UndoQueue q;
    int a = 0;
    q.beginGesture();
    for (int event = 1; event <= 4; ++event) {
        q.openChunk("viewEvent drag");
        setRecorded(q, &a, event);
        if (event == 4) q.endGestureAfterChunk();
        q.closeChunk();
    }
    EXPECT_FALSE(q.inGesture());
    ASSERT_EQ(q.undoCount(), 1u);
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(a, 0);
    ASSERT_TRUE(q.redo());
    EXPECT_EQ(a, 4);
}

// Pointer events that change a state and put it back leave no undo step; a gesture's real
// change is named by the text nested in it that made it.
TEST(UndoQueue, GestureThatChangesNothingLeavesNoStep) {
    UndoQueue q;
    int selection = 7, mesh = 0;
    // A stroke that crosses nothing: the selection changes under the pointer and comes back.
    q.beginGesture();
    for (int s : {3, 5, 7}) {
        q.openChunk("viewEvent drag 3 140");
        setState(q, &selection, s);
        q.closeChunk();
    }
    q.endGesture();
    EXPECT_EQ(q.undoCount(), 0u);
    // A stroke that splits: the same selection changes, and an edit run by the tool.
    q.beginGesture();
    q.openChunk("viewEvent drag 10 10");
    setState(q, &selection, 2);
    q.closeChunk();
    q.openChunk("viewEvent release 30 10");
    setState(q, &selection, 7);
    q.openChunk("polySplit -ep 3 0.5 -ep 5 0.5 m");
    setRecorded(q, &mesh, 1);
    q.closeChunk();
    q.endGestureAfterChunk();
    EXPECT_TRUE(q.inGesture());
    q.closeChunk();
    ASSERT_EQ(q.undoCount(), 1u);
    EXPECT_EQ(q.undoSummary(), "polySplit -ep 3 0.5 -ep 5 0.5 m");
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(mesh, 0);
    EXPECT_EQ(selection, 7);
    EXPECT_EQ(q.redoSummary(), "polySplit -ep 3 0.5 -ep 5 0.5 m");
}

// A gesture that only picked (a click, or a stroke that crossed nothing and left the selection
// elsewhere) is no step; a text that selects still is one.
TEST(UndoQueue, GesturesThatOnlySelectAreNoSteps) {
    UndoQueue q;
    int selection = 0, mesh = 0;
    q.openChunk("polySplit");
    setRecorded(q, &mesh, 1);
    q.closeChunk();
    q.beginGesture();
    q.openChunk("viewEvent release 3 4");
    setState(q, &selection, 5);
    q.closeChunk();
    q.endGesture();
    EXPECT_EQ(selection, 5);
    ASSERT_EQ(q.undoCount(), 1u);
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(mesh, 0) << "the edit, not the pick, is taken back";
    q.openChunk("select b");
    setState(q, &selection, 6);
    q.closeChunk();
    EXPECT_EQ(q.undoCount(), 1u);
}

TEST(UndoQueue, StateChangesFoldWithinAChunk) {
    UndoQueue q;
    int selection = 0, other = 0;
    q.openChunk("select a; select b; select c");
    setState(q, &selection, 1);
    setState(q, &selection, 2);
    setState(q, &selection, 3);
    q.closeChunk();
    // Folded state changes still undo to the first state and redo to the last.
    ASSERT_EQ(q.undoCount(), 1u);
    EXPECT_EQ(q.undoSummary(), "select a; select b; select c");
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(selection, 0);
    ASSERT_TRUE(q.redo());
    EXPECT_EQ(selection, 3);
    // Only neighbours fold: a change of something else in between keeps both.
    q.openChunk("x");
    setState(q, &selection, 4);
    setRecorded(q, &other, 1);
    setState(q, &selection, 3);
    q.closeChunk();
    ASSERT_EQ(q.undoCount(), 2u);
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(selection, 3);
    EXPECT_EQ(other, 0);
}

// Undo during a gesture takes the gesture so far back as one step; clear drops an open one.
TEST(UndoQueue, UndoEndsAnOpenGestureAndClearDropsIt) {
    UndoQueue q;
    int a = 0;
    q.beginGesture();
    q.openChunk("viewEvent press");
    setRecorded(q, &a, 1);
    q.closeChunk();
    q.openChunk("undo");
    EXPECT_TRUE(q.undo());
    q.closeChunk();
    EXPECT_EQ(a, 0);
    EXPECT_FALSE(q.inGesture());
    EXPECT_EQ(q.redoCount(), 1u);
    q.beginGesture();
    q.openChunk("viewEvent press");
    setRecorded(q, &a, 5);
    q.closeChunk();
    q.clear();
    EXPECT_FALSE(q.inGesture());
    EXPECT_EQ(q.undoCount(), 0u);
    // A new gesture ends the one left open: each is its own step.
    q.beginGesture();
    q.openChunk("p1");
    setRecorded(q, &a, 6);
    q.closeChunk();
    q.beginGesture();
    q.openChunk("p2");
    setRecorded(q, &a, 7);
    q.closeChunk();
    q.endGesture();
    EXPECT_EQ(q.undoCount(), 2u);
}

TEST(UndoQueue, AUserChunkSpansTextsUntilItIsClosed) {
    UndoQueue q;
    int a = 0;
    // Opened inside one text, it keeps the texts after it in one chunk with its own name.
    q.openChunk("undoInfo -openChunk");
    q.openUserChunk("drag a");
    q.closeChunk();
    for (int v = 1; v <= 5; ++v) {
        q.openChunk("setAttr");
        setRecorded(q, &a, v);
        q.closeChunk();
    }
    EXPECT_EQ(q.undoCount(), 0u) << "still open";
    q.openChunk("undoInfo -closeChunk");
    EXPECT_TRUE(q.closeUserChunk());
    q.closeChunk();
    EXPECT_FALSE(q.closeUserChunk()) << "none left to close";
    ASSERT_EQ(q.undoLabels(), std::vector<std::string>{"drag a"});
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(a, 0);
    ASSERT_TRUE(q.redo());
    EXPECT_EQ(a, 5);
    // An inner user chunk joins the outer one and keeps its name.
    q.openUserChunk("outer");
    q.openUserChunk("inner");
    setRecorded(q, &a, 6);
    EXPECT_TRUE(q.closeUserChunk());
    setRecorded(q, &a, 7);
    EXPECT_TRUE(q.closeUserChunk());
    EXPECT_EQ(q.undoLabels().back(), "outer");
    EXPECT_EQ(q.userChunkDepth(), 0);
}

TEST(UndoQueue, EndingUserChunksHandsTheirItemsOverAndTheRunningTextGoesOn) {
    UndoQueue q;
    int a = 0, b = 0;
    q.openUserChunk("drag");
    setRecorded(q, &a, 1);
    setRecorded(q, &a, 2);
    // A text (the undo command's) runs while the drag is open and ends it.
    q.openChunk("undo");
    EXPECT_TRUE(q.endUserChunks());
    EXPECT_EQ(q.userChunkDepth(), 0);
    EXPECT_EQ(q.undoCount(), 1u);
    EXPECT_TRUE(q.isRecording()) << "the text still records";
    setRecorded(q, &b, 3);
    q.closeChunk();
    ASSERT_EQ(q.undoCount(), 2u);
    EXPECT_EQ(q.undoLabels().front(), "drag");
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(b, 0);
    ASSERT_TRUE(q.undo());
    EXPECT_EQ(a, 0);
    EXPECT_FALSE(q.endUserChunks()) << "nothing open";
    // Outside any text the drag simply closes.
    q.openUserChunk("alone");
    setRecorded(q, &a, 9);
    EXPECT_TRUE(q.endUserChunks());
    EXPECT_FALSE(q.isRecording());
    EXPECT_EQ(q.undoLabels().back(), "alone");
}
