#include "meshops/factories/poly_digits_fty.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <thread>

using tarn::PolyMesh;
using tarn::Vec3;

namespace {

// A factory as the node fills it from the attribute defaults, without slant so that positions
// read plainly.
TpolyDigitsFty nodeDefaults() {
    TpolyDigitsFty f;
    f.height = 1.0f;
    f.slant = 0.0f;
    return f;
}

const PolyMesh& build(TmidBody& body, TpolyDigitsFty& f) {
    EXPECT_EQ(f.doAction(&body, nullptr), 0) << f.message();
    return body.geom()->mesh();
}

Vec3 centre(const PolyMesh& m, int f) {
    Vec3 c;
    for (int v : m.faceVertices(f)) c += m.point(v);
    return c / 6.0;
}

// Faces whose shape is the comma (the only shape reaching below -0.2 H).
std::vector<double> commaXs(const PolyMesh& m, float h, float t) {
    std::vector<double> xs;
    for (int f = 0; f < m.numFaces(); ++f) {
        double low = 1e9;
        for (int v : m.faceVertices(f)) low = std::min(low, m.point(v).y);
        if (low < -0.2 * h - t + 1e-6) xs.push_back(m.point(m.faceVertices(f)[0]).x);
    }
    return xs;
}

int litSegments(long value, int digits) {
    int n = 0;
    for (int i = 0; i < digits; ++i, value /= 10)
        for (int s = 0; s < 7; ++s) n += segmentLit[value % 10][s];
    return n;
}

}  // namespace

TEST(TpolyDigitsFty, FaceCountsOfLayouts) {
    struct Case {
        const char* name;
        int counter, digits, dot;
        bool noLeadZero, comma;
        int faces;
    };
    const Case cases[] = {
        // The last digit only, a 0 of six segments, then the point.
        {"defaults", 0, 3, 0, true, true, 7},
        // 567: 5 + 6 + 3 segments and the point.
        {"higher digits dropped", 1234567, 3, 0, true, true, 15},
        // 5, the minus sign and the point.
        {"negative", -5, 3, 0, true, true, 7},
        // 0, 0, 5, the minus sign far left and the point.
        {"negative with zeros", -5, 3, 0, false, true, 6 + 6 + 5 + 1 + 1},
        {"commas", 1234567, 7, 11, true, true, litSegments(1234567, 7) + 2},
        {"commas off", 1234567, 7, 11, true, false, litSegments(1234567, 7)},
        // The point before all three digits, then the 7 (its leading zeros suppressed).
        {"point first", 7, 3, 3, true, true, 1 + 3},
        {"no point", 42, 3, 5, true, true, litSegments(42, 2)},
    };
    for (const Case& c : cases) {
        TpolyDigitsFty f = nodeDefaults();
        f.counter = c.counter;
        f.numDigits = c.digits;
        f.dotPosition = c.dot;
        f.noLeadZero = c.noLeadZero;
        f.comma = c.comma;
        TmidBody body;
        EXPECT_EQ(build(body, f).numFaces(), c.faces) << c.name;
    }
}

TEST(TpolyDigitsFty, ShowsTheLowestDigitsAndPlacesSigns) {
    TpolyDigitsFty a = nodeDefaults(), b = nodeDefaults();
    a.counter = 1234567;
    b.counter = 567;
    TmidBody ba, bb;
    EXPECT_EQ(build(ba, a).points(), build(bb, b).points());

    // The minus sign stands one cell left of the 5 (the third cell), at middle height.
    TpolyDigitsFty m = nodeDefaults();
    m.counter = -5;
    TmidBody body;
    const PolyMesh& mesh = build(body, m);
    const double cell = 2 * 0.1 + 1 + 0.1;
    int minus = 0;
    for (int f = 0; f < mesh.numFaces(); ++f) {
        const Vec3 c = centre(mesh, f);
        if (std::abs(c.x - (cell + 0.5)) < 1e-5 && std::abs(c.y - 1.0) < 1e-5) ++minus;
    }
    EXPECT_EQ(minus, 1);

    // Commas after the first and the fourth digit of 1,234,567.
    TpolyDigitsFty c = nodeDefaults();
    c.counter = 1234567;
    c.numDigits = 7;
    c.dotPosition = 11;
    TmidBody cb;
    const std::vector<double> xs = commaXs(build(cb, c), 1.0f, 0.1f);
    const double extra = 2 * 0.1 + 2 * 0.1;  // a comma widens the gap after its digit
    ASSERT_EQ(xs.size(), 2u);
    EXPECT_NEAR(xs[0], cell, 1e-5);
    EXPECT_NEAR(xs[1], 4 * cell + extra, 1e-5);
}

TEST(TpolyDigitsFty, EveryFaceWindsTheSameWay) {
    TpolyDigitsFty f = nodeDefaults();
    f.counter = -1234567;
    f.numDigits = 8;
    f.dotPosition = 2;
    f.noLeadZero = false;
    f.slant = 0.3f;
    TmidBody body;
    const PolyMesh& m = build(body, f);
    ASSERT_GT(m.numFaces(), 20);
    for (int face = 0; face < m.numFaces(); ++face) EXPECT_GT(m.faceNormal(face).z, 0.99) << face;
    for (int e = 0; e < m.numEdges(); ++e) EXPECT_FALSE(m.isEdgeSmooth(e));
}

