#include "host/fileio/import_job.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "frame/k_global.h"
#include "host/fileio/file_import.h"
#include "host/fileio/scene_summary.h"
#include "host/lang/command_registry.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"

namespace {

constexpr const char* kUsage =
    "usage: tarn import FILE.qmf [--obj OUT.obj] [--snapshot OUT.png] [--summary] [--json]\n";

struct JobOptions {
    std::string file, obj, snapshot;
    bool summary = false, json = false;
};

bool parseArgs(const std::vector<std::string>& args, JobOptions& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " needs a file name";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--obj") {
            if (!value(o.obj)) return false;
        } else if (a == "--snapshot") {
            if (!value(o.snapshot)) return false;
        } else if (a == "--summary") {
            o.summary = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            error = "only one file can be imported";
            return false;
        }
    }
    if (o.file.empty()) error = "no file given";
    return error.empty();
}

}  // namespace

int runImportJob(const std::vector<std::string>& args) {
    JobOptions o;
    std::string error;
    if (!parseArgs(args, o, error)) {
        std::cerr << "tarn import: " << error << "\n" << kUsage;
        return 2;
    }
    if (!o.snapshot.empty() && !tarn::lang::commandRegistry().find("viewSnapshot")) {
        std::cerr << "tarn import: --snapshot needs the 3D view, which this build does not have\n";
        return 2;
    }

    auto& loader = tarn::plugins::PluginLoader::instance();
    if (!loader.find("sceneReader") && loader.load("sceneReader", &error).error()) {
        std::cerr << "tarn import: cannot load the sceneReader plug-in: " << error << "\n";
        return 1;
    }
    const size_t journalMark = tarn::lang::journal().entries().size();
    const tarn::fileio::ImportOutcome out = tarn::fileio::importFile(o.file, "QMF");
    if (out.status.error()) {
        std::cerr << "tarn import: " << out.error << "\n";
        return 1;
    }

    // The scene description's JSON and the OBJ export come from the host's own commands.
    if (o.json) {
        KString json;
        if (KGlobal::executeCommand("describeScene -json", json).error()) {
            std::cerr << "tarn import: describeScene -json failed\n";
            return 1;
        }
        std::cout << json.asChar() << "\n";
    }
    if (o.summary || !o.json) {
        std::cout << tarn::fileio::summaryText(tarn::fileio::summarizeScene());
        // Host commands of the import that failed are the import's warnings.
        const auto& entries = tarn::lang::journal().entries();
        std::vector<std::string> warnings;
        for (size_t i = std::min(journalMark, entries.size()); i < entries.size(); ++i)
            if (entries[i].status != 0)
                warnings.push_back(entries[i].text + ": " + entries[i].error);
        std::cout << "warnings: " << warnings.size() << "\n";
        for (const auto& w : warnings) std::cout << "  " << w << "\n";
    }
    int status = 0;
    if (!o.obj.empty()) {
        // File names go in as escaped string literals, so any name arrives as given.
        const KString command("exportObj \"" + escapeCommandString(KString(o.obj)).str() + "\"");
        if (KGlobal::executeCommand(command).error()) {
            std::cerr << "tarn import: could not write " << o.obj << "\n";
            status = 1;
        } else {
            std::cout << "wrote " << o.obj << "\n";
        }
    }
    if (!o.snapshot.empty()) {
        const KString command("viewSnapshot -o \"" +
                              escapeCommandString(KString(o.snapshot)).str() + "\"");
        if (KGlobal::executeCommand(command).error()) {
            std::cerr << "tarn import: could not write " << o.snapshot << "\n";
            status = 1;
        } else {
            std::cout << "wrote " << o.snapshot << "\n";
        }
    }
    return status;
}
