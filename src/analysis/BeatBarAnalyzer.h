#pragma once

#include "analysis/BeatBarAnalysis.h"
#include "analysis/BeatBarAnalysisError.h"
#include "buffer/ChannelMix.h"
#include "buffer/PCMBuffer.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace barquill {

// Either the analysis or the reason there is none.
using AnalysisOutcome = std::variant<BeatBarAnalysis, BeatBarAnalysisError>;

// An analysis engine: one mono channel of the whole file in, a bar grid out.
// Implementations keep no state between calls and touch only their own arrays, so
// they may run on any background thread and calls for different files may overlap.
// The caller (the document) runs the call away from the GUI thread.
class BeatBarAnalyzer {
public:
    virtual ~BeatBarAnalyzer() = default;
    AnalysisOutcome analyze(const std::vector<float>& samples, double sampleRate) const {
        return analyze(ChannelMix(samples), sampleRate);
    }
    // The same on the mean of several channels, read as needed instead of mixed down first; the
    // result is bit for bit that of the mixdown. The caller keeps the channels alive during the call.
    virtual AnalysisOutcome analyze(const ChannelMix& mix, double sampleRate) const = 0;
};

// The stretched audio, or a message the user can read (a ratio beyond the engine's reach,
// a source too short for it).
using StretchOutcome = std::variant<PCMBufferPtr, std::string>;

// Changes the length of one loop pass and keeps its pitch. The result is exactly
// `outputFrames` long and, played over and over, runs on across its seam as smoothly as the
// source does. Implementations keep no state between calls, so they run on any thread.
class TimeStretcher {
public:
    virtual ~TimeStretcher() = default;
    virtual StretchOutcome stretchLoop(const PCMBuffer& loop, uint64_t outputFrames) const = 0;
};

} // namespace barquill
