// The tarn program: runs command texts, script files, an interactive shell, or a batch job.
//
//   tarn [options] [FILE]          run FILE (or the interactive shell without one); a scene
//                                  file (.tscene) is opened, then the shell runs on it
//   tarn [options] -c TEXT         run TEXT (after opening SCENE when one is given)
//   tarn [options] <job> [job arguments] [options]
//                                  run a batch job (demo, swatch, shade, import)

#include "frame/k_string.h"
#include "host/app/job_table.h"
#include "host/app/shell.h"
#include "host/app/stop_signals.h"
#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/journal.h"
#include "host/lang/option_vars.h"
#include "host/lang/python_host.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_report.h"
#include "host/version.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tarn;

struct Options {
    std::string file;
    std::string text;
    std::string journalPath;
    std::string pluginPath;
    bool quiet = false;
    bool resultOnly = false;
};

// The options that mean the same before and after a job name.
struct GlobalWord {
    const char* name;
    bool takesValue;
};
constexpr GlobalWord kGlobalWords[] = {
    {"-q", false}, {"--quiet", false}, {"--journal", true}, {"--plugin-path", true}};

// Takes a global option at args[at] into `o`; answers how many words it used (0: not one).
// A missing value is left for the caller to report.
int takeGlobal(const std::vector<std::string>& args, std::size_t at, Options& o) {
    const std::string& w = args[at];
    for (const GlobalWord& g : kGlobalWords) {
        const std::string name = g.name;
        std::optional<std::string> value;
        int used = 1;
        if (w == name) {
            if (g.takesValue) {
                if (at + 1 >= args.size()) return 0;
                value = args[at + 1];
                used = 2;
            }
        } else if (g.takesValue && w.rfind(name + "=", 0) == 0) {
            value = w.substr(name.size() + 1);
        } else {
            continue;
        }
        if (name == "--journal")
            o.journalPath = *value;
        else if (name == "--plugin-path")
            o.pluginPath = *value;
        else
            o.quiet = true;
        return used;
    }
    return 0;
}

// When the first word that is not a global option names a job, splits the command line into
// the global options (before and after the job name) and the job's own words.
const app::Job* splitJobLine(const std::vector<std::string>& args, Options& o,
                             std::vector<std::string>& jobArgs) {
    Options found;
    std::size_t at = 0;
    while (at < args.size()) {
        const int used = takeGlobal(args, at, found);
        if (used == 0) break;
        at += used;
    }
    if (at >= args.size()) return nullptr;
    const app::Job* job = app::findJob(args[at]);
    if (!job) return nullptr;
    for (++at; at < args.size();) {
        const int used = takeGlobal(args, at, found);
        if (used == 0)
            jobArgs.push_back(args[at++]);
        else
            at += used;
    }
    o = found;
    return job;
}

bool wantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

int runText(const Options& o) {
    lang::ExecuteOptions eo;
    eo.undo = true;
    eo.origin = "command-line";
    eo.flushIdleEachStatement = true;
    lang::RunResult r = lang::executeText(o.text, eo);
    if (r.ok && !o.quiet && !r.value.isNone()) {
        if (o.resultOnly) {
            // The bare value, one line, for programs that read it (JSON stays JSON).
            std::string text = r.value.toDisplay();
            if (text.empty() || text.back() != '\n') text += '\n';
            std::fputs(text.c_str(), stdout);
        } else {
            lang::scriptOutput(lang::OutputKind::Result, r.value.toDisplay());
        }
    }
    return r.ok ? 0 : 1;
}

// A Python script runs in the embedded interpreter on the host's scene; sys.argv[0] is its path.
int runPythonFile(const Options& o) {
    std::string error;
    lang::PythonRun run;
    if (!lang::readTextFile(o.file, run.code, &error)) {
        std::fprintf(stderr, "tarn: %s\n", error.c_str());
        return 2;
    }
    run.fileName = o.file;
    run.argv = {o.file};
    lang::runPython(run);
    if (!run.error.empty()) std::fprintf(stderr, "%s\n", run.error.c_str());
    return run.status;
}

// True for a name the program opens as a scene instead of running it.
bool isSceneFile(const std::string& path) {
    const std::string ext = ".tscene";
    return path.size() > ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0;
}

// Opens a scene file with the `file` command, so the journal shows it.
int openScene(const Options& o) {
    lang::ExecuteOptions eo;
    eo.undo = true;
    eo.origin = "command-line";
    const std::string text = "file -open \"" + escapeCommandString(KString(o.file)).str() + "\"";
    const lang::RunResult r = lang::executeText(text, eo);
    return r.ok ? 0 : 1;
}

int runFile(const Options& o) {
    if (std::filesystem::path(o.file).extension() == ".py") return runPythonFile(o);
    std::string text, error;
    if (!lang::readTextFile(o.file, text, &error)) {
        std::fprintf(stderr, "tarn: %s\n", error.c_str());
        return 2;
    }
    lang::ExecuteOptions eo;
    eo.undo = true;
    eo.origin = "script";
    eo.sourceName = o.file;
    eo.flushIdleEachStatement = true;
    lang::RunResult r = lang::executeText(text, eo);
    if (!r.ok) {
        std::fprintf(stderr, "tarn: %s:%d: the script stopped here.\n", o.file.c_str(), r.line);
        return 1;
    }
    return 0;
}

