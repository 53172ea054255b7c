#include "texture/common/noise.h"

#include <cmath>
#include <mutex>
#include <utility>

#include "frame/k_random.h"
#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

constexpr int kCells = 256;
constexpr int kMask = 255;
constexpr float kOffset = 256.0f;
constexpr int kDrawsPerFill = 1023;
// Offset coordinates of magnitude below 2^31 truncate to int; others cannot be converted
// safely.
constexpr float kIntRange = 2147483648.0f;

// Note: per-library mutable state by design. Written once under s_fillOnce, read-only after.
NoiseTables s_tables;
std::once_flag s_fillOnce;
std::atomic<bool> s_filled{false};

void fillTables() {
    // Hold the host lock so that no other draw interleaves with the seed and the 1023 draws.
    std::lock_guard<std::recursive_mutex> guard(KFoundation::randomLock());
    KFoundation::srand48(1);
    int draws = 0;
    for (int i = 0; i < kCells; ++i) {
        s_tables.perm[i] = i;
        float* g = s_tables.grad[i];
        for (int k = 0; k < 3; ++k) {
            const long n = KFoundation::lrand48();
            ++draws;
            g[k] = static_cast<float>(static_cast<double>((n % 512) - 256) * 0.00390625);
        }
        const float len = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        g[0] = g[0] / len;
        g[1] = g[1] / len;
        g[2] = g[2] / len;
    }
    for (int i = kCells - 1; i > 0; --i) {
        const int j = static_cast<int>(KFoundation::lrand48() % kCells);
        ++draws;
        std::swap(s_tables.perm[i], s_tables.perm[j]);
    }
    for (int i = 0; i < kCells + 2; ++i) {
        s_tables.perm[kCells + i] = s_tables.perm[i];
        for (int k = 0; k < 3; ++k) s_tables.grad[kCells + i][k] = s_tables.grad[i][k];
    }
    (void)draws;  // kDrawsPerFill by construction: 768 components + 255 shuffle indices.
    static_assert(kCells * 3 + kCells - 1 == kDrawsPerFill);
}

inline bool tablesReady() {
    return s_filled.load(std::memory_order_acquire);
}

inline void ensureTables() {
    if (!tablesReady()) [[unlikely]]
        initNoiseTables();
}

struct Lattice {
    int b0, b1;
    float r0, r1, s;
};

// Cell indices, offsets and ease of one coordinate. The integer part truncates toward zero.
inline Lattice lattice(float c) {
    const float t = c + kOffset;
    Lattice l;
    // -2^31 itself converts too, but gives the same cell, next cell and offset as the branch
    // below; one magnitude test keeps this path short.
    if (std::fabs(t) < kIntRange) [[likely]] {
        const int k = static_cast<int>(t);
        l.b0 = k & kMask;
        l.b1 = (k + 1) & kMask;
        l.r0 = t - static_cast<float>(k);
    } else {
        // Note: from 2^31 on every float is a whole multiple of 256, so truncation would give
        // cell 0, next cell 1 and offset 0 exactly; NaN lands here too and gives the same
        // instead of an undefined integer conversion.
        l.b0 = 0;
        l.b1 = 1;
        l.r0 = 0.0f;
    }
    l.r1 = l.r0 - 1.0f;
    l.s = smoothCurve(l.r0);
    return l;
}

inline float dot2(const float* g, float a, float b) {
    return a * g[0] + b * g[1];
}

inline float dot3(const float* g, float a, float b, float c) {
    return a * g[0] + b * g[1] + c * g[2];
}

}  // namespace

void initNoiseTables() {
    std::call_once(s_fillOnce, [] {
        fillTables();
        s_filled.store(true, std::memory_order_release);
    });
}

const NoiseTables& noiseTables() {
    ensureTables();
    return s_tables;
}

float noise1(float x) {
    ensureTables();
    const Lattice lx = lattice(x);
    const int* p = s_tables.perm;
    const float u = lx.r0 * s_tables.grad[p[lx.b0]][0];
    const float v = lx.r1 * s_tables.grad[p[lx.b1]][0];
    return u + lx.s * (v - u);
}

