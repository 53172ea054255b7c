// Behaviour of the interpreter around commands: undo chunks, failure roll-back, output channels,
// nested texts, the idle queue and the journal, and plug-in commands through KPxCommand.

#include "host/lang/test_support.h"

#include "frame/k_command.h"
#include "frame/k_global.h"
#include "host/commands/lang_commands.h"
#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/journal.h"
#include "host/lang/plugin_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace tarn::lang;
using tarn::lang::testing::probeScene;
using tarn::lang::testing::Session;

TEST(Undo, EachTopLevelTextIsOneChunk) {
    Session s;
    ASSERT_TRUE(s.run("setValue a 1; setValue b 2").ok);
    ASSERT_TRUE(s.run("setValue a 5").ok);
    struct Step {
        const char* text;
        std::int64_t a, b;
        bool hasB;
    } steps[] = {
        {"undo", 1, 2, true},
        {"undo", 0, 0, false},
        {"redo", 1, 2, true},
        {"redo", 5, 2, true},
    };
    for (const auto& st : steps) {
        ASSERT_TRUE(s.run(st.text).ok);
        EXPECT_EQ(probeScene().count("a") ? probeScene()["a"] : 0, st.a) << st.text;
        EXPECT_EQ(probeScene().count("b") != 0, st.hasB) << st.text;
        if (st.hasB) {
            EXPECT_EQ(probeScene()["b"], st.b);
        }
    }
}

TEST(Undo, NothingToUndoWarnsAndSucceeds) {
    Session s;
    auto r = s.run("undo");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(s.output.of(OutputKind::Warning),
              std::vector<std::string>{"// Warning: There are no more commands to undo.\n"});
}

TEST(Undo, TextRunWithUndoOffIsNotRecorded) {
    Session s;
    RunOptions off;
    off.undo = false;
    ASSERT_TRUE(s.run("setValue a 1", off).ok);
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), 0u);
    s.run("undo");
    EXPECT_EQ(probeScene()["a"], 1);
}

TEST(Undo, FailingCommandChangesNothingButEarlierStatementsStand) {
    Session s;
    auto r = s.run("setValue a 1; setThenFail a 9; setValue a 3");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 1);
    EXPECT_EQ(probeScene()["a"], 1);  // the failed command's change was taken back
    s.run("undo");
    EXPECT_EQ(probeScene().count("a"), 0u);
}

TEST(Undo, FailingCommandChangesNothingEvenWithUndoOff) {
    Session s;
    RunOptions off;
    off.undo = false;
    auto r = s.run("setValue a 1; setThenFail a 9", off);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(probeScene()["a"], 1);  // taken back although nothing is recorded for undo
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), 0u);
    s.run("undo");
    EXPECT_EQ(probeScene()["a"], 1);
}

TEST(Undo, SyntaxErrorRunsNothing) {
    Session s;
    auto r = s.run("setValue a 1;\nsetValue b \"unterminated");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    EXPECT_TRUE(probeScene().empty());
    EXPECT_EQ(s.output.of(OutputKind::Error).size(), 1u);
    EXPECT_NE(s.output.text().find("line 2: Unterminated string"), std::string::npos);
}

TEST(Output, ChannelsCarryTheirPrefixes) {
    struct Row {
        OutputKind kind;
        const char* text;
        const char* expected;
    } rows[] = {
        {OutputKind::Print, "a\n", "a\n"},
        {OutputKind::Print, "no line feed", "no line feed"},
        {OutputKind::Info, "hello", "hello\n"},
        {OutputKind::Warning, "careful", "// Warning: careful\n"},
        {OutputKind::Error, "broken\n", "// Error: broken\n"},
        {OutputKind::Result, "3", "// Result: 3\n"},
    };
    for (const auto& r : rows) EXPECT_EQ(formatOutput(r.kind, r.text), r.expected);
}

TEST(Output, PrintWritesTextAsGivenAndArraysPerLine) {
    Session s;
    s.run("print \"// Result: Performed a polyCollapseEdge.\\n\"; print {\"a\", \"b\"}");
    EXPECT_EQ(s.output.text(), "// Result: Performed a polyCollapseEdge.\na\nb\n");
}

TEST(Output, DisplayEchoesTextAndResult) {
    Session s;
    RunOptions o;
    o.display = true;
    s.run("words a b", o);
    EXPECT_EQ(s.output.text(), "words a b\n// Result: a|b\n");
}

