#pragma once

#include <cmath>
#include <cstdint>

namespace barquill {

// round(rate × seconds) with halves away from zero. NaN gives 0 and absurd values saturate (at a
// bound two of which still add up without overflow), so a bad setting can never turn into
// undefined integer arithmetic.
inline int64_t framesForSeconds(double rate, double seconds) noexcept {
    const double x = rate * seconds;
    if (std::isnan(x)) return 0;
    constexpr double limit = 4.0e18;
    if (x >= limit) return static_cast<int64_t>(limit);
    if (x <= -limit) return -static_cast<int64_t>(limit);
    return std::llround(x);
}

} // namespace barquill
