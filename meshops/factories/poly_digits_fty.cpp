#include "meshops/factories/poly_digits_fty.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

const std::uint8_t segmentLit[10][7] = {
    {1, 0, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 1, 1}, {1, 1, 1, 1, 0, 0, 1}, {1, 1, 1, 0, 0, 1, 1},
    {0, 1, 0, 0, 1, 1, 1}, {1, 1, 1, 0, 1, 1, 0}, {1, 1, 1, 1, 1, 1, 0}, {0, 0, 1, 0, 0, 1, 1},
    {1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 0, 1, 1, 1},
};

Rand48::Rand48(long seed)
    : m_x((std::uint64_t(static_cast<std::uint32_t>(seed)) << 16) | 0x330Eu) {}

double Rand48::next() {
    constexpr std::uint64_t kMask = (std::uint64_t(1) << 48) - 1;
    m_x = (0x5DEECE66Dull * m_x + 0xBu) & kMask;
    return static_cast<double>(m_x) / static_cast<double>(std::uint64_t(1) << 48);
}

namespace {

DigitTables g_tables;
std::atomic<bool> g_tablesReady{false};

// The library-wide lock the tables are filled under (made on first use).
std::mutex& tablesLock() {
    static std::mutex lock;
    return lock;
}

void fillTables() {
    if (g_tablesReady.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> guard(tablesLock());
    if (g_tablesReady.load(std::memory_order_relaxed)) return;
    std::int64_t p = 1;
    for (std::int64_t& v : g_tables.pow10) {
        v = p;
        p *= 10;
    }
    for (int s = 0; s < 7; ++s) {
        g_tables.litTotal[s] = 0;
        for (int d = 0; d < 10; ++d) g_tables.litTotal[s] += segmentLit[d][s];
    }
    for (int d = 0; d < 10; ++d) {
        g_tables.vertexCount[d] = 0;
        for (int s = 0; s < 7; ++s) g_tables.vertexCount[d] += 6 * segmentLit[d][s];
    }
    g_tablesReady.store(true, std::memory_order_release);
}

// Appends the hexagon shapes, sheared by the slant, each one face of six hard edges.
class Shaper {
public:
    Shaper(TpolyGeom& geom, const TpolyDigitsFty& f)
        : m_geom(geom),
          m_t(f.thickness),
          m_s(f.segmentSpacing),
          m_h(f.height),
          m_slant(f.slant),
          m_set(f.uvsOn ? f.uvSet : -1) {}

    void horizontal(float x, float y, float u) {
        const float t = m_t, s = m_s;
        // Listed along the bottom first, so that it winds like the other shapes.
        hexagon({x + s, y, x + s + t, y - t, x + 1 - s - t, y - t, x + 1 - s, y, x + 1 - s - t,
                 y + t, x + s + t, y + t},
                u);
    }
    void vertical(float x, float y, float u) {
        const float t = m_t, s = m_s, h = m_h;
        hexagon({x, y + s, x + t, y + s + t, x + t, y + h - s - t, x, y + h - s, x - t,
                 y + h - s - t, x - t, y + s + t},
                u);
    }
    void dot(float x) {
        const float t = m_t;
        hexagon(
            {x, -0.02f - t, x + t, -0.02f, x + t, 0.02f, x, t + 0.02f, x - t, 0.02f, x - t, -0.02f},
            0.0f);
    }
    void comma(float x) {
        const float t = m_t, h = m_h;
        hexagon({x, -0.2f * h - t, x + t, -0.2f * h, x + t, 0.0f, x, h * t, x - t, 0.0f, x - t,
                 -0.2f * h},
                0.0f);
    }
    // Segment `seg` of the digit cell at x.
    void segment(int seg, float x, float u) {
        switch (seg) {
            case 0:
                return horizontal(x, 0.0f, u);
            case 1:
                return horizontal(x, m_h, u);
            case 2:
                return horizontal(x, 2 * m_h, u);
            case 3:
                return vertical(x, 0.0f, u);
            case 4:
                return vertical(x, m_h, u);
            case 5:
                return vertical(x + 1, 0.0f, u);
            default:
                return vertical(x + 1, m_h, u);
        }
    }

private:
    void hexagon(const std::array<float, 12>& xy, float u) {
        int first = -1;
        int uv[6] = {-1, -1, -1, -1, -1, -1};
        for (int i = 0; i < 6; ++i) {
            const float x = xy[2 * i], y = xy[2 * i + 1];
            const int v = m_geom.appendVertex({x + y * m_slant, y, 0.0});
            if (first < 0) first = v;
            if (m_set >= 0) uv[i] = m_geom.appendUV(u, 0.0f, m_set);
        }
        int edges[6];
        for (int i = 0; i < 6; ++i)
            edges[i] = m_geom.appendEdge(first + i, first + (i + 1) % 6, true);
        m_geom.bgnFace();
        for (int i = 0; i < 6; ++i) {
            m_geom.useEdge(edges[i], false);
            if (m_set >= 0) m_geom.refUV(uv[i], m_set);
        }
        m_geom.endFace();
    }

    TpolyGeom& m_geom;
    float m_t, m_s, m_h, m_slant;
    int m_set;
};

}  // namespace

TpolyDigitsFty::TpolyDigitsFty() {
    fillTables();
}

const DigitTables& TpolyDigitsFty::tables() {
    fillTables();
    return g_tables;
}

int TpolyDigitsFty::modify(TmidBody& body) {
    const DigitTables& tab = tables();
    // Note: values past the tables' ends are clamped, not trusted.
    const int n = std::clamp(numDigits, kMinDigits, kMaxDigits);
    const int dot = std::clamp(dotPosition, 0, kMaxDotPosition);
    const std::int64_t blur = std::max(blurRange, 0);
    const bool negative = counter < 0;
    const std::int64_t magnitude = negative ? -std::int64_t(counter) : std::int64_t(counter);

    // The lowest n digits, most significant first.
    int digits[kMaxDigits];
    for (int i = 0; i < n; ++i)
        digits[i] = static_cast<int>((magnitude / tab.pow10[n - 1 - i]) % 10);

    auto geom = std::make_unique<TpolyGeom>();
    uvsOn = blur != 0;
    uvSet = -1;
    if (uvsOn) {
        uvSet = geom->newEmptyMapSet("TranspUV");
        geom->setCurrentMapSet(uvSet);
        geom->uvBuffer(6 * (7 * n + 3 + n / 3), uvSet);
        geom->mapFaceBuffer(6 * (7 * n + 3 + n / 3), uvSet);
    }
    geom->vertexBuffer(7 * n + (n >= dot ? 6 : 0) + (negative ? 6 : 0) + 6 * (n / 3));
    Shaper shape(*geom, *this);

    const float t = thickness, spacing = digitSpacing;
    const float cell = 2 * t + 1 + spacing;
    if (negative && !noLeadZero) shape.horizontal(-cell, height, 0.0f);
    float x = 0.0f;
    if (dot == n) {
        shape.dot(x);
        x = 2 * t + 2 * spacing;
    }

    bool suppress = noLeadZero;
    Rand48 rng(counter);  // fixed flicker for each counter value
    const bool flickering = uvsOn && flicker > 0.0;
    // Draws a segment of transparency u (0 opaque): skipped when nearly transparent, shaken by
    // the flicker when partly transparent.
    auto blurredSegment = [&](int seg, float cx, double u) {
        if (u > 0.999) return;
        if (u > 0.001 && flickering) {
            u += (2.0 * rng.next() - 1.0) * flicker;
            if (u < 0.001) u = 0.0;
            if (u > 0.999) return;
        }
        shape.segment(seg, cx, static_cast<float>(std::max(u, 0.0)));
    };

    for (int i = 0; i < n; ++i) {
        const int g = digits[i];
        const int k = n - i - 1;  // digits to the right
        if (g != 0 || n - i == dot + 1) {
            if (suppress && negative) shape.horizontal(x - cell, height, 0.0f);
            suppress = false;
        }
        const bool drawn = !suppress;
        if (drawn && !uvsOn) {
            for (int seg = 0; seg < 7; ++seg)
                if (segmentLit[g][seg]) shape.segment(seg, x, 0.0f);
        } else if (drawn) {
            // Blend of the b + 1 digits the counter passes through from g on.
            const std::int64_t b = blur / tab.pow10[k];
            std::int64_t count[7];
            for (int seg = 0; seg < 7; ++seg) count[seg] = tab.litTotal[seg] * (b / 10);
            std::int64_t last = g + b % 10;
            if (last > 9) {
                for (int dg = 0; dg <= last - 10; ++dg)
                    for (int seg = 0; seg < 7; ++seg) count[seg] += segmentLit[dg][seg];
                last = 9;
            }
            for (std::int64_t dg = g; dg <= last; ++dg)
                for (int seg = 0; seg < 7; ++seg) count[seg] += segmentLit[dg][seg];
            for (int seg = 0; seg < 7; ++seg)
                blurredSegment(seg, x, 1.0 - double(count[seg]) / double(b + 1));
        }
        const float r = x + cell;
        if (k == dot) {
            shape.dot(r);
            x = r + 2 * spacing + 2 * t;
        } else {
            x = r;
            const int m = n < dot ? k : k - dot;
            if (comma && drawn && m > 0 && m % 3 == 0) {
                shape.comma(r);
                x = r + 2 * spacing + 2 * t;
            }
        }
    }

    if (!geom->update(0)) return fail(geom->error());
    body.setMidBody(geom.release());
    return 0;
}
