#include "shader/scattering_lookup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace dermal {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const double* raw(const ScatteringCell& c) {
    return &c.order[0][0];
}

// Expected cell: (1 - t) * lower + t * upper at grid cell (rough, aniso) of two level tables.
void expectBlend(const ScatteringCell& got, int lower, int upper, double t, int rough, int aniso,
                 const char* what) {
    const double* a = raw(scatteringTable(lower).cell[rough * 10 + aniso]);
    const double* b = raw(scatteringTable(upper).cell[rough * 10 + aniso]);
    for (int v = 0; v < kCellValues; ++v)
        ASSERT_NEAR(raw(got)[v], (1.0 - t) * a[v] + t * b[v], 1e-15) << what << " value " << v;
}

TEST(LookupScatteringCell, AlbedoSelectsLevelsAndWeight) {
    struct Case {
        double albedo;
        int lower, upper;
        double t;
        const char* what;
    };
    const Case cases[] = {
        {0.0, 0, 1, 0.0, "albedo 0 is the zero table"},
        {0.05, 0, 1, 0.5, "halfway to level 0.1"},
        {0.1, 1, 2, 0.0, "exactly 0.1 is level 0.1 alone"},
        {0.3, 1, 2, 0.5, "between 0.1 and 0.5"},
        {0.95, 4, 5, 0.5555555555555556, "between 0.9 and 0.99"},
        {0.995, 5, 6, 0.5, "between 0.99 and 1.0"},
        {1.0, 5, 6, 1.0, "1.0 is level 1.0 alone"},
        {3.0, 5, 6, 1.0, "above 1.0 is not extrapolated"},
        {-0.4, 0, 1, 0.0, "negative albedo reflects nothing"},
        {kNaN, 0, 1, 0.0, "NaN albedo reflects nothing"},
        {kInf, 5, 6, 1.0, "infinite albedo is level 1.0 alone"},
        {-kInf, 0, 1, 0.0, "minus infinity reflects nothing"},
        {0.49999999, 1, 2, 0.9999999750, "just below level 0.5"},
        {0.99, 5, 6, 0.0, "exactly 0.99 is level 0.99 alone"},
    };
    for (const Case& c : cases) {
        ScatteringCell cell;
        lookupScatteringCell(c.albedo, 0.3, 0.6, cell);
        expectBlend(cell, c.lower, c.upper, c.t, 6, 3, c.what);
    }
}

TEST(LookupScatteringCell, GridAxesClampAndInterpolate) {
    struct Case {
        double anisotropy, roughness;
        int x0, x1;
        double fx;
        int y0, y1;
        double fy;
        const char* what;
    };
    const Case cases[] = {
        {0.3, 0.6, 3, 4, 0.0, 6, 7, 0.0, "on grid samples"},
        {0.25, 0.45, 2, 3, 0.5, 4, 5, 0.5, "between samples"},
        {0.9, 0.9, 8, 9, 1.0, 8, 9, 1.0, "last samples"},
        {0.95, 7.0, 8, 9, 1.0, 8, 9, 1.0, "beyond the grid is not extrapolated"},
        {-0.5, -2.0, 0, 1, 0.0, 0, 1, 0.0, "negative values clamp to sample 0"},
        {kNaN, kNaN, 0, 1, 0.0, 0, 1, 0.0, "NaN clamps to sample 0"},
        {0.0, 0.8999999761581421, 0, 1, 0.0, 8, 9, 0.999999761581421, "float 0.9 roughness"},
        {kInf, -kInf, 8, 9, 1.0, 0, 1, 0.0, "infinities clamp to the ends"},
        {0.0999999, 0.89, 0, 1, 0.999999, 8, 9, 0.9, "just below a sample"},
    };
    for (const Case& c : cases) {
        ScatteringCell got;
        lookupScatteringCell(1.0, c.anisotropy, c.roughness, got);
        const ScatteringTable& t = scatteringTable(6);
        for (int v = 0; v < kCellValues; ++v) {
            auto at = [&](int y, int x) { return raw(t.cell[y * 10 + x])[v]; };
            const double want = (1 - c.fy) * ((1 - c.fx) * at(c.y0, c.x0) + c.fx * at(c.y0, c.x1)) +
                                c.fy * ((1 - c.fx) * at(c.y1, c.x0) + c.fx * at(c.y1, c.x1));
            ASSERT_NEAR(raw(got)[v], want, 1e-12) << c.what << " value " << v;
        }
    }
}

