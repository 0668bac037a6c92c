#pragma once

#include "transients/Crossover.h"
#include "transients/TransientExtractor.h"
#include "transients/TransientHit.h"

#include <cstdint>
#include <vector>

namespace barquill::transients {

// A hit's span before it is classified, and the window after its onset that classifies it.
struct PlannedHit {
    int64_t start = 0;
    int64_t length = 0;
    SampleWindow classified;
};

// Turns the gated onsets (ascending) into hit spans over a signal of `frames` samples: pre-roll, the
// longest-hit limit, the cut before the next hit onset, the shortest-hit limit. The classify windows
// come out in ascending order. Plain functions; any thread.
std::vector<PlannedHit> planHits(const std::vector<int64_t>& hitOnsets, int64_t frames, double sampleRate,
                                 const TransientExtractor& parameters);

// The planned hits classified from their windows' bands (one per hit, in the same order).
std::vector<TransientHit> classifyHits(const std::vector<PlannedHit>& planned,
                                       const std::vector<BandWindow>& windows, float kickRatioThreshold);

// Both steps on whole-signal bands; the signal length is the bands' length.
std::vector<TransientHit> buildHits(const std::vector<int64_t>& hitOnsets, const BandSignals& bands,
                                    double sampleRate, const TransientExtractor& parameters);

} // namespace barquill::transients
