#pragma once
/// Math values. Row-vector convention throughout: a point is transformed as `p * M`, and
/// `A * B` applies A first, then B. Angles are radians. Double classes for scene work, float
/// classes for shading; all are plain values, safe to use from any thread.

#include <cmath>
#include <limits>

namespace tarn {
/// Euclidean length of (x, y, z) whose squares neither overflow nor underflow: the plain
/// formula while the sum of squares is a normal number, else the components scaled by the
/// largest one first. Zero for zero, infinity for an infinite component, NaN for NaN.
template <class T>
T vectorLength(T x, T y, T z) {
    const T s = x * x + y * y + z * z;
    if (s >= std::numeric_limits<T>::min() && s <= std::numeric_limits<T>::max()) return std::sqrt(s);
    if (s != s) return s;
    const T m = std::fmax(std::fabs(x), std::fmax(std::fabs(y), std::fabs(z)));
    if (m == T(0) || !std::isfinite(m)) return m;
    const T a = x / m, b = y / m, c = z / m;
    return m * std::sqrt(a * a + b * b + c * c);
}
}  // namespace tarn

class KFloatVector;
class KMatrix;
class KFloatMatrix;

enum class KSpace { kInvalid = 0, kTransform = 1, kPreTransform = 2, kPostTransform = 3, kWorld = 4,
    kObject = kPreTransform };

