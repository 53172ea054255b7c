#pragma once
/// Plain colour record of the texture patterns: three single-precision components (r, g, b).
/// The node layer converts to and from the SDK's KFloatVector at the data-block boundary.

namespace texture {

struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// Colour and alpha produced by a pattern step, before the output stage.
struct PatternResult {
    Rgb color;
    float alpha = 0.0f;
};

}  // namespace texture
