#include "frame/k_math.h"

#include <algorithm>
#include <cstring>

const KVector KVector::zero(0, 0, 0);
const KVector KVector::xAxis(1, 0, 0);
const KVector KVector::yAxis(0, 1, 0);
const KVector KVector::zAxis(0, 0, 1);
const KVector KVector::one(1, 1, 1);
const KPoint KPoint::origin(0, 0, 0);
const KMatrix KMatrix::identity;
const KQuaternion KQuaternion::identity;

double KVector::angle(const KVector& o) const {
    double l = length() * o.length();
    if (l <= 0.0) return 0.0;
    double c = std::clamp((*this * o) / l, -1.0, 1.0);
    return std::acos(c);
}

KVector KVector::operator*(const KMatrix& m) const {
    return {x * m.matrix[0][0] + y * m.matrix[1][0] + z * m.matrix[2][0],
            x * m.matrix[0][1] + y * m.matrix[1][1] + z * m.matrix[2][1],
            x * m.matrix[0][2] + y * m.matrix[1][2] + z * m.matrix[2][2]};
}

KPoint KPoint::operator*(const KMatrix& m) const {
    KPoint r;
    for (int c = 0; c < 4; ++c) {
        r[c] = x * m.matrix[0][c] + y * m.matrix[1][c] + z * m.matrix[2][c] + w * m.matrix[3][c];
    }
    return r;
}

KFloatPoint KFloatPoint::operator*(const KFloatMatrix& m) const {
    KFloatPoint r;
    for (int c = 0; c < 4; ++c) {
        r[c] = x * m.matrix[0][c] + y * m.matrix[1][c] + z * m.matrix[2][c] + w * m.matrix[3][c];
    }
    return r;
}

KMatrix::KMatrix(const double m[4][4]) { std::memcpy(matrix, m, sizeof matrix); }

KMatrix KMatrix::operator*(const KMatrix& o) const {
    KMatrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k) s += matrix[i][k] * o.matrix[k][j];
            r.matrix[i][j] = s;
        }
    }
    return r;
}

KMatrix KMatrix::operator+(const KMatrix& o) const {
    KMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = matrix[i][j] + o.matrix[i][j];
    return r;
}

KMatrix KMatrix::operator-(const KMatrix& o) const {
    KMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = matrix[i][j] - o.matrix[i][j];
    return r;
}

KMatrix KMatrix::operator*(double s) const {
    KMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = matrix[i][j] * s;
    return r;
}

bool KMatrix::operator==(const KMatrix& o) const {
    return std::memcmp(matrix, o.matrix, sizeof matrix) == 0;
}

bool KMatrix::isEquivalent(const KMatrix& o, double tolerance) const {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (std::fabs(matrix[i][j] - o.matrix[i][j]) > tolerance) return false;
    return true;
}

KMatrix KMatrix::transpose() const {
    KMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = matrix[j][i];
    return r;
}

double KMatrix::det3x3() const {
    const auto& m = matrix;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

double KMatrix::det4x4() const {
    // Expand by cofactors of the first row.
    double det = 0.0;
    for (int c = 0; c < 4; ++c) {
        double sub[3][3];
        for (int i = 1; i < 4; ++i) {
            int k = 0;
            for (int j = 0; j < 4; ++j) {
                if (j == c) continue;
                sub[i - 1][k++] = matrix[i][j];
            }
        }
        double minor = sub[0][0] * (sub[1][1] * sub[2][2] - sub[1][2] * sub[2][1]) -
                       sub[0][1] * (sub[1][0] * sub[2][2] - sub[1][2] * sub[2][0]) +
                       sub[0][2] * (sub[1][0] * sub[2][1] - sub[1][1] * sub[2][0]);
        det += ((c % 2) ? -1.0 : 1.0) * matrix[0][c] * minor;
    }
    return det;
}

KMatrix KMatrix::inverse() const {
    // Gauss-Jordan elimination with partial pivoting.
    double a[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            a[i][j] = matrix[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-300) return KMatrix();
        if (pivot != col)
            for (int j = 0; j < 8; ++j) std::swap(a[pivot][j], a[col][j]);
        double inv = 1.0 / a[col][col];
        for (int j = 0; j < 8; ++j) a[col][j] *= inv;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            double f = a[r][col];
            if (f == 0.0) continue;
            for (int j = 0; j < 8; ++j) a[r][j] -= f * a[col][j];
        }
    }
    KMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = a[i][j + 4];
    return r;
}

