#include "host/texturing/swatch_job.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>

#include "host/commands/node_type_help.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/image/png_writer.h"
#include "host/plugins/plugin_index.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_report.h"
#include "host/texturing/texture_sampler.h"

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
    if (s.values.size() == 1) h.set(v[0]);
    if (s.values.size() == 2) h.set(v[0], v[1]);
    if (s.values.size() == 3) h.set(v[0], v[1], v[2]);
    graph.valueChanged(plug);
    return true;
}

unsigned char toByte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<unsigned char>(std::lround(c * 255.0f));
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
        auto count = [&](const char* flag, int lo, int hi, int* out) {
            if (!next(&value)) return false;
            if (!parseInt(value, out) || *out < lo || *out > hi) {
                *error = std::string(flag) + ": expected " + std::to_string(lo) + " to " +
                         std::to_string(hi) + ", got '" + value + "'";
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
            if (!next(&value) || !parseSetting(value, &s, error)) return false;
            o->settings.push_back(s);
        } else if (w == "--size") {
            if (!count("--size", 1, kMaxSwatchSize, &o->size)) return false;
        } else if (w == "--threads") {
            if (!count("--threads", 1, 1024, &o->threads)) return false;
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
    if (positional.empty() || positional.size() > 2) {
        *error = "expected [PLUGIN] NODE_TYPE";
        return false;
    }
    if (positional.size() == 2) o->plugin = positional[0];
    o->nodeType = positional.back();
    // A tile must keep at least one pixel.
    if (o->tile > o->size) {
        *error = "--tile " + std::to_string(o->tile) + " is more than --size " +
                 std::to_string(o->size) + " (a tile needs a pixel at least)";
        return false;
    }
    if (o->output.empty()) o->output = o->nodeType + ".png";
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

    std::unique_ptr<TextureSampler> sampler = TextureSampler::create(node, error);
    if (!sampler) {
        Graph::instance().deleteNode(node, nullptr);
        return 1;
    }
    const bool is3d = sampler->kind() == TextureKind::k3d;

    const int n = options.size;
    rgb->assign(static_cast<std::size_t>(n) * n * 3, 0);
    // One private block per worker thread, made on the thread's first rows.
    tbb::enumerable_thread_specific<std::unique_ptr<SampleBlock>> blocks([&] {
        std::unique_ptr<SampleBlock> block = sampler->makeBlock();
        if (is3d) sampler->setIdentityPlacement(*block);
        return block;
    });
    std::atomic<bool> failed{false};
    jobs::JobProgress progress(kJob, n);
    // The square holds `tile` copies; each pixel averages a samples x samples grid.
    const int m = options.samples;
    const float cells = static_cast<float>(n) * static_cast<float>(m);  // sample columns
    const float tiles = static_cast<float>(options.tile);
    const float footprint = tiles / cells;
    const float fs2d = footprint;
    const float fs3d = 2.0f * options.scale * footprint;
    const float weight = 1.0f / static_cast<float>(m * m);
    // Position inside its tile, in [0, 1), of sample column k of the square.
    auto local = [&](long k) {
        const float t = (static_cast<float>(k) + 0.5f) / cells * tiles;
        return t - std::floor(t);
    };

    auto renderRows = [&](const tbb::blocked_range<int>& rows) {
        SampleBlock& block = *blocks.local();
        for (int j = rows.begin(); j != rows.end(); ++j) {
            unsigned char* out = rgb->data() + static_cast<std::size_t>(j) * n * 3;
            for (int i = 0; i < n; ++i) {
                float sum[3] = {0, 0, 0};
                for (int sj = 0; sj < m; ++sj) {
                    const float v = 1.0f - local(static_cast<long>(j) * m + sj);
                    for (int si = 0; si < m; ++si) {
                        const float u = local(static_cast<long>(i) * m + si);
                        SampleValue s;
                        KStatus st;
                        if (is3d)
                            st = sampler->samplePoint(block, (2.0f * u - 1.0f) * options.scale,
                                                      (2.0f * v - 1.0f) * options.scale, 0.0f, true,
                                                      fs3d, fs3d, &s);
                        else
                            st = sampler->sampleUv(block, u, v, fs2d, fs2d, &s);
                        if (st.error()) failed.store(true, std::memory_order_relaxed);
                        sum[0] += s.r, sum[1] += s.g, sum[2] += s.b;
                    }
                }
                out[3 * i + 0] = toByte(m == 1 ? sum[0] : sum[0] * weight);
                out[3 * i + 1] = toByte(m == 1 ? sum[1] : sum[1] * weight);
                out[3 * i + 2] = toByte(m == 1 ? sum[2] : sum[2] * weight);
            }
            progress.advance();
        }
    };
    // A node that does not declare itself safe for parallel evaluation renders on one thread.
    const int threads = !sampler->isMPSafe()  ? 1
                        : options.threads > 0 ? options.threads
                                              : tbb::this_task_arena::max_concurrency();
    tbb::task_arena arena(threads);
    arena.execute([&] { tbb::parallel_for(tbb::blocked_range<int>(0, n, 4), renderRows); });

    progress.finish();
    Graph::instance().deleteNode(node, nullptr);
    if (failed.load()) {
        *error = "evaluation of " + nodeName + " failed";
        return 1;
    }
    return 0;
}

int runSwatchJob(const std::vector<std::string>& args) {
    SwatchOptions options;
    std::string error;
    if (!parseSwatchOptions(args, &options, &error)) {
        jobs::message(kJob, error);
        std::fputs(swatchUsage(), stderr);
        return 2;
    }
    if (options.help) {
        std::fputs(swatchUsage(), stdout);
        return 0;
    }
    std::vector<unsigned char> rgb;
    try {
        if (options.list) {
            if (const int status = loadNodeType(options, &error)) {
                jobs::message(kJob, error);
                return status;
            }
            std::fputs(commands::nodeTypeHelp(options.nodeType).c_str(), stdout);
            return 0;
        }
        if (const int status = renderSwatch(options, &rgb, &error)) {
            jobs::message(kJob, error);
            return status;
        }
    } catch (const std::exception& e) {
        jobs::message(kJob, e.what());
        return 1;
    }
    if (!image::writePngRgb(options.output, options.size, options.size, rgb.data(), &error)) {
        jobs::message(kJob, error);
        return 1;
    }
    jobs::note(kJob, "wrote " + options.output + " (" + std::to_string(options.size) + "x" +
                         std::to_string(options.size) + ")");
    return 0;
}

}  // namespace tarn::texturing
