#include "meshops/factories/poly_tri_patch_fty.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using P = TriPatchPoint;

P operator+(P a, P b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P operator-(P a, P b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P operator*(P a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float dot(P a, P b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
P toPoint(const tarn::Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

}  // namespace

TriPatchControl TpolyTriPatchFty::controlPoints(const std::array<P, 3>& p,
                                                const std::array<P, 3>& n) const {
    const float u = tangent * 0.6666667f, w = 1.0f - u;
    // Edge point from corner i toward j, pulled toward the tangent plane at corner i.
    auto edgePoint = [&](int i, int j) {
        P b = p[i] * u + p[j] * w;
        return b - n[i] * (flatness * dot(b - p[i], n[i]));
    };
    TriPatchControl k;
    k.p = p;
    k.b01 = edgePoint(0, 1);
    k.b10 = edgePoint(1, 0);
    k.b02 = edgePoint(0, 2);
    k.b20 = edgePoint(2, 0);
    k.b12 = edgePoint(1, 2);
    k.b21 = edgePoint(2, 1);
    const P v = (p[0] + p[1] + p[2]) * 0.33333334f;
    const P e = (k.b01 + k.b10 + k.b02 + k.b20 + k.b12 + k.b21) * 0.16666667f;
    k.b111 = v + (e - v) * bulge;
    return k;
}

TriPatchPoint TpolyTriPatchFty::evaluate(const TriPatchControl& k, float a, float b, float c) {
    return k.p[0] * (a * a * a) + k.p[1] * (b * b * b) + k.p[2] * (c * c * c) +
           k.b01 * (3 * a * a * b) + k.b10 * (3 * a * b * b) + k.b02 * (3 * a * a * c) +
           k.b20 * (3 * a * c * c) + k.b12 * (3 * b * b * c) + k.b21 * (3 * b * c * c) +
           k.b111 * (6 * a * b * c);
}

int TpolyTriPatchFty::modify(TmidBody& body) {
    if (divisions <= 0) return 0;
    if (divisions > kMaxDivisions)
        return fail("divisions " + std::to_string(divisions) + " is above the maximum of " +
                    std::to_string(kMaxDivisions));
    int grp = -1;
    if (!getActiveGrpName(&body, nullptr, kGrpFace, grp)) return fail("no faces are selected");
    TpolyGeom* in = body.geom();
    if (!in) return fail("there is no mesh to patch");
    if (!in->update(-1)) return fail(in->error());

    // Gather the triangles and bound the result before allocating it.
    const std::int64_t n = divisions;
    std::int64_t triangles = 0;
    {
        TpolyIter it;
        it.grpInit(body, grp);
        for (int f; it.grpFwd(f);)
            if (f >= 0 && f < in->nbFace()) triangles += in->triangleNumber(f);
    }
    const std::int64_t perPatchVerts = (n + 2) * (n + 3) / 2;
    const std::int64_t perPatchFaces = hole ? (n + 1) * (n + 2) / 2 : (n + 1) * (n + 1);
    if (triangles * perPatchFaces * 3 > kMaxFaceVertices ||
        triangles * perPatchVerts > kMaxFaceVertices)
        return fail("divisions " + std::to_string(divisions) + " would make a mesh of more than " +
                    std::to_string(kMaxFaceVertices) + " face corners");

    auto out = std::make_unique<TpolyGeom>();
    out->vertexBuffer(static_cast<std::size_t>(triangles * perPatchVerts));
    out->edgeUseBuffer(static_cast<std::size_t>(triangles * perPatchFaces * 3));
    const int rows = divisions + 1;
    std::vector<int> bottomPrev, bottomCur;
    TpolyIter it;
    it.grpInit(body, grp);
    for (int f; it.grpFwd(f);) {
        if (f < 0 || f >= in->nbFace()) continue;
        for (int t = 0; t < in->triangleNumber(f); ++t) {
            std::array<int, 3> corners, verts;
            in->getTriangle(f, t, corners, verts);
            std::array<P, 3> p, nrm;
            for (int i = 0; i < 3; ++i) {
                p[i] = toPoint(in->vertex(verts[i]));
                nrm[i] = toPoint(in->faceVertexNormal(f, corners[i]));
            }
            const TriPatchControl k = controlPoints(p, nrm);

            // Sample rows r = 0..n+1, row r holding r + 1 points.
            const int base = static_cast<int>(out->vertexBuffer(0).size());
            for (int r = 0; r <= rows; ++r) {
                const float a = float(rows - r) / float(rows);
                for (int j = 0; j <= r; ++j) {
                    float b = 0.0f, c = 0.0f;
                    if (r > 0) {
                        c = (float(j) / float(r)) * (1.0f - a);
                        b = 1.0f - a - c;
                    }
                    const P q = evaluate(k, a, b, c);
                    out->appendVertex({q.x, q.y, q.z});
                }
            }
            auto at = [&](int r, int j) { return base + r * (r + 1) / 2 + j; };

            // Upward triangles m, q, q+1; between two of them (without a hole) the downward
            // triangle made of their shared edges, reversed.
            bottomPrev.clear();
            for (int r = 1; r <= rows; ++r) {
                bottomCur.assign(r, -1);
                int prevRight = -1;
                for (int j = 0; j < r; ++j) {
                    const int m = at(r - 1, j), q = at(r, j);
                    const int e1 = out->appendEdge(m, q, false);
                    const int e2 = out->appendEdge(q, q + 1, false);
                    const int e3 = out->appendEdge(q + 1, m, false);
                    if (!hole && j > 0) {
                        out->bgnFace();
                        out->useEdge(prevRight, true);
                        out->useEdge(e1, true);
                        out->useEdge(bottomPrev[j - 1], true);
                        out->endFace();
                    }
                    out->bgnFace();
                    out->useEdge(e1, false);
                    out->useEdge(e2, false);
                    out->useEdge(e3, false);
                    out->endFace();
                    prevRight = e3;
                    bottomCur[j] = e2;
                }
                bottomPrev.swap(bottomCur);
            }
        }
    }
    if (!out->update(0)) return fail(out->error());
    body.setMidBody(out.release());
    return 0;
}
