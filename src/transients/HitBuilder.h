#pragma once

#include "transients/Crossover.h"
#include "transients/TransientExtractor.h"
#include "transients/TransientHit.h"

#include <cstdint>
#include <vector>

namespace barquill::transients {

// Turns the gated onsets (ascending) into classified hits: pre-roll, the longest-hit limit, the cut
// before the next hit onset, the shortest-hit limit. The signal length is the bands' length.
// Plain function; any thread.
std::vector<TransientHit> buildHits(const std::vector<int64_t>& hitOnsets, const BandSignals& bands,
                                    double sampleRate, const TransientExtractor& parameters);

} // namespace barquill::transients
