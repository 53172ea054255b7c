// Properties of the compiled scattering tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "shader/scattering_tables.h"

namespace dermal {
namespace {

const double& value(int level, int cell, int v) {
    return (&scatteringTable(level).cell[cell].order[0][0])[v];
}

struct TellingCell {
    int level, rough, aniso, order;
    double values[16];
};

// Reference cells the data is calibrated to, checked to the last printed digit.
const TellingCell kTellingCells[] = {
    {6,
     0,
     0,
     0,
     {0.000876487, 0.024184, 0.0136598, 0.0171131, 0.024184, 0.667357, 0.376692, 0.471746,
      0.0136598, 0.376692, 0.213496, 0.267952, 0.0171131, 0.471746, 0.267952, 0.336767}},
    {1,
     0,
     0,
     0,
     {6.29949e-06, 0.000176435, 9.05096e-05, 0.00010732, 0.000176435, 0.00494257, 0.00253168,
      0.00300007, 9.05096e-05, 0.00253168, 0.00131175, 0.00156097, 0.00010732, 0.00300007,
      0.00156097, 0.00186116}},
    {6,
     9,
     9,
     0,
     {0.243071, 0.252329, 0.207927, 0.212308, 0.215005, 0.289545, 0.238051, 0.248195, 0.22292,
      0.294866, 0.268713, 0.279522, 0.292188, 0.402129, 0.379593, 0.40251}},
    {6,
     9,
     9,
     1,
     {0.120207, 0.0452164, 0.0225469, 0.00210926, 0.036115, 0.049531, 0.0132745, 0.00221784,
      0.0385607, 0.0313475, 0.0220563, 0.00180363, 0.00229757, 0.00323631, 0.00165012,
      0.000184479}},
};

TEST(ScatteringTables, TellingCellsHoldTheirValues) {
    for (const TellingCell& t : kTellingCells) {
        const ScatteringCell& cell = scatteringTable(t.level).cell[t.rough * 10 + t.aniso];
        for (int v = 0; v < 16; ++v)
            EXPECT_EQ(cell.order[t.order][v], t.values[v])
                << "level " << t.level << " cell " << t.rough << "," << t.aniso << " order "
                << t.order << " value " << v;
    }
}

TEST(ScatteringTables, IsotropicCellsAreSymmetricInTheTwoCosines) {
    const ScatteringCell& cell = scatteringTable(6).cell[0];
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(cell.order[0][4 * j + i], cell.order[0][4 * i + j]);
}

TEST(ScatteringTables, LargestValuePerLevel) {
    const double kLargest[7] = {0.0,      0.00494257, 0.0380491, 0.0895197,
                                0.175613, 0.413717,   0.671692};
    for (int level = 0; level <= 6; ++level) {
        double largest = 0.0;
        for (int c = 0; c < kTableCells; ++c)
            for (int v = 0; v < kCellValues; ++v) largest = std::max(largest, value(level, c, v));
        EXPECT_EQ(largest, kLargest[level]) << "level " << level;
    }
}

TEST(ScatteringTables, SmallestValueIsTheOnlyOvershootBound) {
    double smallest = 0.0;
    int negatives = 0;
    for (int level = 1; level <= 6; ++level)
        for (int c = 0; c < kTableCells; ++c)
            for (int v = 0; v < kCellValues; ++v) {
                smallest = std::min(smallest, value(level, c, v));
                negatives += value(level, c, v) < 0.0;
            }
    EXPECT_EQ(smallest, -0.00297914);
    EXPECT_GT(negatives, 0);
}

TEST(ScatteringTables, AzimuthOrdersVanishExactlyAtAnisotropyZero) {
    for (int level = 1; level <= 6; ++level) {
        int nonZero = 0;
        for (int c = 0; c < kTableCells; ++c) {
            const bool isotropic = c % 10 == 0;
            for (int v = 0; v < kCellValues; ++v) {
                const bool zero = value(level, c, v) == 0.0;
                nonZero += !zero;
                const bool wantZero = v >= kPatchPoints && isotropic;
                EXPECT_EQ(zero, wantZero) << "level " << level << " cell " << c << " v " << v;
            }
        }
        EXPECT_EQ(nonZero, 7360) << "level " << level;
    }
}

TEST(ScatteringTables, AlbedoZeroLevelIsAllZero) {
    for (int c = 0; c < kTableCells; ++c)
        for (int v = 0; v < kCellValues; ++v) ASSERT_EQ(value(0, c, v), 0.0);
}

// More albedo scatters more light back: order 0 grows with the level value by value, and every
// higher-order coefficient grows in magnitude.
TEST(ScatteringTables, ValuesGrowWithTheAlbedoLevel) {
    for (int level = 0; level < 6; ++level)
        for (int c = 0; c < kTableCells; ++c)
            for (int v = 0; v < kCellValues; ++v) {
                const double lo = value(level, c, v), hi = value(level + 1, c, v);
                if (v < kPatchPoints) {
                    EXPECT_LE(lo, hi) << "level " << level << " cell " << c << " v " << v;
                }
                EXPECT_LE(std::fabs(lo), std::fabs(hi))
                    << "level " << level << " cell " << c << " v " << v;
            }
}

// Neighbouring cells differ smoothly: second differences along roughness and anisotropy stay a
// small share of the level's largest value. Leaving the smooth boundary (roughness sample 0)
// is the one steep step: grazing light can enter through tilted facets at once.
TEST(ScatteringTables, CellsVarySmoothlyWithRoughnessAndAnisotropy) {
    for (int level = 1; level <= 6; ++level) {
        double largest = 0.0;
        for (int c = 0; c < kTableCells; ++c)
            for (int v = 0; v < kCellValues; ++v) largest = std::max(largest, value(level, c, v));
        double roughSecond = 0.0, roughFirstStep = 0.0, anisoSecond = 0.0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                for (int v = 0; v < kCellValues; ++v) {
                    auto at = [&](int yy, int xx) { return value(level, yy * 10 + xx, v); };
                    if (y >= 2 && y <= 8)
                        roughSecond = std::max(
                            roughSecond, std::fabs(at(y + 1, x) - 2 * at(y, x) + at(y - 1, x)));
                    if (y == 1)
                        roughFirstStep =
                            std::max(roughFirstStep, std::fabs(at(2, x) - 2 * at(1, x) + at(0, x)));
                    if (x >= 1 && x <= 8)
                        anisoSecond = std::max(
                            anisoSecond, std::fabs(at(y, x + 1) - 2 * at(y, x) + at(y, x - 1)));
                }
        EXPECT_LT(roughSecond, 0.12 * largest) << "level " << level;
        EXPECT_LT(anisoSecond, 0.12 * largest) << "level " << level;
        EXPECT_LT(roughFirstStep, 0.35 * largest) << "level " << level;
    }
}

}  // namespace
}  // namespace dermal
