#pragma once
// Command-line options of the `tarn shade` job, parsed and checked before anything is rendered.

#include <string>
#include <vector>

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

struct ShadeOptions {
    std::vector<ShadeSetting> settings;
    std::vector<ShadeLight> lights;
    bool hasAmbient = false;
    float ambient[3] = {0, 0, 0};
    int size = 256;
    float exposure = 0.0f;  ///< stops: colours are scaled by 2^exposure before the tone curve
    ToneCurve tone = ToneCurve::kFilmic;
    std::string output;
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
/// flag, a missing or non-finite number, a zero light direction, a size outside [8, 4096], an
/// exposure outside [-20, 20], an unknown tone curve or a missing "-o FILE.png". When no light
/// and no ambient is given, the default rig above is used.
bool parseShadeOptions(const std::vector<std::string>& args, ShadeOptions& options,
                       std::string* error);

/// Gives `options` the default rig above when it has no light and no ambient; else no change.
void addDefaultLightRig(ShadeOptions& options);

/// The usage text of the job (several lines, ending in a line feed).
const char* shadeUsage();

}  // namespace tarn::render