int finish(const Options& o, int status) {
    lang::idleQueue().flush();
    if (int signal = app::stopSignal()) {
        std::fprintf(stderr, "tarn: stopped by %s.\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
        if (status == 0) status = 1;
    }
    if (!o.journalPath.empty()) {
        std::string error;
        if (!lang::journal().closeStream(&error)) {
            std::fprintf(stderr, "tarn: journal incomplete: %s\n", error.c_str());
            if (status == 0) status = 1;
        }
    }
    return status;
}

// Opens the journal before anything runs; false (after a message) when it cannot be written or
// names a file the run reads: opening empties it, so the script or preferences would be lost.
bool openJournal(const Options& o, std::vector<lang::JournalGuard> reads) {
    if (o.journalPath.empty()) return true;
    reads.push_back({"the preferences file", lang::defaultPrefsPath()});
    std::string error = lang::journalClash(o.journalPath, reads);
    if (error.empty() && lang::journal().streamTo(o.journalPath, &error)) return true;
    std::fprintf(stderr, "tarn: --journal: %s\n", error.c_str());
    return false;
}

std::string jobsHelp() {
    std::string text =
        "Jobs (tarn JOB --help for their options; -q, --journal and --plugin-path\n"
        "may stand before or after the job name):\n";
    for (const auto& job : app::jobs()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-8s %s\n", job.name, job.summary);
        text += line;
    }
    return text;
}

int runJob(const app::Job& job, const std::vector<std::string>& args, const Options& o) {
    if (wantsHelp(args)) {
        std::fputs(job.usage(), stdout);
        return 0;
    }
    if (!o.pluginPath.empty()) plugins::PluginLoader::instance().setExplicitPath(o.pluginPath);
    // Every existing file the job's words name (a script, a scene to import) is protected.
    std::vector<lang::JournalGuard> reads;
    for (const std::string& a : args) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(a, ec))
            reads.push_back({"a file the job's words name", a});
    }
    if (!openJournal(o, std::move(reads))) return 2;
    jobs::setQuiet(o.quiet);
    lang::setEchoShown(!o.quiet);
    int status = 0;
    try {
        status = job.run(args);
    } catch (const std::exception& e) {
        jobs::message(job.name, e.what());
        status = 1;
    }
    return finish(o, status);
}

int runProgram(int argc, char** argv) {
    // Messages (stderr) and results (stdout) keep their order when stdout is a pipe or file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const std::vector<std::string> words(argv + 1, argv + argc);
    {
        Options o;
        std::vector<std::string> jobArgs;
        if (const app::Job* job = splitJobLine(words, o, jobArgs)) return runJob(*job, jobArgs, o);
    }

    Options o;
    CLI::App cli{"tarn: the stand-in host. Runs command texts, scripts and batch jobs.", "tarn"};
    cli.footer(jobsHelp());
    cli.add_option("file", o.file,
                   "Script file to run, or scene file (.tscene) to open (the interactive shell "
                   "without one, and after a scene without -c)");
    auto* textOpt = cli.add_option("-c,--command", o.text, "Run TEXT instead of a file");
    cli.add_option("--journal", o.journalPath,
                   "Write every executed text with its flags, result and status to FILE "
                   "(JSON lines)");
    cli.add_option("--plugin-path", o.pluginPath, "Folder searched for plug-ins by name");
    cli.add_flag("-q,--quiet", o.quiet, "No banner, no result lines, no job progress or notes");
    cli.add_flag("--result-only", o.resultOnly,
                 "With -c: print the bare result (no \"// Result: \" prefix), e.g. JSON");
    cli.set_version_flag("--version", std::string(hostVersion()));
    // A script and a text do not go together; a scene and a text do (the text runs on it).
    // A first word that is neither an option, a job nor a file is said to be so.
    for (std::size_t i = 0; i < words.size(); ++i) {
        Options ignored;
        if (const int used = takeGlobal(words, i, ignored)) {
            i += used - 1;
            continue;
        }
        const std::string& w = words[i];
        if (w.empty() || w[0] == '-') break;
        // A word that looks like a path is left for the script reader to report.
        std::error_code ec;
        if (w.find_first_of("/.") == std::string::npos && !std::filesystem::exists(w, ec)) {
            std::fprintf(stderr,
                         "tarn: '%s' is neither a job (%s) nor a script file.\n"
                         "Run 'tarn --help' for the usage.\n",
                         w.c_str(), app::jobNames().c_str());
            return 2;
        }
        break;
    }
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with 0; every bad argument is status 2.
        return cli.exit(e) == 0 ? 0 : 2;
    }

    if (!o.pluginPath.empty()) plugins::PluginLoader::instance().setExplicitPath(o.pluginPath);
    // The journal is written as texts finish; a place it cannot go is refused before anything runs.
    if (!openJournal(o, {{"the script to run", o.file}})) return 2;

    // Quiet: texts that plug-ins run with display on are not echoed either.
    lang::setEchoShown(!o.quiet);
    const bool withText = !o.text.empty() || textOpt->count() > 0;
    const bool scene = !o.file.empty() && isSceneFile(o.file);
    if (withText && !o.file.empty() && !scene) {
        std::fprintf(stderr, "tarn: -c runs a text; give a script file or a text, not both.\n");
        return 2;
    }
    int status = 0;
    try {
        bool shell = !withText && (o.file.empty() || scene);
        if (!shell) app::installStopSignals();
        if (scene) status = openScene(o);
        if (status == 0) {
            if (withText)
                status = runText(o);
            else if (!o.file.empty() && !scene)
                status = runFile(o);
            else
                status = app::runShell(app::ShellOptions{o.quiet});
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarn: %s\n", e.what());
        status = 1;
    }
    return finish(o, status);
}

}  // namespace

int main(int argc, char** argv) {
    const int status = runProgram(argc, argv);
    // Plug-ins unload and the scene goes before exit, while everything they use exists.
    tarn::plugins::PluginLoader::shutdown();
    return status;
}
