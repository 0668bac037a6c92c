#pragma once

#include "analysis/BeatBarAnalyzer.h"
#include "analysis/TempoEstimate.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Locking a beat grid onto the onset envelope at a known tempo, and the steps it is built from.
// Plain functions on any thread; each run owns its arrays and keeps no state.
namespace barquill {

inline constexpr const char* noBeatGridMessage = "Could not lock a beat grid.";

// half[j] = max(env[2j], env[2j + 1]); a missing last partner counts as 0.
std::vector<float> halfRateEnvelope(std::span<const float> envelope);

// The best-scoring beat path through the half-rate envelope for a period of `periodHalfFrames`,
// in chronological half-frame indices; none when the window for the last beat is empty.
std::optional<std::vector<int64_t>> trackBeatPath(std::span<const float> half, double periodHalfFrames);

// Frames either side of a beat searched for its onset peak: 50 ms, or a quarter beat if shorter.
int64_t snapRadiusFrames(double frameRate, double beatPeriodSeconds);

// Moves each half-frame path index onto the first envelope maximum within `radius` frames;
// times in seconds.
std::vector<double> snapBeats(std::span<const int64_t> path, std::span<const float> envelope,
                              double frameRate, int64_t radius);

// Keeps a time only when it lies more than 0.06 s after the last kept one.
std::vector<double> dedupeBeats(std::span<const double> times);

// The beats, downbeats and bars of `estimate` with `beatsPerBar` beats to the bar; engine "Local DSP".
AnalysisOutcome lockBeatGrid(const TempoEstimate& estimate, int beatsPerBar);

} // namespace barquill
