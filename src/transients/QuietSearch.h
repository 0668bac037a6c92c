#pragma once

#include "buffer/ChannelMix.h"
#include "transients/TransientExtractor.h"

#include <cstdint>
#include <span>
#include <vector>

// Finding the stretches that are quiet for the file itself, and keeping only the onsets inside them.
// Plain functions of their inputs, safe on any thread.
namespace barquill::transients {

// Half-open range of sample indices [start, end).
struct QuietRun {
    int64_t start = 0;
    int64_t end = 0;
    bool operator==(const QuietRun&) const = default;
};

// The quiet runs in ascending order, never overlapping or touching; possibly none. Uses the extractor's
// quietFraction, quietFrameSeconds and minQuietRunSeconds.
std::vector<QuietRun> findQuietRuns(std::span<const float> samples, double sampleRate,
                                    const TransientExtractor& parameters);
// The same on the mix of several channels, read a frame at a time.
std::vector<QuietRun> findQuietRuns(const ChannelMix& mix, double sampleRate,
                                    const TransientExtractor& parameters);

// The onsets that lie in some run (start <= onset < end), in the order given.
std::vector<int64_t> gateOnsets(const std::vector<int64_t>& onsets, const std::vector<QuietRun>& runs);

} // namespace barquill::transients
