#include "analysis/OnsetEnvelope.h"

#include <algorithm>
#include <cmath>

namespace barquill {

AnalysisFraming analysisFraming(int64_t sampleCount, double sampleRate) {
    AnalysisFraming framing;
    framing.hop = std::max<int64_t>(1, std::llround(sampleRate / 100.0));
    framing.frameRate = sampleRate / static_cast<double>(framing.hop);
    framing.frameCount = (sampleCount + framing.hop - 1) / framing.hop;
    return framing;
}

std::vector<float> onsetNovelty(std::span<const float> rms, float peak) {
    std::vector<float> novelty(rms.size(), 0.0f);
    const float eps = std::max(0.02f * peak, 0.000001f);
    const float quarterPeak = 0.25f * peak;
    for (size_t i = 1; i < rms.size(); ++i) {
        const float d = std::log(eps + rms[i]) - std::log(eps + rms[i - 1]);
        // Written as "not greater" so a NaN level counts as no rise.
        if (!(d > 0.0f)) continue;
        const float r = rms[i] / quarterPeak;
        novelty[i] = r < 1.0f ? std::min(r * d, 5.0f) : std::min(d, 5.0f);
    }
    return novelty;
}

std::vector<float> smoothedEnvelope(std::span<const float> novelty) {
    std::vector<float> env(novelty.begin(), novelty.end());
    if (novelty.size() < 5) return env;
    for (size_t i = 2; i + 2 < novelty.size(); ++i)
        env[i] = (0.2f * novelty[i - 2] + 0.5f * novelty[i - 1] + novelty[i] + 0.5f * novelty[i + 1] +
                  0.2f * novelty[i + 2]) /
                 2.4f;
    return env;
}

} // namespace barquill
