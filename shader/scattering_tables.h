#pragma once
// Precomputed subsurface scattering data of the skin shader: seven tables (one per albedo level)
// of 10 x 10 cells over roughness and anisotropy, each cell five azimuthal orders of bicubic
// Bezier control points over the incident and exit cosines. Read-only, shared by all threads.

namespace dermal {

inline constexpr int kScatteringOrders = 5;  // azimuthal cosine orders k = 0..4
inline constexpr int kPatchPoints = 16;      // control points of one order, value 4j + i
inline constexpr int kCellValues = kScatteringOrders * kPatchPoints;  // 80
inline constexpr int kScatteringGrid = 10;  // samples n / 10 on each parameter axis
inline constexpr int kTableCells = kScatteringGrid * kScatteringGrid;
inline constexpr int kDataTableCount = 6;  // tables with data (every level but 0.0)

/// One cell: order[k][4j + i], row j over the exit (view) cosine, column i over the incident one.
struct ScatteringCell {
    double order[kScatteringOrders][kPatchPoints];
};

/// One albedo level: cell 10y + x holds roughness sample y and anisotropy sample x.
struct ScatteringTable {
    ScatteringCell cell[kTableCells];
};

/// The upper albedo levels; 0.0 stands in front of them as the lower bound of the first interval.
inline constexpr double albedoLevels[kDataTableCount] = {0.1, 0.5, 0.75, 0.9, 0.99, 1.0};

/// The 16 positive abscissas of the 32-point Gauss-Legendre rule and their weights, held to six
/// significant digits (the weights sum to 1.00000011).
inline constexpr double quadratureNodes[16] = {
    0.0483077, 0.144472, 0.239287, 0.331869, 0.421351, 0.5069,   0.587716, 0.663044,
    0.732182,  0.794484, 0.849368, 0.896321, 0.934906, 0.964762, 0.985612, 0.997264};
inline constexpr double quadratureWeights[16] = {
    0.0965401, 0.0956387, 0.0938444, 0.0911739, 0.0876521, 0.0833119, 0.0781939, 0.0723458,
    0.0658222, 0.0586841, 0.0509981, 0.0428359, 0.0342739, 0.0253921, 0.0162744, 0.00701861};

/// Data of levels 0.1, 0.5, 0.75, 0.9, 0.99 and 1.0, in that order (generated, see
/// tools/scattering).
extern const ScatteringTable scatteringTableData[kDataTableCount];

/// Level index 0 (albedo 0.0, all zeros) to 6 (albedo 1.0). index in [0, 6].
const ScatteringTable& scatteringTable(int levelIndex);

}  // namespace dermal
