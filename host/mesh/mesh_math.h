#pragma once
/// Small value types of the mesh kernel: a double-precision 3-vector and an axis-aligned box.
/// They keep host/mesh free of the SDK so the kernel can be built and tested on its own.

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarn {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;

    constexpr Vec3() = default;
    constexpr Vec3(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    constexpr Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vec3 operator-() const { return {-x, -y, -z}; }
    constexpr Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    constexpr bool operator==(const Vec3& o) const = default;
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

/// Dot product.
constexpr double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
/// Cross product a x b (right-handed).
constexpr Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
/// Euclidean length.
inline double length(const Vec3& a) {
    return std::sqrt(dot(a, a));
}
/// Unit vector along a; the zero vector stays zero.
inline Vec3 normalize(const Vec3& a) {
    const double len = length(a);
    return len > 0.0 ? a / len : Vec3{};
}

/// Axis-aligned box; empty until the first point is added (min > max).
struct Box3 {
    Vec3 min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::infinity()};
    Vec3 max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity()};

    bool empty() const { return min.x > max.x; }
    void expand(const Vec3& p) {
        min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
        max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
    }
};

/// A 4x4 affine matrix in the row-vector convention (p' = p * M, translation in row 3),
/// the convention of the host's matrices.
struct Mat4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    /// Transforms a point (w = 1).
    Vec3 point(const Vec3& p) const {
        return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
                p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
                p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
    }
    /// Transforms a direction (w = 0).
    Vec3 vector(const Vec3& v) const {
        return {v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0],
                v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1],
                v.x * m[0][2] + v.y * m[1][2] + v.z * m[2][2]};
    }
    /// Transforms a normal by the inverse transpose of the upper 3x3 (this must be the inverse
    /// matrix of the one that transforms points).
    Vec3 normalByInverse(const Vec3& n) const {
        return {n.x * m[0][0] + n.y * m[0][1] + n.z * m[0][2],
                n.x * m[1][0] + n.y * m[1][1] + n.z * m[1][2],
                n.x * m[2][0] + n.y * m[2][1] + n.z * m[2][2]};
    }
};

/// Product a * b (apply a first, then b).
Mat4 multiply(const Mat4& a, const Mat4& b);
/// Inverse of a general 4x4 matrix; a singular matrix yields the identity and `ok` false.
Mat4 inverse(const Mat4& a, bool* ok = nullptr);

}  // namespace tarn
