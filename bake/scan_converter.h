#pragma once
/// A convex-polygon scan converter that interpolates any subset of 16 vertex attributes.
///
/// Pixel centres sit at half-integers. A row y is covered from the first row whose centre is at
/// or below the top vertex (ceil(ymin - 0.5)); an edge ends at row floor(q.sy + 0.5). On a row,
/// pixels run from ceil(left - 0.5) to floor(right - 0.5), less one when right - 0.5 is whole:
/// a left edge through a pixel centre covers it, a right edge through one does not. Attributes
/// are interpolated linearly down the edges at row centres and across the span at pixel centres.
/// Header-only so that the pixel writer inlines into the span loop; allocation-free and thread
/// safe (no shared state).

#include <cmath>
#include <utility>

namespace bake {

/// Slots of a scan vertex, in order.
enum ScanSlot {
    kSx,
    kSy,
    kSz,
    kSw,
    kX,
    kY,
    kZ,
    kU,
    kV,
    kR,
    kG,
    kB,
    kA,
    kNx,
    kNy,
    kNz,
    kScanSlotCount
};

/// Mask bit of a slot: sx 0x1, sy 0x2, ... nz 0x8000.
constexpr unsigned maskOf(ScanSlot slot) {
    return 1u << unsigned(slot);
}

inline constexpr int kMaxScanVertices = 12;
/// Screen coordinates beyond this magnitude (or not finite) make a polygon undrawable.
inline constexpr double kMaxScanCoordinate = 1e8;

struct ScanVertex {
    double a[kScanSlotCount] = {};
};

struct ScanPolygon {
    int count = 0;      ///< vertices in use, in order around the polygon
    unsigned mask = 0;  ///< slots to interpolate (sx and sy are always used)
    ScanVertex v[kMaxScanVertices];
};

/// Pixels that may be written, inclusive at both ends.
struct ScanWindow {
    int x0, y0, x1, y1;
};

namespace detail {

// Rounding of coordinates already bounded by kMaxScanCoordinate, inline: the library calls cost
// more than the rest of a short span.
inline double floorOf(double x) {
    const double i = double(static_cast<long long>(x));
    return i > x ? i - 1.0 : i;
}
inline double ceilOf(double x) {
    const double i = double(static_cast<long long>(x));
    return i < x ? i + 1.0 : i;
}

/// One edge's interpolated slots at the current row centre (packed as in the slot list) and
/// their change per row.
struct Edge {
    double value[kScanSlotCount];
    double step[kScanSlotCount];
    long endRow;
};

/// Starts an edge from p to q at row centre `row` + 0.5. The edge holds the `count` slots listed
/// in `slots` (sx first), packed.
inline void setUpEdge(Edge& e, const ScanVertex& p, const ScanVertex& q, long row, const int* slots,
                      int count) {
    double dy = q.a[kSy] - p.a[kSy];
    if (dy == 0.0) dy = 1.0;
    const double inverse = 1.0 / dy;
    const double along = double(row) + 0.5 - p.a[kSy];
    for (int i = 0; i < count; ++i) {
        const int s = slots[i];
        e.step[i] = (q.a[s] - p.a[s]) * inverse;
        e.value[i] = p.a[s] + along * e.step[i];
    }
    e.endRow = long(floorOf(q.a[kSy] + 0.5));
}

}  // namespace detail

/// Scans `polygon` (3 to kMaxScanVertices vertices, convex in screen space; others are not
/// drawn) and calls `write(x, y, attributes)` for each covered pixel inside `window`, with
/// `attributes[slot]` holding the interpolated value of every masked slot but sx.
template <class Writer>
void scanPolygon(const ScanPolygon& polygon, const ScanWindow& window, Writer&& write) {
    const int n = polygon.count;
    if (n < 3 || n > kMaxScanVertices || window.x0 > window.x1 || window.y0 > window.y1) return;

    // Find the top vertex; refuse coordinates the row and column arithmetic cannot hold.
    int top = 0;
    for (int i = 0; i < n; ++i) {
        const double x = polygon.v[i].a[kSx], y = polygon.v[i].a[kSy];
        if (!(std::fabs(x) <= kMaxScanCoordinate) || !(std::fabs(y) <= kMaxScanCoordinate)) return;
        if (y < polygon.v[top].a[kSy]) top = i;
    }

    // Start at the first covered row, or the window's first row when that is lower.
    long row = long(detail::ceilOf(polygon.v[top].a[kSy] - 0.5));
    if (row < window.y0) row = window.y0;

    // The slots to interpolate, packed; sx and sy always, since they drive the walk.
    int slots[kScanSlotCount];
    int count = 0;
    const unsigned mask = polygon.mask | maskOf(kSx) | maskOf(kSy);
    for (int s = 0; s < kScanSlotCount; ++s)
        if (mask & (1u << s)) slots[count++] = s;
    detail::Edge left, right;
    left.endRow = right.endRow = row;  // forces the first edge of each chain
    int leftAt = top, rightAt = top, edgesUsed = 0;
    double pixel[kScanSlotCount] = {};
    double delta[kScanSlotCount];
    for (; row <= window.y1; ++row) {
        // Move each chain to the edge that spans this row; both chains meeting ends the polygon.
        while (left.endRow <= row) {
            if (edgesUsed == n) return;
            const int next = leftAt + 1 == n ? 0 : leftAt + 1;
            detail::setUpEdge(left, polygon.v[leftAt], polygon.v[next], row, slots, count);
            leftAt = next;
            ++edgesUsed;
        }
        while (right.endRow <= row) {
            if (edgesUsed == n) return;
            const int next = rightAt == 0 ? n - 1 : rightAt - 1;
            detail::setUpEdge(right, polygon.v[rightAt], polygon.v[next], row, slots, count);
            rightAt = next;
            ++edgesUsed;
        }

        // Span between the chains, whichever way round the polygon winds.
        const detail::Edge* l = &left;
        const detail::Edge* r = &right;
        if (l->value[0] > r->value[0]) std::swap(l, r);
        const double lx = l->value[0], rx = r->value[0];
        double first = detail::ceilOf(lx - 0.5);
        const double rightCentre = rx - 0.5;
        double last = detail::floorOf(rightCentre);
        if (last == rightCentre) last -= 1.0;
        if (first < window.x0) first = window.x0;
        if (last > window.x1) last = window.x1;
        if (first <= last) {
            const double inverseWidth = rx - lx > 0.0 ? 1.0 / (rx - lx) : 1.0;
            const double offset = first + 0.5 - lx;
            for (int i = 1; i < count; ++i) {
                delta[i] = (r->value[i] - l->value[i]) * inverseWidth;
                pixel[slots[i]] = l->value[i] + offset * delta[i];
            }
            const int y = int(row);
            for (int x = int(first), end = int(last); x <= end; ++x) {
                write(x, y, static_cast<const double*>(pixel));
                for (int i = 1; i < count; ++i) pixel[slots[i]] += delta[i];
            }
        }

        for (int i = 0; i < count; ++i) {
            left.value[i] += left.step[i];
            right.value[i] += right.step[i];
        }
    }
}

}  // namespace bake
