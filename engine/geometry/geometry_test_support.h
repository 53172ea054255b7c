#pragma once
/// Test-only: a host mesh from points, per-face counts and vertex indices, failing the test when
/// the arrays do not make a mesh.

#include <gtest/gtest.h>

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

}  // namespace engine_testing
