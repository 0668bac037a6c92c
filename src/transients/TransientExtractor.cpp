#include "transients/TransientExtractor.h"

#include "buffer/VectorMath.h"
#include "transients/Crossover.h"
#include "transients/HitBuilder.h"
#include "transients/OnsetDetector.h"
#include "transients/QuietSearch.h"
#include "transients/SampleCounts.h"
#include "transients/TransientSensitivity.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace barquill {

using namespace transients;

namespace {

// Adds the time since the last lap to one stage's counter, when the caller asked for timings.
class StageClock {
public:
    explicit StageClock(TransientStageSeconds* stages) : stages_(stages), last_(Clock::now()) {}
    void lap(double TransientStageSeconds::*stage) {
        if (!stages_) return;
        const auto now = Clock::now();
        stages_->*stage += std::chrono::duration<double>(now - last_).count();
        last_ = now;
    }

private:
    using Clock = std::chrono::steady_clock;
    TransientStageSeconds* stages_;
    Clock::time_point last_;
};

TransientAnalysis noHits(int64_t gatedOut = 0, bool quietFound = true) {
    return {{}, gatedOut, quietFound};
}

// a × b, held at the largest count instead of overflowing.
int64_t saturatedProduct(int64_t a, int64_t b) {
    if (a > 0 && b > 0 && a > std::numeric_limits<int64_t>::max() / b)
        return std::numeric_limits<int64_t>::max();
    return a * b;
}

} // namespace

TransientExtractor TransientExtractor::forSensitivity(double sensitivity) {
    TransientExtractor extractor;
    extractor.detectionQuantile = detectionQuantileForSensitivity(sensitivity);
    return extractor;
}

TransientOutcome TransientExtractor::detect(std::span<const float> samples, double sampleRate,
                                            TransientStageSeconds* stages) const {
    return detect(ChannelMix(samples), sampleRate, stages);
}

TransientOutcome TransientExtractor::detect(const ChannelMix& mix, double sampleRate,
                                            TransientStageSeconds* stages) const {
    const double fs = sampleRate;
    const int64_t n = mix.frames();
    if (!(static_cast<double>(n) / fs >= 1.0)) return TransientError::tooShort();

    StageClock clock(stages);
    const int64_t hop = std::max<int64_t>(nearest(fs * 0.003), 1);
    const std::vector<float> envelope = frameRMS(mix, hop);
    const float peak = envelopePeak(envelope);
    clock.lap(&TransientStageSeconds::envelope);
    // Near-silent audio fails like short audio.
    if (envelope.empty() || !(peak > 0.0001f)) return TransientError::tooShort();

    const std::vector<float> strength = onsetStrength(envelope, peak);
    const std::optional<float> threshold = detectionThreshold(strength, detectionQuantile);
    if (!threshold) return noHits();
    const int64_t spacingFrames =
        std::max<int64_t>(nearest((fs / static_cast<double>(hop)) * minSpacingSeconds), 1);
    const std::vector<int64_t> peaks = pickPeaks(strength, *threshold, spacingFrames);
    clock.lap(&TransientStageSeconds::onsets);
    if (peaks.empty()) return noHits();

    std::vector<int64_t> onsets;
    for (int64_t frame : peaks)
        if (const auto onset = refineOnset(mix, frame, hop, fs)) onsets.push_back(*onset);
    // Spacing in whole frames of samples, not seconds × rate.
    const std::vector<int64_t> kept = spaceOnsets(std::move(onsets), saturatedProduct(spacingFrames, hop));
    clock.lap(&TransientStageSeconds::refinement);
    if (kept.empty()) return noHits();

    const std::vector<QuietRun> runs = findQuietRuns(mix, fs, *this);
    if (runs.empty()) return noHits(static_cast<int64_t>(kept.size()), false);
    const std::vector<int64_t> hitOnsets = gateOnsets(kept, runs);
    const auto gatedOut = static_cast<int64_t>(kept.size() - hitOnsets.size());
    clock.lap(&TransientStageSeconds::quietSearch);
    if (hitOnsets.empty()) return noHits(gatedOut);

    // The bands are needed only in each hit's classify window.
    const std::vector<PlannedHit> planned = planHits(hitOnsets, n, fs, *this);
    std::vector<SampleWindow> windows;
    windows.reserve(planned.size());
    for (const PlannedHit& hit : planned)
        windows.push_back(hit.classified);
    auto split = splitBandWindows(mix, fs, crossoverHz, windows);
    clock.lap(&TransientStageSeconds::bandSplit);
    if (auto* error = std::get_if<TransientError>(&split)) return *error;
    TransientAnalysis analysis{
        classifyHits(planned, std::get<std::vector<BandWindow>>(split), kickRatioThreshold), gatedOut, true};
    clock.lap(&TransientStageSeconds::hits);
    return analysis;
}

std::future<TransientOutcome> TransientExtractor::analyze(std::vector<float> samples,
                                                          double sampleRate) const {
    return std::async(std::launch::async, [extractor = *this, samples = std::move(samples), sampleRate] {
        return extractor.detect(samples, sampleRate);
    });
}

} // namespace barquill
