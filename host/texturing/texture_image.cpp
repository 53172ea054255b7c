#include "host/texturing/texture_image.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"

namespace tarn::texturing {
namespace {

std::uint8_t toByte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<std::uint8_t>(std::lround(c * 255.0f));
}

// Runs `body(block, begin, end)` over [0, count) with one private block per worker; on one
// thread for a node that is not safe for parallel evaluation.
template <class Body>
void forEachBlock(const TextureSampler& sampler, size_t count, size_t grain, const Body& body) {
    tbb::enumerable_thread_specific<std::unique_ptr<SampleBlock>> blocks(
        [&] { return sampler.makeBlock(); });
    const int threads = sampler.isMPSafe() ? tbb::this_task_arena::max_concurrency() : 1;
    tbb::task_arena arena(threads);
    arena.execute([&] {
        tbb::parallel_for(tbb::blocked_range<size_t>(0, count, grain),
                          [&](const auto& r) { body(*blocks.local(), r.begin(), r.end()); });
    });
}

}  // namespace

KObject colorSourceOf(const KObject& shader) {
    const KPlug colorPlug = scene::plugByName(shader, "color");
    if (colorPlug.isNull()) return {};
    for (const Connection& c : Graph::instance().connectionsOf(colorPlug, true, false))
        if (c.srcNode && c.srcNode->alive()) return scene::handleOf(c.srcNode);
    return {};
}

bool sampleUvImage(const TextureSampler& sampler, int size, std::vector<std::uint8_t>& rgba,
                   std::string* error) {
    if (sampler.kind() != TextureKind::k2d || size < 1 || size > 4096) {
        *error = sampler.nodeName() + " cannot be sampled over UVs at that size";
        return false;
    }
    rgba.assign(static_cast<size_t>(size) * size * 4, 255);
    std::atomic<bool> failed{false};
    const float fs = 1.0f / static_cast<float>(size);
    forEachBlock(
        sampler, static_cast<size_t>(size), 4, [&](SampleBlock& block, size_t b, size_t e) {
            for (size_t j = b; j != e; ++j) {
                const float v = (static_cast<float>(j) + 0.5f) * fs;
                std::uint8_t* row = rgba.data() + j * size * 4;
                for (int i = 0; i < size; ++i) {
                    SampleValue s;
                    if (sampler.sampleUv(block, (static_cast<float>(i) + 0.5f) * fs, v, fs, fs, &s)
                            .error())
                        failed.store(true, std::memory_order_relaxed);
                    row[4 * i + 0] = toByte(s.r);
                    row[4 * i + 1] = toByte(s.g);
                    row[4 * i + 2] = toByte(s.b);
                }
            }
        });
    if (failed.load()) *error = "evaluation of " + sampler.nodeName() + " failed";
    return !failed.load();
}

bool samplePoints(const TextureSampler& sampler, const std::vector<float>& points,
                  std::vector<float>& rgb, std::string* error) {
    if (sampler.kind() != TextureKind::k3d) {
        *error = sampler.nodeName() + " is not a 3D texture";
        return false;
    }
    const size_t n = points.size() / 3;
    rgb.assign(n * 3, 0.0f);
    std::atomic<bool> failed{false};
    forEachBlock(sampler, n, 1024, [&](SampleBlock& block, size_t b, size_t e) {
        for (size_t i = b; i != e; ++i) {
            SampleValue s;
            if (sampler
                    .samplePoint(block, points[3 * i], points[3 * i + 1], points[3 * i + 2], true,
                                 0.0f, 0.0f, &s)
                    .error())
                failed.store(true, std::memory_order_relaxed);
            rgb[3 * i] = s.r, rgb[3 * i + 1] = s.g, rgb[3 * i + 2] = s.b;
        }
    });
    if (failed.load()) *error = "evaluation of " + sampler.nodeName() + " failed";
    return !failed.load();
}

bool averageColor(const TextureSampler& sampler, int grid, float out[3], std::string* error) {
    grid = std::clamp(grid, 1, 64);
    const float step = 1.0f / static_cast<float>(grid);
    std::vector<float> rgb;
    if (sampler.kind() == TextureKind::k2d) {
        // Mean of the UV image's samples, taken as floats.
        rgb.assign(static_cast<size_t>(grid) * grid * 3, 0.0f);
        std::atomic<bool> failed{false};
        forEachBlock(sampler, static_cast<size_t>(grid) * grid, 16,
                     [&](SampleBlock& block, size_t b, size_t e) {
                         for (size_t k = b; k != e; ++k) {
                             const float u = (static_cast<float>(k % grid) + 0.5f) * step;
                             const float v = (static_cast<float>(k / grid) + 0.5f) * step;
                             SampleValue s;
                             if (sampler.sampleUv(block, u, v, step, step, &s).error())
                                 failed.store(true, std::memory_order_relaxed);
                             rgb[3 * k] = s.r, rgb[3 * k + 1] = s.g, rgb[3 * k + 2] = s.b;
                         }
                     });
        if (failed.load()) {
            *error = "evaluation of " + sampler.nodeName() + " failed";
            return false;
        }
    } else {
        std::vector<float> points;
        points.reserve(static_cast<size_t>(grid) * grid * grid * 3);
        for (int z = 0; z < grid; ++z)
            for (int y = 0; y < grid; ++y)
                for (int x = 0; x < grid; ++x)
                    for (int c : {x, y, z})
                        points.push_back(-1.0f + 2.0f * (static_cast<float>(c) + 0.5f) * step);
        if (!samplePoints(sampler, points, rgb, error)) return false;
    }
    double sum[3] = {0, 0, 0};
    const size_t n = rgb.size() / 3;
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) sum[c] += rgb[3 * i + c];
    for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(sum[c] / static_cast<double>(n));
    return true;
}

}  // namespace tarn::texturing
