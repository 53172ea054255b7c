#pragma once
// The `tarn shade` batch job: renders a sphere shaded by a DermalShade node to a PNG file.

#include <string>
#include <vector>

#include "host/render/shade_options.h"

namespace tarn::render {

/// A linear colour value scaled by 2^exposure and mapped by `curve` to a display value in
/// [0, 1] (before the display gamma). Negative and NaN inputs give 0; infinite ones 1.
float toneMap(float linear, float exposure, ToneCurve curve);

/// Runs the job with the words after "shade":
///   [--set ATTR=VALUE[,VALUE,VALUE] ...] [--light DX DY DZ R G B ...] [--ambient R G B]
///   [--size N] -o FILE.png
/// Loads the DermalShade plug-in when its type is not registered yet, evaluates the node per
/// sample (each task on its own copy of the node's storage; on all cores only when the node
/// declares itself safe for parallel evaluation, which DermalShade does not) and writes the PNG.
/// Returns 0 on success, 1 when the job fails, 2 for bad arguments (nothing written then);
/// messages go to the standard error stream. Main thread only.
int runShadeJob(const std::vector<std::string>& args);

}  // namespace tarn::render
