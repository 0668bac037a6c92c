#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The first stage of tempo estimation: non-overlapping ~10 ms frames, their RMS level and
// an onset envelope that rises only where the level rises. Plain functions on any thread;
// each returns a new array and keeps no state.
namespace barquill {

struct AnalysisFraming {
    int64_t hop = 1;      // samples per frame
    double frameRate = 0; // frames per second
    int64_t frameCount = 0;
    bool operator==(const AnalysisFraming&) const = default;
};

// hop = round(sampleRate / 100) (at least 1), frameCount = sampleCount / hop rounded up.
AnalysisFraming analysisFraming(int64_t sampleCount, double sampleRate);

// Rise in log level from the previous frame: quiet frames weighted down, capped at 5, 0 where
// the level falls. `peak` is the largest frame RMS.
std::vector<float> onsetNovelty(std::span<const float> rms, float peak);

// 5-tap smoothing (0.2, 0.5, 1, 0.5, 0.2) / 2.4 of the novelty; the two values at each end stay as
// they are.
std::vector<float> smoothedEnvelope(std::span<const float> novelty);

} // namespace barquill
