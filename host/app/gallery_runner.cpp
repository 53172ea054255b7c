#include "host/app/gallery_runner.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "host/app/gallery_page.h"
#include "host/app/gallery_script.h"
#include "host/app/gallery_sections.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/atomic_file.h"
#include "host/lang/execute.h"
#include "host/lang/interpreter.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_report.h"
#include "host/shading/shading_nodes.h"

namespace tarn::app {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What a folder holds, to tell which files a step wrote: name -> (write time, size).
using FolderState = std::map<std::string, std::pair<fs::file_time_type, std::uintmax_t>>;

FolderState folderState(const fs::path& folder) {
    FolderState state;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        state[entry.path().filename().string()] = {entry.last_write_time(ec), entry.file_size(ec)};
    }
    return state;
}

std::vector<GalleryFile> writtenFiles(const fs::path& folder, const std::string& relative,
                                      const FolderState& before) {
    std::vector<GalleryFile> files;
    for (const auto& [name, stamp] : folderState(folder)) {
        auto it = before.find(name);
        if (it != before.end() && it->second == stamp) continue;
        GalleryFile f;
        f.path = relative + "/" + name;
        if (!readPngSize((folder / name).string(), &f.width, &f.height)) f.width = f.height = 0;
        files.push_back(std::move(f));
    }
    return files;
}

// The first plug-in of the section that is not on the plug-in path, or empty.
std::string missingPlugin(const GallerySection& section) {
    for (const std::string& name : section.plugins) {
        std::string error;
        if (plugins::PluginLoader::instance().resolve(name, &error).empty()) return name;
    }
    return {};
}

// The nodes of the graph at one moment. Holding them keeps their addresses from being reused
// by nodes made later.
struct GraphNodes {
    std::vector<KObject> held;
    std::set<const NodeImpl*> ids;
};

// The default shading nodes are made first so that they count as there.
GraphNodes graphNodes() {
    shading::ensureShadingTypes();
    GraphNodes nodes;
    nodes.held = Graph::instance().nodes();
    for (const KObject& n : nodes.held) nodes.ids.insert(NodeImpl::from(n));
    return nodes;
}

// Deletes the nodes a section made, so that the next one starts from the scene a script run
// alone starts from. The names reach the delete command through a variable, never as text.
void deleteNodesSince(const GraphNodes& before) {
    std::vector<std::string> names;
    for (const KObject& n : Graph::instance().nodes())
        if (!before.ids.count(NodeImpl::from(n))) names.push_back(NodeImpl::from(n)->name());
    if (names.empty()) return;
    lang::hostInterpreter().setGlobal("gGalleryLeftovers", lang::Value(names));
    lang::ExecuteOptions eo;
    eo.origin = "demo";
    lang::RunResult r;
    {
        lang::OutputCapture quiet;
        r = lang::executeText("delete $gGalleryLeftovers;", eo);
    }
    lang::hostInterpreter().setGlobal("gGalleryLeftovers", lang::Value(std::vector<std::string>{}));
    if (!r.ok)
        std::fprintf(stderr, "tarn demo: the next section sees this one's nodes: %s\n",
                     r.error.c_str());
}

