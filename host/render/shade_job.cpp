#include "host/render/shade_job.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "frame/k_math.h"
#include "host/commands/node_type_help.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/dg/sample_evaluator.h"
#include "host/plugins/plugin_loader.h"
#include "host/render/job_args.h"
#include "host/render/job_report.h"
#include "host/render/shade_options.h"

#include "host/image/png_writer.h"

namespace tarn::render {
namespace {

constexpr const char* kJob = "shade";
constexpr const char* kTypeName = "DermalShade";
constexpr double kSphereDistance = 3.2;  // sphere of radius 1 centred on (0, 0, -3.2)
constexpr double kTanHalfFov = 0.36;
constexpr float kBackground[3] = {0.03f, 0.03f, 0.03f};  // linear
constexpr int kSubsamples = 2;                           // per axis

// The attributes a renderer fills per sample and the one it reads back.
struct SampleAttributes {
    SampleSlot point, normal, outColor, lightArray, direction, intensity, ambient, diffuse,
        specular;
};

// One light as the renderer hands it to the shader.
struct SampleLight {
    float direction[3];
    float colour[3];
    bool ambient, diffuse, specular;
};

bool findAttributes(const SampleEvaluator& eval, SampleAttributes& a, std::string* error) {
    struct Need {
        SampleSlot* slot;
        const char* name;
    };
    const Need needs[] = {{&a.point, "pointCamera"},        {&a.normal, "normalCamera"},
                          {&a.outColor, "outColor"},        {&a.lightArray, "lightDataArray"},
                          {&a.direction, "lightDirection"}, {&a.intensity, "lightIntensity"},
                          {&a.ambient, "lightAmbient"},     {&a.diffuse, "lightDiffuse"},
                          {&a.specular, "lightSpecular"}};
    for (const Need& need : needs) {
        *need.slot = eval.slot(need.name);
        if (!*need.slot) {
            *error = std::string("the DermalShade type has no attribute ") + need.name;
            return false;
        }
    }
    return true;
}

// Applies one --set to the node; a single value on a compound sets all three children.
bool applySetting(const std::string& node, const ShadeSetting& setting, std::string* error) {
    std::string parseError;
    KPlug plug = Graph::instance().parsePlug(node + "." + setting.attribute, &parseError);
    if (plug.isNull()) {
        *error = "DermalShade has no attribute '" + setting.attribute + "'";
        return false;
    }
    const unsigned children = plug.numChildren();
    if (setting.values.size() == 3 && children != 3) {
        *error = "'" + setting.attribute + "' takes one value";
        return false;
    }
    KStatus status;
    if (children == 3) {
        for (unsigned c = 0; c < 3 && status; ++c)
            status = plug.child(c).setValue(setting.values[setting.values.size() == 3 ? c : 0]);
    } else {
        status = plug.setValue(setting.values[0]);
    }
    if (!status) {
        *error = "'" + setting.attribute + "' cannot be set";
        return false;
    }
    return true;
}

std::vector<SampleLight> sampleLights(const ShadeOptions& options) {
    std::vector<SampleLight> lights;
    for (const ShadeLight& l : options.lights) {
        // Divided by the largest component first, so that a direction near the float limit
        // (whose length itself would overflow) or a tiny one normalises like a unit one.
        const float* d = l.direction;
        const float m = std::max({std::fabs(d[0]), std::fabs(d[1]), std::fabs(d[2])});
        const float a[3] = {d[0] / m, d[1] / m, d[2] / m};
        const float len = vectorLength(a[0], a[1], a[2]);
        lights.push_back({{a[0] / len, a[1] / len, a[2] / len},
                          {l.colour[0], l.colour[1], l.colour[2]},
                          false,
                          true,
                          true});
    }
    if (options.hasAmbient)
        lights.push_back({{0, 0, 1},
                          {options.ambient[0], options.ambient[1], options.ambient[2]},
                          true,
                          false,
                          false});
    return lights;
}

}  // namespace

float toneMap(float linear, float exposure, ToneCurve curve) {
    const float x = (linear > 0.0f ? linear : 0.0f) * std::exp2(exposure);
    if (curve == ToneCurve::kLinear) return std::min(x, 1.0f);
    // A fitted filmic curve: a short toe, a lifted middle (0.18 -> 0.27, 1 -> 0.80) and a
    // shoulder that reaches white only at about 7.2 instead of clipping at 1.
    const float y = (x * (2.51f * x + 0.03f)) / (x * (2.43f * x + 0.59f) + 0.14f);
    return std::isfinite(y) ? std::clamp(y, 0.0f, 1.0f) : 1.0f;
}

namespace {

std::uint8_t toByte(float display) {
    return static_cast<std::uint8_t>(std::lround(255.0 * std::pow(display, 1.0 / 2.2)));
}

// Renders the sphere into 8-bit RGB. Each task shades on its own block (a private copy of the
// node's values); tasks run on all cores only when the node declares itself safe for parallel
// evaluation, on the calling thread otherwise.
bool renderSphere(const SampleEvaluator& eval, const SampleAttributes& a,
                  const std::vector<SampleLight>& lights, const ShadeOptions& options,
                  std::vector<std::uint8_t>& pixels) {
    const int size = options.size;
    std::atomic<bool> failed{false};
    jobs::JobProgress progress(kJob, size);
    tbb::task_arena arena(eval.isMPSafe() ? tbb::task_arena::automatic : 1);
    arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<int>(0, size, 4), [&](const tbb::blocked_range<int>& rows) {
                // Per task: the private block with exactly the rig's light elements (a node
                // may hold others from earlier renders) and the handles of those elements.
                SampleBlock block = eval.makeBlock();
                block.clearArray(a.lightArray);
                struct LightHandles {
                    KDataHandle direction, intensity, ambient, diffuse, specular;
                };
                std::vector<LightHandles> lh;
                for (size_t i = 0; i < lights.size(); ++i) {
                    const int index = static_cast<int>(i);
                    lh.push_back({block.handle(a.direction, index),
                                  block.handle(a.intensity, index), block.handle(a.ambient, index),
                                  block.handle(a.diffuse, index), block.handle(a.specular, index)});
                }
                for (int y = rows.begin(); y < rows.end(); ++y) {
                    for (int x = 0; x < size; ++x) {
                        float sum[3] = {0, 0, 0};
                        for (int sy = 0; sy < kSubsamples; ++sy)
                            for (int sx = 0; sx < kSubsamples; ++sx) {
                                // Camera ray through the subsample; hit the sphere.
                                const double px =
                                    ((x + (sx + 0.5) / kSubsamples) * 2.0 / size - 1.0);
                                const double py =
                                    (1.0 - (y + (sy + 0.5) / kSubsamples) * 2.0 / size);
                                double dx = px * kTanHalfFov, dy = py * kTanHalfFov, dz = -1.0;
                                const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
                                dx /= len, dy /= len, dz /= len;
                                const double b =
                                    dz * -kSphereDistance;  // d . (origin - centre) negated
                                const double disc =
                                    b * b - (kSphereDistance * kSphereDistance - 1.0);
                                if (disc < 0.0) {
                                    for (int c = 0; c < 3; ++c) sum[c] += kBackground[c];
                                    continue;
                                }
                                const double t = b - std::sqrt(disc);
                                const double hx = dx * t, hy = dy * t, hz = dz * t;
                                block.set(a.point, hx, hy, hz);
                                block.set(a.normal, hx, hy, hz + kSphereDistance);
                                for (size_t i = 0; i < lights.size(); ++i) {
                                    const SampleLight& l = lights[i];
                                    lh[i].direction.set(l.direction[0], l.direction[1],
                                                        l.direction[2]);
                                    lh[i].intensity.set(l.colour[0], l.colour[1], l.colour[2]);
                                    lh[i].ambient.set(l.ambient);
                                    lh[i].diffuse.set(l.diffuse);
                                    lh[i].specular.set(l.specular);
                                }
                                if (!block.compute(a.outColor)) failed = true;
                                const KFloatVector c = block.floatVector(a.outColor);
                                sum[0] += c.x, sum[1] += c.y, sum[2] += c.z;
                            }
                        std::uint8_t* p = &pixels[(static_cast<size_t>(y) * size + x) * 3];
                        for (int c = 0; c < 3; ++c)
                            p[c] = toByte(toneMap(sum[c] / (kSubsamples * kSubsamples),
                                                  options.exposure, options.tone));
                    }
                    progress.advance();
                }
            });
    });
    return !failed;
}

