#pragma once
/// What one surfaceBake run bakes and where it writes: the command's settings, a plain record.

#include "frame/k_string.h"

namespace bake {

/// The attributes a mesh can be baked for, by code.
enum BakeAttribute { kPosition = 0, kNormal, kColor, kUv, kTangent, kBinormal, kAttributeCount };

/// The attribute names, by code: "position", "normal", "color", "uv", "tangent", "binormal".
extern const char* const kAttributeNames[kAttributeCount];

/// Largest image width or height the command bakes (the host's image limit).
inline constexpr int kMaxBakeSide = 8192;

struct BakeSettings {
    int width = 512;
    int height = 512;
    KString fileName;
    bool useDefaultName = true;
    KString outputType = "iff";
    bool createFileTextureNode = true;
    int attribute = kUv;
    bool objectSpace = false;
    double defaultAttributeColor[4] = {0.0, 0.0, 0.0, 1.0};
    double defaultBackgroundColor[4] = {0.0, 0.0, 0.0, 1.0};
};

}  // namespace bake
