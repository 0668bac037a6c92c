#include "analysis/LocalDSPBeatAnalyzer.h"

#include "analysis/BeatGrid.h"
#include "analysis/TempoEstimate.h"

#include <cmath>

namespace barquill {

AnalysisOutcome LocalDSPBeatAnalyzer::analyze(const ChannelMix& mix, double sampleRate) const {
    if (!(minBPM > 0.0) || !(minBPM <= maxBPM) || !std::isfinite(maxBPM) || beatsPerBar < 1)
        return BeatBarAnalysisError::failed(invalidConfigurationMessage);
    TempoOutcome tempo = estimateTempo(mix, sampleRate, minBPM, maxBPM);
    if (auto* error = std::get_if<BeatBarAnalysisError>(&tempo)) return std::move(*error);
    return lockBeatGrid(std::get<TempoEstimate>(tempo), beatsPerBar);
}

} // namespace barquill
