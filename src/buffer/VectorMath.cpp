#include "buffer/VectorMath.h"

#include <algorithm>
#include <cmath>

namespace barquill {

namespace {
// 16 lanes: four 4-wide registers (SSE2), enough to cover most of the latency of a vector add
// while staying cheap to fold for the short blocks of the transient search (15 and 132 samples).
// A 4-lane pass then takes most of what is left, so at most three samples reach the sequential tail.
constexpr int64_t lanes = 16;
constexpr int64_t tailLanes = 4;

template <typename Term> float reduce(int64_t count, Term term) noexcept {
    float acc[lanes] = {};
    int64_t i = 0;
    for (; i + lanes <= count; i += lanes)
#pragma GCC unroll 16
        for (int64_t l = 0; l < lanes; ++l)
            acc[l] += term(i + l);
    for (; i + tailLanes <= count; i += tailLanes)
#pragma GCC unroll 4
        for (int64_t l = 0; l < tailLanes; ++l)
            acc[l] += term(i + l);
    // Pairwise, so the reduction itself stays vectorised.
    for (int64_t width = lanes / 2; width >= tailLanes; width /= 2)
        for (int64_t l = 0; l < width; ++l)
            acc[l] += acc[l + width];
    float sum = (acc[0] + acc[1]) + (acc[2] + acc[3]);
    for (; i < count; ++i)
        sum += term(i);
    return sum;
}
} // namespace

float sumOfSquares(const float* x, int64_t count) noexcept {
    return reduce(count, [x](int64_t i) { return x[i] * x[i]; });
}

float dotProduct(const float* a, const float* b, int64_t count) noexcept {
    return reduce(count, [a, b](int64_t i) { return a[i] * b[i]; });
}

float rootMeanSquare(const float* x, int64_t count) noexcept {
    return std::sqrt(sumOfSquares(x, count) / static_cast<float>(count));
}

std::vector<float> frameRMS(std::span<const float> samples, int64_t hop) {
    return frameRMS(ChannelMix(samples), hop);
}

std::vector<float> frameRMS(const ChannelMix& mix, int64_t hop) {
    std::vector<float> rms(static_cast<size_t>((mix.frames() + hop - 1) / hop));
    mix.forEachFrame(hop, [&rms](int64_t k, const float* samples, int64_t count) {
        rms[static_cast<size_t>(k)] = rootMeanSquare(samples, count);
    });
    return rms;
}

} // namespace barquill