int fail(const std::string& message, int code) {
    jobs::message(kJob, message);
    return code;
}

}  // namespace

bool renderShadedSphere(const KObject& node, const ShadeOptions& options,
                        std::vector<std::uint8_t>& pixels, std::string* error) {
    const std::vector<SampleLight> lights = sampleLights(options);
    SampleEvaluator eval;
    if (!eval.prepare(node, error)) return false;
    SampleAttributes attributes;
    if (!findAttributes(eval, attributes, error)) return false;
    pixels.assign(static_cast<size_t>(options.size) * options.size * 3, 0);
    if (!renderSphere(eval, attributes, lights, options, pixels)) {
        *error = "the shader failed while rendering";
        return false;
    }
    return true;
}

int runShadeJob(const std::vector<std::string>& args) {
    try {
        ShadeOptions options;
        jobs::ArgumentError argumentError;
        if (!parseShadeOptions(args, options, &argumentError))
            return jobs::refuseArguments(kJob, argumentError, shadeUsage());

        // Make sure the node type is known.
        Graph& graph = Graph::instance();
        std::string error;
        if (!graph.findType(kTypeName) &&
            !plugins::PluginLoader::instance().load(kTypeName, &error))
            return fail("cannot load the DermalShade plug-in: " + error, 1);
        if (options.list) {
            std::fputs(commands::nodeTypeHelp(kTypeName).c_str(), stdout);
            return 0;
        }
        // A node for the job, removed again whatever happens.
        const KObject node = graph.createNode(kTypeName, "", &error);
        if (node.isNull()) return fail("cannot create a DermalShade node: " + error, 1);
        struct Cleanup {
            KObject node;
            ~Cleanup() {
                std::string ignored;
                Graph::instance().deleteNode(node, &ignored);
            }
        } cleanup{node};
        NodeImpl& impl = *NodeImpl::from(node);

        for (const ShadeSetting& setting : options.settings)
            if (!applySetting(impl.name(), setting, &error))
                return jobs::refuseArguments(kJob, {error}, shadeUsage());
        std::vector<std::uint8_t> pixels;
        if (!renderShadedSphere(node, options, pixels, &error)) return fail(error, 1);
        if (!image::writeRgbByExtension(options.output, options.size, options.size, pixels.data(),
                                        &error))
            return fail(error, 1);
        jobs::note(kJob, "wrote " + options.output + " (" + std::to_string(options.size) + "x" +
                             std::to_string(options.size) + ")");
        return 0;
    } catch (const std::exception& e) {
        return fail(std::string("failed: ") + e.what(), 1);
    }
}

}  // namespace tarn::render
