#include "host/texturing/swatch_job.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>

#include "host/commands/node_type_help.h"
#include "host/dg/data_store.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/image/image_file.h"
#include "host/image/png_writer.h"
#include "host/plugins/plugin_index.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_args.h"
#include "host/render/job_report.h"
#include "host/texturing/swatch_render.h"

namespace tarn::texturing {
namespace {

constexpr const char* kJob = "swatch";
static_assert(kMaxSwatchSize <= image::kMaxPngSide, "the image writer must take every size");

bool parseInt(const std::string& text, int* out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, *out);
    return ec == std::errc() && p == end;
}

bool parseFloat(const std::string& text, double* out) {
    char* end = nullptr;
    *out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(*out);
}

bool parseValue(const std::string& text, double* out) {
    if (text == "true" || text == "on" || text == "yes") return *out = 1.0, true;
    if (text == "false" || text == "off" || text == "no") return *out = 0.0, true;
    return parseFloat(text, out);
}

bool parseSetting(const std::string& text, SwatchSetting* setting, jobs::ArgumentError* error) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
        *error = {"--set: expected ATTR=VALUE[,VALUE,VALUE], got '" + text + "'"};
        return false;
    }
    setting->attribute = text.substr(0, eq);
    setting->values.clear();
    std::size_t start = eq + 1;
    while (true) {
        const auto comma = text.find(',', start);
        setting->values.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

// Applies one setting to the node through the graph, as a user edit would.
bool applySetting(const std::string& nodeName, const std::string& typeName, const SwatchSetting& s,
                  std::string* error) {
    Graph& graph = Graph::instance();
    std::string parseError;
    const KPlug plug = graph.parsePlug(nodeName + "." + s.attribute, &parseError);
    if (plug.attribute().isNull()) {
        *error = typeName + " has no attribute '" + s.attribute + "'";
        return false;
    }
    if (!graph.canWrite(plug, error)) return false;
    KStatus status;
    KDataHandle h = graph.writeHandle(plug, &status);
    if (status.error() || h.isNull()) {
        *error = "cannot write " + s.attribute;
        return false;
    }
    double v[3] = {0, 0, 0};
    if (s.values.size() != h.width() || s.values.size() > 3) {
        *error = s.attribute + " takes " + std::to_string(h.width()) + " value(s)";
        return false;
    }
    for (std::size_t i = 0; i < s.values.size(); ++i)
        if (!parseValue(s.values[i], &v[i])) {
            *error = s.attribute + ": '" + s.values[i] + "' is not a number";
            return false;
        }
    // Every number must stay finite once stored: 1e39 in a float attribute would be infinity.
    const bool storesDoubles = h.kind() == CellKind::kDouble;
    for (std::size_t i = 0; i < s.values.size(); ++i)
        if (!std::isfinite(v[i]) || (!storesDoubles && !std::isfinite(cellToFloat(v[i])))) {
            *error = s.attribute + " takes finite numbers ('" + s.values[i] + "' is out of range)";
            return false;
        }
    if (s.values.size() == 1) h.set(v[0]);
    if (s.values.size() == 2) h.set(v[0], v[1]);
    if (s.values.size() == 3) h.set(v[0], v[1], v[2]);
    graph.valueChanged(plug);
    return true;
}

// Makes sure the node type is registered: from the named plug-in, or from the plug-in on the
// search path that registers it. 0, or the job status with `*error`.
int loadNodeType(const SwatchOptions& options, std::string* error) {
    if (Graph::instance().findType(options.nodeType)) return 0;
    std::string plugin = options.plugin;
    if (plugin.empty()) {
        plugin = plugins::pluginForNodeType(options.nodeType);
        if (plugin.empty()) {
            *error = "no plug-in on the plug-in path registers a node type named '" +
                     options.nodeType + "'";
            return 2;
        }
    }
    std::string loadError;
    plugins::PluginLoader& loader = plugins::PluginLoader::instance();
    if (!loader.find(plugin) && loader.load(plugin, &loadError).error()) {
        *error = "cannot load " + plugin + ": " + loadError;
        return 1;
    }
    if (!Graph::instance().findType(options.nodeType)) {
        *error =
            "the plug-in " + plugin + " registers no node type named '" + options.nodeType + "'";
        return 2;
    }
    return 0;
}

}  // namespace

const char* swatchUsage() {
    return "usage: tarn swatch [PLUGIN] NODE_TYPE [options]\n"
           "Renders one texture node to a PNG swatch. Without PLUGIN, the plug-in on the\n"
           "plug-in path that registers NODE_TYPE is loaded.\n"
           "  --set ATTR=VALUE[,VALUE,VALUE]  set an attribute first (repeatable)\n"
           "  --size N       width and height in pixels, 1 to 8192 (default 256)\n"
           "  --samples N    N x N samples per pixel, averaged, 1 to 16 (default 1)\n"
           "  --tile N       show the texture N x N times, 1 to the size (default 1)\n"
           "  --threads N    worker threads, 1 to 1024 (default: all cores; one for a node\n"
           "                 that is not safe for parallel evaluation); the image is the same\n"
           "  --scale S      3D textures: half-width of the rendered slice (default 1)\n"
           "  --list         list the node type's attributes instead of rendering\n"
           "  -o FILE.png    output file (default NODE_TYPE.png)\n"
           "2D textures are sampled over the unit UV square, 3D textures on the z = 0 slice of\n"
           "their placement space (x and y from -S to S, identity placement). Each sample's\n"
           "filter size is its share of the square: TILE / (N * SAMPLES), times 2 S for 3D.\n"
           "Every limit is checked before anything is loaded or rendered.\n";
}

