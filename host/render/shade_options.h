#pragma once
// Command-line options of the `tarn shade` job, parsed and checked before anything is rendered.

#include <string>
#include <vector>

#include "host/render/job_args.h"

namespace tarn::render {

/// A directional light: direction towards the light (camera space, any non-zero length; it is
/// normalised) and its colour.
struct ShadeLight {
    float direction[3];
    float colour[3];
};

/// One `--set ATTR=VALUE[,VALUE,VALUE]`: an attribute of the node and one or three numbers.
struct ShadeSetting {
    std::string attribute;
    std::vector<double> values;
};

/// How linear shaded colour becomes display values (after the exposure scale).
enum class ToneCurve {
    kFilmic,  ///< a filmic shoulder: highlights roll off towards white instead of clipping
    kLinear,  ///< clipped at 1
};

/// The file the job writes without -o, named after the node type as `tarn swatch` does.
inline constexpr const char* kDefaultShadeOutput = "DermalShade.png";

struct ShadeOptions {
    std::vector<ShadeSetting> settings;
    std::vector<ShadeLight> lights;
    bool hasAmbient = false;
    float ambient[3] = {0, 0, 0};
    int size = 256;
    float exposure = 0.0f;  ///< stops: colours are scaled by 2^exposure before the tone curve
    ToneCurve tone = ToneCurve::kFilmic;
    std::string output = kDefaultShadeOutput;
    bool list = false;  ///< print the node type's attributes instead of rendering
};

inline constexpr int kMinShadeSize = 8;
inline constexpr int kMaxShadeSize = 4096;
inline constexpr float kMaxExposure = 20.0f;  ///< stops either way

/// The light rig used when neither --light nor --ambient is given: a warm key light from the
/// upper left, a cool rim light from the right, and a faint ambient light.
inline constexpr ShadeLight kDefaultKeyLight = {{-0.6f, 0.5f, 0.4f}, {0.6f, 0.58f, 0.55f}};
inline constexpr ShadeLight kDefaultRimLight = {{0.8f, 0.1f, 0.3f}, {0.12f, 0.12f, 0.15f}};
inline constexpr float kDefaultAmbient[3] = {0.015f, 0.015f, 0.02f};

/// Parses the words after "shade". False with a one-line reason in `*error` for an unknown
/// flag or a missing value (usage errors), a number that is not one or is not finite, a zero
/// light direction, a size outside [8, 4096], an exposure outside [-20, 20], an unknown tone
/// curve or an output name without an image extension. Several numbers of one option are one
/// word with commas, or (the older spelling) one word each. When no light and no ambient is
/// given, the default rig above is used.
bool parseShadeOptions(const std::vector<std::string>& args, ShadeOptions& options,
                       jobs::ArgumentError* error);

/// Gives `options` the default rig above when it has no light and no ambient; else no change.
void addDefaultLightRig(ShadeOptions& options);

/// The usage text of the job (several lines, ending in a line feed).
const char* shadeUsage();

}  // namespace tarn::render