KMatrix& KMatrix::setToIdentity() {
    *this = KMatrix();
    return *this;
}

void KMatrix::get(double dest[4][4]) const { std::memcpy(dest, matrix, sizeof matrix); }

KFloatMatrix::KFloatMatrix(const float m[4][4]) { std::memcpy(matrix, m, sizeof matrix); }

KFloatMatrix::KFloatMatrix(const KMatrix& m) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) matrix[i][j] = static_cast<float>(m.matrix[i][j]);
}

KFloatMatrix KFloatMatrix::operator*(const KFloatMatrix& o) const {
    KFloatMatrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += matrix[i][k] * o.matrix[k][j];
            r.matrix[i][j] = s;
        }
    }
    return r;
}

bool KFloatMatrix::operator==(const KFloatMatrix& o) const {
    return std::memcmp(matrix, o.matrix, sizeof matrix) == 0;
}

KFloatMatrix KFloatMatrix::inverse() const { return KFloatMatrix(asMatrix().inverse()); }

KFloatMatrix KFloatMatrix::transpose() const {
    KFloatMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = matrix[j][i];
    return r;
}

KFloatMatrix& KFloatMatrix::setToIdentity() {
    *this = KFloatMatrix();
    return *this;
}

KMatrix KFloatMatrix::asMatrix() const {
    KMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.matrix[i][j] = matrix[i][j];
    return r;
}

void KFloatMatrix::get(float dest[4][4]) const { std::memcpy(dest, matrix, sizeof matrix); }

KQuaternion::KQuaternion(double angle, const KVector& axis) {
    double l = axis.length();
    if (l <= 0.0) return;
    double s = std::sin(angle * 0.5) / l;
    x = axis.x * s;
    y = axis.y * s;
    z = axis.z * s;
    w = std::cos(angle * 0.5);
}

KQuaternion::KQuaternion(const KVector& from, const KVector& to) {
    KVector a = from.normal(), b = to.normal();
    double c = std::clamp(a * b, -1.0, 1.0);
    KVector axis = a ^ b;
    if (axis.length() < 1e-12) {
        if (c > 0.0) return;
        // Opposite directions: half a turn about any axis perpendicular to `a`.
        axis = std::fabs(a.x) < 0.9 ? (a ^ KVector::xAxis) : (a ^ KVector::yAxis);
    }
    *this = KQuaternion(std::acos(c), axis);
}