class KVector {
public:
    double x = 0.0, y = 0.0, z = 0.0;
    constexpr KVector() = default;
    constexpr KVector(double xx, double yy, double zz = 0.0) : x(xx), y(yy), z(zz) {}
    KVector(const KFloatVector& v);
    double operator[](unsigned i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](unsigned i) { return i == 0 ? x : (i == 1 ? y : z); }
    KVector operator+(const KVector& o) const { return {x + o.x, y + o.y, z + o.z}; }
    KVector operator-(const KVector& o) const { return {x - o.x, y - o.y, z - o.z}; }
    KVector operator-() const { return {-x, -y, -z}; }
    KVector operator*(double s) const { return {x * s, y * s, z * s}; }
    KVector operator/(double s) const { return {x / s, y / s, z / s}; }
    KVector& operator+=(const KVector& o) { x += o.x; y += o.y; z += o.z; return *this; }
    KVector& operator-=(const KVector& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    KVector& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    /// Dot product.
    double operator*(const KVector& o) const { return x * o.x + y * o.y + z * o.z; }
    /// Cross product.
    KVector operator^(const KVector& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    /// Direction transform: w = 0, so translation is ignored.
    KVector operator*(const KMatrix& m) const;
    bool operator==(const KVector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const KVector& o) const { return !(*this == o); }
    double length() const { return tarn::vectorLength(x, y, z); }
    /// Scales to unit length in place; a zero vector, and one with an infinite or NaN
    /// component, stays as it is.
    KVector& normalize() {
        const double l = length();
        if (l > 0.0 && std::isfinite(l)) { x /= l; y /= l; z /= l; }
        return *this;
    }
    KVector normal() const { KVector v(*this); return v.normalize(); }
    /// Angle to `o` in radians, [0, pi]; 0 when either is zero.
    double angle(const KVector& o) const;
    bool isEquivalent(const KVector& o, double tolerance = 1e-10) const {
        return std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
               std::fabs(z - o.z) <= tolerance;
    }
    static const KVector zero, xAxis, yAxis, zAxis, one;
};
inline KVector operator*(double s, const KVector& v) { return v * s; }

class KFloatVector {
public:
    float x = 0.0f, y = 0.0f, z = 0.0f;
    constexpr KFloatVector() = default;
    constexpr KFloatVector(float xx, float yy, float zz = 0.0f) : x(xx), y(yy), z(zz) {}
    explicit KFloatVector(const KVector& v)
        : x(static_cast<float>(v.x)), y(static_cast<float>(v.y)), z(static_cast<float>(v.z)) {}
    float operator[](unsigned i) const { return i == 0 ? x : (i == 1 ? y : z); }
    float& operator[](unsigned i) { return i == 0 ? x : (i == 1 ? y : z); }
    KFloatVector operator+(const KFloatVector& o) const { return {x + o.x, y + o.y, z + o.z}; }
    KFloatVector operator-(const KFloatVector& o) const { return {x - o.x, y - o.y, z - o.z}; }
    KFloatVector operator-() const { return {-x, -y, -z}; }
    KFloatVector operator*(float s) const { return {x * s, y * s, z * s}; }
    KFloatVector operator/(float s) const { return {x / s, y / s, z / s}; }
    KFloatVector& operator+=(const KFloatVector& o) { x += o.x; y += o.y; z += o.z; return *this; }
    KFloatVector& operator-=(const KFloatVector& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    KFloatVector& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    /// Dot product, single precision.
    float operator*(const KFloatVector& o) const { return x * o.x + y * o.y + z * o.z; }
    /// Cross product.
    KFloatVector operator^(const KFloatVector& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    bool operator==(const KFloatVector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const KFloatVector& o) const { return !(*this == o); }
    float length() const { return tarn::vectorLength(x, y, z); }
    /// Scales to unit length in place (single precision); a zero vector, and one with an
    /// infinite or NaN component, stays as it is.
    KFloatVector& normalize() {
        const float l = length();
        if (l > 0.0f && std::isfinite(l)) { x /= l; y /= l; z /= l; }
        return *this;
    }
    KFloatVector normal() const { KFloatVector v(*this); return v.normalize(); }
    bool isEquivalent(const KFloatVector& o, float tolerance = 1e-6f) const {
        return std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
               std::fabs(z - o.z) <= tolerance;
    }
};
inline KFloatVector operator*(float s, const KFloatVector& v) { return v * s; }
inline KVector::KVector(const KFloatVector& v) : x(v.x), y(v.y), z(v.z) {}

/// A homogeneous point (w = 1 unless set).
class KPoint {
public:
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
    constexpr KPoint() = default;
    constexpr KPoint(double xx, double yy, double zz = 0.0, double ww = 1.0) : x(xx), y(yy), z(zz), w(ww) {}
    KPoint(const KVector& v) : x(v.x), y(v.y), z(v.z) {}
    double operator[](unsigned i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    double& operator[](unsigned i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    KVector operator-(const KPoint& o) const { return {x - o.x, y - o.y, z - o.z}; }
    KPoint operator+(const KVector& v) const { return {x + v.x, y + v.y, z + v.z, w}; }
    KPoint operator-(const KVector& v) const { return {x - v.x, y - v.y, z - v.z, w}; }
    KPoint& operator+=(const KVector& v) { x += v.x; y += v.y; z += v.z; return *this; }
    KPoint operator*(double s) const { return {x * s, y * s, z * s, w}; }
    /// Full homogeneous transform (w included, no division).
    KPoint operator*(const KMatrix& m) const;
    bool operator==(const KPoint& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const KPoint& o) const { return !(*this == o); }
    /// Divides by w when w is neither 0 nor 1.
    KPoint& cartesianize() { if (w != 0.0 && w != 1.0) { x /= w; y /= w; z /= w; w = 1.0; } return *this; }
    double distanceTo(const KPoint& o) const { return (*this - o).length(); }
    KVector asVector() const { return {x, y, z}; }
    bool isEquivalent(const KPoint& o, double tolerance = 1e-10) const {
        return std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
               std::fabs(z - o.z) <= tolerance && std::fabs(w - o.w) <= tolerance;
    }
    static const KPoint origin;
};

class KFloatPoint {
public:
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
    constexpr KFloatPoint() = default;
    constexpr KFloatPoint(float xx, float yy, float zz = 0.0f, float ww = 1.0f) : x(xx), y(yy), z(zz), w(ww) {}
    explicit KFloatPoint(const KPoint& p)
        : x(static_cast<float>(p.x)), y(static_cast<float>(p.y)), z(static_cast<float>(p.z)),
          w(static_cast<float>(p.w)) {}
    float operator[](unsigned i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    float& operator[](unsigned i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    KFloatVector operator-(const KFloatPoint& o) const { return {x - o.x, y - o.y, z - o.z}; }
    KFloatPoint operator+(const KFloatVector& v) const { return {x + v.x, y + v.y, z + v.z, w}; }
    /// Full homogeneous transform in single precision.
    KFloatPoint operator*(const KFloatMatrix& m) const;
    bool operator==(const KFloatPoint& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const KFloatPoint& o) const { return !(*this == o); }
    KPoint asPoint() const { return {x, y, z, w}; }
};

/// 4x4 double matrix, element [row][column]; translation in row 3.
class KMatrix {
public:
    double matrix[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    KMatrix() = default;
    explicit KMatrix(const double m[4][4]);
    double operator()(unsigned row, unsigned col) const { return matrix[row][col]; }
    double& operator()(unsigned row, unsigned col) { return matrix[row][col]; }
    const double* operator[](unsigned row) const { return matrix[row]; }
    double* operator[](unsigned row) { return matrix[row]; }
    KMatrix operator*(const KMatrix& o) const;
    KMatrix& operator*=(const KMatrix& o) { *this = *this * o; return *this; }
    KMatrix operator+(const KMatrix& o) const;
    KMatrix operator-(const KMatrix& o) const;
    KMatrix operator*(double s) const;
    bool operator==(const KMatrix& o) const;
    bool operator!=(const KMatrix& o) const { return !(*this == o); }
    /// General inverse; a singular matrix answers the identity.
    KMatrix inverse() const;
    KMatrix transpose() const;
    double det4x4() const;
    double det3x3() const;
    KMatrix& setToIdentity();
    bool isEquivalent(const KMatrix& o, double tolerance = 1e-10) const;
    bool isSingular() const { return std::fabs(det4x4()) < 1e-300; }
    void get(double dest[4][4]) const;
    static const KMatrix identity;
};

/// 4x4 single-precision matrix; same layout and conventions as KMatrix.
class KFloatMatrix {
public:
    float matrix[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    KFloatMatrix() = default;
    explicit KFloatMatrix(const float m[4][4]);
    explicit KFloatMatrix(const KMatrix& m);
    float operator()(unsigned row, unsigned col) const { return matrix[row][col]; }
    float& operator()(unsigned row, unsigned col) { return matrix[row][col]; }
    const float* operator[](unsigned row) const { return matrix[row]; }
    float* operator[](unsigned row) { return matrix[row]; }
    /// Single-precision product.
    KFloatMatrix operator*(const KFloatMatrix& o) const;
    bool operator==(const KFloatMatrix& o) const;
    bool operator!=(const KFloatMatrix& o) const { return !(*this == o); }
    KFloatMatrix inverse() const;
    KFloatMatrix transpose() const;
    KFloatMatrix& setToIdentity();
    KMatrix asMatrix() const;
    void get(float dest[4][4]) const;
};

/// Unit quaternion rotation (x, y, z imaginary, w real).
class KQuaternion {
public:
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
    KQuaternion() = default;
    KQuaternion(double xx, double yy, double zz, double ww) : x(xx), y(yy), z(zz), w(ww) {}
    /// Rotation by `angle` radians about `axis` (need not be unit; a zero axis gives identity).
    KQuaternion(double angle, const KVector& axis);
    /// The rotation taking direction `from` onto direction `to`.
    KQuaternion(const KVector& from, const KVector& to);
    /// Composition: `a * b` rotates by a, then by b (row-vector order, like matrices).
    KQuaternion operator*(const KQuaternion& o) const;
    bool operator==(const KQuaternion& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    KQuaternion conjugate() const { return {-x, -y, -z, w}; }
    KQuaternion inverse() const;
    KQuaternion& normalizeIt();
    KMatrix asMatrix() const;
    /// Angle (radians, [0, 2pi)) and unit axis; identity gives angle 0 and axis z.
    bool getAxisAngle(KVector& axis, double& angle) const;
    bool isEquivalent(const KQuaternion& o, double tolerance = 1e-10) const;
    static const KQuaternion identity;
};
/// Rotates a direction by q.
KVector operator*(const KVector& v, const KQuaternion& q);

/// Translation, rotation (quaternion) and scale, composed as scale, then rotate, then translate.
class KTransformationMatrix {
public:
    KTransformationMatrix() = default;
    explicit KTransformationMatrix(const KMatrix& m);
    KMatrix asMatrix() const;
    KVector getTranslation(KSpace space = KSpace::kTransform) const;
    void setTranslation(const KVector& t, KSpace space = KSpace::kTransform);
    /// Adds `t` to the translation; kObject/kPreTransform expresses t in the object's rotated and
    /// scaled frame, kWorld/kTransform in the parent frame.
    void addTranslation(const KVector& t, KSpace space);
    KQuaternion rotation() const { return m_rotation; }
    void setRotationQuaternion(double x, double y, double z, double w);
    void getRotationQuaternion(double& x, double& y, double& z, double& w) const;
    /// Applies `q` after the current rotation (kWorld) or before it, about the object's own axes
    /// (kObject).
    void rotateBy(const KQuaternion& q, KSpace space);
    void getScale(double scale[3], KSpace space = KSpace::kTransform) const;
    void setScale(const double scale[3], KSpace space = KSpace::kTransform);
    /// Multiplies the scale per axis.
    void addScale(const double scale[3], KSpace space);
    bool operator==(const KTransformationMatrix& o) const;

private:
    KVector m_translation;
    KQuaternion m_rotation;
    double m_scale[3] = {1.0, 1.0, 1.0};
};

/// Axis-aligned box; empty until the first point is added.
class KBoundingBox {
public:
    KBoundingBox() = default;
    KBoundingBox(const KPoint& corner1, const KPoint& corner2);
    void clear() { m_empty = true; }
    bool isEmpty() const { return m_empty; }
    void expand(const KPoint& p);
    void expand(const KBoundingBox& b);
    bool contains(const KPoint& p) const;
    bool intersects(const KBoundingBox& b, double tolerance = 0.0) const;
    KPoint min() const { return m_min; }
    KPoint max() const { return m_max; }
    KPoint center() const;
    double width() const { return m_empty ? 0.0 : m_max.x - m_min.x; }
    double height() const { return m_empty ? 0.0 : m_max.y - m_min.y; }
    double depth() const { return m_empty ? 0.0 : m_max.z - m_min.z; }
    /// The box around the eight transformed corners.
    void transformUsing(const KMatrix& m);

private:
    KPoint m_min, m_max;
    bool m_empty = true;
};

/// RGBA colour in single precision; alpha 1 unless given.
class KColor {
public:
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
    constexpr KColor() = default;
    constexpr KColor(float rr, float gg, float bb, float aa = 1.0f) : r(rr), g(gg), b(bb), a(aa) {}
    float operator[](unsigned i) const { return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }
    float& operator[](unsigned i) { return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }
    KColor operator+(const KColor& o) const { return {r + o.r, g + o.g, b + o.b, a + o.a}; }
    KColor operator-(const KColor& o) const { return {r - o.r, g - o.g, b - o.b, a - o.a}; }
    KColor operator*(float s) const { return {r * s, g * s, b * s, a * s}; }
    KColor operator*(const KColor& o) const { return {r * o.r, g * o.g, b * o.b, a * o.a}; }
    bool operator==(const KColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const KColor& o) const { return !(*this == o); }
};
