// The script console: what a run records (output in order, result, failure), the history walk
// with its draft, multi-line input, the bounded history, and completion of commands, flags,
// procs, nodes, attributes and components, also in readline's terms.

#include "host/ui/console.h"

#include "host/lang/journal.h"
#include "host/ui/completion.h"
#include "host/ui/ui_test_support.h"

namespace tarn::ui {
namespace {

class ConsoleTest : public testing::UiTest {
protected:
    std::vector<std::string> candidates(const std::string& text) {
        return complete(text, text.size()).candidates;
    }
};

TEST_F(ConsoleTest, ARunRecordsItsOutputInOrderAndItsResult) {
    Console console;
    console.setInput("print \"one\\n\"; deleteUI nothing; print \"two\\n\"; polyCube -n box");
    ASSERT_TRUE(console.submit());
    EXPECT_EQ(console.input(), "");
    ASSERT_EQ(console.entries().size(), 1u);
    const ConsoleEntry& e = console.entries().back();
    EXPECT_TRUE(e.ok);
    EXPECT_EQ(e.output, "one\n// Warning: deleteUI: object 'nothing' not found.\ntwo\n");
    EXPECT_EQ(e.result, "box boxShape");
    // It ran as the console's own text, journalled and undoable.
    EXPECT_EQ(lang::journal().entries().back().origin, "console");
    undo();
    EXPECT_TRUE(strings("ls box").empty());

    EXPECT_FALSE(console.run("setAttr nobody.tx 1"));
    const ConsoleEntry& failed = console.entries().back();
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.output.find("// Error: "), std::string::npos) << failed.output;
    EXPECT_EQ(failed.result, "");
}

TEST_F(ConsoleTest, OnlyWholeTextsAreSubmitted) {
    Console console;
    for (const char* notYet : {"", "  \n", "if (1) {", "print \"open"}) {
        console.setInput(notYet);
        EXPECT_FALSE(console.submit()) << notYet;
        EXPECT_EQ(console.input(), notYet);
    }
    console.setInput("if (1) {\n  print \"in\\n\";\n}\n");
    EXPECT_TRUE(console.inputComplete());
    ASSERT_TRUE(console.submit());
    EXPECT_EQ(console.entries().back().input, "if (1) {\n  print \"in\\n\";\n}");
    EXPECT_EQ(console.entries().back().output, "in\n");
    EXPECT_TRUE(console.entries().front().ok);
    EXPECT_EQ(console.entries().size(), 1u);
}

TEST_F(ConsoleTest, UpAndDownWalkTheHistoryAndKeepTheDraft) {
    Console console;
    for (const char* text : {"print 1", "print 2", "print 3"}) console.run(text);
    console.setInput("draft");
    console.historyUp();
    EXPECT_EQ(console.input(), "print 3");
    console.historyUp();
    console.historyUp();
    EXPECT_EQ(console.input(), "print 1");
    console.historyUp();
    EXPECT_EQ(console.input(), "print 1") << "nothing older";
    console.historyDown();
    EXPECT_EQ(console.input(), "print 2");
    console.historyDown();
    console.historyDown();
    EXPECT_EQ(console.input(), "draft");
    console.historyDown();
    EXPECT_EQ(console.input(), "draft");
    // Typing ends the walk: the next Up starts from the newest again.
    console.historyUp();
    console.setInput("other");
    console.historyUp();
    EXPECT_EQ(console.input(), "print 3");
}

TEST_F(ConsoleTest, TheHistoryKeepsTheNewestEntries) {
    Console console(3);
    for (int i = 0; i < 5; ++i) console.run("print " + std::to_string(i));
    ASSERT_EQ(console.entries().size(), 3u);
    EXPECT_EQ(console.entries().front().input, "print 2");
    EXPECT_EQ(console.entries().back().input, "print 4");
    EXPECT_EQ(Console(0).capacity(), 1u);
}

TEST_F(ConsoleTest, CompletionKnowsWhereAWordStands) {
    run("polyCube -n box; polyCube -n boxer; proc float boxVolume() { return 1.0; }");
    const struct {
        const char* text;
        std::vector<std::string> want;
    } cases[] = {
        {"polyCu", {"polyCube"}},
        {"print 1; boxV", {"boxVolume"}},
        {"`ls", {"ls"}},
        {"select -r bo", {"box", "boxShape", "boxer", "boxerShape"}},
        {"select -r box.tr", {"translate", "translateX", "translateY", "translateZ"}},
        {"select -r box.translate.translateX", {"translateX"}},
        {"select -r boxShape.vt", {"vtx["}},
        {"polyCube -wi", {"-width"}},
        {"polyCube -w", {"-w", "-width"}},
        {"setAttr nobody.t", {}},
        {"print $bo", {}},
        {"zzz", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(candidates(c.text), c.want) << c.text;
    const Completion c = complete("select -r box.tr", 16);
    EXPECT_EQ(c.from, 14u);
    EXPECT_EQ(c.to, 16u);
    EXPECT_EQ(c.common, "translate");
    // In the middle of a text only the word before the cursor counts.
    EXPECT_EQ(complete("polyCu; print 1", 6).candidates, std::vector<std::string>{"polyCube"});
}

TEST_F(ConsoleTest, TheConsoleAppliesACompletion) {
    run("polyCube -n box");
    Console console;
    console.setInput("select -r bo; print 1");
    std::size_t cursor = 12;
    Completion c = console.complete(&cursor);
    EXPECT_EQ(c.candidates, (std::vector<std::string>{"box", "boxShape"}));
    EXPECT_EQ(console.input(), "select -r box; print 1") << "the common start";
    EXPECT_EQ(cursor, 13u);
    console.setInput("box.transl");
    cursor = 10;
    console.complete(&cursor);
    EXPECT_EQ(console.input(), "box.translate");
    console.setInput("qqq");
    cursor = 3;
    EXPECT_TRUE(console.complete(&cursor).candidates.empty());
    EXPECT_EQ(console.input(), "qqq");
    EXPECT_EQ(cursor, 3u);
}

TEST_F(ConsoleTest, ReadlineGetsCandidatesFromItsOwnWordStart) {
    run("polyCube -n box");
    // Readline's word is the whole "box.tra" (no break at the dot).
    EXPECT_EQ(completionsFrom("select -r box.tra", 10, 17),
              (std::vector<std::string>{"box.translate", "box.translateX", "box.translateY",
                                        "box.translateZ"}));
    EXPECT_EQ(completionsFrom("polyCube -wi", 9, 12), std::vector<std::string>{"-width"});
    // A word start inside ours (after the dash) still lines up.
    EXPECT_EQ(completionsFrom("polyCube -wi", 10, 12), std::vector<std::string>{"width"});
    EXPECT_TRUE(completionsFrom("nothing", 0, 7).empty());
    EXPECT_EQ(completionsFrom("polyCu", 0, 99), std::vector<std::string>{"polyCube"});
}

}  // namespace
}  // namespace tarn::ui
