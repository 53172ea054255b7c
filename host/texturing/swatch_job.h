#pragma once
/// The `tarn swatch` batch job: renders one texture node over the unit UV square (2D) or over
/// the z = 0 slice of its placement space (3D) to a PNG file.

#include <string>
#include <vector>

#include "host/render/job_args.h"

namespace tarn::texturing {

/// A setting "attr=v[,v,v]" applied to the node before rendering.
struct SwatchSetting {
    std::string attribute;
    std::vector<std::string> values;
};

struct SwatchOptions {
    std::string plugin;  ///< empty: the plug-in on the search path that registers nodeType
    std::string nodeType;
    std::vector<SwatchSetting> settings;
    int size = 256;
    int threads = 0;  ///< 0: every core
    float scale = 1.0f;
    int tile = 1;        ///< the swatch repeated tile x tile times
    int samples = 1;     ///< samples x samples per pixel, averaged
    std::string output;  ///< default "<nodeType>.png"
    bool help = false;
    bool list = false;  ///< print the node type's attributes instead of rendering
};

/// Limits every option is checked against before anything is loaded or rendered.
inline constexpr int kMaxSwatchSize = 8192;  ///< the largest side the image writer takes
inline constexpr int kMaxSwatchSamples = 16;

/// Parses the words after "swatch". False with `*error` for bad arguments: an unknown option,
/// a missing value or a wrong count of words (usage errors), or a size, tile or sample count
/// out of its limits, a malformed setting or an output name without an image extension.
bool parseSwatchOptions(const std::vector<std::string>& args, SwatchOptions* options,
                        jobs::ArgumentError* error);

/// The --help text.
const char* swatchUsage();

/// Renders into `rgb` (size * size * 3 bytes, rows from v = 1 down to v = 0). The square shows
/// the texture `tile` times across; each pixel averages samples x samples samples on a regular
/// grid inside it, each with filter size tile / (size * samples) (3D: that times 2 * scale).
/// The result does not depend on the number of threads. Returns 0; 2 with `*error` for an
/// unknown node type or a bad setting; 1 with `*error` when loading or evaluating fails.
int renderSwatch(const SwatchOptions& options, std::vector<unsigned char>* rgb, std::string* error);

/// Runs the job with the words after "swatch":
///   [PLUGIN] NODE_TYPE [--set ATTR=VALUE[,VALUE,VALUE] ...] [--size N] [--threads N]
///   [--scale S] [--tile N] [--samples N] [--list] [-o FILE.png]
/// Returns 0 on success, 1 when the job fails, 2 for bad arguments (nothing written then);
/// messages go to the standard error stream. Main thread only.
int runSwatchJob(const std::vector<std::string>& args);

}  // namespace tarn::texturing
