#include "analysis/VectorMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace barquill {
namespace {

// Lengths around the accumulator width, so the vector body, the tail and both together are covered.
class VectorMathLengths : public ::testing::TestWithParam<size_t> {};

TEST_P(VectorMathLengths, SumsMatchASequentialDoubleSum) {
    const size_t n = GetParam();
    std::vector<float> a(n), b(n);
    double squares = 0, dot = 0;
    for (size_t i = 0; i < n; ++i) {
        a[i] = std::sin(0.1f * static_cast<float>(i)) + 0.25f;
        b[i] = std::cos(0.37f * static_cast<float>(i));
        squares += static_cast<double>(a[i]) * a[i];
        dot += static_cast<double>(a[i]) * b[i];
    }
    EXPECT_NEAR(sumOfSquares(a.data(), n), squares, 1e-5 * (1 + squares));
    EXPECT_NEAR(dotProduct(a.data(), b.data(), n), dot, 1e-5 * (1 + std::abs(squares)));
}

INSTANTIATE_TEST_SUITE_P(Lengths, VectorMathLengths, ::testing::Values(0, 1, 7, 31, 32, 33, 64, 441, 10007));

} // namespace
} // namespace barquill
