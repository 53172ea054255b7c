#pragma once
/// Test-only helpers shared by the texture tests.

#include <gtest/gtest.h>

#include <cmath>

#include "texture/common/rgb.h"

namespace texture {

/// Tolerance of a few float ulps around values of order 1.
constexpr float kFewUlps = 4e-7f;

inline ::testing::AssertionResult colorNear(const Rgb& got, const Rgb& want, float tol) {
    if (std::fabs(got.r - want.r) <= tol && std::fabs(got.g - want.g) <= tol &&
        std::fabs(got.b - want.b) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << got.r << ", " << got.g << ", " << got.b << ") want (" << want.r << ", "
           << want.g << ", " << want.b << ")";
}

}  // namespace texture