float noise2(float x, float y) {
    ensureTables();
    const Lattice lx = lattice(x);
    const Lattice ly = lattice(y);
    const int* p = s_tables.perm;
    const int i = p[lx.b0];
    const int j = p[lx.b1];
    const int b00 = p[i + ly.b0];
    const int b10 = p[j + ly.b0];
    const int b01 = p[i + ly.b1];
    const int b11 = p[j + ly.b1];
    const auto& g = s_tables.grad;

    float u = dot2(g[b00], lx.r0, ly.r0);
    float v = dot2(g[b10], lx.r1, ly.r0);
    const float a = u + lx.s * (v - u);
    u = dot2(g[b01], lx.r0, ly.r1);
    v = dot2(g[b11], lx.r1, ly.r1);
    const float b = u + lx.s * (v - u);
    return a + ly.s * (b - a);
}

namespace {

// The lattice evaluation proper; the tables are filled.
inline float noise3Filled(float x, float y, float z) {
    const Lattice lx = lattice(x);
    const Lattice ly = lattice(y);
    const Lattice lz = lattice(z);
    const int* p = s_tables.perm;
    const int i = p[lx.b0];
    const int j = p[lx.b1];
    const int b00 = p[i + ly.b0];
    const int b10 = p[j + ly.b0];
    const int b01 = p[i + ly.b1];
    const int b11 = p[j + ly.b1];
    const auto& g = s_tables.grad;

    // Near z plane.
    float u = dot3(g[b00 + lz.b0], lx.r0, ly.r0, lz.r0);
    float v = dot3(g[b10 + lz.b0], lx.r1, ly.r0, lz.r0);
    float a = u + lx.s * (v - u);
    u = dot3(g[b01 + lz.b0], lx.r0, ly.r1, lz.r0);
    v = dot3(g[b11 + lz.b0], lx.r1, ly.r1, lz.r0);
    float b = u + lx.s * (v - u);
    const float c = a + ly.s * (b - a);

    // Far z plane.
    u = dot3(g[b00 + lz.b1], lx.r0, ly.r0, lz.r1);
    v = dot3(g[b10 + lz.b1], lx.r1, ly.r0, lz.r1);
    a = u + lx.s * (v - u);
    u = dot3(g[b01 + lz.b1], lx.r0, ly.r1, lz.r1);
    v = dot3(g[b11 + lz.b1], lx.r1, ly.r1, lz.r1);
    b = u + lx.s * (v - u);
    const float d = a + ly.s * (b - a);

    return c + lz.s * (d - c);
}

// First use: fill, then evaluate. Kept out of line so the hot path needs no call frame.
[[gnu::cold, gnu::noinline]] float noise3First(float x, float y, float z) {
    initNoiseTables();
    return noise3Filled(x, y, z);
}

}  // namespace

float noise3(float x, float y, float z) {
    if (!tablesReady()) [[unlikely]]
        return noise3First(x, y, z);
    return noise3Filled(x, y, z);
}

float unitNoise1(float x) {
    return unitFromNoise(noise1(x));
}

float unitNoise2(float x, float y) {
    return unitFromNoise(noise2(x, y));
}

float bandCurve(float a) {
    if (a <= 0.2f) return 0.0f;
    if (a >= 0.75f) return 1.0f;
    return smoothCurve((a - 0.2f) / 0.55f);
}

float noiseBand1(float x) {
    return bandCurve(unitNoise1(x));
}

float noiseBand2(float x, float y) {
    return bandCurve(unitNoise2(x, y));
}

float fractalNoise3(float x, float y, float z, float width, int octaves, float lacunarity,
                    float gain) {
    if (octaves <= 0) return 0.0f;
    float sum = 0.0f;
    float amplitude = 1.0f;
    float w = width;
    for (int o = 0; o < octaves; ++o) {
        // Fade the octave out as its filter width passes 0.2 lattice cells.
        const float fade = bandCurve(w);
        sum += noise3(x, y, z) * (1.0f - fade) * amplitude;
        x *= lacunarity;
        y *= lacunarity;
        z *= lacunarity;
        w *= lacunarity;
        amplitude *= gain;
    }
    return sum;
}

}  // namespace texture
