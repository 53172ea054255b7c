// The tarn program: runs command texts, script files, an interactive shell, or a batch job.
//
//   tarn [options] [FILE]          run FILE (or the interactive shell without one)
//   tarn [options] -c TEXT         run TEXT
//   tarn <job> [job arguments]     run a batch job (demo, swatch, shade, import)

#include "host/app/job_table.h"
#include "host/app/shell.h"
#include "host/lang/execute.h"
#include "host/lang/idle_queue.h"
#include "host/lang/journal.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"
#include "host/plugins/plugin_loader.h"
#include "host/version.h"

#include <CLI/CLI.hpp>

#include <cstdio>

namespace {

using namespace tarn;

struct Options {
    std::string file;
    std::string text;
    std::string journalPath;
    std::string pluginPath;
    bool quiet = false;
};

int runText(const Options& o) {
    lang::ExecuteOptions eo;
    eo.undo = true;
    eo.origin = "command-line";
    eo.flushIdleEachStatement = true;
    lang::RunResult r = lang::executeText(o.text, eo);
    if (r.ok && !o.quiet && !r.value.isNone())
        lang::scriptOutput(lang::OutputKind::Result, r.value.toDisplay());
    return r.ok ? 0 : 1;
}

int runFile(const Options& o) {
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
    if (!o.journalPath.empty()) {
        std::string error;
        if (!lang::journal().writeTo(o.journalPath, &error)) {
            std::fprintf(stderr, "tarn: journal not written: %s\n", error.c_str());
            if (status == 0) status = 1;
        }
    }
    return status;
}

std::string jobsHelp() {
    std::string text = "Jobs (tarn JOB --help for their options):\n";
    for (const auto& job : app::jobs()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-8s %s\n", job.name, job.summary);
        text += line;
    }
    return text;
}

int runProgram(int argc, char** argv) {
    // A job name as the first word hands every later word to the job.
    if (argc > 1) {
        if (const app::Job* job = app::findJob(argv[1])) {
            std::vector<std::string> args(argv + 2, argv + argc);
            try {
                return job->run(args);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "tarn %s: %s\n", job->name, e.what());
                return 1;
            }
        }
    }

    Options o;
    CLI::App cli{"tarn: the stand-in host. Runs command texts, scripts and batch jobs.", "tarn"};
    cli.footer(jobsHelp());
    cli.add_option("file", o.file, "Script file to run (the interactive shell without one)");
    auto* textOpt = cli.add_option("-c,--command", o.text, "Run TEXT instead of a file");
    cli.add_option("--journal", o.journalPath,
                   "Write every executed text with its flags, result and status to FILE "
                   "(JSON lines)");
    cli.add_option("--plugin-path", o.pluginPath, "Folder searched for plug-ins by name");
    cli.add_flag("-q,--quiet", o.quiet, "No banner and no result lines");
    cli.set_version_flag("--version", std::string(hostVersion()));
    textOpt->excludes(cli.get_option("file"));
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with 0; every bad argument is status 2.
        return cli.exit(e) == 0 ? 0 : 2;
    }

    if (!o.pluginPath.empty()) plugins::PluginLoader::instance().setExplicitPath(o.pluginPath);

    int status = 0;
    try {
        if (!o.text.empty() || textOpt->count())
            status = runText(o);
        else if (!o.file.empty())
            status = runFile(o);
        else
            status = app::runShell(app::ShellOptions{o.quiet});
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