KQuaternion KQuaternion::operator*(const KQuaternion& o) const {
    // Row-vector order: this rotation first, then o; as Hamilton product that is o * this.
    const KQuaternion& a = o;
    const KQuaternion& b = *this;
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

KQuaternion KQuaternion::inverse() const {
    double n = x * x + y * y + z * z + w * w;
    if (n <= 0.0) return {};
    return {-x / n, -y / n, -z / n, w / n};
}

KQuaternion& KQuaternion::normalizeIt() {
    double n = std::sqrt(x * x + y * y + z * z + w * w);
    if (n > 0.0) { x /= n; y /= n; z /= n; w /= n; }
    return *this;
}

KMatrix KQuaternion::asMatrix() const {
    // Row-vector form of the rotation (the transpose of the column-vector matrix).
    KMatrix m;
    double xx = x * x, yy = y * y, zz = z * z, xy = x * y, xz = x * z, yz = y * z;
    double wx = w * x, wy = w * y, wz = w * z;
    m.matrix[0][0] = 1 - 2 * (yy + zz);
    m.matrix[0][1] = 2 * (xy + wz);
    m.matrix[0][2] = 2 * (xz - wy);
    m.matrix[1][0] = 2 * (xy - wz);
    m.matrix[1][1] = 1 - 2 * (xx + zz);
    m.matrix[1][2] = 2 * (yz + wx);
    m.matrix[2][0] = 2 * (xz + wy);
    m.matrix[2][1] = 2 * (yz - wx);
    m.matrix[2][2] = 1 - 2 * (xx + yy);
    return m;
}

bool KQuaternion::getAxisAngle(KVector& axis, double& angle) const {
    KQuaternion q(*this);
    q.normalizeIt();
    double s = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (s < 1e-12) {
        axis = KVector::zAxis;
        angle = 0.0;
        return true;
    }
    axis = KVector(q.x / s, q.y / s, q.z / s);
    angle = 2.0 * std::atan2(s, q.w);
    return true;
}

bool KQuaternion::isEquivalent(const KQuaternion& o, double tolerance) const {
    auto near = [&](const KQuaternion& p) {
        return std::fabs(x - p.x) <= tolerance && std::fabs(y - p.y) <= tolerance &&
               std::fabs(z - p.z) <= tolerance && std::fabs(w - p.w) <= tolerance;
    };
    return near(o) || near(KQuaternion(-o.x, -o.y, -o.z, -o.w));
}

KVector operator*(const KVector& v, const KQuaternion& q) { return v * q.asMatrix(); }

KTransformationMatrix::KTransformationMatrix(const KMatrix& m) {
    m_translation = KVector(m.matrix[3][0], m.matrix[3][1], m.matrix[3][2]);
    KVector rows[3];
    for (int i = 0; i < 3; ++i) {
        rows[i] = KVector(m.matrix[i][0], m.matrix[i][1], m.matrix[i][2]);
        m_scale[i] = rows[i].length();
        if (m_scale[i] > 0.0) rows[i] = rows[i] / m_scale[i];
    }
    if (((rows[0] ^ rows[1]) * rows[2]) < 0.0) {
        m_scale[0] = -m_scale[0];
        rows[0] = -rows[0];
    }
    // Rotation matrix (row form) to quaternion.
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = rows[i][j];
    double trace = r[0][0] + r[1][1] + r[2][2];
    KQuaternion q;
    if (trace > 0.0) {
        double s = std::sqrt(trace + 1.0) * 2.0;
        q = KQuaternion((r[1][2] - r[2][1]) / s, (r[2][0] - r[0][2]) / s, (r[0][1] - r[1][0]) / s, 0.25 * s);
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        double s = std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]) * 2.0;
        q = KQuaternion(0.25 * s, (r[0][1] + r[1][0]) / s, (r[2][0] + r[0][2]) / s, (r[1][2] - r[2][1]) / s);
    } else if (r[1][1] > r[2][2]) {
        double s = std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]) * 2.0;
        q = KQuaternion((r[0][1] + r[1][0]) / s, 0.25 * s, (r[1][2] + r[2][1]) / s, (r[2][0] - r[0][2]) / s);
    } else {
        double s = std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]) * 2.0;
        q = KQuaternion((r[2][0] + r[0][2]) / s, (r[1][2] + r[2][1]) / s, 0.25 * s, (r[0][1] - r[1][0]) / s);
    }
    m_rotation = q.normalizeIt();
}

KMatrix KTransformationMatrix::asMatrix() const {
    KMatrix s;
    for (int i = 0; i < 3; ++i) s.matrix[i][i] = m_scale[i];
    KMatrix m = s * m_rotation.asMatrix();
    m.matrix[3][0] = m_translation.x;
    m.matrix[3][1] = m_translation.y;
    m.matrix[3][2] = m_translation.z;
    return m;
}

