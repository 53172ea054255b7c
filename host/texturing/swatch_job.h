#pragma once
/// The `tarn swatch` batch job: renders one texture node over the unit UV square (2D) or over
/// the z = 0 slice of its placement space (3D) to a PNG file.

#include <string>
#include <vector>

namespace tarn::texturing {

/// A setting "attr=v[,v,v]" applied to the node before rendering.
struct SwatchSetting {
    std::string attribute;
    std::vector<std::string> values;
};

struct SwatchOptions {
    std::string plugin;
    std::string nodeType;
    std::vector<SwatchSetting> settings;
    int size = 256;
    int threads = 0;  ///< 0: every core
    float scale = 1.0f;
    std::string output;  ///< default "<nodeType>.png"
    bool help = false;
};

/// Parses the words after "swatch". False with `*error` for bad arguments.
bool parseSwatchOptions(const std::vector<std::string>& args, SwatchOptions* options,
                        std::string* error);

/// The --help text.
const char* swatchUsage();

/// Renders into `rgb` (size * size * 3 bytes, rows from v = 1 down to v = 0). Each pixel is
/// one sample at its centre with filter size 1/size (3D: 2 * scale / size); the result does
/// not depend on the number of threads. Returns 0, or 1 with `*error`.
int renderSwatch(const SwatchOptions& options, std::vector<unsigned char>* rgb, std::string* error);

/// Runs the job with the words after "swatch":
///   PLUGIN NODE_TYPE [--set ATTR=VALUE[,VALUE,VALUE] ...] [--size N] [--threads N]
///   [--scale S] [-o FILE.png]
/// Returns 0 on success, 1 when the job fails, 2 for bad arguments (nothing written then);
/// messages go to the standard error stream. Main thread only.
int runSwatchJob(const std::vector<std::string>& args);

}  // namespace tarn::texturing
