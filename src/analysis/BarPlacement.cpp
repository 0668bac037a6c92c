#include "analysis/BarPlacement.h"

#include <algorithm>
#include <cmath>

namespace barquill {

namespace {
// Only the start of the file decides the phase, so the cost does not grow with its length.
constexpr size_t strengthBeats = 64;
} // namespace

std::vector<float> beatStrengths(std::span<const double> beats, std::span<const float> envelope,
                                 std::span<const float> frameRMS, double frameRate, int64_t radius) {
    const auto frameCount = static_cast<int64_t>(std::min(envelope.size(), frameRMS.size()));
    std::vector<float> strengths;
    if (frameCount == 0) return strengths;
    const size_t count = std::min(strengthBeats, beats.size());
    strengths.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const int64_t c = std::clamp<int64_t>(std::llround(beats[i] * frameRate), 0, frameCount - 1);
        float onset = 0.0f;
        for (int64_t f = std::max<int64_t>(0, c - radius); f <= std::min(frameCount - 1, c + radius); ++f)
            onset = std::max(onset, envelope[static_cast<size_t>(f)]);
        float level = 0.0f;
        for (int64_t f = c; f <= std::min(frameCount - 1, c + 2 * radius); ++f)
            level = std::max(level, frameRMS[static_cast<size_t>(f)]);
        strengths.push_back(onset * level);
    }
    return strengths;
}

int downbeatPhase(std::span<const float> strengths, int beatsPerBar) {
    int chosen = 0;
    float best = -1.0f;
    for (int phase = 0; phase < beatsPerBar; ++phase) {
        float sum = 0.0f;
        int count = 0;
        for (size_t i = static_cast<size_t>(phase); i < strengths.size();
             i += static_cast<size_t>(beatsPerBar)) {
            sum += strengths[i];
            ++count;
        }
        if (count == 0) continue;
        const float mean = sum / static_cast<float>(count);
        if (mean > best) {
            best = mean;
            chosen = phase;
        }
    }
    return chosen;
}

std::vector<double> downbeatsAt(std::span<const double> beats, int phase, int beatsPerBar) {
    std::vector<double> downbeats;
    for (size_t i = static_cast<size_t>(phase); i < beats.size(); i += static_cast<size_t>(beatsPerBar))
        downbeats.push_back(beats[i]);
    return downbeats;
}

std::vector<Bar> placeBars(std::span<const double> downbeats, double barLengthSeconds, double durationSeconds,
                           float confidence) {
    std::vector<Bar> bars;
    for (size_t i = 0; i < downbeats.size(); ++i) {
        const double start = downbeats[i];
        const double end =
            i + 1 < downbeats.size() ? downbeats[i + 1] : std::min(start + barLengthSeconds, durationSeconds);
        const double duration = end - start;
        if (!(duration > 0.2)) continue;
        const auto id = static_cast<int64_t>(i);
        bars.push_back(Bar{id, id, start, duration, confidence});
    }
    return bars;
}

} // namespace barquill
