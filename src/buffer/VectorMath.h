#pragma once

#include "buffer/ChannelMix.h"

#include <cstdint>
#include <span>
#include <vector>

// The hot reductions of the analysis and the transient detection. Written with independent
// accumulators so the compiler can keep several vector registers busy without reassociating on
// its own (it may not, for floats). Results differ from a strictly sequential sum only in the last
// bits. Plain functions: any thread; the reductions do not allocate.
namespace barquill {

// Sum of x[i]² for i in [0, count), in 32-bit float; 0 for count <= 0.
float sumOfSquares(const float* x, int64_t count) noexcept;

// Sum of a[i]·b[i] for i in [0, count); 0 for count <= 0.
float dotProduct(const float* a, const float* b, int64_t count) noexcept;

// Square root of (sum of squares ÷ count), in 32-bit float; the caller guarantees count > 0.
float rootMeanSquare(const float* x, int64_t count) noexcept;

// RMS of each consecutive, non-overlapping frame of `hop` samples; the last frame may be short
// and is averaged over its own length.
std::vector<float> frameRMS(std::span<const float> samples, int64_t hop);
// The same of the mix of several channels, bit for bit, without building the mix.
std::vector<float> frameRMS(const ChannelMix& mix, int64_t hop);

} // namespace barquill
