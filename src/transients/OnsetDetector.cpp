#include "transients/OnsetDetector.h"

#include "buffer/VectorMath.h"
#include "transients/SampleCounts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace barquill::transients {

float envelopePeak(const std::vector<float>& envelope) noexcept {
    float peak = 0;
    for (float e : envelope)
        if (e > peak) peak = e;
    return peak;
}

std::vector<float> onsetStrength(const std::vector<float>& envelope, float peak) {
    std::vector<float> strength(envelope.size(), 0.0f);
    if (envelope.empty()) return strength;
    const float floor = std::max(peak * 0.02f, 0.000001f);
    const float reference = peak * 0.25f;
    float previousLog = std::log(floor + envelope[0]);
    for (size_t i = 1; i < envelope.size(); ++i) {
        const float currentLog = std::log(floor + envelope[i]);
        const float rise = currentLog - previousLog;
        previousLog = currentLog;
        if (rise <= 0) continue;
        // A rise counts fully only in frames at least a quarter as loud as the loudest.
        const float relative = envelope[i] / reference;
        strength[i] = relative < 1.0f ? std::min(relative * rise, 5.0f) : std::min(rise, 5.0f);
    }
    return strength;
}

std::optional<float> detectionThreshold(const std::vector<float>& strength, double quantile) {
    std::vector<float> positive;
    for (float o : strength)
        if (o > 0) positive.push_back(o);
    if (positive.empty()) return std::nullopt;
    const double q = std::isnan(quantile) ? 0.0 : std::clamp(quantile, 0.0, 0.9999);
    const auto last = static_cast<int64_t>(positive.size()) - 1;
    const int64_t k = std::clamp<int64_t>(nearest(q * static_cast<double>(last)), 0, last);
    // Only the k-th smallest is needed, not the whole order.
    std::nth_element(positive.begin(), positive.begin() + k, positive.end());
    return std::max(positive[k], 0.05f);
}

std::vector<int64_t> pickPeaks(const std::vector<float>& strength, float threshold, int64_t spacingFrames) {
    // Walking every frame by descending strength and stopping at the first below the threshold visits
    // exactly the frames at or above it, in this order.
    std::vector<int64_t> candidates;
    for (size_t i = 0; i < strength.size(); ++i)
        if (strength[i] >= threshold) candidates.push_back(static_cast<int64_t>(i));
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&strength](int64_t a, int64_t b) { return strength[a] > strength[b]; });

    const auto frames = static_cast<int64_t>(strength.size());
    std::vector<uint8_t> suppressed(strength.size(), 0);
    std::vector<int64_t> peaks;
    for (int64_t index : candidates) {
        if (suppressed[index]) continue;
        peaks.push_back(index);
        const int64_t from = std::max<int64_t>(index - spacingFrames, 0);
        const int64_t to = std::min<int64_t>(index + spacingFrames, frames - 1);
        std::fill(suppressed.begin() + from, suppressed.begin() + to + 1, uint8_t{1});
    }
    return peaks;
}

std::optional<int64_t> refineOnset(std::span<const float> samples, int64_t peakFrame, int64_t hop,
                                   double sampleRate) {
    return refineOnset(ChannelMix(samples), peakFrame, hop, sampleRate);
}

std::optional<int64_t> refineOnset(const ChannelMix& mix, int64_t peakFrame, int64_t hop, double sampleRate) {
    const int64_t n = mix.frames();
    if (n == 0) return std::nullopt;
    const int64_t block = std::max<int64_t>(nearest(sampleRate * 0.00035), 1);
    const int64_t reach = truncated(sampleRate * 0.012);
    const int64_t centre = peakFrame * hop;
    const int64_t lo = std::max<int64_t>((centre - reach) / block, 0);
    const int64_t hi = std::min<int64_t>((centre + reach) / block, (n - 1) / block);
    if (lo >= hi) return std::nullopt;

    // Only the searched blocks (and the one before) are read.
    const int64_t first = std::max<int64_t>((lo - 1) * block, 0);
    const int64_t last = std::min<int64_t>((hi + 1) * block, n);
    std::vector<float> stretch(static_cast<size_t>(last - first));
    mix.read(first, last - first, stretch.data());

    auto blockRms = [&](int64_t k) {
        const int64_t start = std::max<int64_t>(k * block, 0);
        const int64_t end = std::min<int64_t>(k * block + block, n);
        if (start >= n) return 0.0f;
        // The block before the first one has no samples and so no level: no rise is measured from it.
        if (end <= start) return std::numeric_limits<float>::quiet_NaN();
        return rootMeanSquare(stretch.data() + (start - first), end - start);
    };

    float previous = blockRms(lo - 1);
    float best = -1.0f;
    int64_t bestK = lo;
    for (int64_t k = lo; k <= hi; ++k) {
        const float level = blockRms(k);
        if (level - previous > best) {
            best = level - previous;
            bestK = k;
        }
        previous = level;
    }
    return std::min(bestK * block, n - 1);
}

std::vector<int64_t> spaceOnsets(std::vector<int64_t> onsets, int64_t minDistance) {
    std::sort(onsets.begin(), onsets.end());
    std::vector<int64_t> kept;
    for (int64_t onset : onsets)
        if (kept.empty() || onset - kept.back() >= minDistance) kept.push_back(onset);
    return kept;
}

} // namespace barquill::transients
