#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Periodicity of the onset envelope: autocorrelation and the scan of candidate tempi.
// Plain functions on any thread; they keep no state.
namespace barquill {

// ac[k] = (Σ env[i]·env[i+k]) / (N − k) for k = 0 … maxLag, the mean product over the overlap.
std::vector<float> autocorrelation(std::span<const float> envelope, int64_t maxLag);

struct TempoScan {
    double bestBPM = 0; // the first candidate with the highest score
    float bestScore = 0;
    float confidence = 0;      // 2·(best − median) / best, at least 0, not limited to 1
    std::vector<float> scores; // one per candidate, in scan order
};

// Scores minBPM, minBPM + 0.25, … up to maxBPM by the autocorrelation at one to four beat
// periods (weights 1, 1/2, 1/3, 1/4). `ac` holds lags 0 … maxLag. Needs minBPM <= maxBPM.
TempoScan scanTempo(std::span<const float> ac, double frameRate, double minBPM, double maxBPM);

} // namespace barquill
