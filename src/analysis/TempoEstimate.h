#pragma once

#include "analysis/BeatBarAnalysisError.h"
#include "buffer/ChannelMix.h"

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace barquill {

// What tempo estimation hands to beat-grid locking: the frame arrays and the chosen tempo.
// A value built whole by estimateTempo and owned by the one analysis run.
struct TempoEstimate {
    double frameRate = 0; // analysis frames per second
    int64_t frameCount = 0;
    std::vector<float> frameRMS;      // frameCount values
    std::vector<float> onsetEnvelope; // frameCount values
    double bpm = 0;                   // chosen tempo, not rounded
    float confidence = 0;             // at least 0, not yet limited to 1
    double duration = 0;              // seconds of audio
    bool operator==(const TempoEstimate&) const = default;
};

using TempoOutcome = std::variant<TempoEstimate, BeatBarAnalysisError>;

inline constexpr const char* audioTooShortMessage = "Audio too short for bar detection (need ≥ 2 s).";
inline constexpr const char* nearSilenceMessage = "Near-silence: no onsets to track.";
inline constexpr const char* invalidConfigurationMessage =
    "Invalid analyzer settings (need 0 < minimum BPM ≤ maximum BPM and at least 1 beat per bar).";

// Onset envelope and tempo of one mono channel, searched between minBPM and maxBPM.
// Synchronous and stateless: runs on the caller's (background) thread and touches only its own arrays.
TempoOutcome estimateTempo(std::span<const float> samples, double sampleRate, double minBPM, double maxBPM);
// The same on the mix of a buffer's channels, read frame by frame: bit for bit the result on its mixdown.
TempoOutcome estimateTempo(const ChannelMix& mix, double sampleRate, double minBPM, double maxBPM);

} // namespace barquill
