#include "analysis/VectorMath.h"

namespace barquill {

namespace {
// 32 lanes: eight 4-wide registers (SSE2) or four 8-wide ones, enough to cover the latency of a
// vector add. A 4-lane pass then takes most of what is left, so a 441-sample frame leaves at most
// three samples to the sequential tail.
constexpr std::size_t lanes = 32;
constexpr std::size_t tailLanes = 4;

template <typename Term> float reduce(std::size_t count, Term term) noexcept {
    float acc[lanes] = {};
    std::size_t i = 0;
    for (; i + lanes <= count; i += lanes)
#pragma GCC unroll 32
        for (std::size_t l = 0; l < lanes; ++l)
            acc[l] += term(i + l);
    for (; i + tailLanes <= count; i += tailLanes)
#pragma GCC unroll 4
        for (std::size_t l = 0; l < tailLanes; ++l)
            acc[l] += term(i + l);
    // Pairwise, so the reduction itself stays vectorised.
    for (std::size_t width = lanes / 2; width >= tailLanes; width /= 2)
        for (std::size_t l = 0; l < width; ++l)
            acc[l] += acc[l + width];
    float sum = (acc[0] + acc[1]) + (acc[2] + acc[3]);
    for (; i < count; ++i)
        sum += term(i);
    return sum;
}
} // namespace

float sumOfSquares(const float* x, std::size_t count) noexcept {
    return reduce(count, [x](std::size_t i) { return x[i] * x[i]; });
}

float dotProduct(const float* a, const float* b, std::size_t count) noexcept {
    return reduce(count, [a, b](std::size_t i) { return a[i] * b[i]; });
}

} // namespace barquill
