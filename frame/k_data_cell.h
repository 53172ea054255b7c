#pragma once
/// The cells attribute values are stored in, shared by the host's storage of node values and
/// the data handles plug-ins read and write through. Nothing here knows the handles: they are
/// built over these cells, never the other way round.

#include <cstdint>

namespace tarn {

/// One storage cell of an attribute leaf (a matrix takes 16 doubles).
union Cell {
    double d;
    void* p;
};

/// How a handle's cells are to be read and written.
enum class CellKind : std::uint8_t {
    kNone = 0,
    kBool,
    kInt,
    kFloat,
    kDouble,
    kAddr,
    kCompound,
    kFloatMatrix,
    kMatrix,
    kString,
    kData,
    kMessage,
};

/// Integer conversion without undefined behaviour: truncates toward zero, saturates at the int
/// range, NaN gives 0.
inline int cellToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(v);
}

}  // namespace tarn
