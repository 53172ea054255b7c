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
