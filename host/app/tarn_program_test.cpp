// The tarn program end to end: texts, scripts, exit statuses, file:line messages, the journal
// file and the job table, run as a separate process like a user would.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/qmf/qmf_scene.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;  ///< stdout and stderr together
};

std::string tempPath(const std::string& name) {
    return ::testing::TempDir() + name;
}

// Runs the program; `errors` says where its error stream goes (by default with stdout).
Outcome runTarn(const std::string& arguments, const std::string& stdinText = "",
                const std::string& environment = "", const std::string& errors = "2>&1") {
    std::string prefs = tempPath("tarn_program_test.prefs");
    std::string input = tempPath("tarn_program_test.stdin");
    {
        std::ofstream f(input);
        f << stdinText;
    }
    std::string cmd = environment + "TARN_PREFS='" + prefs + "' " TARN_BINARY_DIR "/bin/tarn " +
                      arguments + " < '" + input + "' " + errors;
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

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::string readFile(const std::string& path) {
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// A tarn process of its own, so the test can signal it while it runs.
class Child {
public:
    explicit Child(std::vector<std::string> args, const std::string& outputPath,
                   const std::string& inputPath = "/dev/null") {
        setenv("TARN_PREFS", tempPath("tarn_program_test.prefs").c_str(), 1);
        args.insert(args.begin(), TARN_BINARY_DIR "/bin/tarn");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, inputPath.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (m_pid > 0 && !m_done) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool started() const { return m_pid > 0; }
    void signal(int s) { ::kill(m_pid, s); }
    /// The raw wait status, or -1 when the process did not end within `seconds`.
    int waitFor(double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            int raw = 0;
            if (::waitpid(m_pid, &raw, WNOHANG) == m_pid) {
                m_done = true;
                return raw;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    bool m_done = false;
};

// Waits until `path` holds `text` (true) or `seconds` pass (false).
bool waitForText(const std::string& path, const std::string& text, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (readFile(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace

TEST(TarnProgram, SignalsStopScriptsAtTheNextStatementAndKeepTheJournal) {
    // The idle text "1" runs and is journalled before the endless loop starts; its line in the
    // journal file shows the run got that far.
    const std::string script =
        writeScript("tarn_endless.tcs", "evalDeferred \"1\";\nwhile (1) {}\n");
    const struct {
        const char* what;
        std::vector<std::string> args;
        int signal;
        const char* message;
    } cases[] = {
        {"-c, Ctrl-C", {"-c", "evalDeferred \"1\"; while(1){}"}, SIGINT, "stopped by SIGINT"},
        {"-c, SIGTERM", {"-c", "evalDeferred \"1\"; while(1){}"}, SIGTERM, "stopped by SIGTERM"},
        {"script, Ctrl-C", {script}, SIGINT, "the script stopped here"},
        {"proc loop, SIGTERM",
         {"-c", "evalDeferred \"1\"; proc spin() { for ($i = 0; ; $i++) { int $x = 1; } }; spin"},
         SIGTERM,
         "stopped by SIGTERM"},
    };
    for (const auto& c : cases) {
        const std::string journal = tempPath("tarn_signal_journal.jsonl");
        const std::string output = tempPath("tarn_signal_output.txt");
        std::remove(journal.c_str());
        std::vector<std::string> args{"--journal", journal};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Child child(args, output);
        ASSERT_TRUE(child.started()) << c.what;
        ASSERT_TRUE(waitForText(journal, "\"origin\":\"idle\"", 60)) << c.what;
        child.signal(c.signal);
        const int raw = child.waitFor(10);
        ASSERT_NE(raw, -1) << c.what << ": did not stop";
        ASSERT_TRUE(WIFEXITED(raw)) << c.what << ": ended by signal " << WTERMSIG(raw);
        EXPECT_EQ(WEXITSTATUS(raw), 1) << c.what;
        const std::string out = readFile(output);
        EXPECT_NE(out.find("// Error: "), std::string::npos) << c.what << ": " << out;
        EXPECT_NE(out.find("Interrupted."), std::string::npos) << c.what << ": " << out;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.what << ": " << out;
        // The journal holds the idle text and the stopped text, one JSON object per line.
        const std::string lines = readFile(journal);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << c.what << ":\n" << lines;
        EXPECT_NE(lines.find("\"status\":1"), std::string::npos) << c.what << ":\n" << lines;
        EXPECT_NE(lines.find("Interrupted."), std::string::npos) << c.what << ":\n" << lines;
    }
}

TEST(TarnProgram, CtrlCInTheShellStopsTheStatementNotTheShell) {
    const std::string journal = tempPath("tarn_shell_journal.jsonl");
    const std::string output = tempPath("tarn_shell_output.txt");
    std::remove(journal.c_str());
    const std::string input = writeScript(
        "tarn_shell_input.txt",
        // The idle text runs inside the looping entry, so the signal cannot come before it.
        "evalDeferred \"1\"; flushIdleQueue; while (1) {}\nprint \"after\\n\";\n");
    Child child({"-q", "--journal", journal}, output, input);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitForText(journal, "\"origin\":\"idle\"", 60)) << readFile(journal);
    child.signal(SIGINT);
    const int raw = child.waitFor(10);
    ASSERT_NE(raw, -1);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);  // piped input with a failed statement
    const std::string out = readFile(output);
    EXPECT_NE(out.find("Interrupted."), std::string::npos) << out;
    EXPECT_NE(out.find("after\n"), std::string::npos) << out;
}

TEST(TarnProgram, JournalLinesAreOnDiskBeforeTheRunEnds) {
    // Killed outright, the run still leaves every text that had finished.
    const std::string journal = tempPath("tarn_killed_journal.jsonl");
    std::remove(journal.c_str());
    Child child({"--journal", journal, "-c", "evalDeferred \"size(\\\"abc\\\")\"; while(1){}"},
                tempPath("tarn_killed_output.txt"));
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitForText(journal, "\"result\":\"3\"", 60)) << readFile(journal);
    child.signal(SIGKILL);
    ASSERT_NE(child.waitFor(10), -1);
    EXPECT_NE(readFile(journal).find("\"text\":\"size(\\\"abc\\\")\""), std::string::npos)
        << readFile(journal);
}

TEST(TarnProgram, AJournalThatCannotBeWrittenStopsTheRunAtStart) {
    const std::string fifo = tempPath("tarn_journal_fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string plain = writeScript("tarn_plain_file", "not a folder");
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {::testing::TempDir(), "it is a folder"},
        {plain + "/journal", "Not a directory"},
        {fifo, "no process is reading the FIFO"},
    };
    for (const auto& c : cases) {
        Outcome o = runTarn("--journal '" + c.path + "' -c 'print \"ran\"'");
        EXPECT_EQ(o.status, 2) << c.path;
        EXPECT_NE(o.out.find("tarn: --journal: cannot write"), std::string::npos) << o.out;
        EXPECT_NE(o.out.find(c.reason), std::string::npos) << o.out;
        EXPECT_EQ(o.out.find("ran"), std::string::npos) << o.out;
    }
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::remove(fifo.c_str());

    // A journal on a device is written in place; a full one makes the run fail.
    EXPECT_EQ(runTarn("--journal /dev/null -c 'print 1'").status, 0);
    // /dev/stdout names a pipe here (no path in any folder): written in place all the same.
    Outcome piped = runTarn("--journal /dev/stdout -q -c 'size(\"ab\")'");
    EXPECT_EQ(piped.status, 0);
    EXPECT_NE(piped.out.find("\"result\":\"2\""), std::string::npos) << piped.out;
    Outcome full = runTarn("--journal /dev/full -c 'print 1'");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find("journal incomplete"), std::string::npos) << full.out;
    EXPECT_NE(full.out.find("No space left"), std::string::npos) << full.out;
}

// Opening the journal empties its file: a journal that names the script, the preferences or a
// file a job reads, however the path is spelled, is refused before anything runs, and a script
// cannot source the journal it is writing.
TEST(TarnProgram, AJournalNamingAFileTheRunReadsIsRefused) {
    namespace fs = std::filesystem;
    const std::string scriptText = "print \"ran\";\n";
    const std::string script = writeScript("tarn_guard_script.tcs", scriptText);
    const std::string prefs = tempPath("tarn_program_test.prefs");  // TARN_PREFS of runTarn
    ASSERT_EQ(runTarn("-c 'optionVar -iv keep 4'").status, 0);
    const std::string prefsText = readFile(prefs);
    ASSERT_NE(prefsText.find("keep"), std::string::npos);
    const std::string scene = writeScript("tarn_guard_scene.qmf", "any bytes");
    const std::string link = tempPath("tarn_guard_link.tcs"),
                      hard = tempPath("tarn_guard_hard.tcs");
    fs::remove(link);
    fs::remove(hard);
    fs::create_symlink(script, link);
    fs::create_hard_link(script, hard);
    fs::create_directories(tempPath("tarn_guard_dir"));
    const struct {
        std::string arguments;
        const char* role;
    } cases[] = {
        {"--journal '" + script + "' '" + script + "'", "is the script to run"},
        {"--journal '" + tempPath("tarn_guard_dir/../tarn_guard_script.tcs") + "' '" + script + "'",
         "is the script to run"},
        {"--journal '" + link + "' '" + script + "'", "is the script to run"},
        {"--journal '" + hard + "' '" + script + "'", "is the script to run"},
        {"--journal '" + prefs + "' -c 'print \"ran\"'", "is the preferences file"},
        {"--journal '" + prefs + "' '" + script + "'", "is the preferences file"},
        {"import '" + scene + "' --journal '" + scene + "'", "is a file the job's words name"},
    };
    for (const auto& c : cases) {
        const Outcome o = runTarn(c.arguments);
        EXPECT_EQ(o.status, 2) << c.arguments << "\n" << o.out;
        EXPECT_NE(o.out.find("tarn: --journal: "), std::string::npos) << o.out;
        EXPECT_NE(o.out.find(c.role), std::string::npos) << o.out;
        EXPECT_NE(o.out.find("the journal would empty it"), std::string::npos) << o.out;
        EXPECT_EQ(o.out.find("ran"), std::string::npos) << o.out;
        EXPECT_EQ(readFile(script), scriptText);
        EXPECT_EQ(readFile(prefs), prefsText);
        EXPECT_EQ(readFile(scene), "any bytes");
    }
    // Sourcing the journal being written is refused; the journal keeps its lines.
    const std::string journal = tempPath("tarn_guard_journal.jsonl");
    const Outcome o =
        runTarn("--journal '" + journal + "' -c 'print \"first\"; source \"" + journal + "\"'");
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find("it is this session's journal"), std::string::npos) << o.out;
    EXPECT_NE(readFile(journal).find("\"status\":1"), std::string::npos) << readFile(journal);
    for (const std::string& f : {link, hard, journal, scene}) fs::remove(f);
}

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

TEST(TarnProgram, QuietEchoesNoTextAPlugInRunsWithDisplayOn) {
    // surfaceBake runs its texture script with display on; its files go to TMPDIR.
    const std::string dir = tempPath("tarn_quiet_bake");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string env = "TMPDIR='" + dir + "' ";
    const std::string text =
        "-c 'loadPlugin surfaceBake; polyPlane -n quietPlane; select quietPlane; "
        "surfaceBake -wt 4 -ht 4;'";
    const Outcome loud = runTarn(text, "", env, "2>/dev/null");
    EXPECT_EQ(loud.status, 0) << loud.out;
    EXPECT_NE(loud.out.find("string $newFileName = `shadingNode -asTexture file`;"),
              std::string::npos)
        << loud.out;
    const Outcome quiet = runTarn("-q " + text, "", env, "2>/dev/null");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_TRUE(std::filesystem::exists(dir + "/quietPlane_uv.iff"));
    std::filesystem::remove_all(dir);
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
    Outcome o = runTarn("demo --list", "", "TARN_PLUGIN_PATH='" TARN_TEST_PLUGIN_DIR "' ");
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
    for (const char* args :
         {"--no-such-option", "-q -c ls extra", "'/nonexistent/script.tcs'", "demo unexpected",
          "demo --out", "demo --list --quick", "--journal", "swatch", "shade --size 1"})
        EXPECT_EQ(runTarn(args).status, 2) << args;
    EXPECT_EQ(runTarn("--version").status, 0);
    EXPECT_EQ(runTarn("demo --help").status, 0);
}

// Every job from the command line: exit status and the first line a user sees. Messages of a
// job start with "tarn JOB: "; bad arguments are status 2 in every job, failures 1.
TEST(TarnProgram, JobCommandLines) {
    const std::string dir = tempPath("tarn_jobs/");
    std::filesystem::create_directories(dir);
    const std::string scene = dir + "sample.qmf";
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    // The picture the scene's material names, beside it as in examples/qmf.
    std::filesystem::copy_file(TARN_SOURCE_DIR "/examples/qmf/checker.png", dir + "checker.png",
                               std::filesystem::copy_options::overwrite_existing);
    const std::string png = dir + "out.png";
    struct Row {
        std::string args;
        int status;
        std::string first;  ///< first line of stdout and stderr together
    } rows[] = {
        // --help for every job, with global options before or after the job name.
        {"demo --help", 0, "usage: tarn demo"},
        {"swatch --help", 0, "usage: tarn swatch [PLUGIN] NODE_TYPE [options]"},
        {"shade --help", 0,
         "usage: tarn shade [--set ATTR=VALUE[,VALUE,VALUE] ...] [--light DX,DY,DZ,R,G,B ...]"},
        {"import --help", 0, "usage: tarn import FILE [--summary] [--json] [--obj OUT.obj]"},
        {"-q shade --help", 0,
         "usage: tarn shade [--set ATTR=VALUE[,VALUE,VALUE] ...] [--light DX,DY,DZ,R,G,B ...]"},
        {"import -q --help", 0, "usage: tarn import FILE [--summary] [--json] [--obj OUT.obj]"},
        // Success notes on the error stream, silenced by -q wherever it stands.
        {"swatch denim --size 16 -o '" + png + "'", 0, "tarn swatch: wrote " + png + " (16x16)"},
        {"swatch twillPattern denim --size 16 -o '" + png + "'", 0,
         "tarn swatch: wrote " + png + " (16x16)"},
        {"-q swatch denim --size 16 -o '" + png + "'", 0, ""},
        {"swatch denim --size 16 -o '" + png + "' -q", 0, ""},
        {"--plugin-path /nonexistent swatch denim --size 8 -o '" + png + "' --quiet", 0, ""},
        {"shade --size 8 -o '" + png + "'", 0, "tarn shade: wrote " + png + " (8x8)"},
        {"import '" + scene + "' -q", 0, "meshes: 4 (28 vertices, 38 faces)"},
        // The same faults give the same status in every job.
        {"swatch denim --set noSuchAttr=1 -o '" + png + "'", 2,
         "tarn swatch: denim has no attribute 'noSuchAttr'"},
        {"shade --set noSuchAttr=1 -o '" + png + "'", 2,
         "tarn shade: DermalShade has no attribute 'noSuchAttr'"},
        {"swatch denim --set uWidth=wide -o '" + png + "'", 2,
         "tarn swatch: uWidth: 'wide' is not a number"},
        // A number a float attribute would hold as infinity is refused, not rendered as NaN.
        {"swatch denim --set colorGain=1,1e39,1 -o '" + png + "'", 2,
         "tarn swatch: colorGain takes finite numbers ('1e39' is out of range)"},
        {"swatch denim --size 8193", 2, "tarn swatch: --size: expected 1 to 8192, got '8193'"},
        {"swatch denim --size 64 --tile 65", 2,
         "tarn swatch: --tile 65 is more than --size 64 (a tile needs a pixel at least)"},
        {"swatch denim --samples 17", 2, "tarn swatch: --samples: expected 1 to 16, got '17'"},
        {"swatch noSuchNodeType", 2,
         "tarn swatch: no plug-in on the plug-in path registers a node type named "
         "'noSuchNodeType'"},
        {"shade --size 4097 -o '" + png + "'", 2,
         "tarn shade: --size must be a whole number from 8 to 4096"},
        {"import", 2, "tarn import: no file given"},
        {"demo unexpected", 2, "tarn demo: unexpected argument 'unexpected'"},
        {"import /nonexistent/scene.qmf", 1, "tarn import: File not found: /nonexistent/scene.qmf"},
        {"shade --size 8 -o /nonexistent/dir/x.png", 1, "tarn shade: "},
        // A word that is no job and no file is said to be neither.
        {"render x", 2,
         "tarn: 'render' is neither a job (demo, swatch, shade, import, replay, view) nor a script "
         "file."},
    };
    for (const Row& r : rows) {
        const Outcome o = runTarn(r.args);
        EXPECT_EQ(o.status, r.status) << r.args << "\n" << o.out;
        if (r.first.empty()) {
            EXPECT_EQ(o.out, "") << r.args;
        } else {
            EXPECT_EQ(firstLine(o.out).substr(0, r.first.size()), r.first) << r.args << "\n"
                                                                           << o.out;
        }
    }
    std::filesystem::remove_all(dir);
}

// The jobs read as one family: one rule for when the usage is shown, the same spelling for the
// same idea (old spellings kept), defaults where one is obvious, and -q quiet in every job.
TEST(TarnProgram, JobsFollowOneSetOfRules) {
    const std::string dir = tempPath("tarn_job_family/");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string hint = "Run 'tarn %s --help' for the options.";
    // Words that are no command line of the job show the whole usage; a wrong value shows one
    // line pointing to --help instead. Both are status 2.
    struct Refusal {
        const char* job;
        std::string args;
        bool usage;
    } refusals[] = {
        {"swatch", "--bogus denim", true},
        {"swatch", "denim --size", true},
        {"swatch", "", true},
        {"swatch", "denim --size 0", false},
        {"swatch", "noSuchNodeType", false},
        {"swatch", "denim --set x=1", false},
        {"shade", "--bogus", true},
        {"shade", "--light 0 0 1", true},
        {"shade", "--light 0,0,1", false},
        {"shade", "--size 4097", false},
        {"shade", "--set noSuchAttr=1", false},
        {"import", "", true},
        {"import", "a.qmf b.qmf", true},
        {"import", "a.qmf --snapshot x.png --size 0", false},
        {"import", "a.qmf --camera c", false},
        {"demo", "--bogus", true},
        {"demo", "--list --quick", true},
    };
    // Run in the scratch folder, which a refused command line leaves empty.
    const std::string in = "cd '" + dir + "' && ";
    for (const Refusal& r : refusals) {
        const std::string args = std::string(r.job) + " " + r.args;
        const Outcome o = runTarn(args, "", in, "2>&1 >/dev/null");
        EXPECT_EQ(o.status, 2) << args << "\n" << o.out;
        EXPECT_EQ(o.out.rfind(std::string("tarn ") + r.job + ": ", 0), 0u) << args << "\n" << o.out;
        char line[128];
        std::snprintf(line, sizeof line, hint.c_str(), r.job);
        const bool usageShown =
            o.out.find("usage: tarn " + std::string(r.job)) != std::string::npos;
        EXPECT_EQ(usageShown, r.usage) << args << "\n" << o.out;
        EXPECT_EQ(o.out.find(line) != std::string::npos, !r.usage) << args << "\n" << o.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    // shade writes DermalShade.png without -o, as swatch writes NODE_TYPE.png; its lights take
    // numbers separated by commas, and the older spelling with spaces gives the same picture.
    const Outcome defaults = runTarn("shade --size 8", "", in);
    EXPECT_EQ(defaults.status, 0) << defaults.out;
    EXPECT_EQ(firstLine(defaults.out), "tarn shade: wrote DermalShade.png (8x8)");
    EXPECT_TRUE(std::filesystem::exists(dir + "DermalShade.png"));
    const std::string spaced = dir + "spaced.png", commas = dir + "commas.png";
    ASSERT_EQ(runTarn("-q shade --size 16 --light 0.3 0.2 1 1 0.8 0.6 --ambient 0.1 0.1 0.1 -o '" +
                      spaced + "'")
                  .status,
              0);
    ASSERT_EQ(runTarn("-q shade --size 16 --light 0.3,0.2,1,1,0.8,0.6 --ambient 0.1,0.1,0.1 -o '" +
                      commas + "'")
                  .status,
              0);
    EXPECT_EQ(readFile(spaced), readFile(commas));
    EXPECT_NE(readFile(commas), readFile(dir + "DermalShade.png"));

    // shade --list lists the node type's attributes as swatch --list does.
    const Outcome list = runTarn("shade --list");
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_EQ(firstLine(list.out).rfind("Node type DermalShade (plug-in DermalShade)", 0), 0u)
        << list.out;
    EXPECT_NE(list.out.find("dermis"), std::string::npos);

    // import sizes its snapshot with --size (N, or WxH) like the other jobs; --width and
    // --height still work.
    const std::string scene = dir + "sample.qmf";
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    const std::string bySize = dir + "size.png", bySides = dir + "sides.png";
    ASSERT_EQ(runTarn("-q import '" + scene + "' --snapshot '" + bySize + "' --size 40x24").status,
              0);
    ASSERT_EQ(
        runTarn("-q import '" + scene + "' --snapshot '" + bySides + "' --width 40 --height 24")
            .status,
        0);
    EXPECT_EQ(readFile(bySize), readFile(bySides));
    const Outcome info = runTarn("-q -c 'int $s[] = `imageInfo \"" + bySize +
                                 "\"`; print ($s[0] + \"x\" + $s[1]);'");
    EXPECT_EQ(info.out, "40x24");

    // -q silences demo's progress lines and the page's path, as it silences every job's notes.
    const std::string noExamples = dir + "no_examples";
    std::filesystem::create_directories(noExamples);
    const std::string demo =
        "demo --quick --examples '" + noExamples + "' --out '" + dir + "gallery'";
    const Outcome loud = runTarn(demo, "", "", "2>/dev/null");
    EXPECT_NE(loud.out.find("[1/8] "), std::string::npos) << loud.out;
    const Outcome quiet = runTarn("-q " + demo, "", "", "2>/dev/null");
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.status, loud.status);
    std::filesystem::remove_all(dir);
}

TEST(TarnProgram, LateLimitsAreRefusedBeforeAnyWork) {
    // The largest swatch the image writer takes is refused at once one pixel past it: no
    // plug-in is loaded and nothing is rendered (the refusal takes well under a second).
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = runTarn("swatch denim --size 8193 -o '" + tempPath("never.png") + "'");
    EXPECT_EQ(o.status, 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(std::filesystem::exists(tempPath("never.png")));
}

TEST(TarnProgram, JsonOutputsParse) {
    const std::string scene = tempPath("tarn_json.qmf");
    ASSERT_TRUE(qmf::saveBytes(scene, qmf::writeScene(qmf::sampleScene())));
    const std::string obj = tempPath("tarn_json.obj");
    // The job's standard output is the JSON alone, also with an export asked for.
    Outcome job =
        runTarn("import '" + scene + "' --json --obj '" + obj + "'", "", "", "2>/dev/null");
    EXPECT_EQ(job.status, 0);
    nlohmann::json doc = nlohmann::json::parse(job.out, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << job.out;
    // A command text's bare result.
    Outcome bare = runTarn("--result-only -c 'polyCube -n jsonCube; describeScene -json'");
    EXPECT_EQ(bare.status, 0);
    doc = nlohmann::json::parse(bare.out, nullptr, false);
    ASSERT_FALSE(doc.is_discarded()) << bare.out;
    EXPECT_NE(bare.out.find("jsonCube"), std::string::npos);
    EXPECT_EQ(runTarn("--result-only -c '1 + 2'").out, "3\n");
    std::remove(scene.c_str());
    std::remove(obj.c_str());
}

TEST(TarnProgram, ShellEndsAtExitOrQuit) {
    for (const char* leave : {"exit", "quit", "exit;", "  quit ; "}) {
        const Outcome o = runTarn("-q", std::string("print 1;\n") + leave + "\nprint 2;\n");
        EXPECT_EQ(o.status, 0) << leave;
        EXPECT_EQ(o.out, "1") << leave;
    }
}

TEST(TarnProgram, PipedOutputKeepsItsOrder) {
    // Printed text and an error that follows it arrive in the order they were made.
    const Outcome o = runTarn("-c 'print \"first\\n\"; noSuchCommand;'");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(firstLine(o.out), "first") << o.out;
}

TEST(TarnProgram, HelpDescribesNodeTypes) {
    const Outcome o = runTarn("-q -c 'loadPlugin twillPattern; help denim'");
    EXPECT_EQ(o.status, 0) << o.out;
    EXPECT_NE(o.out.find("Node type denim (plug-in twillPattern)"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("outColor"), std::string::npos) << o.out;
    // Not loaded yet: the plug-in that has it is named.
    const Outcome unloaded = runTarn("-c 'help denim'");
    EXPECT_EQ(unloaded.status, 1);
    EXPECT_NE(unloaded.out.find("loadPlugin twillPattern"), std::string::npos) << unloaded.out;
    // The swatch job lists the same.
    const Outcome list = runTarn("swatch denim --list");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(firstLine(list.out), "Node type denim (plug-in twillPattern), classified texture/2d")
        << list.out;
}

TEST(TarnProgram, HelpNamesThePluginOfCommandsAndContextsNotLoaded) {
    const struct {
        const char* name;
        const char* what;
        const char* plugin;
    } cases[] = {{"surfaceBake", "a command", "surfaceBake"},
                 {"slicePenContext", "a tool context command", "slicePen"},
                 {"polyMapCutFacesBorder", "a command", "patchCast"}};
    for (const auto& c : cases) {
        const Outcome o = runTarn(std::string("-c 'help ") + c.name + "'");
        EXPECT_EQ(o.status, 1) << c.name;
        EXPECT_NE(o.out.find(std::string(c.name) + " is " + c.what + " of the plug-in " + c.plugin +
                             "; loadPlugin " + c.plugin + " first"),
                  std::string::npos)
            << o.out;
    }
    // Loaded, the command's own usage is shown.
    const Outcome loaded = runTarn("-q -c 'loadPlugin surfaceBake; help surfaceBake'");
    EXPECT_EQ(loaded.status, 0) << loaded.out;
    EXPECT_NE(loaded.out.find("Registered by surfaceBake."), std::string::npos) << loaded.out;
}

TEST(TarnProgram, HelpSetsWindowlessInterfaceCommandsApart) {
    const Outcome list = runTarn("-c help");
    EXPECT_EQ(list.status, 0);
    const auto interface = list.out.find("Interface commands (accepted for scripts' sake");
    ASSERT_NE(interface, std::string::npos) << list.out;
    // Every windowless command is listed after that heading, and the real ones before it.
    const auto words = [](const std::string& text) {
        std::set<std::string> found;
        std::istringstream in(text);
        for (std::string w; in >> w;) found.insert(w);
        return found;
    };
    const std::set<std::string> working = words(list.out.substr(0, interface));
    const std::set<std::string> windowless = words(list.out.substr(interface));
    for (const char* name : {"button", "checkBox", "floatSliderGrp", "window", "deleteUI"}) {
        EXPECT_EQ(windowless.count(name), 1u) << name;
        EXPECT_EQ(working.count(name), 0u) << name;
    }
    for (const char* name : {"setAttr", "polyCube", "print"}) {
        EXPECT_EQ(working.count(name), 1u) << name;
        EXPECT_EQ(windowless.count(name), 0u) << name;
    }
    const Outcome one = runTarn("-c 'help floatSliderGrp'");
    EXPECT_EQ(one.status, 0);
    EXPECT_NE(one.out.find("accepted for scripts' sake"), std::string::npos) << one.out;
    EXPECT_NE(one.out.find("does nothing visible"), std::string::npos) << one.out;
    EXPECT_EQ(runTarn("-c 'help setAttr'").out.find("does nothing visible"), std::string::npos);
}

TEST(TarnProgram, ImportMessagesSayWhatToDo) {
    const std::string scene = tempPath("tarn_messages.qmf");
    const std::vector<uint8_t> bytes = qmf::writeScene(qmf::sampleScene());
    ASSERT_TRUE(qmf::saveBytes(scene, bytes));
    // Before the reader is loaded: the plug-in that reads the format is named.
    for (const std::string& flags : {std::string(), std::string("-type \"QMF\" ")}) {
        const Outcome o = runTarn("-c 'file -import " + flags + "\"" + scene + "\"'");
        EXPECT_EQ(o.status, 1) << flags;
        EXPECT_NE(o.out.find("loadPlugin sceneReader"), std::string::npos) << o.out;
    }
    // A refused file says why.
    const std::string wrong = tempPath("tarn_wrong.qmf");
    ASSERT_TRUE(qmf::saveBytes(wrong, {0x12, 0x34, 6, 0, 0, 0}));
    const Outcome refused = runTarn("import '" + wrong + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("the first chunk id is 0x3412"), std::string::npos) << refused.out;
    // A file cut at half its length imports what it could, with a warning naming the offset;
    // the texture its material names is not beside it, which is the other warning.
    ASSERT_TRUE(qmf::saveBytes(
        scene, std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2)));
    const Outcome cut = runTarn("import '" + scene + "'", "", "", "2>/dev/null");
    EXPECT_EQ(cut.status, 0);
    EXPECT_NE(cut.out.find("warnings: 2\n  QMF import: the data ends at offset " +
                           std::to_string(bytes.size() / 2)),
              std::string::npos)
        << cut.out;
    EXPECT_NE(cut.out.find("  QMF import: the texture file \"checker.png\" of file1 was found "
                           "neither beside the imported file nor from the working folder"),
              std::string::npos)
        << cut.out;
    std::remove(scene.c_str());
    std::remove(wrong.c_str());
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
