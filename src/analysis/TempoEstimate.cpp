#include "analysis/TempoEstimate.h"

#include "analysis/HalfDoubleCorrection.h"
#include "analysis/OnsetEnvelope.h"
#include "analysis/TempoScan.h"
#include "buffer/VectorMath.h"

#include <algorithm>
#include <cmath>

namespace barquill {

TempoOutcome estimateTempo(std::span<const float> samples, double sampleRate, double minBPM, double maxBPM) {
    return estimateTempo(ChannelMix(samples), sampleRate, minBPM, maxBPM);
}

TempoOutcome estimateTempo(const ChannelMix& mix, double sampleRate, double minBPM, double maxBPM) {
    // Without this no candidate is scanned and there is no median to compare with.
    if (!(minBPM > 0.0) || !(minBPM <= maxBPM) || !std::isfinite(maxBPM))
        return BeatBarAnalysisError::failed(invalidConfigurationMessage);
    // A rate that is not a positive number gives no measurable duration.
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate))
        return BeatBarAnalysisError::failed(audioTooShortMessage);

    const int64_t n = mix.frames();
    const double duration = static_cast<double>(n) / sampleRate;
    if (static_cast<double>(n) <= std::trunc(sampleRate) || duration < 2.0)
        return BeatBarAnalysisError::failed(audioTooShortMessage);

    const AnalysisFraming framing = analysisFraming(n, sampleRate);
    if (static_cast<double>(framing.frameCount) <= std::trunc(2.0 * framing.frameRate))
        return BeatBarAnalysisError::failed(audioTooShortMessage);

    TempoEstimate estimate;
    estimate.frameRate = framing.frameRate;
    estimate.frameCount = framing.frameCount;
    estimate.duration = duration;
    estimate.frameRMS = frameRMS(mix, framing.hop);

    float peak = 0.0f;
    for (float r : estimate.frameRMS)
        peak = std::max(peak, r);
    if (peak <= 0.0001f) return BeatBarAnalysisError::failed(nearSilenceMessage);

    estimate.onsetEnvelope = smoothedEnvelope(onsetNovelty(estimate.frameRMS, peak));

    // Worked out in double so an extreme (but valid) range cannot overflow the integer lags.
    const double minLag = std::max(2.0, std::round(60.0 / maxBPM * framing.frameRate));
    const double maxLag = std::min(4.0 * std::round(60.0 / minBPM * framing.frameRate),
                                   static_cast<double>(framing.frameCount - 2));
    if (minLag >= maxLag) return BeatBarAnalysisError::failed(audioTooShortMessage);

    const std::vector<float> ac = autocorrelation(estimate.onsetEnvelope, static_cast<int64_t>(maxLag));
    const TempoScan scan = scanTempo(ac, framing.frameRate, minBPM, maxBPM);
    estimate.confidence = scan.confidence;
    estimate.bpm = correctHalfDouble(scan.bestBPM, estimate.onsetEnvelope, framing.frameRate, minBPM, maxBPM);
    return estimate;
}

} // namespace barquill
