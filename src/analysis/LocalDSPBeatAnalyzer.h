#pragma once

#include "analysis/BeatBarAnalyzer.h"

#include <cstddef>
#include <functional>

namespace barquill {

// The engine that runs entirely on this machine: tempo from the onset envelope's periodicity,
// then a beat grid locked by dynamic programming, then bars. A small value holding only its
// configuration; `analyze` is synchronous and stateless, so the document may call it on any
// background thread, for several files at once.
struct LocalDSPBeatAnalyzer final : BeatBarAnalyzer {
    double minBPM = 70;  // lowest tempo scanned
    double maxBPM = 180; // highest tempo scanned
    int beatsPerBar = 4;

    LocalDSPBeatAnalyzer() = default;
    LocalDSPBeatAnalyzer(double minBPM, double maxBPM, int beatsPerBar)
        : minBPM(minBPM), maxBPM(maxBPM), beatsPerBar(beatsPerBar) {}

    // Fails with `failed` for an unusable configuration (minBPM <= 0, minBPM > maxBPM,
    // beatsPerBar < 1), too short or near-silent audio, or no beat grid.
    using BeatBarAnalyzer::analyze;
    AnalysisOutcome analyze(const ChannelMix& mix, double sampleRate) const override;

    bool operator==(const LocalDSPBeatAnalyzer& other) const noexcept {
        return minBPM == other.minBPM && maxBPM == other.maxBPM && beatsPerBar == other.beatsPerBar;
    }
};

} // namespace barquill

template <> struct std::hash<barquill::LocalDSPBeatAnalyzer> {
    std::size_t operator()(const barquill::LocalDSPBeatAnalyzer& engine) const noexcept {
        std::size_t seed = 0;
        barquill::hashCombine(seed, engine.minBPM);
        barquill::hashCombine(seed, engine.maxBPM);
        barquill::hashCombine(seed, engine.beatsPerBar);
        return seed;
    }
};
