#pragma once
/// The engine's face subdivision: splits the faces of the body's active face group (all faces
/// when there is none), whatever their vertex count.
///
/// With d divisions every edge of a selected face is cut into 2d equal segments:
///   - a quad becomes a 2d x 2d grid of quads (bilinear in its corners);
///   - a triangle becomes a triangular grid of (2d)^2 triangles;
///   - a face of five or more corners becomes a fan of n quads around its centre (corner k,
///     the middle of edge k, the centre, the middle of edge k - 1), each a d x d grid.
/// Divisions 1 thus cut a quad or triangle into four and an n-gon into n quads. Unselected
/// faces that share a cut edge take its new vertices into their loop, so the mesh stays
/// connected. Every UV set follows (new UVs interpolated in each face's own UVs); hard edges
/// stay hard along their pieces; colour sets are not kept. Faces keep their order, each
/// selected face replaced in place by its pieces.

#include <cstdint>

#include "engine/geometry/mid_body.h"

class TpolySubdFaceAnyFty : public TmidModifierFty {
public:
    /// Largest division count accepted.
    static constexpr int kMaxDivisions = 64;
    /// Largest result accepted, in face corners (keeps every index well inside 32 bits and the
    /// memory bounded).
    static constexpr std::int64_t kMaxFaceVertices = std::int64_t(1) << 28;

    /// The three division counts (quad direction u, quad direction v, other faces). A count of
    /// 0 in any of them leaves the mesh unchanged; a negative count, and counts that differ
    /// (a cut edge must have the same pieces on both of its faces), are refused with a message.
    int divisions[3] = {1, 1, 1};

protected:
    int modify(TmidBody& body) override;
};
