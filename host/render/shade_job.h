#pragma once
// The `tarn shade` batch job: renders a sphere shaded by a DermalShade node to a PNG file.

#include <cstdint>
#include <string>
#include <vector>

#include "frame/k_object.h"
#include "host/render/shade_options.h"

namespace tarn::render {

/// A linear colour value scaled by 2^exposure and mapped by `curve` to a display value in
/// [0, 1] (before the display gamma). Negative and NaN inputs give 0; infinite ones 1.
float toneMap(float linear, float exposure, ToneCurve curve);

/// Runs the job with the words after "shade":
///   [--set ATTR=VALUE[,VALUE,VALUE] ...] [--light DX,DY,DZ,R,G,B ...] [--ambient R,G,B]
///   [--exposure STOPS] [--tone filmic|linear] [--size N] [--list] [-o FILE.png]
/// (shadeUsage()). `--list` prints the node type's attributes instead of rendering.
/// Loads the DermalShade plug-in when its type is not registered yet, evaluates the node per
/// sample (each task on its own copy of the node's storage; on all cores only when the node
/// declares itself safe for parallel evaluation, which DermalShade does not) and writes the PNG.
/// Returns 0 on success, 1 when the job fails, 2 for bad arguments (nothing written then);
/// messages go to the standard error stream. Main thread only.
int runShadeJob(const std::vector<std::string>& args);

/// Renders the sphere of the job with an existing DermalShade `node` into `pixels`
/// (options.size squared, 8-bit RGB, rows top to bottom) under options.lights and the ambient
/// light; options.settings and options.output are not used. The node's stored values are not
/// changed (lights go to private copies). False with `*error` when the node lacks a shading
/// attribute or the shader fails. Main thread only.
bool renderShadedSphere(const KObject& node, const ShadeOptions& options,
                        std::vector<std::uint8_t>& pixels, std::string* error);

}  // namespace tarn::render
