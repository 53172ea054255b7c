#pragma once
/// polyTriPatch's factory: replaces the faces of the active face group by curved triangular
/// patches. Each triangle of each face becomes a cubic triangular Bezier patch built from its
/// corner positions and corner normals, sampled on a regular triangular grid; the result holds
/// these patches only (each with its own vertices, no UVs).

#include <array>
#include <cstdint>

#include "engine/geometry/mid_body.h"

/// A single-precision point, the precision the patch is computed in.
struct TriPatchPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

/// The control points of one patch: the corners, the six edge points (bij lies on the edge
/// from corner i toward corner j) and the centre point.
struct TriPatchControl {
    std::array<TriPatchPoint, 3> p;
    TriPatchPoint b01, b10, b02, b20, b12, b21, b111;
};

class TpolyTriPatchFty : public TmidModifierFty {
public:
    /// Largest division count accepted.
    static constexpr int kMaxDivisions = 1000;
    /// Largest result accepted, in face corners.
    static constexpr std::int64_t kMaxFaceVertices = std::int64_t(1) << 28;

    int divisions = 1;
    float flatness = 1.0f;
    float tangent = 1.0f;
    float bulge = 1.5f;
    bool hole = false;

    /// The control points of the patch over corners p with corner normals n, for this
    /// factory's flatness, tangent and bulge.
    TriPatchControl controlPoints(const std::array<TriPatchPoint, 3>& p,
                                  const std::array<TriPatchPoint, 3>& n) const;
    /// The patch point at weights (a, b, c) of corners 0, 1, 2 (a + b + c = 1).
    static TriPatchPoint evaluate(const TriPatchControl& k, float a, float b, float c);

protected:
    int modify(TmidBody& body) override;
};
