#include "transients/SumOfSquares.h"

#include <cmath>

namespace barquill::transients {

float sumOfSquares(const float* x, int64_t count) noexcept {
    // Eight independent partial sums break the add chain so the compiler can keep them in vector
    // registers; the summation order is ours to choose.
    constexpr int64_t lanes = 8;
    float acc[lanes] = {};
    int64_t i = 0;
    for (; i + lanes <= count; i += lanes)
        for (int64_t j = 0; j < lanes; ++j)
            acc[j] += x[i + j] * x[i + j];
    float tail = 0;
    for (; i < count; ++i)
        tail += x[i] * x[i];
    return ((acc[0] + acc[4]) + (acc[1] + acc[5])) + ((acc[2] + acc[6]) + (acc[3] + acc[7])) + tail;
}

float rootMeanSquare(const float* x, int64_t count) noexcept {
    return std::sqrt(sumOfSquares(x, count) / static_cast<float>(count));
}

} // namespace barquill::transients
