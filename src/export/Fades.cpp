#include "export/Fades.h"

#include "export/FrameMath.h"

#include <algorithm>

namespace barquill {

void fadeEdges(float* samples, uint32_t n, int64_t fadeInFrames, int64_t fadeOutFrames) noexcept {
    if (fadeInFrames >= 1) {
        const auto f = static_cast<float>(fadeInFrames);
        for (int64_t k = 0; k < fadeInFrames; ++k)
            samples[k] *= static_cast<float>(k) / f;
    }
    if (fadeOutFrames >= 1) {
        const auto f = static_cast<float>(fadeOutFrames);
        for (int64_t k = 0; k < fadeOutFrames; ++k)
            samples[n - 1 - k] *= static_cast<float>(k) / f;
    }
}

void applyFades(PCMBuffer& buffer, double fadeInSeconds, double fadeOutSeconds) noexcept {
    const uint32_t n = buffer.frameLength();
    if (n < 2 || buffer.channelCount() == 0) return;
    const int64_t half = n / 2;
    const int64_t fi = std::min(framesForSeconds(buffer.sampleRate(), fadeInSeconds), half);
    const int64_t fo = std::min(framesForSeconds(buffer.sampleRate(), fadeOutSeconds), half);
    if (fi < 1 && fo < 1) return;
    for (uint32_t c = 0; c < buffer.channelCount(); ++c)
        fadeEdges(buffer.channel(c), n, fi, fo);
}

} // namespace barquill
