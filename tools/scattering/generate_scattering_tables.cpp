// Generates shader/scattering_data.cpp: six scattering tables (albedo levels 0.1 .. 1.0) of
// 10 x 10 cells (roughness x anisotropy) from the layer model in scattering_model.cpp, followed
// by the calibration step described in README.md. Deterministic: no random numbers are used.
//
// Usage: generate_scattering_tables OUTPUT.cpp

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "tools/scattering/scattering_model.h"

namespace {

using scattering::FittedCell;

constexpr int kLevels = 6;
constexpr int kGrid = 10;
constexpr int kCellValues = 80;
const double kAlbedo[kLevels] = {0.1, 0.5, 0.75, 0.9, 0.99, 1.0};
const double kTargetMax[kLevels] = {0.00494257, 0.0380491, 0.0895197, 0.175613, 0.413717, 0.671692};
constexpr double kTargetMin = -0.00297914;

// Reference cells the tables are calibrated to: level, roughness sample, anisotropy sample,
// first order, values (16 per order).
struct Reference {
    int level, rough, aniso, orders;
    double values[32];
};
const Reference kReferences[] = {
    {5,
     0,
     0,
     1,
     {0.000876487, 0.024184, 0.0136598, 0.0171131, 0.024184, 0.667357, 0.376692, 0.471746,
      0.0136598, 0.376692, 0.213496, 0.267952, 0.0171131, 0.471746, 0.267952, 0.336767}},
    {0,
     0,
     0,
     1,
     {6.29949e-06, 0.000176435, 9.05096e-05, 0.00010732, 0.000176435, 0.00494257, 0.00253168,
      0.00300007, 9.05096e-05, 0.00253168, 0.00131175, 0.00156097, 0.00010732, 0.00300007,
      0.00156097, 0.00186116}},
    {5, 9, 9, 2, {0.243071,   0.252329,   0.207927,   0.212308,   0.215005,  0.289545,   0.238051,
                  0.248195,   0.22292,    0.294866,   0.268713,   0.279522,  0.292188,   0.402129,
                  0.379593,   0.40251,    0.120207,   0.0452164,  0.0225469, 0.00210926, 0.036115,
                  0.049531,   0.0132745,  0.00221784, 0.0385607,  0.0313475, 0.0220563,  0.00180363,
                  0.00229757, 0.00323631, 0.00165012, 0.000184479}},
};
constexpr double kBlendRadius = 3.5;  // in grid samples

using Table = std::vector<FittedCell>;  // 100 cells, roughness-major

double blendWeight(int dy, int dx) {
    const double d = std::sqrt(double(dy * dy + dx * dx)) / kBlendRadius;
    if (d >= 1.0) return 0.0;
    const double s = 1.0 - d * d;
    return s * s;
}

// Scales the model table by k and pins/blends the reference cells of this level.
Table calibrate(const Table& model, int level, double k) {
    Table t = model;
    for (auto& cell : t)
        for (double& v : cell) v *= k;
    for (const Reference& ref : kReferences) {
        if (ref.level != level) continue;
        const FittedCell anchor = t[ref.rough * kGrid + ref.aniso];
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x) {
                const double w = blendWeight(y - ref.rough, x - ref.aniso);
                if (w == 0.0) continue;
                for (int v = 0; v < ref.orders * 16; ++v)
                    t[y * kGrid + x][v] += w * (ref.values[v] - anchor[v]);
            }
    }
    return t;
}

double tableMax(const Table& t) {
    double m = -1e300;
    for (const auto& cell : t)
        for (double v : cell) m = std::max(m, v);
    return m;
}