// Runs one section's script step by step; answers false when a step failed.
bool runSection(const GallerySection& section, const GalleryOptions& options,
                GallerySectionResult& result) {
    const fs::path scriptFile = fs::path(options.examples) / section.script;
    const fs::path folder = fs::path(options.out) / section.id;
    std::string text, error;
    if (!lang::readTextFile(scriptFile.string(), text, &error)) {
        result.steps.push_back({"The script", "", "", "cannot read the script: " + error, {}});
        return false;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    // A copy of the script beside its pictures, so that the page links it without leaving
    // the output folder.
    const std::string copyName = scriptFile.filename().string();
    if (lang::writeFileAtomically((folder / copyName).string(), text, &error))
        result.scriptLink = section.id + "/" + copyName;

    lang::hostInterpreter().setGlobal("gGalleryOut",
                                      lang::Value(fs::absolute(folder).string() + "/"));
    std::vector<ScriptStep> steps = splitGalleryScript(text);
    result.preamble = trimmedCode(steps.front().code);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ScriptStep& step = steps[i];
        const FolderState before = folderState(folder);
        lang::ExecuteOptions eo;
        eo.origin = "demo";
        eo.sourceName = result.scriptPath;
        eo.firstLine = step.firstLine;
        eo.flushIdleEachStatement = true;
        lang::RunResult run;
        std::string printed;
        {
            lang::OutputCapture capture;
            run = lang::executeText(step.code, eo);
            printed = capture.text();
        }
        // The preamble is shown apart and is expected to write nothing; its failure is a step's.
        if (i == 0 && run.ok) continue;
        GalleryStep shown;
        shown.caption = i == 0 ? "Set-up" : step.caption;
        shown.code = trimmedCode(step.code);
        shown.output = printed;
        shown.files = writtenFiles(folder, section.id, before);
        if (!run.ok) {
            // The message may name the place already; it is named once.
            const std::string place = result.scriptPath + ":" + std::to_string(run.line) + ": ";
            const bool named = run.error.compare(0, place.size(), place) == 0;
            shown.error = "Stopped at " + place + run.error.substr(named ? place.size() : 0);
            std::fprintf(stderr, "tarn demo: %s\n", shown.error.c_str());
        }
        result.steps.push_back(std::move(shown));
        if (!run.ok) return false;
    }
    return true;
}

}  // namespace

int runGallery(const GalleryOptions& options, const std::vector<GallerySection>& sections) {
    const Clock::time_point start = Clock::now();
    std::error_code ec;
    fs::create_directories(options.out, ec);
    if (ec || !fs::is_directory(options.out)) {
        std::fprintf(stderr, "tarn demo: cannot make the folder %s: %s\n", options.out.c_str(),
                     ec ? ec.message().c_str() : "a file of that name is in the way");
        return 1;
    }
    lang::Interpreter& interp = lang::hostInterpreter();
    interp.setGlobal("gGallerySize", lang::Value(options.quick ? kGalleryQuickSize : kGallerySize));
    interp.setGlobal("gGalleryExamples",
                     lang::Value(fs::absolute(options.examples).string() + "/"));

    std::vector<GallerySectionResult> results;
    int failures = 0;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const GallerySection& section = sections[i];
        const Clock::time_point sectionStart = Clock::now();
        GallerySectionResult r;
        r.id = section.id;
        r.title = section.title;
        r.caption = section.caption;
        r.scriptPath = "examples/" + section.script;
        const std::string missing = missingPlugin(section);
        bool ok = true;
        if (!missing.empty()) {
            r.skipped = "the plug-in " + missing + " is not built.";
        } else {
            const GraphNodes before = graphNodes();
            ok = runSection(section, options, r);
            deleteNodesSince(before);
        }
        r.seconds = secondsSince(sectionStart);
        std::size_t files = 0;
        for (const GalleryStep& step : r.steps) files += step.files.size();
        // Progress lines are news of the run: none under -q (a failure still says so below).
        if (!jobs::quiet()) {
            if (!r.skipped.empty())
                std::printf("[%zu/%zu] %s: skipped (%s)\n", i + 1, sections.size(), r.title.c_str(),
                            r.skipped.c_str());
            else
                std::printf("[%zu/%zu] %s: %zu files in %.1f s%s\n", i + 1, sections.size(),
                            r.title.c_str(), files, r.seconds, ok ? "" : ", FAILED");
            std::fflush(stdout);
        }
        if (!ok) ++failures;
        results.push_back(std::move(r));
    }

    char footer[160];
    std::snprintf(footer, sizeof footer, "Made by tarn demo%s in %.1f s.",
                  options.quick ? " --quick" : "", secondsSince(start));
    const std::string index = (fs::path(options.out) / "index.html").string();
    std::string error;
    if (!lang::writeFileAtomically(index, galleryPage(results, footer), &error)) {
        std::fprintf(stderr, "tarn demo: %s\n", error.c_str());
        return 1;
    }
    if (!jobs::quiet()) std::printf("%s\n", index.c_str());
    return failures == 0 ? 0 : 1;
}

}  // namespace tarn::app
