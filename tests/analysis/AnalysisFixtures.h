#pragma once

#include "analysis/BeatBarAnalysisError.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// Shared by the analysis tests: synthetic mono signals, made in code so every run sees the same
// samples, and the text of a failed outcome.
namespace barquill::test {

// The error's description, or empty when the outcome is a result.
template <typename Result>
std::string failureText(const std::variant<Result, BeatBarAnalysisError>& outcome) {
    const auto* error = std::get_if<BeatBarAnalysisError>(&outcome);
    return error ? error->description() : std::string{};
}

struct ClickTrack {
    double sampleRate = 44100;
    double seconds = 20;
    double firstClick = 0.25; // seconds
    double interval = 0.5;    // seconds between clicks
    int accentEvery = 4;      // every n-th click is louder …
    int firstAccent = 1;      // … starting with this click index
    float level = 0.5f;
    float accentLevel = 1.0f;
};

// Short (3 ms) decaying 2 kHz clicks on silence.
std::vector<float> makeClickTrack(const ClickTrack& track);

struct DrumLoop {
    double bpm = 120;
    double sampleRate = 44100;
    double introSeconds = 1.5; // quiet pad before the first downbeat
    int bars = 12;
    double tailSeconds = 0.5;
};

// A four-to-the-bar pattern: kick on 1 and 3, snare on 2 and 4, closed hats on eighths, a soft
// pad under an intro that has hats only. The first downbeat is at `introSeconds`.
std::vector<float> makeDrumLoop(const DrumLoop& loop);

} // namespace barquill::test
