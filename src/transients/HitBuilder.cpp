#include "transients/HitBuilder.h"

#include "transients/KickClassifier.h"
#include "transients/SampleCounts.h"

#include <algorithm>

namespace barquill::transients {

std::vector<PlannedHit> planHits(const std::vector<int64_t>& hitOnsets, int64_t frames, double sampleRate,
                                 const TransientExtractor& parameters) {
    const int64_t n = frames;
    const int64_t window = std::max<int64_t>(nearest(parameters.classifyWindowSeconds * sampleRate), 1);
    const int64_t preRoll = nearest(parameters.preRollSeconds * sampleRate);
    const int64_t maxLength = nearest(parameters.maxHitSeconds * sampleRate);
    const int64_t minLength = nearest(parameters.minHitSeconds * sampleRate);
    const int64_t gap = nearest(parameters.nextOnsetGapSeconds * sampleRate);

    std::vector<PlannedHit> planned;
    for (size_t j = 0; j < hitOnsets.size(); ++j) {
        const int64_t onset = hitOnsets[j];
        const int64_t start = std::max<int64_t>(onset - preRoll, 0);
        int64_t end = std::min(start + maxLength, n);
        if (j + 1 < hitOnsets.size()) {
            // A next onset too close to leave a minimum-length hit is ignored: the hits then overlap.
            const int64_t cut = hitOnsets[j + 1] - gap;
            if (start + minLength < cut && cut < end) end = cut;
        }
        const int64_t length = end - start;
        if (length < minLength) continue;
        const int64_t classified = std::max<int64_t>(std::min(onset + window, n) - onset, 1);
        planned.push_back({start, length, {onset, classified}});
    }
    return planned;
}

std::vector<TransientHit> classifyHits(const std::vector<PlannedHit>& planned,
                                       const std::vector<BandWindow>& windows, float kickRatioThreshold) {
    std::vector<TransientHit> hits;
    for (size_t j = 0; j < planned.size(); ++j) {
        const PlannedHit& hit = planned[j];
        const KickClassification kick =
            classifyKick(windows[j].bands, hit.classified.start - windows[j].start, hit.classified.length,
                         kickRatioThreshold);
        hits.push_back({hit.start, hit.length, kick.kind, kick.kickRatio});
    }
    return hits;
}

std::vector<TransientHit> buildHits(const std::vector<int64_t>& hitOnsets, const BandSignals& bands,
                                    double sampleRate, const TransientExtractor& parameters) {
    const std::vector<PlannedHit> planned =
        planHits(hitOnsets, static_cast<int64_t>(bands.low.size()), sampleRate, parameters);
    std::vector<TransientHit> hits;
    for (const PlannedHit& hit : planned) {
        const KickClassification kick =
            classifyKick(bands, hit.classified.start, hit.classified.length, parameters.kickRatioThreshold);
        hits.push_back({hit.start, hit.length, kick.kind, kick.kickRatio});
    }
    return hits;
}

} // namespace barquill::transients