TEST(Errors, BatchMessagesNameFileAndLine) {
    Session s;
    RunOptions o;
    o.sourceName = "scene.tcs";
    auto r = s.run("words a;\n\nnoSuch 1;", o);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 3);
    EXPECT_EQ(s.output.text(), "// Error: scene.tcs:3: Cannot find procedure \"noSuch\".\n");
}

TEST(Errors, SourceOfMissingFileFailsCleanly) {
    Session s;
    auto r = s.run("source \"/nonexistent/dir/x.tcs\"");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(s.output.of(OutputKind::Error).size(), 1u);
}

TEST(Errors, SourceRunsFileAndSelfSourcingStops) {
    Session s;
    std::string path = ::testing::TempDir() + "lang_self_source.tcs";
    {
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_TRUE(f);
        std::fprintf(f, "global int $gDepth;\n$gDepth++;\nsource \"%s\";\n", path.c_str());
        std::fclose(f);
    }
    auto r = s.run("source \"" + path + "\"");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("Recursion too deep"), std::string::npos) << r.error;
    const Value* depth = s.interp.global("gDepth");
    ASSERT_TRUE(depth);
    EXPECT_GT(depth->asInt(), 10);
}

TEST(Source, RelativeNamesAreFoundBesideTheSourcingScript) {
    Session s;
    namespace fs = std::filesystem;
    fs::path dir = fs::path(::testing::TempDir()) / "lang_source_dir";
    fs::create_directories(dir);
    {
        std::ofstream(dir / "main.tcs") << "source \"helper_beside.tcs\";\nhelperValue();\n";
        std::ofstream(dir / "helper_beside.tcs") << "global proc int helperValue() { return 7; }\n";
    }
    auto r = s.run("source \"" + (dir / "main.tcs").string() + "\"");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.value.asInt(), 7);
}

TEST(Errors, InterruptStopsAnEndlessLoop) {
    Session s;
    // The loop's command interrupts the interpreter after a few rounds, like Ctrl-C would.
    int calls = 0;
    s.registry->add(
        {.name = "tick", .body = [&](const CommandArgs&, CommandContext& ctx) -> CommandResult {
             if (++calls == 50) ctx.interpreter().interrupt();
             return {};
         }});
    auto r = s.run("while (1) tick;");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("Interrupted."), std::string::npos);
    EXPECT_EQ(calls, 50);
}

TEST(Nested, CommandBodiesRunTextsAndCallCommands) {
    Session s;
    s.registry->add({.name = "outer",
                     .undoable = true,
                     .body = [](const CommandArgs&, CommandContext& ctx) -> CommandResult {
                         auto r = ctx.run("setValue n 2; getValue n");
                         if (!r.ok) return r;
                         return ctx.call("setValue", {Value("-add"), Value("n"), r.value});
                     }});
    auto r = s.run("outer");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.value.asInt(), 4);
    // Nested work joined the outer chunk: one undo takes all of it back.
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), 1u);
    s.run("undo");
    EXPECT_TRUE(probeScene().empty());
}

TEST(Nested, FailingNestedTextIsReportedOnce) {
    Session s;
    s.registry->add(
        {.name = "outer", .body = [](const CommandArgs&, CommandContext& ctx) -> CommandResult {
             return ctx.run("getValue missing");
         }});
    auto r = s.run("outer");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(s.output.of(OutputKind::Error),
              std::vector<std::string>{"// Error: No value named missing.\n"});
}

TEST(Nested, CommandThrowingIsContained) {
    Session s;
    s.registry->add(
        {.name = "thrower", .body = [](const CommandArgs&, CommandContext&) -> CommandResult {
             throw std::runtime_error("boom");
         }});
    auto r = s.run("thrower");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("thrower: internal error: boom"), std::string::npos);
}

TEST(Registry, RefusesBadDescriptions) {
    CommandRegistry reg;
    auto body = [](const CommandArgs&, CommandContext&) -> CommandResult { return {}; };
    std::string err;
    EXPECT_FALSE(reg.add({.name = "", .body = body}, &err));
    EXPECT_FALSE(reg.add({.name = "nobody"}, &err));
    EXPECT_FALSE(reg.add({.name = "dup",
                          .flags = {{.longName = "alpha", .shortName = "a"},
                                    {.longName = "apple", .shortName = "a"}},
                          .body = body},
                         &err));
    EXPECT_NE(err.find("two flags named \"a\""), std::string::npos);
    EXPECT_TRUE(
        reg.add({.name = "same", .flags = {{.longName = "x", .shortName = "x"}}, .body = body}));
    EXPECT_FALSE(reg.add({.name = "same", .body = body}, &err));
    EXPECT_TRUE(reg.remove("same"));
    EXPECT_FALSE(reg.remove("same"));
}

