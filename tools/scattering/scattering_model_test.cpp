#include "tools/scattering/scattering_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace scattering {
namespace {

// Integral over [0, 1] by the composite midpoint rule (enough for smooth integrands).
template <typename F>
double integrate01(F f, int n = 4000) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += f((i + 0.5) / n);
    return sum / n;
}

TEST(HFunction, KnownValuesAndMoments) {
    struct Case {
        double albedo;
        double at1;  // H(1), from published tables
    };
    const Case cases[] = {{1.0, 2.9078}, {0.9, 1.8501}, {0.5, 1.2512}};
    for (const Case& c : cases) {
        const HFunction h(c.albedo);
        EXPECT_NEAR(h.evaluate(0.0), 1.0, 1e-12) << c.albedo;
        EXPECT_NEAR(h.evaluate(1.0), c.at1, 2e-4) << c.albedo;
        // Zeroth moment: integral of H is 2 (1 - sqrt(1 - a)) / a.
        EXPECT_NEAR(integrate01([&](double mu) { return h.evaluate(mu); }),
                    2.0 * (1.0 - std::sqrt(1.0 - c.albedo)) / c.albedo, 1e-6);
    }
    // First moment of the conservative case is 2/sqrt(3), which the solver does not impose.
    const HFunction conservative(1.0);
    EXPECT_NEAR(integrate01([&](double mu) { return mu * conservative.evaluate(mu); }),
                2.0 / std::sqrt(3.0), 1e-5);
}

TEST(HenyeyGreenstein, NormalisedWithMeanCosineG) {
    for (double g : {0.0, 0.3, 0.81}) {
        const double total =
            2.0 * std::numbers::pi * 2.0 *
            integrate01([&](double u) { return henyeyGreenstein(g, 2 * u - 1); }, 200000);
        const double mean =
            2.0 * std::numbers::pi * 2.0 *
            integrate01([&](double u) { return (2 * u - 1) * henyeyGreenstein(g, 2 * u - 1); },
                        200000);
        EXPECT_NEAR(total, 1.0, 1e-4) << g;
        EXPECT_NEAR(mean, g, 1e-4) << g;
    }
}

TEST(LayerModel, IsotropicScatteringIsAzimuthIndependentAndReciprocal) {
    for (double roughness : {0.0, 0.5}) {
        const LayerModel layer(roughness);
        const FittedCell cell = layer.fit({0.9}, 0.0)[0];
        for (int v = kControlPoints; v < kOrders * kControlPoints; ++v)
            EXPECT_NEAR(cell[v], 0.0, 1e-12) << "roughness " << roughness << " value " << v;
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                EXPECT_NEAR(cell[4 * j + i], cell[4 * i + j], 1e-12) << roughness;
    }
}

TEST(LayerModel, MoreAlbedoReflectsMoreAndForwardScatteringShowsInOrderOne) {
    const LayerModel layer(0.9);
    const auto cells = layer.fit({0.5, 0.9, 1.0}, 0.8);
    for (int v = 0; v < kControlPoints; ++v) {
        EXPECT_LT(cells[0][v], cells[1][v]) << v;
        EXPECT_LT(cells[1][v], cells[2][v]) << v;
    }
    // Grazing incidence and exit: forward scattering makes order 1 (cos of the azimuth
    // difference, 0 = forward) clearly positive.
    EXPECT_GT(cells[2][kControlPoints + 0], 0.1 * cells[2][0]);
}

TEST(Fresnel, HeadOnAndGrazing) {
    EXPECT_NEAR(fresnel(1.0, 1.4), 1.0 / 36.0, 1e-15);
    EXPECT_EQ(fresnel(0.0, 1.4), 1.0);
}

TEST(EnergyBound, StatedFullAlbedoCellsReturnMoreThanTheBoundaryLetsOut) {
    // Column 3 of order 0 (incident cosine 1) of the two stated level-1.0 cells.
    struct Case {
        const char* cell;
        double column[4];
        double reflectance;  // as the README's table gives it
    };
    const Case cases[] = {
        {"roughness 0, anisotropy 0", {0.0171131, 0.471746, 0.267952, 0.336767}, 0.9775},
        {"roughness 0.9, anisotropy 0.9", {0.212308, 0.248195, 0.279522, 0.40251}, 0.9919}};
    const double limit = 1.0 - fresnel(1.0, 1.4);
    EXPECT_NEAR(limit, 0.972, 5e-4);
    for (const Case& c : cases) {
        const double* p = c.column;
        // The closed form of 2 pi times the integral of the cubic Bezier curve times b.
        const double closed = 2.0 * std::numbers::pi * (p[0] + 2 * p[1] + 3 * p[2] + 4 * p[3]) / 20;
        const double numeric = 2.0 * std::numbers::pi * integrate01([&](double b) {
                                   const double u = 1 - b;
                                   const double curve = u * u * u * p[0] + 3 * b * u * u * p[1] +
                                                        3 * b * b * u * p[2] + b * b * b * p[3];
                                   return curve * b;
                               });
        EXPECT_NEAR(closed, numeric, 1e-6) << c.cell;
        EXPECT_NEAR(closed, c.reflectance, 5e-5) << c.cell;
        EXPECT_GT(closed, limit) << c.cell;
    }
}

}  // namespace
}  // namespace scattering
