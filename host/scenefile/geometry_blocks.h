#pragma once
/// The geometry blocks of a scene file: a mesh, a NURBS curve and a NURBS surface written as
/// the text of their block, and a parsed block checked and turned back into the host's value.
/// Large arrays are written as base64 blocks of little-endian values, small ones inline so a
/// person can read and diff them. What is written reads back to the same value: the same ids
/// for vertices, edges (with their direction), faces and UVs, the same bits for every number.
/// Pure; any thread.

#include <string>

#include "host/mesh/poly_mesh.h"
#include "host/nurbs/nurbs_curve.h"
#include "host/nurbs/nurbs_surface.h"
#include "host/scenefile/scene_document.h"

namespace tarn::scenefile {

/// Arrays of at most this many numbers are written inline, larger ones as base64 blocks.
constexpr std::size_t kInlineValues = 768;

/// Appends the statements of a mesh block (without the "mesh {" line and the closing "}"),
/// each line starting with `indent`.
void writeMeshBody(std::string& out, const PolyMesh& mesh, const std::string& indent);
/// The mesh a block describes. False with `*error` (and `*line`, the line at fault) when the
/// block does not make a valid mesh: bad ids, counts that disagree, numbers that are not finite.
bool buildMesh(MeshBlock&& block, PolyMesh& out, std::string* error, int* line);

/// A curve block from a curve's degree, form, CVs (x y z w) and knots.
void writeCurveBody(std::string& out, int degree, CurveBlock::Form form,
                    const std::vector<KPoint>& cvs, const std::vector<double>& knots,
                    const std::string& indent);
/// The same for curve data.
void writeCurveBody(std::string& out, const nurbs::NurbsCurve& curve, const std::string& indent);
/// The curve of a block as the host checks curves (degree, CV and knot counts, finite
/// non-decreasing knots, positive weights). False with `*error`.
bool buildCurve(const CurveBlock& block, nurbs::NurbsCurve& out, std::string* error);

void writeSurfaceBody(std::string& out, const nurbs::NurbsSurface& surface,
                      const std::string& indent);
/// The surface of a block, checked as the host checks surfaces. False with `*error`.
bool buildSurface(SurfaceBlock&& block, nurbs::NurbsSurface& out, std::string* error);

}  // namespace tarn::scenefile
