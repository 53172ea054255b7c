#include "host/texturing/swatch_job.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/image/image_file.h"
#include "host/image/png_writer.h"
#include "host/plugins/plugin_loader.h"
#include "host/texturing/swatch_render.h"

namespace tarn::texturing {
namespace {

constexpr int kMaxSize = 16384;

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

bool parseSetting(const std::string& text, SwatchSetting* setting, std::string* error) {
    const auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
        *error = "--set: expected ATTR=VALUE[,VALUE,VALUE], got '" + text + "'";
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
bool applySetting(const std::string& nodeName, const SwatchSetting& s, std::string* error) {
    Graph& graph = Graph::instance();
    const KPlug plug = graph.parsePlug(nodeName + "." + s.attribute, error);
    if (plug.attribute().isNull()) {
        if (error->empty()) *error = "no attribute '" + s.attribute + "'";
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
    if (s.values.size() == 1) h.set(v[0]);
    if (s.values.size() == 2) h.set(v[0], v[1]);
    if (s.values.size() == 3) h.set(v[0], v[1], v[2]);
    graph.valueChanged(plug);
    return true;
}

}  // namespace

const char* swatchUsage() {
    return "usage: tarn swatch PLUGIN NODE_TYPE [options]\n"
           "Renders one texture node to a PNG swatch.\n"
           "  --set ATTR=VALUE[,VALUE,VALUE]  set an attribute first (repeatable)\n"
           "  --size N       width and height in pixels (default 256)\n"
           "  --threads N    worker threads (default: all cores; one for a node that is not\n"
           "                 safe for parallel evaluation); the image is the same\n"
           "  --scale S      3D textures: half-width of the rendered slice (default 1)\n"
           "  -o FILE.png    output file (default NODE_TYPE.png)\n"
           "2D textures are sampled over the unit UV square, one sample per pixel centre with\n"
           "filter size 1/N. 3D textures are sampled on the z = 0 slice of their placement\n"
           "space, x and y from -S to S, with an identity placement matrix.\n";
}

bool parseSwatchOptions(const std::vector<std::string>& args, SwatchOptions* o,
                        std::string* error) {
    std::vector<std::string> positional;
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& w = args[at];
        auto next = [&](std::string* value) {
            if (at + 1 >= args.size()) {
                *error = w + ": missing value";
                return false;
            }
            *value = args[++at];
            return true;
        };
        std::string value;
        if (w == "-h" || w == "--help") {
            o->help = true;
        } else if (w == "--set") {
            SwatchSetting s;
            if (!next(&value) || !parseSetting(value, &s, error)) return false;
            o->settings.push_back(s);
        } else if (w == "--size") {
            if (!next(&value)) return false;
            if (!parseInt(value, &o->size) || o->size < 1 || o->size > kMaxSize) {
                *error =
                    "--size: expected 1 to " + std::to_string(kMaxSize) + ", got '" + value + "'";
                return false;
            }
        } else if (w == "--threads") {
            if (!next(&value)) return false;
            if (!parseInt(value, &o->threads) || o->threads < 1 || o->threads > 1024) {
                *error = "--threads: expected a count from 1 to 1024, got '" + value + "'";
                return false;
            }
        } else if (w == "--scale") {
            double s = 0;
            if (!next(&value)) return false;
            // A float's range: a larger half-width would make every sample point infinite.
            if (!parseFloat(value, &s) || !(s > 0.0) || !(s <= 3.4e38)) {
                *error = "--scale: expected a positive number up to 3.4e38, got '" + value + "'";
                return false;
            }
            o->scale = static_cast<float>(s);
        } else if (w == "-o" || w == "--output") {
            if (!next(&o->output)) return false;
        } else if (w.size() > 1 && w[0] == '-') {
            *error = "unknown option '" + w + "'";
            return false;
        } else {
            positional.push_back(w);
        }
    }
    if (o->help) return true;
    if (positional.size() != 2) {
        *error = "expected PLUGIN and NODE_TYPE";
        return false;
    }
    o->plugin = positional[0];
    o->nodeType = positional[1];
    if (o->output.empty()) o->output = o->nodeType + ".png";
    return image::checkImageExtension(o->output, error);
}

int renderSwatch(const SwatchOptions& options, std::vector<unsigned char>* rgb,
                 std::string* error) {
    plugins::PluginLoader& loader = plugins::PluginLoader::instance();
    Graph& graph = Graph::instance();
    if (!graph.findType(options.nodeType)) {
        std::string loadError;
        if (loader.load(options.plugin, &loadError).error()) {
            *error = "cannot load " + options.plugin + ": " + loadError;
            return 1;
        }
    }
    const KObject node = graph.createNode(options.nodeType, "", error);
    if (node.isNull()) return 1;
    const std::string nodeName = NodeImpl::from(node)->name();
    for (const SwatchSetting& s : options.settings)
        if (!applySetting(nodeName, s, error)) return 1;

    SwatchRender render;
    render.size = options.size;
    render.threads = options.threads;
    render.scale = options.scale;
    render.progress = true;
    const bool ok = renderNodeSwatch(node, render, rgb, error);
    Graph::instance().deleteNode(node, nullptr);
    return ok ? 0 : 1;
}

int runSwatchJob(const std::vector<std::string>& args) {
    SwatchOptions options;
    std::string error;
    if (!parseSwatchOptions(args, &options, &error)) {
        std::fprintf(stderr, "swatch: %s\n%s", error.c_str(), swatchUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(swatchUsage(), stdout);
        return 0;
    }
    std::vector<unsigned char> rgb;
    try {
        if (renderSwatch(options, &rgb, &error) != 0) {
            std::fprintf(stderr, "swatch: %s\n", error.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "swatch: %s\n", e.what());
        return 1;
    }
    if (!image::writeRgbByExtension(options.output, options.size, options.size, rgb.data(),
                                    &error)) {
        std::fprintf(stderr, "swatch: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "swatch: wrote %s (%dx%d)\n", options.output.c_str(), options.size,
                 options.size);
    return 0;
}

}  // namespace tarn::texturing