TEST(PatchValue, CornersAndLinearPrecision) {
    double p[16];
    for (int v = 0; v < 16; ++v) p[v] = 1.0 + v * v;
    struct Case {
        double a, b, want;
    };
    // Corners of a Bezier patch interpolate the corner control points; a is the column.
    const Case corners[] = {{0, 0, p[0]}, {1, 0, p[3]}, {0, 1, p[12]}, {1, 1, p[15]}};
    for (const Case& c : corners) EXPECT_DOUBLE_EQ(patchValue(p, c.a, c.b), c.want);

    // Control points i/3 + 2j/3 reproduce the plane a + 2b exactly.
    double plane[16];
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) plane[4 * j + i] = i / 3.0 + 2.0 * j / 3.0;
    for (double a : {0.0, 0.2, 0.5, 0.9})
        for (double b : {0.1, 0.4, 1.0}) EXPECT_NEAR(patchValue(plane, a, b), a + 2 * b, 1e-14);
}

TEST(AzimuthalSum, MatchesTheCosineSeries) {
    ScatteringCell cell;
    lookupScatteringCell(0.9, 0.57, 0.33, cell);
    for (double thetaI : {0.0, 0.4, 1.2})
        for (double thetaR : {0.1, 0.8, 1.5})
            for (double phi : {0.0, 1.0, 3.1415927, 5.0}) {
                double sum = 0.0;
                for (int k = 0; k < 5; ++k)
                    sum += patchValue(cell.order[k], std::cos(thetaI), std::cos(thetaR)) *
                           std::cos(k * (phi - 0.25));
                EXPECT_NEAR(azimuthalSum(cell, thetaI, 0.25, thetaR, phi), std::max(sum, 0.0),
                            1e-14);
            }
}

TEST(AzimuthalSum, AnisotropyZeroIgnoresTheAzimuth) {
    ScatteringCell cell;
    lookupScatteringCell(0.75, 0.0, 0.5, cell);
    const double ref = azimuthalSum(cell, 0.6, 0.0, 0.9, 0.0);
    EXPECT_GT(ref, 0.0);
    for (double phi : {0.5, 1.7, 3.1415927, 4.4})
        EXPECT_EQ(azimuthalSum(cell, 0.6, 0.0, 0.9, phi), ref);
}

TEST(AzimuthalSum, ForwardScatteringDependsOnTheAzimuth) {
    ScatteringCell cell;
    lookupScatteringCell(1.0, 0.81, 0.9, cell);
    // Grazing light continuing forwards (difference 0) beats light sent back (difference pi).
    EXPECT_GT(azimuthalSum(cell, 1.4, 0.0, 1.4, 0.0), azimuthalSum(cell, 1.4, 0.0, 1.4, 3.14159));
}

TEST(Sums, NegativeTotalsClampToZero) {
    ScatteringCell cell{};
    for (double& v : cell.order[0]) v = -0.002;
    EXPECT_EQ(azimuthalSum(cell, 0.3, 0.0, 0.3, 1.0), 0.0);
    EXPECT_EQ(hemisphereSum(cell, 0.3), 0.0);
}

TEST(HemisphereSum, IsTheQuadratureOfOrderZero) {
    ScatteringCell cell;
    lookupScatteringCell(0.99, 0.4, 0.2, cell);
    for (double thetaR : {0.0, 0.7, 1.5707963}) {
        double want = 0.0;
        for (int n = 0; n < 16; ++n)
            want += patchValue(cell.order[0], quadratureNodes[n], std::cos(thetaR)) *
                    quadratureWeights[n] * quadratureNodes[n];
        EXPECT_NEAR(hemisphereSum(cell, thetaR), want, 1e-15);
    }
    // A constant patch c integrates to c * sum(w * x): the half rule gives 1/2 to within 1e-3.
    ScatteringCell flat{};
    for (double& v : flat.order[0]) v = 2.0;
    for (double& v : flat.order[3]) v = 50.0;  // higher orders integrate to zero: ignored
    EXPECT_NEAR(hemisphereSum(flat, 0.4), 1.0, 1e-3);
}

}  // namespace
}  // namespace dermal
