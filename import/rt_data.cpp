#include "import/rt_data.h"

#include <cmath>
#include <cstring>

bool RtNameList::contains(const std::string& s) const {
    for (const auto& n : names)
        if (n == s) return true;
    return false;
}

RtMatrixData::RtMatrixData() {
    std::memset(m, 0, sizeof(m));
    for (int i = 0; i < 4; ++i) m[i][i] = 1.0f;
}

void RtCameraData::computeViewMatrix() {
    // Camera looks down +z in its own space; rows hold the camera axes (row-vector convention).
    float z[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
    float len = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
    if (len == 0) z[2] = len = 1;
    for (float& c : z) c /= len;
    // x = up cross z, then y = z cross x; a degenerate up falls back to the world x axis.
    float x[3] = {up[1] * z[2] - up[2] * z[1], up[2] * z[0] - up[0] * z[2],
                  up[0] * z[1] - up[1] * z[0]};
    len = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    if (len == 0) {
        x[0] = 1, x[1] = 0, x[2] = 0;
        len = 1;
    }
    for (float& c : x) c /= len;
    float y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    // Roll (degrees) turns the x and y axes about the view axis.
    const float r = roll * 3.14159265f / 180.0f, c = std::cos(r), s = std::sin(r);
    float xr[3], yr[3];
    for (int i = 0; i < 3; ++i) {
        xr[i] = c * x[i] + s * y[i];
        yr[i] = -s * x[i] + c * y[i];
    }
    std::memset(m, 0, sizeof(m));
    for (int i = 0; i < 3; ++i) {
        m[i][0] = xr[i];
        m[i][1] = yr[i];
        m[i][2] = z[i];
    }
    for (int j = 0; j < 3; ++j)
        m[3][j] = -(from[0] * m[0][j] + from[1] * m[1][j] + from[2] * m[2][j]);
    m[3][3] = 1.0f;
}

float RtKeyList::evaluate(float t) const {
    const size_t n = std::min(times.size(), values.size());
    if (n == 0) return 0.0f;
    if (t <= times[0]) return values[0];
    for (size_t i = 1; i < n; ++i) {
        if (t <= times[i]) {
            const float span = times[i] - times[i - 1];
            const float a = span > 0 ? (t - times[i - 1]) / span : 1.0f;
            return values[i - 1] + a * (values[i] - values[i - 1]);
        }
    }
    return values[n - 1];
}

const RtParam* RtVData::find(const std::string& token) const {
    for (const auto& p : params)
        if (p.token == token) return &p;
    return nullptr;
}

RtNodeData::~RtNodeData() {
    // Unlink siblings one by one so long sibling chains do not recurse.
    std::unique_ptr<RtNodeData> next = std::move(nextSibling);
    while (next) next = std::move(next->nextSibling);
}