// Host-level execution: KGlobal, the journal and the idle queue -------------------------------

class HostLevel : public ::testing::Test {
protected:
    void SetUp() override {
        journal().clear();
        idleQueue().clear();
        tarn::undo::undoQueue().clear();
    }
    OutputCapture output;
};

TEST_F(HostLevel, ExecuteCommandResultsInEveryForm) {
    KStringArray sa;
    ASSERT_TRUE(KGlobal::executeCommand("string $sa[] = {\"a\", \"b\"}; $sa", sa));
    ASSERT_EQ(sa.length(), 2u);
    EXPECT_EQ(sa[1], "b");
    int i = 0;
    ASSERT_TRUE(KGlobal::executeCommand("2 + 3", i));
    EXPECT_EQ(i, 5);
    double d = 0;
    ASSERT_TRUE(KGlobal::executeCommand("1 / 4.0", d));
    EXPECT_DOUBLE_EQ(d, 0.25);
    KString s;
    ASSERT_TRUE(KGlobal::executeCommand("\"x\" + 1", s));
    EXPECT_EQ(s, "x1");
    KIntArray ia;
    ASSERT_TRUE(KGlobal::executeCommand("int $ia[] = {4, 5}; $ia", ia));
    EXPECT_EQ(ia, (KIntArray{4, 5}));
    KDoubleArray da;
    ASSERT_TRUE(KGlobal::executeCommand("0.5", da));
    EXPECT_EQ(da, (KDoubleArray{0.5}));
    EXPECT_FALSE(KGlobal::executeCommand("noSuchCommand"));
}

TEST_F(HostLevel, JournalRecordsTextFlagsResultAndStatus) {
    KGlobal::executeCommand("size(\"abc\")", true, false);
    KGlobal::executeCommand("noSuchCommand", false, true);
    const auto& e = journal().entries();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].text, "size(\"abc\")");
    EXPECT_TRUE(e[0].display);
    EXPECT_FALSE(e[0].undo);
    EXPECT_EQ(e[0].result, "3");
    EXPECT_EQ(e[0].status, 0);
    EXPECT_EQ(e[1].status, 1);
    EXPECT_TRUE(e[1].undo);
    EXPECT_NE(e[1].error.find("noSuchCommand"), std::string::npos);
    std::string lines = journal().toJsonLines();
    EXPECT_NE(lines.find("\"text\":\"size(\\\"abc\\\")\""), std::string::npos) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
}

TEST_F(HostLevel, ExecuteCommandOffTheMainThreadFailsCleanly) {
    KStatus fromWorker, idleFromWorker;
    std::thread worker([&] {
        fromWorker = KGlobal::executeCommand("print \"never\"");
        idleFromWorker = KGlobal::executeCommandOnIdle("print \"never\"");
    });
    worker.join();
    EXPECT_TRUE(fromWorker.error());
    EXPECT_TRUE(idleFromWorker.error());
    EXPECT_EQ(output.of(OutputKind::Print).size(), 0u);
    EXPECT_EQ(output.of(OutputKind::Error).size(), 2u);
    EXPECT_TRUE(journal().entries().empty());
}

TEST_F(HostLevel, JournalKeepsStartOrderOfNestedTextsAndDropsOldest) {
    ExecuteOptions o;
    o.origin = "shell";
    executeText("eval \"print 1\"; flushIdleQueue", o);
    KGlobal::executeCommandOnIdle("size(\"ab\")");
    executeText("flushIdleQueue", o);
    auto texts = journal().texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], "flushIdleQueue");
    EXPECT_EQ(texts[2], "size(\"ab\")");  // started inside the flush, listed after it
    EXPECT_EQ(journal().entries()[2].result, "2");
    EXPECT_EQ(journal().entries()[1].status, 0);

    journal().setCapacity(2);
    executeText("1", o);
    executeText("2", o);
    executeText("3", o);
    EXPECT_EQ(journal().texts(), (std::vector<std::string>{"2", "3"}));
    journal().setCapacity(100000);
}