KVector KTransformationMatrix::getTranslation(KSpace) const { return m_translation; }
void KTransformationMatrix::setTranslation(const KVector& t, KSpace) { m_translation = t; }

void KTransformationMatrix::addTranslation(const KVector& t, KSpace space) {
    if (space == KSpace::kObject) {
        KVector scaled(t.x * m_scale[0], t.y * m_scale[1], t.z * m_scale[2]);
        m_translation += scaled * m_rotation;
    } else {
        m_translation += t;
    }
}

void KTransformationMatrix::setRotationQuaternion(double x, double y, double z, double w) {
    m_rotation = KQuaternion(x, y, z, w).normalizeIt();
}

void KTransformationMatrix::getRotationQuaternion(double& x, double& y, double& z, double& w) const {
    x = m_rotation.x;
    y = m_rotation.y;
    z = m_rotation.z;
    w = m_rotation.w;
}

void KTransformationMatrix::rotateBy(const KQuaternion& q, KSpace space) {
    m_rotation = space == KSpace::kObject ? q * m_rotation : m_rotation * q;
    m_rotation.normalizeIt();
}

void KTransformationMatrix::getScale(double scale[3], KSpace) const {
    for (int i = 0; i < 3; ++i) scale[i] = m_scale[i];
}

void KTransformationMatrix::setScale(const double scale[3], KSpace) {
    for (int i = 0; i < 3; ++i) m_scale[i] = scale[i];
}

void KTransformationMatrix::addScale(const double scale[3], KSpace) {
    for (int i = 0; i < 3; ++i) m_scale[i] *= scale[i];
}

bool KTransformationMatrix::operator==(const KTransformationMatrix& o) const {
    return m_translation == o.m_translation && m_rotation == o.m_rotation &&
           m_scale[0] == o.m_scale[0] && m_scale[1] == o.m_scale[1] && m_scale[2] == o.m_scale[2];
}

KBoundingBox::KBoundingBox(const KPoint& corner1, const KPoint& corner2) {
    expand(corner1);
    expand(corner2);
}

void KBoundingBox::expand(const KPoint& p) {
    if (m_empty) {
        m_min = m_max = KPoint(p.x, p.y, p.z);
        m_empty = false;
        return;
    }
    m_min = KPoint(std::min(m_min.x, p.x), std::min(m_min.y, p.y), std::min(m_min.z, p.z));
    m_max = KPoint(std::max(m_max.x, p.x), std::max(m_max.y, p.y), std::max(m_max.z, p.z));
}

void KBoundingBox::expand(const KBoundingBox& b) {
    if (b.m_empty) return;
    expand(b.m_min);
    expand(b.m_max);
}

bool KBoundingBox::contains(const KPoint& p) const {
    return !m_empty && p.x >= m_min.x && p.x <= m_max.x && p.y >= m_min.y && p.y <= m_max.y &&
           p.z >= m_min.z && p.z <= m_max.z;
}

bool KBoundingBox::intersects(const KBoundingBox& b, double tolerance) const {
    if (m_empty || b.m_empty) return false;
    return m_min.x <= b.m_max.x + tolerance && b.m_min.x <= m_max.x + tolerance &&
           m_min.y <= b.m_max.y + tolerance && b.m_min.y <= m_max.y + tolerance &&
           m_min.z <= b.m_max.z + tolerance && b.m_min.z <= m_max.z + tolerance;
}

KPoint KBoundingBox::center() const {
    return {(m_min.x + m_max.x) * 0.5, (m_min.y + m_max.y) * 0.5, (m_min.z + m_max.z) * 0.5};
}

void KBoundingBox::transformUsing(const KMatrix& m) {
    if (m_empty) return;
    KPoint lo = m_min, hi = m_max;
    m_empty = true;
    for (int i = 0; i < 8; ++i) {
        KPoint p((i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z);
        expand((p * m).cartesianize());
    }
}