TEST(TpolyDigitsFty, ClampsAndWideCounters) {
    struct Case {
        const char* name;
        int counter, digits, dot, blur;
        int faces;  // -1: just build without faults
    };
    const Case cases[] = {
        {"no digits acts as one", 8, 0, 0, 0, 7 + 1},
        {"too many digits act as ten", 8, 99, 0, 0, 7 + 1},
        {"negative point position", 8, 1, -7, 0, 7 + 1},
        {"point position past the table", 8, 1, 1000, 0, 7},
        {"negative blur acts as none", 8, 1, 0, -1, 7 + 1},
        {"INT_MAX", INT_MAX, 10, 0, 0, litSegments(2147483647, 10) + 1},
        {"smallest counter", INT_MIN, 10, 0, 0, litSegments(2147483648L, 10) + 1 + 1},
        {"huge blur", INT_MIN, 10, 0, INT_MAX, -1},
    };
    for (const Case& c : cases) {
        TpolyDigitsFty f = nodeDefaults();
        f.counter = c.counter;
        f.numDigits = c.digits;
        f.dotPosition = c.dot;
        f.blurRange = c.blur;
        f.comma = false;
        TmidBody body;
        const PolyMesh& m = build(body, f);
        if (c.faces >= 0) {
            EXPECT_EQ(m.numFaces(), c.faces) << c.name;
        }
        if (c.blur <= 0) {
            EXPECT_TRUE(m.uvSetNames().empty()) << c.name;
        }
        for (const Vec3& p : m.points()) ASSERT_TRUE(std::isfinite(p.x)) << c.name;
    }
}

TEST(TpolyDigitsFty, BlurWritesTransparency) {
    // Blur 9 on a last digit 0: each segment is lit by some of the ten digits it passes.
    TpolyDigitsFty f = nodeDefaults();
    f.numDigits = 1;
    f.blurRange = 9;
    TmidBody body;
    const PolyMesh& m = build(body, f);
    ASSERT_EQ(m.currentUVSetName(), "TranspUV");
    ASSERT_EQ(m.numFaces(), 7 + 1);
    const float expected[7] = {0.3f, 0.3f, 0.2f, 0.6f, 0.4f, 0.1f, 0.2f};
    for (int face = 0; face < 7; ++face)
        for (int c = 0; c < 6; ++c) {
            float u, v;
            ASSERT_TRUE(m.getFaceVertexUV(face, c, u, v));
            EXPECT_NEAR(u, expected[face], 1e-6) << face;
            EXPECT_EQ(v, 0.0f);
        }
    float u, v;
    ASSERT_TRUE(m.getFaceVertexUV(7, 0, u, v));
    EXPECT_EQ(u, 0.0f);  // the point stays opaque

    // Blur 100: the tens digit blends 11 digits, the units digit 101 (ten whole cycles and
    // one more); every segment is lit by some of them.
    TpolyDigitsFty t = nodeDefaults();
    t.counter = 30;
    t.numDigits = 2;
    t.blurRange = 100;
    TmidBody tb;
    EXPECT_EQ(build(tb, t).numFaces(), 7 + 7 + 1);
}

TEST(TpolyDigitsFty, FlickerHasItsOwnGenerator) {
    // Same sequence as the process-wide generator seeded the same way.
    for (long seed : {0L, 1L, 42L, -5L, 2147483647L}) {
        srand48(seed);
        Rand48 own(seed);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(own.next(), drand48()) << seed;
    }
    // Building with flicker leaves the process-wide generator alone, and the flicker is fixed
    // for a counter value.
    auto flickered = [](int counter) {
        TpolyDigitsFty f = nodeDefaults();
        f.counter = counter;
        f.blurRange = 555;
        f.flicker = 0.2;
        TmidBody body;
        EXPECT_EQ(f.doAction(&body, nullptr), 0);
        return body.geom()->mesh().uvSet("TranspUV")->u;
    };
    srand48(99);
    const double expected = drand48();
    srand48(99);
    const std::vector<float> a = flickered(3);
    EXPECT_EQ(drand48(), expected);
    EXPECT_EQ(flickered(3), a);
    TpolyDigitsFty still = nodeDefaults();
    still.counter = 3;
    still.blurRange = 555;
    TmidBody body;
    EXPECT_NE(build(body, still).uvSet("TranspUV")->u, a);
}

TEST(TpolyDigitsFty, SharedTablesFilledOnce) {
    std::vector<std::thread> threads;
    std::vector<const DigitTables*> seen(4);
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&seen, i] { seen[i] = &TpolyDigitsFty::tables(); });
    for (std::thread& t : threads) t.join();
    for (const DigitTables* t : seen) EXPECT_EQ(t, seen[0]);
    const DigitTables& t = *seen[0];
    EXPECT_EQ(t.litTotal, (std::array<int, 7>{7, 7, 8, 4, 6, 9, 8}));
    EXPECT_EQ(t.pow10[9], 1000000000);
    EXPECT_EQ(t.vertexCount[8], 42);
    EXPECT_EQ(t.vertexCount[1], 12);
}
