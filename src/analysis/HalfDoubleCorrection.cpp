#include "analysis/HalfDoubleCorrection.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace barquill {

float offBeatRatio(std::span<const float> envelope, double frameRate, double tempo) {
    const auto frameCount = static_cast<int64_t>(envelope.size());
    const double period = 60.0 / tempo * frameRate;
    // In double: a very slow tempo has more phases than an integer holds, but only those before
    // the last frame are walked.
    const double phases = std::max(1.0, std::round(period));
    const int64_t last = frameCount - 1;
    const auto lastTime = static_cast<double>(last);

    float bestOn = -1.0f;
    float bestOff = 0.0f;
    for (int64_t phase = 0; static_cast<double>(phase) < phases && phase < last; ++phase) {
        float onSum = 0.0f, offSum = 0.0f;
        int64_t onCount = 0, offCount = 0;
        for (int64_t k = 0;; ++k) {
            const double t = static_cast<double>(phase) + static_cast<double>(k) * period;
            if (!(t < lastTime)) break;
            onSum += envelope[static_cast<size_t>(std::llround(t))];
            ++onCount;
            const double mid = t + period / 2.0;
            if (mid < lastTime) {
                offSum += envelope[static_cast<size_t>(std::llround(mid))];
                ++offCount;
            }
        }
        const float onMean = onSum / static_cast<float>(onCount);
        const float offMean = offCount > 0 ? offSum / static_cast<float>(offCount) : 0.0f;
        if (onMean > bestOn) {
            bestOn = onMean;
            bestOff = offMean;
        }
    }
    return bestOn > 0.000001f ? bestOff / bestOn : 0.0f;
}

double correctHalfDouble(double best, std::span<const float> envelope, double frameRate, double minBPM,
                         double maxBPM) {
    const double lo = minBPM - 0.000001;
    const double hi = maxBPM + 0.000001;
    double chosen = best;
    if (const double half = best / 2.0; lo <= half && half <= hi)
        chosen = offBeatRatio(envelope, frameRate, half) > 0.75f ? best : half;
    if (const double twice = 2.0 * best; lo <= twice && twice <= hi)
        chosen = offBeatRatio(envelope, frameRate, best) > 0.75f ? twice : best;
    return chosen;
}

} // namespace barquill