// Least-squares scale of the model onto this level's reference cells (0 when there are none).
double referenceScale(const Table& model, int level) {
    double num = 0.0, den = 0.0;
    for (const Reference& ref : kReferences) {
        if (ref.level != level) continue;
        const FittedCell& c = model[ref.rough * kGrid + ref.aniso];
        for (int v = 0; v < ref.orders * 16; ++v) {
            num += c[v] * ref.values[v];
            den += c[v] * c[v];
        }
    }
    return den > 0.0 ? num / den : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_scattering_tables OUTPUT.cpp\n");
        return 2;
    }
    // Evaluate the model: one task per roughness sample (each builds its own boundary).
    std::vector<Table> model(kLevels, Table(kGrid * kGrid));
    std::vector<double> albedos(kAlbedo, kAlbedo + kLevels);
    std::vector<std::future<void>> jobs;
    for (int y = 0; y < kGrid; ++y) {
        jobs.push_back(std::async(std::launch::async, [&, y] {
            const scattering::LayerModel layer(y / 10.0);
            for (int x = 0; x < kGrid; ++x) {
                const auto cells = layer.fit(albedos, x / 10.0);
                for (int l = 0; l < kLevels; ++l) model[l][y * kGrid + x] = cells[l];
            }
        }));
        if (jobs.size() == 2) {  // two at a time: the build machines are small
            for (auto& j : jobs) j.get();
            jobs.clear();
        }
    }
    for (auto& j : jobs) j.get();

    // Isotropic scattering does not depend on the azimuth: remove the numerical residue.
    for (auto& table : model)
        for (int y = 0; y < kGrid; ++y)
            for (int v = 16; v < kCellValues; ++v) table[y * kGrid][v] = 0.0;

    // Calibrate each level: the largest scale whose calibrated maximum stays at the target,
    // but no larger than the scale that fits the model onto this level's reference cells.
    std::vector<Table> out(kLevels);
    for (int l = 0; l < kLevels; ++l) {
        double lo = 0.0, hi = 10.0 * kTargetMax[l] / tableMax(model[l]);
        for (int iter = 0; iter < 200; ++iter) {
            const double mid = 0.5 * (lo + hi);
            (tableMax(calibrate(model[l], l, mid)) <= kTargetMax[l] ? lo : hi) = mid;
        }
        const double fit = referenceScale(model[l], l);
        const double k = fit > 0.0 ? std::min(lo, fit) : lo;
        out[l] = calibrate(model[l], l, k);
        std::fprintf(stderr,
                     "level %.2f: model max %.6g, scale %.6g (reference fit %.6g), max %.9g\n",
                     kAlbedo[l], tableMax(model[l]), k, fit, tableMax(out[l]));
    }

    // Negative control points are overshoot of the truncated expansion. Compress them smoothly
    // with v -> c tanh(v / c) (slope 1 at 0, order-preserving) so the most negative one lands on
    // the target minimum; non-negative values, and so the maxima and the references, are kept.
    double lowest = 0.0;
    for (const auto& table : out)
        for (const auto& cell : table)
            for (double v : cell) lowest = std::min(lowest, v);
    if (lowest < kTargetMin) {
        double lo = -kTargetMin, hi = -lowest;  // c tanh(lowest / c) grows with c towards lowest
        for (int iter = 0; iter < 200; ++iter) {
            const double c = 0.5 * (lo + hi);
            (c * std::tanh(lowest / c) < kTargetMin ? hi : lo) = c;
        }
        const double c = 0.5 * (lo + hi);
        for (auto& table : out)
            for (auto& cell : table)
                for (double& v : cell)
                    if (v < 0.0) v = (v == lowest) ? kTargetMin : c * std::tanh(v / c);
        std::fprintf(stderr, "negative values compressed: min %.9g -> %.9g (c = %.9g)\n", lowest,
                     kTargetMin, c);
    } else {
        std::fprintf(stderr, "model minimum %.9g is above the target %.9g\n", lowest, kTargetMin);
        return 1;
    }

    FILE* f = std::fopen(argv[1], "w");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(f,
                 "// Generated by tools/scattering/generate_scattering_tables; do not edit.\n"
                 "// Regenerate: cmake --build <build> --target regenerate_scattering_tables (see "
                 "its README.md).\n\n"
                 "#include \"shader/scattering_tables.h\"\n\n"
                 "namespace dermal {\n\n"
                 "const ScatteringTable scatteringTableData[kDataTableCount] = {\n");
    for (int l = 0; l < kLevels; ++l) {
        std::fprintf(f, "    // albedo %g\n    {{\n", kAlbedo[l]);
        for (int c = 0; c < kGrid * kGrid; ++c) {
            std::fprintf(f, "        {{ // roughness %d, anisotropy %d\n", c / kGrid, c % kGrid);
            for (int k = 0; k < 5; ++k) {
                std::fprintf(f, "            {");
                for (int v = 0; v < 16; ++v)
                    std::fprintf(f, "%s%.6g", v ? ", " : "", out[l][c][k * 16 + v]);
                std::fprintf(f, "},\n");
            }
            std::fprintf(f, "        }},\n");
        }
        std::fprintf(f, "    }},\n");
    }
    std::fprintf(f, "};\n\n}  // namespace dermal\n");
    std::fclose(f);
    return 0;
}
