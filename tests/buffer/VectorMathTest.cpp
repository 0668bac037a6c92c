#include "buffer/VectorMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace barquill {
namespace {

// Lengths around the accumulator width, so the vector body, the tail and both together are covered.
TEST(VectorMath, SumsMatchASequentialDoubleSum) {
    for (const size_t n : {0, 1, 7, 31, 32, 33, 64, 441, 10007}) {
        std::vector<float> a(n), b(n);
        double squares = 0, dot = 0;
        for (size_t i = 0; i < n; ++i) {
            a[i] = std::sin(0.1f * static_cast<float>(i)) + 0.25f;
            b[i] = std::cos(0.37f * static_cast<float>(i));
            squares += static_cast<double>(a[i]) * a[i];
            dot += static_cast<double>(a[i]) * b[i];
        }
        const auto count = static_cast<int64_t>(n);
        EXPECT_NEAR(sumOfSquares(a.data(), count), squares, 1e-5 * (1 + squares));
        EXPECT_NEAR(dotProduct(a.data(), b.data(), count), dot, 1e-5 * (1 + std::abs(squares))) << n;
    }
}

TEST(FrameRMS, TheShortLastFrameIsAveragedOverItsOwnLength) {
    std::vector<float> samples(441 * 2 + 10, 0.0f);
    std::fill(samples.begin() + 441, samples.begin() + 441 * 2, 0.5f);
    std::fill(samples.end() - 10, samples.end(), 1.0f);
    EXPECT_EQ(frameRMS(samples, 441), (std::vector<float>{0.0f, 0.5f, 1.0f}));
    EXPECT_EQ(frameRMS(std::vector<float>(9, 0.5f), 4), (std::vector<float>{0.5f, 0.5f, 0.5f}));
}

} // namespace
} // namespace barquill
