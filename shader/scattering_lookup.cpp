#include "shader/scattering_lookup.h"

#include <array>
#include <cmath>

namespace dermal {
namespace {

struct Bernstein {
    double b[4];
};

constexpr Bernstein bernstein(double s) {
    const double t = 1.0 - s;
    return {{t * t * t, 3.0 * s * t * t, 3.0 * s * s * t, s * s * s}};
}

double patchValue(const double* p, const Bernstein& a, const Bernstein& b) {
    double sum = 0.0;
    for (int j = 0; j < 4; ++j) {
        const double* row = p + 4 * j;
        sum += b.b[j] * (a.b[0] * row[0] + a.b[1] * row[1] + a.b[2] * row[2] + a.b[3] * row[3]);
    }
    return sum;
}

// Grid position of a parameter: sample index (0..8) and weight of the next sample.
struct GridPosition {
    int index;
    double weight;
};

GridPosition gridPosition(double value) {
    // Note: the comparison also maps NaN to sample 0, before any integer conversion.
    if (!(value > 0.0)) return {0, 0.0};
    const double scaled = value * kScatteringGrid;
    if (scaled >= kScatteringGrid - 1) return {kScatteringGrid - 2, 1.0};
    const int index = static_cast<int>(scaled);
    return {index, scaled - index};
}

// Bilinear blend of four cells of one table, scaled by `scale`, added into `out`.
void addBilinear(const ScatteringTable& table, GridPosition rough, GridPosition aniso, double scale,
                 ScatteringCell& out) {
    const double* c00 = &table.cell[rough.index * kScatteringGrid + aniso.index].order[0][0];
    const double* c01 = c00 + kCellValues;
    const double* c10 = c00 + kScatteringGrid * kCellValues;
    const double* c11 = c10 + kCellValues;
    const double fx = aniso.weight, fy = rough.weight;
    double* dst = &out.order[0][0];
    for (int v = 0; v < kCellValues; ++v) {
        const double t = (1.0 - fy) * ((1.0 - fx) * c00[v] + fx * c01[v]) +
                         fy * ((1.0 - fx) * c10[v] + fx * c11[v]);
        dst[v] += scale * t;
    }
}

// Sum over the quadrature of weight * node * B_i(node), per Bernstein column i.
constexpr std::array<double, 4> kHemisphereColumns = [] {
    std::array<double, 4> c{};
    for (int n = 0; n < 16; ++n) {
        const Bernstein b = bernstein(quadratureNodes[n]);
        for (int i = 0; i < 4; ++i) c[i] += b.b[i] * quadratureWeights[n] * quadratureNodes[n];
    }
    return c;
}();

}  // namespace

void lookupScatteringCell(double albedo, double anisotropy, double roughness,
                          ScatteringCell& cell) {
    // Find the albedo interval: the first level above the albedo.
    if (!(albedo > 0.0)) albedo = 0.0;
    int upper = 0;
    while (upper < kDataTableCount && !(albedoLevels[upper] > albedo)) ++upper;
    int lower;
    double t;
    if (upper < kDataTableCount) {
        lower = upper;  // table index of the level in front (0 is the zero table)
        const double lowLevel = upper == 0 ? 0.0 : albedoLevels[upper - 1];
        t = (albedo - lowLevel) / (albedoLevels[upper] - lowLevel);
        upper += 1;
    } else {
        lower = kDataTableCount - 1;
        upper = kDataTableCount;
        t = 1.0;
    }

    const GridPosition aniso = gridPosition(anisotropy);
    const GridPosition rough = gridPosition(roughness);
    double* dst = &cell.order[0][0];
    for (int v = 0; v < kCellValues; ++v) dst[v] = 0.0;
    addBilinear(scatteringTable(lower), rough, aniso, 1.0 - t, cell);
    addBilinear(scatteringTable(upper), rough, aniso, t, cell);
}

double patchValue(const double* controlPoints, double a, double b) {
    return patchValue(controlPoints, bernstein(a), bernstein(b));
}

double azimuthalSum(const ScatteringCell& cell, double thetaI, double phiI, double thetaR,
                    double phi) {
    const Bernstein a = bernstein(std::cos(thetaI));
    const Bernstein b = bernstein(std::cos(thetaR));
    const double d = phi - phiI;
    double sum = 0.0;
    for (int k = 0; k < kScatteringOrders; ++k)
        sum += patchValue(cell.order[k], a, b) * std::cos(k * d);
    return sum > 0.0 ? sum : 0.0;
}

double hemisphereSum(const ScatteringCell& cell, double thetaR) {
    const Bernstein b = bernstein(std::cos(thetaR));
    double sum = 0.0;
    for (int j = 0; j < 4; ++j) {
        const double* row = cell.order[0] + 4 * j;
        double rowSum = 0.0;
        for (int i = 0; i < 4; ++i) rowSum += kHemisphereColumns[i] * row[i];
        sum += b.b[j] * rowSum;
    }
    return sum > 0.0 ? sum : 0.0;
}

}  // namespace dermal
