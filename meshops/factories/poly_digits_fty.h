#pragma once
/// polyDigits' factory: a flat mesh in the XY plane showing a number in seven-segment style.
/// Every segment, decimal point, comma and minus sign is one six-sided face wound
/// counter-clockwise seen from +Z (normal +Z). With a blur range the digits are drawn as the
/// blend of the digits a spinning counter passes through, the blend written per face into the
/// UV set "TranspUV" (u: 0 opaque, 1 transparent), optionally with random flicker.

#include <array>
#include <cstdint>

#include "engine/geometry/mid_body.h"

/// The 48-bit linear congruential generator of srand48/drand48 with state of its own: seeded
/// with s it gives the sequence drand48 gives after srand48(s), without touching the
/// process-wide generator.
class Rand48 {
public:
    explicit Rand48(long seed);
    /// Next value in [0, 1).
    double next();

private:
    std::uint64_t m_x;
};

/// Tables shared by every polyDigits factory of the library: filled once, under a library-wide
/// lock, by the first factory made; read-only afterwards.
struct DigitTables {
    std::array<std::int64_t, 10> pow10;  // 1 ... 1000000000
    std::array<int, 7> litTotal;         // per segment: how many of the digits 0-9 light it
    std::array<int, 10> vertexCount;     // per digit: six vertices per lit segment
};

/// The seven-segment table: segmentLit[digit][segment]. Segments: 0 bottom, 1 middle, 2 top,
/// 3 lower left, 4 upper left, 5 lower right, 6 upper right.
extern const std::uint8_t segmentLit[10][7];

class TpolyDigitsFty : public TmidModifierFty {
public:
    static constexpr int kMinDigits = 1;
    static constexpr int kMaxDigits = 10;
    static constexpr int kMaxDotPosition = 11;

    /// Makes sure the shared tables are filled.
    TpolyDigitsFty();
    /// The shared tables (filled on first use).
    static const DigitTables& tables();

    int counter = 0;
    int blurRange = 0;     // clamped to 0 or more
    double flicker = 0.0;  // no flicker at 0 or less
    int numDigits = 3;     // clamped to 1..10
    int dotPosition = 0;   // digits right of the point, clamped to 0..11 (above numDigits: none)
    float digitSpacing = 0.1f;
    float thickness = 0.1f;
    float segmentSpacing = 0.02f;
    float height = 0.0f;
    float slant = 0.1f;
    bool comma = true;
    bool noLeadZero = true;
    int uvSet = -1;      // set while building: the "TranspUV" set
    bool uvsOn = false;  // set while building: a blur range is in use

protected:
    /// Builds the digit mesh into the body (any mesh it held is replaced).
    int modify(TmidBody& body) override;
};
