#pragma once

#include "analysis/BeatBarAnalysis.h"

#include <cstdint>
#include <span>
#include <vector>

// Which beat starts the bar, and the bars that follow from it. Plain functions on any thread.
namespace barquill {

// For the first 64 beats at most: the largest envelope value within `radius` frames times the
// largest frame RMS over the 2·radius frames that follow. A sharp onset followed by a loud stretch
// marks a likely bar start.
std::vector<float> beatStrengths(std::span<const double> beats, std::span<const float> envelope,
                                 std::span<const float> frameRMS, double frameRate, int64_t radius);

// The phase (0 … beatsPerBar − 1) whose beats have the strictly greatest mean strength; the first wins ties.
int downbeatPhase(std::span<const float> strengths, int beatsPerBar);

// Every beat whose index is `phase` modulo beatsPerBar.
std::vector<double> downbeatsAt(std::span<const double> beats, int phase, int beatsPerBar);

// One bar per downbeat, up to the next downbeat (the last at most `barLengthSeconds`, never past
// `durationSeconds`); a bar of 0.2 s or less is left out and the later ids keep their downbeat positions.
std::vector<Bar> placeBars(std::span<const double> downbeats, double barLengthSeconds, double durationSeconds,
                           float confidence);

} // namespace barquill
