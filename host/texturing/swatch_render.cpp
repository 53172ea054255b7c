#include "host/texturing/swatch_render.h"

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <optional>

#include "host/image/png_writer.h"
#include "host/render/job_report.h"
#include "host/texturing/texture_sampler.h"

namespace tarn::texturing {
namespace {

constexpr int kMaxSize = image::kMaxPngSide;  // the largest side the image writer takes
constexpr int kMaxSamples = 16;
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
        !std::isfinite(options.scale) || options.tile < 1 || options.tile > options.size ||
        options.samples < 1 || options.samples > kMaxSamples) {
        *error = "size must be 1 to " + std::to_string(kMaxSize) + ", scale positive, tile 1 to " +
                 "the size and samples 1 to " + std::to_string(kMaxSamples);
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
    std::atomic<bool> failed{false};
    std::optional<jobs::JobProgress> progress;
    if (options.progressJob) progress.emplace(options.progressJob, n);

    // Flat pictures: the square holds `tile` copies; each pixel averages an m x m grid.
    const int m = options.sphere ? 1 : options.samples;
    const float cells = static_cast<float>(n) * static_cast<float>(m);  // sample columns
    const float tiles = options.sphere ? 1.0f : static_cast<float>(options.tile);
    const float footprint = tiles / cells;
    const float fs2d = footprint;
    const float fs3d = 2.0f * scale * footprint;
    const float weight = 1.0f / static_cast<float>(m * m);
    // Position inside its tile, in [0, 1), of sample column k of the square.
    auto local = [&](long k) {
        const float t = (static_cast<float>(k) + 0.5f) / cells * tiles;
        return t - std::floor(t);
    };

    auto spherePixel = [&](SampleBlock& block, int i, int j, unsigned char* out) {
        const float u = (static_cast<float>(i) + 0.5f) / static_cast<float>(n);
        const float v = 1.0f - (static_cast<float>(j) + 0.5f) / static_cast<float>(n);
        const float x = 2.0f * u - 1.0f, y = 2.0f * v - 1.0f;
        // Front surface point of the unit sphere under the pixel, then scaled.
        const float zz = 1.0f - x * x - y * y;
        if (zz < 0.0f) {
            out[0] = out[1] = out[2] = kSphereBackground;
            return;
        }
        const float z = std::sqrt(zz);
        const float lambert = x * kSphereLight[0] + y * kSphereLight[1] + z * kSphereLight[2];
        const float shade = kSphereAmbient + (1.0f - kSphereAmbient) * std::max(0.0f, lambert);
        SampleValue s;
        if (sampler->samplePoint(block, x * scale, y * scale, z * scale, true, fs3d, fs3d, &s)
                .error())
            failed.store(true, std::memory_order_relaxed);
        out[0] = toByte(s.r * shade);
        out[1] = toByte(s.g * shade);
        out[2] = toByte(s.b * shade);
    };
    auto flatPixel = [&](SampleBlock& block, int i, int j, unsigned char* out) {
        float sum[3] = {0, 0, 0};
        for (int sj = 0; sj < m; ++sj) {
            const float v = 1.0f - local(static_cast<long>(j) * m + sj);
            for (int si = 0; si < m; ++si) {
                const float u = local(static_cast<long>(i) * m + si);
                SampleValue s;
                KStatus st;
                if (is3d)
                    st =
                        sampler->samplePoint(block, (2.0f * u - 1.0f) * scale,
                                             (2.0f * v - 1.0f) * scale, 0.0f, true, fs3d, fs3d, &s);
                else
                    st = sampler->sampleUv(block, u, v, fs2d, fs2d, &s);
                if (st.error()) failed.store(true, std::memory_order_relaxed);
                sum[0] += s.r, sum[1] += s.g, sum[2] += s.b;
            }
        }
        for (int c = 0; c < 3; ++c) out[c] = toByte(m == 1 ? sum[c] : sum[c] * weight);
    };
    auto renderRows = [&](const tbb::blocked_range<int>& rows) {
        SampleBlock& block = *blocks.local();
        for (int j = rows.begin(); j != rows.end(); ++j) {
            unsigned char* out = rgb->data() + static_cast<std::size_t>(j) * n * 3;
            for (int i = 0; i < n; ++i) {
                if (options.sphere)
                    spherePixel(block, i, j, out + 3 * i);
                else
                    flatPixel(block, i, j, out + 3 * i);
            }
            if (progress) progress->advance();
        }
    };
    // A node that does not declare itself safe for parallel evaluation renders on one thread.
    const int threads = !sampler->isMPSafe()  ? 1
                        : options.threads > 0 ? options.threads
                                              : tbb::this_task_arena::max_concurrency();
    tbb::task_arena arena(threads);
    arena.execute([&] { tbb::parallel_for(tbb::blocked_range<int>(0, n, 4), renderRows); });
    if (progress) progress->finish();

    if (failed.load()) {
        *error = "evaluation of " + sampler->nodeName() + " failed";
        return false;
    }
    return true;
}

}  // namespace tarn::texturing
