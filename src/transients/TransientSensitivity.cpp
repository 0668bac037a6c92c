#include "transients/TransientSensitivity.h"

#include <cmath>

namespace barquill {

double detectionQuantileForSensitivity(double sensitivity) {
    return 1.0 - 0.001 * std::pow(400.0, sensitivity / 100.0);
}

} // namespace barquill
