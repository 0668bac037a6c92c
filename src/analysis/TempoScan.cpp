#include "analysis/TempoScan.h"

#include "buffer/VectorMath.h"

#include <algorithm>
#include <cmath>

namespace barquill {

std::vector<float> autocorrelation(std::span<const float> envelope, int64_t maxLag) {
    const auto n = static_cast<int64_t>(envelope.size());
    std::vector<float> ac(static_cast<size_t>(maxLag + 1), 0.0f);
    for (int64_t k = 0; k <= maxLag && k < n; ++k) {
        const float dot = dotProduct(envelope.data(), envelope.data() + k, n - k);
        ac[static_cast<size_t>(k)] = dot / static_cast<float>(n - k);
    }
    return ac;
}

TempoScan scanTempo(std::span<const float> ac, double frameRate, double minBPM, double maxBPM) {
    TempoScan scan;
    scan.bestBPM = minBPM;
    if (ac.empty()) return scan;
    const auto maxLag = static_cast<int64_t>(ac.size()) - 1;
    const auto lastUsable = static_cast<double>(maxLag - 1);
    const float a0 = std::max(ac[0], 0.000000001f);

    // Linear interpolation between neighbouring lags; the fraction is taken in float.
    auto interp = [&](double x) {
        const auto i = static_cast<int64_t>(x);
        const auto f = static_cast<float>(x - static_cast<double>(i));
        return (1.0f - f) * ac[static_cast<size_t>(i)] + f * ac[static_cast<size_t>(std::min(i + 1, maxLag))];
    };

    scan.scores.reserve(512);
    float best = -1.0f;
    for (double bpm = minBPM; bpm <= maxBPM + 0.000001; bpm += 0.25) {
        const double period = frameRate * 60.0 / bpm;
        float score = 0.0f;
        if (period <= lastUsable) {
            float sum = interp(period) / a0;
            float weight = 1.0f;
            if (2.0 * period <= lastUsable) {
                sum += 0.5f * interp(2.0 * period) / a0;
                weight = 1.5f;
                if (3.0 * period <= lastUsable) {
                    sum += (1.0f / 3.0f) * interp(3.0 * period) / a0;
                    weight = 1.8333334f;
                    if (4.0 * period <= lastUsable) {
                        sum += 0.25f * interp(4.0 * period) / a0;
                        weight = 2.0833335f;
                    }
                }
            }
            score = sum / weight;
        }
        scan.scores.push_back(score);
        if (score > best) {
            best = score;
            scan.bestBPM = bpm;
        }
    }
    if (scan.scores.empty()) return scan;
    scan.bestScore = best;

    std::vector<float> sorted = scan.scores;
    std::sort(sorted.begin(), sorted.end());
    const float median = sorted[sorted.size() / 2];
    scan.confidence = std::max(0.0f, 2.0f * (best - median) / std::max(best, 0.000000001f));
    return scan;
}

} // namespace barquill
