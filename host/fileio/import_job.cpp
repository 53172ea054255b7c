#include "host/fileio/import_job.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "frame/k_global.h"
#include "host/fileio/file_import.h"
#include "host/fileio/model_import.h"
#include "host/fileio/scene_summary.h"
#include "host/lang/command_registry.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_args.h"
#include "host/render/job_report.h"

namespace {

constexpr const char* kJob = "import";
constexpr int kMaxSnapshotSide = 8192;

struct JobOptions {
    std::string file, obj, snapshot, camera;
    int width = 0, height = 0;  // 0: the snapshot's own default
    bool summary = false, json = false, wireframe = false;
};

// A text as a string literal of the command language, escaped so that any file or node name
// arrives as it was given.
std::string quoted(const std::string& text) {
    return "\"" + escapeCommandString(KString(text)).str() + "\"";
}


bool parseArgs(const std::vector<std::string>& args, JobOptions& o,
               tarn::jobs::ArgumentError& error) {
    using tarn::jobs::takeValue;
    const std::string limit = "1 to " + std::to_string(kMaxSnapshotSide);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string side;
        if (a == "--obj") {
            if (!takeValue(args, i, "a file name", &o.obj, &error)) return false;
        } else if (a == "--snapshot") {
            if (!takeValue(args, i, "a file name", &o.snapshot, &error)) return false;
        } else if (a == "--camera") {
            if (!takeValue(args, i, "a camera name", &o.camera, &error)) return false;
        } else if (a == "--size") {
            if (!takeValue(args, i, "N or WxH pixels", &side, &error)) return false;
            if (!tarn::jobs::parsePixelSize(side, kMaxSnapshotSide, &o.width, &o.height)) {
                error = {"--size: expected N or WxH, each " + limit + ", got '" + side + "'"};
                return false;
            }
        } else if (a == "--width" || a == "--height") {
            // The older spelling of --size, one side at a time.
            if (!takeValue(args, i, "a number of pixels", &side, &error)) return false;
            if (!tarn::jobs::parsePixelSide(side, kMaxSnapshotSide,
                                            a == "--width" ? &o.width : &o.height)) {
                error = {a + ": expected " + limit + ", got '" + side + "'"};
                return false;
            }
        } else if (a == "--wireframe") {
            o.wireframe = true;
        } else if (a == "--summary") {
            o.summary = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (!a.empty() && a[0] == '-') {
            error = {"unknown option " + a, true};
            return false;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            error = {"only one file can be imported", true};
            return false;
        }
    }
    if (o.file.empty()) {
        error = {"no file given", true};
        return false;
    }
    const bool viewOptions = !o.camera.empty() || o.width || o.height || o.wireframe;
    if (viewOptions && o.snapshot.empty()) {
        error = {"--camera, --size and --wireframe go with --snapshot"};
        return false;
    }
    return true;
}

int fail(const std::string& message, int status) {
    tarn::jobs::message(kJob, message);
    return status;
}

}  // namespace

const char* importUsage() {
    return "usage: tarn import FILE [--summary] [--json] [--obj OUT.obj]\n"
           "                   [--snapshot OUT.png [--camera C] [--size N|WxH] [--wireframe]]\n"
           "Imports a model (.obj with its .mtl, .ply, .stl, .gltf, .glb, .fbx, .dae) or a QMF\n"
           "scene (any other name; loading the sceneReader plug-in), then:\n"
           "  --summary      print counts of what the scene holds and the import's warnings\n"
           "                 (the default when --json is not given)\n"
           "  --json         print the scene description as JSON (describeScene -json); the\n"
           "                 standard output then holds that JSON alone\n"
           "  --obj FILE     write the scene as OBJ + MTL (exportObj)\n"
           "  --snapshot F   write a picture of the scene (viewSnapshot); --camera, --size\n"
           "                 (N for N x N or WxH, each 1 to 8192; --width W and --height H\n"
           "                 set one side) and --wireframe are passed on to it\n"
           "Data goes to the standard output; notes such as \"wrote FILE\", warnings and\n"
           "errors go to the error stream.\n";
}

int runImportJob(const std::vector<std::string>& args) {
    JobOptions o;
    tarn::jobs::ArgumentError argumentError;
    if (!parseArgs(args, o, argumentError))
        return tarn::jobs::refuseArguments(kJob, argumentError, importUsage());
    if (!o.snapshot.empty() && !tarn::lang::commandRegistry().find("viewSnapshot"))
        return fail("--snapshot needs the 3D view, which this build does not have", 2);
    std::string error;

    // Models of other programs need no plug-in; anything else is a QMF scene.
    const bool model = tarn::fileio::modelFormat(tarn::fileio::extensionOf(o.file)) !=
                       tarn::fileio::ModelFormat::None;
    auto& loader = tarn::plugins::PluginLoader::instance();
    if (!model && !loader.find("sceneReader") && loader.load("sceneReader", &error).error())
        return fail("cannot load the sceneReader plug-in: " + error, 1);
    const size_t journalMark = tarn::lang::journal().entries().size();
    const tarn::fileio::ImportOutcome out = tarn::fileio::importFile(o.file, model ? "" : "QMF");
    if (out.status.error()) return fail(out.error, 1);

    // The scene description's JSON and the OBJ export come from the host's own commands.
    if (o.json) {
        KString json;
        if (KGlobal::executeCommand("describeScene -json", json).error())
            return fail("describeScene -json failed", 1);
        std::cout << json.asChar() << std::endl;
    }
    // The importer's warnings, then host commands of the import that failed.
    std::vector<std::string> warnings = out.warnings;
    const auto& entries = tarn::lang::journal().entries();
    for (size_t i = std::min(journalMark, entries.size()); i < entries.size(); ++i)
        if (entries[i].status != 0) warnings.push_back(entries[i].text + ": " + entries[i].error);
    if (o.summary || !o.json) {
        std::cout << tarn::fileio::summaryText(tarn::fileio::summarizeScene());
        std::cout << "warnings: " << warnings.size() << "\n";
        for (const auto& w : warnings) std::cout << "  " << w << "\n";
        std::cout.flush();
    }
    int status = 0;
    if (!o.obj.empty()) {
        if (KGlobal::executeCommand(KString("exportObj " + quoted(o.obj))).error()) {
            tarn::jobs::message(kJob, "could not write " + o.obj);
            status = 1;
        } else {
            tarn::jobs::note(kJob, "wrote " + o.obj);
        }
    }
    if (!o.snapshot.empty()) {
        std::string command = "viewSnapshot";
        if (!o.camera.empty()) command += " -camera " + quoted(o.camera);
        if (o.width) command += " -width " + std::to_string(o.width);
        if (o.height) command += " -height " + std::to_string(o.height);
        if (o.wireframe) command += " -wireframe";
        command += " -o " + quoted(o.snapshot);
        if (KGlobal::executeCommand(KString(command)).error()) {
            tarn::jobs::message(kJob, "could not write " + o.snapshot);
            status = 1;
        } else {
            tarn::jobs::note(kJob, "wrote " + o.snapshot);
        }
    }
    return status;
}
