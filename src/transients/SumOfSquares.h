#pragma once

#include <cstdint>

namespace barquill::transients {

// Sum of x[i]² over [0, count), in 32-bit float; 0 for count <= 0. Any thread; does not allocate.
float sumOfSquares(const float* x, int64_t count) noexcept;

// Root mean square of x[0, count) in 32-bit float; the caller guarantees count > 0.
float rootMeanSquare(const float* x, int64_t count) noexcept;

} // namespace barquill::transients
