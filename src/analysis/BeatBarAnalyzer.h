#pragma once

#include "analysis/BeatBarAnalysis.h"
#include "analysis/BeatBarAnalysisError.h"
#include "buffer/ChannelMix.h"

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

// Declared for engines that may stretch audio to a tempo; nothing implements or calls it yet.
class TimeStretcher {
public:
    virtual ~TimeStretcher() = default;
    virtual std::vector<float> stretch(const std::vector<float>& samples, double sampleRate,
                                       double ratio) const = 0;
};

} // namespace barquill
