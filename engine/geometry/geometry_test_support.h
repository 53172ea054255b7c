#pragma once
/// Test-only: a host mesh from points, per-face counts and vertex indices, failing the test when
/// the arrays do not make a mesh; a check that a mesh's edge table is the one the kernel makes by
/// walking its faces.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "host/mesh/poly_mesh.h"

namespace engine_testing {

inline tarn::PolyMesh meshOf(std::vector<tarn::Vec3> points, const std::vector<int>& counts,
                             std::vector<int> idx) {
    tarn::PolyMesh m;
    std::string error;
    EXPECT_TRUE(tarn::PolyMesh::create(std::move(points), counts, std::move(idx), m, &error))
        << error;
    return m;
}

// Expects m's edges (end points in order) and every face's edge list to equal those of the same
// faces built afresh, whose table the kernel makes by looking the corners up.
inline void expectEdgesAsWalked(const tarn::PolyMesh& m, const std::string& what) {
    tarn::PolyMesh walked;
    ASSERT_TRUE(
        tarn::PolyMesh::create(m.points(), m.faceCounts(), m.faceVertexList(), walked, nullptr))
        << what;
    ASSERT_EQ(m.numEdges(), walked.numEdges()) << what;
    for (int e = 0; e < m.numEdges(); ++e) {
        ASSERT_EQ(m.edge(e).v0, walked.edge(e).v0) << what << ", edge " << e;
        ASSERT_EQ(m.edge(e).v1, walked.edge(e).v1) << what << ", edge " << e;
    }
    for (int f = 0; f < m.numFaces(); ++f) {
        const auto a = m.faceEdges(f), b = walked.faceEdges(f);
        ASSERT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << what << ", face " << f;
    }
}

}  // namespace engine_testing
