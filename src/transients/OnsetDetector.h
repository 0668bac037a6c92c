#pragma once

#include "buffer/ChannelMix.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The detection steps from the energy envelope to the spaced, sample-precise onsets. Plain functions of
// their inputs, safe on any thread; each returns a new array.
namespace barquill::transients {

// The largest envelope value, 0 for an empty envelope (NaN frames never win).
float envelopePeak(const std::vector<float>& envelope) noexcept;

// Positive rises in log level, weighted down in frames under a quarter of `peak` and capped at 5.
std::vector<float> onsetStrength(const std::vector<float>& envelope, float peak);

// The `quantile` (clamped to [0, 0.9999], NaN as 0) of the positive strengths, at least 0.05;
// none when no strength is positive.
std::optional<float> detectionThreshold(const std::vector<float>& strength, double quantile);

// Frames at or above `threshold`, strongest first (earlier frame on ties); each one found blocks the
// frames within `spacingFrames` of it.
std::vector<int64_t> pickPeaks(const std::vector<float>& strength, float threshold, int64_t spacingFrames);

// The start of the 0.35 ms block with the steepest RMS rise within ±12 ms of the peak frame's first
// sample; none when that search range collapses.
std::optional<int64_t> refineOnset(std::span<const float> samples, int64_t peakFrame, int64_t hop,
                                   double sampleRate);
// The same on the mix of several channels, reading only the searched stretch.
std::optional<int64_t> refineOnset(const ChannelMix& mix, int64_t peakFrame, int64_t hop, double sampleRate);

// The onsets in ascending order, dropping each that lies less than `minDistance` samples after the
// last one kept.
std::vector<int64_t> spaceOnsets(std::vector<int64_t> onsets, int64_t minDistance);

} // namespace barquill::transients
