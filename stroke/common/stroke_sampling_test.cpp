// The screen-space crossing of a stroke segment with an edge, and edge snapping, pinned at
// hand-worked cases.

#include "stroke/common/stroke_sampling.h"

#include <gtest/gtest.h>

#include <cmath>

namespace stroke {
namespace {

TEST(CrossSegment, CrossingsAndMisses) {
    struct Row {
        const char* what;
        ScreenPoint a, b, p, q;
        bool parallel, crosses;
        double t, s;
    };
    const Row rows[] = {
        // A horizontal segment across a vertical edge, a quarter up the edge, halfway along.
        {"plain crossing", {0, 10}, {20, 10}, {10, 0}, {10, 40}, false, true, 0.25, 0.5},
        // The edge's own direction reversed gives t from the other end.
        {"reversed edge", {0, 10}, {20, 10}, {10, 40}, {10, 0}, false, true, 0.75, 0.5},
        // Running exactly along an edge: zero denominator, skipped.
        {"along the edge", {0, 0}, {20, 0}, {5, 0}, {15, 0}, true, false, 0, 0},
        {"parallel, apart", {0, 0}, {20, 0}, {0, 5}, {20, 5}, true, false, 0, 0},
        // The segment ends exactly on the edge: s = 1 is inside.
        {"ends on the edge", {0, 10}, {10, 10}, {10, 0}, {10, 40}, false, true, 0.25, 1.0},
        // One pixel short of a 40-pixel edge: s = 1.1, beyond 1 + 1.4142 / 40.
        {"short of a long edge", {0, 10}, {10, 10}, {11, 0}, {11, 40}, false, false, 0.25, 1.1},
        // One pixel short of a 2-pixel edge: s = 1.1 lies within 1 + 1.4142 / 2.
        {"short of a short edge", {0, 1}, {10, 1}, {11, 0}, {11, 2}, false, true, 0.5, 1.1},
        // Past the edge's end: t outside [0, 1] is never taken.
        {"beyond the edge end", {0, 50}, {20, 50}, {10, 0}, {10, 40}, false, false, 1.25, 0.5},
    };
    for (const Row& r : rows) {
        const SegmentCrossing c = crossSegment(r.a, r.b, r.p, r.q);
        EXPECT_EQ(c.parallel, r.parallel) << r.what;
        EXPECT_EQ(c.crosses, r.crosses) << r.what;
        if (!r.parallel) {
            EXPECT_NEAR(c.t, r.t, 1e-12) << r.what;
            EXPECT_NEAR(c.s, r.s, 1e-12) << r.what;
        }
    }
}

TEST(SnapEdgeParameter, TypesOffsetsAndIntervals) {
    struct Row {
        double t;
        int type;
        double offset;
        int intervals;
        double expected;
        bool invalid;
    };
    const Row rows[] = {
        {0.3, 2, 0.5, 2, 0.5, false},
        {0.2, 2, 0.5, 2, 0.0, false},
        {0.8, 2, 0.5, 2, 1.0, false},
        {0.4, 2, 0.5, 3, 1.0 / 3.0, false},
        {0.7, 1, 0.25, 2, 0.75, false},
        {0.2, 1, 0.25, 2, 0.25, false},
        {0.5, 1, 0.1, 2, 0.9, false},
        {0.6, 3, 0.5, 2, 0.0, true},
        {0.6, 0, 0.5, 2, 0.0, true},
        // Zero or negative intervals would divide by zero: treated as an invalid type.
        {0.6, 2, 0.5, 0, 0.0, true},
        {0.6, 2, 0.5, -4, 0.0, true},
    };
    for (const Row& r : rows) {
        bool invalid = false;
        const double t = snapEdgeParameter(r.t, r.type, r.offset, r.intervals, invalid);
        EXPECT_TRUE(std::isfinite(t));
        EXPECT_NEAR(t, r.expected, 1e-12) << r.t << " type " << r.type << " n " << r.intervals;
        EXPECT_EQ(invalid, r.invalid) << r.t << " type " << r.type << " n " << r.intervals;
    }
}

}  // namespace
}  // namespace stroke
