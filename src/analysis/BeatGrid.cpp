#include "analysis/BeatGrid.h"

#include "analysis/BarPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace barquill {

std::vector<float> halfRateEnvelope(std::span<const float> envelope) {
    const size_t m = (envelope.size() + 1) / 2;
    std::vector<float> half(m);
    for (size_t j = 0; j < m; ++j) {
        const float partner = 2 * j + 1 < envelope.size() ? envelope[2 * j + 1] : 0.0f;
        half[j] = std::max(envelope[2 * j], partner);
    }
    return half;
}

std::optional<std::vector<int64_t>> trackBeatPath(std::span<const float> half, double periodHalfFrames) {
    const double p = periodHalfFrames;
    const auto m = static_cast<int64_t>(half.size());
    // The last beat is searched from round(2p) on; a period that long leaves no window (and would
    // not fit the integer intervals below).
    if (!(p > 0.0) || !(2.0 * p < static_cast<double>(m))) return std::nullopt;
    const int64_t minP = std::max<int64_t>(1, std::llround(p * 0.5));
    const int64_t maxP = std::max<int64_t>(minP + 1, std::llround(2.0 * p));

    // Log-Gaussian preference for intervals near one period, indexed by interval.
    std::vector<double> penalty(static_cast<size_t>(maxP + 1), 0.0);
    for (int64_t k = minP; k <= maxP; ++k) {
        const double x = std::log(static_cast<double>(k) / p) / 0.18;
        penalty[static_cast<size_t>(k)] = -0.5 * (x * x);
    }

    std::vector<double> score(static_cast<size_t>(m));
    std::vector<int64_t> back(static_cast<size_t>(m), -1);
    for (int64_t t = 0; t < std::min(m, minP); ++t)
        score[static_cast<size_t>(t)] = half[static_cast<size_t>(t)];
    for (int64_t t = minP; t < m; ++t) {
        double best = -std::numeric_limits<double>::infinity();
        int64_t from = t - minP;
        for (int64_t j = std::max<int64_t>(0, t - maxP); j <= t - minP; ++j) {
            const double value = score[static_cast<size_t>(j)] + penalty[static_cast<size_t>(t - j)];
            if (value > best) {
                best = value;
                from = j;
            }
        }
        score[static_cast<size_t>(t)] = best + static_cast<double>(half[static_cast<size_t>(t)]);
        back[static_cast<size_t>(t)] = from;
    }

    // The last beat: the best-scoring end within the last period (never before maxP).
    const int64_t window = std::max<int64_t>(1, std::llround(p));
    const int64_t start = std::max(m - window, maxP);
    if (start >= m) return std::nullopt;
    int64_t last = start;
    for (int64_t t = start + 1; t < m; ++t)
        if (score[static_cast<size_t>(t)] > score[static_cast<size_t>(last)]) last = t;

    std::vector<int64_t> path;
    for (int64_t t = last; t != -1; t = back[static_cast<size_t>(t)])
        path.push_back(t);
    std::reverse(path.begin(), path.end());
    return path;
}

int64_t snapRadiusFrames(double frameRate, double beatPeriodSeconds) {
    return std::max<int64_t>(
        1, std::min(std::llround(frameRate * 0.05), std::llround(frameRate * beatPeriodSeconds * 0.25)));
}

std::vector<double> snapBeats(std::span<const int64_t> path, std::span<const float> envelope,
                              double frameRate, int64_t radius) {
    const auto frameCount = static_cast<int64_t>(envelope.size());
    std::vector<double> times;
    if (frameCount == 0) return times;
    times.reserve(path.size());
    for (int64_t j : path) {
        const int64_t c = std::llround(frameRate * (static_cast<double>(j) / (frameRate * 0.5)));
        int64_t bestFrame = c <= 0 ? 0 : std::min(frameCount - 1, c);
        float best = -1.0f;
        for (int64_t f = std::max<int64_t>(0, c - radius); f <= std::min(frameCount - 1, c + radius); ++f) {
            if (envelope[static_cast<size_t>(f)] > best) {
                best = envelope[static_cast<size_t>(f)];
                bestFrame = f;
            }
        }
        times.push_back(static_cast<double>(bestFrame) / frameRate);
    }
    return times;
}

std::vector<double> dedupeBeats(std::span<const double> times) {
    std::vector<double> kept;
    kept.reserve(times.size());
    for (double t : times)
        if (kept.empty() || t - kept.back() > 0.06) kept.push_back(t);
    return kept;
}

AnalysisOutcome lockBeatGrid(const TempoEstimate& estimate, int beatsPerBar) {
    if (beatsPerBar < 1) return BeatBarAnalysisError::failed(invalidConfigurationMessage);
    const auto frameCount = static_cast<size_t>(std::max<int64_t>(0, estimate.frameCount));
    // A hand-made estimate must still describe one consistent set of frames.
    if (!(estimate.frameRate > 0.0) || !std::isfinite(estimate.frameRate) || !(estimate.bpm > 0.0) ||
        !std::isfinite(estimate.bpm) || frameCount == 0 || estimate.onsetEnvelope.size() != frameCount ||
        estimate.frameRMS.size() != frameCount)
        return BeatBarAnalysisError::failed(noBeatGridMessage);

    const double beatPeriod = 60.0 / estimate.bpm;
    const std::vector<float> half = halfRateEnvelope(estimate.onsetEnvelope);
    const auto path = trackBeatPath(half, (estimate.frameRate * 0.5) * beatPeriod);
    if (!path || path->size() < 4) return BeatBarAnalysisError::failed(noBeatGridMessage);

    const int64_t radius = snapRadiusFrames(estimate.frameRate, beatPeriod);
    std::vector<double> beats =
        dedupeBeats(snapBeats(*path, estimate.onsetEnvelope, estimate.frameRate, radius));
    if (beats.size() < 4) return BeatBarAnalysisError::failed(noBeatGridMessage);

    const std::vector<float> strengths =
        beatStrengths(beats, estimate.onsetEnvelope, estimate.frameRMS, estimate.frameRate, radius);
    const int phase = downbeatPhase(strengths, beatsPerBar);

    BeatBarAnalysis result;
    result.downbeats = downbeatsAt(beats, phase, beatsPerBar);
    result.bars = placeBars(result.downbeats, beatPeriod * beatsPerBar, estimate.duration,
                            std::min(1.0f, estimate.confidence));
    if (result.bars.empty()) return BeatBarAnalysisError::failed(noBeatGridMessage);
    result.bpm = estimate.bpm;
    result.beats = std::move(beats);
    result.beatsPerBar = beatsPerBar;
    result.engineName = "Local DSP";
    return result;
}

} // namespace barquill
