#pragma once
/// The tangent frame of a textured triangle: the directions in which u and v grow on its
/// surface, turned into per-corner tangents and binormals orthogonal to the corner normals.
/// Pure functions, thread safe.

namespace bake {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

/// Per-corner results of triangleFrame.
struct CornerFrames {
    Vec3 tangent[3];
    Vec3 binormal[3];
};

/// For corners with positions `p`, texture coordinates (`u`, `v`) and unit normals `n`:
/// t = dP/du (normalised) and b = dP/dv from the plane through (P.i, u, v) of each axis i,
/// flipped together when b x t faces away from n[0]; then each corner's binormal is
/// normalise(n x b) and its tangent normalise((n x b) x n), both orthogonal to n.
/// False (frames untouched) when the UVs span no area or a result is not finite.
bool triangleFrame(const Vec3 p[3], const double u[3], const double v[3], const Vec3 n[3],
                   CornerFrames& out);

}  // namespace bake
