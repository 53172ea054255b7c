#include "host/dg/value_rules.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "host/dg/data_store.h"

namespace tarn {

namespace {

// The hard limits of number cell `cell`: a compound's own limits, else those of the child that
// holds the cell.
std::pair<std::optional<double>, std::optional<double>> limitsOf(const AttributeImpl& a,
                                                                 unsigned cell, unsigned width) {
    if (a.minValue || a.maxValue || a.children.size() != width) return {a.minValue, a.maxValue};
    const AttributeImpl& child = *a.children[cell];
    return {child.minValue, child.maxValue};
}

// A value as a refusal shows it: nan and inf by name, whole numbers below 1e15 in full digits,
// others to nine significant digits.
std::string refusedText(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[40];
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

}  // namespace

std::string checkCellValues(const AttributeImpl& a, unsigned width, std::vector<double>& values,
                            std::vector<ClampedValue>* clamped) {
    if (values.size() != width)
        return "takes " + std::to_string(width) + (width == 1 ? " value, " : " values, ") +
               std::to_string(values.size()) + " given";
    // Not-a-number and infinities would spread through every matrix and box that reads them.
    for (double v : values)
        if (!std::isfinite(v)) return "takes finite numbers, not '" + refusedText(v) + "'.";
    for (unsigned i = 0; i < width; ++i) {
        const auto [low, high] = limitsOf(a, i, width);
        const double wanted = values[i];
        if (low && values[i] < *low) values[i] = *low;
        if (high && values[i] > *high) values[i] = *high;
        if (values[i] != wanted && clamped) clamped->push_back({i, wanted});
        const CellKind kind = i < a.cellKinds.size() ? a.cellKinds[i] : CellKind::kDouble;
        if (!cellHoldsFinite(kind, values[i]))
            return "takes finite numbers, not '" + refusedText(values[i]) + "'.";
        // An int cell would saturate what it cannot hold: refused rather than stored wrong.
        if (!cellHoldsInRange(kind, values[i]))
            return "holds whole numbers from -2147483648 to 2147483647, not " +
                   refusedText(values[i]);
    }
    return {};
}

}  // namespace tarn
