#include "host/texturing/swatch_render.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>

#include "host/texturing/texture_sampler.h"

namespace tarn::texturing {
namespace {

constexpr int kMaxSize = 16384;
constexpr int kProgressPixels = 512 * 512;
// Sphere pictures: the light direction (towards the light, unit length), the ambient share
// and the background grey.
constexpr float kSphereLight[3] = {-0.5f, 0.6f, 0.6245f};
constexpr float kSphereAmbient = 0.2f;
constexpr unsigned char kSphereBackground = 20;

unsigned char toByte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<unsigned char>(std::lround(c * 255.0f));
}

}  // namespace

bool renderNodeSwatch(const KObject& node, const SwatchRender& options,
                      std::vector<std::uint8_t>* rgb, std::string* error) {
    if (options.size < 1 || options.size > kMaxSize || !(options.scale > 0.0f) ||
        !std::isfinite(options.scale)) {
        *error = "size must be 1 to " + std::to_string(kMaxSize) + " and scale positive";
        return false;
    }
    std::unique_ptr<TextureSampler> sampler = TextureSampler::create(node, error);
    if (!sampler) return false;
    const bool is3d = sampler->kind() == TextureKind::k3d;
    if (options.sphere && !is3d) {
        *error = sampler->nodeName() + " is a 2D texture; a sphere needs a 3D texture";
        return false;
    }

    const int n = options.size;
    const float scale = options.scale;
    rgb->assign(static_cast<std::size_t>(n) * n * 3, 0);
    // One private block per worker thread, made on the thread's first rows.
    tbb::enumerable_thread_specific<std::unique_ptr<SampleBlock>> blocks([&] {
        std::unique_ptr<SampleBlock> block = sampler->makeBlock();
        if (is3d) sampler->setIdentityPlacement(*block);
        return block;
    });
    std::atomic<int> rowsDone{0};
    std::atomic<int> lastReported{0};
    std::atomic<bool> failed{false};
    const bool progress = options.progress && static_cast<long>(n) * n >= kProgressPixels;
    const float fs2d = 1.0f / static_cast<float>(n);
    const float fs3d = 2.0f * scale / static_cast<float>(n);

    auto renderRows = [&](const tbb::blocked_range<int>& rows) {
        SampleBlock& block = *blocks.local();
        for (int j = rows.begin(); j != rows.end(); ++j) {
            const float v = 1.0f - (static_cast<float>(j) + 0.5f) / static_cast<float>(n);
            unsigned char* out = rgb->data() + static_cast<std::size_t>(j) * n * 3;
            for (int i = 0; i < n; ++i) {
                const float u = (static_cast<float>(i) + 0.5f) / static_cast<float>(n);
                const float x = 2.0f * u - 1.0f, y = 2.0f * v - 1.0f;
                SampleValue s;
                KStatus st;
                float shade = 1.0f;
                if (options.sphere) {
                    // Front surface point of the unit sphere under the pixel, then scaled.
                    const float zz = 1.0f - x * x - y * y;
                    if (zz < 0.0f) {
                        out[3 * i + 0] = out[3 * i + 1] = out[3 * i + 2] = kSphereBackground;
                        continue;
                    }
                    const float z = std::sqrt(zz);
                    const float lambert =
                        x * kSphereLight[0] + y * kSphereLight[1] + z * kSphereLight[2];
                    shade = kSphereAmbient + (1.0f - kSphereAmbient) * std::max(0.0f, lambert);
                    st = sampler->samplePoint(block, x * scale, y * scale, z * scale, true, fs3d,
                                              fs3d, &s);
                } else if (is3d) {
                    st = sampler->samplePoint(block, x * scale, y * scale, 0.0f, true, fs3d, fs3d,
                                              &s);
                } else {
                    st = sampler->sampleUv(block, u, v, fs2d, fs2d, &s);
                }
                if (st.error()) failed.store(true, std::memory_order_relaxed);
                out[3 * i + 0] = toByte(s.r * shade);
                out[3 * i + 1] = toByte(s.g * shade);
                out[3 * i + 2] = toByte(s.b * shade);
            }
            // Report every tenth of the rows once, from whichever thread crosses it.
            const int done = rowsDone.fetch_add(1, std::memory_order_relaxed) + 1;
            const int tenth = done * 10 / n;
            int seen = lastReported.load(std::memory_order_relaxed);
            if (progress && tenth > seen &&
                lastReported.compare_exchange_strong(seen, tenth, std::memory_order_relaxed))
                std::fprintf(stderr, "swatch: %d%%\n", tenth * 10);
        }
    };
    // A node that does not declare itself safe for parallel evaluation renders on one thread.
    const int threads = !sampler->isMPSafe()  ? 1
                        : options.threads > 0 ? options.threads
                                              : tbb::this_task_arena::max_concurrency();
    tbb::task_arena arena(threads);
    arena.execute([&] { tbb::parallel_for(tbb::blocked_range<int>(0, n, 4), renderRows); });

    if (failed.load()) {
        *error = "evaluation of " + sampler->nodeName() + " failed";
        return false;
    }
    return true;
}

}  // namespace tarn::texturing
