#pragma once

#include <cmath>
#include <cstdint>

// Seconds-to-samples conversions shared by the transient pipeline. Absurd parameters (NaN, infinite,
// astronomically large) are pinned to a bound far beyond any real file instead of overflowing, so a bad
// value gives an odd result rather than undefined behaviour. Any thread; no allocation.
namespace barquill::transients {

inline constexpr int64_t kCountLimit = int64_t{1} << 53;

inline int64_t pinnedCount(double x) noexcept {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<double>(kCountLimit)) return kCountLimit;
    if (x <= -static_cast<double>(kCountLimit)) return -kCountLimit;
    return static_cast<int64_t>(x);
}

// The integer nearest to x, halves away from zero.
inline int64_t nearest(double x) noexcept {
    return pinnedCount(std::round(x));
}

// x truncated toward zero.
inline int64_t truncated(double x) noexcept {
    return pinnedCount(std::trunc(x));
}

} // namespace barquill::transients
