#pragma once

#include <cstddef>

// The two hot reductions of the analysis. Written with independent accumulators so the
// compiler can keep several vector registers busy without reassociating on its own (it
// may not, for floats). Results differ from a strictly sequential sum only in the last bits.
// Plain functions: any thread; they do not allocate.
namespace barquill {

// Sum of x[i]² for i in [0, count).
float sumOfSquares(const float* x, std::size_t count) noexcept;

// Sum of a[i]·b[i] for i in [0, count).
float dotProduct(const float* a, const float* b, std::size_t count) noexcept;

} // namespace barquill
