// `tarn demo`: the gallery of every built plug-in at work (gallery_runner.h), or with --list
// every plug-in on the plug-in path, loaded, with what it registered.

#include "host/app/gallery_runner.h"
#include "host/app/job_table.h"

#include "host/dg/graph.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_args.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

namespace tarn::app {

namespace {

std::vector<std::string> pluginFiles() {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    std::set<std::string> seen;
    for (const auto& folder : plugins::PluginLoader::instance().searchPath()) {
        std::error_code ec;
        std::vector<std::string> here;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            if (entry.path().extension() != ".so") continue;
            // The first folder that has a name wins, as when loading by name.
            if (seen.insert(entry.path().stem().string()).second)
                here.push_back(entry.path().string());
        }
        std::sort(here.begin(), here.end());
        files.insert(files.end(), here.begin(), here.end());
    }
    return files;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& s : items) out += (out.empty() ? "" : ", ") + s;
    return out.empty() ? "-" : out;
}

// The examples folder: given, else the source tree's, else ./examples.
std::string examplesFolder(const std::string& given) {
    if (!given.empty()) return given;
    std::error_code ec;
    if (std::filesystem::is_directory(TARN_EXAMPLES_DIR, ec)) return TARN_EXAMPLES_DIR;
    return "examples";
}

constexpr const char* kJob = "demo";

constexpr const char* kUsage =
    "usage: tarn demo [--out DIR] [--quick] [--examples DIR]\n"
    "       tarn demo --list\n"
    "Runs the gallery scripts of examples/gallery (one section per plug-in family; a section\n"
    "whose plug-in is not built is skipped) and writes DIR/index.html with every picture and\n"
    "the script lines that made it. Prints a line per section and then the page's path\n"
    "(none of it under -q).\n"
    "  --out DIR, -o DIR  output folder (default out/demo)\n"
    "  --quick            small pictures (for tests)\n"
    "  --examples DIR     folder holding gallery/*.tcs (default: the source tree's examples)\n"
    "  --list             instead: load every plug-in and list what each registered\n";

int listPlugins() {
    auto& loader = plugins::PluginLoader::instance();
    auto files = pluginFiles();
    if (files.empty()) {
        std::fprintf(stderr, "tarn demo: no plug-ins found (searched %zu folders).\n",
                     loader.searchPath().size());
        return 1;
    }
    int failures = 0;
    std::printf("Loading %zu plug-ins\n", files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error, name;
        std::printf("[%zu/%zu] %s\n", i + 1, files.size(), files[i].c_str());
        KStatus st = loader.load(files[i], &error, &name);
        if (!st) {
            ++failures;
            std::printf("    failed: %s\n", error.c_str());
            continue;
        }
        const plugins::PluginImpl* p = loader.find(name);
        if (!p) continue;
        std::vector<std::string> types;
        for (const auto& id : p->nodeTypes) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "0x%x", id.id());
            const NodeType* type = Graph::instance().findType(id);
            types.push_back(type ? type->name + " (" + buf + ")" : std::string(buf));
        }
        std::printf("    %s %s (%s)\n", p->name.c_str(), p->version.c_str(), p->vendor.c_str());
        std::printf("    node types: %s\n", joined(types).c_str());
        std::printf("    commands: %s\n", joined(p->commands).c_str());
        std::printf("    tool contexts: %s\n", joined(p->contextCommands).c_str());
        std::printf("    file translators: %s\n", joined(p->translators).c_str());
    }
    std::printf("%zu loaded, %d failed\n", files.size() - std::size_t(failures), failures);
    loader.unloadAll();
    return failures == 0 ? 0 : 1;
}

}  // namespace

const char* demoUsage() {
    return kUsage;
}

int runDemoJob(const std::vector<std::string>& args) {
    GalleryOptions options;
    bool list = false;
    jobs::ArgumentError error;
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& w = args[at];
        if (w == "-h" || w == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (w == "--list") {
            list = true;
        } else if (w == "--quick") {
            options.quick = true;
        } else if (w == "--out" || w == "-o" || w == "--output" || w == "--examples") {
            std::string& folder = w == "--examples" ? options.examples : options.out;
            if (!jobs::takeValue(args, at, "a folder", &folder, &error))
                return jobs::refuseArguments(kJob, error, kUsage);
            if (folder.empty())
                return jobs::refuseArguments(kJob, {w + " needs a folder", true}, kUsage);
        } else {
            return jobs::refuseArguments(kJob, {"unexpected argument '" + w + "'", true}, kUsage);
        }
    }
    if (list) {
        if (args.size() != 1)
            return jobs::refuseArguments(kJob, {"--list takes no other option", true}, kUsage);
        return listPlugins();
    }
    options.examples = examplesFolder(options.examples);
    return runGallery(options);
}

}  // namespace tarn::app
