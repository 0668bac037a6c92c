#pragma once

namespace barquill {

// The detection quantile for the user's transient sensitivity s on its 0-100 scale:
// 1 − 0.001 × 400^(s / 100), so 0 gives 0.999 (fewest hits), 50 gives 0.98 and 100 gives 0.6.
double detectionQuantileForSensitivity(double sensitivity);

} // namespace barquill
