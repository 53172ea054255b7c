// The scan converter's coverage rules and interpolation, and the pixel writers' byte rules.
#include "bake/scan_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "bake/pixel_writers.h"

namespace {

using bake::ScanPolygon;
using bake::ScanWindow;
using Pixels = std::set<std::pair<int, int>>;

ScanPolygon polygon(std::vector<std::pair<double, double>> points, unsigned mask = 0) {
    ScanPolygon p;
    p.count = int(points.size());
    p.mask = mask;
    for (int i = 0; i < p.count && i < bake::kMaxScanVertices; ++i) {
        p.v[i].a[bake::kSx] = points[std::size_t(i)].first;
        p.v[i].a[bake::kSy] = points[std::size_t(i)].second;
    }
    return p;
}

Pixels covered(const ScanPolygon& p, ScanWindow window = {0, 0, 63, 63}) {
    Pixels out;
    bake::scanPolygon(p, window, [&](int x, int y, const double*) {
        EXPECT_TRUE(x >= window.x0 && x <= window.x1 && y >= window.y0 && y <= window.y1)
            << x << "," << y;
        EXPECT_TRUE(out.insert({x, y}).second) << "pixel written twice: " << x << "," << y;
    });
    return out;
}

Pixels box(int x0, int y0, int x1, int y1) {
    Pixels out;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) out.insert({x, y});
    return out;
}

TEST(ScanConverter, PixelCentreRules) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, double>> points;
        Pixels expected;
    };
    const Case cases[] = {
        // Columns: the left edge x = 1.5 runs through the centres of column 1, covered; the right
        // edge x = 3.5 through those of column 3, not covered. Rows: the first row's edge is the
        // horizontal one at sy = 0.5, which ends at row floor(1.0) = 1, so row 0 gets an empty
        // span; the side edges end at floor(3.0) = 3, so row 2 (centre 2.5) is covered. Lower
        // rows on an edge are open, upper ones closed, so stacked polygons never share a pixel.
        {"edges on centres", {{1.5, 0.5}, {3.5, 0.5}, {3.5, 2.5}, {1.5, 2.5}}, box(1, 1, 2, 2)},
        {"edges between centres", {{1, 1}, {4, 1}, {4, 3}, {1, 3}}, box(1, 1, 3, 2)},
        {"no centre inside", {{1.6, 1.6}, {2.4, 1.6}, {2.4, 2.4}, {1.6, 2.4}}, {}},
        {"one pixel", {{0.9, 0.9}, {2.1, 0.9}, {2.1, 2.1}, {0.9, 2.1}}, box(1, 1, 1, 1)},
        // The hypotenuse x + y = 4 is a right edge through the centres of (3,0), (2,1), (1,2)
        // and (0,3): none of them is covered.
        {"right triangle",
         {{0, 0}, {4, 0}, {0, 4}},
         {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {0, 2}}},
        {"flat", {{0, 2}, {5, 2}, {9, 2}}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(covered(polygon(c.points)), c.expected) << c.name;
        // The other winding covers the same pixels.
        std::vector<std::pair<double, double>> reversed(c.points.rbegin(), c.points.rend());
        EXPECT_EQ(covered(polygon(reversed)), c.expected) << c.name << " reversed";
    }
}

TEST(ScanConverter, NeighboursShareEdgesWithoutGapsOrOverlap) {
    // A 16 x 16 square cut along both diagonals into four triangles. The diagonals run through
    // pixel centres; the left-in, right-out rule gives each of those pixels to one triangle.
    const double c = 8.0;
    const std::vector<std::vector<std::pair<double, double>>> pieces = {{{0, 0}, {16, 0}, {c, c}},
                                                                        {{16, 0}, {16, 16}, {c, c}},
                                                                        {{16, 16}, {0, 16}, {c, c}},
                                                                        {{0, 16}, {0, 0}, {c, c}}};
    std::map<std::pair<int, int>, int> hits;
    for (const auto& piece : pieces)
        for (const auto& px : covered(polygon(piece))) ++hits[px];
    EXPECT_EQ(hits.size(), 256u);
    int twice = 0;
    for (const auto& [px, n] : hits) twice += n > 1;
    EXPECT_EQ(twice, 0);

    // Two quads stacked on a shared edge through pixel centres (sy = 4.5), and a third beside
    // them sharing a vertical edge through centres (sx = 6.5).
    hits.clear();
    const std::vector<std::vector<std::pair<double, double>>> stacked = {
        {{0.5, 0.5}, {6.5, 0.5}, {6.5, 4.5}, {0.5, 4.5}},
        {{0.5, 4.5}, {6.5, 4.5}, {6.5, 9.5}, {0.5, 9.5}},
        {{6.5, 0.5}, {12.5, 0.5}, {12.5, 9.5}, {6.5, 9.5}}};
    for (const auto& piece : stacked)
        for (const auto& px : covered(polygon(piece))) ++hits[px];
    EXPECT_EQ(hits.size(), 12u * 9u);  // columns 0..11 (less the right edge), rows 1..9
    for (const auto& [px, n] : hits) EXPECT_EQ(n, 1) << px.first << "," << px.second;
}

