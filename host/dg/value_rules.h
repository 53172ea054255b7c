#pragma once
/// The checks every writer of attribute values applies to numbers from outside (a command's
/// words, a scene file's statements): right count, finite, still finite at the attribute's
/// precision, within an int cell's range, and within the hard limits. Pure; any thread.

#include <string>
#include <vector>

#include "host/dg/attribute_impl.h"

namespace tarn {

/// A value moved into an attribute's hard limits: where it was and what was asked.
struct ClampedValue {
    unsigned cell = 0;
    double wanted = 0.0;
};

/// Checks `values` meant for the `width` number cells of a plug of `attribute` (a leaf, or a
/// compound whose cells are its children's, in leaf order). Values beyond the hard limits (the
/// compound's own, else the child's holding the cell) are moved into them and listed in
/// `*clamped`. Answers "" when the values can be stored, else what is wrong: "takes N values,
/// M given", "takes finite numbers, not 'X'." (a NaN, an infinity, or a number a float cell
/// would hold as infinity, such as 1e39) or "holds whole numbers from -2147483648 to
/// 2147483647, not X" (an int cell).
std::string checkCellValues(const AttributeImpl& attribute, unsigned width,
                            std::vector<double>& values, std::vector<ClampedValue>* clamped);

}  // namespace tarn