TEST(JournalStream, LinesReachTheFileAsTextsFinish) {
    const std::string path = ::testing::TempDir() + "journal_stream_test.jsonl";
    auto read = [&] {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    {
        std::ofstream old(path);
        old << "an earlier run\n";
    }
    Journal j;
    j.record(JournalEntry{"before", false, false, "", 0, "", "api"});
    std::string error;
    ASSERT_TRUE(j.streamTo(path, &error)) << error;
    EXPECT_EQ(read().find("an earlier run"), std::string::npos);  // emptied first
    EXPECT_NE(read().find("\"text\":\"before\""), std::string::npos);
    // An outer text starts, an inner one runs and finishes: the inner line is written at once,
    // the outer one only when it finishes; seq keeps their start order.
    const std::size_t outer = j.begin(JournalEntry{"outer", false, true, "", 0, "", "script"});
    const std::size_t inner = j.begin(JournalEntry{"inner", false, false, "", 0, "", "api"});
    j.finish(inner, "7", 0, "");
    std::string text = read();
    EXPECT_NE(text.find("\"seq\":2"), std::string::npos) << text;
    EXPECT_NE(text.find("\"result\":\"7\""), std::string::npos) << text;
    EXPECT_EQ(text.find("outer"), std::string::npos) << text;
    j.finish(outer, "", 1, "Interrupted.");
    ASSERT_TRUE(j.closeStream(&error)) << error;
    text = read();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_LT(text.find("inner"), text.find("outer")) << text;
    EXPECT_NE(text.find("\"seq\":1"), std::string::npos) << text;
    EXPECT_NE(text.find("\"error\":\"Interrupted.\""), std::string::npos) << text;
    j.record(JournalEntry{"after close", false, false, "", 0, "", "api"});
    EXPECT_EQ(read().find("after close"), std::string::npos);

    // A full device: the stream stops at the first failed write and says so when closed.
    Journal full;
    ASSERT_TRUE(full.streamTo("/dev/full", &error)) << error;
    full.record(JournalEntry{"lost", false, false, "", 0, "", "api"});
    EXPECT_FALSE(full.closeStream(&error));
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    // A folder cannot take a journal.
    EXPECT_FALSE(Journal().streamTo(::testing::TempDir(), &error));
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;
}

TEST_F(HostLevel, StopEndsEveryLaterTextAndHoldsTheIdleQueueUntilCleared) {
    // Unlike interrupt(), a stop is not used up by the first text it ends, and it ends texts
    // whose statements call nothing (checked before every statement).
    KGlobal::executeCommandOnIdle("size(\"ab\")");
    hostInterpreter().stop();
    for (const char* text : {"int $stopA = 1; $stopA = 2;", "1", "eval \"2\""}) {
        RunResult r = executeText(text);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_NE(r.error.find("Interrupted."), std::string::npos) << text;
    }
    EXPECT_EQ(idleQueue().flush(), 0u);
    EXPECT_EQ(idleQueue().pending().size(), 1u);
    hostInterpreter().clearStop();
    EXPECT_EQ(idleQueue().flush(), 1u);
    EXPECT_TRUE(executeText("int $stopB = 1; $stopB").ok);
    // A plain interrupt() asked for between texts is dropped when the next one starts.
    hostInterpreter().interrupt();
    EXPECT_TRUE(executeText("3").ok);
}

TEST_F(HostLevel, IdleQueueRunsInOrderWhenFlushed) {
    KGlobal::executeCommandOnIdle("print \"one\\n\"");
    KGlobal::executeCommandOnIdle("print \"two\\n\"");
    EXPECT_EQ(idleQueue().size(), 2u);
    EXPECT_EQ(output.text(), "");
    ASSERT_TRUE(KGlobal::executeCommand("flushIdleQueue"));
    EXPECT_EQ(output.text(), "one\ntwo\n");
    EXPECT_EQ(idleQueue().size(), 0u);
    auto texts = journal().texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(journal().entries()[1].origin, "idle");
}

TEST_F(HostLevel, IdleQueueRunsAfterEachScriptStatement) {
    ExecuteOptions o;
    o.flushIdleEachStatement = true;
    o.origin = "script";
    executeText("eval \"print \\\"a\\\"\"; executeOnIdleProbe; print \"b\"; print \"c\";", o);
    // executeOnIdleProbe is unknown: the script stops there, but the idle text queued before it
    // ran after the first statement.
    EXPECT_EQ(output.of(OutputKind::Print).front(), "a");
}

TEST_F(HostLevel, IdleTextQueueingItselfCannotHang) {
    // Each run queues one more; a flush stops after its share and the rest waits.
    tarn::lang::hostInterpreter().run("global proc requeue() { eval \"flushIdleQueue\"; }");
    for (int i = 0; i < 3; ++i) KGlobal::executeCommandOnIdle("requeue");
    EXPECT_EQ(idleQueue().flush(), 3u);
}

// Plug-in commands ------------------------------------------------------------------------------

namespace {

int g_counter = 0;

class CounterCmd : public KPxCommand {
public:
    static void* creator() { return new CounterCmd; }
    KStatus doIt(const KArgList& args) override {
        KStatus st;
        m_by = args.length() ? args.asInt(0, &st) : 1;
        if (st.error()) {
            displayError("counter: not a number: " + args.asString(0));
            return KStatus(KStatus::kInvalidParameter);
        }
        if (args.flagIndex("h", "help") != KArgList::kInvalidArgIndex) {
            appendToResult("usage line 1\n");
            appendToResult("usage line 2\n");
            return KStatus();
        }
        return redoIt();
    }
    KStatus redoIt() override {
        g_counter += m_by;
        setResult(g_counter);
        return KStatus();
    }
    KStatus undoIt() override {
        g_counter -= m_by;
        return KStatus();
    }
    bool isUndoable() const override { return true; }

private:
    int m_by = 1;
};

class SilentFailCmd : public KPxCommand {
public:
    static void* creator() { return new SilentFailCmd; }
    KStatus doIt(const KArgList&) override {
        setResult("No objects selected for command to work on.\n");
        return KStatus(KStatus::kFailure);
    }
};

}  // namespace

TEST_F(HostLevel, PluginCommandRunsUndoesAndRedoes) {
    ASSERT_TRUE(registerPluginCommand("counterCmd", CounterCmd::creator, nullptr, "probe"));
    g_counter = 0;
    int r = 0;
    ASSERT_TRUE(KGlobal::executeCommand("counterCmd 5", r, false, true));
    EXPECT_EQ(r, 5);
    ASSERT_TRUE(KGlobal::executeCommand("counterCmd(2)", r, false, true));
    EXPECT_EQ(g_counter, 7);
    KGlobal::executeCommand("undo");
    EXPECT_EQ(g_counter, 5);
    KGlobal::executeCommand("redo");
    EXPECT_EQ(g_counter, 7);
    // Without undo the instance is not kept.
    KGlobal::executeCommand("counterCmd 1", false, false);
    KGlobal::executeCommand("undo");
    EXPECT_EQ(g_counter, 6);

    KStringArray help;
    ASSERT_TRUE(KGlobal::executeCommand("counterCmd 0 -h", help));
    EXPECT_EQ(help, (KStringArray{"usage line 1\n", "usage line 2\n"}));

    output.clear();
    EXPECT_FALSE(KGlobal::executeCommand("counterCmd abc", false, true));
    EXPECT_EQ(output.of(OutputKind::Error),
              std::vector<std::string>{"// Error: counter: not a number: abc\n"});

    EXPECT_TRUE(deregisterPluginCommand("counterCmd"));
    EXPECT_EQ(tarn::undo::undoQueue().undoCount(), 0u);  // its instances were released
    EXPECT_FALSE(KGlobal::executeCommand("counterCmd 1"));
    EXPECT_FALSE(deregisterPluginCommand("counterCmd"));
}

namespace {

// Answers the words it was given, one result element each.
class WordsCmd : public KPxCommand {
public:
    static void* creator() { return new WordsCmd; }
    KStatus doIt(const KArgList& args) override {
        for (unsigned i = 0; i < args.length(); ++i) appendToResult(args.asString(i));
        return KStatus();
    }
};

}  // namespace

TEST_F(HostLevel, PluginCommandWordsKeepEveryDigitOfANumber) {
    ASSERT_TRUE(registerPluginCommand("wordsCmd", WordsCmd::creator, nullptr, "probe"));
    // Float values from expressions, variables and arrays reach the plug-in as words that read
    // back as the same doubles; integers and strings as they are.
    KStringArray words;
    ASSERT_TRUE(KGlobal::executeCommand(
        "float $f[] = {0.1, 1e-300}; wordsCmd(0.40208333333333335, 1234.5678 * 1, $f, 7, \"s\")",
        words));
    const double expected[] = {0.40208333333333335, 1234.5678, 0.1, 1e-300};
    ASSERT_EQ(words.length(), 6u);
    for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(words[i].asDouble(), expected[i]) << words[i];
    EXPECT_EQ(words[4], "7");
    EXPECT_EQ(words[5], "s");
    // A plug-in building an argument list keeps them too.
    KArgList list;
    list.addArg(0.40208333333333335).addArg(1e-300);
    EXPECT_EQ(list.asDouble(0), 0.40208333333333335);
    EXPECT_EQ(list.asDouble(1), 1e-300);
    EXPECT_TRUE(deregisterPluginCommand("wordsCmd"));
}

TEST_F(HostLevel, PluginFailureWithoutMessageReportsItsResult) {
    ASSERT_TRUE(registerPluginCommand("silentFail", SilentFailCmd::creator, nullptr, "probe"));
    EXPECT_FALSE(KGlobal::executeCommand("silentFail"));
    EXPECT_EQ(output.of(OutputKind::Error),
              std::vector<std::string>{
                  "// Error: silentFail: No objects selected for command to work on.\n"});
    std::string err;
    EXPECT_FALSE(
        registerPluginCommand("silentFail", SilentFailCmd::creator, nullptr, "probe", &err));
    EXPECT_FALSE(err.empty());
    deregisterPluginCommand("silentFail");
}

TEST(KArgs, TypedReadersAndFlags) {
    KArgList a;
    a.addArg(KString("-fn")).addArg(KString("out")).addArg(KString("12")).addArg(KString("2.5"));
    a.addArg(KString("on"));
    KStatus st;
    EXPECT_EQ(a.length(), 5u);
    EXPECT_EQ(a.flagIndex("fn", "fileName"), 0u);
    EXPECT_EQ(a.flagIndex("wt", "width"), KArgList::kInvalidArgIndex);
    EXPECT_EQ(a.asInt(2, &st), 12);
    EXPECT_FALSE(st.error());
    EXPECT_EQ(a.asInt(1, &st), 0);
    EXPECT_TRUE(st.error());
    EXPECT_EQ(a.asInt(3, &st), 0);  // 2.5 is not an int
    EXPECT_TRUE(st.error());
    EXPECT_DOUBLE_EQ(a.asDouble(3, &st), 2.5);
    EXPECT_TRUE(a.asBool(4, &st));
    EXPECT_EQ(a.asString(9, &st), "");
    EXPECT_TRUE(st.error());
}

TEST(KArgs, DatabaseReadsSyntax) {
    KSyntax syn;
    syn.addFlag("-w", "-width", KSyntax::kLong);
    syn.addFlag("p", "pair", KSyntax::kLong, KSyntax::kDouble);
    syn.makeFlagMultiUse("p");
    EXPECT_TRUE(syn.addFlag("w", "other").error());  // duplicate short name
    KArgList a;
    for (const char* w : {"-w", "64", "-p", "1", "0.5", "-pair", "2", "0.25", "obj"})
        a.addArg(KString(w));
    KStatus st;
    KArgDatabase db(syn, a, &st);
    ASSERT_FALSE(st.error());
    int w = 0;
    EXPECT_TRUE(db.getFlagArgument("width", 0, w));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(db.numberOfFlagUses("p"), 2u);
    KString second;
    EXPECT_TRUE(db.getFlagArgumentAtUse("p", 1, 1, second));
    EXPECT_EQ(second, "0.25");
    EXPECT_EQ(db.numberOfCommandArguments(), 1u);

    KArgList bad;
    bad.addArg(KString("-nope"));
    KArgDatabase db2(syn, bad, &st);
    EXPECT_TRUE(st.error());
    KArgList missing;
    missing.addArg(KString("-w"));
    KArgDatabase db3(syn, missing, &st);
    EXPECT_TRUE(st.error());
}

TEST(Windowless, ControlsDoNotExistAndRefreshIsRecorded) {
    Session s;
    tarn::commands::renderNodeWindowRefreshes().clear();
    auto r = s.run("window -exists createRenderNodeWindow");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.value.asInt(), 0);
    EXPECT_FALSE(s.run("intSliderGrp -e -value 3 someSlider").ok);
    EXPECT_TRUE(s.run("refreshCreateRenderNodeWindow(\"texture/2d\")").ok);
    EXPECT_EQ(tarn::commands::renderNodeWindowRefreshes(), std::vector<std::string>{"texture/2d"});
    EXPECT_TRUE(s.run("deleteUI toolProperties; toolPropertyWindow").ok);
}