TEST(ScanConverter, InterpolatesAtPixelCentres) {
    // u = sx / 32 and v = sy / 16 over a quad covering the window; each pixel must see the
    // value at its centre.
    ScanPolygon p = polygon({{0, 0}, {32, 0}, {32, 16}, {0, 16}},
                            bake::maskOf(bake::kU) | bake::maskOf(bake::kV));
    p.v[1].a[bake::kU] = p.v[2].a[bake::kU] = 1.0;
    p.v[2].a[bake::kV] = p.v[3].a[bake::kV] = 1.0;
    int pixels = 0;
    bake::scanPolygon(p, {0, 0, 31, 15}, [&](int x, int y, const double* a) {
        EXPECT_NEAR(a[bake::kU], (x + 0.5) / 32.0, 1e-12) << x << "," << y;
        EXPECT_NEAR(a[bake::kV], (y + 0.5) / 16.0, 1e-12) << x << "," << y;
        ++pixels;
    });
    EXPECT_EQ(pixels, 32 * 16);
}

TEST(ScanConverter, RefusesWhatItCannotDraw) {
    std::vector<std::pair<double, double>> circle;
    for (int i = 0; i < 13; ++i)
        circle.push_back(
            {8 + 6 * std::cos(i * 2 * M_PI / 13), 8 + 6 * std::sin(i * 2 * M_PI / 13)});
    EXPECT_TRUE(covered(polygon(circle)).empty()) << "13 vertices";
    circle.pop_back();
    const Pixels twelve = covered(polygon(circle));
    EXPECT_NEAR(double(twelve.size()), 6 * 36 * std::sin(2 * M_PI / 12), 12.0) << "12 vertices";
    EXPECT_TRUE(covered(polygon({{0, 0}, {5, 5}})).empty()) << "two vertices";
    EXPECT_TRUE(covered(polygon({{0, 0}, {NAN, 5}, {5, 0}})).empty()) << "not a number";
    EXPECT_TRUE(covered(polygon({{0, 0}, {1e300, 5}, {5, 1e300}})).empty()) << "huge";
}

TEST(ScanConverter, ClipsToTheWindow) {
    const auto big = polygon({{-100, -50}, {200, -50}, {200, 300}, {-100, 300}});
    EXPECT_EQ(covered(big, {0, 0, 9, 4}), box(0, 0, 9, 4));
    EXPECT_EQ(covered(big, {3, 2, 5, 2}), box(3, 2, 5, 2));
    EXPECT_TRUE(covered(polygon({{20, 20}, {30, 20}, {30, 30}}), {0, 0, 9, 9}).empty());
}

TEST(PixelWriters, BytesTruncateAndWrap) {
    const std::pair<double, int> cases[] = {{0.0, 0},   {0.99, 0},    {254.9, 254}, {255.0, 255},
                                            {256.0, 0}, {257.5, 1},   {-1.0, 255},  {-0.5, 0},
                                            {NAN, 0},   {INFINITY, 0}};
    for (const auto& [value, byte] : cases) EXPECT_EQ(bake::toByte(value), byte) << value;
}

TEST(PixelWriters, EachWriterFillsItsPixel) {
    struct Case {
        const char* name;
        int writer;  // 0 position, 1 vector, 2 colour, 3 uv
        std::vector<std::pair<int, double>> values;
        std::uint8_t rgba[4];
    };
    using namespace bake;
    const Case cases[] = {
        {"position", 0, {{kX, 0.5}, {kY, 1.0}, {kZ, 0.0}}, {127, 255, 0, 255}},
        {"position clamped", 0, {{kX, -0.2}, {kY, 1.3}, {kZ, 0.25}}, {0, 255, 63, 255}},
        {"unit x", 1, {{kNx, 1.0}}, {254, 127, 127, 255}},
        {"long -y", 1, {{kNy, -7.0}}, {127, 0, 127, 255}},
        {"zero vector", 1, {}, {127, 127, 127, 255}},
        {"colour", 2, {{kR, 0.5}, {kG, 2.0}, {kB, 0.0}, {kA, 1.0}}, {127, 255, 0, 255}},
        {"uv", 3, {{kU, 0.25}, {kV, 0.75}}, {63, 191, 0, 255}},
    };
    for (const Case& c : cases) {
        std::uint8_t image[2 * 3 * 4] = {};
        double a[kScanSlotCount] = {};
        for (const auto& [slot, value] : c.values) a[slot] = value;
        const PixelTarget target{image, 2};
        switch (c.writer) {
            case 0:
                PositionWriter{target}(1, 2, a);
                break;
            case 1:
                VectorWriter{target}(1, 2, a);
                break;
            case 2:
                ColorWriter{target}(1, 2, a);
                break;
            default:
                UvWriter{target}(1, 2, a);
                break;
        }
        // Pixel (1, 2) of a 2-wide image starts at byte (1 + 2 * 2) * 4.
        for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(image[20 + ch], c.rgba[ch]) << c.name << ch;
        for (int i = 0; i < 20; ++i) EXPECT_EQ(image[i], 0) << c.name << " wrote outside";
    }
}

}  // namespace
