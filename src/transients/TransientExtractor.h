#pragma once

#include "buffer/ChannelMix.h"
#include "transients/TransientAnalysis.h"
#include "transients/TransientError.h"
#include "transients/TransientStageSeconds.h"

#include <future>
#include <span>
#include <variant>
#include <vector>

namespace barquill {

// Either the hits of one run or the reason there are none.
using TransientOutcome = std::variant<TransientAnalysis, TransientError>;

// The parameters of one transient detection run, and the run itself.
//
// A plain value: it keeps no state between runs, so any thread may run any number of detections at
// once. `detect` works on the calling thread; `analyze` copies the extractor and takes the samples
// into a background thread of its own and hands back its future. Running out of memory for the band
// windows fails with filterUnavailable; anywhere else it surfaces as std::bad_alloc (through the future
// for `analyze`).
struct TransientExtractor {
    double crossoverHz = 180.0;          // low / high band split, Hz
    float kickRatioThreshold = 0.65f;    // a hit whose kick ratio is at least this is a kick
    double detectionQuantile = 0.98;     // quantile of the positive onset strengths used as threshold
    double minSpacingSeconds = 0.03;     // between two detected onsets
    double classifyWindowSeconds = 0.06; // window after an onset that is classified
    double preRollSeconds = 0.005;       // how far before the onset a hit starts
    double minHitSeconds = 0.06;         // shortest hit reported
    double maxHitSeconds = 0.4;          // longest hit
    double nextOnsetGapSeconds = 0.008;  // how far before the next hit's onset a hit is cut off
    double quietFraction = 0.2;          // share of the quiet search's frames that count as quiet
    double quietFrameSeconds = 0.5;      // frame length of the quiet search
    double minQuietRunSeconds = 2.0;     // shortest run of quiet frames that makes a quiet section

    // Every default except the quantile, which follows the user's 0-100 sensitivity.
    static TransientExtractor forSensitivity(double sensitivity);

    // The whole pipeline on the calling thread, over one channel of the whole file.
    TransientOutcome detect(std::span<const float> samples, double sampleRate,
                            TransientStageSeconds* stages = nullptr) const;
    // The same over the mean of several channels, read as the stages need it instead of mixed down
    // first: the result is bit for bit that of the mixdown, and memory stays near the envelopes and the
    // hits' band windows. The caller keeps the channels alive during the call.
    TransientOutcome detect(const ChannelMix& mix, double sampleRate,
                            TransientStageSeconds* stages = nullptr) const;

    // `detect` on a background thread of its own; the caller awaits the future (dropping it waits for
    // the run to end). Pass the samples with std::move to avoid a copy.
    std::future<TransientOutcome> analyze(std::vector<float> samples, double sampleRate) const;

    bool operator==(const TransientExtractor&) const = default;
};

} // namespace barquill