bool parseSwatchOptions(const std::vector<std::string>& args, SwatchOptions* o,
                        jobs::ArgumentError* error) {
    std::vector<std::string> positional;
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& w = args[at];
        std::string value;
        auto count = [&](const char* flag, int lo, int hi, int* out) {
            if (!jobs::takeValue(args, at, "a number", &value, error)) return false;
            if (!parseInt(value, out) || *out < lo || *out > hi) {
                *error = {std::string(flag) + ": expected " + std::to_string(lo) + " to " +
                          std::to_string(hi) + ", got '" + value + "'"};
                return false;
            }
            return true;
        };
        if (w == "-h" || w == "--help") {
            o->help = true;
        } else if (w == "--list") {
            o->list = true;
        } else if (w == "--tile") {
            if (!count("--tile", 1, kMaxSwatchSize, &o->tile)) return false;
        } else if (w == "--samples") {
            if (!count("--samples", 1, kMaxSwatchSamples, &o->samples)) return false;
        } else if (w == "--set") {
            SwatchSetting s;
            if (!jobs::takeValue(args, at, "ATTR=VALUE", &value, error) ||
                !parseSetting(value, &s, error))
                return false;
            o->settings.push_back(s);
        } else if (w == "--size") {
            if (!count("--size", 1, kMaxSwatchSize, &o->size)) return false;
        } else if (w == "--threads") {
            if (!count("--threads", 1, 1024, &o->threads)) return false;
        } else if (w == "--scale") {
            double s = 0;
            if (!jobs::takeValue(args, at, "a number", &value, error)) return false;
            // A float's range: a larger half-width would make every sample point infinite.
            if (!parseFloat(value, &s) || !(s > 0.0) || !(s <= 3.4e38)) {
                *error = {"--scale: expected a positive number up to 3.4e38, got '" + value + "'"};
                return false;
            }
            o->scale = static_cast<float>(s);
        } else if (w == "-o" || w == "--output") {
            if (!jobs::takeValue(args, at, "a file name", &o->output, error)) return false;
        } else if (w.size() > 1 && w[0] == '-') {
            *error = {"unknown option '" + w + "'", true};
            return false;
        } else {
            positional.push_back(w);
        }
    }
    if (o->help) return true;
    if (positional.empty() || positional.size() > 2) {
        *error = {positional.empty() ? "no node type given" : "expected [PLUGIN] NODE_TYPE", true};
        return false;
    }
    if (positional.size() == 2) o->plugin = positional[0];
    o->nodeType = positional.back();
    // A tile must keep at least one pixel.
    if (o->tile > o->size) {
        *error = {"--tile " + std::to_string(o->tile) + " is more than --size " +
                  std::to_string(o->size) + " (a tile needs a pixel at least)"};
        return false;
    }
    if (o->output.empty()) o->output = o->nodeType + ".png";
    std::string why;
    if (!image::checkImageExtension(o->output, &why)) {
        *error = {why};
        return false;
    }
    return true;
}

int renderSwatch(const SwatchOptions& options, std::vector<unsigned char>* rgb,
                 std::string* error) {
    if (const int status = loadNodeType(options, error)) return status;
    Graph& graph = Graph::instance();
    const KObject node = graph.createNode(options.nodeType, "", error);
    if (node.isNull()) return 1;
    const std::string nodeName = NodeImpl::from(node)->name();
    for (const SwatchSetting& s : options.settings)
        if (!applySetting(nodeName, options.nodeType, s, error)) {
            Graph::instance().deleteNode(node, nullptr);
            return 2;
        }

    SwatchRender render;
    render.size = options.size;
    render.threads = options.threads;
    render.scale = options.scale;
    render.tile = options.tile;
    render.samples = options.samples;
    render.progressJob = kJob;
    const bool ok = renderNodeSwatch(node, render, rgb, error);
    Graph::instance().deleteNode(node, nullptr);
    return ok ? 0 : 1;
}

int runSwatchJob(const std::vector<std::string>& args) {
    SwatchOptions options;
    jobs::ArgumentError argumentError;
    if (!parseSwatchOptions(args, &options, &argumentError))
        return jobs::refuseArguments(kJob, argumentError, swatchUsage());
    std::string error;
    if (options.help) {
        std::fputs(swatchUsage(), stdout);
        return 0;
    }
    // Status 2 is a wrong value on the command line (a node type or attribute no plug-in has).
    const auto failed = [&](int status) {
        if (status == 2) return jobs::refuseArguments(kJob, {error}, swatchUsage());
        jobs::message(kJob, error);
        return status;
    };
    std::vector<unsigned char> rgb;
    try {
        if (options.list) {
            if (const int status = loadNodeType(options, &error)) return failed(status);
            std::fputs(commands::nodeTypeHelp(options.nodeType).c_str(), stdout);
            return 0;
        }
        if (const int status = renderSwatch(options, &rgb, &error)) return failed(status);
    } catch (const std::exception& e) {
        jobs::message(kJob, e.what());
        return 1;
    }
    if (!image::writeRgbByExtension(options.output, options.size, options.size, rgb.data(),
                                    &error)) {
        jobs::message(kJob, error);
        return 1;
    }
    jobs::note(kJob, "wrote " + options.output + " (" + std::to_string(options.size) + "x" +
                         std::to_string(options.size) + ")");
    return 0;
}

}  // namespace tarn::texturing
