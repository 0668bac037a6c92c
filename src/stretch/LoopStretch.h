#pragma once

#include "analysis/BeatBarAnalyzer.h"
#include "buffer/PCMBuffer.h"

#include <cstdint>

namespace barquill {

// The range of the "Match tempo" target, in BPM.
inline constexpr double kMatchTempoMinBPM = 40;
inline constexpr double kMatchTempoMaxBPM = 300;

// Frames of `bars` bars of `beatsPerBar` beats at `targetBPM`:
// round(rate × bars × beatsPerBar × 60 / target), halves away from zero.
uint64_t stretchedLoopFrames(double sampleRate, int bars, int beatsPerBar, double targetBPM);

// `bars` bars of `loop` stretched to `targetBPM` (4 beats a bar), key unchanged.
StretchOutcome stretchLoopToTempo(const TimeStretcher& stretcher, const PCMBuffer& loop, int bars,
                                  double targetBPM);

// Where `offset` frames into a loop pass of `fromFrames` lands in a pass of `toFrames`: the same
// musical position, truncated, inside the pass.
int64_t mapLoopOffset(int64_t offset, int64_t fromFrames, int64_t toFrames);

} // namespace barquill
