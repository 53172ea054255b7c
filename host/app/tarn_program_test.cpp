// The tarn program end to end: texts, scripts, exit statuses, file:line messages, the journal
// file and the job table, run as a separate process like a user would.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string out;  ///< stdout and stderr together
};

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + name;
}

Outcome runTarn(const std::string& arguments, const std::string& stdinText = "",
                const std::string& environment = "") {
    std::string prefs = tempPath("tarn_program_test.prefs");
    std::string input = tempPath("tarn_program_test.stdin");
    {
        std::ofstream f(input);
        f << stdinText;
    }
    std::string cmd = environment + "TARN_PREFS='" + prefs + "' " TARN_BINARY_DIR "/bin/tarn " +
                      arguments + " < '" + input + "' 2>&1";
    Outcome o;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return o;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) o.out.append(buf.data(), n);
    int raw = pclose(p);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

std::string writeScript(const std::string& name, const std::string& text) {
    std::string path = tempPath(name);
    std::ofstream f(path);
    f << text;
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

}  // namespace

TEST(TarnProgram, CommandTextsAndExitStatus) {
    struct Row {
        const char* args;
        int status;
        const char* output;
    } rows[] = {
        {"-c 'print \"hi\\n\"'", 0, "hi\n"},
        {"-c '1 + 2'", 0, "// Result: 3\n"},
        {"-q -c '1 + 2'", 0, ""},
        {"-c 'noSuchCommand'", 1, "// Error: Cannot find procedure \"noSuchCommand\".\n"},
        {"-c 'print \"open'", 1, "// Error: Unterminated string starting on line 1.\n"},
    };
    for (const auto& r : rows) {
        Outcome o = runTarn(r.args);
        EXPECT_EQ(o.status, r.status) << r.args;
        EXPECT_EQ(o.out, r.output) << r.args;
    }
}

TEST(TarnProgram, ScriptFailureNamesFileAndLineAndStops) {
    std::string path =
        writeScript("tarn_fail.tcs", "print \"one\\n\";\n\nnoSuch 3;\nprint \"never\";\n");
    Outcome o = runTarn("'" + path + "'");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("one\n"), std::string::npos);
    EXPECT_NE(o.out.find("// Error: " + path + ":3: Cannot find procedure \"noSuch\"."),
              std::string::npos)
        << o.out;
    EXPECT_EQ(o.out.find("never"), std::string::npos);
}

TEST(TarnProgram, OptionVariablesPersistBetweenRuns) {
    // optionVar persists through the preferences file between two runs.
    std::string path = writeScript("tarn_ok.tcs",
                                   "optionVar -iv tarnProgramTest 41;\n"
                                   "int $v = `optionVar -q tarnProgramTest` + 1;\nprint $v;\n");
    Outcome o = runTarn("'" + path + "'");
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_EQ(o.out, "42");
    Outcome again = runTarn("-q -c 'print `optionVar -q tarnProgramTest`'");
    EXPECT_EQ(again.out, "41");
    runTarn("-c 'optionVar -remove tarnProgramTest'");
    EXPECT_EQ(runTarn("-c 'optionVar -exists tarnProgramTest'").out, "// Result: 0\n");
}

TEST(TarnProgram, IdleTextsRunAfterEachScriptStatement) {
    std::string path = writeScript("tarn_idle.tcs",
                                   "evalDeferred \"print 2\"; print 1;\n"
                                   "evalDeferred \"print 4\";\nprint 3;\n");
    Outcome o = runTarn("'" + path + "'");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "2143");
    Outcome c = runTarn("-q -c 'evalDeferred \"print 6\"; print 5;'");
    EXPECT_EQ(c.out, "65");
}

TEST(TarnProgram, JournalFileHoldsEveryText) {
    std::string journal = tempPath("tarn_journal.jsonl");
    std::remove(journal.c_str());
    Outcome o = runTarn("--journal '" + journal + "' -c 'size(\"abcd\")'");
    EXPECT_EQ(o.status, 0);
    std::string text = readFile(journal);
    EXPECT_NE(text.find("\"text\":\"size(\\\"abcd\\\")\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"result\":\"4\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"origin\":\"command-line\""), std::string::npos) << text;
}

TEST(TarnProgram, ShellReadsStatementsAcrossLines) {
    Outcome o = runTarn("-q", "int $i = 2;\nif ($i > 1) {\n  print \"big\\n\";\n}\nnoSuch;\n");
    EXPECT_EQ(o.status, 1);  // piped input: a failure makes the status non-zero
    EXPECT_NE(o.out.find("big\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("<stdin>:5: Cannot find procedure \"noSuch\"."), std::string::npos)
        << o.out;
}

TEST(TarnProgram, EachShellEntryIsOneUndoStep) {
    if (runTarn("-q -c 'print(exists(\"polyCube\") && exists(\"setAttr\"))'").out != "1")
        GTEST_SKIP() << "scene commands are not built";
    Outcome o = runTarn("",
                        "polyCube -n b1;\nsetAttr b1.translateX 4;\nundo;\n"
                        "print(`getAttr b1.translateX` + \"\\n\");\nundo;\n"
                        "print(size(`ls b1`) + \"\\n\");\nredo;\nredo;\n"
                        "print(`getAttr b1.translateX` + \"\\n\");\n");
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find("0\n0\n4\n"), std::string::npos) << o.out;
}

TEST(TarnProgram, UnfinishedInputIsReported) {
    Outcome o = runTarn("-q", "if (1) {\n print 1;\n");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("unfinished statement (line 1)"), std::string::npos) << o.out;
}

TEST(TarnProgram, DemoLoadsEveryPluginAndListsItsRegistrations) {
    // The delivered plug-ins are found too; only the probes' lines are checked here.
    Outcome o = runTarn("demo", "", "TARN_PLUGIN_PATH='" TARN_TEST_PLUGIN_DIR "' ");
    EXPECT_NE(o.out.find("langRefreshOne 1.0 (Probe)"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("node types: langRefreshTwoNode (0x7f0002)"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(" loaded, "), std::string::npos) << o.out;
}

TEST(TarnProgram, HelpListsJobsAndBadOptionsFail) {
    Outcome help = runTarn("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* job : {"demo", "swatch", "shade", "import", "--journal", "--plugin-path"})
        EXPECT_NE(help.out.find(job), std::string::npos) << job;
    // Bad arguments are status 2, whichever part of the program finds them.
    for (const char* args : {"--no-such-option", "-q -c ls extra", "'/nonexistent/script.tcs'",
                             "demo unexpected", "--journal", "swatch", "shade --size 1"})
        EXPECT_EQ(runTarn(args).status, 2) << args;
    EXPECT_EQ(runTarn("--version").status, 0);
}

// A FIFO or device given as the script is refused at once (status 2), never waited on.
TEST(TarnProgram, SpecialFilesAsScriptsAreRefusedWithoutBlocking) {
    const std::string fifo = tempPath("tarn_program_test.fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string script;
        const char* why;
    } cases[] = {{fifo, "it is a FIFO"}, {"/dev/null", "it is a device"}};
    for (const Case& c : cases) {
        // The timeout turns a regression into a failure instead of a hung test.
        const Outcome o = runTarn("'" + c.script + "'", "", "timeout 20 env ");
        EXPECT_EQ(o.status, 2) << c.script << ": " << o.out;
        EXPECT_NE(o.out.find(c.why), std::string::npos) << o.out;
    }
    std::remove(fifo.c_str());
}
